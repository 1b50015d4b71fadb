#include "widgets/RoundAvatar.h"

#include <QPainter>
#include <QPainterPath>

QPixmap roundAvatar(const QPixmap &source, QSize size)
{
    if (source.isNull() || size.isEmpty())
        return QPixmap();
    const QPixmap scaled = source.scaled(size, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    QPixmap round(size);
    round.fill(Qt::transparent);
    QPainter painter(&round);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    QPainterPath clip;
    clip.addEllipse(QRectF(QPointF(0, 0), QSizeF(size)));
    painter.setClipPath(clip);
    painter.drawPixmap((size.width() - scaled.width()) / 2, (size.height() - scaled.height()) / 2, scaled);
    return round;
}
