// The sharing page against the fake server: first load, tabs, sort and
// search, paging, marks and their toasts, the downloads tab, applying,
// deleting, and the session's end.
#include "EqCloudPageFixture.h"

#include "widgets/GradientButton.h"
#include "widgets/SearchWidget.h"
#include "widgets/TabItem.h"
#include "cloud/EqApi.h"
#include "cloud/LoginController.h"
#include "eq/EQActiveProfileCoordinator.h"
#include "eqcloud/EQCloudCardListView.h"
#include "eqcloud/EQCloudDeleteConfirmDialog.h"
#include "eqcloud/EQCloudListController.h"
#include "eqcloud/EQCloudListModel.h"
#include "eqcloud/EQCloudPreviewDialog.h"
#include "eqcloud/EQCloudSharingContent.h"
#include "eq/PageToast.h"
#include "tests/support/testenv/MessageLog.h"
#include "tests/support/testenv/ReadOnlySettingsFile.h"
#include "tests/support/testenv/TextFit.h"
#include "widgets/WindowBlurBackdrop.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QScopeGuard>
#include <QTranslator>

using EarphoneApi::CloudEQItem;
using EarphoneApi::CloudEQOperation;
using Action = EQCloudGameCardDelegate::Action;
using Source = EQActiveProfileCoordinator::Source;
using FakeApi::Backend;
using FakeApi::Fault;

namespace {

const QString listRoute = QStringLiteral("home/cloud/cloudList");
const QString operateRoute = QStringLiteral("home/cloud/cloudOperate");
const QString downloadListRoute = QStringLiteral("home/cloud/downloadList");
const QString loginToast = QStringLiteral("该功能需要登录，请先登录。");

void clickTab(EQCloudSharingContent *page, EQCloudSharingContent::Tab tab)
{
    QTest::mouseClick(page->tabItem(tab), Qt::LeftButton);
}

EQCloudListModel *modelOf(EQCloudSharingContent *page)
{
    return page->listController()->model();
}

} // namespace

class TestEqCloudSharingContent : public QObject
{
    Q_OBJECT

private slots:
    void signedOutPageStaysEmpty();
    void firstLoadWaitsForAVisiblePage();
    void tabsAskTheirLists();
    void currentTabCannotBeSwitchedOff();
    void tabTitlesFitTheirTabs_data();
    void tabTitlesFitTheirTabs();
    void sortAndSearch();
    void shortPagePullsTheNextOne();
    void failedLaterPageIsNotAskedInALoop();
    void markToasts_data();
    void markToasts();
    void markRefusedAfterLeavingTheListShowsItsOwnToast_data();
    void markRefusedAfterLeavingTheListShowsItsOwnToast();
    void markAnsweredAfterAListErrorShowsNoToast();
    void listErrorToast_data();
    void listErrorToast();
    void markWhileSignedOutAsksForLogin();
    void downloadsTabAppliesAndRestores();
    void applyingTheActiveDownloadSendsItAgain();
    void lastSelectedIsRestoredOnlyForCloudDownloads_data();
    void lastSelectedIsRestoredOnlyForCloudDownloads();
    void leavingDownloadsClearsTheAppliedMark();
    void deletingTheAppliedDownloadClearsTheSelection();
    void refusedChoicesAreTold_data();
    void refusedChoicesAreTold();
    void myShareDeleteRunsOnce();
    void downloadListFailureEmptiesTheTab();
    void pidChangeOnDownloadsAsksAgain();
    void signOutClearsTheCloudData();
    void listAskedBeforeTheSignOutStaysAway_data();
    void listAskedBeforeTheSignOutStaysAway();
    void signInAgainReloads();
    void uploadElsewhereReloadsWhenVisible();
    void findCloudItemById();
};

void TestEqCloudSharingContent::signedOutPageStaysEmpty()
{
    EqCloudPageFixture f(false);
    f.session().shareMany(3);
    f.wire();
    QVERIFY(f.show());
    QCOMPARE(modelOf(f.page())->rowCount(), 0);
    for (auto tab : {EQCloudSharingContent::CollectedTab, EQCloudSharingContent::MySharingTab,
                     EQCloudSharingContent::DownloadsTab, EQCloudSharingContent::CloudTab}) {
        f.resetToast();
        clickTab(f.page(), tab);
        QCOMPARE(f.page()->currentTab(), tab);
        QCOMPARE(f.toastText(), loginToast);
        QVERIFY(f.toastShowing());
        QCOMPARE(modelOf(f.page())->rowCount(), 0);
    }
    QCOMPARE(f.session().server().requests().size(), 0);
}

void TestEqCloudSharingContent::firstLoadWaitsForAVisiblePage()
{
    EqCloudPageFixture f(true);
    f.session().shareMany(3);
    f.wire();
    QCOMPARE(f.session().server().requestCount(listRoute), 0);
    QVERIFY(f.show());
    QVERIFY(f.page()->listController()->isLoading());
    QVERIFY(f.settle());
    QCOMPARE(f.session().server().requestCount(listRoute), 1);
    QCOMPARE(modelOf(f.page())->rowCount(), 3);
    QCOMPARE(f.session().server().lastRequest(listRoute).field("pid"), EqCloudTestSession::pid);

    f.window()->hide();
    f.window()->show();
    QVERIFY(f.settle());
    QCOMPARE(f.session().server().requestCount(listRoute), 1);
}

void TestEqCloudSharingContent::tabsAskTheirLists()
{
    EqCloudPageFixture f(true);
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());
    EQCloudSharingContent *page = f.page();

    clickTab(page, EQCloudSharingContent::CollectedTab);
    QVERIFY(f.settle());
    QCOMPARE(f.session().server().lastRequest(listRoute).field("listType"), QStringLiteral("2"));
    clickTab(page, EQCloudSharingContent::MySharingTab);
    QVERIFY(f.settle());
    QCOMPARE(f.session().server().lastRequest(listRoute).field("share"), QStringLiteral("2"));
    QVERIFY(page->cardDelegate()->mySharingMode());
    QVERIFY(page->searchWidget()->isVisible());

    QSignalSpy downloads(f.session().eqApi(), &EarphoneApi::EqApi::downloadListReceived);
    clickTab(page, EQCloudSharingContent::DownloadsTab);
    QVERIFY(downloads.wait(5000));
    QCOMPARE(f.session().server().lastRequest(downloadListRoute).field("pid"), EqCloudTestSession::pid);
    QVERIFY(!page->listController()->isActive());
    QVERIFY(page->cardDelegate()->downloadMode());
    QVERIFY(!page->cardDelegate()->mySharingMode());
    QVERIFY(!page->searchWidget()->isVisible());
    QVERIFY(!page->sortButton(0)->isVisible());
    for (int i = 0; i < 4; ++i)
        QCOMPARE(page->tabItem(EQCloudSharingContent::Tab(i))->isSelected(), i == 3);

    // The indicator sits centred under the current tab.
    TabItem *current = page->tabItem(EQCloudSharingContent::DownloadsTab);
    const QPoint tabCentre = current->mapTo(page, current->rect().center());
    const QPoint indicatorCentre = page->tabIndicator()->mapTo(page, page->tabIndicator()->rect().center());
    QVERIFY(std::abs(tabCentre.x() - indicatorCentre.x()) <= 1);
    QVERIFY(indicatorCentre.y() > tabCentre.y());
}

void TestEqCloudSharingContent::currentTabCannotBeSwitchedOff()
{
    EqCloudPageFixture f(true);
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());
    const int before = f.session().server().requestCount(listRoute);
    clickTab(f.page(), EQCloudSharingContent::CloudTab);
    QVERIFY(f.page()->tabItem(EQCloudSharingContent::CloudTab)->isSelected());
    QCOMPARE(f.page()->currentTab(), EQCloudSharingContent::CloudTab);
    QCOMPARE(f.session().server().requestCount(listRoute), before);
}

void TestEqCloudSharingContent::tabTitlesFitTheirTabs_data()
{
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<bool>("switchWhileShown");
    QTest::addColumn<bool>("chinese");
    QTest::newRow("zh_CN") << QStringLiteral(":/i18n/VELKORA_zh_CN.qm") << false << true;
    QTest::newRow("en_US") << QStringLiteral(":/i18n/VELKORA_en_US.qm") << false << false;
    QTest::newRow("en_US after a language change") << QStringLiteral(":/i18n/VELKORA_en_US.qm") << true << false;
}

// English titles are longer than the Chinese ones the narrowest tab was made
// for: each tab grows with its title, and titles keep apart.
void TestEqCloudSharingContent::tabTitlesFitTheirTabs()
{
    QFETCH(QString, catalogue);
    QFETCH(bool, switchWhileShown);
    QFETCH(bool, chinese);
    QTranslator translator;
    QVERIFY(translator.load(catalogue));
    if (!switchWhileShown)
        QVERIFY(QCoreApplication::installTranslator(&translator));
    const auto removeTranslator = qScopeGuard([&translator] { QCoreApplication::removeTranslator(&translator); });
    EqCloudPageFixture f(false);
    QVERIFY(f.show());
    EQCloudSharingContent *page = f.page();
    if (switchWhileShown) {
        QVERIFY(QCoreApplication::installTranslator(&translator));
        QTRY_COMPARE(page->tabItem(EQCloudSharingContent::CollectedTab)->text(), QStringLiteral("Favorited"));
    }
    // The layouts settle on posted events after the texts change.
    QTRY_VERIFY_WITH_TIMEOUT(TextFit::cutTexts(page).isEmpty(), 2000);

    QRect previousTab;
    QRect previousTitle;
    for (int i = 0; i < 4; ++i) {
        TabItem *tab = page->tabItem(EQCloudSharingContent::Tab(i));
        const QRect tabRect(tab->mapTo(page, QPoint(0, 0)), tab->size());
        const QRect titleRect = TextFit::textRect(tab->findChild<QLabel *>(), page);
        QVERIFY2(tab->width() >= 82, qPrintable(tab->text()));
        if (chinese)
            QCOMPARE(tab->width(), 82);
        QVERIFY2(tabRect.contains(titleRect), qPrintable(tab->text()));
        if (i > 0) {
            QVERIFY2(tabRect.left() > previousTab.right(), qPrintable(tab->text()));
            QVERIFY2(titleRect.left() - previousTitle.right() >= 20, qPrintable(tab->text()));
        }
        previousTab = tabRect;
        previousTitle = titleRect;
    }
}

void TestEqCloudSharingContent::sortAndSearch()
{
    EqCloudPageFixture f(true);
    f.session().share(QStringLiteral("Rock"));
    f.session().share(QStringLiteral("Jazz"));
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());

    f.page()->searchWidget()->setText(QStringLiteral(" rock "));
    QMetaObject::invokeMethod(f.page()->searchWidget(), "searchClicked");
    QVERIFY(f.settle());
    QCOMPARE(f.session().server().lastRequest(listRoute).field("keyword"), QStringLiteral("rock"));
    QCOMPARE(modelOf(f.page())->rowCount(), 1);

    // A sort order lists everything again.
    f.page()->sortButton(2)->click();
    QVERIFY(f.settle());
    const FakeApi::HttpRequest request = f.session().server().lastRequest(listRoute);
    QCOMPARE(request.field("order_by"), QStringLiteral("like_num"));
    QVERIFY(!request.hasField("keyword"));
    QCOMPARE(modelOf(f.page())->rowCount(), 2);
    QVERIFY(f.page()->sortButton(2)->isChecked());
    QVERIFY(!f.page()->sortButton(0)->isChecked());
}

void TestEqCloudSharingContent::shortPagePullsTheNextOne()
{
    EqCloudPageFixture f(true);
    f.session().shareMany(20);
    f.wire();
    // Fifteen cards fill fewer rows than this window shows, so page 2 follows.
    f.window()->resize(1200, 1100);
    QVERIFY(f.show());
    QTRY_COMPARE_WITH_TIMEOUT(modelOf(f.page())->rowCount(), 20, 5000);
    QCOMPARE(f.session().server().lastRequest(listRoute).field("pageIndex"), QStringLiteral("2"));
    QVERIFY(f.settle());
    QCOMPARE(f.session().server().requestCount(listRoute), 2);
}

void TestEqCloudSharingContent::failedLaterPageIsNotAskedInALoop()
{
    EqCloudPageFixture f(true);
    f.session().shareMany(20);
    FakeApi::FakeApiServer &server = f.session().server();
    // The first page is answered, every later request refused.
    QObject::connect(&server, &FakeApi::FakeApiServer::requestReceived, &server, [&server] {
        if (server.requestCount(listRoute) == 1)
            server.backend().setCannedReply(listRoute, Backend::envelope(3001, QStringLiteral("忙")));
    });
    f.wire();
    f.window()->resize(1200, 1100);
    QSignalSpy failed(f.session().eqApi(), &EarphoneApi::EqApi::cloudEQListFailed);
    QVERIFY(f.show());
    QVERIFY(failed.wait(5000));
    QCOMPARE(modelOf(f.page())->rowCount(), 15);
    QCOMPARE(server.requestCount(listRoute), 2);
    QCOMPARE(f.toastText(), QStringLiteral("忙"));
    auto *check = f.page()->findChild<QTimer *>(QStringLiteral("viewportCheckTimer"));
    QVERIFY(check);
    QVERIFY(!check->isActive());

    // The user's scrolling asks for the same page again.
    QObject::disconnect(&server, &FakeApi::FakeApiServer::requestReceived, &server, nullptr);
    server.backend().clearCannedReplies();
    emit f.page()->cardView()->nearBottom();
    QTRY_COMPARE_WITH_TIMEOUT(modelOf(f.page())->rowCount(), 20, 5000);
    QCOMPARE(server.lastRequest(listRoute).field("pageIndex"), QStringLiteral("2"));
}

void TestEqCloudSharingContent::markToasts_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("marked");
    QTest::addColumn<QJsonObject>("reply"); // empty: the server's own answer
    QTest::addColumn<QString>("toast");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("clicks"); // before the answer

    const QJsonObject none;
    QTest::newRow("download") << int(Action::Download) << false << none << "下载成功！" << 1 << 1;
    QTest::newRow("like") << int(Action::Like) << false << none << "已点赞！" << 1 << 1;
    QTest::newRow("unlike") << int(Action::Like) << true << none << "已取消点赞！" << 1 << 1;
    QTest::newRow("collect") << int(Action::Collect) << false << none << "收藏成功！" << 1 << 1;
    QTest::newRow("uncollect") << int(Action::Collect) << true << none << "已取消收藏！" << 1 << 1;
    QTest::newRow("like double-clicked") << int(Action::Like) << false << none << "已点赞！" << 1 << 2;
    QTest::newRow("uncollect double-clicked") << int(Action::Collect) << true << none << "已取消收藏！" << 1 << 2;
    // A refusal reaches the list controller first, which reports it as a list error.
    QTest::newRow("download refused") << int(Action::Download) << false
                                      << Backend::envelope(2042, QStringLiteral(" 修改失败 ")) << "修改失败" << 0 << 1;
    QTest::newRow("like refused silently") << int(Action::Like) << false << Backend::envelope(2042, QString())
                                           << "请求失败（错误码 2042）" << 0 << 1;
    QTest::newRow("network words") << int(Action::Collect) << true
                                   << Backend::envelope(2042, QStringLiteral("Connection refused"))
                                   << "无法连接，请稍后重试。" << 0 << 1;
}

void TestEqCloudSharingContent::markToasts()
{
    QFETCH(int, action);
    QFETCH(bool, marked);
    QFETCH(QJsonObject, reply);
    QFETCH(int, clicks);
    EqCloudPageFixture f(true);
    const int id = f.session().share(QStringLiteral("x"));
    if (marked)
        f.session().markOnServer(id, action == int(Action::Like) ? 2 : 3);
    if (!reply.isEmpty())
        f.session().server().backend().setCannedReply(operateRoute, reply);
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());
    f.resetToast();

    QSignalSpy answered(f.session().eqApi(), &EarphoneApi::EqApi::cloudEQOperated);
    QSignalSpy failed(f.session().eqApi(), &EarphoneApi::EqApi::cloudEQOperateFailed);
    for (int i = 0; i < clicks; ++i)
        emit f.page()->cardDelegate()->cardActionRequested(Action(action), 0);
    QTRY_VERIFY_WITH_TIMEOUT(answered.count() + failed.count() == 1, 5000);
    QCOMPARE(f.session().server().requestCount(operateRoute), 1);
    QTEST(f.toastText(), "toast");
    QTEST(f.toastKind(), "kind");
    QVERIFY(f.toastShowing());
}

void TestEqCloudSharingContent::markRefusedAfterLeavingTheListShowsItsOwnToast_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("marked");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("toast");
    QTest::newRow("like") << int(Action::Like) << false << "" << "点赞失败！";
    QTest::newRow("unlike") << int(Action::Like) << true << "" << "取消点赞失败！";
    QTest::newRow("collect") << int(Action::Collect) << false << "" << "收藏失败！";
    QTest::newRow("uncollect") << int(Action::Collect) << true << "" << "取消收藏失败！";
    QTest::newRow("download") << int(Action::Download) << false << "" << "下载失败！";
    QTest::newRow("server text") << int(Action::Like) << false << " 修改失败 " << "修改失败";
}

void TestEqCloudSharingContent::markRefusedAfterLeavingTheListShowsItsOwnToast()
{
    QFETCH(int, action);
    QFETCH(bool, marked);
    QFETCH(QString, message);
    EqCloudPageFixture f(true);
    const int id = f.session().share(QStringLiteral("x"));
    if (marked)
        f.session().markOnServer(id, action == int(Action::Like) ? 2 : 3);
    f.session().server().backend().setCannedReply(operateRoute, Backend::envelope(2042, message));
    f.session().server().setFault(operateRoute, Fault::delay(80));
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());
    QSignalSpy failed(f.session().eqApi(), &EarphoneApi::EqApi::cloudEQOperateFailed);
    emit f.page()->cardDelegate()->cardActionRequested(Action(action), 0);
    // On the downloads tab the list controller stays silent.
    clickTab(f.page(), EQCloudSharingContent::DownloadsTab);
    QVERIFY(failed.wait(5000));
    QTEST(f.toastText(), "toast");
    QCOMPARE(f.toastKind(), int(PageToast::Failure));
}

void TestEqCloudSharingContent::markAnsweredAfterAListErrorShowsNoToast()
{
    EqCloudPageFixture f(true);
    f.session().share(QStringLiteral("x"));
    f.session().server().setFault(operateRoute, Fault::delay(80));
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());
    QSignalSpy answered(f.session().eqApi(), &EarphoneApi::EqApi::cloudEQOperated);
    emit f.page()->cardDelegate()->cardActionRequested(Action::Like, 0);
    // The list fails meanwhile (a server refusal is never retried).
    f.session().server().backend().setCannedReply(listRoute, Backend::envelope(3001, QString()));
    f.page()->listController()->refresh();
    QVERIFY(answered.wait(5000));
    QVERIFY(f.settle());
    QCOMPARE(f.toastText(), QStringLiteral("请求失败（错误码 3001）"));
    QCOMPARE(modelOf(f.page())->itemAt(0).isLike, QStringLiteral("1"));
}

void TestEqCloudSharingContent::listErrorToast_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("toast");
    QTest::newRow("no message") << " " << "请求失败（错误码 3001）";
    QTest::newRow("server text") << " 参数错误 " << "参数错误";
    QTest::newRow("network text") << "Request timed out" << "连接超时，请重试。";
}

void TestEqCloudSharingContent::listErrorToast()
{
    QFETCH(QString, message);
    EqCloudPageFixture f(true);
    f.session().server().backend().setCannedReply(listRoute, Backend::envelope(3001, message));
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());
    QTEST(f.toastText(), "toast");
    QCOMPARE(f.toastKind(), int(PageToast::Info));
}

void TestEqCloudSharingContent::markWhileSignedOutAsksForLogin()
{
    EqCloudPageFixture f(true);
    f.session().share(QStringLiteral("x"));
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());
    // The session ends elsewhere without the page hearing of it yet.
    const QSignalBlocker blocker(f.session().login());
    f.session().signOut();
    f.resetToast();
    emit f.page()->cardDelegate()->cardActionRequested(Action::Collect, 0);
    QCOMPARE(f.toastText(), loginToast);
    QCOMPARE(f.session().server().requestCount(operateRoute), 0);
}

void TestEqCloudSharingContent::downloadsTabAppliesAndRestores()
{
    EqCloudPageFixture f(true);
    f.shareDownloaded(2);
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());
    QVERIFY(f.openDownloads());
    QCOMPARE(modelOf(f.page())->rowCount(), 2);
    QVERIFY(f.page()->appliedId().isEmpty());

    const QString id = modelOf(f.page())->itemAt(1).id;
    QSignalSpy selection(f.coordinator(), &EQActiveProfileCoordinator::activeSelectionChanged);
    emit f.page()->cardDelegate()->cardActionRequested(Action::DlApply, 1);
    QCOMPARE(selection.count(), 1);
    QCOMPARE(f.coordinator()->activeSource(), Source::CloudDownload);
    QCOMPARE(f.coordinator()->activeId(), id);
    QCOMPARE(f.page()->appliedId(), id);
    QCOMPARE(f.page()->cardDelegate()->appliedId(), id);
    QCOMPARE(f.toastText(), QStringLiteral("已应用"));
    const QString key = QStringLiteral("eq/cloudDownload/lastSelected/%1/%2").arg(f.session().user().uid,
                                                                                  EqCloudTestSession::pid);
    QCOMPARE(f.page()->lastSelectedKey(), key);
    QCOMPARE(QSettings().value(key).toString(), id);

    // Away and back: the stored choice marks the card again.
    clickTab(f.page(), EQCloudSharingContent::CloudTab);
    QVERIFY(f.page()->appliedId().isEmpty());
    QVERIFY(f.settle());
    QVERIFY(f.openDownloads());
    QCOMPARE(f.page()->appliedId(), id);
}

void TestEqCloudSharingContent::applyingTheActiveDownloadSendsItAgain()
{
    EqCloudPageFixture f(true);
    const int id = f.shareDownloaded(1).first();
    f.coordinator()->setActiveSelection(Source::CloudDownload, QString::number(id));
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.openDownloads());

    QSignalSpy selection(f.coordinator(), &EQActiveProfileCoordinator::activeSelectionChanged);
    emit f.page()->cardDelegate()->cardActionRequested(Action::DlApply, 0);
    QCOMPARE(selection.count(), 1); // re-announced although unchanged
    QCOMPARE(f.page()->appliedId(), QString::number(id));
    QVERIFY(!QSettings().contains(f.page()->lastSelectedKey()));
    QCOMPARE(f.toastText(), QStringLiteral("已应用"));
}

void TestEqCloudSharingContent::lastSelectedIsRestoredOnlyForCloudDownloads_data()
{
    QTest::addColumn<bool>("withCoordinator");
    QTest::addColumn<int>("source");
    QTest::addColumn<bool>("restored");
    QTest::newRow("no coordinator") << false << int(Source::None) << true;
    QTest::newRow("another cloud download") << true << int(Source::CloudDownload) << true;
    QTest::newRow("custom slot active") << true << int(Source::Custom) << false;
    QTest::newRow("nothing active") << true << int(Source::None) << false;
}

void TestEqCloudSharingContent::lastSelectedIsRestoredOnlyForCloudDownloads()
{
    QFETCH(bool, withCoordinator);
    QFETCH(int, source);
    QFETCH(bool, restored);
    EqCloudPageFixture f(true);
    const int id = f.shareDownloaded(1).first();
    if (source != int(Source::None))
        f.coordinator()->setActiveSelection(Source(source), QStringLiteral("3"));
    f.wire(withCoordinator);
    QSettings().setValue(f.page()->lastSelectedKey(), QString::number(id));
    QVERIFY(f.show());
    QVERIFY(f.openDownloads());
    QCOMPARE(f.page()->appliedId(), restored ? QString::number(id) : QString());
}

void TestEqCloudSharingContent::leavingDownloadsClearsTheAppliedMark()
{
    EqCloudPageFixture f(true);
    const int id = f.shareDownloaded(1).first();
    f.coordinator()->setActiveSelection(Source::CloudDownload, QString::number(id));
    f.wire();
    QCOMPARE(f.page()->appliedId(), QString::number(id));
    QVERIFY(f.show());
    QVERIFY(f.openDownloads());
    QCOMPARE(f.page()->appliedId(), QString());
    emit f.page()->cardDelegate()->cardActionRequested(Action::DlApply, 0);
    QCOMPARE(f.page()->appliedId(), QString::number(id));

    clickTab(f.page(), EQCloudSharingContent::CollectedTab);
    QCOMPARE(f.page()->appliedId(), QString());
    QCOMPARE(f.page()->cardDelegate()->appliedId(), QString());
    QCOMPARE(f.coordinator()->activeSource(), Source::CloudDownload);
    // The download rows leave with the tab.
    QVERIFY(f.settle());
    QCOMPARE(modelOf(f.page())->rowCount(), 0);
}

void TestEqCloudSharingContent::deletingTheAppliedDownloadClearsTheSelection()
{
    EqCloudPageFixture f(true);
    f.shareDownloaded(2);
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.openDownloads());
    QSignalSpy downloads(f.session().eqApi(), &EarphoneApi::EqApi::downloadListReceived);
    emit f.page()->cardDelegate()->cardActionRequested(Action::DlApply, 0);
    const QString applied = f.page()->appliedId();
    QVERIFY(!applied.isEmpty());

    QSignalSpy deleted(f.session().eqApi(), &EarphoneApi::EqApi::downloadRecordDeleted);
    f.whenModal([](QDialog *dialog) { dialog->findChild<QPushButton *>("confirmOkButton")->click(); });
    emit f.page()->cardDelegate()->cardActionRequested(Action::DlDelete, 0);
    QCOMPARE(f.toastText(), QStringLiteral("删除中..."));
    QVERIFY(deleted.wait(5000));
    QCOMPARE(deleted.at(0).at(0).toInt(), applied.toInt());
    QCOMPARE(f.toastText(), QStringLiteral("删除成功"));
    QVERIFY(f.page()->appliedId().isEmpty());
    QCOMPARE(f.coordinator()->activeSource(), Source::None);
    QVERIFY(!QSettings().contains(f.page()->lastSelectedKey()));
    QVERIFY(downloads.wait(5000));
    QCOMPARE(modelOf(f.page())->rowCount(), 1);
    QVERIFY(!WindowBlurBackdrop::of(f.window()));
}

namespace {
enum class Choice { ApplyDownload, ApplySharedPreset, DeleteAppliedDownload, SignOut };
}
Q_DECLARE_METATYPE(Choice)

void TestEqCloudSharingContent::refusedChoicesAreTold_data()
{
    QTest::addColumn<Choice>("choice");
    QTest::addColumn<bool>("pageTells");
    QTest::addColumn<bool>("selectionTells");
    // Two refused writes in one click; the window shows one message for both.
    QTest::newRow("apply a download") << Choice::ApplyDownload << true << true;
    QTest::newRow("apply a shared preset") << Choice::ApplySharedPreset << true << false;
    QTest::newRow("delete the applied download") << Choice::DeleteAppliedDownload << true << true;
    // The session's end clears the selection on its own: only logged.
    QTest::newRow("sign-out") << Choice::SignOut << false << false;
}

// A choice the settings store cannot keep still holds on the page, and the
// page says so; what the page does on its own stays quiet but logged.
void TestEqCloudSharingContent::refusedChoicesAreTold()
{
    QFETCH(Choice, choice);
    QFETCH(bool, pageTells);
    QFETCH(bool, selectionTells);
    EqCloudPageFixture f(true);
    const QString id = QString::number(f.shareDownloaded(1).first());
    f.session().share(QStringLiteral("shared"));
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.openDownloads());
    if (choice != Choice::ApplyDownload) {
        emit f.page()->cardDelegate()->cardActionRequested(Action::DlApply, 0);
        QCOMPARE(QSettings().value(f.page()->lastSelectedKey()).toString(), id);
    }
    if (choice == Choice::ApplySharedPreset) {
        clickTab(f.page(), EQCloudSharingContent::CloudTab);
        QVERIFY(f.settle());
    }

    ReadOnlySettingsFile readOnly;
    QVERIFY2(readOnly.isValid(), qPrintable(readOnly.path()));
    const QByteArray stored = readOnly.contents();
    QSignalSpy pageSaid(f.page(), &EQCloudSharingContent::settingsNotSaved);
    QSignalSpy selectionSaid(f.coordinator(), &EQActiveProfileCoordinator::selectionNotSaved);
    MessageLog log;
    switch (choice) {
    case Choice::ApplyDownload:
        emit f.page()->cardDelegate()->cardActionRequested(Action::DlApply, 0);
        QCOMPARE(f.coordinator()->activeId(), id);
        QCOMPARE(f.page()->appliedId(), id);
        break;
    case Choice::ApplySharedPreset: {
        QSignalSpy applied(f.page(), &EQCloudSharingContent::cloudListEphemeralApplyRequested);
        f.whenModal([](QDialog *dialog) { qobject_cast<EQCloudPreviewDialog *>(dialog)->applyButton()->click(); });
        emit f.page()->cardDelegate()->cardActionRequested(Action::Preview, 0);
        QCOMPARE(applied.count(), 1);
        break;
    }
    case Choice::DeleteAppliedDownload: {
        QSignalSpy deleted(f.session().eqApi(), &EarphoneApi::EqApi::downloadRecordDeleted);
        f.whenModal([](QDialog *dialog) { dialog->findChild<QPushButton *>("confirmOkButton")->click(); });
        emit f.page()->cardDelegate()->cardActionRequested(Action::DlDelete, 0);
        QVERIFY(deleted.wait(5000));
        QCOMPARE(f.coordinator()->activeSource(), Source::None);
        break;
    }
    case Choice::SignOut:
        f.session().signOut();
        QCOMPARE(f.coordinator()->activeSource(), Source::None);
        break;
    }
    QCOMPARE(pageSaid.count(), pageTells ? 1 : 0);
    QCOMPARE(selectionSaid.count(), selectionTells ? 1 : 0);
    QVERIFY(log.contains(QStringLiteral("[Settings][Save]")));
    QCOMPARE(readOnly.contents(), stored);
}

void TestEqCloudSharingContent::myShareDeleteRunsOnce()
{
    EqCloudPageFixture f(true);
    f.session().share(QStringLiteral("mine"), f.session().user().uid);
    f.session().share(QStringLiteral("mine too"), f.session().user().uid);
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());
    clickTab(f.page(), EQCloudSharingContent::MySharingTab);
    QVERIFY(f.settle());
    QCOMPARE(modelOf(f.page())->rowCount(), 2);

    const QString delRoute = QStringLiteral("home/cloud/cloudDel");
    f.session().server().setFault(delRoute, Fault::delay(80));
    QSignalSpy deleted(f.session().eqApi(), &EarphoneApi::EqApi::cloudEQDeleted);
    bool blurredWhileAsking = false;
    f.whenModal([&](QDialog *dialog) {
        blurredWhileAsking = WindowBlurBackdrop::of(f.window()) != nullptr;
        dialog->findChild<QPushButton *>("confirmOkButton")->click();
    });
    emit f.page()->cardDelegate()->cardActionRequested(Action::MyDelete, 0);
    QVERIFY(blurredWhileAsking);
    QVERIFY(!WindowBlurBackdrop::of(f.window()));
    QCOMPARE(f.toastText(), QStringLiteral("删除中..."));

    f.resetToast();
    emit f.page()->cardDelegate()->cardActionRequested(Action::MyDelete, 0);
    QCOMPARE(f.toastText(), QStringLiteral("正在删除，请稍候"));
    QVERIFY(!f.page()->confirmDialog());

    QVERIFY(deleted.wait(5000));
    QCOMPARE(f.session().server().requestCount(delRoute), 1);
    QCOMPARE(f.toastText(), QStringLiteral("删除成功"));
    QVERIFY(f.settle());
    QTRY_COMPARE_WITH_TIMEOUT(modelOf(f.page())->rowCount(), 1, 5000);
}

void TestEqCloudSharingContent::downloadListFailureEmptiesTheTab()
{
    EqCloudPageFixture f(true);
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());
    f.session().server().backend().setCannedReply(downloadListRoute, Backend::envelope(3002, QString()));
    QSignalSpy failed(f.session().eqApi(), &EarphoneApi::EqApi::downloadListFailed);
    clickTab(f.page(), EQCloudSharingContent::DownloadsTab);
    QVERIFY(failed.wait(5000));
    QCOMPARE(f.toastText(), QStringLiteral("下载列表获取失败（错误码 3002）"));
    QCOMPARE(modelOf(f.page())->rowCount(), 0);
}

void TestEqCloudSharingContent::pidChangeOnDownloadsAsksAgain()
{
    EqCloudPageFixture f(true);
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.openDownloads());
    QSignalSpy downloads(f.session().eqApi(), &EarphoneApi::EqApi::downloadListReceived);
    f.page()->setPid(QStringLiteral(" abc "));
    QCOMPARE(f.page()->pid(), QStringLiteral("abc"));
    QVERIFY(downloads.wait(5000));
    // A product id that is not a number is asked as 1.
    QCOMPARE(f.session().server().lastRequest(downloadListRoute).field("pid"), QStringLiteral("1"));
    QVERIFY(!f.page()->listController()->isLoading()); // the inactive list asks nothing
}

void TestEqCloudSharingContent::signOutClearsTheCloudData()
{
    EqCloudPageFixture f(true);
    const int id = f.session().share(QStringLiteral("x"));
    f.coordinator()->setActiveSelection(Source::CloudDownload, QString::number(id));
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());
    f.page()->searchWidget()->setText(QStringLiteral("x"));
    QCOMPARE(modelOf(f.page())->rowCount(), 1);

    f.session().signOut();
    QCOMPARE(modelOf(f.page())->rowCount(), 0);
    QCOMPARE(f.toastText(), QStringLiteral("账号已退出，云端数据已清空"));
    QCOMPARE(f.coordinator()->activeSource(), Source::None);
    QVERIFY(f.page()->appliedId().isEmpty());
    QVERIFY(f.page()->searchWidget()->text().isEmpty());
    QVERIFY(f.page()->lastSelectedKey().isEmpty());

    // A selection of another kind survives the sign-out.
    f.session().signIn();
    QVERIFY(f.settle());
    f.coordinator()->setActiveSelection(Source::Custom, QStringLiteral("2"));
    f.session().signOut();
    QCOMPARE(f.coordinator()->activeSource(), Source::Custom);
}

void TestEqCloudSharingContent::listAskedBeforeTheSignOutStaysAway_data()
{
    QTest::addColumn<bool>("downloads");
    QTest::newRow("shared list") << false;
    QTest::newRow("downloads") << true;
}

void TestEqCloudSharingContent::listAskedBeforeTheSignOutStaysAway()
{
    QFETCH(bool, downloads);
    EqCloudPageFixture f(true);
    f.shareDownloaded(2);
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());
    QCOMPARE(modelOf(f.page())->rowCount(), 2);

    // The list is asked again, and the session ends before the answer lands.
    f.session().server().setFault(downloads ? downloadListRoute : listRoute, Fault::delay(80));
    QSignalSpy listed(f.session().eqApi(), &EarphoneApi::EqApi::cloudEQListReceived);
    QSignalSpy downloadsListed(f.session().eqApi(), &EarphoneApi::EqApi::downloadListReceived);
    if (downloads)
        clickTab(f.page(), EQCloudSharingContent::DownloadsTab);
    else
        f.page()->listController()->refresh();
    f.session().signOut();
    QCOMPARE(modelOf(f.page())->rowCount(), 0);
    QVERIFY((downloads ? downloadsListed : listed).wait(5000));
    QCOMPARE(modelOf(f.page())->rowCount(), 0);
}

void TestEqCloudSharingContent::signInAgainReloads()
{
    EqCloudPageFixture f(false);
    f.session().shareMany(2);
    f.wire();
    QVERIFY(f.show());
    QCOMPARE(f.session().server().requestCount(listRoute), 0);
    f.session().signIn();
    QVERIFY(f.settle());
    QCOMPARE(f.session().server().requestCount(listRoute), 1);
    QCOMPARE(modelOf(f.page())->rowCount(), 2);
}

void TestEqCloudSharingContent::uploadElsewhereReloadsWhenVisible()
{
    EqCloudPageFixture f(true);
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());
    f.session().share(QStringLiteral("new"), f.session().user().uid);
    const int before = f.session().server().requestCount(listRoute);
    emit f.session().eqApi()->cloudEQUploaded();
    QTRY_COMPARE_WITH_TIMEOUT(f.session().server().requestCount(listRoute), before + 1, 5000);
    QVERIFY(f.settle());
    QCOMPARE(modelOf(f.page())->rowCount(), 1);

    // Hidden, the page remembers and reloads when shown again.
    f.window()->hide();
    emit f.session().eqApi()->cloudEQUploaded();
    QCOMPARE(f.session().server().requestCount(listRoute), before + 1);
    f.window()->show();
    QTRY_COMPARE_WITH_TIMEOUT(f.session().server().requestCount(listRoute), before + 2, 5000);
}

void TestEqCloudSharingContent::findCloudItemById()
{
    EqCloudPageFixture f(true);
    const int id = f.session().share(QStringLiteral("Found"));
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());
    CloudEQItem item;
    QVERIFY(f.page()->findCloudItemById(QStringLiteral(" %1 ").arg(id), item));
    QCOMPARE(item.name, QStringLiteral("Found"));
    QVERIFY(!f.page()->findCloudItemById(QStringLiteral("  "), item));
    QVERIFY(!f.page()->findCloudItemById(QStringLiteral("999"), item));
}

QTEST_MAIN(TestEqCloudSharingContent)
#include "tst_eqcloudsharingcontent.moc"
