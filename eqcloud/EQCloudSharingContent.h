#pragma once

#include "cloud/CloudEQItem.h"
#include "cloud/CloudEQOperation.h"
#include "eq/EQActiveProfileCoordinator.h"
#include "eqcloud/EQCloudGameCardDelegate.h"
#include "eqcloud/EQCloudTimings.h"

#include <QHash>
#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QSet>
#include <QWidget>

class EQCloudCardListView;
class EQCloudDeleteConfirmDialog;
class EQCloudListController;
class EQCloudListModel;
class EQCloudPreviewDialog;
class PageToast;
class EQSoundEffectTestWidget;
class GradientButton;
class LoginController;
class QButtonGroup;
class QFrame;
class QHBoxLayout;
class QTimer;
class QVBoxLayout;
class SearchWidget;
class TabItem;

namespace EarphoneApi {
class EqApi;
}

// The cloud page of the EQ section: shared EQs of all users, the user's
// favourites, the user's own shares and the user's downloads, as cards, with
// sorting, search, marks, preview, apply and delete. The main window hands it
// the EQ API, the login session and the product id; the EQ coordinator says
// which preset is active. Results show as toasts over the window.
class EQCloudSharingContent : public QWidget
{
    Q_OBJECT
public:
    enum Tab {
        CloudTab = 0,
        CollectedTab = 1,
        MySharingTab = 2,
        DownloadsTab = 3,
    };

    explicit EQCloudSharingContent(QWidget *parent = nullptr);
    ~EQCloudSharingContent() override;

    void setEqApi(EarphoneApi::EqApi *eqApi);
    void setLoginController(LoginController *loginController);
    void setActiveProfileCoordinator(EQActiveProfileCoordinator *coordinator);
    void setPid(const QString &pid);
    void setSoundTestState(bool wired, bool wireless, const QString &name);
    void setTimings(const EQCloudTimings &timings);

    // Closes the delete question and the preview; the device page calls it on page switches.
    void dismissPopups();
    void closePreview();

    // The first row whose trimmed id equals `id`; false when none.
    bool findCloudItemById(const QString &id, EarphoneApi::CloudEQItem &item) const;

    void showInfoToast(const QString &text, int ms);
    void showSuccessToast(const QString &text, int ms);
    void showErrorToast(const QString &text, int ms);

    // The settings key of the last applied download for the stored user and
    // this product; empty when no user is signed in.
    QString lastSelectedKey() const;

    // Read-only views for the window and for tests.
    Tab currentTab() const;
    QString appliedId() const { return m_appliedId; }
    QString pid() const { return m_pid; }
    EQCloudListController *listController() const { return m_listController; }
    EQCloudCardListView *cardView() const { return m_cardView; }
    EQCloudGameCardDelegate *cardDelegate() const { return m_cardDelegate; }
    EQCloudPreviewDialog *previewDialog() const { return m_previewDialog; }
    EQCloudDeleteConfirmDialog *confirmDialog() const;
    PageToast *toast() const { return m_toast; }
    TabItem *tabItem(Tab tab) const;
    GradientButton *sortButton(int index) const;
    SearchWidget *searchWidget() const { return m_searchWidget; }
    QFrame *tabIndicator() const { return m_indicator; }

signals:
    // The main window applies this shared preset without recording a download.
    void cloudListEphemeralApplyRequested(const EarphoneApi::CloudEQItem &item);
    // The download last applied could not be recorded in the settings store:
    // it holds for this session only.
    void settingsNotSaved();

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private slots:
    void onListLoadingChanged(bool loading);
    void onTabToggled(bool selected);
    void onSearchClicked();
    void onSortToggled(bool checked);
    void onModelReset();
    void onRowsInserted(const QModelIndex &parent, int first, int last);
    void onControllerRequireLogin();
    void onLoginSessionTokenChanged(const QString &token);
    void onCloudShareUploadSucceededElsewhere();
    void onCloudListErrorOccurred(int errorCode, const QString &message);
    void onCloudDownloadPreviewClicked(const EarphoneApi::CloudEQItem &item);
    void onCloudDownloadShareCodeRequested(const QString &shareCode);
    void onCloudDownloadDeleteRequested(int cloudId);
    void onCloudDownloadApplyRequested(int cloudId);
    void onCloudSharingApplyRequested(int cloudId);
    void onActiveSelectionChanged(EQActiveProfileCoordinator::Source source, const QString &id);

private:
    // Construction and layout (EQCloudSharingContent.cpp).
    void buildUi();
    QWidget *buildHeader();
    void connectParts();
    void retranslateUi();
    void updateTabWidths();
    void applyTabLayout();
    void placeIndicator();
    void updateDelegateState();
    void startViewportCheck();
    void onLoadMoreRequested();
    bool signedIn() const;
    void showLoginToast();
    void reloadList();
    void scheduleReload();
    void tryInitialLoad();
    int pidAsInt() const;
    void requestDownloadList();

    // Card actions and API results (EQCloudSharingContentActions.cpp).
    void onCardActionRequested(EQCloudGameCardDelegate::Action action, int row);
    void onCloudOperated(EarphoneApi::CloudEQOperation operation, int status, int cloudId);
    void onCloudOperateFailed(EarphoneApi::CloudEQOperation operation, int status, int cloudId, int errorCode,
                              const QString &message);
    void onDownloadListReceived(const QList<EarphoneApi::CloudEQItem> &items);
    void onDownloadListFailed(int errorCode, const QString &message);
    void onDownloadRecordDeleted(int cloudId);
    void onDownloadRecordDeleteFailed(int errorCode, const QString &message);
    void onCloudEQDeleted(int cloudId);
    void onCloudEQDeleteFailed(int errorCode, const QString &message);
    void copyShareCodeFromCard(const QString &shareCode);
    void deleteMyShare(int cloudId);
    // The checks and the question before a delete; true when it may be sent.
    bool askDelete(int cloudId, QSet<int> &deleting, int kind);
    void restoreLastSelected();
    QString readLastSelected() const;
    // Both are the user's changes: a refused write is announced (settingsNotSaved).
    void writeLastSelected(const QString &id);
    void removeLastSelected();
    void clearPendingMarks();
    static QString messageText(const QString &message, const QString &fallback);

    // Pop-ups over the page (EQCloudSharingContentPopups.cpp).
    void showPreview(const EarphoneApi::CloudEQItem &item);
    void ensurePreviewDialog();
    void onPreviewApplyClicked();
    bool confirmDelete(int kind);
    void showToast(const QString &text, int kind, int ms);

    // Widgets.
    QVBoxLayout *m_pageLayout = nullptr;
    QWidget *m_header = nullptr;
    QWidget *m_tabColumn = nullptr;
    QVBoxLayout *m_tabColumnLayout = nullptr;
    QHBoxLayout *m_tabRow = nullptr;
    QWidget *m_sortRow = nullptr;
    QList<TabItem *> m_tabs;
    TabItem *m_currentTab = nullptr;
    QFrame *m_indicator = nullptr;
    SearchWidget *m_searchWidget = nullptr;
    EQSoundEffectTestWidget *m_soundTest = nullptr;
    QList<GradientButton *> m_sortButtons;
    QButtonGroup *m_sortGroup = nullptr;
    EQCloudCardListView *m_cardView = nullptr;
    EQCloudGameCardDelegate *m_cardDelegate = nullptr;
    EQCloudListController *m_listController = nullptr;
    EQCloudListModel *m_listModel = nullptr;
    EQCloudPreviewDialog *m_previewDialog = nullptr;
    QPointer<EQCloudDeleteConfirmDialog> m_confirmDialog;
    PageToast *m_toast = nullptr;
    QTimer *m_viewportCheckTimer = nullptr;

    // Services, not owned.
    QPointer<EarphoneApi::EqApi> m_eqApi;
    QPointer<LoginController> m_loginController;
    QPointer<EQActiveProfileCoordinator> m_coordinator;
    QMetaObject::Connection m_sessionConnection;

    // State.
    QString m_pid = QStringLiteral("1");
    bool m_initialLoadDone = false;
    bool m_myShareDirty = false;
    bool m_loadMoreQueued = false;
    QString m_appliedId;
    QSet<int> m_pendingDownloadToasts;
    QHash<int, int> m_pendingLikeRequests;
    QHash<int, int> m_pendingCollectRequests;
    QSet<int> m_deletingDownloads;
    QSet<int> m_deletingMyShares;
    EQCloudTimings m_timings;
};
