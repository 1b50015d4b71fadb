#include "account/AvatarImage.h"

#include <QNetworkRequest>
#include <QUrl>

namespace AvatarImage {

bool isRemote(const QString &url)
{
    return url.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           url.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

QNetworkRequest request(const QString &url)
{
    QNetworkRequest request(QUrl(url, QUrl::TolerantMode));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    return request;
}

} // namespace AvatarImage
