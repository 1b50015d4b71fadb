#pragma once

#include "cloud/ServerPicture.h"

#include <QImage>
#include <QPixmap>
#include <QString>

class QByteArray;
class QNetworkAccessManager;
class QNetworkReply;

// Avatars of the account screens: where one comes from and how it is taken
// in. They are drawn with the kit's roundAvatar.
namespace AvatarImage {

constexpr qint64 maxDownloadBytes = ServerPicture::maxBytes;
// The screens draw avatars at most 96 pixels wide; twice that stays sharp on
// a high-density screen, and a picture is never held larger.
constexpr int keptSide = 192;

// An "http://" or "https://" address in any letter case; anything else is a
// local file or resource path.
bool isRemote(const QString &url);

// A GET for an avatar address, bounded to maxDownloadBytes and the requests'
// usual time-out, that follows a redirect only when it is no less safe
// (never from HTTPS to HTTP). Past either bound it finishes with an error.
QNetworkReply *download(QNetworkAccessManager *manager, const QString &url);

// The picture in `bytes`, decoded at no more than keptSide pixels on its
// shorter side and cut to the centre square (what a round avatar shows);
// null when it is no picture.
QImage decode(const QByteArray &bytes);

// `picture` made no larger than keptSide in the same way: what a screen
// keeps to draw it again at another pixel ratio.
QPixmap fitted(const QPixmap &picture);

} // namespace AvatarImage
