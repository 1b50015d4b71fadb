#pragma once

#include "cloud/ServerPicture.h"

#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>

class QByteArray;

// Author pictures of the cloud page: where a source is fetched from and how
// big a picture is kept. They are shown through the kit's roundAvatar.
namespace CloudAvatar {

constexpr qint64 maxDownloadBytes = ServerPicture::maxBytes;
// Cards and the preview draw author pictures at about 20 pixels; a picture is
// kept at no more than this on a side, room for a high-density screen, so a
// full cache of them stays within a few MiB whatever the server sends.
constexpr int keptSide = 48;

// "http://" or "https://" in any letter case.
bool isNetworkSource(const QString &source);
// ":/" or "qrc:/".
bool isResourceSource(const QString &source);
// A resource or file path as a pixmap ("qrc:/x" reads ":/x"); null when it cannot be read.
QPixmap loadLocal(const QString &source);

// The picture in `bytes`, decoded at no more than keptSide on its shorter
// side (scaled while it is read where the format allows) and cut to the
// centre square, which is what a round avatar shows; null when it is none.
QImage decode(const QByteArray &bytes);
// `image` made no larger than keptSide square in the same way.
QImage fitted(const QImage &image);

} // namespace CloudAvatar
