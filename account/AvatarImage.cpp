#include "account/AvatarImage.h"

#include <QNetworkRequest>
#include <QPainter>
#include <QPainterPath>
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

QPixmap makeRound(const QPixmap &source, int side)
{
    side = qMax(1, side);
    QPixmap round(side, side);
    round.fill(Qt::transparent);
    if (source.isNull())
        return round;
    const QPixmap scaled =
        source.scaled(side, side, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    const QPixmap centre = scaled.copy((scaled.width() - side) / 2, (scaled.height() - side) / 2, side, side);

    QPainter painter(&round);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    QPainterPath clip;
    clip.addEllipse(0, 0, side, side);
    painter.setClipPath(clip);
    painter.drawPixmap(0, 0, centre);
    return round;
}

} // namespace AvatarImage
