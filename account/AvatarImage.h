#pragma once

#include <QPixmap>
#include <QString>

class QNetworkRequest;

// Avatars of the account screens: where one comes from. They are drawn with
// the kit's roundAvatar.
namespace AvatarImage {

// An "http://" or "https://" address in any letter case; anything else is a
// local file or resource path.
bool isRemote(const QString &url);

// A GET for an avatar address that follows a redirect only when it is no less
// safe (never from HTTPS to HTTP).
QNetworkRequest request(const QString &url);

} // namespace AvatarImage
