#include "devicepages/DevicePageStyles.h"

namespace DevicePageStyles {

namespace {

QString titleWithColour(const char *colour)
{
    return QStringLiteral(" font-family: %1; font-style: normal; font-weight: 400; font-size: 16px; line-height: 22px;"
                          " color: %2; background: transparent; border: none;")
        .arg(fontFamilies(), QLatin1String(colour));
}

} // namespace

const QString &fontFamilies()
{
    static const QString families = QStringLiteral("'Microsoft YaHei', 'PingFang SC', 'Segoe UI', sans-serif");
    return families;
}

const QString &title()
{
    static const QString style = titleWithColour("#999999");
    return style;
}

const QString &disabledTitle()
{
    static const QString style = titleWithColour("#C62828");
    return style;
}

} // namespace DevicePageStyles
