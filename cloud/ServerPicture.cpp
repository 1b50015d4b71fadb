#include "cloud/ServerPicture.h"

#include <QBuffer>
#include <QImageReader>

namespace ServerPicture {

QImage decodeSquare(const QByteArray &bytes, int side)
{
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer);
    const QSize full = reader.size();
    if (full.isValid() && qMin(full.width(), full.height()) > side) {
        const QSize scaled = full.scaled(side, side, Qt::KeepAspectRatioByExpanding);
        reader.setScaledSize(scaled);
        reader.setScaledClipRect(QRect((scaled.width() - side) / 2, (scaled.height() - side) / 2, side, side));
    }
    return fitSquare(reader.read(), side);
}

QImage fitSquare(const QImage &image, int side)
{
    if (image.isNull() || side < 1)
        return {};
    QImage kept = image;
    if (qMin(kept.width(), kept.height()) > side)
        kept = kept.scaled(side, side, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    const int square = qMin(kept.width(), kept.height());
    if (kept.width() == square && kept.height() == square)
        return kept;
    return kept.copy((kept.width() - square) / 2, (kept.height() - square) / 2, square, square);
}

} // namespace ServerPicture
