#include "tests/support/fakeapi/FakeEqCloud.h"

#include "tests/support/fakeapi/FakeApiBackend.h"

#include <QJsonDocument>

#include <algorithm>

namespace FakeApi {

namespace {

QJsonObject fail(int code, const QString &message)
{
    return Backend::envelope(code, message);
}

QJsonObject ok(const QJsonValue &data = QJsonValue())
{
    return Backend::envelope(0, QStringLiteral("成功"), data);
}

QString compactText(const QJsonValue &value)
{
    if (value.isArray())
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    return value.toString();
}

bool readInt(const HttpRequest &r, const QString &name, int *out)
{
    bool ok = false;
    *out = r.field(name).toInt(&ok);
    return ok;
}

} // namespace

int EqCloud::addShared(const QString &uid, const QString &pid, const QJsonObject &fields)
{
    SharedEq eq;
    eq.id = m_nextId++;
    eq.uid = uid;
    eq.pid = pid;
    eq.fields = fields;
    m_shared.insert(eq.id, eq);
    return eq.id;
}

void EqCloud::addMarks(int id, const QString &uid, bool like, bool collect, bool download)
{
    const auto it = m_shared.find(id);
    if (it == m_shared.end())
        return;
    if (like)
        it->likedBy.insert(uid);
    if (collect)
        it->collectedBy.insert(uid);
    if (download)
        it->downloadedBy.insert(uid);
}

std::optional<EqCloud::SharedEq> EqCloud::shared(int id) const
{
    const auto it = m_shared.constFind(id);
    if (it == m_shared.constEnd())
        return std::nullopt;
    return *it;
}

QJsonObject EqCloud::itemJson(const SharedEq &eq, const QString &uid)
{
    QJsonObject o = eq.fields;
    o.insert(QStringLiteral("id"), eq.id);
    o.insert(QStringLiteral("uid"), eq.uid);
    o.insert(QStringLiteral("pid"), eq.pid);
    for (const char *band : {"freq", "q", "sound", "type"}) {
        const QString key = QLatin1String(band);
        if (o.contains(key))
            o.insert(key, compactText(o.value(key)));
    }
    o.insert(QStringLiteral("like_num"), static_cast<int>(eq.likedBy.size()));
    o.insert(QStringLiteral("coll_num"), static_cast<int>(eq.collectedBy.size()));
    o.insert(QStringLiteral("download_num"), static_cast<int>(eq.downloadedBy.size()));
    o.insert(QStringLiteral("isLike"), eq.likedBy.contains(uid) ? 1 : 0);
    o.insert(QStringLiteral("isColl"), eq.collectedBy.contains(uid) ? 1 : 0);
    o.insert(QStringLiteral("isDownload"), eq.downloadedBy.contains(uid) ? 1 : 0);
    return o;
}

QJsonObject EqCloud::soundList(const HttpRequest &r) const
{
    const QString pid = r.field(QStringLiteral("pid"));
    if (pid.isEmpty())
        return fail(2052, QStringLiteral("pid不能为空"));
    return ok(m_soundLists.value(pid));
}

QJsonObject EqCloud::gameType(const HttpRequest &r) const
{
    const QString pid = r.field(QStringLiteral("pid"));
    if (pid.isEmpty())
        return fail(2052, QStringLiteral("pid不能为空"));
    return ok(m_gameTypes.value(pid));
}

QJsonObject EqCloud::cloudList(const HttpRequest &r, const QString &uid) const
{
    const QString pid = r.field(QStringLiteral("pid"));
    if (pid.isEmpty())
        return fail(2052, QStringLiteral("pid不能为空"));
    int pageIndex = 0;
    int pageSize = 0;
    if (!readInt(r, QStringLiteral("pageIndex"), &pageIndex) || pageIndex < 1)
        return fail(1006, QStringLiteral("页码不能为空"));
    if (!readInt(r, QStringLiteral("pageSize"), &pageSize) || pageSize < 1)
        return fail(1007, QStringLiteral("每页条数不能为空"));
    const int listType = r.field(QStringLiteral("listType")).toInt();
    const bool ownShares = r.hasField(QStringLiteral("share")) && r.field(QStringLiteral("share")) == QLatin1String("2");
    const QString keyword = r.field(QStringLiteral("keyword"));
    const QString orderBy = r.field(QStringLiteral("order_by"));

    QList<SharedEq> matching;
    for (const SharedEq &eq : m_shared) {
        if (eq.pid != pid)
            continue;
        if (listType == 2 && !eq.collectedBy.contains(uid))
            continue;
        if (listType == 1 && ownShares && eq.uid != uid)
            continue;
        if (!keyword.isEmpty()
            && !eq.fields.value(QStringLiteral("name")).toString().contains(keyword, Qt::CaseInsensitive))
            continue;
        matching.append(eq);
    }
    std::stable_sort(matching.begin(), matching.end(), [&orderBy](const SharedEq &a, const SharedEq &b) {
        if (orderBy == QLatin1String("like_num"))
            return a.likedBy.size() > b.likedBy.size();
        if (orderBy == QLatin1String("download_num"))
            return a.downloadedBy.size() > b.downloadedBy.size();
        return a.id > b.id; // newest first
    });

    QJsonArray page;
    const qsizetype first = qsizetype(pageIndex - 1) * pageSize;
    for (qsizetype i = first; i < matching.size() && i < first + pageSize; ++i)
        page.append(itemJson(matching.at(i), uid));
    const int total = static_cast<int>(matching.size());
    const QJsonObject pageInfo{{QStringLiteral("total"), total},
                               {QStringLiteral("pageIndex"), pageIndex},
                               {QStringLiteral("pageSize"), pageSize},
                               {QStringLiteral("pageCount"), (qint64(total) + pageSize - 1) / pageSize}};
    return ok(QJsonObject{{QStringLiteral("allData"), page}, {QStringLiteral("pageInfo"), pageInfo}});
}

QJsonObject EqCloud::downloadList(const HttpRequest &r, const QString &uid) const
{
    const QString pid = r.field(QStringLiteral("pid"));
    QJsonArray items;
    for (const SharedEq &eq : m_shared) {
        if (eq.pid == pid && eq.downloadedBy.contains(uid))
            items.append(itemJson(eq, uid));
    }
    return ok(items);
}

QJsonObject EqCloud::cloudOperate(const HttpRequest &r, const QString &uid)
{
    int cloudId = 0;
    int operate = 0;
    int status = 0;
    if (!readInt(r, QStringLiteral("cloud_id"), &cloudId) || !readInt(r, QStringLiteral("operate"), &operate)
        || !readInt(r, QStringLiteral("status"), &status) || operate < 1 || operate > 3 || status < 0 || status > 1)
        return fail(2042, QStringLiteral("修改失败"));
    auto it = m_shared.find(cloudId);
    if (it == m_shared.end())
        return fail(2042, QStringLiteral("修改失败"));
    QSet<QString> &marks = operate == 1 ? it->downloadedBy : operate == 2 ? it->likedBy : it->collectedBy;
    if (status == 1)
        marks.insert(uid);
    else
        marks.remove(uid);
    return ok();
}

QJsonObject EqCloud::cloudDel(const HttpRequest &r, const QString &uid)
{
    int cloudId = 0;
    readInt(r, QStringLiteral("cloud_id"), &cloudId);
    const auto it = m_shared.find(cloudId);
    if (it == m_shared.end() || it->uid != uid)
        return fail(3005, QStringLiteral("参数用户uid有误"));
    m_shared.erase(it);
    return ok();
}

QJsonObject EqCloud::downloadDel(const HttpRequest &r, const QString &uid)
{
    int cloudId = 0;
    readInt(r, QStringLiteral("cloud_id"), &cloudId);
    auto it = m_shared.find(cloudId);
    if (it == m_shared.end() || !it->downloadedBy.remove(uid))
        return fail(2042, QStringLiteral("修改失败"));
    return ok();
}

QJsonObject EqCloud::saveCloud(const HttpRequest &r, const QString &uid)
{
    const QJsonObject body = r.json;
    const auto text = [&body](const char *key) { return body.value(QLatin1String(key)).toString(); };
    if (!r.jsonBody)
        return fail(1000, QStringLiteral("接口地址错误"));
    if (text("name").isEmpty())
        return fail(3000, QStringLiteral("名字为空"));
    if (text("desc").isEmpty())
        return fail(3001, QStringLiteral("描述为空"));
    if (text("uid").isEmpty())
        return fail(3002, QStringLiteral("用户uid为空"));
    if (text("pid").isEmpty())
        return fail(3003, QStringLiteral("产品pid为空"));
    if (text("cate_id").isEmpty())
        return fail(3004, QStringLiteral("产品分类为空"));
    if (text("uid") != uid)
        return fail(4002, QStringLiteral("token与uid不匹配"));
    QJsonObject fields;
    for (const char *key : {"name", "desc", "cate_id", "main_gain", "freq", "q", "sound", "type"})
        fields.insert(QLatin1String(key), body.value(QLatin1String(key)));
    addShared(uid, text("pid"), fields);
    return ok();
}

} // namespace FakeApi
