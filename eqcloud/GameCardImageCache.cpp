#include "eqcloud/GameCardImageCache.h"

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
    // A stalled picture server must not hold a source "in flight" for ever.
    m_network->setTransferTimeout(20000);
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
    m_pixmaps.insert(source, pixmap);
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
    QNetworkRequest request{QUrl(source)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = m_network->get(request);
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
    QPixmap pixmap;
    const bool ok = reply->error() == QNetworkReply::NoError && pixmap.loadFromData(reply->readAll());
    if (ok)
        insert(source, pixmap);
    emit fetchFinished(source, ok);
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
