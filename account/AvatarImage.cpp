#include "account/AvatarImage.h"

#include "cloud/ApiManager.h"
#include "cloud/BoundedGet.h"
#include "cloud/ServerPicture.h"

#include <QUrl>

namespace AvatarImage {

bool isRemote(const QString &url)
{
    return url.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           url.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

QNetworkReply *download(QNetworkAccessManager *manager, const QString &url)
{
    return BoundedGet::get(manager, QUrl(url, QUrl::TolerantMode), maxDownloadBytes,
                           EarphoneApi::ApiManager::builtInTimeoutMs);
}

QImage decode(const QByteArray &bytes)
{
    return ServerPicture::decodeSquare(bytes, keptSide);
}

QPixmap fitted(const QPixmap &picture)
{
    if (picture.isNull() || qMin(picture.width(), picture.height()) <= keptSide)
        return picture;
    return QPixmap::fromImage(ServerPicture::fitSquare(picture.toImage(), keptSide));
}

} // namespace AvatarImage
