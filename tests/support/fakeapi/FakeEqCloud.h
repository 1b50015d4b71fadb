#pragma once

#include "tests/support/fakeapi/FakeHttpRequest.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QSet>
#include <QString>

#include <optional>

namespace FakeApi {

// The EQ side of the fake API: official sound lists and game types per
// product, and the shared EQ curves with their per-user like, collect and
// download marks. Each handler gets the request and the signed-in user's uid
// (empty on routes without a token) and returns the reply envelope.
class EqCloud
{
public:
    struct SharedEq
    {
        int id = 0;
        QString uid; // owner
        QString pid;
        QJsonObject fields; // name, desc, cate_id, freq, q, sound, type, main_gain, nickName ...
        QSet<QString> likedBy;
        QSet<QString> collectedBy;
        QSet<QString> downloadedBy;
    };

    void setSoundList(const QString &pid, const QJsonArray &effects) { m_soundLists.insert(pid, effects); }
    void setGameTypes(const QString &pid, const QJsonArray &gameTypes) { m_gameTypes.insert(pid, gameTypes); }
    // Adds a shared EQ owned by `uid`; returns its id.
    int addShared(const QString &uid, const QString &pid, const QJsonObject &fields);
    // Marks of another user on a shared EQ, so that a list shows counts.
    void addMarks(int id, const QString &uid, bool like, bool collect, bool download);
    std::optional<SharedEq> shared(int id) const;
    int sharedCount() const { return m_shared.size(); }

    QJsonObject soundList(const HttpRequest &r) const;
    QJsonObject gameType(const HttpRequest &r) const;
    QJsonObject cloudList(const HttpRequest &r, const QString &uid) const;
    QJsonObject downloadList(const HttpRequest &r, const QString &uid) const;
    QJsonObject cloudOperate(const HttpRequest &r, const QString &uid);
    QJsonObject cloudDel(const HttpRequest &r, const QString &uid);
    QJsonObject downloadDel(const HttpRequest &r, const QString &uid);
    QJsonObject saveCloud(const HttpRequest &r, const QString &uid);

private:
    // The item as the server lists it, with the marks of the asking user.
    // Band lists go out as texts holding a JSON array, as the real server does.
    static QJsonObject itemJson(const SharedEq &eq, const QString &uid);

    QHash<QString, QJsonArray> m_soundLists;
    QHash<QString, QJsonArray> m_gameTypes;
    QMap<int, SharedEq> m_shared;
    int m_nextId = 101;
};

} // namespace FakeApi
