#include "cloud/JsonIdText.h"

#include <cmath>

namespace EarphoneApi {

QString jsonIdText(const QJsonValue &value)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble()) {
        // Beyond 2^53 a double no longer holds every integer; such an id
        // would be read as a neighbour's.
        constexpr double maxExact = 9007199254740992.0;
        const double d = std::trunc(value.toDouble());
        if (!std::isfinite(d) || std::fabs(d) > maxExact)
            return {};
        return QString::number(static_cast<qint64>(d));
    }
    return {};
}

} // namespace EarphoneApi
