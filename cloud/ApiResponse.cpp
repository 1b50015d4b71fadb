#include "cloud/ApiResponse.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>
#include <limits>
#include <optional>

namespace EarphoneApi {

namespace {

// The server sends "errorCode" as a number; some deployments quote it. A quoted
// integer is that number, anything else is not a code we can trust.
std::optional<int> readErrorCode(const QJsonValue &value)
{
    if (value.isDouble()) {
        const double d = value.toDouble();
        if (std::isfinite(d) && d == std::trunc(d) && d >= std::numeric_limits<int>::min()
            && d <= std::numeric_limits<int>::max())
            return static_cast<int>(d);
        return std::nullopt;
    }
    if (value.isString()) {
        bool ok = false;
        const int code = value.toString().trimmed().toInt(&ok, 10);
        if (ok)
            return code;
    }
    return std::nullopt;
}

} // namespace

ApiResponse ApiResponse::fromBody(const QByteArray &body)
{
    ApiResponse result;
    if (body.isEmpty()) {
        result.errorCode = -1;
        result.message = QStringLiteral("Empty response");
        return result;
    }

    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        result.errorCode = -2;
        result.message = QStringLiteral("JSON parse error: %1").arg(parseError.errorString());
        return result;
    }
    if (!doc.isObject()) {
        result.errorCode = -3;
        result.message = QStringLiteral("Invalid JSON response: not an object");
        return result;
    }

    const QJsonObject envelope = doc.object();
    const auto codeIt = envelope.constFind(QLatin1String("errorCode"));
    if (codeIt != envelope.constEnd()) {
        const std::optional<int> code = readErrorCode(codeIt.value());
        if (!code) {
            // A reply whose code cannot be read must never pass as success.
            result.errorCode = -3;
            result.message = QStringLiteral("Invalid JSON response: errorCode is not an integer");
            return result;
        }
        result.errorCode = *code;
    }
    const QJsonValue message = envelope.value(QLatin1String("message"));
    if (message.isString())
        result.message = message.toString();
    const auto dataIt = envelope.constFind(QLatin1String("data"));
    if (dataIt != envelope.constEnd())
        result.data = dataIt.value();
    return result;
}

} // namespace EarphoneApi
