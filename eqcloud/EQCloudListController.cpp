#include "eqcloud/EQCloudListController.h"

#include "cloud/EqApi.h"
#include "cloud/LoginController.h"
#include "eqcloud/EQCloudListModel.h"

#include <QTimer>

#include <algorithm>

using EarphoneApi::CloudEQItem;
using EarphoneApi::CloudEQOperation;

EQCloudListController::EQCloudListController(QObject *parent) : QObject(parent)
{
    m_model = new EQCloudListModel(this);
    m_refreshDebounceTimer = new QTimer(this);
    m_refreshDebounceTimer->setObjectName(QStringLiteral("refreshDebounceTimer"));
    m_refreshDebounceTimer->setSingleShot(true);
    connect(m_refreshDebounceTimer, &QTimer::timeout, this, &EQCloudListController::onRefreshDebounceTimeout);
    m_weakNetRetryTimer = new QTimer(this);
    m_weakNetRetryTimer->setObjectName(QStringLiteral("weakNetRetryTimer"));
    m_weakNetRetryTimer->setSingleShot(true);
    connect(m_weakNetRetryTimer, &QTimer::timeout, this, &EQCloudListController::onWeakNetFirstPageRetryTimeout);
}

EQCloudListController::~EQCloudListController() = default;

void EQCloudListController::setEqApi(EarphoneApi::EqApi *eqApi)
{
    if (m_eqApi == eqApi)
        return;
    resetRetryState();
    if (m_eqApi)
        disconnect(m_eqApi, nullptr, this, nullptr);
    m_eqApi = eqApi;
    if (!eqApi)
        return;
    connect(eqApi, &EarphoneApi::EqApi::cloudEQListReceived, this, &EQCloudListController::onListReceived);
    connect(eqApi, &EarphoneApi::EqApi::cloudEQListFailed, this, &EQCloudListController::onListFailed);
    connect(eqApi, &EarphoneApi::EqApi::cloudEQOperated, this, &EQCloudListController::onOperateSucceeded);
    connect(eqApi, &EarphoneApi::EqApi::cloudEQOperateFailed, this, &EQCloudListController::onOperateFailed);
}

void EQCloudListController::setLoginController(LoginController *loginController)
{
    m_loginController = loginController;
}

QString EQCloudListController::normalisedPid(const QString &pid)
{
    const QString trimmed = pid.trimmed();
    return trimmed.isEmpty() ? QStringLiteral("1") : trimmed;
}

void EQCloudListController::setPid(const QString &pid)
{
    const QString trimmed = normalisedPid(pid);
    if (trimmed == m_pid)
        return;
    m_pid = trimmed;
    resetRetryState();
    m_pageIndex = 1;
    m_totalCount = 0;
    m_lastPageCount = 0;
    m_model->clear();
    requestPage(true);
}

void EQCloudListController::setTabMode(TabMode mode)
{
    if (mode == m_tabMode)
        return;
    m_tabMode = mode;
    m_totalCount = 0;
    m_lastPageCount = 0;
    m_pageIndex = 1;
    m_model->clear();
}

void EQCloudListController::setSortMode(SortMode mode)
{
    m_sortMode = mode;
}

void EQCloudListController::setKeyword(const QString &keyword)
{
    const QString trimmed = keyword.trimmed();
    if (trimmed != m_keyword)
        m_keyword = trimmed;
}

void EQCloudListController::clearKeyword()
{
    if (!m_keyword.isEmpty())
        m_keyword.clear();
}

void EQCloudListController::setActive(bool active)
{
    m_active = active;
}

void EQCloudListController::refresh()
{
    resetRetryState();
    requestPage(true);
}

void EQCloudListController::scheduleRefresh()
{
    m_debounceBusyRetries = 0;
    m_refreshDebounceTimer->start(m_timings.refreshDebounceMs);
}

void EQCloudListController::stopTimers()
{
    resetRetryState();
}

void EQCloudListController::resetRetryState()
{
    m_refreshDebounceTimer->stop();
    m_weakNetRetryTimer->stop();
    m_debounceBusyRetries = 0;
    m_weakNetRetryCount = 0;
}

bool EQCloudListController::signedIn() const
{
    return m_loginController && m_loginController->isLoggedIn();
}

void EQCloudListController::setLoading(bool loading)
{
    m_loading = loading;
    emit loadingChanged(loading);
}

void EQCloudListController::requestPage(bool reset)
{
    if (!m_active)
        return;
    if (m_loading) {
        if (!reset)
            return;
        setLoading(false);
    }
    if (!signedIn())
        return;
    if (!m_eqApi) {
        emit errorOccurred(-1, QStringLiteral("EqApi not available"));
        return;
    }
    setLoading(true);

    int page = 1;
    if (reset) {
        m_totalCount = 0;
        m_lastPageCount = 0;
    } else {
        if (!m_keyword.isEmpty()) {
            // A search answers with one page only.
            setLoading(false);
            return;
        }
        page = std::max(1, m_pageIndex + 1);
    }
    m_pageIndex = page;

    int listType = 1;
    int share = -1;
    listQueryForTab(m_tabMode, &listType, &share);
    // The rows stay until the first page's reply replaces them.
    m_eqApi->getCloudEQList(m_pid, listType, share, orderByForSortMode(m_sortMode), m_keyword, m_pageIndex,
                            m_pageSize);
}

void EQCloudListController::loadNextPageIfNeeded()
{
    if (hasMore())
        requestPage(false);
}

bool EQCloudListController::hasMore() const
{
    if (m_loading || !m_keyword.isEmpty())
        return false;
    if (m_lastPageCount < m_pageSize)
        return false;
    if (m_totalCount >= 1 && m_model->rowCount() >= m_totalCount)
        return false;
    return true;
}

QString EQCloudListController::orderByForSortMode(SortMode mode)
{
    switch (mode) {
    case MostDownloads: return QStringLiteral("download_num");
    case MostCollected: return QStringLiteral("coll_num");
    case MostLiked: return QStringLiteral("like_num");
    case Newest: return QStringLiteral("add_time");
    }
    return QStringLiteral("download_num");
}

void EQCloudListController::listQueryForTab(TabMode mode, int *listType, int *share)
{
    *listType = 1;
    *share = -1;
    if (mode == MySharing)
        *share = 2;
    else if (mode == Collected)
        *listType = 2;
}

bool EQCloudListController::isWeakNetworkError(int errorCode, const QString &message)
{
    const QString text = message.trimmed();
    const auto has = [&text](const char *part) { return text.contains(QLatin1String(part), Qt::CaseInsensitive); };
    if (has("Operation canceled") || errorCode >= 1)
        return false;
    if (errorCode < 0)
        return true;
    return has("timeout") || has("timed out") || (has("Host") && has("not found")) || has("Could not connect")
           || has("Connection refused") || has("Network is unreachable") || (has("SSL") && has("error"));
}

bool EQCloudListController::pidBelongs(const QString &requestPid) const
{
    const QString pid = requestPid.trimmed();
    return pid.isEmpty() || pid == m_pid;
}

bool EQCloudListController::tabBelongs(int requestPageIndex) const
{
    int listType = 1;
    int share = -1;
    listQueryForTab(m_tabMode, &listType, &share);
    // The reply's tag is this tab's, made by the API's own encoder, for the page it carries.
    return requestPageIndex
           == EarphoneApi::EqApi::cloudListRequestPageIndex(listType, share, requestPageIndex % 1000);
}

void EQCloudListController::onListReceived(const QList<CloudEQItem> &items, int totalCount, int requestPageIndex,
                                           const QString &requestPid)
{
    // A reply that lands after the sign-out belongs to the account that left.
    if (pidBelongs(requestPid) && m_active && signedIn() && tabBelongs(requestPageIndex)) {
        const bool firstPage = requestPageIndex % 1000 < 2;
        if (firstPage)
            m_model->setItems(items, totalCount);
        else
            m_model->appendItems(items, totalCount);
        m_lastPageCount = int(items.size());
        m_totalCount = totalCount >= 1 ? totalCount : m_model->rowCount();
        if (firstPage)
            m_weakNetRetryCount = 0;
    }
    setLoading(false);
}

void EQCloudListController::onListFailed(int errorCode, const QString &message, int requestPageIndex,
                                         const QString &requestPid)
{
    setLoading(false);
    if (!pidBelongs(requestPid) || !tabBelongs(requestPageIndex))
        return;
    const int page = requestPageIndex % 1000;
    const bool firstPage = page < 2;
    // A lost later page is asked again by the next paging step instead of being skipped.
    if (!firstPage && page == m_pageIndex)
        m_pageIndex = page - 1;
    if (!m_active)
        return;
    if (firstPage && m_weakNetRetryCount < 1 && isWeakNetworkError(errorCode, message)) {
        m_weakNetRetryCount = 1;
        m_retrySnapshot = {m_tabMode, m_pid, m_keyword, m_sortMode};
        m_weakNetRetryTimer->start(m_timings.weakNetRetryMs);
        return;
    }
    emit errorOccurred(errorCode, message);
}

void EQCloudListController::onWeakNetFirstPageRetryTimeout()
{
    if (!m_active || !m_eqApi || !signedIn() || m_loading)
        return;
    if (m_retrySnapshot.tab != m_tabMode || m_retrySnapshot.pid != m_pid || m_retrySnapshot.keyword != m_keyword
        || m_retrySnapshot.sort != m_sortMode)
        return;
    requestPage(true);
}

void EQCloudListController::onRefreshDebounceTimeout()
{
    if (!m_active || !m_eqApi)
        return;
    if (!m_loading) {
        m_debounceBusyRetries = 0;
        m_weakNetRetryCount = 0;
        m_weakNetRetryTimer->stop();
        requestPage(true);
        return;
    }
    if (++m_debounceBusyRetries > m_timings.refreshBusyRetryLimit) {
        m_debounceBusyRetries = 0;
        return;
    }
    m_refreshDebounceTimer->start(m_timings.refreshBusyRetryMs);
}

QString EQCloudListController::operationKey(int cloudId, CloudEQOperation operation)
{
    return QStringLiteral("%1#%2").arg(cloudId).arg(int(operation));
}

void EQCloudListController::operate(int row, CloudEQOperation operation)
{
    if (m_loading)
        return;
    if (!signedIn()) {
        emit requireLogin();
        return;
    }
    if (!m_eqApi || !m_model) {
        emit errorOccurred(-1, QStringLiteral("EqApi not available"));
        return;
    }
    bool valid = false;
    const CloudEQItem item = m_model->itemAt(row, &valid);
    if (!valid)
        return;
    const int cloudId = EQCloudListModel::cloudIdOf(item);
    if (cloudId < 1)
        return;

    QString flagText;
    switch (operation) {
    case CloudEQOperation::Download: flagText = item.isDownload; break;
    case CloudEQOperation::Like: flagText = item.isLike; break;
    case CloudEQOperation::Collect: flagText = item.isColl; break;
    default: return;
    }
    const int current = EQCloudListModel::isFlagSet(flagText) ? 1 : 0;
    if (operation == CloudEQOperation::Download && current == 1) {
        // A download is never taken back from the list.
        emit errorOccurred(0, tr("已下载"));
        return;
    }
    const int status = current == 1 ? 0 : 1;
    const QString key = operationKey(cloudId, operation);
    if (m_pendingOperations.contains(key))
        return;

    m_model->applyOperation(cloudId, operation, status);
    m_pendingOperations.insert(key, {current, status});
    m_eqApi->operateCloudEQ(cloudId, operation, status);
}

bool EQCloudListController::isOperationPending(int cloudId, CloudEQOperation operation) const
{
    return m_pendingOperations.contains(operationKey(cloudId, operation));
}

void EQCloudListController::onOperateSucceeded(CloudEQOperation operation, int status, int cloud_id)
{
    // The request is answered whatever the controller shows now: a key left
    // behind would block the card's next click for good.
    m_pendingOperations.remove(operationKey(cloud_id, operation));
    if (!m_model || !m_active)
        return;
    // Only a row that does not show the answer yet moves its counter: one not
    // marked from here, or one reloaded with the state from before the request.
    if (m_model->isMarked(cloud_id, operation) != (status == 1))
        m_model->applyOperation(cloud_id, operation, status);
    if (m_tabMode == Collected && operation == CloudEQOperation::Collect && status == 0) {
        clearKeyword();
        refresh();
    }
}

void EQCloudListController::onOperateFailed(CloudEQOperation operation, int status, int cloud_id, int errorCode,
                                            const QString &message)
{
    const QString key = operationKey(cloud_id, operation);
    const auto pending = m_pendingOperations.constFind(key);
    if (pending != m_pendingOperations.constEnd()) {
        const PendingOperation entry = *pending;
        m_pendingOperations.remove(key);
        // A row reloaded meanwhile already shows the server's state.
        if (m_model && m_model->isMarked(cloud_id, operation) == (entry.requestedStatus == 1))
            m_model->applyOperation(cloud_id, operation, entry.previousFlag);
    }
    Q_UNUSED(status);
    if (m_active)
        emit errorOccurred(errorCode, message);
}
