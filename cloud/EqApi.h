#pragma once

#include "cloud/ApiManager.h"
#include "cloud/CloudEQItem.h"
#include "cloud/CloudEQOperation.h"
#include "cloud/EQCategory.h"
#include "cloud/EQEffect.h"

#include <QList>
#include <QPointer>

namespace EarphoneApi {

// EQ data of the API: official sound lists, game types, the shared ("cloud")
// EQ list, the user's downloads, marks on shared EQs, deletions and uploads.
// At most one sound-list and one cloud-list request are in flight: a newer one
// silently replaces the older. GUI thread only.
class EqApi : public ApiManager
{
    Q_OBJECT
public:
    static constexpr int soundListTimeoutMs = 20000;
    static constexpr int cloudListTimeoutMs = 22000;
    static constexpr int downloadListTimeoutMs = 18000;

    explicit EqApi(QObject *parent = nullptr);
    ~EqApi() override;

    // Each returns the running reply, or null after having emitted the
    // operation's failure signal (-1, "Network request not created").
    QNetworkReply *getEQEffects(const QString &pid);
    QNetworkReply *getGameTypes(const QString &pid);
    // share -1 leaves the "share" field out; an empty keyword leaves "keyword" out.
    // The reply is tagged with requestPageIndex = ((share != -1 ? 10 : 0) + listType) * 1000 + pageIndex.
    QNetworkReply *getCloudEQList(const QString &pid, int listType, int share, const QString &orderBy,
                                  const QString &keyword, int pageIndex, int pageSize);
    QNetworkReply *getDownloadList(int pid);
    // status 1 sets the mark, 0 takes it back.
    QNetworkReply *operateCloudEQ(int cloudId, EarphoneApi::CloudEQOperation operation, int status);
    QNetworkReply *deleteCloudEQ(int cloudId);
    QNetworkReply *deleteDownloadRecord(int cloudId);
    // The band values go out as the texts given.
    QNetworkReply *uploadCloudEQ(const QString &name, const QString &desc, const QString &uid, const QString &pid,
                                 const QString &cateId, const QStringList &freq, const QStringList &q,
                                 const QStringList &sound, const QStringList &type, int mainGain);

    static int cloudListRequestPageIndex(int listType, int share, int pageIndex);

signals:
    void eqEffectsReceived(const QList<EarphoneApi::EQEffect> &effects, const QString &requestPid);
    void eqEffectsFailed(int errorCode, const QString &message, const QString &requestPid);
    void eqCategoriesReceived(const QList<EarphoneApi::EQCategory> &categories);
    void eqCategoriesFailed(int errorCode, const QString &message);
    void gameTypesReceived(const QList<EarphoneApi::EQCategory> &gameTypes);
    void gameTypesFailed(int errorCode, const QString &message);
    void cloudEQUploaded();
    void cloudEQUploadFailed(int errorCode, const QString &message);
    void cloudEQListReceived(const QList<EarphoneApi::CloudEQItem> &items, int totalCount, int requestPageIndex,
                             const QString &requestPid);
    void cloudEQListFailed(int errorCode, const QString &message, int requestPageIndex, const QString &requestPid);
    void cloudEQOperated(EarphoneApi::CloudEQOperation operation, int status, int cloud_id);
    void cloudEQOperateFailed(EarphoneApi::CloudEQOperation operation, int status, int cloud_id, int errorCode,
                              const QString &message);
    void downloadListReceived(const QList<EarphoneApi::CloudEQItem> &items);
    void downloadListFailed(int errorCode, const QString &message);
    void downloadRecordDeleted(int cloud_id);
    void downloadRecordDeleteFailed(int errorCode, const QString &message);
    void cloudEQDeleted(int cloud_id);
    void cloudEQDeleteFailed(int errorCode, const QString &message);

private slots:
    void handleEQEffectsResponse();
    // The category list has no request operation; its reply would land here.
    void handleEQCategoriesResponse();
    void handleGameTypesResponse();
    void handleCloudEQUploadResponse();
    void handleCloudEQListResponse();
    void handleCloudEQOperateResponse();
    void handleDownloadListResponse();
    void handleDeleteDownloadResponse();
    void handleDeleteCloudEQResponse();

private:
    // The handler's staleness check: true (and the slot cleared) when the
    // sender is the reply held in `slot`; otherwise the sender is only deleted.
    bool takeCurrent(QPointer<QNetworkReply> &slot);

    QPointer<QNetworkReply> m_soundListReply;
    QPointer<QNetworkReply> m_cloudListReply;
};

} // namespace EarphoneApi
