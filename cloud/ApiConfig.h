#pragma once

#include "cloud/SignAlgorithm.h"

#include <QString>
#include <QStringList>

namespace EarphoneApi {

// The API configuration kept by ApiFactory; the fields mean what the
// same-named members of ApiManager mean. An empty endpoint list lets each
// API object keep its built-in one.
struct ApiConfig
{
    QString baseUrl;
    QString secretKey;
    QString language = QStringLiteral("zh");
    QString defaultAreaCode = QStringLiteral("86");
    SignAlgorithm signAlgorithm = KeyPlusTimestampHmac;
    QString customSignKey;
    QString fixedSignValue;
    QStringList tokenRequiredEndpoints;
    int requestTimeoutMs = 30000;
};

} // namespace EarphoneApi
