// Sign-in, registration, verification codes and password reset against the
// fake server, which accepts only correctly hashed password fields.
#include "CloudTestSupport.h"

#include "cloud/AccountApi.h"
#include "tests/support/fakeapi/FakeApiServer.h"

#include <QJsonDocument>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

using EarphoneApi::AccountApi;
using EarphoneApi::LoginResponse;
using EarphoneApi::UserInfo;
using FakeApi::Backend;

class TestAccountApi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { CloudTest::bypassProxy(); }
    void init();
    void cleanup();

    void loginSendsHashedPasswordAndStoresToken();
    void loginAreaCode_data();
    void loginAreaCode();
    void loginWrongPasswordFails();
    void loginReplyShapes_data();
    void loginReplyShapes();
    void loginWithoutUsableTokenFails();
    void userRecordJsonRoundTrip_data();
    void userRecordJsonRoundTrip();
    void registerThenLoginWithSamePassword();
    void registerOpeningSessionSignalsLoginFirst();
    void registerWithWrongCodeFails();
    void verificationCodeFields_data();
    void verificationCodeFields();
    void passwordResetChangesTheHash();
    void passwordResetMismatchFails();
    void tokenFailureRaisesTokenInvalidFirst();
    void emptySigningKeySendsEmptyPasswordField();
    void unusableBaseUrlFailsAsNetworkError();

private:
    FakeApi::FakeApiServer *m_server = nullptr;
    AccountApi *m_api = nullptr;
};

void TestAccountApi::init()
{
    m_server = new FakeApi::FakeApiServer(this);
    QVERIFY(m_server->start());
    FakeApi::User alice;
    alice.uid = QStringLiteral("501");
    alice.userName = QStringLiteral("13800000001");
    alice.nickName = QStringLiteral("爱丽丝");
    alice.iconUrl = QStringLiteral("http://img/a.png");
    alice.email = QStringLiteral("alice@example.com");
    alice.sex = 2;
    alice.age = 30;
    alice.location = QStringLiteral("深圳");
    m_server->backend().addUser(alice, QStringLiteral("Secret+1"));
    m_api = new AccountApi(this);
    m_api->setBaseUrl(m_server->baseUrl());
}

void TestAccountApi::cleanup()
{
    delete m_api;
    delete m_server;
}

void TestAccountApi::loginSendsHashedPasswordAndStoresToken()
{
    QSignalSpy ok(m_api, &AccountApi::loginSuccess);
    QVERIFY(m_api->login(QStringLiteral("13800000001"), QStringLiteral("Secret+1"), QString()));
    QVERIFY(ok.wait(5000));

    const FakeApi::HttpRequest request = m_server->lastRequest(QStringLiteral("home/account/login"));
    QStringList names;
    for (const auto &field : request.formFields)
        names << field.first;
    QCOMPARE(names, (QStringList{"loginType", "areaCode", "userName", "password"}));
    QCOMPARE(request.field("loginType"), QStringLiteral("1"));
    QCOMPARE(request.field("password"),
             CloudTest::hmacSha1Hex("Secret+1", EarphoneApi::ApiManager::builtInSecretKey().toUtf8()));
    QVERIFY(!request.hasHeader("token"));

    const auto response = ok.at(0).at(0).value<LoginResponse>();
    QVERIFY(m_server->backend().tokenValid(response.token));
    QCOMPARE(m_api->token(), response.token);
    QCOMPARE(response.userInfo.uid, QStringLiteral("501"));
    QCOMPARE(response.userInfo.nickName, QStringLiteral("爱丽丝"));
    QCOMPARE(response.userInfo.email, QStringLiteral("alice@example.com"));
    QCOMPARE(response.userInfo.sex, 2);
    QCOMPARE(response.userInfo.age, 30);
    QCOMPARE(response.userInfo.location, QStringLiteral("深圳"));
}

void TestAccountApi::loginAreaCode_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("apiDefault");
    QTest::addColumn<QString>("sent");
    QTest::newRow("empty uses default") << "" << "86" << "86";
    QTest::newRow("empty uses configured default") << "" << "852" << "852";
    QTest::newRow("given wins") << "1" << "86" << "1";
}

void TestAccountApi::loginAreaCode()
{
    QFETCH(QString, given);
    QFETCH(QString, apiDefault);
    QFETCH(QString, sent);
    m_api->setDefaultAreaCode(apiDefault);
    QSignalSpy ok(m_api, &AccountApi::loginSuccess);
    QVERIFY(m_api->login(QStringLiteral("13800000001"), QStringLiteral("Secret+1"), given));
    QVERIFY(ok.wait(5000));
    QCOMPARE(m_server->lastRequest(QStringLiteral("home/account/login")).field("areaCode"), sent);
}

void TestAccountApi::loginWrongPasswordFails()
{
    QSignalSpy failed(m_api, &AccountApi::loginFailed);
    QSignalSpy ok(m_api, &AccountApi::loginSuccess);
    QVERIFY(m_api->login(QStringLiteral("13800000001"), QStringLiteral("secret+1"), QString()));
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.at(0).at(0).toInt(), 2025);
    QCOMPARE(failed.at(0).at(1).toString(), QStringLiteral("密码错误"));
    QCOMPARE(ok.count(), 0);
    QCOMPARE(m_api->token(), QString());
}

void TestAccountApi::loginReplyShapes_data()
{
    QTest::addColumn<QJsonObject>("data");
    QTest::addColumn<QString>("uid");
    QTest::addColumn<QString>("nickName");

    QTest::newRow("nested") << QJsonObject{{"token", "t"}, {"userInfo", QJsonObject{{"uid", "9"}, {"nickName", "n"}}}}
                            << "9" << "n";
    QTest::newRow("flat") << QJsonObject{{"token", "t"}, {"uid", " 9 "}, {"nickName", "n"}} << "9" << "n";
    QTest::newRow("uid as number") << QJsonObject{{"token", "t"}, {"uid", 123456}} << "123456" << "";
    QTest::newRow("id fallback") << QJsonObject{{"token", "t"}, {"uid", ""}, {"id", "77"}} << "77" << "";
    QTest::newRow("numeric id fallback") << QJsonObject{{"token", "t"}, {"id", 78}} << "78" << "";
    QTest::newRow("userInfo not an object") << QJsonObject{{"token", "t"}, {"userInfo", "x"}, {"uid", "5"}} << "5"
                                            << "";
}

void TestAccountApi::loginReplyShapes()
{
    QFETCH(QJsonObject, data);
    QFETCH(QString, uid);
    QFETCH(QString, nickName);
    m_server->backend().setCannedReply(QStringLiteral("home/account/login"), Backend::envelope(0, "ok", data));
    QSignalSpy ok(m_api, &AccountApi::loginSuccess);
    QVERIFY(m_api->login(QStringLiteral("u"), QStringLiteral("p"), QString()));
    QVERIFY(ok.wait(5000));
    const auto response = ok.at(0).at(0).value<LoginResponse>();
    QCOMPARE(response.token, QStringLiteral("t"));
    QCOMPARE(response.userInfo.uid, uid);
    QCOMPARE(response.userInfo.nickName, nickName);
}

void TestAccountApi::loginWithoutUsableTokenFails()
{
    m_api->setToken(QStringLiteral("earlier"));
    m_server->backend().setCannedReply(QStringLiteral("home/account/login"),
                                       Backend::envelope(0, "ok", QJsonObject{{"token", "   "}, {"uid", "1"}}));
    QSignalSpy failed(m_api, &AccountApi::loginFailed);
    QSignalSpy ok(m_api, &AccountApi::loginSuccess);
    QVERIFY(m_api->login(QStringLiteral("u"), QStringLiteral("p"), QString()));
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.at(0).at(0).toInt(), -1);
    QCOMPARE(failed.at(0).at(1).toString(), QString());
    QCOMPARE(ok.count(), 0);
    QCOMPARE(m_api->token(), QStringLiteral("earlier"));
}

void TestAccountApi::userRecordJsonRoundTrip_data()
{
    QTest::addColumn<UserInfo>("info");
    QTest::addColumn<QStringList>("keys");
    const QStringList always{"age", "areaCode", "email", "iconUrl", "nickName", "sex", "uid", "userName"};

    UserInfo full;
    full.uid = QStringLiteral("501");
    full.userName = QStringLiteral("13800000001");
    full.nickName = QStringLiteral("爱丽丝");
    full.iconUrl = QStringLiteral("http://img/a.png");
    full.areaCode = QStringLiteral("86");
    full.email = QStringLiteral("a@example.com");
    full.sex = -1;
    full.age = 30;
    full.location = QStringLiteral("深圳");
    QTest::newRow("every field") << full << QStringList(always + QStringList{"location"});

    UserInfo noLocation = full;
    noLocation.location.clear();
    QTest::newRow("empty location left out") << noLocation << always;
    QTest::newRow("default record") << UserInfo() << always;
}

void TestAccountApi::userRecordJsonRoundTrip()
{
    QFETCH(UserInfo, info);
    QFETCH(QStringList, keys);
    // The stored form goes through text, as the session keeps it.
    const QByteArray stored = QJsonDocument(EarphoneApi::userInfoToJson(info)).toJson();
    const QJsonObject object = QJsonDocument::fromJson(stored).object();
    QStringList actualKeys = object.keys();
    actualKeys.sort();
    keys.sort();
    QCOMPARE(actualKeys, keys);
    QVERIFY(object.value(QLatin1String("sex")).isDouble());
    QVERIFY(object.value(QLatin1String("uid")).isString());
    QCOMPARE(EarphoneApi::parseUserInfo(object), info);
}

void TestAccountApi::registerThenLoginWithSamePassword()
{
    const QString user = QStringLiteral("new@example.com");
    QSignalSpy sent(m_api, &AccountApi::verificationCodeSent);
    QVERIFY(m_api->sendVerificationCode(user, 1, QString()));
    QVERIFY(sent.wait(5000));

    QSignalSpy registered(m_api, &AccountApi::registerSuccess);
    QSignalSpy loggedIn(m_api, &AccountApi::loginSuccess);
    QVERIFY(m_api->registerAccount(user, m_server->backend().verificationCode(user), QStringLiteral("新密码pw")));
    QVERIFY(registered.wait(5000));
    QCOMPARE(loggedIn.count(), 0);
    QCOMPARE(registered.at(0).at(0).value<UserInfo>().userName, user);
    QVERIFY(!registered.at(0).at(0).value<UserInfo>().uid.isEmpty());

    const FakeApi::HttpRequest request = m_server->lastRequest(QStringLiteral("home/account/register"));
    QStringList names;
    for (const auto &field : request.formFields)
        names << field.first;
    QCOMPARE(names, (QStringList{"userName", "vcode", "password"}));
    QCOMPARE(request.field("password"),
             CloudTest::hmacSha1Hex(QStringLiteral("新密码pw").toUtf8(),
                                    EarphoneApi::ApiManager::builtInSecretKey().toUtf8()));

    QVERIFY(m_api->login(user, QStringLiteral("新密码pw"), QString()));
    QVERIFY(loggedIn.wait(5000));
}

void TestAccountApi::registerOpeningSessionSignalsLoginFirst()
{
    const QString user = QStringLiteral("13900000009");
    m_server->backend().setRegisterOpensSession(true);
    QSignalSpy sent(m_api, &AccountApi::verificationCodeSent);
    QVERIFY(m_api->sendVerificationCode(user, 1, QString()));
    QVERIFY(sent.wait(5000));

    QStringList events;
    connect(m_api, &AccountApi::loginSuccess, this, [&] { events << QStringLiteral("login"); });
    connect(m_api, &AccountApi::registerSuccess, this, [&] { events << QStringLiteral("register"); });
    QVERIFY(m_api->registerAccount(user, m_server->backend().verificationCode(user), QStringLiteral("pw")));
    QTRY_COMPARE_WITH_TIMEOUT(events.size(), 2, 5000);
    QCOMPARE(events, (QStringList{"login", "register"}));
    QVERIFY(m_server->backend().tokenValid(m_api->token()));
}

void TestAccountApi::registerWithWrongCodeFails()
{
    QSignalSpy failed(m_api, &AccountApi::registerFailed);
    QVERIFY(m_api->registerAccount(QStringLiteral("x@example.com"), QStringLiteral("000000"), QStringLiteral("pw")));
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.at(0).at(0).toInt(), 2009);
}

void TestAccountApi::verificationCodeFields_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("areaCode");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("sentArea");
    QTest::newRow("no area code") << 2 << "" << QStringList{"userName", "vcodeType"} << "";
    QTest::newRow("blank area code") << 1 << "   " << QStringList{"userName", "vcodeType"} << "";
    QTest::newRow("area code trimmed") << 3 << " 852 " << QStringList{"userName", "vcodeType", "areaCode"} << "852";
}

void TestAccountApi::verificationCodeFields()
{
    QFETCH(int, type);
    QFETCH(QString, areaCode);
    QFETCH(QStringList, names);
    QFETCH(QString, sentArea);
    QSignalSpy sent(m_api, &AccountApi::verificationCodeSent);
    QVERIFY(m_api->sendVerificationCode(QStringLiteral("13800000001"), type, areaCode));
    QVERIFY(sent.wait(5000));
    const FakeApi::HttpRequest request = m_server->lastRequest(QStringLiteral("home/account/sendVerify"));
    QStringList sentNames;
    for (const auto &field : request.formFields)
        sentNames << field.first;
    QCOMPARE(sentNames, names);
    QCOMPARE(request.field("vcodeType"), QString::number(type));
    QCOMPARE(request.field("areaCode"), sentArea);
}

void TestAccountApi::passwordResetChangesTheHash()
{
    const QString user = QStringLiteral("13800000001");
    QSignalSpy sent(m_api, &AccountApi::verificationCodeSent);
    QVERIFY(m_api->sendVerificationCode(user, 2, QString()));
    QVERIFY(sent.wait(5000));

    QSignalSpy reset(m_api, &AccountApi::passwordResetSuccess);
    QVERIFY(m_api->forgetPassword(user, m_server->backend().verificationCode(user), QStringLiteral("Fresh&1"),
                                  QStringLiteral("Fresh&1")));
    QVERIFY(reset.wait(5000));
    const FakeApi::HttpRequest request = m_server->lastRequest(QStringLiteral("home/account/forgetPwd"));
    const QString hash =
        CloudTest::hmacSha1Hex("Fresh&1", EarphoneApi::ApiManager::builtInSecretKey().toUtf8());
    QCOMPARE(request.field("password"), hash);
    QCOMPARE(request.field("surePassword"), hash);

    QSignalSpy failed(m_api, &AccountApi::loginFailed);
    QSignalSpy ok(m_api, &AccountApi::loginSuccess);
    QVERIFY(m_api->login(user, QStringLiteral("Secret+1"), QString()));
    QVERIFY(failed.wait(5000));
    QVERIFY(m_api->login(user, QStringLiteral("Fresh&1"), QString()));
    QVERIFY(ok.wait(5000));
}

void TestAccountApi::passwordResetMismatchFails()
{
    QSignalSpy failed(m_api, &AccountApi::passwordResetFailed);
    QVERIFY(m_api->forgetPassword(QStringLiteral("13800000001"), QStringLiteral("1"), QStringLiteral("a"),
                                  QStringLiteral("b")));
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.at(0).at(0).toInt(), 2022);
}

void TestAccountApi::tokenFailureRaisesTokenInvalidFirst()
{
    m_server->backend().setCannedReply(QStringLiteral("home/account/sendVerify"), Backend::envelope(1004, "expired"));
    QStringList events;
    connect(m_api, &AccountApi::tokenInvalid, this,
            [&](int code, const QString &m) { events << QStringLiteral("tokenInvalid %1 %2").arg(code).arg(m); });
    connect(m_api, &AccountApi::verificationCodeSendFailed, this,
            [&](int code, const QString &m) { events << QStringLiteral("failed %1 %2").arg(code).arg(m); });
    QVERIFY(m_api->sendVerificationCode(QStringLiteral("u"), 1, QString()));
    QTRY_COMPARE_WITH_TIMEOUT(events.size(), 2, 5000);
    QCOMPARE(events, (QStringList{"tokenInvalid 1004 expired", "failed 1004 expired"}));
}

void TestAccountApi::emptySigningKeySendsEmptyPasswordField()
{
    m_api->setSecretKey(QString());
    FakeApi::SignScheme scheme;
    scheme.mode = 2; // signs without the key, so the request itself is accepted
    m_server->backend().setSignScheme(scheme);
    m_api->setSignAlgorithm(EarphoneApi::Md5Timestamp);
    QTest::ignoreMessage(QtWarningMsg, "HmacSHA1: Key is empty!");
    QSignalSpy failed(m_api, &AccountApi::loginFailed);
    QVERIFY(m_api->login(QStringLiteral("13800000001"), QStringLiteral("Secret+1"), QString()));
    QVERIFY(failed.wait(5000));
    QCOMPARE(m_server->lastRequest(QStringLiteral("home/account/login")).field("password"), QString());
    QCOMPARE(failed.at(0).at(0).toInt(), 2020);
}

void TestAccountApi::unusableBaseUrlFailsAsNetworkError()
{
    // A base URL without a scheme is refused by the network layer: -1 and networkError.
    m_api->setBaseUrl(QStringLiteral("nowhere"));
    QSignalSpy failed(m_api, &AccountApi::loginFailed);
    QSignalSpy networkError(m_api, &AccountApi::networkError);
    m_api->login(QStringLiteral("u"), QStringLiteral("p"), QString());
    QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 5000);
    QCOMPARE(failed.at(0).at(0).toInt(), -1);
    QCOMPARE(networkError.count(), 1);
}

QTEST_MAIN(TestAccountApi)
#include "tst_accountapi.moc"
