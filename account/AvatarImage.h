#pragma once

#include <QPixmap>
#include <QString>

class QNetworkRequest;

// Avatars of the account screens: where one comes from and how it is drawn.
namespace AvatarImage {

// An "http://" or "https://" address in any letter case; anything else is a
// local file or resource path.
bool isRemote(const QString &url);

// A GET for an avatar address that follows a redirect only when it is no less
// safe (never from HTTPS to HTTP).
QNetworkRequest request(const QString &url);

// `source` scaled to cover a `side` x `side` square (device pixels), its
// centre cut out and clipped to a circle on a transparent background.
QPixmap makeRound(const QPixmap &source, int side);

} // namespace AvatarImage
