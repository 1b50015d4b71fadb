#include "cloud/EqApi.h"

#include "cloud/EqJsonReaders.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkReply>

#include <algorithm>
#include <limits>

namespace EarphoneApi {

namespace {

const QString notCreated = QStringLiteral("Network request not created");

const char *const propSoundListPid = "eqSoundListPid";
const char *const propPageIndex = "requestPageIndex";
const char *const propCloudListPid = "cloudListPid";
const char *const propCloudId = "cloud_id";
const char *const propOperation = "operation";
const char *const propStatus = "status";

template <typename T, typename Reader>
QList<T> readList(const QJsonValue &data, Reader reader)
{
    QList<T> list;
    for (const QJsonObject &object : jsonObjectList(data))
        list.append(reader(object));
    return list;
}

int totalCountOf(const QJsonValue &data)
{
    const QJsonObject pageInfo = data.toObject().value(QLatin1String("pageInfo")).toObject();
    const QJsonValue total = pageInfo.value(QLatin1String("total"));
    if (!total.isUndefined() && !total.isNull())
        return jsonInt(total);
    const qint64 product = qint64(jsonInt(pageInfo.value(QLatin1String("pageCount"))))
                           * jsonInt(pageInfo.value(QLatin1String("pageSize")));
    return static_cast<int>(std::clamp<qint64>(product, std::numeric_limits<int>::min(),
                                               std::numeric_limits<int>::max()));
}

QList<CloudEQItem> cloudItemsOf(const QJsonValue &data)
{
    QList<CloudEQItem> items;
    const QJsonValue all = data.toObject().value(QLatin1String("allData"));
    if (!all.isArray())
        return items;
    for (const QJsonValue &element : all.toArray()) {
        if (element.isObject())
            items.append(parseCloudEQItem(element.toObject()));
    }
    return items;
}

} // namespace

EqApi::EqApi(QObject *parent) : ApiManager(parent) {}

EqApi::~EqApi() = default;

int EqApi::cloudListRequestPageIndex(int listType, int share, int pageIndex)
{
    return ((share != -1 ? 10 : 0) + listType) * 1000 + pageIndex;
}

bool EqApi::takeCurrent(QPointer<QNetworkReply> &slot)
{
    QNetworkReply *reply = senderReply();
    if (!reply)
        return false;
    if (slot.isNull() || slot.data() != reply) {
        reply->deleteLater();
        return false;
    }
    slot.clear();
    return true;
}

QNetworkReply *EqApi::getEQEffects(const QString &pid)
{
    dropPending(m_soundListReply);
    QMap<QString, QString> params;
    params.insert(QStringLiteral("pid"), pid);
    QNetworkReply *reply = postMultipart(QStringLiteral("home/common/soundList"), params, soundListTimeoutMs);
    if (!reply) {
        emit eqEffectsFailed(-1, notCreated, pid);
        return nullptr;
    }
    reply->setProperty(propSoundListPid, pid);
    connect(reply, &QNetworkReply::finished, this, &EqApi::handleEQEffectsResponse);
    m_soundListReply = reply;
    return reply;
}

QNetworkReply *EqApi::getGameTypes(const QString &pid)
{
    QUrlQuery form;
    addFormField(form, QStringLiteral("pid"), pid);
    return watchReply(postForm(QStringLiteral("home/cloud/gameType"), form, -1), &EqApi::handleGameTypesResponse,
                      failWith(&EqApi::gameTypesFailed), notCreated);
}

QNetworkReply *EqApi::getCloudEQList(const QString &pid, int listType, int share, const QString &orderBy,
                                     const QString &keyword, int pageIndex, int pageSize)
{
    dropPending(m_cloudListReply);
    QString pidText = pid.trimmed();
    if (pidText.isEmpty())
        pidText = QStringLiteral("1");

    QMap<QString, QString> params;
    params.insert(QStringLiteral("pid"), pidText);
    params.insert(QStringLiteral("listType"), QString::number(listType));
    if (share != -1)
        params.insert(QStringLiteral("share"), QString::number(share));
    params.insert(QStringLiteral("order_by"), orderBy);
    if (!keyword.isEmpty())
        params.insert(QStringLiteral("keyword"), keyword);
    params.insert(QStringLiteral("pageIndex"), QString::number(pageIndex));
    params.insert(QStringLiteral("pageSize"), QString::number(pageSize));

    const int requestPageIndex = cloudListRequestPageIndex(listType, share, pageIndex);
    QNetworkReply *reply = postMultipart(QStringLiteral("home/cloud/cloudList"), params, cloudListTimeoutMs);
    if (!reply) {
        emit cloudEQListFailed(-1, notCreated, requestPageIndex, pidText);
        return nullptr;
    }
    reply->setProperty(propPageIndex, requestPageIndex);
    reply->setProperty(propCloudListPid, pidText);
    connect(reply, &QNetworkReply::finished, this, &EqApi::handleCloudEQListResponse);
    m_cloudListReply = reply;
    return reply;
}

QNetworkReply *EqApi::getDownloadList(int pid)
{
    QUrlQuery form;
    addFormField(form, QStringLiteral("pid"), QString::number(pid));
    return watchReply(postForm(QStringLiteral("home/cloud/downloadList"), form, downloadListTimeoutMs),
                      &EqApi::handleDownloadListResponse, failWith(&EqApi::downloadListFailed), notCreated);
}

QNetworkReply *EqApi::operateCloudEQ(int cloudId, CloudEQOperation operation, int status)
{
    QUrlQuery form;
    addFormField(form, QStringLiteral("cloud_id"), QString::number(cloudId));
    addFormField(form, QStringLiteral("operate"), QString::number(static_cast<int>(operation)));
    addFormField(form, QStringLiteral("status"), QString::number(status));
    QNetworkReply *reply = postForm(QStringLiteral("home/cloud/cloudOperate"), form, -1);
    if (!reply) {
        emit cloudEQOperateFailed(operation, status, cloudId, -1, notCreated);
        return nullptr;
    }
    reply->setProperty(propCloudId, cloudId);
    reply->setProperty(propOperation, static_cast<int>(operation));
    reply->setProperty(propStatus, status);
    connect(reply, &QNetworkReply::finished, this, &EqApi::handleCloudEQOperateResponse);
    return reply;
}

QNetworkReply *EqApi::deleteCloudEQ(int cloudId)
{
    QUrlQuery form;
    addFormField(form, QStringLiteral("cloud_id"), QString::number(cloudId));
    QNetworkReply *reply = watchReply(postForm(QStringLiteral("home/cloud/cloudDel"), form, -1),
                                      &EqApi::handleDeleteCloudEQResponse, failWith(&EqApi::cloudEQDeleteFailed),
                                      notCreated);
    if (reply)
        reply->setProperty(propCloudId, cloudId);
    return reply;
}

QNetworkReply *EqApi::deleteDownloadRecord(int cloudId)
{
    QUrlQuery form;
    addFormField(form, QStringLiteral("cloud_id"), QString::number(cloudId));
    QNetworkReply *reply = watchReply(postForm(QStringLiteral("home/cloud/downloadDel"), form, -1),
                                      &EqApi::handleDeleteDownloadResponse,
                                      failWith(&EqApi::downloadRecordDeleteFailed), notCreated);
    if (reply)
        reply->setProperty(propCloudId, cloudId);
    return reply;
}

QNetworkReply *EqApi::uploadCloudEQ(const QString &name, const QString &desc, const QString &uid, const QString &pid,
                                    const QString &cateId, const QStringList &freq, const QStringList &q,
                                    const QStringList &sound, const QStringList &type, int mainGain)
{
    const QJsonObject body{
        {QStringLiteral("name"), name},
        {QStringLiteral("desc"), desc},
        {QStringLiteral("uid"), uid},
        {QStringLiteral("pid"), pid},
        {QStringLiteral("cate_id"), cateId},
        {QStringLiteral("main_gain"), mainGain},
        {QStringLiteral("freq"), QJsonArray::fromStringList(freq)},
        {QStringLiteral("q"), QJsonArray::fromStringList(q)},
        {QStringLiteral("sound"), QJsonArray::fromStringList(sound)},
        {QStringLiteral("type"), QJsonArray::fromStringList(type)},
    };
    return watchReply(postJson(QStringLiteral("home/cloud/saveCloud"), body), &EqApi::handleCloudEQUploadResponse,
                      failWith(&EqApi::cloudEQUploadFailed), notCreated);
}

void EqApi::handleEQEffectsResponse()
{
    if (!takeCurrent(m_soundListReply))
        return;
    QString requestPid = senderReply()->property(propSoundListPid).toString().trimmed();
    if (requestPid.isEmpty())
        requestPid = QStringLiteral("1");
    const auto envelope = takeReply([this, requestPid](int code, const QString &message) {
        emit eqEffectsFailed(code, message, requestPid);
    });
    if (envelope)
        emit eqEffectsReceived(readList<EQEffect>(envelope->data, &EQEffect::fromJson), requestPid);
}

void EqApi::handleEQCategoriesResponse()
{
    if (const auto envelope = takeReply(failWith(&EqApi::eqCategoriesFailed)))
        emit eqCategoriesReceived(readList<EQCategory>(envelope->data, &parseEQCategory));
}

void EqApi::handleGameTypesResponse()
{
    if (const auto envelope = takeReply(failWith(&EqApi::gameTypesFailed)))
        emit gameTypesReceived(readList<EQCategory>(envelope->data, &parseEQCategory));
}

void EqApi::handleCloudEQUploadResponse()
{
    if (takeReply(failWith(&EqApi::cloudEQUploadFailed)))
        emit cloudEQUploaded();
}

void EqApi::handleCloudEQListResponse()
{
    if (!takeCurrent(m_cloudListReply))
        return;
    const QNetworkReply *reply = senderReply();
    const int requestPageIndex = std::max(1, reply->property(propPageIndex).toInt());
    const QString requestPid = reply->property(propCloudListPid).toString().trimmed();
    const auto envelope = takeReply([this, requestPageIndex, requestPid](int code, const QString &message) {
        emit cloudEQListFailed(code, message, requestPageIndex, requestPid);
    });
    if (!envelope)
        return;
    QList<CloudEQItem> items;
    int totalCount = 0;
    if (envelope->data.isObject()) {
        items = cloudItemsOf(envelope->data);
        totalCount = totalCountOf(envelope->data);
    }
    emit cloudEQListReceived(items, totalCount, requestPageIndex, requestPid);
}

void EqApi::handleCloudEQOperateResponse()
{
    const QNetworkReply *reply = senderReply();
    if (!reply)
        return;
    const auto operation = static_cast<CloudEQOperation>(reply->property(propOperation).toInt());
    const int status = reply->property(propStatus).toInt();
    const int cloudId = reply->property(propCloudId).toInt();
    const auto envelope = takeReply([this, operation, status, cloudId](int code, const QString &message) {
        emit cloudEQOperateFailed(operation, status, cloudId, code, message);
    });
    if (envelope)
        emit cloudEQOperated(operation, status, cloudId);
}

void EqApi::handleDownloadListResponse()
{
    if (const auto envelope = takeReply(failWith(&EqApi::downloadListFailed)))
        emit downloadListReceived(readList<CloudEQItem>(envelope->data, &parseCloudEQItem));
}

void EqApi::handleDeleteDownloadResponse()
{
    const QNetworkReply *reply = senderReply();
    if (!reply)
        return;
    const int cloudId = reply->property(propCloudId).toInt();
    if (takeReply(failWith(&EqApi::downloadRecordDeleteFailed)))
        emit downloadRecordDeleted(cloudId);
}

void EqApi::handleDeleteCloudEQResponse()
{
    const QNetworkReply *reply = senderReply();
    if (!reply)
        return;
    const int cloudId = reply->property(propCloudId).toInt();
    if (takeReply(failWith(&EqApi::cloudEQDeleteFailed)))
        emit cloudEQDeleted(cloudId);
}

} // namespace EarphoneApi
