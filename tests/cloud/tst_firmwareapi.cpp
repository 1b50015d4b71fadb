// Firmware offers and firmware downloads against the fake server.
#include "CloudTestSupport.h"

#include "cloud/FirmwareApi.h"
#include "tests/support/fakeapi/FakeApiServer.h"
#include "tests/support/testenv/MessageLog.h"

#include <QJsonArray>
#include <QNetworkReply>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using EarphoneApi::FirmwareApi;
using EarphoneApi::PcFirmwareInfoResult;
using FakeApi::Backend;
using FakeApi::Fault;

namespace {

const QString infoRoute = QStringLiteral("home/common/pcFirmwareInfo");

QJsonObject entry(const QJsonValue &version, const QJsonValue &url)
{
    QJsonObject o;
    if (!version.isUndefined())
        o.insert(QStringLiteral("version"), version);
    if (!url.isUndefined())
        o.insert(QStringLiteral("url"), url);
    return o;
}

} // namespace

class TestFirmwareApi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { CloudTest::bypassProxy(); }
    void init();
    void cleanup();

    void infoRequestIsSignedMultipartWithoutToken_data();
    void infoRequestIsSignedMultipartWithoutToken();
    void infoReceived_data();
    void infoReceived();
    void infoFailures_data();
    void infoFailures();
    void transportFailureCarriesNetworkCode();
    void oversizeInfoReplyIsANetworkFailure_data();
    void oversizeInfoReplyIsANetworkFailure();
    void infoTimesOut();
    void newerRequestSupersedesOlder();
    void normalizeVersion_data();
    void normalizeVersion();
    void parseEntry_data();
    void parseEntry();

    void download_data();
    void download();
    void floodedDownloadIsRefusedAsTooLarge_data();
    void floodedDownloadIsRefusedAsTooLarge();
    void downloadDefaultTimeoutWhenNoneGiven();
    void downloadEndedByQuitIsNoFile();
    void downloadInvalidUrl();

private:
    FakeApi::FakeApiServer *m_server = nullptr;
    FirmwareApi *m_api = nullptr;
};

void TestFirmwareApi::init()
{
    m_server = new FakeApi::FakeApiServer(this);
    QVERIFY(m_server->start());
    m_api = new FirmwareApi(this);
    m_api->setBaseUrl(m_server->baseUrl());
    m_api->setToken(QStringLiteral("session-token"));
}

void TestFirmwareApi::cleanup()
{
    delete m_api;
    delete m_server;
}

void TestFirmwareApi::infoRequestIsSignedMultipartWithoutToken_data()
{
    QTest::addColumn<QString>("pid");
    QTest::addColumn<QString>("sent");
    QTest::newRow("plain") << "49678" << "49678";
    QTest::newRow("trimmed") << " 49678 " << "49678";
    QTest::newRow("blank becomes 1") << "   " << "1";
}

void TestFirmwareApi::infoRequestIsSignedMultipartWithoutToken()
{
    QFETCH(QString, pid);
    QFETCH(QString, sent);
    QSignalSpy failed(m_api, &FirmwareApi::pcFirmwareInfoFailed);
    QNetworkReply *reply = m_api->requestPcFirmwareInfo(pid);
    QVERIFY(reply);
    QCOMPARE(reply->property("requestPid").toString(), sent);
    QVERIFY(failed.wait(5000)); // nothing offered for this pid
    QCOMPARE(failed.at(0).at(2).toString(), sent);

    const FakeApi::HttpRequest request = m_server->lastRequest(infoRoute);
    QVERIFY(request.signatureValid);
    QVERIFY(!request.hasHeader("token"));
    QCOMPARE(request.parts.size(), 1);
    QCOMPARE(request.field("pid"), sent);
}

void TestFirmwareApi::infoReceived_data()
{
    QTest::addColumn<QJsonObject>("data");
    QTest::addColumn<QString>("headset");
    QTest::addColumn<QString>("receiver");

    QTest::newRow("both") << QJsonObject{{"firmware1", entry("V1.2.3", " http://dl/h.ufw ")},
                                         {"firmware2", entry("v 2. 0. 7", "http://dl/r.ufw")}}
                          << "1.2.3|http://dl/h.ufw" << "2.0.7|http://dl/r.ufw";
    QTest::newRow("only receiver") << QJsonObject{{"firmware2", entry("3.1", "http://dl/r.ufw")}} << "|"
                                   << "3.1|http://dl/r.ufw";
    QTest::newRow("headset broken, receiver fine")
        << QJsonObject{{"firmware1", entry(1.2, "http://dl/h.ufw")}, {"firmware2", entry("4", "u")}} << "|" << "4|u";
    QTest::newRow("extra keys ignored") << QJsonObject{{"firmware1", entry("01.02.003", "u")}, {"firmware3", 1}}
                                        << "1.2.3|u" << "|";
}

void TestFirmwareApi::infoReceived()
{
    QFETCH(QJsonObject, data);
    QFETCH(QString, headset);
    QFETCH(QString, receiver);
    m_server->backend().setFirmwareInfo(QStringLiteral("49678"), data);
    QSignalSpy received(m_api, &FirmwareApi::pcFirmwareInfoReceived);
    QVERIFY(m_api->requestPcFirmwareInfo(QStringLiteral("49678")));
    QVERIFY(received.wait(5000));
    const auto result = received.at(0).at(0).value<PcFirmwareInfoResult>();
    QCOMPARE(result.pid, QStringLiteral("49678"));
    QCOMPARE(result.firmware1.version + QLatin1Char('|') + result.firmware1.url, headset);
    QCOMPARE(result.firmware2.version + QLatin1Char('|') + result.firmware2.url, receiver);
}

void TestFirmwareApi::infoFailures_data()
{
    QTest::addColumn<QJsonObject>("envelope");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");

    QTest::newRow("server code") << Backend::envelope(1012, "固件名称不能为空") << 1012 << "固件名称不能为空";
    QTest::newRow("server code without text") << Backend::envelope(2052, "") << 2052
                                              << "pcFirmwareInfo request failed";
    QTest::newRow("token code has no special path") << Backend::envelope(1003, "bad") << 1003 << "bad";
    QTest::newRow("data is an array") << Backend::envelope(0, "", QJsonArray{}) << -3
                                      << "Invalid data: expected object";
    QTest::newRow("data null") << Backend::envelope(0, "") << -3 << "Invalid data: expected object";
    QTest::newRow("no entries") << Backend::envelope(0, "", QJsonObject{}) << -4
                                << "Missing firmware1/firmware2 in data";
    QTest::newRow("version as number")
        << Backend::envelope(0, "", QJsonObject{{"firmware1", entry(1, "http://x")}}) << -4
        << "Missing or invalid version";
    QTest::newRow("url missing") << Backend::envelope(0, "", QJsonObject{{"firmware2", entry("1.0", QJsonValue::Undefined)}})
                                 << -4 << "Missing or invalid url";
    QTest::newRow("empty version and url")
        << Backend::envelope(0, "", QJsonObject{{"firmware1", entry("", "")}}) << -4
        << "Missing firmware1/firmware2 in data";
    QTest::newRow("entries not objects") << Backend::envelope(0, "", QJsonObject{{"firmware1", "1.0"}}) << -4
                                         << "Missing firmware1/firmware2 in data";
}

void TestFirmwareApi::infoFailures()
{
    QFETCH(QJsonObject, envelope);
    QFETCH(int, code);
    QFETCH(QString, message);
    m_server->backend().setCannedReply(infoRoute, envelope);
    QSignalSpy failed(m_api, &FirmwareApi::pcFirmwareInfoFailed);
    QSignalSpy tokenInvalid(m_api, &FirmwareApi::tokenInvalid);
    QVERIFY(m_api->requestPcFirmwareInfo(QStringLiteral("7")));
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.at(0).at(0).toInt(), code);
    QCOMPARE(failed.at(0).at(1).toString(), message);
    QCOMPARE(failed.at(0).at(2).toString(), QStringLiteral("7"));
    QCOMPARE(tokenInvalid.count(), 0);
}

void TestFirmwareApi::transportFailureCarriesNetworkCode()
{
    m_server->setFault(infoRoute, Fault::status(404));
    QSignalSpy failed(m_api, &FirmwareApi::pcFirmwareInfoFailed);
    QSignalSpy networkError(m_api, &FirmwareApi::networkError);
    QVERIFY(m_api->requestPcFirmwareInfo(QStringLiteral("7")));
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.at(0).at(0).toInt(), static_cast<int>(QNetworkReply::ContentNotFoundError));
    QVERIFY(!failed.at(0).at(1).toString().isEmpty());
    QCOMPARE(networkError.count(), 0);
}

void TestFirmwareApi::oversizeInfoReplyIsANetworkFailure_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::newRow("paced stream") << Fault::stream(64 * 1024 * 1024, 256 * 1024);
    QTest::newRow("flood until the close") << Fault::flood(Fault::Framing::UntilClose);
    QTest::newRow("chunked flood") << Fault::flood(Fault::Framing::Chunked);
}

void TestFirmwareApi::oversizeInfoReplyIsANetworkFailure()
{
    // An abort of its own, not the transport's: -1 and the text of a network failure.
    QFETCH(Fault, fault);
    m_server->setFault(infoRoute, fault);
    QSignalSpy failed(m_api, &FirmwareApi::pcFirmwareInfoFailed);
    QSignalSpy received(m_api, &FirmwareApi::pcFirmwareInfoReceived);
    const QString aborted = QStringLiteral("^\\[Api\\]\\[Reply\\] reply of %1 is ").arg(infoRoute);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(aborted));
    QVERIFY(m_api->requestPcFirmwareInfo(QStringLiteral("7")));
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.at(0), (QVariantList{-1, QStringLiteral("网络异常，请重试"), QStringLiteral("7")}));
    QCOMPARE(received.count(), 0);
}

void TestFirmwareApi::infoTimesOut()
{
    m_api->setTimeouts({.infoRequestMs = 150, .downloadDefaultMs = 120000});
    m_server->setFault(infoRoute, Fault::of(Fault::Kind::Stall));
    QSignalSpy failed(m_api, &FirmwareApi::pcFirmwareInfoFailed);
    QVERIFY(m_api->requestPcFirmwareInfo(QStringLiteral("7")));
    QVERIFY(failed.wait(5000));
    const int code = failed.at(0).at(0).toInt();
    QVERIFY2(code == QNetworkReply::OperationCanceledError || code == QNetworkReply::TimeoutError,
             qPrintable(QString::number(code)));
}

void TestFirmwareApi::newerRequestSupersedesOlder()
{
    m_server->backend().setFirmwareInfo(QStringLiteral("1"), {{"firmware1", entry("1.0", "u1")}});
    m_server->backend().setFirmwareInfo(QStringLiteral("2"), {{"firmware1", entry("2.0", "u2")}});
    m_server->setFault(infoRoute, [] {
        Fault f = Fault::delay(300);
        f.times = 1;
        return f;
    }());
    QSignalSpy received(m_api, &FirmwareApi::pcFirmwareInfoReceived);
    QSignalSpy failed(m_api, &FirmwareApi::pcFirmwareInfoFailed);
    QPointer<QNetworkReply> first = m_api->requestPcFirmwareInfo(QStringLiteral("1"));
    QVERIFY(first);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requestCount(infoRoute), 1, 5000);
    QVERIFY(m_api->requestPcFirmwareInfo(QStringLiteral("2")));
    QVERIFY(first->isFinished());
    QCOMPARE(first->error(), QNetworkReply::OperationCanceledError);
    QVERIFY(received.wait(5000));
    QCOMPARE(received.at(0).at(0).value<PcFirmwareInfoResult>().pid, QStringLiteral("2"));
    // Once the superseded reply is gone nothing can speak for it any more.
    QTRY_VERIFY_WITH_TIMEOUT(first.isNull(), 5000);
    QCOMPARE(received.count(), 1);
    QCOMPARE(failed.count(), 0);
}

void TestFirmwareApi::normalizeVersion_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::newRow("V and blanks") << "  V1.2.3 " << "1.2.3";
    QTest::newRow("v and inner blanks") << "v 1. 0. 7" << "1.0.7";
    QTest::newRow("suffix") << "1.2.3-beta" << "1.2.3";
    QTest::newRow("leading zeros") << "01.2.003" << "1.2.3";
    QTest::newRow("single number") << "7" << "7";
    QTest::newRow("no number") << "beta" << "beta";
    QTest::newRow("blanks removed in text") << "rc 1" << "rc1";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("only v") << "v" << "";
    QTest::newRow("v twice") << "vv1.2" << "1.2";
    QTest::newRow("v, blank, V") << " v V 2.0" << "2.0";
    QTest::newRow("v before a word") << "vVbeta" << "beta";
    QTest::newRow("v after the number") << "1.2v" << "1.2";
}

void TestFirmwareApi::normalizeVersion()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QCOMPARE(FirmwareApi::normalizeVersion(input), output);
    // Normalising a normalised version changes nothing.
    QCOMPARE(FirmwareApi::normalizeVersion(output), output);
}

void TestFirmwareApi::parseEntry_data()
{
    QTest::addColumn<QJsonObject>("object");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("error");
    QTest::newRow("valid") << entry("V2.1", "  http://dl/a  ") << "2.1" << "http://dl/a" << "";
    QTest::newRow("version number") << entry(2.1, "http://dl/a") << "" << "" << "Missing or invalid version";
    QTest::newRow("version missing") << entry(QJsonValue::Undefined, "u") << "" << "" << "Missing or invalid version";
    QTest::newRow("url not text") << entry("1", QJsonValue(true)) << "" << "" << "Missing or invalid url";
}

void TestFirmwareApi::parseEntry()
{
    QFETCH(QJsonObject, object);
    QFETCH(QString, version);
    QFETCH(QString, url);
    QFETCH(QString, error);
    QString actualError;
    const auto e = FirmwareApi::parseFirmwareEntry(object, &actualError);
    QCOMPARE(e.version, version);
    QCOMPARE(e.url, url);
    QCOMPARE(actualError, error);
    QCOMPARE(e.isValid(), error.isEmpty());
    FirmwareApi::parseFirmwareEntry(object, nullptr);
}

void TestFirmwareApi::download_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("useFault");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("error");

    QTest::newRow("ok") << "fw.ufw" << Fault() << false << true << "";
    QTest::newRow("empty file") << "empty.ufw" << Fault() << false << false << "Empty firmware file";
    QTest::newRow("missing file") << "none.ufw" << Fault() << false << false << "HTTP 404";
    QTest::newRow("server error") << "fw.ufw" << Fault::status(500) << true << false << "HTTP 500";
    QTest::newRow("cut off") << "fw.ufw" << Fault::of(Fault::Kind::CloseMidBody) << true << false << "*";
    QTest::newRow("larger than the limit")
        << "fw.ufw" << Fault::overstate(FirmwareApi::maxFirmwareBytes + 1) << true << false
        << QStringLiteral("Firmware file is larger than %1 bytes").arg(FirmwareApi::maxFirmwareBytes);
    QTest::newRow("redirect followed") << "old.ufw" << Fault::redirect(QStringLiteral("files/fw.ufw")) << true << true
                                       << "";
    QTest::newRow("stalled") << "fw.ufw" << Fault::of(Fault::Kind::Stall) << true << false
                             << "Firmware download timed out";
    QTest::newRow("slow but in time") << "fw.ufw" << Fault::delay(50) << true << true << "";
}

void TestFirmwareApi::download()
{
    QFETCH(QString, file);
    QFETCH(Fault, fault);
    QFETCH(bool, useFault);
    QFETCH(bool, ok);
    QFETCH(QString, error);

    const QByteArray image = QByteArray("UFW\x01", 4) + QByteArray(4096, '\x5a');
    m_server->backend().setFile(QStringLiteral("fw.ufw"), image);
    m_server->backend().setFile(QStringLiteral("empty.ufw"), QByteArray());
    if (useFault)
        m_server->setFault(QStringLiteral("files/") + file, fault);

    const auto result = m_api->downloadFirmware(m_server->fileUrl(file), 400);
    QCOMPARE(result.ok, ok);
    QCOMPARE(result.data, ok ? image : QByteArray());
    if (error == QLatin1String("*"))
        QVERIFY(!result.error.isEmpty());
    else
        QCOMPARE(result.error, error);
    // The download needs no signing headers.
    const FakeApi::HttpRequest request = m_server->lastRequest(QStringLiteral("files/") + file);
    QCOMPARE(request.method, QByteArray("GET"));
    QVERIFY(!request.hasHeader("sign"));
}

void TestFirmwareApi::floodedDownloadIsRefusedAsTooLarge_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("ok");
    const qint64 limit = FirmwareApi::maxFirmwareBytes;
    QTest::newRow("endless, until the close") << Fault::flood(Fault::Framing::UntilClose) << false;
    QTest::newRow("endless, chunked") << Fault::flood(Fault::Framing::Chunked) << false;
    QTest::newRow("one byte past the limit, chunked") << Fault::flood(Fault::Framing::Chunked, limit + 1) << false;
    QTest::newRow("exactly the limit, until the close") << Fault::flood(Fault::Framing::UntilClose, limit) << true;
}

void TestFirmwareApi::floodedDownloadIsRefusedAsTooLarge()
{
    // A server that writes as fast as it can, with no length announced. The
    // time-out is far off: a download that stalled short of the limit would
    // end there, with another text.
    QFETCH(Fault, fault);
    QFETCH(bool, ok);
    MessageLog log;
    m_server->backend().setFile(QStringLiteral("fw.ufw"), QByteArray("UFW\x01", 4));
    m_server->setFault(QStringLiteral("files/fw.ufw"), fault);
    const auto result = m_api->downloadFirmware(m_server->fileUrl(QStringLiteral("fw.ufw")), 120000);
    QCOMPARE(result.ok, ok);
    if (ok) {
        QCOMPARE(qint64(result.data.size()), FirmwareApi::maxFirmwareBytes);
        return;
    }
    QCOMPARE(result.error, QStringLiteral("Firmware file is larger than %1 bytes").arg(FirmwareApi::maxFirmwareBytes));
    QVERIFY(result.data.isEmpty());
    // Refused at the first piece past the limit: what was held is the limit and one piece.
    const QStringList aborted = log.lines(QtWarningMsg).filter(QStringLiteral("[Firmware][Download] "));
    QCOMPARE(aborted.size(), 1);
    const qint64 seen = aborted.first().section(QLatin1Char(' '), 1, 1).toLongLong();
    QVERIFY2(seen > FirmwareApi::maxFirmwareBytes && seen <= FirmwareApi::maxFirmwareBytes + 1024 * 1024,
             qPrintable(aborted.first()));
}

void TestFirmwareApi::downloadDefaultTimeoutWhenNoneGiven()
{
    m_api->setTimeouts({.infoRequestMs = 20000, .downloadDefaultMs = 200});
    m_server->setFault(QStringLiteral("files/fw.ufw"), Fault::of(Fault::Kind::Stall));
    const auto result = m_api->downloadFirmware(m_server->fileUrl(QStringLiteral("fw.ufw")), 0);
    QVERIFY(!result.ok);
    QCOMPARE(result.error, QStringLiteral("Firmware download timed out"));
    QCOMPARE(FirmwareApi::Timeouts().downloadDefaultMs, 120000);
    QCOMPARE(FirmwareApi::Timeouts().infoRequestMs, 20000);
}

void TestFirmwareApi::downloadEndedByQuitIsNoFile()
{
    // The application quits while the file is half in: the nested loop ends
    // early and the part that arrived must not pass as the image.
    m_server->backend().setFile(QStringLiteral("fw.ufw"), QByteArray(4096, '\x5a'));
    m_server->setFault(QStringLiteral("files/fw.ufw"), Fault::trickle(5, 0));
    EarphoneApi::FirmwareDownloadResult result;
    bool returned = false;
    QTimer::singleShot(0, this, [&] {
        result = m_api->downloadFirmware(m_server->fileUrl(QStringLiteral("fw.ufw")), 5000);
        returned = true;
    });
    QTimer::singleShot(150, this, [] { QCoreApplication::exit(0); });
    QTimer::singleShot(10000, this, [] { QCoreApplication::exit(1); }); // bound, should the loop not end
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(returned);
    QVERIFY(!result.ok);
    QVERIFY(result.data.isEmpty());
    QVERIFY(!result.error.isEmpty());
}

void TestFirmwareApi::downloadInvalidUrl()
{
    const auto result = m_api->downloadFirmware(QUrl(), 100);
    QVERIFY(!result.ok);
    QCOMPARE(result.error, QStringLiteral("Invalid firmware URL"));
}

QTEST_MAIN(TestFirmwareApi)
#include "tst_firmwareapi.moc"
