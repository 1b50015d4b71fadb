// The login session against the fake server: restoring and refreshing a
// stored session, the login window's requests and feedback, logout, the
// expired-token path, and the sealed store.
#include "CloudTestSupport.h"

#include "cloud/AccountApi.h"
#include "cloud/ApiFactory.h"
#include "account/CustomLoginWindow.h"
#include "cloud/EqApi.h"
#include "cloud/FirmwareApi.h"
#include "cloud/LoginController.h"
#include "cloud/UserApi.h"
#include "platform/tokenprotect/InMemoryTokenProtector.h"
#include "platform/tokenprotect/KeyFileTokenProtector.h"
#include "tests/support/fakeapi/FakeApiServer.h"
#include "tests/support/testenv/ReadOnlySettingsFile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

using EarphoneApi::ApiFactory;
using EarphoneApi::LoginResponse;
using EarphoneApi::UserInfo;
using FakeApi::Backend;
using FakeApi::Fault;

namespace {

const QString loginRoute = QStringLiteral("home/account/login");
const QString profileRoute = QStringLiteral("home/user/getOtherinfo");

// Records the feedback the session gives, on top of the window's own state.
class RecordingLoginWindow : public CustomLoginWindow
{
public:
    using CustomLoginWindow::CustomLoginWindow;
    void onVerifyCodeSendSuccess(int vcodeType) override
    {
        verifySuccessTypes.append(vcodeType);
        CustomLoginWindow::onVerifyCodeSendSuccess(vcodeType);
    }
    void switchToLoginPage() override
    {
        ++switchedToLogin;
        CustomLoginWindow::switchToLoginPage();
    }
    QList<int> verifySuccessTypes;
    int switchedToLogin = 0;
};

} // namespace

class TestLoginController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { CloudTest::bypassProxy(); }
    void init();
    void cleanup();

    void apisComeFromSettingsOrEnvironment_data();
    void apisComeFromSettingsOrEnvironment();
    void apisComeFromTheFactoryWhenItHasABaseUrl();
    void signInStoresSealedSession_data();
    void signInStoresSealedSession();
    void sessionHoldsForTheSessionInEveryStore_data();
    void sessionHoldsForTheSessionInEveryStore();
    void replyAfterWindowClosedIsIgnored();
    void bindingTwiceKeepsOneConnection();
    void failuresShowOnTheAskingPage_data();
    void failuresShowOnTheAskingPage();
    void verifyCodeTypeOutsideRangeIsSentAsOne();
    void passwordReset_data();
    void passwordReset();
    void registrationClosesWindow();
    void restoredSessionIsRefreshed();
    void refreshedRecordWithoutUidKeepsStoredUid();
    void storedRecordWithoutUidEndsSession();
    void refreshGivesUpAfterThreeFailures_data();
    void refreshGivesUpAfterThreeFailures();
    void refreshWithExpiredTokenEndsSession();
    void recordArrivingAfterLogoutIsDropped();
    void recordOfAnEarlierSessionIsDropped_data();
    void recordOfAnEarlierSessionIsDropped();
    void logoutWithoutTokenSendsNothing();
    void logoutEndsSessionWhateverTheServerSays_data();
    void logoutEndsSessionWhateverTheServerSays();
    void expiredTokenFromEqApiEndsSession();
    void isLoggedInNeedsANonBlankToken_data();
    void isLoggedInNeedsANonBlankToken();
    void unreadableSealedTokenReadsAsSignedOut();
    void protectionUnavailableStoresPlain();
    void keyFileProtectorEndToEnd();

private:
    LoginController *makeController(ITokenProtector *protector = nullptr);
    // Signs `m_user` in through a controller and deletes it, leaving a stored session.
    void storeSession(const UserInfo &record);
    void showWindow(LoginController *controller);

    std::unique_ptr<CloudTest::SettingsScope> m_settings;
    FakeApi::FakeApiServer *m_server = nullptr;
    InMemoryTokenProtector m_protector;
    RecordingLoginWindow *m_window = nullptr;
    FakeApi::User m_user;
};

void TestLoginController::init()
{
    qunsetenv("VELKORA_API_SECRET_KEY");
    m_settings = std::make_unique<CloudTest::SettingsScope>();
    m_server = new FakeApi::FakeApiServer(this);
    QVERIFY(m_server->start());
    m_user.uid = QStringLiteral("7001");
    m_user.userName = QStringLiteral("13800000000");
    m_user.nickName = QStringLiteral("Ann");
    m_user.iconUrl = QStringLiteral("http://img/ann.png");
    m_server->backend().addUser(m_user, QStringLiteral("secret"));
    QSettings().setValue(QStringLiteral("api/baseUrl"), m_server->baseUrl());
    m_protector = InMemoryTokenProtector();
    m_window = new RecordingLoginWindow();
}

void TestLoginController::cleanup()
{
    delete m_window;
    delete m_server;
    m_settings.reset();
    qunsetenv("VELKORA_API_BASE_URL");
    qunsetenv("VELKORA_API_SECRET_KEY");
}

LoginController *TestLoginController::makeController(ITokenProtector *protector)
{
    LoginController::Options options;
    options.protector = protector ? protector : &m_protector;
    options.profileRetryStepMs = 40;
    options.profileRetryOffsetMs = 20;
    return new LoginController(options, this);
}

void TestLoginController::showWindow(LoginController *controller)
{
    controller->bindLoginWindow(m_window->loginPort());
    m_window->show();
}

void TestLoginController::storeSession(const UserInfo &record)
{
    std::unique_ptr<LoginController> controller(makeController());
    controller->saveSession(LoginResponse{m_server->backend().issueToken(m_user.userName), record});
}

void TestLoginController::apisComeFromSettingsOrEnvironment_data()
{
    QTest::addColumn<bool>("fromEnvironment");
    QTest::newRow("settings") << false;
    QTest::newRow("environment") << true;
}

void TestLoginController::apisComeFromSettingsOrEnvironment()
{
    QFETCH(bool, fromEnvironment);
    const QString secret =
        fromEnvironment ? QStringLiteral("env-secret-42") : EarphoneApi::ApiManager::builtInSecretKey();
    if (fromEnvironment) {
        QSettings().remove(QStringLiteral("api/baseUrl"));
        qputenv("VELKORA_API_BASE_URL", m_server->baseUrl().toUtf8());
        qputenv("VELKORA_API_SECRET_KEY", secret.toUtf8());
    }
    std::unique_ptr<LoginController> controller(makeController());
    // Used, never written to the store.
    QVERIFY(!QSettings().contains(QStringLiteral("api/secretKey")));
    for (EarphoneApi::ApiManager *api :
         {static_cast<EarphoneApi::ApiManager *>(controller->accountApi()),
          static_cast<EarphoneApi::ApiManager *>(controller->userApi()),
          static_cast<EarphoneApi::ApiManager *>(controller->eqApi()),
          static_cast<EarphoneApi::ApiManager *>(controller->firmwareApi())}) {
        QVERIFY(api);
        QCOMPARE(api->baseUrl(), m_server->baseUrl());
        QCOMPARE(api->secretKey(), secret);
        QCOMPARE(api->defaultTimeoutMs(), EarphoneApi::ApiManager::builtInTimeoutMs);
        QCOMPARE(api->parent(), controller.get());
    }
}

void TestLoginController::apisComeFromTheFactoryWhenItHasABaseUrl()
{
    QSettings settings;
    settings.setValue(QStringLiteral("api/requestTimeoutMs"), 4321);
    settings.setValue(QStringLiteral("api/language"), QStringLiteral("en"));
    settings.setValue(QStringLiteral("api/baseUrl"), m_server->baseUrl() + QStringLiteral("via-factory"));
    auto owner = std::make_unique<QObject>();
    ApiFactory *factory = ApiFactory::instance(owner.get());
    factory->loadConfig(settings);
    std::unique_ptr<LoginController> controller(makeController());
    QCOMPARE(controller->eqApi()->baseUrl(), m_server->baseUrl() + QStringLiteral("via-factory/"));
    QCOMPARE(controller->eqApi()->defaultTimeoutMs(), 4321);
    QCOMPARE(controller->firmwareApi()->language(), QStringLiteral("en"));

    factory->setLanguage(QStringLiteral("zh"));
    controller->applyApiLanguage();
    QCOMPARE(controller->accountApi()->language(), QStringLiteral("zh"));
    QCOMPARE(controller->eqApi()->language(), QStringLiteral("zh"));
}

void TestLoginController::signInStoresSealedSession_data()
{
    QTest::addColumn<int>("loginType");
    QTest::addColumn<QString>("areaCode");
    QTest::newRow("phone") << 0 << "86";
    QTest::newRow("other") << 1 << "44";
}

void TestLoginController::signInStoresSealedSession()
{
    QFETCH(int, loginType);
    std::unique_ptr<LoginController> controller(makeController());
    controller->accountApi()->setDefaultAreaCode(QStringLiteral("44"));
    showWindow(controller.get());
    QSignalSpy ui(controller.get(), &LoginController::loginSucceededUpdateUI);
    QSignalSpy token(controller.get(), &LoginController::sessionTokenChanged);

    emit m_window->loginRequested(loginType, QStringLiteral(" 13800000000 "), QStringLiteral(" secret "));
    QVERIFY(ui.wait(5000));
    QCOMPARE(ui.at(0), (QVariantList{m_user.iconUrl, m_user.nickName}));
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_window->result(), int(QDialog::Accepted));

    const FakeApi::HttpRequest request = m_server->lastRequest(loginRoute);
    QTEST(request.field("areaCode"), "areaCode");
    QCOMPARE(request.field("userName"), QStringLiteral("13800000000"));
    QCOMPARE(request.field("password"), m_server->backend().passwordHash(QStringLiteral("secret")));

    QVERIFY(controller->isLoggedIn());
    const QString sessionToken = controller->loadStoredToken();
    QVERIFY(m_server->backend().tokenValid(sessionToken));
    QCOMPARE(token.size(), 1);
    QCOMPARE(token.at(0).at(0).toString(), sessionToken);
    QCOMPARE(controller->eqApi()->token(), sessionToken);
    QCOMPARE(controller->firmwareApi()->token(), sessionToken);
    QCOMPARE(controller->loadStoredUserInfo().uid, m_user.uid);

    // Nothing of the session is stored readable.
    const QSettings settings;
    QVERIFY(!settings.value("Login/token").toString().contains(sessionToken));
    QVERIFY(!settings.value("Login/userInfo").toString().contains(m_user.nickName));
    QCOMPARE(settings.value("Login/loggedIn").toBool(), true);
    QCOMPARE(m_protector.lastDescription, QByteArray("VelkoraZarvex_Login"));
}

void TestLoginController::sessionHoldsForTheSessionInEveryStore_data()
{
    QTest::addColumn<SettingsStoreKind>("store");
    for (const auto &[store, name] : settingsStoreKinds())
        QTest::newRow(name) << store;
}

// Signed in and out as the store takes it or not: every later reader of the
// program agrees until it ends.
void TestLoginController::sessionHoldsForTheSessionInEveryStore()
{
    QFETCH(SettingsStoreKind, store);
    // The stored address goes with the file; every reader still asks this server.
    qputenv("VELKORA_API_BASE_URL", m_server->baseUrl().toUtf8());
    std::unique_ptr<LoginController> controller(makeController());
    const std::unique_ptr<ReadOnlySettingsFile> locked = lockSettingsStore(store);
    if (locked)
        QVERIFY2(locked->isValid(), qPrintable(locked->path()));
    const QByteArray stored = locked ? locked->contents() : QByteArray();
    showWindow(controller.get());
    QSignalSpy ui(controller.get(), &LoginController::loginSucceededUpdateUI);
    emit m_window->loginRequested(0, QStringLiteral("13800000000"), QStringLiteral("secret"));
    QVERIFY(ui.wait(5000));

    {
        const std::unique_ptr<LoginController> reader(makeController());
        QVERIFY(reader->isLoggedIn());
        QCOMPARE(reader->loadStoredToken(), controller->loadStoredToken());
        QCOMPARE(reader->loadStoredUserInfo().uid, m_user.uid);
    }
    QSignalSpy loggedOut(controller.get(), &LoginController::loggedOut);
    controller->logout();
    QVERIFY(loggedOut.wait(5000));
    const std::unique_ptr<LoginController> reader(makeController());
    QVERIFY(!reader->isLoggedIn());
    QVERIFY(reader->loadStoredUserInfo().uid.isEmpty());
    if (locked)
        QCOMPARE(locked->contents(), stored);
}

void TestLoginController::replyAfterWindowClosedIsIgnored()
{
    std::unique_ptr<LoginController> controller(makeController());
    showWindow(controller.get());
    m_server->setFault(loginRoute, Fault::delay(100));
    QSignalSpy ui(controller.get(), &LoginController::loginSucceededUpdateUI);
    QSignalSpy token(controller.get(), &LoginController::sessionTokenChanged);
    QSignalSpy replied(controller->accountApi(), &EarphoneApi::AccountApi::loginSuccess);
    emit m_window->loginRequested(0, m_user.userName, QStringLiteral("secret"));
    m_window->reject();
    QVERIFY(replied.wait(5000));
    QCOMPARE(ui.size(), 0);
    QCOMPARE(token.size(), 0);
    QVERIFY(!controller->isLoggedIn());
    QVERIFY(!QSettings().contains("Login/token"));
}

void TestLoginController::bindingTwiceKeepsOneConnection()
{
    std::unique_ptr<LoginController> controller(makeController());
    controller->bindLoginWindow(m_window->loginPort());
    showWindow(controller.get());
    QSignalSpy ui(controller.get(), &LoginController::loginSucceededUpdateUI);
    QSignalSpy replied(controller->accountApi(), &EarphoneApi::AccountApi::loginSuccess);
    emit m_window->loginRequested(0, m_user.userName, QStringLiteral("secret"));
    QVERIFY(replied.wait(5000));
    QCOMPARE(m_server->requestCount(loginRoute), 1);
    QCOMPARE(ui.size(), 1);
}

void TestLoginController::failuresShowOnTheAskingPage_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<QJsonObject>("canned"); // empty: a transport failure
    QTest::addColumn<int>("vcodeType");
    QTest::addColumn<QString>("loginError");
    QTest::addColumn<QString>("registerError");
    QTest::addColumn<QString>("forgetError");
    const QString network = QStringLiteral("网络异常，请重试");
    QTest::newRow("login transport") << loginRoute << QJsonObject() << 0 << network << "" << "";
    QTest::newRow("login wrong password") << loginRoute << Backend::envelope(2025, "x") << 0 << "密码错误" << ""
                                          << "";
    QTest::newRow("login reply without token")
        << loginRoute << Backend::envelope(0, "", QJsonObject{{"token", ""}}) << 0 << network << "" << "";
    QTest::newRow("register") << "home/account/register" << Backend::envelope(2009, "x") << 0 << "" << "验证码错误"
                              << "";
    QTest::newRow("reset") << "home/account/forgetPwd" << Backend::envelope(2022, "x") << 0 << "" << ""
                           << "密码与确认密码不一致";
    QTest::newRow("code for register") << "home/account/sendVerify" << Backend::envelope(2014, "x") << 1 << ""
                                       << "请在一分钟后发送验证码" << "";
    QTest::newRow("code for reset") << "home/account/sendVerify" << QJsonObject() << 2 << "" << "" << network;
}

void TestLoginController::failuresShowOnTheAskingPage()
{
    QFETCH(QString, route);
    QFETCH(QJsonObject, canned);
    QFETCH(int, vcodeType);
    if (canned.isEmpty())
        m_server->setFault(route, Fault::status(500));
    else
        m_server->backend().setCannedReply(route, canned);
    std::unique_ptr<LoginController> controller(makeController());
    showWindow(controller.get());
    EarphoneApi::AccountApi *account = controller->accountApi();
    QList<std::shared_ptr<QSignalSpy>> failures{
        std::make_shared<QSignalSpy>(account, &EarphoneApi::AccountApi::loginFailed),
        std::make_shared<QSignalSpy>(account, &EarphoneApi::AccountApi::registerFailed),
        std::make_shared<QSignalSpy>(account, &EarphoneApi::AccountApi::passwordResetFailed),
        std::make_shared<QSignalSpy>(account, &EarphoneApi::AccountApi::verificationCodeSendFailed)};

    if (route == loginRoute)
        emit m_window->loginRequested(1, m_user.userName, QStringLiteral("secret"));
    else if (route.endsWith(QLatin1String("register")))
        emit m_window->registerRequested(QStringLiteral("new@example.com"), QStringLiteral("1"), QStringLiteral("p"));
    else if (route.endsWith(QLatin1String("forgetPwd")))
        emit m_window->forgetPasswordRequested(m_user.userName, QStringLiteral("1"), QStringLiteral("a"),
                                               QStringLiteral("b"));
    else
        emit m_window->getVerifyCodeRequested(m_user.userName, vcodeType, QStringLiteral("86"));
    QVERIFY(QTest::qWaitFor(
        [&] { return std::any_of(failures.begin(), failures.end(), [](const auto &s) { return !s->isEmpty(); }); },
        5000));
    QTEST(m_window->loginError(), "loginError");
    QTEST(m_window->registerError(), "registerError");
    QTEST(m_window->forgetPasswordError(), "forgetError");
    QVERIFY(!controller->isLoggedIn());
}

void TestLoginController::verifyCodeTypeOutsideRangeIsSentAsOne()
{
    std::unique_ptr<LoginController> controller(makeController());
    showWindow(controller.get());
    QSignalSpy sent(controller->accountApi(), &EarphoneApi::AccountApi::verificationCodeSent);
    emit m_window->getVerifyCodeRequested(QStringLiteral(" new@example.com "), 7, QStringLiteral(" 852 "));
    QVERIFY(sent.wait(5000));
    const FakeApi::HttpRequest request = m_server->lastRequest("home/account/sendVerify");
    QCOMPARE(request.field("vcodeType"), QStringLiteral("1"));
    QCOMPARE(request.field("userName"), QStringLiteral("new@example.com"));
    QCOMPARE(request.field("areaCode"), QStringLiteral("852"));
    QCOMPARE(m_window->verifySuccessTypes, QList<int>{7});
    QCOMPARE(m_window->registerCountdown(), 0); // type 7 starts no countdown

    emit m_window->getVerifyCodeRequested(QStringLiteral("new@example.com"), 2, QString());
    QVERIFY(sent.wait(5000));
    QCOMPARE(m_window->forgetPasswordCountdown(), CustomLoginWindow::resendCountdownSeconds);
    m_window->switchToLoginPage();
    QCOMPARE(m_window->forgetPasswordCountdown(), 0);
}

void TestLoginController::passwordReset_data()
{
    QTest::addColumn<bool>("signedIn");
    QTest::newRow("signed out") << false;
    QTest::newRow("signed in") << true;
}

void TestLoginController::passwordReset()
{
    QFETCH(bool, signedIn);
    if (signedIn)
        storeSession(UserInfo{m_user.uid, m_user.userName, {}, {}, {}, {}, 0, 0, {}});
    std::unique_ptr<LoginController> controller(makeController());
    showWindow(controller.get());
    QSignalSpy whileLoggedIn(controller.get(), &LoginController::passwordResetSucceededWhileLoggedIn);
    QSignalSpy reset(controller->accountApi(), &EarphoneApi::AccountApi::passwordResetSuccess);
    m_server->backend().setVerificationCode(QStringLiteral("4321"));
    emit m_window->getVerifyCodeRequested(m_user.userName, 2, QString());
    QTRY_COMPARE_WITH_TIMEOUT(m_window->verifySuccessTypes.size(), 1, 5000);
    emit m_window->forgetPasswordRequested(m_user.userName, QStringLiteral(" 4321 "), QStringLiteral(" new "),
                                           QStringLiteral("new "));
    QVERIFY(reset.wait(5000));
    QCOMPARE(whileLoggedIn.size(), signedIn ? 1 : 0);
    QCOMPARE(m_window->switchedToLogin, signedIn ? 0 : 1);
    QCOMPARE(m_window->isVisible(), !signedIn);
    QCOMPARE(m_server->backend().user(m_user.userName)->passwordHash, m_server->backend().passwordHash("new"));
}

void TestLoginController::registrationClosesWindow()
{
    m_server->backend().setRegisterOpensSession(true);
    std::unique_ptr<LoginController> controller(makeController());
    showWindow(controller.get());
    m_window->setRegisterError(QStringLiteral("old"));
    QSignalSpy registered(controller->accountApi(), &EarphoneApi::AccountApi::registerSuccess);
    QSignalSpy ui(controller.get(), &LoginController::loginSucceededUpdateUI);
    emit m_window->getVerifyCodeRequested(QStringLiteral("new@example.com"), 1, QString());
    QTRY_COMPARE_WITH_TIMEOUT(m_window->verifySuccessTypes.size(), 1, 5000);
    emit m_window->registerRequested(QStringLiteral("new@example.com"), QStringLiteral("123456"),
                                     QStringLiteral("pw"));
    QVERIFY(registered.wait(5000));
    QCOMPARE(ui.size(), 1); // the registration carried a token and opened the session
    QVERIFY(controller->isLoggedIn());
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_window->registerError(), QStringLiteral("old")); // closed by the sign-in before
}

void TestLoginController::restoredSessionIsRefreshed()
{
    storeSession(UserInfo{m_user.uid, m_user.userName, QStringLiteral("stale"), {}, {}, {}, 0, 0, {}});
    std::unique_ptr<LoginController> controller(makeController());
    const QString storedToken = controller->loadStoredToken();
    QVERIFY(!storedToken.isEmpty());
    QCOMPARE(controller->userApi()->token(), storedToken);
    QSignalSpy ui(controller.get(), &LoginController::loginSucceededUpdateUI);
    QVERIFY(ui.wait(5000));
    QCOMPARE(ui.at(0), (QVariantList{m_user.iconUrl, m_user.nickName}));
    QCOMPARE(m_server->lastRequest(profileRoute).field("uid"), m_user.uid);
    QCOMPARE(controller->loadStoredUserInfo().nickName, m_user.nickName);
    QCOMPARE(controller->loadStoredToken(), storedToken);
}

void TestLoginController::refreshedRecordWithoutUidKeepsStoredUid()
{
    storeSession(UserInfo{m_user.uid, m_user.userName, {}, {}, {}, {}, 0, 0, {}});
    m_server->backend().setCannedReply(
        profileRoute, Backend::envelope(0, "", QJsonObject{{"nickName", "Renamed"}, {"uid", ""}}));
    std::unique_ptr<LoginController> controller(makeController());
    QSignalSpy ui(controller.get(), &LoginController::loginSucceededUpdateUI);
    QVERIFY(ui.wait(5000));
    const UserInfo stored = controller->loadStoredUserInfo();
    QCOMPARE(stored.uid, m_user.uid);
    QCOMPARE(stored.nickName, QStringLiteral("Renamed"));
}

void TestLoginController::storedRecordWithoutUidEndsSession()
{
    storeSession(UserInfo{});
    std::unique_ptr<LoginController> controller(makeController());
    QSignalSpy relogin(controller.get(), &LoginController::needReLogin);
    QSignalSpy loggedOut(controller.get(), &LoginController::loggedOut);
    QVERIFY(relogin.wait(5000));
    QCOMPARE(relogin.at(0).at(0).toString(), QStringLiteral("账号数据异常，请重新登录"));
    QCOMPARE(loggedOut.size(), 1);
    QVERIFY(!controller->isLoggedIn());
    QCOMPARE(m_server->requestCount(profileRoute), 0);
}

void TestLoginController::refreshGivesUpAfterThreeFailures_data()
{
    QTest::addColumn<QJsonObject>("canned"); // empty: HTTP 500
    QTest::addColumn<QString>("hint");
    QTest::newRow("server code") << Backend::envelope(2030, "x") << "同步失败：获取用户信息失败";
    QTest::newRow("transport") << QJsonObject() << "同步失败，请检查网络。";
    QTest::newRow("no code, no message") << Backend::envelope(-2, "") << "账号同步失败，请检查网络后重试。";
}

void TestLoginController::refreshGivesUpAfterThreeFailures()
{
    QFETCH(QJsonObject, canned);
    storeSession(UserInfo{m_user.uid, m_user.userName, {}, {}, {}, {}, 0, 0, {}});
    if (canned.isEmpty())
        m_server->setFault(profileRoute, Fault::status(500));
    else
        m_server->backend().setCannedReply(profileRoute, canned);
    QList<qint64> sentAt;
    QElapsedTimer clock;
    clock.start();
    connect(m_server, &FakeApi::FakeApiServer::requestReceived, this,
            [&](const FakeApi::HttpRequest &r) {
                if (r.route == profileRoute)
                    sentAt.append(clock.elapsed());
            });
    std::unique_ptr<LoginController> controller(makeController());
    QSignalSpy gaveUp(controller.get(), &LoginController::profileSyncFromServerFailed);
    QVERIFY(gaveUp.wait(5000));
    QCOMPARE(gaveUp.size(), 1);
    QTEST(gaveUp.at(0).at(0).toString(), "hint");
    QCOMPARE(sentAt.size(), 3);
    // Retries wait step + offset, then 2 x step + offset (40/20 here).
    QVERIFY2(sentAt.at(1) - sentAt.at(0) >= 55, qPrintable(QString::number(sentAt.at(1) - sentAt.at(0))));
    QVERIFY2(sentAt.at(2) - sentAt.at(1) >= 95, qPrintable(QString::number(sentAt.at(2) - sentAt.at(1))));
    QVERIFY(controller->isLoggedIn()); // a failed refresh keeps the session
}

void TestLoginController::refreshWithExpiredTokenEndsSession()
{
    storeSession(UserInfo{m_user.uid, m_user.userName, {}, {}, {}, {}, 0, 0, {}});
    std::unique_ptr<LoginController> probe(makeController());
    m_server->backend().expireToken(probe->loadStoredToken());
    probe.reset();
    std::unique_ptr<LoginController> controller(makeController());
    QSignalSpy expired(controller.get(), &LoginController::sessionExpiredToastRequested);
    QSignalSpy gaveUp(controller.get(), &LoginController::profileSyncFromServerFailed);
    QSignalSpy token(controller.get(), &LoginController::sessionTokenChanged);
    QVERIFY(expired.wait(5000));
    QCOMPARE(expired.at(0).at(0).toString(), QStringLiteral("登录已失效，请重新登录"));
    QVERIFY(!controller->isLoggedIn());
    QCOMPARE(token.size(), 1);
    QVERIFY(token.at(0).at(0).toString().isEmpty());
    QVERIFY(controller->eqApi()->token().isEmpty());
    QCOMPARE(gaveUp.size(), 0);
    QCOMPARE(m_server->requestCount(profileRoute), 1);
}

void TestLoginController::recordArrivingAfterLogoutIsDropped()
{
    storeSession(UserInfo{m_user.uid, m_user.userName, {}, {}, {}, {}, 0, 0, {}});
    m_server->setFault(profileRoute, Fault::delay(150));
    std::unique_ptr<LoginController> controller(makeController());
    QSignalSpy ui(controller.get(), &LoginController::loginSucceededUpdateUI);
    QSignalSpy record(controller->userApi(), &EarphoneApi::UserApi::userInfoUpdated);
    QSignalSpy failed(controller->userApi(), &EarphoneApi::UserApi::getUserInfoFailed);
    QSignalSpy gaveUp(controller.get(), &LoginController::profileSyncFromServerFailed);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requestCount(profileRoute), 1, 5000);
    controller->clearSession();
    // The sign-out stops the request; a record that comes all the same is not stored.
    QTRY_COMPARE_WITH_TIMEOUT(record.size() + failed.size(), 1, 5000);
    emit controller->userApi()->userInfoUpdated(
        UserInfo{m_user.uid, m_user.userName, m_user.nickName, {}, {}, {}, 0, 0, {}});
    QCOMPARE(ui.size(), 0);
    QCOMPARE(gaveUp.size(), 0);
    QVERIFY(!QSettings().contains("Login/userInfo"));
}

void TestLoginController::recordOfAnEarlierSessionIsDropped_data()
{
    QTest::addColumn<bool>("fromServer"); // else it reaches the session without a request of this one
    QTest::newRow("start-up refresh answered late") << true;
    QTest::newRow("record delivered anyway") << false;
}

void TestLoginController::recordOfAnEarlierSessionIsDropped()
{
    // Ann's start-up refresh is out when she signs out and Bob signs in: her
    // record must not become his (her nickname shown, her uid asked for with his token).
    QFETCH(bool, fromServer);
    FakeApi::User bob;
    bob.uid = QStringLiteral("7002");
    bob.userName = QStringLiteral("13900000000");
    bob.nickName = QStringLiteral("Bob");
    bob.iconUrl = QStringLiteral("http://img/bob.png");
    m_server->backend().addUser(bob, QStringLiteral("bob-pw"));
    storeSession(UserInfo{m_user.uid, m_user.userName, QStringLiteral("Ann"), {}, {}, {}, 0, 0, {}});
    Fault late = Fault::delay(300);
    late.times = 1;
    m_server->setFault(profileRoute, late);

    std::unique_ptr<LoginController> controller(makeController());
    QSignalSpy answered(controller->userApi(), &EarphoneApi::UserApi::userInfoUpdated);
    QSignalSpy failed(controller->userApi(), &EarphoneApi::UserApi::getUserInfoFailed);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requestCount(profileRoute), 1, 5000);
    controller->clearSession();
    showWindow(controller.get());
    QSignalSpy ui(controller.get(), &LoginController::loginSucceededUpdateUI);
    emit m_window->loginRequested(1, bob.userName, QStringLiteral("bob-pw"));
    QVERIFY(ui.wait(5000));

    if (fromServer) {
        QTRY_COMPARE_WITH_TIMEOUT(answered.size() + failed.size(), 1, 5000); // Ann's request has ended
    } else {
        emit controller->userApi()->userInfoUpdated(
            UserInfo{m_user.uid, m_user.userName, m_user.nickName, m_user.iconUrl, {}, {}, 0, 0, {}});
    }
    QCOMPARE(ui.size(), 1);
    QCOMPARE(ui.at(0), (QVariantList{bob.iconUrl, bob.nickName}));
    QCOMPARE(controller->loadStoredUserInfo().uid, bob.uid);
    QCOMPARE(controller->loadStoredUserInfo().nickName, bob.nickName);

    // His own refresh asks for him with his token and lands.
    bob.nickName = QStringLiteral("Bobby");
    m_server->backend().addUser(bob, QStringLiteral("bob-pw"));
    controller->refreshUserRecord();
    QVERIFY(ui.wait(5000));
    const FakeApi::HttpRequest request = m_server->lastRequest(profileRoute);
    QCOMPARE(request.field("uid"), bob.uid);
    QCOMPARE(request.header("token"), controller->loadStoredToken().toUtf8());
    QCOMPARE(controller->loadStoredUserInfo().nickName, QStringLiteral("Bobby"));
    // A record of someone else that arrives now is not his either.
    emit controller->userApi()->userInfoUpdated(UserInfo{m_user.uid, {}, m_user.nickName, {}, {}, {}, 0, 0, {}});
    QCOMPARE(controller->loadStoredUserInfo().uid, bob.uid);
    QCOMPARE(ui.size(), 2);
}

void TestLoginController::logoutWithoutTokenSendsNothing()
{
    std::unique_ptr<LoginController> controller(makeController());
    QSignalSpy loggedOut(controller.get(), &LoginController::loggedOut);
    QSignalSpy token(controller.get(), &LoginController::sessionTokenChanged);
    controller->logout();
    QCOMPARE(loggedOut.size(), 1);
    QCOMPARE(token.size(), 0);
    QCOMPARE(m_server->requests().size(), 0);
}

void TestLoginController::logoutEndsSessionWhateverTheServerSays_data()
{
    QTest::addColumn<bool>("serverFails");
    QTest::newRow("server agrees") << false;
    QTest::newRow("server fails") << true;
}

void TestLoginController::logoutEndsSessionWhateverTheServerSays()
{
    QFETCH(bool, serverFails);
    storeSession(UserInfo{m_user.uid, m_user.userName, {}, {}, {}, {}, 0, 0, {}});
    std::unique_ptr<LoginController> controller(makeController());
    const QString storedToken = controller->loadStoredToken();
    if (serverFails)
        m_server->setFault("home/user/logout", Fault::status(503));
    QSignalSpy loggedOut(controller.get(), &LoginController::loggedOut);
    controller->logout();
    QVERIFY(loggedOut.wait(5000));
    QCOMPARE(m_server->requestCount("home/user/logout"), 1);
    QCOMPARE(m_server->lastRequest("home/user/logout").header("token"), storedToken.toUtf8());
    QVERIFY(!controller->isLoggedIn());
    QVERIFY(!QSettings().contains("Login/userInfo"));
    QVERIFY(controller->userApi()->token().isEmpty());
}

void TestLoginController::expiredTokenFromEqApiEndsSession()
{
    storeSession(UserInfo{m_user.uid, m_user.userName, {}, {}, {}, {}, 0, 0, {}});
    std::unique_ptr<LoginController> controller(makeController());
    QSignalSpy ui(controller.get(), &LoginController::loginSucceededUpdateUI);
    QVERIFY(ui.wait(5000)); // the start-up refresh is done
    m_server->backend().expireToken(controller->loadStoredToken());
    QSignalSpy expired(controller.get(), &LoginController::sessionExpiredToastRequested);
    QSignalSpy loggedOut(controller.get(), &LoginController::loggedOut);
    QVERIFY(controller->eqApi()->getDownloadList(49678));
    QVERIFY(expired.wait(5000));
    QCOMPARE(loggedOut.size(), 1);
    QVERIFY(!controller->isLoggedIn());
}

void TestLoginController::isLoggedInNeedsANonBlankToken_data()
{
    QTest::addColumn<QVariant>("loggedIn");
    QTest::addColumn<QString>("plainToken");
    QTest::addColumn<bool>("expected");
    QTest::newRow("flag and token") << QVariant(true) << "t1" << true;
    QTest::newRow("blank token") << QVariant(true) << "   " << false;
    QTest::newRow("no flag") << QVariant() << "t1" << false;
    QTest::newRow("flag false") << QVariant(false) << "t1" << false;
}

void TestLoginController::isLoggedInNeedsANonBlankToken()
{
    QFETCH(QVariant, loggedIn);
    QFETCH(QString, plainToken);
    std::unique_ptr<LoginController> controller(makeController());
    QSettings settings;
    if (loggedIn.isValid())
        settings.setValue("Login/loggedIn", loggedIn);
    settings.setValue("Login/token", controller->protectStoredText(plainToken));
    QTEST(controller->isLoggedIn(), "expected");
}

void TestLoginController::unreadableSealedTokenReadsAsSignedOut()
{
    storeSession(UserInfo{m_user.uid, m_user.userName, {}, {}, {}, {}, 0, 0, {}});
    const QString storedText = QSettings().value("Login/token").toString();
    m_protector.failUnprotect = true;
    QTest::ignoreMessage(QtWarningMsg, "[Login] stored session cannot be unsealed; treated as signed out");
    std::unique_ptr<LoginController> controller(makeController());
    QVERIFY(controller->eqApi()->token().isEmpty());
    QTest::ignoreMessage(QtWarningMsg, "[Login] stored session cannot be unsealed; treated as signed out");
    QVERIFY(!controller->isLoggedIn());
    QTest::ignoreMessage(QtWarningMsg, "[Login] stored session cannot be unsealed; treated as signed out");
    QVERIFY(controller->loadStoredUserInfo().uid.isEmpty());
    // Kept for the day the key is readable again.
    QCOMPARE(QSettings().value("Login/token").toString(), storedText);
}

void TestLoginController::protectionUnavailableStoresPlain()
{
    m_protector.failProtect = true;
    std::unique_ptr<LoginController> controller(makeController());
    QTest::ignoreMessage(QtWarningMsg, "[Login] session protection unavailable; stored unprotected");
    QTest::ignoreMessage(QtWarningMsg, "[Login] session protection unavailable; stored unprotected");
    controller->saveSession(LoginResponse{QStringLiteral("plain-token"), UserInfo{"9", {}, {}, {}, {}, {}, 0, 0, {}}});
    QCOMPARE(QSettings().value("Login/token").toString(), QStringLiteral("plain-token"));
    QVERIFY(controller->isLoggedIn());
    QCOMPARE(controller->loadStoredToken(), QStringLiteral("plain-token"));
    QCOMPARE(controller->loadStoredUserInfo().uid, QStringLiteral("9"));
}

void TestLoginController::keyFileProtectorEndToEnd()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    KeyFileTokenProtector protector(dir.filePath(QStringLiteral("data/session.key")));
    std::unique_ptr<LoginController> controller(makeController(&protector));
    controller->saveSession(LoginResponse{QStringLiteral("tok-123"), UserInfo{"5", {}, {}, {}, {}, {}, 0, 0, {}}});
    QVERIFY(QFile::exists(protector.keyFilePath()));
    const QByteArray sealed = QByteArray::fromBase64(QSettings().value("Login/token").toString().toLatin1());
    QVERIFY(sealed.startsWith("VKT1"));
    QVERIFY(!sealed.contains("tok-123"));

    std::unique_ptr<LoginController> again(makeController(&protector));
    QCOMPARE(again->loadStoredToken(), QStringLiteral("tok-123"));
    QCOMPARE(again->eqApi()->token(), QStringLiteral("tok-123"));
}

QTEST_MAIN(TestLoginController)
#include "tst_logincontroller.moc"
