#include "devicepages/DevicePageStyles.h"

#include <QStringList>

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

QFont font(qreal pixelSize, int weight)
{
    QFont f;
    f.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("PingFang SC"), QStringLiteral("Segoe UI"),
                   QStringLiteral("sans-serif")});
    // Fractional pixel sizes (10.6667 px) go through the point size at 96 dpi.
    if (pixelSize == static_cast<int>(pixelSize))
        f.setPixelSize(static_cast<int>(pixelSize));
    else
        f.setPointSizeF(pixelSize * 0.75);
    f.setWeight(static_cast<QFont::Weight>(weight));
    f.setStyle(QFont::StyleNormal);
    return f;
}

const QString &cancelButton()
{
    static const QString style =
        QStringLiteral("QPushButton { background: #555555; color: #E4E4E4; border: none; border-radius: 7px;"
                       " font-family: %1; font-size: 14px; font-weight: 400; }"
                       "QPushButton:hover { background: #666666; }"
                       "QPushButton:pressed { background: #4A4A4A; }")
            .arg(fontFamilies());
    return style;
}

const QString &confirmButton()
{
    static const QString style =
        QStringLiteral("QPushButton { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #6532CB,"
                       " stop:1 #410290); color: #E4E4E4; border: none; border-radius: 7px;"
                       " font-family: %1; font-size: 14px; font-weight: 400; }"
                       "QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #7542DB,"
                       " stop:1 #5112A0); }"
                       "QPushButton:pressed { background: #5D00DD; }")
            .arg(fontFamilies());
    return style;
}

const QString &cardActionButton()
{
    static const QString style =
        QStringLiteral("QPushButton { background: qlineargradient(x1:1,y1:0,x2:0,y2:1,stop:0.1471 #6532CB,"
                       "stop:0.8934 #410290); color: #E4E4E4; border: 1px solid rgba(101,50,203,0.5);"
                       " border-radius: 7px; font-family: %1; font-size: 12px; font-weight: 400; }"
                       "QPushButton:pressed { background: #5D00DD; }")
            .arg(fontFamilies());
    return style;
}

} // namespace DevicePageStyles
