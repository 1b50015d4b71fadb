#include "eqcloud/GameCardImageCache.h"

#include "cloud/BoundedGet.h"
#include "eqcloud/CloudAvatar.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

GameCardImageCache *GameCardImageCache::instance()
{
    static QPointer<GameCardImageCache> cache;
    if (!cache)
        cache = new GameCardImageCache(QCoreApplication::instance());
    return cache;
}

GameCardImageCache::GameCardImageCache(QObject *parent) : QObject(parent)
{
    m_network = new QNetworkAccessManager(this);
}

bool GameCardImageCache::lookup(const QString &source, QPixmap *pixmap)
{
    const auto it = m_pixmaps.constFind(source);
    if (it == m_pixmaps.constEnd())
        return false;
    if (pixmap)
        *pixmap = *it;
    touch(source);
    return true;
}

void GameCardImageCache::insert(const QString &source, const QPixmap &pixmap)
{
    const bool small = pixmap.width() <= CloudAvatar::keptSide && pixmap.height() <= CloudAvatar::keptSide;
    m_pixmaps.insert(source, small ? pixmap : QPixmap::fromImage(CloudAvatar::fitted(pixmap.toImage())));
    touch(source);
    while (m_pixmaps.size() > limit && !m_order.isEmpty())
        m_pixmaps.remove(m_order.takeFirst());
}

void GameCardImageCache::touch(const QString &source)
{
    m_order.removeOne(source);
    m_order.append(source);
}

bool GameCardImageCache::isInFlight(const QString &source) const
{
    const auto it = m_inFlight.constFind(source);
    return it != m_inFlight.constEnd() && !it->isNull();
}

bool GameCardImageCache::fetch(const QString &source)
{
    if (isInFlight(source))
        return false;
    // A stalled or endless picture server must not hold a source "in flight" for ever.
    QNetworkReply *reply = BoundedGet::get(m_network, QUrl(source), CloudAvatar::maxDownloadBytes, fetchTimeoutMs);
    if (!reply)
        return false;
    m_inFlight.insert(source, reply);
    connect(reply, &QNetworkReply::finished, this, [this, reply, source] { onReplyFinished(reply, source); });
    return true;
}

QPixmap GameCardImageCache::picture(const QString &source)
{
    if (!CloudAvatar::isNetworkSource(source))
        return CloudAvatar::loadLocal(source);
    QPixmap cached;
    if (!lookup(source, &cached))
        fetch(source);
    return cached;
}

void GameCardImageCache::onReplyFinished(QNetworkReply *reply, const QString &source)
{
    reply->deleteLater();
    if (m_inFlight.value(source) == reply)
        m_inFlight.remove(source);
    const QImage image = CloudAvatar::decode(BoundedGet::body(reply));
    const bool ok = !image.isNull();
    if (ok)
        insert(source, QPixmap::fromImage(image));
    emit fetchFinished(source, ok);
}

qint64 GameCardImageCache::byteCount() const
{
    qint64 bytes = 0;
    for (const QPixmap &pixmap : m_pixmaps)
        bytes += qint64(pixmap.width()) * pixmap.height() * pixmap.depth() / 8;
    return bytes;
}

void GameCardImageCache::clear()
{
    for (const QPointer<QNetworkReply> &reply : std::as_const(m_inFlight)) {
        if (reply) {
            reply->disconnect(this);
            reply->abort();
            reply->deleteLater();
        }
    }
    m_inFlight.clear();
    m_pixmaps.clear();
    m_order.clear();
}
