// Request building, signing, body kinds, time-outs and the reply envelope of
// the API core, checked against the fake server.
#include "CloudTestSupport.h"

#include "cloud/ApiManager.h"
#include "tests/support/fakeapi/FakeApiServer.h"
#include "tests/support/testenv/MessageLog.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using EarphoneApi::ApiManager;
using EarphoneApi::ApiResponse;
using FakeApi::Fault;

// Opens the protected request operations and handles replies with the
// shared reply steps, as every API subclass does.
class ProbeApi : public ApiManager
{
    Q_OBJECT
public:
    using ApiManager::ApiManager;
    using ApiManager::addFormField;
    using ApiManager::computeSign;
    using ApiManager::parseResponse;
    using ApiManager::postForm;
    using ApiManager::postJson;
    using ApiManager::postMultipart;
    using ApiManager::postMultipartFile;

    QNetworkReply *track(QNetworkReply *reply)
    {
        if (reply)
            connect(reply, &QNetworkReply::finished, this, &ProbeApi::onFinished);
        return reply;
    }

signals:
    void failed(int errorCode, const QString &message);
    void succeeded(const QJsonValue &data);

private slots:
    void onFinished()
    {
        QNetworkReply *reply = senderReply();
        if (!reply)
            return;
        reply->deleteLater();
        ApiResponse response;
        if (unwrapReply(reply, &response, [this](int code, const QString &message) { emit failed(code, message); }))
            emit succeeded(response.data);
    }
};

namespace {

const QString verifyRoute = QStringLiteral("home/account/sendVerify");

QUrlQuery verifyForm()
{
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("userName"), QStringLiteral("13800000000"));
    form.addQueryItem(QStringLiteral("vcodeType"), QStringLiteral("1"));
    return form;
}

QString expectedSign(int mode, const QString &path, const QString &ts, const QString &secret, const QString &custom,
                     const QString &fixed)
{
    switch (mode) {
    case 1:
        return CloudTest::hmacSha1Hex((secret + ts).toUtf8(), secret.toUtf8());
    case 2:
        return CloudTest::md5Hex(ts.toUtf8());
    case 3:
        return custom.isEmpty() ? CloudTest::md5Hex(ts.toUtf8()) : CloudTest::md5Hex((path + ts + custom).toUtf8());
    case 4:
        return fixed.isEmpty() ? ApiManager::builtInFixedSignValue() : fixed;
    case 5:
        return QString();
    default:
        return CloudTest::hmacSha1Hex((path + ts).toUtf8(), secret.toUtf8());
    }
}

} // namespace

class TestApiManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { CloudTest::bypassProxy(); }
    void init();
    void cleanup();

    void setBaseUrlEndsWithSlash_data();
    void setBaseUrlEndsWithSlash();
    void builtInDefaults();
    void hmacAndMd5MatchIndependentDigests();
    void emptyHmacKeyWarnsAndGivesNoValue();

    void signModes_data();
    void signModes();
    void headersInOrder();
    void tokenOnlyOnTokenBoundPaths_data();
    void tokenOnlyOnTokenBoundPaths();

    void envelope_data();
    void envelope();
    void replyFaults_data();
    void replyFaults();
    void oversizeReplyIsANetworkFailure_data();
    void oversizeReplyIsANetworkFailure();

    void timerFiresWhileDataKeepsArriving();
    void stalledReplyFailsAfterItsTimeout();
    void jsonPostUsesDefaultTimeout();
    void finishedReplyStopsItsTimer();

    void formBodyKeepsOrderAndSpecialCharacters();
    void multipartPartsInKeyOrderWithOnlyDisposition();
    void jsonBodyIsCompactObject();
    void filePartHeadersAsReceived();
    void filePartNameIsEscaped();
    void missingOrUnreadableFileSendsNothing_data();
    void missingOrUnreadableFileSendsNothing();

private:
    FakeApi::FakeApiServer *m_server = nullptr;
    ProbeApi *m_api = nullptr;
};

void TestApiManager::init()
{
    m_server = new FakeApi::FakeApiServer(this);
    QVERIFY(m_server->start());
    m_api = new ProbeApi(this);
    m_api->setBaseUrl(m_server->baseUrl());
}

void TestApiManager::cleanup()
{
    delete m_api;
    delete m_server;
}

void TestApiManager::setBaseUrlEndsWithSlash_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("stored");
    QTest::newRow("with slash") << "http://h/index.php/" << "http://h/index.php/";
    QTest::newRow("without slash") << "http://h/index.php" << "http://h/index.php/";
    QTest::newRow("empty") << "" << "/";
}

void TestApiManager::setBaseUrlEndsWithSlash()
{
    QFETCH(QString, input);
    QFETCH(QString, stored);
    ApiManager api;
    api.setBaseUrl(input);
    QCOMPARE(api.baseUrl(), stored);
}

void TestApiManager::builtInDefaults()
{
    ApiManager api;
    QVERIFY(api.baseUrl().startsWith(QLatin1String("http://")));
    QVERIFY(api.baseUrl().endsWith(QLatin1String("/index.php/")));
    QCOMPARE(api.language(), QStringLiteral("zh"));
    QCOMPARE(api.defaultAreaCode(), QStringLiteral("86"));
    QCOMPARE(api.secretKey(), QStringLiteral("7c3a91e0d4b85f26a0e19c4d73b2f851"));
    QCOMPARE(api.signAlgorithm(), EarphoneApi::KeyPlusTimestampHmac);
    QCOMPARE(api.defaultTimeoutMs(), 10000);
    QCOMPARE(api.tokenRequiredEndpoints().size(), 15);
    QVERIFY(api.tokenRequiredEndpoints().contains(QStringLiteral("home/user/logoff")));
    QVERIFY(api.tokenRequiredEndpoints().contains(QStringLiteral("home/cloud/soundcateList")));
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9]{3}$")).match(ApiManager::builtInFixedSignValue()).hasMatch());
}

void TestApiManager::hmacAndMd5MatchIndependentDigests()
{
    // RFC 2202 case 2 anchors the independent computation itself.
    QCOMPARE(CloudTest::hmacSha1Hex("what do ya want for nothing?", "Jefe"),
             QStringLiteral("effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"));
    const QString message = QStringLiteral("密码Pa55+word");
    const QString key = ApiManager::builtInSecretKey();
    QCOMPARE(ApiManager::hmacSha1Hex(message, key), CloudTest::hmacSha1Hex(message.toUtf8(), key.toUtf8()));
    QCOMPARE(ApiManager::md5Hex(message), CloudTest::md5Hex(message.toUtf8()));
    QCOMPARE(ApiManager::hmacSha1Hex(message, key).size(), 40);
}

void TestApiManager::emptyHmacKeyWarnsAndGivesNoValue()
{
    QTest::ignoreMessage(QtWarningMsg, "HmacSHA1: Key is empty!");
    QVERIFY(ApiManager::hmacSha1Hex(QStringLiteral("x"), QString()).isEmpty());
}

void TestApiManager::signModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("serverMode");
    QTest::addColumn<QString>("secret");
    QTest::addColumn<QString>("customKey");
    QTest::addColumn<QString>("fixedValue");

    const QString builtIn = ApiManager::builtInSecretKey();
    QTest::newRow("0 hmac of path") << 0 << 0 << builtIn << "" << "";
    QTest::newRow("0 other secret") << 0 << 0 << "s3cr3t-key" << "" << "";
    QTest::newRow("1 key plus timestamp") << 1 << 1 << builtIn << "" << "";
    QTest::newRow("1 other secret") << 1 << 1 << "s3cr3t-key" << "" << "";
    QTest::newRow("2 md5 timestamp") << 2 << 2 << builtIn << "" << "";
    QTest::newRow("3 no custom key is mode 2") << 3 << 2 << builtIn << "" << "";
    QTest::newRow("3 custom key") << 3 << 3 << builtIn << "k9" << "";
    QTest::newRow("4 fixed value") << 4 << 4 << builtIn << "" << "417";
    QTest::newRow("4 built-in value") << 4 << 4 << builtIn << "" << "";
    QTest::newRow("5 none") << 5 << 5 << builtIn << "" << "";
    QTest::newRow("7 falls back to 0") << 7 << 0 << builtIn << "" << "";
    QTest::newRow("-1 falls back to 0") << -1 << 0 << builtIn << "" << "";
}

void TestApiManager::signModes()
{
    QFETCH(int, mode);
    QFETCH(int, serverMode);
    QFETCH(QString, secret);
    QFETCH(QString, customKey);
    QFETCH(QString, fixedValue);

    FakeApi::SignScheme scheme;
    scheme.mode = serverMode;
    scheme.secret = secret;
    scheme.customKey = customKey;
    scheme.fixedValue = fixedValue;
    m_server->backend().setSignScheme(scheme);

    m_api->setSignAlgorithm(static_cast<EarphoneApi::SignAlgorithm>(mode));
    m_api->setSecretKey(secret);
    m_api->setCustomSignKey(customKey);
    m_api->setFixedSignValue(fixedValue);

    QSignalSpy ok(m_api, &ProbeApi::succeeded);
    QSignalSpy failed(m_api, &ProbeApi::failed);
    QVERIFY(m_api->track(m_api->postForm(verifyRoute, verifyForm(), -1)));
    QVERIFY(ok.wait(5000));
    QCOMPARE(failed.count(), 0);

    const FakeApi::HttpRequest request = m_server->lastRequest(verifyRoute);
    QVERIFY(request.signatureValid);
    const QString ts = QString::fromUtf8(request.header("timestamp"));
    QCOMPARE(QString::fromUtf8(request.header("sign")),
             expectedSign(mode, verifyRoute, ts, secret, customKey, fixedValue));
}

void TestApiManager::headersInOrder()
{
    m_api->setLanguage(QStringLiteral("en"));
    m_api->setToken(QStringLiteral("tok-xyz"));
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    QSignalSpy done(m_api, &ProbeApi::failed); // the fake does not know this token
    QVERIFY(m_api->track(m_api->postForm(QStringLiteral("home/user/getOtherinfo"), {}, -1)));
    QVERIFY(done.wait(5000));

    const FakeApi::HttpRequest request = m_server->lastRequest(QStringLiteral("home/user/getOtherinfo"));
    QCOMPARE(request.method, QByteArray("POST"));
    const int ts = request.headerIndex("timestamp");
    const int sign = request.headerIndex("sign");
    const int lang = request.headerIndex("lang");
    const int token = request.headerIndex("token");
    QVERIFY(ts >= 0);
    QVERIFY(ts < sign);
    QVERIFY(sign < lang);
    QVERIFY(lang < token);
    QCOMPARE(request.header("lang"), QByteArray("en"));
    QCOMPARE(request.header("token"), QByteArray("tok-xyz"));
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9]{10}$")).match(QString::fromLatin1(request.header("timestamp"))).hasMatch());
    QVERIFY(qAbs(request.header("timestamp").toLongLong() - before) <= 5);
    QCOMPARE(request.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
    QCOMPARE(done.at(0).at(0).toInt(), 1003);
}

void TestApiManager::tokenOnlyOnTokenBoundPaths_data()
{
    QTest::addColumn<QString>("endpoint");
    QTest::addColumn<QString>("token");
    QTest::addColumn<bool>("sendsToken");

    QTest::newRow("bound with token") << "home/cloud/cloudList" << "t1" << true;
    QTest::newRow("bound without token") << "home/cloud/cloudList" << "" << false;
    QTest::newRow("not bound") << "home/account/login" << "t1" << false;
    QTest::newRow("other letter case") << "Home/cloud/cloudList" << "t1" << false;
    QTest::newRow("query is not part of the path") << "home/cloud/cloudList?page=2" << "t1" << true;
    QTest::newRow("leading slash") << "/home/cloud/cloudList" << "t1" << true;
    QTest::newRow("list kept though unused") << "home/user/logoff" << "t1" << true;
}

void TestApiManager::tokenOnlyOnTokenBoundPaths()
{
    QFETCH(QString, endpoint);
    QFETCH(QString, token);
    QFETCH(bool, sendsToken);

    // Mode 0 signs the path, so the server's check also proves how the path was cut.
    FakeApi::SignScheme scheme;
    scheme.mode = 0;
    m_server->backend().setSignScheme(scheme);
    m_api->setSignAlgorithm(EarphoneApi::HmacSha1);
    m_api->setToken(token);

    QSignalSpy failed(m_api, &ProbeApi::failed);
    QSignalSpy ok(m_api, &ProbeApi::succeeded);
    QVERIFY(m_api->track(m_api->postForm(endpoint, {}, -1)));
    QTRY_VERIFY_WITH_TIMEOUT(failed.count() + ok.count() == 1, 5000);

    QCOMPARE(m_server->requests().size(), 1);
    const FakeApi::HttpRequest request = m_server->requests().first();
    QCOMPARE(request.hasHeader("token"), sendsToken);
    QVERIFY(request.signatureValid);
}

void TestApiManager::envelope_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QJsonValue>("data");

    const QJsonValue null(QJsonValue::Null);
    QTest::newRow("empty") << QByteArray() << -1 << "Empty response" << null;
    QTest::newRow("broken json") << QByteArray("{") << -2 << "JSON parse error: *" << null;
    QTest::newRow("array") << QByteArray("[]") << -3 << "Invalid JSON response: not an object" << null;
    QTest::newRow("success") << QByteArray(R"({"errorCode":0,"message":"ok","data":{"a":1}})") << 0 << "ok"
                             << QJsonValue(QJsonObject{{"a", 1}});
    QTest::newRow("code missing") << QByteArray(R"({"data":[1]})") << 0 << "" << QJsonValue(QJsonArray{1});
    QTest::newRow("code as float") << QByteArray(R"({"errorCode":1003.0,"message":"m"})") << 1003 << "m" << null;
    QTest::newRow("code as text 0") << QByteArray(R"({"errorCode":"0"})") << 0 << "" << null;
    QTest::newRow("code as text 1003") << QByteArray(R"({"errorCode":"1003","message":"x"})") << 1003 << "x" << null;
    QTest::newRow("code as padded text") << QByteArray(R"({"errorCode":" 1004 "})") << 1004 << "" << null;
    QTest::newRow("code as word") << QByteArray(R"({"errorCode":"abc","data":1})") << -3
                                  << "Invalid JSON response: errorCode is not an integer" << null;
    QTest::newRow("code as bool") << QByteArray(R"({"errorCode":true})") << -3
                                  << "Invalid JSON response: errorCode is not an integer" << null;
    QTest::newRow("code null") << QByteArray(R"({"errorCode":null})") << -3
                               << "Invalid JSON response: errorCode is not an integer" << null;
    QTest::newRow("code fractional") << QByteArray(R"({"errorCode":1.5})") << -3
                                     << "Invalid JSON response: errorCode is not an integer" << null;
    QTest::newRow("code beyond int") << QByteArray(R"({"errorCode":3000000000})") << -3
                                     << "Invalid JSON response: errorCode is not an integer" << null;
    QTest::newRow("message not text") << QByteArray(R"({"errorCode":2003,"message":5})") << 2003 << "" << null;
}

void TestApiManager::envelope()
{
    QFETCH(QByteArray, body);
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(QJsonValue, data);

    const ApiResponse response = ProbeApi::parseResponse(body);
    QCOMPARE(response.errorCode, code);
    if (message.endsWith(QLatin1Char('*'))) {
        QVERIFY2(response.message.startsWith(message.chopped(1)), qPrintable(response.message));
        QVERIFY(response.message.size() > message.size() - 1);
    } else {
        QCOMPARE(response.message, message);
    }
    QCOMPARE(response.data, data);
}

void TestApiManager::replyFaults_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("networkError");
    QTest::addColumn<bool>("tokenInvalid");

    QTest::newRow("http 500") << Fault::status(500) << -1 << true << false;
    QTest::newRow("http 404") << Fault::status(404) << -1 << true << false;
    QTest::newRow("empty body") << Fault::of(Fault::Kind::EmptyBody) << -1 << false << false;
    QTest::newRow("not json") << Fault::of(Fault::Kind::NonJson) << -2 << false << false;
    QTest::newRow("json array") << Fault::of(Fault::Kind::JsonArray) << -3 << false << false;
    QTest::newRow("code text 1003") << Fault::errorCodeAsText("1003") << 1003 << false << true;
    QTest::newRow("code text 1004") << Fault::errorCodeAsText("1004") << 1004 << false << true;
    QTest::newRow("code text 2003") << Fault::errorCodeAsText("2003") << 2003 << false << false;
    QTest::newRow("code text word") << Fault::errorCodeAsText("fail") << -3 << false << false;
    QTest::newRow("code text 0") << Fault::errorCodeAsText("0") << 0 << false << false;
    QTest::newRow("closed mid body") << Fault::of(Fault::Kind::CloseMidBody) << -1 << true << false;
    QTest::newRow("late answer") << Fault::delay(80) << 0 << false << false;
    // A redirect is followed; the target's answer is the reply (here: no user name given).
    QTest::newRow("redirect") << Fault::redirect(QStringLiteral("index.php/home/account/login")) << 2000 << false
                              << false;
}

void TestApiManager::replyFaults()
{
    QFETCH(Fault, fault);
    QFETCH(int, code);
    QFETCH(bool, networkError);
    QFETCH(bool, tokenInvalid);

    m_server->setFault(verifyRoute, fault);
    QStringList events;
    connect(m_api, &ProbeApi::failed, this, [&](int c, const QString &) { events << QStringLiteral("failed %1").arg(c); });
    connect(m_api, &ProbeApi::succeeded, this, [&] { events << QStringLiteral("ok"); });
    connect(m_api, &ApiManager::networkError, this, [&] { events << QStringLiteral("networkError"); });
    connect(m_api, &ApiManager::tokenInvalid, this, [&](int c) { events << QStringLiteral("tokenInvalid %1").arg(c); });

    QVERIFY(m_api->track(m_api->postForm(verifyRoute, verifyForm(), -1)));
    QTRY_VERIFY_WITH_TIMEOUT(events.contains(QStringLiteral("ok")) || !events.filter(QStringLiteral("failed")).isEmpty(), 5000);

    QStringList expected;
    if (tokenInvalid)
        expected << QStringLiteral("tokenInvalid %1").arg(code);
    expected << (code == 0 ? QStringLiteral("ok") : QStringLiteral("failed %1").arg(code));
    if (networkError)
        expected << QStringLiteral("networkError");
    QCOMPARE(events, expected);
}

void TestApiManager::oversizeReplyIsANetworkFailure_data()
{
    QTest::addColumn<QString>("body"); // how the request is posted
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("taken");
    const qint64 limit = ApiManager::maxReplyBytes;
    // The padding is blanks after the envelope: still a valid reply, only too long.
    const Fault flood = Fault::stream(64 * 1024 * 1024, 256 * 1024);
    QTest::newRow("form, announced") << "form" << Fault::overstate(limit + 1) << false;
    QTest::newRow("form, sent without a length") << "form" << flood << false;
    QTest::newRow("multipart, sent without a length") << "multipart" << flood << false;
    QTest::newRow("json, announced") << "json" << Fault::overstate(limit + 1) << false;
    QTest::newRow("form, exactly the limit") << "form" << Fault::stream(int(limit), 256 * 1024) << true;
    // From a thread of its own, as fast as the client takes it.
    QTest::newRow("form, flooded until the close") << "form" << Fault::flood(Fault::Framing::UntilClose) << false;
    QTest::newRow("multipart, flooded chunked") << "multipart" << Fault::flood(Fault::Framing::Chunked) << false;
    QTest::newRow("json, flooded chunked") << "json" << Fault::flood(Fault::Framing::Chunked) << false;
    QTest::newRow("form, flood of exactly the limit") << "form" << Fault::flood(Fault::Framing::Chunked, limit)
                                                      << true;
}

void TestApiManager::oversizeReplyIsANetworkFailure()
{
    QFETCH(QString, body);
    QFETCH(Fault, fault);
    QFETCH(bool, taken);
    MessageLog log;
    const QString route = body == QLatin1String("json") ? QStringLiteral("home/cloud/saveCloud") : verifyRoute;
    m_server->setFault(route, fault);
    QStringList events;
    connect(m_api, &ProbeApi::failed, this,
            [&](int c, const QString &m) { events << QStringLiteral("failed %1 %2").arg(c).arg(m); });
    connect(m_api, &ProbeApi::succeeded, this, [&] { events << QStringLiteral("ok"); });
    connect(m_api, &ApiManager::networkError, this, [&] { events << QStringLiteral("networkError"); });
    connect(m_api, &ApiManager::requestTimeout, this, [&] { events << QStringLiteral("requestTimeout"); });

    QNetworkReply *reply = nullptr;
    if (body == QLatin1String("form"))
        reply = m_api->postForm(route, verifyForm(), -1);
    else if (body == QLatin1String("multipart"))
        reply = m_api->postMultipart(route, {{QStringLiteral("userName"), QStringLiteral("1")}}, -1);
    else
        reply = m_api->postJson(route, {{"name", "x"}});
    QVERIFY(m_api->track(reply));
    QTRY_VERIFY_WITH_TIMEOUT(!events.isEmpty(), 10000);

    if (taken) {
        QCOMPARE(events, QStringList{QStringLiteral("ok")});
        return;
    }
    QCOMPARE(events, (QStringList{QStringLiteral("failed -1 网络异常，请重试"), QStringLiteral("networkError")}));
    // What the reply held, or announced, when it was aborted: a piece past
    // the limit, not the 64 MiB the server had to send.
    const QStringList aborted = log.lines(QtWarningMsg).filter(QStringLiteral("[Api][Reply] reply of ") + route);
    QCOMPARE(aborted.size(), 1);
    const qint64 seen = aborted.first().section(QLatin1Char(' '), 5, 5).toLongLong();
    QVERIFY2(seen > ApiManager::maxReplyBytes && seen <= ApiManager::maxReplyBytes + 1024 * 1024,
             qPrintable(aborted.first()));
    // The manager is free for the next request: nothing keeps reading the old body.
    m_server->clearFault(route);
    events.clear();
    QVERIFY(m_api->track(m_api->postForm(verifyRoute, verifyForm(), -1)));
    QTRY_VERIFY_WITH_TIMEOUT(!events.isEmpty(), 10000);
    QCOMPARE(events, QStringList{QStringLiteral("ok")});
}

void TestApiManager::timerFiresWhileDataKeepsArriving()
{
    // Data every 20 ms keeps the transfer alive; only the whole-request timer ends it.
    m_server->setFault(verifyRoute, Fault::trickle(20, 100000));
    QStringList events;
    connect(m_api, &ProbeApi::failed, this, [&](int c) { events << QStringLiteral("failed %1").arg(c); });
    connect(m_api, &ApiManager::networkError, this, [&] { events << QStringLiteral("networkError"); });
    QSignalSpy timeout(m_api, &ApiManager::requestTimeout);
    connect(m_api, &ApiManager::requestTimeout, this, [&] { events << QStringLiteral("requestTimeout"); });

    QTest::ignoreMessage(QtWarningMsg, "Request timeout for endpoint: home/account/sendVerify");
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_api->track(m_api->postMultipart(verifyRoute, {{QStringLiteral("userName"), QStringLiteral("1")}}, 300)));
    QVERIFY(timeout.wait(5000));
    QVERIFY(clock.elapsed() >= 280); // coarse timers may fire 5% early
    QCOMPARE(timeout.at(0).at(0).toString(), verifyRoute);
    QCOMPARE(events, (QStringList{QStringLiteral("failed -1"), QStringLiteral("networkError"),
                                  QStringLiteral("requestTimeout")}));
}

void TestApiManager::stalledReplyFailsAfterItsTimeout()
{
    m_server->setFault(verifyRoute, Fault::of(Fault::Kind::Stall));
    m_api->setDefaultTimeoutMs(60000);
    QSignalSpy failed(m_api, &ProbeApi::failed);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_api->track(m_api->postForm(verifyRoute, verifyForm(), 200)));
    QVERIFY(failed.wait(5000));
    QVERIFY(clock.elapsed() >= 185);
    QCOMPARE(failed.at(0).at(0).toInt(), -1);
}

void TestApiManager::jsonPostUsesDefaultTimeout()
{
    m_server->setFault(QStringLiteral("home/cloud/saveCloud"), Fault::of(Fault::Kind::Stall));
    m_api->setDefaultTimeoutMs(200);
    QSignalSpy failed(m_api, &ProbeApi::failed);
    QVERIFY(m_api->track(m_api->postJson(QStringLiteral("home/cloud/saveCloud"), {{"name", "x"}})));
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.at(0).at(0).toInt(), -1);
}

void TestApiManager::finishedReplyStopsItsTimer()
{
    QSignalSpy timeout(m_api, &ApiManager::requestTimeout);
    QSignalSpy ok(m_api, &ProbeApi::succeeded);
    QNetworkReply *reply = m_api->track(m_api->postForm(verifyRoute, verifyForm(), 60000));
    QVERIFY(reply);
    bool timerActiveAtFinish = true;
    connect(reply, &QNetworkReply::finished, this, [&] {
        const QList<QTimer *> timers = reply->findChildren<QTimer *>();
        timerActiveAtFinish = std::any_of(timers.begin(), timers.end(), [](QTimer *t) { return t->isActive(); });
    });
    QVERIFY(ok.wait(5000));
    QVERIFY(!timerActiveAtFinish);
    QCOMPARE(timeout.count(), 0);
}

void TestApiManager::formBodyKeepsOrderAndSpecialCharacters()
{
    QUrlQuery form;
    ProbeApi::addFormField(form, QStringLiteral("userName"), QStringLiteral("a+b@example.com"));
    ProbeApi::addFormField(form, QStringLiteral("vcodeType"), QStringLiteral("1"));
    ProbeApi::addFormField(form, QStringLiteral("note"), QStringLiteral("x&y=z 100% 中文#"));
    ProbeApi::addFormField(form, QStringLiteral("escapes"), QStringLiteral("%41%2B%zz%"));
    QSignalSpy ok(m_api, &ProbeApi::succeeded);
    QVERIFY(m_api->track(m_api->postForm(verifyRoute, form, -1)));
    QVERIFY(ok.wait(5000));

    const FakeApi::HttpRequest request = m_server->lastRequest(verifyRoute);
    const QList<QPair<QString, QString>> expected = {
        {QStringLiteral("userName"), QStringLiteral("a+b@example.com")},
        {QStringLiteral("vcodeType"), QStringLiteral("1")},
        {QStringLiteral("note"), QStringLiteral("x&y=z 100% 中文#")},
        {QStringLiteral("escapes"), QStringLiteral("%41%2B%zz%")},
    };
    QCOMPARE(request.formFields, expected);
}

void TestApiManager::multipartPartsInKeyOrderWithOnlyDisposition()
{
    QSignalSpy ok(m_api, &ProbeApi::succeeded);
    const QMap<QString, QString> params = {{QStringLiteral("vcodeType"), QStringLiteral("1")},
                                           {QStringLiteral("userName"), QStringLiteral("张三")},
                                           {QStringLiteral("Zone"), QStringLiteral("z")}};
    QVERIFY(m_api->track(m_api->postMultipart(verifyRoute, params, -1)));
    QVERIFY(ok.wait(5000));

    const FakeApi::HttpRequest request = m_server->lastRequest(verifyRoute);
    QVERIFY(request.header("Content-Type").startsWith("multipart/form-data; boundary="));
    QCOMPARE(request.parts.size(), 3);
    const QStringList names = {QStringLiteral("Zone"), QStringLiteral("userName"), QStringLiteral("vcodeType")};
    for (int i = 0; i < 3; ++i) {
        const FakeApi::MultipartPart &part = request.parts.at(i);
        QCOMPARE(part.name, names.at(i));
        QCOMPARE(part.headers.size(), 1);
        QCOMPARE(part.header("Content-Disposition"), QStringLiteral("form-data; name=\"%1\"").arg(names.at(i)).toUtf8());
        QCOMPARE(QString::fromUtf8(part.body), params.value(names.at(i)));
    }
}

void TestApiManager::jsonBodyIsCompactObject()
{
    QSignalSpy done(m_api, &ProbeApi::succeeded);
    QSignalSpy failed(m_api, &ProbeApi::failed);
    const QJsonObject body{{"name", "我的EQ"}, {"main_gain", 3}, {"freq", QJsonArray{"31", "62.5"}}};
    QVERIFY(m_api->track(m_api->postJson(QStringLiteral("home/cloud/saveCloud"), body)));
    QTRY_COMPARE_WITH_TIMEOUT(done.count() + failed.count(), 1, 5000);

    const FakeApi::HttpRequest request = m_server->lastRequest(QStringLiteral("home/cloud/saveCloud"));
    QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
    QCOMPARE(request.body, QJsonDocument(body).toJson(QJsonDocument::Compact));
    QVERIFY(!request.body.contains('\n'));
}

void TestApiManager::filePartHeadersAsReceived()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("avatar.png"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray png = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452") + QByteArray(64, '\x01');
    file.write(png);
    file.close();

    QSignalSpy done(m_api, &ProbeApi::failed);
    QVERIFY(m_api->track(m_api->postMultipartFile(QStringLiteral("home/system/picUpload"), QStringLiteral("image"), path)));
    QVERIFY(done.wait(5000)); // no token: the fake refuses, the upload itself is what is checked

    const FakeApi::HttpRequest request = m_server->lastRequest(QStringLiteral("home/system/picUpload"));
    QCOMPARE(request.parts.size(), 1);
    const FakeApi::MultipartPart &part = request.parts.first();
    QCOMPARE(part.header("Content-Disposition"), QByteArray("form-data; name=\"image\"; filename=\"avatar.png\""));
    QCOMPARE(part.contentType, QByteArray("image/png"));
    QCOMPARE(part.body, png);
}

void TestApiManager::filePartNameIsEscaped()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("my \"best\"\nshot.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("hello");
    file.close();

    QSignalSpy done(m_api, &ProbeApi::failed);
    QVERIFY(m_api->track(m_api->postMultipartFile(QStringLiteral("home/system/picUpload"), QStringLiteral("image"), path)));
    QVERIFY(done.wait(5000));
    const FakeApi::MultipartPart part = m_server->lastRequest(QStringLiteral("home/system/picUpload")).parts.value(0);
    QCOMPARE(part.headers.size(), 2);
    QCOMPARE(part.fileName, QStringLiteral("my %22best%22%0Ashot.txt"));
    QCOMPARE(part.body, QByteArray("hello"));
}

void TestApiManager::missingOrUnreadableFileSendsNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("directory") << "directory";
    QTest::newRow("unreadable") << "unreadable";
}

void TestApiManager::missingOrUnreadableFileSendsNothing()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("nothing.png"));
    QByteArray warning = "postMultipartFile: file not found or not a file: ";
    if (kind == QLatin1String("directory")) {
        path = dir.path();
    } else if (kind == QLatin1String("unreadable")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
        file.close();
        file.setPermissions(QFileDevice::WriteOwner);
        if (QFileInfo(path).isReadable())
            QSKIP("running with rights that read any file");
        warning = "postMultipartFile: cannot open file: ";
    }
    QTest::ignoreMessage(QtWarningMsg, QByteArray(warning + path.toUtf8()).constData());
    QCOMPARE(m_api->postMultipartFile(QStringLiteral("home/system/picUpload"), QStringLiteral("image"), path), nullptr);
    QCOMPARE(m_server->requests().size(), 0);
}

QTEST_MAIN(TestApiManager)
#include "tst_apimanager.moc"
