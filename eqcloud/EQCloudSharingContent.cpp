#include "eqcloud/EQCloudSharingContent.h"

#include "widgets/GradientButton.h"
#include "widgets/SearchWidget.h"
#include "widgets/TabItem.h"
#include "cloud/EqApi.h"
#include "cloud/LoginController.h"
#include "eq/EQSoundEffectTestWidget.h"
#include "eq/PageToast.h"
#include "eqcloud/EQCloudCardListView.h"
#include "eqcloud/EQCloudDeleteConfirmDialog.h"
#include "eqcloud/EQCloudListController.h"
#include "eqcloud/EQCloudListModel.h"
#include "eqcloud/EQCloudPreviewDialog.h"
#include "eqcloud/EQCloudResources.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The narrowest a tab gets; a longer title widens its tab by this much on each side.
constexpr int kTabWidth = 82;
constexpr int kTabTitlePadding = 13;
constexpr int kToastMs = 1000;

} // namespace

EQCloudSharingContent::EQCloudSharingContent(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("EQCloudSharingContent"));
    m_listController = new EQCloudListController(this);
    m_listModel = m_listController->model();
    m_toast = new PageToast(this, {QStringLiteral("EQCloudToastFrame"), EQCloudResources::toastInfo,
                                   EQCloudResources::toastSucceed, EQCloudResources::toastFail});
    buildUi();
    ensurePreviewDialog();
    connectParts();
    retranslateUi();
    m_listController->setTabMode(EQCloudListController::CloudSharing);
    m_listController->setSortMode(EQCloudListController::MostDownloads);
    updateDelegateState();
}

EQCloudSharingContent::~EQCloudSharingContent() = default;

void EQCloudSharingContent::buildUi()
{
    m_pageLayout = new QVBoxLayout(this);
    m_pageLayout->setContentsMargins(31, 35, 31, 30);
    m_pageLayout->setSpacing(23);
    m_pageLayout->addWidget(buildHeader());

    m_cardView = new EQCloudCardListView(this);
    m_cardView->setObjectName(QStringLiteral("EQCloudCardListView"));
    m_cardView->setStyleSheet(
        QStringLiteral("QListView#EQCloudCardListView { background: transparent; border: none; }"));
    m_cardView->setMinimumWidth(1020);
    m_cardView->setModel(m_listModel);
    m_cardDelegate = new EQCloudGameCardDelegate(m_cardView);
    m_cardDelegate->setView(m_cardView);
    m_cardView->setItemDelegate(m_cardDelegate);
    m_cardView->polishVerticalScrollBarStyle();
    m_pageLayout->addWidget(m_cardView, 1);

    m_viewportCheckTimer = new QTimer(this);
    m_viewportCheckTimer->setObjectName(QStringLiteral("viewportCheckTimer"));
    m_viewportCheckTimer->setSingleShot(true);
    connect(m_viewportCheckTimer, &QTimer::timeout, m_cardView, &EQCloudCardListView::checkViewportUnderfilled);
}

QWidget *EQCloudSharingContent::buildHeader()
{
    m_header = new QWidget(this);
    m_header->setObjectName(QStringLiteral("EQCloudSharingHeader"));
    m_header->setFixedHeight(94);
    auto *headerRow = new QHBoxLayout(m_header);
    headerRow->setContentsMargins(0, 0, 0, 0);
    headerRow->setSpacing(0);

    m_tabColumn = new QWidget(m_header);
    m_tabColumnLayout = new QVBoxLayout(m_tabColumn);
    m_tabColumnLayout->setContentsMargins(0, 0, 0, 0);
    m_tabColumnLayout->setSpacing(32);

    m_tabRow = new QHBoxLayout;
    m_tabRow->setContentsMargins(0, 0, 0, 0);
    m_tabRow->setSpacing(0);
    for (int i = 0; i < 4; ++i) {
        auto *tab = new TabItem(QString(), m_tabColumn);
        tab->setObjectName(QStringLiteral("EQCloudTab%1").arg(i));
        // The page draws one moving indicator instead of the tabs' own underline.
        tab->setHovered(false);
        m_tabs.append(tab);
        m_tabRow->addWidget(tab);
    }
    m_tabRow->addStretch(1);
    m_tabColumnLayout->addLayout(m_tabRow);

    m_sortRow = new QWidget(m_tabColumn);
    auto *sortLayout = new QHBoxLayout(m_sortRow);
    sortLayout->setContentsMargins(0, 0, 0, 0);
    sortLayout->setSpacing(12);
    m_sortGroup = new QButtonGroup(this);
    m_sortGroup->setExclusive(true);
    for (int i = 0; i < 4; ++i) {
        auto *button = new GradientButton(QString(), m_sortRow);
        button->setObjectName(QStringLiteral("EQCloudSort%1").arg(i));
        button->setFixedSize(93, 31);
        button->setCursor(Qt::PointingHandCursor);
        m_sortGroup->addButton(button, i);
        m_sortButtons.append(button);
        sortLayout->addWidget(button);
    }
    sortLayout->addStretch(1);
    m_tabColumnLayout->addWidget(m_sortRow);
    m_tabColumnLayout->addStretch(1);

    m_indicator = new QFrame(m_tabColumn);
    m_indicator->setObjectName(QStringLiteral("EQCloudTabIndicator"));
    m_indicator->setFixedSize(40, 2);
    m_indicator->setStyleSheet(
        QStringLiteral("QFrame { background-color: #E4E4E4; border-radius: 2px; border: none; }"));
    m_indicator->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto *rightColumn = new QVBoxLayout;
    rightColumn->setContentsMargins(0, 0, 0, 0);
    rightColumn->setSpacing(0);
    m_searchWidget = new SearchWidget(m_header);
    m_searchWidget->setObjectName(QStringLiteral("EQCloudSearch"));
    rightColumn->addWidget(m_searchWidget, 0, Qt::AlignRight);
    m_soundTest = new EQSoundEffectTestWidget(this, 1);
    rightColumn->addWidget(m_soundTest, 1);

    headerRow->addWidget(m_tabColumn);
    headerRow->addStretch(1);
    headerRow->addLayout(rightColumn);

    m_currentTab = m_tabs.at(CloudTab);
    {
        const QSignalBlocker blocker(m_currentTab);
        m_currentTab->setSelected(true);
    }
    {
        const QSignalBlocker blocker(m_sortButtons.first());
        m_sortButtons.first()->setChecked(true);
    }
    return m_header;
}

void EQCloudSharingContent::connectParts()
{
    for (TabItem *tab : std::as_const(m_tabs))
        connect(tab, &TabItem::toggled, this, &EQCloudSharingContent::onTabToggled);
    connect(m_searchWidget, &SearchWidget::searchClicked, this, &EQCloudSharingContent::onSearchClicked);
    for (GradientButton *button : std::as_const(m_sortButtons))
        connect(button, &GradientButton::toggled, this, &EQCloudSharingContent::onSortToggled);
    connect(m_listModel, &QAbstractItemModel::modelReset, this, &EQCloudSharingContent::onModelReset);
    connect(m_listModel, &QAbstractItemModel::rowsInserted, this, &EQCloudSharingContent::onRowsInserted);
    connect(m_cardView, &EQCloudCardListView::nearBottom, this, &EQCloudSharingContent::onLoadMoreRequested);
    connect(m_cardView, &EQCloudCardListView::viewportUnderfilled, this,
            &EQCloudSharingContent::onLoadMoreRequested);
    connect(m_cardDelegate, &EQCloudGameCardDelegate::cardActionRequested, this,
            &EQCloudSharingContent::onCardActionRequested);
    connect(m_listController, &EQCloudListController::requireLogin, this,
            &EQCloudSharingContent::onControllerRequireLogin);
    connect(m_listController, &EQCloudListController::loadingChanged, this,
            &EQCloudSharingContent::onListLoadingChanged);
    connect(m_listController, &EQCloudListController::errorOccurred, this,
            &EQCloudSharingContent::onCloudListErrorOccurred);
}

void EQCloudSharingContent::retranslateUi()
{
    const QString tabTitles[] = {tr("云端共享"), tr("已收藏"), tr("我的共享"), tr("云端下载")};
    for (int i = 0; i < m_tabs.size(); ++i)
        m_tabs.at(i)->setText(tabTitles[i]);
    const QString sortTitles[] = {tr("下载最多"), tr("收藏最多"), tr("点赞最多"), tr("最新")};
    for (int i = 0; i < m_sortButtons.size(); ++i)
        m_sortButtons.at(i)->setText(sortTitles[i]);
    updateTabWidths();
    if (m_previewDialog)
        m_previewDialog->retranslateUi();
    if (m_confirmDialog) {
        m_confirmDialog->retranslateUi();
        m_confirmDialog->fitHeight();
    }
}

void EQCloudSharingContent::updateTabWidths()
{
    int total = 0;
    for (TabItem *tab : std::as_const(m_tabs)) {
        // The title's font comes from its style sheet; measured unpolished it would be the default one.
        tab->ensurePolished();
        const int width = std::max(tab->sizeHint().width() + 2 * kTabTitlePadding, kTabWidth);
        tab->setFixedWidth(width);
        total += width;
    }
    m_tabColumn->setFixedWidth(std::max(total + 102, 408));
    placeIndicator();
}

void EQCloudSharingContent::applyTabLayout()
{
    const bool downloads = currentTab() == DownloadsTab;
    m_pageLayout->setSpacing(downloads ? 19 : 23);
    m_header->setFixedHeight(downloads ? 40 : 94);
    m_tabColumnLayout->setSpacing(downloads ? 0 : 32);
    m_searchWidget->setVisible(!downloads);
    m_sortRow->setVisible(!downloads);
    m_tabColumnLayout->activate();
    placeIndicator();
}

void EQCloudSharingContent::placeIndicator()
{
    if (!m_indicator || !m_currentTab)
        return;
    if (m_tabColumn->layout())
        m_tabColumn->layout()->activate();
    const QRect tab = m_currentTab->geometry();
    m_indicator->move(tab.center().x() - m_indicator->width() / 2 + 1, tab.bottom() - 1);
    m_indicator->raise();
}

EQCloudSharingContent::Tab EQCloudSharingContent::currentTab() const
{
    const int index = int(m_tabs.indexOf(m_currentTab));
    return index < 0 ? CloudTab : static_cast<Tab>(index);
}

TabItem *EQCloudSharingContent::tabItem(Tab tab) const
{
    return m_tabs.value(int(tab));
}

GradientButton *EQCloudSharingContent::sortButton(int index) const
{
    return m_sortButtons.value(index);
}

void EQCloudSharingContent::setTimings(const EQCloudTimings &timings)
{
    m_timings = timings;
    m_listController->setTimings(timings);
    m_cardView->setSettleDelay(timings.viewSettleMs);
    m_toast->setRepeatWindowMs(timings.toastRepeatMs);
}

void EQCloudSharingContent::setEqApi(EarphoneApi::EqApi *eqApi)
{
    if (m_eqApi != eqApi) {
        if (m_eqApi)
            disconnect(m_eqApi, nullptr, this, nullptr);
        m_eqApi = eqApi;
        m_listController->setEqApi(eqApi);
        if (eqApi) {
            using EarphoneApi::EqApi;
            connect(eqApi, &EqApi::downloadListReceived, this, &EQCloudSharingContent::onDownloadListReceived);
            connect(eqApi, &EqApi::downloadListFailed, this, &EQCloudSharingContent::onDownloadListFailed);
            connect(eqApi, &EqApi::downloadRecordDeleted, this, &EQCloudSharingContent::onDownloadRecordDeleted);
            connect(eqApi, &EqApi::downloadRecordDeleteFailed, this,
                    &EQCloudSharingContent::onDownloadRecordDeleteFailed);
            connect(eqApi, &EqApi::cloudEQDeleted, this, &EQCloudSharingContent::onCloudEQDeleted);
            connect(eqApi, &EqApi::cloudEQDeleteFailed, this, &EQCloudSharingContent::onCloudEQDeleteFailed);
            connect(eqApi, &EqApi::cloudEQOperated, this, &EQCloudSharingContent::onCloudOperated);
            connect(eqApi, &EqApi::cloudEQOperateFailed, this, &EQCloudSharingContent::onCloudOperateFailed);
            connect(eqApi, &EqApi::cloudEQUploaded, this,
                    &EQCloudSharingContent::onCloudShareUploadSucceededElsewhere);
        }
    }
    tryInitialLoad();
}

void EQCloudSharingContent::setLoginController(LoginController *loginController)
{
    if (m_loginController != loginController) {
        disconnect(m_sessionConnection);
        m_loginController = loginController;
        m_listController->setLoginController(loginController);
        if (loginController)
            m_sessionConnection = connect(loginController, &LoginController::sessionTokenChanged, this,
                                          &EQCloudSharingContent::onLoginSessionTokenChanged);
    }
    tryInitialLoad();
}

void EQCloudSharingContent::setActiveProfileCoordinator(EQActiveProfileCoordinator *coordinator)
{
    if (m_coordinator == coordinator)
        return;
    if (m_coordinator)
        disconnect(m_coordinator, nullptr, this, nullptr);
    m_coordinator = coordinator;
    if (!coordinator)
        return;
    connect(coordinator, &EQActiveProfileCoordinator::activeSelectionChanged, this,
            &EQCloudSharingContent::onActiveSelectionChanged);
    onActiveSelectionChanged(coordinator->activeSource(), coordinator->activeId());
}

void EQCloudSharingContent::setPid(const QString &pid)
{
    const QString trimmed = EQCloudListController::normalisedPid(pid);
    if (trimmed == m_pid)
        return;
    m_pid = trimmed;
    m_listController->setPid(trimmed);
    if (currentTab() == DownloadsTab && m_eqApi && m_listModel && signedIn())
        m_eqApi->getDownloadList(pidAsInt());
}

void EQCloudSharingContent::setSoundTestState(bool wired, bool wireless, const QString &name)
{
    m_soundTest->setState(wired, wireless, name);
}

int EQCloudSharingContent::pidAsInt() const
{
    bool ok = false;
    const int value = m_pid.trimmed().toInt(&ok);
    return ok ? value : 1;
}

bool EQCloudSharingContent::signedIn() const
{
    return m_loginController && m_loginController->isLoggedIn();
}

void EQCloudSharingContent::showLoginToast()
{
    showInfoToast(tr("该功能需要登录，请先登录。"), kToastMs);
}

void EQCloudSharingContent::reloadList()
{
    m_listController->clearKeyword();
    m_listController->refresh();
    m_myShareDirty = false;
}

void EQCloudSharingContent::scheduleReload()
{
    m_listController->clearKeyword();
    m_listController->scheduleRefresh();
    m_myShareDirty = false;
}

void EQCloudSharingContent::tryInitialLoad()
{
    if (!isVisible() || m_initialLoadDone || !m_listController || !m_listModel || !m_eqApi || !signedIn())
        return;
    m_initialLoadDone = true;
    reloadList();
}

void EQCloudSharingContent::requestDownloadList()
{
    if (signedIn() && m_eqApi && m_listModel)
        m_eqApi->getDownloadList(pidAsInt());
    else if (signedIn())
        showInfoToast(tr("接口未就绪，请稍后重试"), kToastMs);
    else
        showLoginToast();
}

void EQCloudSharingContent::updateDelegateState()
{
    const Tab tab = currentTab();
    m_cardDelegate->setDownloadMode(tab == DownloadsTab);
    m_cardDelegate->setMySharingMode(tab == MySharingTab);
    m_cardDelegate->setAppliedId(m_appliedId);
    m_cardView->viewport()->update();
}

void EQCloudSharingContent::onTabToggled(bool selected)
{
    auto *tab = qobject_cast<TabItem *>(sender());
    if (!tab || !m_tabs.contains(tab))
        return;
    if (!selected) {
        // A tab cannot be switched off, only away from.
        if (tab == m_currentTab) {
            const QSignalBlocker blocker(tab);
            tab->setSelected(true);
        }
        return;
    }

    const Tab target = static_cast<Tab>(m_tabs.indexOf(tab));
    if (currentTab() == DownloadsTab && target != DownloadsTab) {
        m_appliedId.clear();
        // The download rows are not rows of the list the new tab asks for.
        m_listModel->clear();
    }
    for (TabItem *other : std::as_const(m_tabs)) {
        const QSignalBlocker blocker(other);
        other->setSelected(other == tab);
    }
    m_currentTab = tab;
    applyTabLayout();

    if (target == DownloadsTab) {
        m_listController->setActive(false);
        m_appliedId.clear();
        m_listModel->clear();
        requestDownloadList();
    } else {
        static constexpr EQCloudListController::TabMode modes[] = {
            EQCloudListController::CloudSharing, EQCloudListController::Collected, EQCloudListController::MySharing};
        m_listController->setTabMode(modes[target]);
        m_listController->setActive(true);
        if (signedIn()) {
            reloadList();
        } else {
            m_listModel->clear();
            showLoginToast();
        }
    }
    updateDelegateState();
}

void EQCloudSharingContent::onSortToggled(bool checked)
{
    if (!checked)
        return;
    const int index = int(m_sortButtons.indexOf(qobject_cast<GradientButton *>(sender())));
    if (index >= 0)
        m_listController->setSortMode(static_cast<EQCloudListController::SortMode>(index));
    reloadList();
}

void EQCloudSharingContent::onSearchClicked()
{
    m_listController->setKeyword(m_searchWidget->text());
    m_listController->refresh();
}

void EQCloudSharingContent::onLoadMoreRequested()
{
    const auto canLoad = [this] {
        return currentTab() != DownloadsTab && m_listController->isActive() && !m_listController->isLoading()
               && m_listController->hasMore();
    };
    if (!canLoad() || m_loadMoreQueued)
        return;
    m_loadMoreQueued = true;
    QTimer::singleShot(0, this, [this, canLoad] {
        m_loadMoreQueued = false;
        if (canLoad())
            m_listController->loadNextPageIfNeeded();
    });
}

void EQCloudSharingContent::startViewportCheck()
{
    m_viewportCheckTimer->start(m_timings.viewportCheckMs);
}

void EQCloudSharingContent::onListLoadingChanged(bool loading)
{
    if (!loading)
        startViewportCheck();
}

void EQCloudSharingContent::onModelReset()
{
    updateDelegateState();
    startViewportCheck();
}

void EQCloudSharingContent::onRowsInserted(const QModelIndex &parent, int, int)
{
    if (parent.isValid())
        return;
    m_cardView->viewport()->update();
    startViewportCheck();
}

void EQCloudSharingContent::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        retranslateUi();
        m_cardDelegate->clearHover();
        m_cardView->viewport()->update();
        // The server answers in the new language.
        if (m_eqApi && signedIn() && m_initialLoadDone)
            scheduleReload();
    }
    QWidget::changeEvent(event);
}

void EQCloudSharingContent::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeIndicator();
}

void EQCloudSharingContent::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    placeIndicator();
    if (m_myShareDirty && signedIn() && currentTab() != DownloadsTab)
        scheduleReload();
    tryInitialLoad();
}
