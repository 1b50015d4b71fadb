#include "widgets/DevicePixmap.h"

#include "widgets/PixelRatioFollower.h"

#include <QImageReader>
#include <QLabel>
#include <QString>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace DevicePixmap {

qreal ratioOf(const QWidget *widget)
{
    return std::max<qreal>(1.0, widget ? widget->devicePixelRatioF() : 1.0);
}

QSize devicePixels(const QSize &logical, qreal ratio)
{
    return QSize(std::max(1, int(std::lround(logical.width() * ratio))),
                 std::max(1, int(std::lround(logical.height() * ratio))));
}

QPixmap canvas(const QSize &logical, qreal ratio)
{
    QPixmap pixmap(devicePixels(logical, ratio));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap scaled(const QPixmap &source, const QSize &logical, qreal ratio, Qt::AspectRatioMode mode)
{
    if (source.isNull() || logical.isEmpty())
        return QPixmap();
    QPixmap result = source.scaled(devicePixels(logical, ratio), mode, Qt::SmoothTransformation);
    result.setDevicePixelRatio(ratio);
    return result;
}

QPixmap load(const QString &path, const QSize &logical, qreal ratio, Qt::AspectRatioMode mode)
{
    if (logical.isEmpty())
        return QPixmap();
    QImageReader reader(path);
    const QByteArray format = reader.format();
    const QSize natural = reader.size();
    if ((format == "svg" || format == "svgz") && natural.isValid()) {
        reader.setScaledSize(natural.scaled(devicePixels(logical, ratio), mode));
        QPixmap drawn = QPixmap::fromImage(reader.read());
        if (!drawn.isNull())
            drawn.setDevicePixelRatio(ratio);
        return drawn;
    }
    return scaled(QPixmap::fromImage(reader.read()), logical, ratio, mode);
}

bool showOn(QLabel *label, const QString &path, const QSize &logical, Qt::AspectRatioMode mode)
{
    if (!QImageReader(path).canRead())
        return false;
    PixelRatioFollower::follow(label, [label, path, logical, mode](qreal ratio) {
        const QPixmap picture = load(path, logical, ratio, mode);
        if (!picture.isNull())
            label->setPixmap(picture);
    });
    return true;
}

bool showOn(QLabel *label, const QPixmap &source, const QSize &logical, Qt::AspectRatioMode mode)
{
    if (source.isNull())
        return false;
    PixelRatioFollower::follow(label, [label, source, logical, mode](qreal ratio) {
        label->setPixmap(scaled(source, logical, ratio, mode));
    });
    return true;
}

} // namespace DevicePixmap
