#pragma once

#include "cloud/CloudEQItem.h"
#include "cloud/CloudEQOperation.h"
#include "eqcloud/EQCloudTimings.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

class EQCloudListModel;
class LoginController;
class QTimer;

namespace EarphoneApi {
class EqApi;
}

// The paged list of EQ curves users shared to the cloud, for one product id,
// one tab, one sort order and an optional keyword, plus the per-card marks
// (download, like, collect) with optimistic updates. Replies of another
// product or tab, or landing while no one is signed in, are stale and only end
// the loading state. GUI thread only.
class EQCloudListController : public QObject
{
    Q_OBJECT
public:
    enum TabMode : int {
        CloudSharing = 0,
        MySharing = 1,
        Collected = 2,
    };
    Q_ENUM(TabMode)

    enum SortMode : int {
        MostDownloads = 0,
        MostCollected = 1,
        MostLiked = 2,
        Newest = 3,
    };
    Q_ENUM(SortMode)

    explicit EQCloudListController(QObject *parent = nullptr);
    ~EQCloudListController() override;

    EQCloudListModel *model() const { return m_model; }

    void setEqApi(EarphoneApi::EqApi *eqApi);
    void setLoginController(LoginController *loginController);
    void setTimings(const EQCloudTimings &timings) { m_timings = timings; }

    // Reloads at once when the product changes; the other setters only store.
    void setPid(const QString &pid);
    void setTabMode(TabMode mode);
    void setSortMode(SortMode mode);
    void setKeyword(const QString &keyword);
    void clearKeyword();
    void setActive(bool active);

    void refresh();
    // A refresh after a quiet time; each call restarts the wait.
    void scheduleRefresh();
    void stopTimers();
    void requestPage(bool reset);
    void loadNextPageIfNeeded();
    bool hasMore() const;
    void operate(int row, EarphoneApi::CloudEQOperation operation);
    // True while a mark of this card and kind is sent and not yet answered.
    bool isOperationPending(int cloudId, EarphoneApi::CloudEQOperation operation) const;

    QString pid() const { return m_pid; }
    TabMode tabMode() const { return m_tabMode; }
    SortMode sortMode() const { return m_sortMode; }
    QString keyword() const { return m_keyword; }
    int pageIndex() const { return m_pageIndex; }
    int pageSize() const { return m_pageSize; }
    int totalCount() const { return m_totalCount; }
    bool isLoading() const { return m_loading; }
    bool isActive() const { return m_active; }

    // A product id as the list asks it: trimmed, "1" when empty.
    static QString normalisedPid(const QString &pid);
    static QString orderByForSortMode(SortMode mode);
    // The (listType, share) pair a tab is asked as; share -1 leaves the field out.
    static void listQueryForTab(TabMode mode, int *listType, int *share);
    // A failure worth one silent retry: a transport failure, not a server answer.
    static bool isWeakNetworkError(int errorCode, const QString &message);

signals:
    void loadingChanged(bool loading);
    void errorOccurred(int errorCode, const QString &message);
    void requireLogin();

private slots:
    void onListReceived(const QList<EarphoneApi::CloudEQItem> &items, int totalCount, int requestPageIndex,
                        const QString &requestPid);
    void onListFailed(int errorCode, const QString &message, int requestPageIndex, const QString &requestPid);
    void onOperateSucceeded(EarphoneApi::CloudEQOperation operation, int status, int cloud_id);
    void onOperateFailed(EarphoneApi::CloudEQOperation operation, int status, int cloud_id, int errorCode,
                         const QString &message);
    void onRefreshDebounceTimeout();
    void onWeakNetFirstPageRetryTimeout();

private:
    struct PendingOperation
    {
        int previousFlag = 0;
        int requestedStatus = 0;
    };

    struct QuerySnapshot
    {
        TabMode tab = CloudSharing;
        QString pid;
        QString keyword;
        SortMode sort = MostDownloads;
    };

    bool signedIn() const;
    void setLoading(bool loading);
    bool pidBelongs(const QString &requestPid) const;
    bool tabBelongs(int requestPageIndex) const;
    void resetRetryState();
    static QString operationKey(int cloudId, EarphoneApi::CloudEQOperation operation);

    QPointer<EarphoneApi::EqApi> m_eqApi;
    QPointer<LoginController> m_loginController;
    EQCloudListModel *m_model = nullptr;
    QString m_pid = QStringLiteral("1");
    TabMode m_tabMode = CloudSharing;
    SortMode m_sortMode = MostDownloads;
    QString m_keyword;
    int m_pageIndex = 1;
    int m_pageSize = 15;
    int m_totalCount = 0;
    int m_lastPageCount = 0;
    bool m_loading = false;
    bool m_active = true;
    QHash<QString, PendingOperation> m_pendingOperations;
    QTimer *m_refreshDebounceTimer = nullptr;
    int m_debounceBusyRetries = 0;
    QTimer *m_weakNetRetryTimer = nullptr;
    QuerySnapshot m_retrySnapshot;
    int m_weakNetRetryCount = 0;
    EQCloudTimings m_timings;
};
