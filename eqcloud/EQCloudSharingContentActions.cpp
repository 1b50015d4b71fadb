// The sharing page's card actions, the API results they lead to, the
// downloads tab, applying presets and the session's end.
#include "eqcloud/EQCloudSharingContent.h"

#include "widgets/SearchWidget.h"
#include "cloud/EqApi.h"
#include "cloud/LoginController.h"
#include "eqcloud/EQCloudListController.h"
#include "eqcloud/EQCloudDeleteConfirmDialog.h"
#include "eqcloud/EQCloudListModel.h"
#include "language/SettingsStore.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QSettings>
#include <QTimer>

using EarphoneApi::CloudEQItem;
using EarphoneApi::CloudEQOperation;

namespace {

constexpr int kToastMs = 1000;

} // namespace

QString EQCloudSharingContent::messageText(const QString &message, const QString &fallback)
{
    const QString trimmed = message.trimmed();
    if (trimmed.isEmpty())
        return fallback;
    const QString friendly = LoginController::friendlyNetworkErrorText(trimmed);
    return friendly.isEmpty() ? trimmed : friendly;
}

void EQCloudSharingContent::onCardActionRequested(EQCloudGameCardDelegate::Action action, int row)
{
    if (!m_listModel || row < 0 || row >= m_listModel->rowCount() || int(action) > EQCloudGameCardDelegate::MyDelete)
        return;
    const CloudEQItem item = m_listModel->itemAt(row);
    const int id = EQCloudListModel::cloudIdOf(item);

    switch (action) {
    case EQCloudGameCardDelegate::Download:
        if (!m_listController)
            return;
        m_pendingDownloadToasts.insert(id);
        m_listController->operate(row, CloudEQOperation::Download);
        return;
    case EQCloudGameCardDelegate::Like:
        if (!m_listController)
            return;
        // A second click before the answer is dropped by the controller; the
        // first click's request keeps its toast.
        if (!m_listController->isOperationPending(id, CloudEQOperation::Like))
            m_pendingLikeRequests.insert(id, EQCloudListModel::isFlagSet(item.isLike) ? 0 : 1);
        m_listController->operate(row, CloudEQOperation::Like);
        return;
    case EQCloudGameCardDelegate::Collect:
        if (!m_listController)
            return;
        if (!m_listController->isOperationPending(id, CloudEQOperation::Collect))
            m_pendingCollectRequests.insert(id, EQCloudListModel::isFlagSet(item.isColl) ? 0 : 1);
        m_listController->operate(row, CloudEQOperation::Collect);
        return;
    case EQCloudGameCardDelegate::ShareCode:
        copyShareCodeFromCard(item.share_code);
        return;
    case EQCloudGameCardDelegate::Preview:
    case EQCloudGameCardDelegate::DlPreview:
        showPreview(item);
        return;
    case EQCloudGameCardDelegate::DlShare:
        onCloudDownloadShareCodeRequested(item.share_code);
        return;
    case EQCloudGameCardDelegate::DlDelete:
        onCloudDownloadDeleteRequested(id);
        return;
    case EQCloudGameCardDelegate::DlApply:
        onCloudDownloadApplyRequested(id);
        return;
    case EQCloudGameCardDelegate::MyDelete:
        deleteMyShare(id);
        return;
    }
}

void EQCloudSharingContent::copyShareCodeFromCard(const QString &shareCode)
{
    const QString code = shareCode.trimmed();
    if (code.isEmpty()) {
        showInfoToast(tr("分享码为空，无法复制"), kToastMs);
        return;
    }
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(code);
    showInfoToast(tr("分享码已复制。"), kToastMs);
}

bool EQCloudSharingContent::askDelete(int cloudId, QSet<int> &deleting, int kind)
{
    if (cloudId < 1) {
        showInfoToast(tr("删除失败：无效条目"), kToastMs);
        return false;
    }
    if (!m_eqApi) {
        showInfoToast(tr("删除失败：接口未就绪"), kToastMs);
        return false;
    }
    if (deleting.contains(cloudId)) {
        showInfoToast(tr("正在删除，请稍候"), kToastMs);
        return false;
    }
    // The question is modal: the API may have been taken away meanwhile.
    if (!confirmDelete(kind) || !m_eqApi)
        return false;
    deleting.insert(cloudId);
    showInfoToast(tr("删除中..."), kToastMs);
    return true;
}

void EQCloudSharingContent::deleteMyShare(int cloudId)
{
    if (askDelete(cloudId, m_deletingMyShares, 1))
        m_eqApi->deleteCloudEQ(cloudId);
}

void EQCloudSharingContent::onCloudDownloadPreviewClicked(const CloudEQItem &item)
{
    showPreview(item);
}

void EQCloudSharingContent::onCloudOperated(CloudEQOperation operation, int status, int cloudId)
{
    if (operation == CloudEQOperation::Download) {
        if (m_pendingDownloadToasts.remove(cloudId))
            showSuccessToast(tr("下载成功！"), kToastMs);
        return;
    }
    QHash<int, int> *pending = operation == CloudEQOperation::Like      ? &m_pendingLikeRequests
                               : operation == CloudEQOperation::Collect ? &m_pendingCollectRequests
                                                                         : nullptr;
    if (!pending)
        return;
    const auto it = pending->constFind(cloudId);
    if (it == pending->constEnd() || *it != status)
        return;
    pending->remove(cloudId);
    if (operation == CloudEQOperation::Like)
        showSuccessToast(status == 1 ? tr("已点赞！") : tr("已取消点赞！"), kToastMs);
    else
        showSuccessToast(status == 1 ? tr("收藏成功！") : tr("已取消收藏！"), kToastMs);
}

void EQCloudSharingContent::onCloudOperateFailed(CloudEQOperation operation, int, int cloudId, int,
                                                 const QString &message)
{
    if (operation == CloudEQOperation::Download) {
        if (m_pendingDownloadToasts.remove(cloudId))
            showErrorToast(messageText(message, tr("下载失败！")), kToastMs);
        return;
    }
    QHash<int, int> *pending = operation == CloudEQOperation::Like      ? &m_pendingLikeRequests
                               : operation == CloudEQOperation::Collect ? &m_pendingCollectRequests
                                                                         : nullptr;
    if (!pending || !pending->contains(cloudId))
        return;
    const int requested = pending->take(cloudId);
    QString fallback;
    if (operation == CloudEQOperation::Like)
        fallback = requested == 1 ? tr("点赞失败！") : tr("取消点赞失败！");
    else
        fallback = requested == 1 ? tr("收藏失败！") : tr("取消收藏失败！");
    showErrorToast(messageText(message, fallback), kToastMs);
}

void EQCloudSharingContent::clearPendingMarks()
{
    m_pendingDownloadToasts.clear();
    m_pendingLikeRequests.clear();
    m_pendingCollectRequests.clear();
}

void EQCloudSharingContent::onCloudListErrorOccurred(int errorCode, const QString &message)
{
    clearPendingMarks();
    // After a failed page the next one is asked by the user's scrolling, not by
    // the underfilled-view test, so a failing server is not asked in a loop.
    m_viewportCheckTimer->stop();
    showInfoToast(messageText(message, tr("请求失败（错误码 %1）").arg(errorCode)), kToastMs);
}

void EQCloudSharingContent::onControllerRequireLogin()
{
    clearPendingMarks();
    showLoginToast();
}

void EQCloudSharingContent::onDownloadListReceived(const QList<CloudEQItem> &items)
{
    // A list asked before the sign-out must not fill the emptied tab again.
    if (currentTab() != DownloadsTab || !signedIn())
        return;
    m_listModel->setItems(items, int(items.size()));
    restoreLastSelected();
}

void EQCloudSharingContent::onDownloadListFailed(int errorCode, const QString &message)
{
    if (currentTab() != DownloadsTab)
        return;
    m_listModel->clear();
    showInfoToast(messageText(message, tr("下载列表获取失败（错误码 %1）").arg(errorCode)), kToastMs);
}

QString EQCloudSharingContent::lastSelectedKey() const
{
    if (!m_loginController || !m_loginController->isLoggedIn())
        return QString();
    const QString uid = m_loginController->loadStoredUserInfo().uid.trimmed();
    if (uid.isEmpty())
        return QString();
    return QStringLiteral("eq/cloudDownload/lastSelected/%1/%2").arg(uid, EQCloudListController::normalisedPid(m_pid));
}

QString EQCloudSharingContent::readLastSelected() const
{
    const QString key = lastSelectedKey();
    return key.isEmpty() ? QString() : SettingsStore::value(key).toString().trimmed();
}

void EQCloudSharingContent::writeLastSelected(const QString &id)
{
    const QString key = lastSelectedKey();
    if (key.isEmpty() || id.isEmpty())
        return;
    QSettings settings;
    SettingsStore::setValue(settings, key, id);
    if (!SettingsStore::commit(settings))
        emit settingsNotSaved();
}

void EQCloudSharingContent::removeLastSelected()
{
    const QString key = lastSelectedKey();
    QSettings settings;
    // Nothing recorded is nothing to lose.
    if (key.isEmpty() || !SettingsStore::contains(settings, key))
        return;
    SettingsStore::remove(settings, key);
    if (!SettingsStore::commit(settings))
        emit settingsNotSaved();
}

void EQCloudSharingContent::restoreLastSelected()
{
    if (!m_listModel)
        return;
    if (m_coordinator && m_coordinator->activeSource() != EQActiveProfileCoordinator::CloudDownload)
        return;
    const QString stored = readLastSelected();
    if (stored.isEmpty() || m_listModel->rowOfId(stored) < 0)
        return;
    m_appliedId = stored;
    updateDelegateState();
}

void EQCloudSharingContent::onCloudDownloadApplyRequested(int cloudId)
{
    if (cloudId < 1)
        return;
    if (!signedIn()) {
        showInfoToast(tr("请先登录"), kToastMs);
        return;
    }
    const QString id = QString::number(cloudId);
    if (m_coordinator && m_coordinator->activeSource() == EQActiveProfileCoordinator::CloudDownload
        && m_coordinator->activeId().trimmed() == id) {
        m_appliedId = id;
        updateDelegateState();
        // Already the active preset: the window sends it to the headset again.
        m_coordinator->reemitActiveSelection();
    } else {
        writeLastSelected(id);
        if (m_coordinator) {
            m_coordinator->setActiveSelection(EQActiveProfileCoordinator::CloudDownload, id);
        } else {
            m_appliedId = id;
            updateDelegateState();
        }
    }
    showInfoToast(tr("已应用"), kToastMs);
}

void EQCloudSharingContent::onCloudSharingApplyRequested(int cloudId)
{
    if (!signedIn()) {
        showInfoToast(tr("请先登录"), kToastMs);
        return;
    }
    CloudEQItem item;
    if (!findCloudItemById(QString::number(cloudId), item)) {
        showErrorToast(tr("应用失败：未找到该音效"), kToastMs);
        return;
    }
    // A preset that is not downloaded is no longer the one to restore.
    removeLastSelected();
    emit cloudListEphemeralApplyRequested(item);
    showInfoToast(tr("已应用"), kToastMs);
}

bool EQCloudSharingContent::findCloudItemById(const QString &id, CloudEQItem &item) const
{
    const QString wanted = id.trimmed();
    if (wanted.isEmpty() || !m_listModel)
        return false;
    const int row = m_listModel->rowOfId(wanted);
    if (row < 0)
        return false;
    item = m_listModel->itemAt(row);
    return true;
}

void EQCloudSharingContent::onActiveSelectionChanged(EQActiveProfileCoordinator::Source source, const QString &id)
{
    if (source == EQActiveProfileCoordinator::CloudDownload)
        m_appliedId = id.trimmed();
    else
        m_appliedId.clear();
    updateDelegateState();
}

void EQCloudSharingContent::onCloudDownloadShareCodeRequested(const QString &shareCode)
{
    const QString code = shareCode.trimmed();
    if (code.isEmpty()) {
        showInfoToast(tr("分享码为空，复制失败"), kToastMs);
        return;
    }
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    clipboard->setText(code);
    if (clipboard->text().trimmed() == code)
        showInfoToast(tr("分享码已复制"), kToastMs);
    else
        showInfoToast(tr("复制失败，请重试"), kToastMs);
}

void EQCloudSharingContent::onCloudDownloadDeleteRequested(int cloudId)
{
    if (askDelete(cloudId, m_deletingDownloads, 0))
        m_eqApi->deleteDownloadRecord(cloudId);
}

void EQCloudSharingContent::onDownloadRecordDeleted(int cloudId)
{
    m_deletingDownloads.remove(cloudId);
    const QString id = QString::number(cloudId);
    const bool wasApplied = m_appliedId == id;
    if (readLastSelected() == id)
        removeLastSelected();
    if (currentTab() == DownloadsTab && m_eqApi && m_listModel) {
        if (wasApplied)
            m_appliedId.clear();
        m_listModel->clear();
        m_eqApi->getDownloadList(pidAsInt());
    }
    if (wasApplied && m_coordinator && m_coordinator->activeSource() == EQActiveProfileCoordinator::CloudDownload
        && m_coordinator->activeId().trimmed() == id)
        m_coordinator->clearActiveSelection();
    showInfoToast(tr("删除成功"), kToastMs);
}

void EQCloudSharingContent::onDownloadRecordDeleteFailed(int, const QString &message)
{
    m_deletingDownloads.clear();
    showInfoToast(messageText(message, tr("删除失败")), kToastMs);
}

void EQCloudSharingContent::onCloudEQDeleted(int cloudId)
{
    m_deletingMyShares.remove(cloudId);
    showInfoToast(tr("删除成功"), kToastMs);
    if (currentTab() == MySharingTab)
        reloadList();
}

void EQCloudSharingContent::onCloudEQDeleteFailed(int, const QString &message)
{
    m_deletingMyShares.clear();
    showInfoToast(messageText(message, tr("删除失败")), kToastMs);
}

void EQCloudSharingContent::onLoginSessionTokenChanged(const QString &token)
{
    if (token.trimmed().isEmpty()) {
        const bool wasCloudDownload =
            m_coordinator && m_coordinator->activeSource() == EQActiveProfileCoordinator::CloudDownload;
        m_listController->stopTimers();
        m_appliedId.clear();
        m_deletingDownloads.clear();
        m_deletingMyShares.clear();
        m_myShareDirty = false;
        m_loadMoreQueued = false;
        m_initialLoadDone = false;
        m_searchWidget->setText(QString());
        m_listController->clearKeyword();
        m_listModel->clear();
        // The downloads tab keeps late list replies out of its rows.
        m_listController->setActive(currentTab() != DownloadsTab);
        // The session ended, maybe on the server's word: no change of the user's.
        if (wasCloudDownload)
            m_coordinator->clearActiveSelection(EQActiveProfileCoordinator::Change::ByProgram);
        updateDelegateState();
        showInfoToast(tr("账号已退出，云端数据已清空"), kToastMs);
        return;
    }
    if (!isVisible() || !m_eqApi || !m_listController || !signedIn())
        return;
    if (currentTab() == DownloadsTab)
        m_eqApi->getDownloadList(pidAsInt());
    else if (m_listController->isActive())
        reloadList();
}

void EQCloudSharingContent::onCloudShareUploadSucceededElsewhere()
{
    if (m_listController && signedIn())
        m_myShareDirty = true;
    if (currentTab() != DownloadsTab && isVisible())
        scheduleReload();
}
