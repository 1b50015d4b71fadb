#pragma once

#include <QHash>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QStringList>

class QNetworkAccessManager;
class QNetworkReply;

// The process-wide picture cache of the cloud cards: each network source is
// fetched once (bounded in size and time) and kept at the size it is drawn
// (CloudAvatar::keptSide), the least recently used leaving first beyond the
// limit. Created on first use as a child of the application. GUI thread only.
class GameCardImageCache : public QObject
{
    Q_OBJECT
public:
    static constexpr int limit = 300;
    // A fetch that takes longer than this in all is given up.
    static constexpr int fetchTimeoutMs = 20000;

    static GameCardImageCache *instance();

    // A hit moves the source to the most recent end.
    bool lookup(const QString &source, QPixmap *pixmap);
    // Stores (or replaces) the picture, made no larger than it is kept, as
    // the most recent one and trims the cache.
    void insert(const QString &source, const QPixmap &pixmap);
    // Starts a GET unless one for the source is in flight; false when none was started.
    bool fetch(const QString &source);
    // The picture a source gives now: a network one from the cache (a miss
    // starts its fetch), anything else read as a resource or local file.
    // Null when there is none yet.
    QPixmap picture(const QString &source);

    bool contains(const QString &source) const { return m_pixmaps.contains(source); }
    bool isInFlight(const QString &source) const;
    int size() const { return int(m_pixmaps.size()); }
    // The pixel bytes of the pictures held.
    qint64 byteCount() const;
    QStringList order() const { return m_order; }
    void clear();

signals:
    // A fetch ended; on success the picture is in the cache already.
    void fetchFinished(const QString &source, bool ok);

private:
    explicit GameCardImageCache(QObject *parent);
    void onReplyFinished(QNetworkReply *reply, const QString &source);
    void touch(const QString &source);

    QNetworkAccessManager *m_network = nullptr;
    QHash<QString, QPixmap> m_pixmaps;
    QHash<QString, QPointer<QNetworkReply>> m_inFlight;
    QStringList m_order;
};
