#include "widgets/KitFonts.h"

namespace KitFonts {

QStringList families()
{
    return {QStringLiteral("Microsoft YaHei"), QStringLiteral("PingFang SC"), QStringLiteral("Segoe UI"),
            QStringLiteral("sans-serif")};
}

QString cssFamiliesDoubleQuoted()
{
    return QStringLiteral("\"Microsoft YaHei\",\"PingFang SC\",\"Segoe UI\",sans-serif");
}

QString cssFamiliesSingleQuoted()
{
    return QStringLiteral("'Microsoft YaHei','PingFang SC','Segoe UI',sans-serif");
}

QFont font(int pixelSize, int weight)
{
    QFont f;
    f.setFamilies(families());
    f.setPixelSize(pixelSize);
    f.setWeight(static_cast<QFont::Weight>(weight));
    f.setStyle(QFont::StyleNormal);
    return f;
}

} // namespace KitFonts
