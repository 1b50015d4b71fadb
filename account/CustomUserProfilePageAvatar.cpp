// The avatar of the profile page: loading, the memory cache and drawing.
#include "account/CustomUserProfilePage.h"

#include "account/AccountImages.h"
#include "account/AvatarImage.h"
#include "cloud/BoundedGet.h"
#include "widgets/CustomClickableLabel.h"
#include "widgets/DevicePixmap.h"
#include "widgets/PixelRatioFollower.h"
#include "widgets/RoundAvatar.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>

void CustomUserProfilePage::setAvatarUrl(const QString &url)
{
    m_currentAvatarUrl = url.trimmed();
    cancelPendingAvatar();
    if (m_currentAvatarUrl.isEmpty()) {
        renderAvatar(QPixmap());
        return;
    }
    if (!AvatarImage::isRemote(m_currentAvatarUrl)) {
        renderAvatar(QPixmap(m_currentAvatarUrl));
        return;
    }
    const QPixmap cached = m_avatarCache.value(m_currentAvatarUrl);
    if (!cached.isNull()) {
        m_avatarCacheOrder.removeAll(m_currentAvatarUrl);
        m_avatarCacheOrder.append(m_currentAvatarUrl);
        renderAvatar(cached);
        return;
    }
    renderAvatar(QPixmap());
    QNetworkReply *reply = AvatarImage::download(m_network, m_currentAvatarUrl);
    m_pendingAvatarReply = reply;
    const QString requested = m_currentAvatarUrl;
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, requested] { onAvatarReplyFinished(reply, requested); });
}

void CustomUserProfilePage::cancelPendingAvatar()
{
    QNetworkReply *reply = m_pendingAvatarReply;
    m_pendingAvatarReply = nullptr;
    if (!reply)
        return;
    disconnect(reply, nullptr, this, nullptr);
    reply->abort();
    reply->deleteLater();
}

void CustomUserProfilePage::onAvatarReplyFinished(QNetworkReply *reply, const QString &url)
{
    if (reply == m_pendingAvatarReply)
        m_pendingAvatarReply = nullptr;
    const QNetworkReply::NetworkError error = reply->error();
    const QByteArray data = BoundedGet::body(reply);
    reply->deleteLater();
    // A failed download (too large and too slow included) or one overtaken by
    // a newer address leaves the picture shown.
    if (error != QNetworkReply::NoError || url != m_currentAvatarUrl)
        return;
    const QImage image = AvatarImage::decode(data);
    if (image.isNull())
        return;
    const QPixmap pixmap = QPixmap::fromImage(image);
    rememberAvatar(url, pixmap);
    renderAvatar(pixmap);
}

void CustomUserProfilePage::rememberAvatar(const QString &url, const QPixmap &pixmap)
{
    m_avatarCache.insert(url, pixmap);
    m_avatarCacheOrder.removeAll(url);
    m_avatarCacheOrder.append(url);
    while (m_avatarCache.size() > avatarCacheLimit && !m_avatarCacheOrder.isEmpty())
        m_avatarCache.remove(m_avatarCacheOrder.takeFirst());
}

void CustomUserProfilePage::renderAvatar(const QPixmap &source)
{
    // Kept, so that a move to a screen of another ratio can draw it again.
    const QPixmap picture = AvatarImage::fitted(source.isNull() ? QPixmap(AccountImages::defaultAvatar()) : source);
    PixelRatioFollower::follow(m_avatarLabel, [this, picture](qreal ratio) {
        const QPixmap round = roundAvatar(picture, QSize(96, 96), ratio);
        QPixmap canvas = DevicePixmap::canvas(QSize(120, 120), ratio);
        QPainter painter(&canvas);
        painter.drawPixmap(12, 12, round);
        painter.end();
        m_avatarLabel->setPixmap(canvas);
    });
}
