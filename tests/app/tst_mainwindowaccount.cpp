// The main window's account side against the fake API server: the title
// bar's login display, the login window, the profile page, the five profile
// edits and the session messages.
#include "account/ChangePasswordDialog.h"
#include "account/CustomLoginWindow.h"
#include "account/CustomUserProfilePage.h"
#include "account/EditAvatarDialog.h"
#include "account/EditEmailDialog.h"
#include "account/EditNicknameDialog.h"
#include "account/EditPhoneDialog.h"
#include "account/VerificationCodeDialog.h"
#include "app/CustomTitleBar.h"
#include "app/HeadphonesDevice.h"
#include "language/AppLanguageManager.h"
#include "widgets/CustomClickableLabel.h"
#include "widgets/WindowBlurBackdrop.h"
#include "cloud/LoginController.h"
#include "cloud/LoginResponse.h"
#include "cloud/UserApi.h"
#include "devicepages/EquipmentContentsBar.h"
#include "eqcloud/EQCloudSharingContent.h"
#include "eq/PageToast.h"
#include "platform/installer/RecordingProcessLauncher.h"
#include "tests/app/TestEnvironment.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/cloud/CloudTestSupport.h"
#include "tests/support/fakeapi/FakeApiServer.h"

#include <QApplication>
#include <QFileDialog>
#include <QGraphicsEffect>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

#include <memory>

using WindowTest::whenModal;
using WindowTest::whenModalWidget;

namespace {

const QString kPassword = QStringLiteral("secret1");

QString label(const QWidget *parent, const char *name)
{
    auto *l = parent->findChild<QLabel *>(QLatin1String(name));
    return l ? l->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

QPushButton *push(const QWidget *parent, const char *name)
{
    return parent->findChild<QPushButton *>(QLatin1String(name));
}

QLineEdit *edit(const QWidget *parent, const char *name)
{
    return parent->findChild<QLineEdit *>(QLatin1String(name));
}

// Waits inside a dialog's run for its error line, records it and closes the dialog.
template <typename Dialog>
std::shared_ptr<bool> takeErrorThenClose(QString *error)
{
    return whenModalWidget(
        [](QWidget *w) {
            auto *d = qobject_cast<Dialog *>(w);
            return d && !d->errorText().isEmpty() && !d->isSubmitting();
        },
        [error](QWidget *w) {
            *error = qobject_cast<Dialog *>(w)->errorText();
            qobject_cast<Dialog *>(w)->reject();
        });
}

} // namespace

class TestMainWindowAccount : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void accountKind_data();
    void accountKind();
    void loginDisplay_data();
    void loginDisplay();
    void loginThroughTheLoginWindow();
    void profilePage_data();
    void profilePage();
    void logoutLeavesTheProfilePage_data();
    void logoutLeavesTheProfilePage();
    void nicknameIsCutAndSent();
    void unchangedNicknameSendsNothing();
    void failedEditAnswersOnce();
    void avatarIsUploadedThenSet();
    void passwordChange_data();
    void passwordChange();
    void forgottenPasswordOpensTheReset();
    void accountChange_data();
    void accountChange();
    void verificationCodeFailure();
    void sessionMessages();
    void profileSyncFailureIsAnInfoToast();
    void editsNeedASession();
    void quittingClosesTheLoginWindow();

private:
    FakeApi::User addUser(const QString &userName, const QString &nickName = QStringLiteral("小明"),
                          const QString &email = QString());
    // Stores a session for `user` as a sign-in would, before the window starts.
    void signIn(const FakeApi::User &user);
    std::unique_ptr<HeadphonesDevice> makeWindow();
    FakeApi::User serverUser(const QString &userName) const;
    void waitForProfileSync();

    TestEnvironment m_env;
    QTemporaryDir m_files;
    std::unique_ptr<FakeApi::FakeApiServer> m_server;
    RecordingProcessLauncher m_launcher;
    std::unique_ptr<HeadphonesDevice> m_window;
};

void TestMainWindowAccount::initTestCase()
{
    CloudTest::bypassProxy();
    QVERIFY(m_files.isValid());
}

void TestMainWindowAccount::init()
{
    m_env.clearSettings();
    m_server = std::make_unique<FakeApi::FakeApiServer>();
    QVERIFY(m_server->start());
    m_server->backend().setRootUrl(m_server->rootUrl());
    QSettings settings;
    settings.setValue("api/baseUrl", m_server->baseUrl());
    settings.sync();
}

void TestMainWindowAccount::cleanup()
{
    m_window.reset();
    m_server.reset();
    AppLanguageManager::applyLanguage("zh_CN");
}

FakeApi::User TestMainWindowAccount::addUser(const QString &userName, const QString &nickName, const QString &email)
{
    FakeApi::User user;
    user.userName = userName;
    user.nickName = nickName;
    user.email = email;
    m_server->backend().addUser(user, kPassword);
    return *m_server->backend().user(userName);
}

void TestMainWindowAccount::signIn(const FakeApi::User &user)
{
    EarphoneApi::LoginResponse session;
    session.token = m_server->backend().issueToken(user.userName);
    session.userInfo.uid = user.uid;
    session.userInfo.userName = user.userName;
    session.userInfo.nickName = user.nickName;
    session.userInfo.iconUrl = user.iconUrl;
    session.userInfo.email = user.email;
    LoginController store;
    store.saveSession(session);
}

std::unique_ptr<HeadphonesDevice> TestMainWindowAccount::makeWindow()
{
    auto window = std::make_unique<HeadphonesDevice>();
    WindowTest::isolateUpdater(*window, m_launcher);
    if (!WindowTest::showWindow(*window, false))
        return nullptr;
    return window;
}

FakeApi::User TestMainWindowAccount::serverUser(const QString &userName) const
{
    return m_server->backend().user(userName).value_or(FakeApi::User());
}

void TestMainWindowAccount::waitForProfileSync()
{
    // The session refreshes the stored record once at start; let that settle.
    QTRY_COMPARE(m_server->requestCount("home/user/getOtherinfo"), 1);
    QTest::qWait(50);
}

void TestMainWindowAccount::accountKind_data()
{
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("email");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("mobile");
    QTest::newRow("e-mail") << "a@b.com" << "" << 2 << "";
    QTest::newRow("@ first") << "@example" << "" << 0 << "";
    QTest::newRow("@ last") << "name@" << "" << 0 << "";
    QTest::newRow("area code and blank") << "+86 13812345678" << "" << 1 << "13812345678";
    QTest::newRow("area code run together") << "8613812345678" << "" << 1 << "13812345678";
    QTest::newRow("plain mobile") << " 19912345678 " << "" << 1 << "19912345678";
    QTest::newRow("second digit 2") << "12812345678" << "" << 1 << "";
    QTest::newRow("ten digits") << "0123456789" << "" << 1 << "";
    QTest::newRow("sixteen digits") << "1234567890123456" << "" << 0 << "";
    QTest::newRow("other area code counts its digits") << "+852 61234567" << "" << 1 << "";
    QTest::newRow("nine digits") << "123456789" << "" << 0 << "";
    QTest::newRow("empty name, e-mail field") << "" << "x@y.cn" << 2 << "";
    QTest::newRow("empty name, empty e-mail") << "" << "" << 0 << "";
    QTest::newRow("empty name, bad e-mail") << "" << "@y" << 0 << "";
}

void TestMainWindowAccount::accountKind()
{
    QFETCH(QString, userName);
    QFETCH(QString, email);
    QFETCH(int, kind);
    QFETCH(QString, mobile);
    EarphoneApi::UserInfo user;
    user.userName = userName;
    user.email = email;
    QCOMPARE(HeadphonesDevice::accountKind(user), kind);
    QCOMPARE(HeadphonesDevice::mainlandMobileNumber(user), mobile);
}

void TestMainWindowAccount::loginDisplay_data()
{
    QTest::addColumn<bool>("signedIn");
    QTest::addColumn<QString>("nickName");
    QTest::addColumn<QString>("iconUrl");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("avatar");
    QTest::newRow("signed out") << false << "" << "" << "点击登录" << ":/images/headPortrait.png";
    QTest::newRow("nickname and picture") << true << " 小明 " << " :/images/personalheadPortrait.png "
                                          << "小明" << ":/images/personalheadPortrait.png";
    QTest::newRow("no nickname, no picture") << true << "  " << "" << "已登录" << ":/images/headPortrait.png";
}

void TestMainWindowAccount::loginDisplay()
{
    QFETCH(bool, signedIn);
    QFETCH(QString, nickName);
    QFETCH(QString, iconUrl);
    QFETCH(QString, text);
    QFETCH(QString, avatar);

    FakeApi::User user;
    user.userName = "13812345678";
    user.nickName = nickName;
    user.iconUrl = iconUrl;
    m_server->backend().addUser(user, kPassword);
    if (signedIn)
        signIn(*m_server->backend().user(user.userName));
    m_window = makeWindow();
    QVERIFY(m_window);
    QCOMPARE(m_window->titleBar()->loginText(), text);
    QCOMPARE(m_window->titleBar()->avatarSource(), avatar);
    if (signedIn)
        waitForProfileSync();
    QCOMPARE(m_window->titleBar()->loginText(), text);

    // The display follows the language.
    AppLanguageManager::applyLanguage("en_US");
    QApplication::processEvents();
    const QString english = text == "点击登录" ? "Log In" : text == "已登录" ? "Logged In" : text;
    QCOMPARE(m_window->titleBar()->loginText(), english);
}

void TestMainWindowAccount::loginThroughTheLoginWindow()
{
    addUser("13812345678", "小红");
    m_window = makeWindow();
    QVERIFY(m_window);
    bool blurred = false;
    int page = -1;
    auto handled = whenModal<CustomLoginWindow>([&](CustomLoginWindow *login) {
        blurred = WindowBlurBackdrop::of(m_window.get()) != nullptr;
        page = login->currentIndex();
        QCOMPARE(m_window->loginWindow(), login);
        // A wrong password first: the window stays and says so.
        emit login->loginRequested(0, "13812345678", "wrong12");
        QTRY_VERIFY(!login->loginError().isEmpty());
        emit login->loginRequested(0, " 13812345678 ", kPassword);
    });
    m_window->on_loginClicked();
    QVERIFY(*handled);
    QVERIFY(blurred);
    QCOMPARE(page, int(CustomLoginWindow::LoginPage));
    QVERIFY(!WindowBlurBackdrop::of(m_window.get()));
    QVERIFY(!m_window->loginWindow());
    QVERIFY(m_window->loginController()->isLoggedIn());
    QCOMPARE(m_window->titleBar()->loginText(), QStringLiteral("小红"));

    // Signed in, the same button opens the profile page instead.
    m_window->on_loginClicked();
    QCOMPARE(m_window->currentPage(), int(HeadphonesDevice::ProfilePage));
    QVERIFY(!QApplication::activeModalWidget());
}

void TestMainWindowAccount::profilePage_data()
{
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("email");
    QTest::addColumn<bool>("emailEditable");
    QTest::addColumn<bool>("phoneEditable");
    QTest::newRow("phone account") << "13812345678" << "" << false << true;
    QTest::newRow("e-mail account") << "me@example.com" << "me@example.com" << true << false;
    QTest::newRow("neither") << "someone" << "" << true << true;
}

void TestMainWindowAccount::profilePage()
{
    QFETCH(QString, userName);
    QFETCH(QString, email);
    QFETCH(bool, emailEditable);
    QFETCH(bool, phoneEditable);

    signIn(addUser(userName, QStringLiteral("小明"), email));
    m_window = makeWindow();
    QVERIFY(m_window);
    m_window->on_settingClicked();
    m_window->on_loginClicked();
    QCOMPARE(m_window->currentPage(), int(HeadphonesDevice::ProfilePage));
    QVERIFY(m_window->titleBar()->isReturnMode());
    const CustomUserProfilePage *page = m_window->profilePage();
    QCOMPARE(label(page, "nicknameValue"), QStringLiteral("小明"));
    QCOMPARE(label(page, "emailValue"), email);
    QCOMPARE(label(page, "phoneValue"), userName);
    QCOMPARE(label(page, "passwordValue"), QString(8, QChar(0x2022)));
    QCOMPARE(push(page, "emailButton")->isEnabled(), emailEditable);
    QCOMPARE(push(page, "phoneButton")->isEnabled(), phoneEditable);
}

void TestMainWindowAccount::logoutLeavesTheProfilePage_data()
{
    QTest::addColumn<bool>("fromSettings");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("returnMode");
    QTest::newRow("opened from the settings page") << true << int(HeadphonesDevice::SettingsPage) << true;
    // Without a usable device the way back ends on the boot screen.
    QTest::newRow("opened from the boot screen") << false << int(HeadphonesDevice::BootPage) << false;
}

void TestMainWindowAccount::logoutLeavesTheProfilePage()
{
    QFETCH(bool, fromSettings);
    QFETCH(int, page);
    QFETCH(bool, returnMode);

    signIn(addUser("13812345678"));
    m_window = makeWindow();
    QVERIFY(m_window);
    waitForProfileSync();
    if (fromSettings)
        m_window->on_settingClicked();
    m_window->on_loginClicked();
    QCOMPARE(m_window->currentPage(), int(HeadphonesDevice::ProfilePage));

    QSignalSpy loggedOut(m_window->loginController(), &LoginController::loggedOut);
    push(m_window->profilePage(), "logoutButton")->click();
    QVERIFY(loggedOut.wait(5000));
    QCOMPARE(m_server->requestCount("home/user/logout"), 1);
    QCOMPARE(m_window->currentPage(), page);
    QCOMPARE(m_window->titleBar()->isReturnMode(), returnMode);
    QCOMPARE(m_window->titleBar()->loginText(), QStringLiteral("点击登录"));
    QCOMPARE(m_window->titleBar()->avatarSource(), QStringLiteral(":/images/headPortrait.png"));
}

void TestMainWindowAccount::nicknameIsCutAndSent()
{
    signIn(addUser("13812345678", "旧名字"));
    m_window = makeWindow();
    QVERIFY(m_window);
    waitForProfileSync();
    m_window->on_loginClicked();
    WindowTest::ToastRecorder toasts;
    QString shownCurrent;
    auto handled = whenModal<EditNicknameDialog>([&](EditNicknameDialog *dialog) {
        shownCurrent = edit(dialog, "nicknameEdit")->text();
        // Six characters of three UTF-8 bytes each: five go out.
        edit(dialog, "nicknameEdit")->setText(QStringLiteral("一二三四五六"));
        dialog->accept();
    });
    QSignalSpy display(m_window->loginController(), &LoginController::loginSucceededUpdateUI);
    m_window->onEditNicknameRequested();
    QVERIFY(*handled);
    QCOMPARE(shownCurrent, QStringLiteral("旧名字"));
    QVERIFY(display.wait(5000));
    QCOMPARE(m_server->lastRequest("home/user/editUserinfo").field("nickName"), QStringLiteral("一二三四五"));
    QCOMPARE(serverUser("13812345678").nickName, QStringLiteral("一二三四五"));
    QVERIFY(toasts.texts.contains(QStringLiteral("昵称已更新")));
    QCOMPARE(m_window->titleBar()->loginText(), QStringLiteral("一二三四五"));
    QCOMPARE(label(m_window->profilePage(), "nicknameValue"), QStringLiteral("一二三四五"));
}

void TestMainWindowAccount::unchangedNicknameSendsNothing()
{
    signIn(addUser("13812345678", "小明"));
    m_window = makeWindow();
    QVERIFY(m_window);
    waitForProfileSync();
    auto handled = whenModal<EditNicknameDialog>([](EditNicknameDialog *dialog) {
        edit(dialog, "nicknameEdit")->setText(QStringLiteral(" 小明 "));
        dialog->accept();
    });
    m_window->onEditNicknameRequested();
    QVERIFY(*handled);
    QTest::qWait(100);
    QCOMPARE(m_server->requestCount("home/user/editUserinfo"), 0);
}

void TestMainWindowAccount::failedEditAnswersOnce()
{
    signIn(addUser("13812345678", "小明"));
    m_window = makeWindow();
    QVERIFY(m_window);
    waitForProfileSync();
    m_server->backend().setCannedReply("home/user/editUserinfo",
                                      FakeApi::Backend::envelope(2032, QStringLiteral("修改用户信息失败")));
    WindowTest::ToastRecorder toasts;
    auto handled = whenModal<EditNicknameDialog>([](EditNicknameDialog *dialog) {
        edit(dialog, "nicknameEdit")->setText(QStringLiteral("新名字"));
        dialog->accept();
    });
    EarphoneApi::UserApi *api = m_window->loginController()->userApi();
    QSignalSpy failed(api, &EarphoneApi::UserApi::userInfoUpdateFailed);
    m_window->onEditNicknameRequested();
    QVERIFY(*handled);
    QVERIFY(failed.wait(5000));
    QCOMPARE(toasts.texts, QStringList{LoginController::friendlyApiErrorText(2032)});

    // The answered request leaves nothing connected: a later answer of
    // someone else's request does not speak for it.
    emit api->userInfoUpdateSuccess();
    emit api->userInfoUpdateFailed(-1, QString());
    QCOMPARE(toasts.texts, QStringList{LoginController::friendlyApiErrorText(2032)});
}

void TestMainWindowAccount::avatarIsUploadedThenSet()
{
    signIn(addUser("13812345678"));
    m_window = makeWindow();
    QVERIFY(m_window);
    waitForProfileSync();
    const QString picture = m_files.filePath(QStringLiteral("me.png"));
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(picture));

    WindowTest::ToastRecorder toasts;
    std::shared_ptr<bool> picked;
    auto handled = whenModal<EditAvatarDialog>([&](EditAvatarDialog *dialog) {
        picked = whenModal<QFileDialog>([&](QFileDialog *files) {
            files->selectFile(picture);
            QMetaObject::invokeMethod(files, "accept", Qt::DirectConnection);
        });
        emit dialog->findChild<CustomClickableLabel *>("avatarPreview")->clicked();
        QCOMPARE(dialog->selectedFilePath(), picture);
        dialog->accept();
    });
    QSignalSpy display(m_window->loginController(), &LoginController::loginSucceededUpdateUI);
    m_window->onEditAvatarRequested();
    QVERIFY(*handled);
    QVERIFY(picked && *picked);
    QVERIFY(display.wait(5000));

    const QString url = m_server->rootUrl() + QStringLiteral("files/avatars/me.png");
    QCOMPARE(m_server->lastRequest("home/user/editUserinfo").field("iconUrl"), url);
    QCOMPARE(serverUser("13812345678").iconUrl, url);
    QVERIFY(toasts.texts.contains(QStringLiteral("头像已更新")));
    QCOMPARE(m_window->titleBar()->avatarSource(), url);
}

void TestMainWindowAccount::passwordChange_data()
{
    QTest::addColumn<QString>("oldPassword");
    QTest::addColumn<bool>("emptyReply");
    QTest::addColumn<QString>("error");
    QTest::newRow("changed") << kPassword << false << "";
    QTest::newRow("wrong old password") << "wrong12" << false << LoginController::friendlyApiErrorText(2038);
    QTest::newRow("no answer") << kPassword << true << "网络异常，请重试";
}

void TestMainWindowAccount::passwordChange()
{
    QFETCH(QString, oldPassword);
    QFETCH(bool, emptyReply);
    QFETCH(QString, error);

    const FakeApi::User user = addUser("13812345678");
    signIn(user);
    m_window = makeWindow();
    QVERIFY(m_window);
    waitForProfileSync();
    if (emptyReply)
        m_server->setFault("home/user/editPassword", FakeApi::Fault::of(FakeApi::Fault::Kind::EmptyBody));

    WindowTest::ToastRecorder toasts;
    QString shownError;
    std::shared_ptr<bool> closed;
    auto handled = whenModal<ChangePasswordDialog>([&](ChangePasswordDialog *dialog) {
        edit(dialog, "oldPasswordEdit")->setText(oldPassword);
        edit(dialog, "newPasswordEdit")->setText(QStringLiteral("abc123"));
        if (!error.isEmpty())
            closed = takeErrorThenClose<ChangePasswordDialog>(&shownError);
        push(dialog, "confirmButton")->click();
        QVERIFY(dialog->isSubmitting());
    });
    m_window->onModifyPasswordRequested();
    QVERIFY(*handled);
    QCOMPARE(m_server->requestCount("home/user/editPassword"), 1);
    if (error.isEmpty()) {
        QVERIFY(toasts.texts.contains(QStringLiteral("密码已修改")));
        QCOMPARE(serverUser(user.userName).passwordHash, m_server->backend().passwordHash("abc123"));
        return;
    }
    QVERIFY(closed && *closed);
    QCOMPARE(shownError, error);
    QVERIFY(toasts.texts.isEmpty());
}

void TestMainWindowAccount::forgottenPasswordOpensTheReset()
{
    signIn(addUser("13812345678"));
    m_window = makeWindow();
    QVERIFY(m_window);
    int page = -1;
    std::shared_ptr<bool> reset;
    auto handled = whenModal<ChangePasswordDialog>([&](ChangePasswordDialog *dialog) {
        reset = whenModal<CustomLoginWindow>([&](CustomLoginWindow *login) {
            page = login->currentIndex();
            login->reject();
        });
        emit dialog->findChild<CustomClickableLabel *>("forgotPasswordLabel")->clicked();
    });
    m_window->onModifyPasswordRequested();
    QVERIFY(*handled);
    QTRY_VERIFY(reset && *reset);
    QCOMPARE(page, int(CustomLoginWindow::ForgotPasswordPage));
}

void TestMainWindowAccount::accountChange_data()
{
    QTest::addColumn<bool>("phone");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("serverMessage");
    QTest::addColumn<QString>("toast");
    QTest::newRow("e-mail, server's message") << false << "new@example.com" << "修改成功" << "修改成功";
    QTest::newRow("phone, no message") << true << "13912345678" << "" << "手机号已修改";
    QTest::newRow("e-mail, no message") << false << "new@example.com" << " " << "邮箱已修改";
}

void TestMainWindowAccount::accountChange()
{
    QFETCH(bool, phone);
    QFETCH(QString, value);
    QFETCH(QString, serverMessage);
    QFETCH(QString, toast);

    signIn(addUser(phone ? "me@example.com" : "13812345678"));
    m_window = makeWindow();
    QVERIFY(m_window);
    waitForProfileSync();
    const bool realServer = serverMessage == QStringLiteral("修改成功");
    if (!realServer)
        m_server->backend().setCannedReply("home/user/editAccount", FakeApi::Backend::envelope(0, serverMessage));

    WindowTest::ToastRecorder toasts;
    int countdown = 0;
    QString wrongCodeError;
    const auto drive = [&](VerificationCodeDialog *dialog) {
        edit(dialog, "valueEdit")->setText(value);
        push(dialog, "getCodeButton")->click();
        QTRY_COMPARE(m_server->requestCount("home/account/sendVerify"), 1);
        QTRY_VERIFY(dialog->secondsLeft() > 0);
        countdown = dialog->secondsLeft();
        if (realServer) {
            // A wrong code first: the dialog says so and stays.
            edit(dialog, "codeEdit")->setText(QStringLiteral("999999"));
            push(dialog, "confirmButton")->click();
            QTRY_VERIFY(!dialog->errorText().isEmpty() && !dialog->isSubmitting());
            wrongCodeError = dialog->errorText();
        }
        edit(dialog, "codeEdit")->setText(QStringLiteral("123456"));
        push(dialog, "confirmButton")->click();
    };
    std::shared_ptr<bool> handled;
    if (phone) {
        handled = whenModal<EditPhoneDialog>(drive);
        m_window->onModifyPhoneRequested();
    } else {
        handled = whenModal<EditEmailDialog>(drive);
        m_window->onModifyEmailRequested();
    }
    QVERIFY(*handled);
    QCOMPARE(countdown, 60);
    const FakeApi::HttpRequest code = m_server->lastRequest("home/account/sendVerify");
    QCOMPARE(code.field("userName"), value);
    QCOMPARE(code.field("vcodeType"), QStringLiteral("3"));
    QCOMPARE(code.field("areaCode"), phone ? QStringLiteral("86") : QString());
    if (realServer) {
        QCOMPARE(wrongCodeError, LoginController::friendlyApiErrorText(2009));
        QVERIFY(!serverUser(value).uid.isEmpty());
    }
    QVERIFY(toasts.texts.contains(toast));
    // The record is asked for anew after the change.
    QTRY_COMPARE(m_server->requestCount("home/user/getOtherinfo"), 2);
}

void TestMainWindowAccount::verificationCodeFailure()
{
    signIn(addUser("13812345678"));
    m_window = makeWindow();
    QVERIFY(m_window);
    m_server->setFault("home/account/sendVerify", FakeApi::Fault::of(FakeApi::Fault::Kind::EmptyBody));
    QString error;
    int secondsLeft = -1;
    auto handled = whenModal<EditEmailDialog>([&](EditEmailDialog *dialog) {
        edit(dialog, "valueEdit")->setText("new@example.com");
        push(dialog, "getCodeButton")->click();
        QTRY_VERIFY(!dialog->errorText().isEmpty());
        error = dialog->errorText();
        secondsLeft = dialog->secondsLeft();
        dialog->reject();
    });
    m_window->onModifyEmailRequested();
    QVERIFY(*handled);
    QCOMPARE(error, QStringLiteral("网络异常，请重试"));
    QCOMPARE(secondsLeft, 0);
}

void TestMainWindowAccount::sessionMessages()
{
    signIn(addUser("13812345678"));
    m_window = makeWindow();
    QVERIFY(m_window);
    waitForProfileSync();
    LoginController *session = m_window->loginController();
    WindowTest::ToastRecorder toasts;
    // One at a time: a toast still up takes the next text when it repaints.
    const auto next = [&toasts](int count) { QTRY_COMPARE(toasts.texts.size(), count); };
    emit session->needReLogin(QStringLiteral("  "));
    next(1);
    emit session->sessionExpiredToastRequested(QStringLiteral(" 请重新登录吧 "));
    next(2);
    emit session->sessionExpiredToastRequested(QString());
    next(3);
    emit session->passwordResetSucceededWhileLoggedIn();
    next(4);
    emit session->profileSyncFromServerFailed(QStringLiteral("   "));
    emit session->profileSyncFromServerFailed(QStringLiteral(" 同步失败，请检查网络。 "));
    next(5);
    QCOMPARE(toasts.texts, (QStringList{"登录已过期，请重新登录", "请重新登录吧", "登录过期，请重新登录", "密码已重置",
                                        "同步失败，请检查网络。"}));
    // The session message never opens the login window by itself.
    QVERIFY(!m_window->loginWindow());
}

void TestMainWindowAccount::profileSyncFailureIsAnInfoToast()
{
    m_window = makeWindow();
    QVERIFY(m_window);
    EQCloudSharingContent *page = m_window->contentBar()->cloudSharingPage();
    QVERIFY(page && page->toast());
    emit m_window->loginController()->profileSyncFromServerFailed(QStringLiteral(" 同步失败，请检查网络。 "));
    // The device page's own toast in its information look, not the failure look nor a tooltip.
    QVERIFY(page->toast()->isShowing());
    QCOMPARE(page->toast()->text(), QStringLiteral("同步失败，请检查网络。"));
    QCOMPARE(page->toast()->kind(), int(PageToast::Info));
    QVERIFY(!QToolTip::isVisible());
}

void TestMainWindowAccount::editsNeedASession()
{
    m_window = makeWindow();
    QVERIFY(m_window);
    // Anything that opened would be closed again and noted.
    auto opened = whenModalWidget([](QWidget *) { return true; }, [](QWidget *w) { w->close(); }, 100);
    m_window->onEditNicknameRequested();
    m_window->onEditAvatarRequested();
    m_window->onModifyPasswordRequested();
    m_window->onModifyEmailRequested();
    m_window->onModifyPhoneRequested();
    QTest::qWait(150);
    QVERIFY(!*opened);
}

void TestMainWindowAccount::quittingClosesTheLoginWindow()
{
    m_window = makeWindow();
    QVERIFY(m_window);
    QPointer<CustomLoginWindow> seen;
    auto handled = whenModal<CustomLoginWindow>([&](CustomLoginWindow *login) {
        seen = login;
        m_window->quitApplicationFully();
    });
    m_window->openLoginWindow(QStringLiteral("登录已过期"), false);
    QVERIFY(*handled);
    QVERIFY(m_window->isQuitting());
    QVERIFY(!m_window->loginWindow());
    QVERIFY(!m_window->graphicsEffect());
    QVERIFY(!WindowBlurBackdrop::of(m_window.get()));
    // The queued quit ends this loop (or the bound does, had it gone already);
    // either way no later wait sees it.
    QTimer::singleShot(500, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    QTRY_VERIFY(!seen);
}

QTEST_MAIN(TestMainWindowAccount)
#include "tst_mainwindowaccount.moc"
