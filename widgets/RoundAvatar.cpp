#include "widgets/RoundAvatar.h"

#include "widgets/DevicePixmap.h"

#include <QPainter>
#include <QPainterPath>

QPixmap roundAvatar(const QPixmap &source, QSize size, qreal ratio)
{
    if (source.isNull() || size.isEmpty())
        return QPixmap();
    // Cut in device pixels, so every pixel of a source that has them shows.
    const QSize pixels = DevicePixmap::devicePixels(size, ratio);
    const QPixmap scaled = source.scaled(pixels, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    QPixmap round(pixels);
    round.fill(Qt::transparent);
    {
        QPainter painter(&round);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        QPainterPath clip;
        clip.addEllipse(QRectF(QPointF(0, 0), QSizeF(pixels)));
        painter.setClipPath(clip);
        QPixmap centre = scaled;
        centre.setDevicePixelRatio(1.0);
        painter.drawPixmap((pixels.width() - scaled.width()) / 2, (pixels.height() - scaled.height()) / 2, centre);
    }
    round.setDevicePixelRatio(ratio);
    return round;
}
