#pragma once

#include <QImage>

class QByteArray;

// Pictures from the server (avatars) as the program keeps them: never larger
// than what is drawn, whatever was sent. Round avatars show the centre square
// of a picture, so that is what is kept.
namespace ServerPicture {

// A photo fits; a body past this is no avatar.
constexpr qint64 maxBytes = 4 * 1024 * 1024;

// The picture in `bytes` at no more than `side` pixels on its shorter side,
// cut to its centre square. Where the format allows it is scaled while it is
// read, so a huge picture is never held whole. Null when it is no picture.
QImage decodeSquare(const QByteArray &bytes, int side);
// `image` made no larger than `side` square in the same way.
QImage fitSquare(const QImage &image, int side);

} // namespace ServerPicture
