#include "eqcloud/CloudAvatar.h"

#include <QPainter>
#include <QPainterPath>

namespace CloudAvatar {

bool isNetworkSource(const QString &source)
{
    return source.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
           || source.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

bool isResourceSource(const QString &source)
{
    return source.startsWith(QLatin1String(":/")) || source.startsWith(QLatin1String("qrc:/"));
}

QPixmap circular(const QPixmap &pixmap, QSize size)
{
    if (pixmap.isNull() || size.isEmpty())
        return QPixmap();
    const QPixmap scaled = pixmap.scaled(size, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    QPixmap round(size);
    round.fill(Qt::transparent);
    QPainter painter(&round);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addEllipse(QRectF(QPointF(0, 0), QSizeF(size)));
    painter.setClipPath(clip);
    const QPoint offset((size.width() - scaled.width()) / 2, (size.height() - scaled.height()) / 2);
    painter.drawPixmap(offset, scaled);
    return round;
}

QPixmap loadLocal(const QString &source)
{
    if (source.startsWith(QLatin1String("qrc:/")))
        return QPixmap(source.mid(3));
    return QPixmap(source);
}

} // namespace CloudAvatar
