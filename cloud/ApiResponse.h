#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

namespace EarphoneApi {

// The unwrapped reply envelope {"errorCode", "message", "data"}.
// errorCode 0 is success; -1, -2 and -3 are produced on this side for an
// empty body, a body that is not JSON and a reply that is not a usable envelope.
struct ApiResponse
{
    int errorCode = 0;
    QString message;
    QJsonValue data = QJsonValue(QJsonValue::Null);

    static ApiResponse fromBody(const QByteArray &body);
};

} // namespace EarphoneApi
