#include "cloud/ManifestEnvelope.h"

#include <QJsonValue>

#include <algorithm>
#include <cmath>
#include <limits>

namespace RemoteUpdate {

namespace {

// A number, truncated and kept within int; anything else reads as 0.
qint64 envelopeCode(const QJsonValue &value)
{
    if (!value.isDouble())
        return 0;
    const double d = std::trunc(value.toDouble());
    if (!std::isfinite(d))
        return 0;
    return static_cast<qint64>(std::clamp(d, double(std::numeric_limits<int>::min()),
                                          double(std::numeric_limits<int>::max())));
}

} // namespace

ManifestEnvelope ManifestEnvelope::unwrap(const QJsonObject &reply)
{
    ManifestEnvelope result;
    const QJsonValue data = reply.value(QLatin1String("data"));
    if (!data.isObject()) {
        result.manifest = reply;
        return result;
    }
    result.errorCode = envelopeCode(reply.value(QLatin1String("errorCode")));
    if (result.errorCode != 0) {
        const QJsonValue message = reply.value(QLatin1String("message"));
        result.message = message.isString() ? message.toString() : QString();
        return result;
    }
    result.manifest = data.toObject();
    result.unwrapped = true;
    return result;
}

} // namespace RemoteUpdate
