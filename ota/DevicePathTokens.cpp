#include "ota/DevicePathTokens.h"

namespace OtaModule {

QString hexDigitsAfter(const QString &path, QLatin1String token)
{
    const QString upper = path.toUpper();
    const int at = upper.indexOf(token);
    if (at < 0)
        return {};
    const int start = at + int(token.size());
    int end = start;
    while (end < upper.size()) {
        const QChar c = upper.at(end);
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'))))
            break;
        ++end;
    }
    return upper.mid(start, end - start);
}

} // namespace OtaModule
