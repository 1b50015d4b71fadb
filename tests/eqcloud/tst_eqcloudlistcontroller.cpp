// The cloud list controller against the fake server: query shapes, paging,
// stale replies, the weak-network retry, the debounced refresh and the marks.
#include "EqCloudTestSession.h"

#include "cloud/EqApi.h"
#include "cloud/LoginController.h"
#include "eqcloud/EQCloudListController.h"
#include "eqcloud/EQCloudListModel.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using EarphoneApi::CloudEQItem;
using EarphoneApi::CloudEQOperation;
using EarphoneApi::EqApi;
using FakeApi::Fault;

namespace {

const QString listRoute = QStringLiteral("home/cloud/cloudList");
const QString operateRoute = QStringLiteral("home/cloud/cloudOperate");

QJsonObject cannedPage(int items, int total)
{
    QJsonArray rows;
    for (int i = 0; i < items; ++i)
        rows.append(QJsonObject{{"id", i + 1}, {"name", QStringLiteral("eq%1").arg(i)}});
    return FakeApi::Backend::envelope(
        0, QString(), QJsonObject{{"allData", rows}, {"pageInfo", QJsonObject{{"total", total}}}});
}

} // namespace

class TestEqCloudListController : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void queryShape_data();
    void queryShape();
    void nothingAskedWithoutSessionOrApi();
    void pagesFollowEachOther();
    void hasMore_data();
    void hasMore();
    void keywordListsOnePage();
    void staleRepliesOnlyEndLoading_data();
    void staleRepliesOnlyEndLoading();
    void weakNetworkTest_data();
    void weakNetworkTest();
    void weakFirstPageRetriedOnce();
    void secondWeakFailureIsReported();
    void laterPageFailureIsReportedAndAskedAgain();
    void canceledFirstPageIsNotRetried();
    void retryDroppedWhenTheQueryChanged();
    void scheduledRefreshesCollapse();
    void busyRefreshGivesUpAfterItsRetries();
    void markShowsAtOnceAndRollsBack();
    void secondMarkBeforeTheAnswerIsIgnored();
    void downloadedCardIsNotDownloadedAgain();
    void markNeedsSignIn();
    void unCollectInCollectedTabLeavesTheList();
    void inactiveControllerAppliesNothing();
    void markAnsweredWhileInactiveFreesTheCard();
    void markAnsweredAfterAReloadShowsTheAnswer();
    void replacedApiIsNoLongerHeard();
    void pidChangeReloadsAtOnce();

private:
    void loadFirstPage();
    QTimer *timer(const char *name) const;

    std::unique_ptr<EqCloudTestSession> m_session;
    std::unique_ptr<EQCloudListController> m_controller;
    EQCloudTimings m_timings;
};

void TestEqCloudListController::init()
{
    m_session = std::make_unique<EqCloudTestSession>();
    QVERIFY(m_session->isReady());
    m_session->signIn();
    m_controller = std::make_unique<EQCloudListController>();
    m_timings.refreshDebounceMs = 30;
    m_timings.refreshBusyRetryMs = 10;
    m_timings.refreshBusyRetryLimit = 3;
    m_timings.weakNetRetryMs = 30;
    m_controller->setTimings(m_timings);
    m_controller->setEqApi(m_session->eqApi());
    m_controller->setLoginController(m_session->login());
    m_controller->setPid(EqCloudTestSession::pid);
    // setPid asked the first page; let it land.
    QTRY_VERIFY_WITH_TIMEOUT(!m_controller->isLoading(), 5000);
    m_session->server().clearRequests();
}

void TestEqCloudListController::cleanup()
{
    m_controller.reset();
    m_session.reset();
}

QTimer *TestEqCloudListController::timer(const char *name) const
{
    return m_controller->findChild<QTimer *>(QLatin1String(name));
}

void TestEqCloudListController::loadFirstPage()
{
    QSignalSpy loading(m_controller.get(), &EQCloudListController::loadingChanged);
    m_controller->refresh();
    QTRY_VERIFY_WITH_TIMEOUT(!m_controller->isLoading(), 5000);
}

void TestEqCloudListController::queryShape_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("sort");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("listType");
    QTest::addColumn<QString>("share");
    QTest::addColumn<QString>("orderBy");

    QTest::newRow("cloud, downloads") << 0 << 0 << "" << "1" << "" << "download_num";
    QTest::newRow("my sharing, collected") << 1 << 1 << "" << "1" << "2" << "coll_num";
    QTest::newRow("collected, liked") << 2 << 2 << "" << "2" << "" << "like_num";
    QTest::newRow("unknown tab, newest") << 9 << 3 << "" << "1" << "" << "add_time";
    QTest::newRow("unknown sort, keyword") << 0 << 7 << "  bass  " << "1" << "" << "download_num";
}

void TestEqCloudListController::queryShape()
{
    QFETCH(int, tab);
    QFETCH(int, sort);
    QFETCH(QString, keyword);
    QFETCH(QString, share);
    m_controller->setTabMode(EQCloudListController::TabMode(tab));
    m_controller->setSortMode(EQCloudListController::SortMode(sort));
    m_controller->setKeyword(keyword);
    loadFirstPage();

    const FakeApi::HttpRequest request = m_session->server().lastRequest(listRoute);
    QCOMPARE(request.field("pid"), EqCloudTestSession::pid);
    QTEST(request.field("listType"), "listType");
    QCOMPARE(request.hasField("share"), !share.isEmpty());
    QCOMPARE(request.field("share"), share);
    QTEST(request.field("order_by"), "orderBy");
    QCOMPARE(request.hasField("keyword"), !keyword.trimmed().isEmpty());
    QCOMPARE(request.field("keyword"), keyword.trimmed());
    QCOMPARE(request.field("pageIndex"), QStringLiteral("1"));
    QCOMPARE(request.field("pageSize"), QStringLiteral("15"));
}

void TestEqCloudListController::nothingAskedWithoutSessionOrApi()
{
    QSignalSpy loading(m_controller.get(), &EQCloudListController::loadingChanged);
    QSignalSpy errors(m_controller.get(), &EQCloudListController::errorOccurred);
    m_session->signOut();
    m_controller->refresh();
    QCOMPARE(loading.count(), 0);
    QCOMPARE(errors.count(), 0);

    m_session->signIn();
    m_controller->setEqApi(nullptr);
    m_controller->refresh();
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toInt(), -1);
    QCOMPARE(errors.at(0).at(1).toString(), QStringLiteral("EqApi not available"));
    QCOMPARE(loading.count(), 0);
    QCOMPARE(m_session->server().requestCount(listRoute), 0);
}

void TestEqCloudListController::pagesFollowEachOther()
{
    m_session->shareMany(20);
    loadFirstPage();
    EQCloudListModel *model = m_controller->model();
    QCOMPARE(model->rowCount(), 15);
    QCOMPARE(m_controller->totalCount(), 20);
    QVERIFY(m_controller->hasMore());

    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    m_controller->loadNextPageIfNeeded();
    QVERIFY(m_controller->isLoading());
    QVERIFY(!m_controller->hasMore()); // not while loading
    QTRY_VERIFY_WITH_TIMEOUT(!m_controller->isLoading(), 5000);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(model->rowCount(), 20);
    QCOMPARE(m_controller->pageIndex(), 2);
    QCOMPARE(m_session->server().lastRequest(listRoute).field("pageIndex"), QStringLiteral("2"));
    QVERIFY(!m_controller->hasMore());

    // A reset asks page 1 again and its reply replaces the rows.
    loadFirstPage();
    QCOMPARE(model->rowCount(), 15);
}

void TestEqCloudListController::hasMore_data()
{
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("total");
    QTest::addColumn<bool>("more");
    QTest::addColumn<int>("totalAfter");
    QTest::newRow("full page of more") << 15 << 40 << true << 40;
    QTest::newRow("full page is all") << 15 << 15 << false << 15;
    QTest::newRow("no total: the rows count") << 15 << 0 << false << 15;
    QTest::newRow("short page") << 14 << 99 << false << 99;
    QTest::newRow("empty page") << 0 << 0 << false << 0;
}

void TestEqCloudListController::hasMore()
{
    QFETCH(int, items);
    QFETCH(int, total);
    m_session->server().backend().setCannedReply(listRoute, cannedPage(items, total));
    loadFirstPage();
    QTEST(m_controller->hasMore(), "more");
    QTEST(m_controller->totalCount(), "totalAfter");
}

void TestEqCloudListController::keywordListsOnePage()
{
    m_session->server().backend().setCannedReply(listRoute, cannedPage(15, 40));
    m_controller->setKeyword(" rock ");
    loadFirstPage();
    QCOMPARE(m_controller->keyword(), QStringLiteral("rock"));
    QVERIFY(!m_controller->hasMore());

    QSignalSpy loading(m_controller.get(), &EQCloudListController::loadingChanged);
    m_controller->requestPage(false);
    QCOMPARE(loading.count(), 2);
    QCOMPARE(loading.at(0).at(0).toBool(), true);
    QCOMPARE(loading.at(1).at(0).toBool(), false);
    QCOMPARE(m_session->server().requestCount(listRoute), 1);
}

void TestEqCloudListController::staleRepliesOnlyEndLoading_data()
{
    QTest::addColumn<int>("requestPageIndex");
    QTest::addColumn<QString>("requestPid");
    QTest::addColumn<bool>("failure");
    QTest::newRow("other pid") << 1001 << "12345" << false;
    QTest::newRow("other list type") << 2001 << EqCloudTestSession::pid << false;
    QTest::newRow("own shares of another tab") << 11001 << EqCloudTestSession::pid << false;
    QTest::newRow("failure of another pid") << 1001 << "12345" << true;
    QTest::newRow("failure of another tab") << 2001 << EqCloudTestSession::pid << true;
}

void TestEqCloudListController::staleRepliesOnlyEndLoading()
{
    QFETCH(int, requestPageIndex);
    QFETCH(QString, requestPid);
    QFETCH(bool, failure);
    EqApi *api = m_session->eqApi();
    emit api->cloudEQListReceived({EqCloudTestSession::item("1"), EqCloudTestSession::item("2")}, 2, 1001,
                                  EqCloudTestSession::pid);
    QCOMPARE(m_controller->model()->rowCount(), 2);

    m_session->server().setFault(listRoute, Fault::of(Fault::Kind::Stall));
    m_controller->refresh();
    QVERIFY(m_controller->isLoading());
    QSignalSpy loading(m_controller.get(), &EQCloudListController::loadingChanged);
    QSignalSpy errors(m_controller.get(), &EQCloudListController::errorOccurred);
    QSignalSpy reset(m_controller->model(), &QAbstractItemModel::modelReset);
    if (failure)
        emit api->cloudEQListFailed(-1, QStringLiteral("Connection refused"), requestPageIndex, requestPid);
    else
        emit api->cloudEQListReceived({EqCloudTestSession::item("9")}, 1, requestPageIndex, requestPid);

    QCOMPARE(loading.count(), 1);
    QCOMPARE(loading.at(0).at(0).toBool(), false);
    QCOMPARE(reset.count(), 0);
    QCOMPARE(m_controller->model()->rowCount(), 2);
    QCOMPARE(errors.count(), 0);
    QVERIFY(!timer("weakNetRetryTimer")->isActive());
}

void TestEqCloudListController::weakNetworkTest_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("weak");
    QTest::newRow("negative code") << -1 << "" << true;
    QTest::newRow("not json") << -2 << "whatever" << true;
    QTest::newRow("server code") << 1003 << "timeout" << false;
    QTest::newRow("code 1") << 1 << "timed out" << false;
    QTest::newRow("canceled beats negative") << -1 << "  operation CANCELED  " << false;
    QTest::newRow("timeout") << 0 << "Socket operation TIMEOUT" << true;
    QTest::newRow("timed out") << 0 << "Request timed out" << true;
    QTest::newRow("host not found") << 0 << "Host example.com not found" << true;
    QTest::newRow("host alone") << 0 << "Host unreachable" << false;
    QTest::newRow("could not connect") << 0 << "could not connect to server" << true;
    QTest::newRow("refused") << 0 << "Connection refused" << true;
    QTest::newRow("unreachable network") << 0 << "Network is unreachable" << true;
    QTest::newRow("ssl error") << 0 << "SSL handshake error" << true;
    QTest::newRow("ssl alone") << 0 << "SSL" << false;
    QTest::newRow("other text") << 0 << "busy" << false;
}

void TestEqCloudListController::weakNetworkTest()
{
    QFETCH(int, code);
    QFETCH(QString, message);
    QTEST(EQCloudListController::isWeakNetworkError(code, message), "weak");
}

void TestEqCloudListController::weakFirstPageRetriedOnce()
{
    m_session->shareMany(3);
    Fault fault = Fault::status(502);
    fault.times = 1;
    m_session->server().setFault(listRoute, fault);
    QSignalSpy errors(m_controller.get(), &EQCloudListController::errorOccurred);
    m_controller->refresh();
    QTRY_COMPARE_WITH_TIMEOUT(m_session->server().requestCount(listRoute), 2, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_controller->isLoading() && m_controller->model()->rowCount() == 3, 5000);
    QCOMPARE(errors.count(), 0);
}

void TestEqCloudListController::secondWeakFailureIsReported()
{
    m_session->server().setFault(listRoute, Fault::status(502));
    QSignalSpy errors(m_controller.get(), &EQCloudListController::errorOccurred);
    m_controller->refresh();
    QVERIFY(errors.wait(5000));
    QCOMPARE(m_session->server().requestCount(listRoute), 2);
    QCOMPARE(errors.at(0).at(0).toInt(), -1);
    QVERIFY(!timer("weakNetRetryTimer")->isActive());
}

void TestEqCloudListController::laterPageFailureIsReportedAndAskedAgain()
{
    m_session->shareMany(20);
    loadFirstPage();
    m_session->server().setFault(listRoute, Fault::status(502));
    QSignalSpy errors(m_controller.get(), &EQCloudListController::errorOccurred);
    m_controller->loadNextPageIfNeeded();
    QVERIFY(errors.wait(5000));
    QCOMPARE(m_session->server().requestCount(listRoute), 2);
    QVERIFY(!timer("weakNetRetryTimer")->isActive());

    // The lost page is asked again, not skipped.
    m_session->server().clearFaults();
    QVERIFY(m_controller->hasMore());
    m_controller->loadNextPageIfNeeded();
    QTRY_VERIFY_WITH_TIMEOUT(!m_controller->isLoading(), 5000);
    QCOMPARE(m_session->server().lastRequest(listRoute).field("pageIndex"), QStringLiteral("2"));
    QCOMPARE(m_controller->model()->rowCount(), 20);
}

void TestEqCloudListController::canceledFirstPageIsNotRetried()
{
    QSignalSpy errors(m_controller.get(), &EQCloudListController::errorOccurred);
    emit m_session->eqApi()->cloudEQListFailed(0, QStringLiteral("Operation canceled"), 1001,
                                               EqCloudTestSession::pid);
    QCOMPARE(errors.count(), 1);
    QVERIFY(!timer("weakNetRetryTimer")->isActive());
}

void TestEqCloudListController::retryDroppedWhenTheQueryChanged()
{
    Fault fault = Fault::status(502);
    fault.times = 1;
    m_session->server().setFault(listRoute, fault);
    QSignalSpy failed(m_session->eqApi(), &EqApi::cloudEQListFailed);
    m_controller->refresh();
    QVERIFY(failed.wait(5000));
    QVERIFY(timer("weakNetRetryTimer")->isActive());
    m_controller->setKeyword(QStringLiteral("new"));
    QTRY_VERIFY_WITH_TIMEOUT(!timer("weakNetRetryTimer")->isActive(), 5000);
    QCOMPARE(m_session->server().requestCount(listRoute), 1);
    QVERIFY(!m_controller->isLoading());
}

void TestEqCloudListController::scheduledRefreshesCollapse()
{
    m_controller->scheduleRefresh();
    m_controller->scheduleRefresh();
    m_controller->scheduleRefresh();
    QVERIFY(timer("refreshDebounceTimer")->isActive());
    QCOMPARE(m_session->server().requestCount(listRoute), 0);
    QTRY_COMPARE_WITH_TIMEOUT(m_session->server().requestCount(listRoute), 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_controller->isLoading(), 5000);
    QCOMPARE(m_session->server().requestCount(listRoute), 1);
}

void TestEqCloudListController::busyRefreshGivesUpAfterItsRetries()
{
    m_session->server().setFault(listRoute, Fault::of(Fault::Kind::Stall));
    m_controller->refresh();
    QTRY_COMPARE_WITH_TIMEOUT(m_session->server().requestCount(listRoute), 1, 5000);
    m_controller->scheduleRefresh();
    // 30 ms, then three re-arms of 10 ms, then the refresh is dropped.
    QTRY_VERIFY_WITH_TIMEOUT(!timer("refreshDebounceTimer")->isActive(), 5000);
    QCOMPARE(m_session->server().requestCount(listRoute), 1);
    QVERIFY(m_controller->isLoading());
}

void TestEqCloudListController::markShowsAtOnceAndRollsBack()
{
    const int id = m_session->share(QStringLiteral("liked"));
    loadFirstPage();
    EQCloudListModel *model = m_controller->model();
    QCOMPARE(model->itemAt(0).like_num, QStringLiteral("0"));

    QSignalSpy operated(m_session->eqApi(), &EqApi::cloudEQOperated);
    m_controller->operate(0, CloudEQOperation::Like);
    QCOMPARE(model->itemAt(0).like_num, QStringLiteral("1"));
    QCOMPARE(model->itemAt(0).isLike, QStringLiteral("1"));
    QVERIFY(operated.wait(5000));
    QCOMPARE(model->itemAt(0).like_num, QStringLiteral("1"));
    QVERIFY(m_session->server().backend().eqCloud().shared(id)->likedBy.contains(m_session->user().uid));
    QCOMPARE(m_session->server().lastRequest(operateRoute).field("status"), QStringLiteral("1"));

    // Taking the like back fails on the server: the row shows the mark again.
    m_session->server().setFault(operateRoute, Fault::status(500));
    QSignalSpy errors(m_controller.get(), &EQCloudListController::errorOccurred);
    m_controller->operate(0, CloudEQOperation::Like);
    QCOMPARE(model->itemAt(0).like_num, QStringLiteral("0"));
    QCOMPARE(model->itemAt(0).isLike, QStringLiteral("0"));
    QVERIFY(errors.wait(5000));
    QCOMPARE(model->itemAt(0).like_num, QStringLiteral("1"));
    QCOMPARE(model->itemAt(0).isLike, QStringLiteral("1"));
}

void TestEqCloudListController::secondMarkBeforeTheAnswerIsIgnored()
{
    m_session->share(QStringLiteral("x"));
    loadFirstPage();
    m_session->server().setFault(operateRoute, Fault::delay(60));
    QSignalSpy operated(m_session->eqApi(), &EqApi::cloudEQOperated);
    m_controller->operate(0, CloudEQOperation::Collect);
    m_controller->operate(0, CloudEQOperation::Collect);
    QCOMPARE(m_controller->model()->itemAt(0).coll_num, QStringLiteral("1"));
    QVERIFY(operated.wait(5000));
    QCOMPARE(m_session->server().requestCount(operateRoute), 1);
    QCOMPARE(m_controller->model()->itemAt(0).coll_num, QStringLiteral("1"));

    // Answered: the next click takes the mark back.
    m_controller->operate(0, CloudEQOperation::Collect);
    QCOMPARE(m_controller->model()->itemAt(0).isColl, QStringLiteral("0"));
}

void TestEqCloudListController::downloadedCardIsNotDownloadedAgain()
{
    const int id = m_session->share(QStringLiteral("dl"));
    m_session->markOnServer(id, int(CloudEQOperation::Download));
    loadFirstPage();
    QSignalSpy errors(m_controller.get(), &EQCloudListController::errorOccurred);
    m_controller->operate(0, CloudEQOperation::Download);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toInt(), 0);
    QCOMPARE(errors.at(0).at(1).toString(), QStringLiteral("已下载"));
    QCOMPARE(m_session->server().requestCount(operateRoute), 0);
    QCOMPARE(m_controller->model()->itemAt(0).download_num, QStringLiteral("1"));
}

void TestEqCloudListController::markNeedsSignIn()
{
    m_session->share(QStringLiteral("x"));
    loadFirstPage();
    m_session->signOut();
    QSignalSpy login(m_controller.get(), &EQCloudListController::requireLogin);
    m_controller->operate(0, CloudEQOperation::Like);
    QCOMPARE(login.count(), 1);
    QCOMPARE(m_controller->model()->itemAt(0).isLike, QStringLiteral("0"));
    QCOMPARE(m_session->server().requestCount(operateRoute), 0);
}

void TestEqCloudListController::unCollectInCollectedTabLeavesTheList()
{
    const QList<int> ids = m_session->shareMany(2);
    for (int id : ids)
        m_session->markOnServer(id, int(CloudEQOperation::Collect));
    m_controller->setTabMode(EQCloudListController::Collected);
    m_controller->setKeyword(QStringLiteral("eq"));
    loadFirstPage();
    QCOMPARE(m_controller->model()->rowCount(), 2);

    m_controller->operate(0, CloudEQOperation::Collect);
    QTRY_COMPARE_WITH_TIMEOUT(m_session->server().requestCount(listRoute), 2, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_controller->isLoading(), 5000);
    QCOMPARE(m_controller->model()->rowCount(), 1);
    QCOMPARE(m_controller->keyword(), QString());
    QVERIFY(!m_session->server().lastRequest(listRoute).hasField("keyword"));
}

void TestEqCloudListController::inactiveControllerAppliesNothing()
{
    m_session->share(QStringLiteral("x"));
    loadFirstPage();
    EQCloudListModel *model = m_controller->model();
    m_session->server().setFault(operateRoute, Fault::status(500));
    QSignalSpy errors(m_controller.get(), &EQCloudListController::errorOccurred);
    QSignalSpy failed(m_session->eqApi(), &EqApi::cloudEQOperateFailed);
    m_controller->operate(0, CloudEQOperation::Like);
    m_controller->setActive(false);
    QVERIFY(failed.wait(5000));
    QCOMPARE(model->itemAt(0).isLike, QStringLiteral("0")); // still rolled back
    QCOMPARE(errors.count(), 0);

    m_controller->refresh();
    QCOMPARE(m_session->server().requestCount(listRoute), 1);
    QSignalSpy loading(m_controller.get(), &EQCloudListController::loadingChanged);
    emit m_session->eqApi()->cloudEQListReceived({}, 0, 1001, EqCloudTestSession::pid);
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(loading.count(), 1);
    emit m_session->eqApi()->cloudEQListFailed(-1, QString(), 1001, EqCloudTestSession::pid);
    QCOMPARE(errors.count(), 0);
    QVERIFY(!timer("weakNetRetryTimer")->isActive());
    emit m_session->eqApi()->cloudEQOperated(CloudEQOperation::Like, 1, model->itemAt(0).id.toInt());
    QCOMPARE(model->itemAt(0).isLike, QStringLiteral("0"));
}

void TestEqCloudListController::markAnsweredWhileInactiveFreesTheCard()
{
    m_session->share(QStringLiteral("x"));
    loadFirstPage();
    m_session->server().setFault(operateRoute, Fault::delay(60));
    QSignalSpy operated(m_session->eqApi(), &EqApi::cloudEQOperated);
    m_controller->operate(0, CloudEQOperation::Like);
    m_controller->setActive(false); // the downloads tab, say
    QVERIFY(operated.wait(5000));
    m_controller->setActive(true);

    // The answered like no longer counts as outstanding: the next click is sent.
    m_session->server().clearFaults();
    m_controller->operate(0, CloudEQOperation::Like);
    QCOMPARE(m_controller->model()->itemAt(0).isLike, QStringLiteral("0"));
    QTRY_COMPARE_WITH_TIMEOUT(m_session->server().requestCount(operateRoute), 2, 5000);
    QCOMPARE(m_session->server().lastRequest(operateRoute).field("status"), QStringLiteral("0"));
}

void TestEqCloudListController::markAnsweredAfterAReloadShowsTheAnswer()
{
    m_session->share(QStringLiteral("x"));
    loadFirstPage();
    EQCloudListModel *model = m_controller->model();
    const CloudEQItem before = model->itemAt(0);
    m_session->server().setFault(operateRoute, Fault::delay(60));
    QSignalSpy operated(m_session->eqApi(), &EqApi::cloudEQOperated);
    m_controller->operate(0, CloudEQOperation::Collect);

    // The list comes back while the request runs, still without the mark.
    emit m_session->eqApi()->cloudEQListReceived({before}, 1, 1001, EqCloudTestSession::pid);
    QCOMPARE(model->itemAt(0).isColl, QStringLiteral("0"));
    QVERIFY(operated.wait(5000));
    QCOMPARE(model->itemAt(0).isColl, QStringLiteral("1"));
    QCOMPARE(model->itemAt(0).coll_num, QStringLiteral("1"));
}

void TestEqCloudListController::replacedApiIsNoLongerHeard()
{
    EqApi other;
    EqApi *old = m_session->eqApi();
    m_controller->setEqApi(&other);
    emit old->cloudEQListReceived({EqCloudTestSession::item("1")}, 1, 1001, EqCloudTestSession::pid);
    QCOMPARE(m_controller->model()->rowCount(), 0);
    emit other.cloudEQListReceived({EqCloudTestSession::item("1")}, 1, 1001, EqCloudTestSession::pid);
    QCOMPARE(m_controller->model()->rowCount(), 1);
    m_controller->setEqApi(nullptr);
}

void TestEqCloudListController::pidChangeReloadsAtOnce()
{
    m_session->share(QStringLiteral("x"));
    loadFirstPage();
    QCOMPARE(m_controller->model()->rowCount(), 1);
    m_controller->setPid(QStringLiteral("  "));
    QCOMPARE(m_controller->pid(), QStringLiteral("1"));
    QCOMPARE(m_controller->model()->rowCount(), 0); // cleared at once
    QVERIFY(m_controller->isLoading());
    QTRY_VERIFY_WITH_TIMEOUT(!m_controller->isLoading(), 5000);
    QCOMPARE(m_session->server().lastRequest(listRoute).field("pid"), QStringLiteral("1"));

    const int before = m_session->server().requestCount(listRoute);
    m_controller->setPid(QStringLiteral(" 1 "));
    QCOMPARE(m_session->server().requestCount(listRoute), before);
    QVERIFY(!m_controller->isLoading());
}

QTEST_MAIN(TestEqCloudListController)
#include "tst_eqcloudlistcontroller.moc"
