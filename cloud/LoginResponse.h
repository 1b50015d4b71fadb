#pragma once

#include "cloud/UserInfo.h"

#include <QJsonObject>
#include <QMetaType>
#include <QString>

namespace EarphoneApi {

// A sign-in reply: the session token and the account record.
struct LoginResponse
{
    QString token;
    UserInfo userInfo;
};

// Reads the "data" object of a sign-in reply. The user fields may sit in a
// "userInfo" object or flat beside the token.
LoginResponse parseLoginResponse(const QJsonObject &data);

} // namespace EarphoneApi

Q_DECLARE_METATYPE(EarphoneApi::LoginResponse)
