// The EQ requests against the fake server: request shapes, the single-flight
// rule of the two list requests, reply decoding and failures.
#include "CloudTestSupport.h"

#include "cloud/EqApi.h"
#include "tests/support/fakeapi/FakeApiServer.h"

#include <QJsonArray>
#include <QNetworkReply>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using EarphoneApi::CloudEQItem;
using EarphoneApi::CloudEQOperation;
using EarphoneApi::EQCategory;
using EarphoneApi::EQEffect;
using EarphoneApi::EqApi;
using FakeApi::Backend;
using FakeApi::Fault;

namespace {

const QString cloudListRoute = QStringLiteral("home/cloud/cloudList");

QJsonObject bands(const QString &name)
{
    return QJsonObject{{"name", name},
                       {"desc", "d"},
                       {"cate_id", "3"},
                       {"main_gain", 2},
                       {"freq", QJsonArray{"31", "62.5"}},
                       {"q", QJsonArray{"0.7", "1"}},
                       {"sound", QJsonArray{"1.5", "-2"}},
                       {"type", QJsonArray{"PK", "LS"}}};
}

QStringList partNames(const FakeApi::HttpRequest &request)
{
    QStringList names;
    for (const FakeApi::MultipartPart &part : request.parts)
        names.append(part.name);
    return names;
}

} // namespace

class TestEqApi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { CloudTest::bypassProxy(); }
    void init();
    void cleanup();

    void soundListIsMultipartWithoutToken();
    void cloudListRequestShape_data();
    void cloudListRequestShape();
    void cloudListPagesAndMarks();
    void secondListRequestSupersedesFirst();
    void secondSoundListSupersedesFirst();
    void cloudListTotals_data();
    void cloudListTotals();
    void cloudListFailureCarriesPageAndPid_data();
    void cloudListFailureCarriesPageAndPid();
    void expiredTokenRaisesTokenInvalidFirst();
    void gameTypesSkipNonObjects();
    void operateReportsItsRequest_data();
    void operateReportsItsRequest();
    void downloadListAndRecordDeletion();
    void deleteSharedEqOnlyByOwner();
    void uploadSendsTextsAsJson();
    void uploadValidationFailure();

private:
    FakeApi::FakeApiServer *m_server = nullptr;
    EqApi *m_api = nullptr;
    FakeApi::User m_user;
};

void TestEqApi::init()
{
    m_server = new FakeApi::FakeApiServer(this);
    QVERIFY(m_server->start());
    m_user = m_server->backend().addUser(QStringLiteral("eve@example.com"), QStringLiteral("pw"));
    m_api = new EqApi(this);
    m_api->setBaseUrl(m_server->baseUrl());
    m_api->setToken(m_server->backend().issueToken(m_user.userName));
}

void TestEqApi::cleanup()
{
    delete m_api;
    delete m_server;
}

void TestEqApi::soundListIsMultipartWithoutToken()
{
    m_server->backend().eqCloud().setSoundList(
        "49678", QJsonArray{QJsonObject{{"id", 1}, {"name", "Rock"}, {"sound", QJsonArray{1, 2}}}, 7});
    QSignalSpy received(m_api, &EqApi::eqEffectsReceived);
    QVERIFY(m_api->getEQEffects(QStringLiteral("49678")));
    QVERIFY(received.wait(5000));
    const auto effects = received.at(0).at(0).value<QList<EQEffect>>();
    QCOMPARE(effects.size(), 1);
    QCOMPARE(effects.at(0).id, QStringLiteral("1"));
    QCOMPARE(effects.at(0).sound, (QList<double>{1, 2}));
    QCOMPARE(received.at(0).at(1).toString(), QStringLiteral("49678"));

    const FakeApi::HttpRequest request = m_server->lastRequest("home/common/soundList");
    QVERIFY(request.header("content-type").startsWith("multipart/form-data"));
    QCOMPARE(partNames(request), QStringList{"pid"});
    QVERIFY(!request.hasHeader("token"));
}

void TestEqApi::cloudListRequestShape_data()
{
    QTest::addColumn<QString>("pid");
    QTest::addColumn<int>("share");
    QTest::addColumn<QString>("orderBy");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QStringList>("parts");
    QTest::addColumn<QString>("sentPid");
    QTest::addColumn<int>("requestPageIndex");
    QTest::newRow("public, blank pid") << "   " << -1 << "" << ""
                                       << QStringList{"listType", "order_by", "pageIndex", "pageSize", "pid"} << "1"
                                       << 1003;
    QTest::newRow("own shares with keyword")
        << " 49678 " << 2 << "like_num" << " Ro"
        << QStringList{"keyword", "listType", "order_by", "pageIndex", "pageSize", "pid", "share"} << "49678" << 11003;
}

void TestEqApi::cloudListRequestShape()
{
    QFETCH(QString, pid);
    QFETCH(int, share);
    QFETCH(QString, orderBy);
    QFETCH(QString, keyword);
    QFETCH(QString, sentPid);
    QFETCH(int, requestPageIndex);
    QSignalSpy received(m_api, &EqApi::cloudEQListReceived);
    QVERIFY(m_api->getCloudEQList(pid, 1, share, orderBy, keyword, 3, 20));
    QVERIFY(received.wait(5000));
    QCOMPARE(received.at(0).at(2).toInt(), requestPageIndex);
    QCOMPARE(received.at(0).at(3).toString(), sentPid);

    const FakeApi::HttpRequest request = m_server->lastRequest(cloudListRoute);
    QTEST(partNames(request), "parts");
    QCOMPARE(request.field("pid"), sentPid);
    QCOMPARE(request.field("order_by"), orderBy);
    QCOMPARE(request.field("keyword"), keyword); // not trimmed
    QCOMPARE(request.field("pageIndex"), QStringLiteral("3"));
    QCOMPARE(request.header("token"), m_api->token().toUtf8());
}

void TestEqApi::cloudListPagesAndMarks()
{
    auto &cloud = m_server->backend().eqCloud();
    for (int i = 0; i < 5; ++i)
        cloud.addShared(QStringLiteral("other"), QStringLiteral("49678"), bands(QStringLiteral("eq%1").arg(i)));
    const int liked = cloud.addShared(m_user.uid, QStringLiteral("49678"), bands(QStringLiteral("mine")));

    QSignalSpy operated(m_api, &EqApi::cloudEQOperated);
    QVERIFY(m_api->operateCloudEQ(liked, CloudEQOperation::Like, 1));
    QVERIFY(operated.wait(5000));

    QSignalSpy received(m_api, &EqApi::cloudEQListReceived);
    QVERIFY(m_api->getCloudEQList("49678", 1, -1, "like_num", "", 1, 4));
    QVERIFY(received.wait(5000));
    const auto items = received.at(0).at(0).value<QList<CloudEQItem>>();
    QCOMPARE(received.at(0).at(1).toInt(), 6);
    QCOMPARE(items.size(), 4);
    QCOMPARE(items.at(0).id, QString::number(liked));
    QCOMPARE(items.at(0).isLike, QStringLiteral("1"));
    QCOMPARE(items.at(0).like_num, QStringLiteral("1"));
    QCOMPARE(items.at(0).freq, (QStringList{"31", "62.5"})); // sent as a text holding an array
    QCOMPARE(items.at(0).main_gain, 2);
    QCOMPARE(items.at(1).isLike, QStringLiteral("0"));
}

void TestEqApi::secondListRequestSupersedesFirst()
{
    m_server->setFault(cloudListRoute, Fault::delay(150));
    QSignalSpy received(m_api, &EqApi::cloudEQListReceived);
    QSignalSpy failed(m_api, &EqApi::cloudEQListFailed);
    QPointer<QNetworkReply> first = m_api->getCloudEQList("49678", 1, -1, "", "", 1, 10);
    QVERIFY(first);
    QVERIFY(m_api->getCloudEQList("49678", 2, -1, "", "", 4, 10));
    QVERIFY(first->isFinished());
    QVERIFY(received.wait(5000));
    // Once the superseded reply is gone nothing can speak for it any more.
    QTRY_VERIFY_WITH_TIMEOUT(first.isNull(), 5000);
    QCOMPARE(received.size(), 1);
    QCOMPARE(received.at(0).at(2).toInt(), 2004);
    QCOMPARE(failed.size(), 0);
}

void TestEqApi::secondSoundListSupersedesFirst()
{
    m_server->backend().eqCloud().setSoundList("1", QJsonArray{QJsonObject{{"id", "a"}}});
    m_server->backend().eqCloud().setSoundList("2", QJsonArray{QJsonObject{{"id", "b"}}, QJsonObject{{"id", "c"}}});
    m_server->setFault("home/common/soundList", Fault::delay(150));
    QSignalSpy received(m_api, &EqApi::eqEffectsReceived);
    QSignalSpy failed(m_api, &EqApi::eqEffectsFailed);
    QPointer<QNetworkReply> first = m_api->getEQEffects("1");
    QVERIFY(first);
    QVERIFY(m_api->getEQEffects("2"));
    QVERIFY(received.wait(5000));
    QTRY_VERIFY_WITH_TIMEOUT(first.isNull(), 5000);
    QCOMPARE(received.size(), 1);
    QCOMPARE(received.at(0).at(1).toString(), QStringLiteral("2"));
    QCOMPARE(received.at(0).at(0).value<QList<EQEffect>>().size(), 2);
    QCOMPARE(failed.size(), 0);
}

void TestEqApi::cloudListTotals_data()
{
    QTest::addColumn<QJsonValue>("data");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("items");
    QTest::newRow("count times size") << QJsonValue(QJsonObject{{"pageInfo", QJsonObject{{"pageCount", 3}, {"pageSize", 20}}}})
                                      << 60 << 0;
    QTest::newRow("null total") << QJsonValue(QJsonObject{{"pageInfo", QJsonObject{{"total", QJsonValue()}, {"pageCount", 2}, {"pageSize", 10}}}})
                                << 20 << 0;
    QTest::newRow("total as text") << QJsonValue(QJsonObject{{"pageInfo", QJsonObject{{"total", " 45 "}, {"pageCount", 9}, {"pageSize", 9}}}})
                                   << 45 << 0;
    QTest::newRow("count times size past int") << QJsonValue(QJsonObject{{"pageInfo", QJsonObject{{"pageCount", 2000000000}, {"pageSize", 2000000000}}}})
                                               << 2147483647 << 0;
    QTest::newRow("items skip non-objects") << QJsonValue(QJsonObject{{"allData", QJsonArray{QJsonObject{{"id", 1}}, 2, "x"}}})
                                            << 0 << 1;
    QTest::newRow("data an array") << QJsonValue(QJsonArray{QJsonObject{{"id", 1}}}) << 0 << 0;
}

void TestEqApi::cloudListTotals()
{
    QFETCH(QJsonValue, data);
    m_server->backend().setCannedReply(cloudListRoute, Backend::envelope(0, "", data));
    QSignalSpy received(m_api, &EqApi::cloudEQListReceived);
    QVERIFY(m_api->getCloudEQList("49678", 1, -1, "", "", 1, 10));
    QVERIFY(received.wait(5000));
    QTEST(received.at(0).at(1).toInt(), "total");
    QTEST(int(received.at(0).at(0).value<QList<CloudEQItem>>().size()), "items");
}

void TestEqApi::cloudListFailureCarriesPageAndPid_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("code");
    QTest::newRow("http error") << Fault::status(502) << -1;
    QTest::newRow("not json") << Fault::of(Fault::Kind::NonJson) << -2;
    QTest::newRow("json array") << Fault::of(Fault::Kind::JsonArray) << -3;
}

void TestEqApi::cloudListFailureCarriesPageAndPid()
{
    QFETCH(Fault, fault);
    m_server->setFault(cloudListRoute, fault);
    QSignalSpy failed(m_api, &EqApi::cloudEQListFailed);
    QSignalSpy networkError(m_api, &EqApi::networkError);
    QVERIFY(m_api->getCloudEQList(" 7 ", 2, -1, "", "", 0, 10));
    QVERIFY(failed.wait(5000));
    QTEST(failed.at(0).at(0).toInt(), "code");
    QCOMPARE(failed.at(0).at(2).toInt(), 2000); // page 0 encoded stays above 1
    QCOMPARE(failed.at(0).at(3).toString(), QStringLiteral("7"));
    QCOMPARE(networkError.size(), failed.at(0).at(0).toInt() == -1 ? 1 : 0);
}

void TestEqApi::expiredTokenRaisesTokenInvalidFirst()
{
    m_server->backend().expireToken(m_api->token());
    QStringList order;
    connect(m_api, &EqApi::tokenInvalid, this, [&order](int code) { order << QStringLiteral("tokenInvalid %1").arg(code); });
    connect(m_api, &EqApi::downloadListFailed, this, [&order](int code) { order << QStringLiteral("failed %1").arg(code); });
    QSignalSpy failed(m_api, &EqApi::downloadListFailed);
    QVERIFY(m_api->getDownloadList(49678));
    QVERIFY(failed.wait(5000));
    QCOMPARE(order, (QStringList{"tokenInvalid 1004", "failed 1004"}));
}

void TestEqApi::gameTypesSkipNonObjects()
{
    m_server->backend().eqCloud().setGameTypes(
        "49678", QJsonArray{QJsonObject{{"id", "1"}, {"name", "FPS"}}, QJsonObject{{"id", "2"}, {"name", "MOBA"}}, 3});
    QSignalSpy received(m_api, &EqApi::gameTypesReceived);
    QVERIFY(m_api->getGameTypes("49678"));
    QVERIFY(received.wait(5000));
    const auto types = received.at(0).at(0).value<QList<EQCategory>>();
    QCOMPARE(types.size(), 2);
    QCOMPARE(types.at(1).name, QStringLiteral("MOBA"));
    QCOMPARE(m_server->lastRequest("home/cloud/gameType").field("pid"), QStringLiteral("49678"));
}

void TestEqApi::operateReportsItsRequest_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("status");
    QTest::newRow("collect") << true << 1;
    QTest::newRow("take back") << true << 0;
    QTest::newRow("unknown item") << false << 1;
}

void TestEqApi::operateReportsItsRequest()
{
    QFETCH(bool, exists);
    QFETCH(int, status);
    const int id = exists ? m_server->backend().eqCloud().addShared("other", "49678", bands("x")) : 9999;
    QSignalSpy operated(m_api, &EqApi::cloudEQOperated);
    QSignalSpy failed(m_api, &EqApi::cloudEQOperateFailed);
    QVERIFY(m_api->operateCloudEQ(id, CloudEQOperation::Collect, status));
    QVERIFY(QTest::qWaitFor([&] { return operated.size() + failed.size() > 0; }, 5000));
    QSignalSpy &spy = exists ? operated : failed;
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).value<CloudEQOperation>(), CloudEQOperation::Collect);
    QCOMPARE(spy.at(0).at(1).toInt(), status);
    QCOMPARE(spy.at(0).at(2).toInt(), id);
    if (!exists)
        QCOMPARE(failed.at(0).at(3).toInt(), 2042);

    const FakeApi::HttpRequest request = m_server->lastRequest("home/cloud/cloudOperate");
    QCOMPARE(request.formFields,
             (QList<QPair<QString, QString>>{{"cloud_id", QString::number(id)}, {"operate", "3"}, {"status", QString::number(status)}}));
}

void TestEqApi::downloadListAndRecordDeletion()
{
    auto &cloud = m_server->backend().eqCloud();
    const int id = cloud.addShared("other", "49678", bands("dl"));
    cloud.addShared("other", "49678", bands("not downloaded"));
    QSignalSpy operated(m_api, &EqApi::cloudEQOperated);
    QVERIFY(m_api->operateCloudEQ(id, CloudEQOperation::Download, 1));
    QVERIFY(operated.wait(5000));

    QSignalSpy list(m_api, &EqApi::downloadListReceived);
    QVERIFY(m_api->getDownloadList(49678));
    QVERIFY(list.wait(5000));
    const auto items = list.at(0).at(0).value<QList<CloudEQItem>>();
    QCOMPARE(items.size(), 1);
    QCOMPARE(items.at(0).isDownload, QStringLiteral("1"));
    QCOMPARE(m_server->lastRequest("home/cloud/downloadList").field("pid"), QStringLiteral("49678"));

    QSignalSpy deleted(m_api, &EqApi::downloadRecordDeleted);
    QVERIFY(m_api->deleteDownloadRecord(id));
    QVERIFY(deleted.wait(5000));
    QCOMPARE(deleted.at(0).at(0).toInt(), id);
    QSignalSpy deleteFailed(m_api, &EqApi::downloadRecordDeleteFailed);
    QVERIFY(m_api->deleteDownloadRecord(id));
    QVERIFY(deleteFailed.wait(5000));
    QCOMPARE(deleteFailed.at(0).at(0).toInt(), 2042);
}

void TestEqApi::deleteSharedEqOnlyByOwner()
{
    auto &cloud = m_server->backend().eqCloud();
    const int mine = cloud.addShared(m_user.uid, "49678", bands("mine"));
    const int theirs = cloud.addShared("other", "49678", bands("theirs"));
    QSignalSpy deleted(m_api, &EqApi::cloudEQDeleted);
    QSignalSpy failed(m_api, &EqApi::cloudEQDeleteFailed);
    QVERIFY(m_api->deleteCloudEQ(theirs));
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.at(0).at(0).toInt(), 3005);
    QVERIFY(m_api->deleteCloudEQ(mine));
    QVERIFY(deleted.wait(5000));
    QCOMPARE(deleted.at(0).at(0).toInt(), mine);
    QVERIFY(!cloud.shared(mine));
    QVERIFY(cloud.shared(theirs));
}

void TestEqApi::uploadSendsTextsAsJson()
{
    QSignalSpy uploaded(m_api, &EqApi::cloudEQUploaded);
    QVERIFY(m_api->uploadCloudEQ("My EQ", "desc", m_user.uid, "49678", "4", {"31", "62.5"}, {"0.7", "1.0"},
                                 {"1.50", "-2"}, {"PK", "HS"}, -3));
    QVERIFY(uploaded.wait(5000));
    const FakeApi::HttpRequest request = m_server->lastRequest("home/cloud/saveCloud");
    QVERIFY(request.jsonBody);
    QCOMPARE(request.header("content-type"), QByteArray("application/json"));
    QVERIFY(!request.body.contains('\n'));
    QCOMPARE(request.json.value("main_gain"), QJsonValue(-3));
    QCOMPARE(request.json.value("cate_id"), QJsonValue("4"));
    QCOMPARE(request.json.value("sound"), QJsonValue(QJsonArray{"1.50", "-2"}));
    QCOMPARE(request.json.value("q"), QJsonValue(QJsonArray{"0.7", "1.0"}));
    QCOMPARE(m_server->backend().eqCloud().sharedCount(), 1);
}

void TestEqApi::uploadValidationFailure()
{
    QSignalSpy failed(m_api, &EqApi::cloudEQUploadFailed);
    QVERIFY(m_api->uploadCloudEQ("My EQ", "desc", "someone-else", "49678", "4", {}, {}, {}, {}, 0));
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.at(0).at(0).toInt(), 4002);
    QCOMPARE(m_server->backend().eqCloud().sharedCount(), 0);
}

QTEST_GUILESS_MAIN(TestEqApi)
#include "tst_eqapi.moc"
