// The account flows on a plain widget with a title bar and a profile page,
// against the fake API server: the login display, the profile rows, the
// session messages as toast requests, one edit driven through the dialog
// runner, and the login window closed for a quit.
#include "app/AccountFlow.h"
#include "account/CustomLoginWindow.h"
#include "account/CustomUserProfilePage.h"
#include "account/EditNicknameDialog.h"
#include "app/CustomTitleBar.h"
#include "cloud/LoginController.h"
#include "cloud/LoginResponse.h"
#include "tests/app/TestEnvironment.h"
#include "tests/cloud/CloudTestSupport.h"
#include "tests/support/fakeapi/FakeApiServer.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <memory>

class TestAccountFlow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void signedInDisplay();
    void loggedOutDisplay();
    void sessionMessages_data();
    void sessionMessages();
    void nicknameThroughTheRunner();
    void withoutControllerNothingRuns();
    void quitClosesTheLoginWindow();

private:
    // A stored session for a user on the server, then the flow over it.
    void makeFlow(bool signedIn, const QString &userName = QStringLiteral("a@b.com"));

    TestEnvironment m_env;
    std::unique_ptr<FakeApi::FakeApiServer> m_server;
    std::unique_ptr<QWidget> m_window;
    LoginController *m_controller = nullptr;
    CustomTitleBar *m_titleBar = nullptr;
    CustomUserProfilePage *m_profile = nullptr;
    AccountFlow *m_flow = nullptr;
};

void TestAccountFlow::initTestCase()
{
    CloudTest::bypassProxy();
}

void TestAccountFlow::init()
{
    m_env.clearSettings();
    m_server = std::make_unique<FakeApi::FakeApiServer>();
    QVERIFY(m_server->start());
    m_server->backend().setRootUrl(m_server->rootUrl());
    QSettings settings;
    settings.setValue("api/baseUrl", m_server->baseUrl());
    settings.sync();
}

void TestAccountFlow::cleanup()
{
    m_window.reset();
    m_server.reset();
}

void TestAccountFlow::makeFlow(bool signedIn, const QString &userName)
{
    if (signedIn) {
        FakeApi::User user;
        user.userName = userName;
        user.nickName = QStringLiteral(" 小明 ");
        user.email = QStringLiteral("a@b.com");
        m_server->backend().addUser(user, QStringLiteral("secret1"));
        const FakeApi::User stored = *m_server->backend().user(userName);
        EarphoneApi::LoginResponse session;
        session.token = m_server->backend().issueToken(userName);
        session.userInfo.uid = stored.uid;
        session.userInfo.userName = stored.userName;
        session.userInfo.nickName = stored.nickName;
        session.userInfo.email = stored.email;
        LoginController().saveSession(session);
    }
    m_window = std::make_unique<QWidget>();
    m_window->resize(600, 400);
    m_controller = new LoginController(m_window.get());
    m_titleBar = new CustomTitleBar(m_window.get());
    m_profile = new CustomUserProfilePage(m_window.get());
    m_flow = new AccountFlow(m_controller, m_window.get());
    m_flow->setTitleBar(m_titleBar);
    m_flow->setProfilePage(m_profile);
}

void TestAccountFlow::signedInDisplay()
{
    makeFlow(true);
    QVERIFY(m_flow->isSignedIn());
    m_flow->restoreLoginDisplay();
    QCOMPARE(m_titleBar->loginText(), QStringLiteral("小明"));
    QCOMPARE(m_titleBar->avatarSource(), QStringLiteral(":/images/headPortrait.png"));
    QCOMPARE(m_profile->findChild<QLabel *>(QStringLiteral("nicknameValue"))->text(), QStringLiteral("小明"));
    // An e-mail account changes its address, not a phone number.
    QVERIFY(m_profile->findChild<QPushButton *>(QStringLiteral("emailButton"))->isEnabled());
    QVERIFY(!m_profile->findChild<QPushButton *>(QStringLiteral("phoneButton"))->isEnabled());
    // What the login signal carries does not win over the stored record.
    m_flow->showLoginSucceeded(QStringLiteral("x.png"), QStringLiteral("other"));
    QCOMPARE(m_titleBar->loginText(), QStringLiteral("小明"));
}

void TestAccountFlow::loggedOutDisplay()
{
    makeFlow(false);
    QVERIFY(!m_flow->isSignedIn());
    m_flow->showLoginSucceeded(QStringLiteral("  "), QStringLiteral("  "));
    QCOMPARE(m_titleBar->loginText(), QStringLiteral("已登录"));
    m_flow->showLoggedOut();
    QCOMPARE(m_titleBar->loginText(), QStringLiteral("点击登录"));
    QCOMPARE(m_titleBar->avatarSource(), QStringLiteral(":/images/headPortrait.png"));
    m_flow->refreshLoginText();
    QCOMPARE(m_titleBar->loginText(), QStringLiteral("点击登录"));
}

void TestAccountFlow::sessionMessages_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("failureToast");
    QTest::addColumn<QString>("infoToast");
    QTest::newRow("re-login, default") << 0 << " " << "登录已过期，请重新登录" << "";
    QTest::newRow("re-login, own text") << 0 << " 请重新登录 " << "请重新登录" << "";
    QTest::newRow("expired, default") << 1 << "" << "登录过期，请重新登录" << "";
    QTest::newRow("sync failed") << 2 << " 同步失败 " << "" << "同步失败";
    QTest::newRow("sync failed, blank") << 2 << "  " << "" << "";
}

void TestAccountFlow::sessionMessages()
{
    QFETCH(int, which);
    QFETCH(QString, message);
    QFETCH(QString, failureToast);
    QFETCH(QString, infoToast);
    makeFlow(false);
    QSignalSpy failures(m_flow, &AccountFlow::failureToastRequested);
    QSignalSpy infos(m_flow, &AccountFlow::infoToastRequested);
    switch (which) {
    case 0: m_flow->onNeedReLogin(message); break;
    case 1: m_flow->onSessionExpired(message); break;
    default: m_flow->onProfileSyncFailed(message); break;
    }
    QCOMPARE(failures.size(), failureToast.isEmpty() ? 0 : 1);
    if (!failureToast.isEmpty())
        QCOMPARE(failures.first(), (QVariantList{failureToast, 1000}));
    QCOMPARE(infos.size(), infoToast.isEmpty() ? 0 : 1);
    if (!infoToast.isEmpty())
        QCOMPARE(infos.first(), (QVariantList{infoToast, 1000}));
}

void TestAccountFlow::nicknameThroughTheRunner()
{
    makeFlow(true);
    QString shownCurrent;
    // The runner stands in for the window's modal run: it answers at once.
    m_flow->setDialogRunner([&shownCurrent](QDialog *dialog) {
        auto *nickname = qobject_cast<EditNicknameDialog *>(dialog);
        if (!nickname)
            return int(QDialog::Rejected);
        QLineEdit *field = nickname->findChild<QLineEdit *>(QStringLiteral("nicknameEdit"));
        shownCurrent = field->text();
        field->setText(QStringLiteral("一二三四五六"));
        return int(QDialog::Accepted);
    });
    QSignalSpy toasts(m_flow, &AccountFlow::toastRequested);
    m_flow->editNickname();
    QCOMPARE(shownCurrent, QStringLiteral("小明"));
    QVERIFY(toasts.wait(5000));
    QCOMPARE(toasts.first(), (QVariantList{QStringLiteral("昵称已更新"), false}));
    QCOMPARE(m_server->lastRequest("home/user/editUserinfo").field("nickName"), QStringLiteral("一二三四五"));
}

void TestAccountFlow::withoutControllerNothingRuns()
{
    m_window = std::make_unique<QWidget>();
    AccountFlow flow(nullptr, m_window.get());
    int runs = 0;
    flow.setDialogRunner([&runs](QDialog *) {
        ++runs;
        return int(QDialog::Accepted);
    });
    QSignalSpy failures(&flow, &AccountFlow::failureToastRequested);
    flow.openLoginWindow(QStringLiteral("x"), false);
    flow.editNickname();
    flow.editAvatar();
    flow.modifyPassword();
    flow.modifyEmail();
    flow.modifyPhone();
    flow.onNeedReLogin(QStringLiteral("x"));
    flow.restoreLoginDisplay();
    flow.populateProfilePage();
    flow.closeLoginWindow();
    QCOMPARE(runs, 0);
    QVERIFY(failures.isEmpty());
    QVERIFY(!flow.isSignedIn());
    QVERIFY(!flow.loginWindow());
}

void TestAccountFlow::quitClosesTheLoginWindow()
{
    makeFlow(false);
    QPointer<CustomLoginWindow> seen;
    bool visibleWhileRunning = false;
    m_flow->setDialogRunner([&](QDialog *dialog) {
        seen = qobject_cast<CustomLoginWindow *>(dialog);
        dialog->show();
        visibleWhileRunning = m_flow->loginWindow() == seen && seen->isVisible();
        // The program quits while the login window is up.
        m_flow->closeLoginWindow();
        return dialog->result();
    });
    m_flow->openLoginWindow(QStringLiteral("登录已过期"), false);
    QVERIFY(visibleWhileRunning);
    QVERIFY(!m_flow->loginWindow());
    QTRY_VERIFY(!seen);
}

QTEST_MAIN(TestAccountFlow)
#include "tst_accountflow.moc"
