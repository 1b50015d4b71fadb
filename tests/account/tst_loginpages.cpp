// The three pages of the login window: what they check before a request,
// what they emit, their error lines and their code countdowns.
#include "account/CustomLoginWindow.h"
#include "account/LoginAgreementRow.h"
#include "account/PasswordPolicy.h"
#include "account/widgetForgotpassMoudle.h"
#include "account/widgetLoginMoudle.h"
#include "account/widgetRegisterMoudle.h"
#include "widgets/CustomRadioButtons.h"
#include "tests/account/AccountTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

const QString agreementMessage = QStringLiteral("请阅读并同意《隐私政策》和《用户协议》");
const QString badPhone = QStringLiteral("请输入正确的手机号");
const QString badEmail = QStringLiteral("请输入正确的邮箱地址");

using AccountTest::child;

void acceptAgreement(QWidget *page)
{
    CustomRadioButtons *toggle = page->findChild<LoginAgreementRow *>()->toggle();
    QTest::mouseClick(toggle, Qt::LeftButton, {}, QPoint(8, 8));
    QVERIFY(toggle->isChecked());
}

void chooseEmail(QWidget *page, bool email)
{
    QTest::mouseClick(child<QRadioButton>(page, email ? "emailRadio" : "phoneRadio"), Qt::LeftButton, {},
                      QPoint(6, 8));
}

} // namespace

class TestLoginPages : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_window.reset(); }

    void loginChecksBeforeSending_data();
    void loginChecksBeforeSending();
    void loginRunsUntilTheSessionAnswers();
    void typeRadiosSwitchThePlaceholderOnly();
    void agreementToggleFlipsOnEveryClick();
    void registrationChecksInOrder_data();
    void registrationChecksInOrder();
    void registrationCodeRequest_data();
    void registrationCodeRequest();
    void resetCodeRequestTellsPhoneFromEmailByAt_data();
    void resetCodeRequestTellsPhoneFromEmailByAt();
    void resetChecksOnlyThatTheAccountIsThere_data();
    void resetChecksOnlyThatTheAccountIsThere();
    void countdownRunsSixtySeconds_data();
    void countdownRunsSixtySeconds();
    void eachSentCodeRestartsTheCountdown();
    void unknownCodeTypeChangesNothing();
    void eyeButtonShowsAndHidesThePassword();

private:
    widgetLoginMoudle *login() const { return m_window->loginPage(); }
    widgetRegisterMoudle *registration() const { return m_window->registerPage(); }
    widgetForgotpassMoudle *reset() const { return m_window->forgotPasswordPage(); }
    void fillRegistration(const QString &account, const QString &code, const QString &password,
                          const QString &confirmation);

    std::unique_ptr<CustomLoginWindow> m_window;
};

void TestLoginPages::init()
{
    m_window = std::make_unique<CustomLoginWindow>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestLoginPages::loginChecksBeforeSending_data()
{
    QTest::addColumn<bool>("agree");
    QTest::addColumn<bool>("email");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("error"); // empty: the request goes out
    QTest::addColumn<QString>("sentAccount");
    QTest::addColumn<QString>("sentPassword");

    QTest::newRow("agreement before everything") << false << false << "" << "" << agreementMessage << "" << "";
    QTest::newRow("no account") << true << false << "   " << "secret" << "账号不能为空" << "" << "";
    QTest::newRow("phone with blanks, sent as typed")
        << true << false << " 138 0013 8000 " << "secret" << "" << "138 0013 8000" << "secret";
    QTest::newRow("+86 and hyphens") << true << false << "+86 138-0013-8000" << "pw" << ""
                                     << "+86 138-0013-8000" << "pw";
    QTest::newRow("bare 86 and 11 digits") << true << false << "8613800138000" << "pw" << "" << "8613800138000"
                                           << "pw";
    QTest::newRow("86 and 12 digits") << true << false << "86138001380001" << "pw" << badPhone << "" << "";
    QTest::newRow("second digit 2") << true << false << "12800138000" << "pw" << badPhone << "" << "";
    QTest::newRow("10 digits") << true << false << "1380013800" << "pw" << badPhone << "" << "";
    QTest::newRow("e-mail") << true << true << " ann@example.com " << "pw" << "" << "ann@example.com" << "pw";
    QTest::newRow("e-mail without dot after @") << true << true << "ann@example" << "pw" << badEmail << "" << "";
    QTest::newRow("e-mail with a blank") << true << true << "an n@example.com" << "pw" << badEmail << "" << "";
    QTest::newRow("e-mail with two @") << true << true << "a@b@example.com" << "pw" << badEmail << "" << "";
    QTest::newRow("a phone number on the e-mail type") << true << true << "13800138000" << "pw" << badEmail << ""
                                                       << "";
    QTest::newRow("no password") << true << false << "13800138000" << "   " << "密码不能为空" << "" << "";
    QTest::newRow("no policy on login") << true << false << "13800138000" << " 1abc " << "" << "13800138000"
                                        << "1abc";
}

void TestLoginPages::loginChecksBeforeSending()
{
    QFETCH(bool, agree);
    QFETCH(bool, email);
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(QString, error);
    QSignalSpy pageRequests(login(), &widgetLoginMoudle::loginRequested);
    QSignalSpy windowRequests(m_window.get(), &CustomLoginWindow::loginRequested);
    if (agree)
        acceptAgreement(login());
    chooseEmail(login(), email);
    child(login(), "accountEdit")->setText(account);
    child(login(), "passwordEdit")->setText(password);
    QTest::mouseClick(login()->loginButton(), Qt::LeftButton);

    QCOMPARE(m_window->loginError(), error);
    QCOMPARE(child<QLabel>(login(), "errorLabel")->isHidden(), error.isEmpty());
    if (!error.isEmpty()) {
        QCOMPARE(windowRequests.size(), 0);
        QVERIFY(login()->loginButton()->isEnabled());
        return;
    }
    QCOMPARE(pageRequests.size(), 1);
    QFETCH(QString, sentAccount);
    QFETCH(QString, sentPassword);
    const QVariantList expected{email ? 1 : 0, sentAccount, sentPassword};
    QCOMPARE(pageRequests.at(0), expected);
    QCOMPARE(windowRequests.size(), 1);
    QCOMPARE(windowRequests.at(0), expected);
}

void TestLoginPages::loginRunsUntilTheSessionAnswers()
{
    QSignalSpy requests(m_window.get(), &CustomLoginWindow::loginRequested);
    acceptAgreement(login());
    child(login(), "accountEdit")->setText(QStringLiteral("13800138000"));
    child(login(), "passwordEdit")->setText(QStringLiteral("secret"));
    QTest::mouseClick(login()->loginButton(), Qt::LeftButton);
    QCOMPARE(requests.size(), 1);
    QVERIFY(!login()->loginButton()->isEnabled());
    QCOMPARE(login()->loginButton()->text(), QStringLiteral("登录中…"));

    // Enter reaches only an enabled default button.
    QTest::keyClick(m_window.get(), Qt::Key_Return);
    QCOMPARE(requests.size(), 1);

    m_window->setLoginError(QStringLiteral("密码错误"));
    QVERIFY(login()->loginButton()->isEnabled());
    QCOMPARE(login()->loginButton()->text(), QStringLiteral("登录"));
    QCOMPARE(m_window->loginError(), QStringLiteral("密码错误"));
    QVERIFY(!child<QLabel>(login(), "errorLabel")->isHidden());

    QTest::keyClick(m_window.get(), Qt::Key_Return);
    QCOMPARE(requests.size(), 2);
    m_window->setLoginError(QString());
    QVERIFY(child<QLabel>(login(), "errorLabel")->isHidden());
    QCOMPARE(m_window->loginError(), QString());
}

void TestLoginPages::typeRadiosSwitchThePlaceholderOnly()
{
    QLineEdit *account = child(login(), "accountEdit");
    QCOMPARE(account->placeholderText(), QStringLiteral("请输入手机号"));
    account->setText(QStringLiteral("13800138000"));
    login()->setLoginError(QStringLiteral("x"));
    chooseEmail(login(), true);
    QCOMPARE(login()->loginType(), 1);
    QCOMPARE(account->placeholderText(), QStringLiteral("请输入邮箱"));
    QCOMPARE(account->text(), QStringLiteral("13800138000"));
    QCOMPARE(m_window->loginError(), QStringLiteral("x"));
    chooseEmail(login(), false);
    QCOMPARE(login()->loginType(), 0);
    QCOMPARE(account->placeholderText(), QStringLiteral("请输入手机号"));
}

void TestLoginPages::agreementToggleFlipsOnEveryClick()
{
    CustomRadioButtons *toggle = login()->findChild<LoginAgreementRow *>()->toggle();
    QVERIFY(!toggle->isChecked());
    QTest::mouseClick(toggle, Qt::LeftButton, {}, QPoint(8, 8));
    QVERIFY(toggle->isChecked());
    QTest::mouseClick(toggle, Qt::LeftButton, {}, QPoint(8, 8));
    QVERIFY(!toggle->isChecked());
    // The registration page keeps a toggle of its own.
    QVERIFY(!registration()->findChild<LoginAgreementRow *>()->isAccepted());
}

void TestLoginPages::fillRegistration(const QString &account, const QString &code, const QString &password,
                                      const QString &confirmation)
{
    child(registration(), "accountEdit")->setText(account);
    child(registration(), "codeEdit")->setText(code);
    child(registration(), "passwordEdit")->setText(password);
    child(registration(), "confirmEdit")->setText(confirmation);
}

void TestLoginPages::registrationChecksInOrder_data()
{
    QTest::addColumn<bool>("agree");
    QTest::addColumn<bool>("email");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("error");

    const QString policy = PasswordPolicy::message();
    QTest::newRow("agreement first") << false << false << "" << "" << "" << "" << agreementMessage;
    QTest::newRow("account") << true << false << "" << "" << "" << "" << "账号不能为空";
    QTest::newRow("phone") << true << false << "1380013800" << "1" << "abc123" << "abc123" << badPhone;
    QTest::newRow("e-mail") << true << true << "ann@example" << "1" << "abc123" << "abc123" << badEmail;
    QTest::newRow("code") << true << false << "13800138000" << "  " << "abc123" << "abc123" << "验证码不能为空";
    QTest::newRow("password") << true << false << "13800138000" << "1" << "" << "abc123" << "密码不能为空";
    QTest::newRow("confirmation") << true << false << "13800138000" << "1" << "abc123" << ""
                                  << "再次确认密码不能为空";
    QTest::newRow("mismatch") << true << false << "13800138000" << "1" << "abc123" << "abc124"
                              << "两次输入的密码不一致";
    QTest::newRow("five characters") << true << false << "13800138000" << "1" << "abc12" << "abc12" << policy;
    QTest::newRow("digit first") << true << false << "13800138000" << "1" << "1abcde" << "1abcde" << policy;
    QTest::newRow("not alphanumeric") << true << false << "13800138000" << "1" << "abc_123" << "abc_123"
                                      << policy;
    QTest::newRow("17 characters") << true << false << "13800138000" << "1" << "a1234567890123456"
                                   << "a1234567890123456" << policy;
    QTest::newRow("16 characters") << true << true << "ann@example.com" << " 4321 " << " a123456789012345 "
                                   << "a123456789012345" << "";
}

void TestLoginPages::registrationChecksInOrder()
{
    QFETCH(bool, agree);
    QFETCH(bool, email);
    QFETCH(QString, account);
    QFETCH(QString, code);
    QFETCH(QString, password);
    QFETCH(QString, confirmation);
    QFETCH(QString, error);
    m_window->switchToLoginPage();
    emit child<QLabel>(login(), "registerLink")->linkActivated(QStringLiteral(" "));
    QCOMPARE(m_window->currentIndex(), int(CustomLoginWindow::RegisterPage));
    if (agree)
        acceptAgreement(registration());
    chooseEmail(registration(), email);
    fillRegistration(account, code, password, confirmation);
    QSignalSpy requests(m_window.get(), &CustomLoginWindow::registerRequested);
    QTest::mouseClick(registration()->registerButton(), Qt::LeftButton);

    QCOMPARE(m_window->registerError(), error);
    QCOMPARE(registration()->registerButton()->isEnabled(), !error.isEmpty());
    if (!error.isEmpty()) {
        QCOMPARE(requests.size(), 0);
        return;
    }
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.at(0), (QVariantList{account, code.trimmed(), password.trimmed()}));
    m_window->setRegisterError(QStringLiteral("验证码错误"));
    QVERIFY(registration()->registerButton()->isEnabled());
    QCOMPARE(registration()->registerButton()->text(), QStringLiteral("注册"));
}

void TestLoginPages::registrationCodeRequest_data()
{
    QTest::addColumn<bool>("email");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("areaCode");
    QTest::newRow("phone") << false << " +86 138 0013 8000 " << "" << "86";
    QTest::newRow("e-mail") << true << "ann@example.com" << "" << "";
    QTest::newRow("bad phone") << false << "1380013800" << badPhone << "";
    QTest::newRow("empty") << true << "" << "账号不能为空" << "";
}

void TestLoginPages::registrationCodeRequest()
{
    QFETCH(bool, email);
    QFETCH(QString, account);
    QFETCH(QString, error);
    QFETCH(QString, areaCode);
    emit child<QLabel>(login(), "registerLink")->linkActivated(QStringLiteral(" "));
    chooseEmail(registration(), email);
    child(registration(), "accountEdit")->setText(account);
    QSignalSpy requests(m_window.get(), &CustomLoginWindow::getVerifyCodeRequested);
    QPushButton *getCode = child<QPushButton>(registration(), "getCodeButton");
    QTest::mouseClick(getCode, Qt::LeftButton);

    QCOMPARE(m_window->registerError(), error);
    QVERIFY(getCode->isEnabled()); // only a confirmed code starts the wait
    if (!error.isEmpty()) {
        QCOMPARE(requests.size(), 0);
        return;
    }
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.at(0), (QVariantList{account.trimmed(), 1, areaCode}));
    QTRY_VERIFY(child(registration(), "codeEdit")->hasFocus());
}

void TestLoginPages::resetCodeRequestTellsPhoneFromEmailByAt_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("error");
    QTest::newRow("e-mail") << " ann@example.com " << "";
    QTest::newRow("phone") << "138 0013 8000" << "";
    QTest::newRow("@ makes it an e-mail") << "13800138000@" << badEmail;
    QTest::newRow("no @ makes it a phone") << "ann.example.com" << badPhone;
    QTest::newRow("empty") << "  " << "账号不能为空";
}

void TestLoginPages::resetCodeRequestTellsPhoneFromEmailByAt()
{
    QFETCH(QString, account);
    QFETCH(QString, error);
    m_window->switchToForgotPasswordPage();
    m_window->setForgetPasswordError(QStringLiteral("old"));
    child(reset(), "accountEdit")->setText(account);
    QSignalSpy requests(m_window.get(), &CustomLoginWindow::getVerifyCodeRequested);
    QTest::mouseClick(child<QPushButton>(reset(), "getCodeButton"), Qt::LeftButton);
    QCOMPARE(m_window->forgetPasswordError(), error.isEmpty() ? QString() : error);
    QCOMPARE(requests.size(), error.isEmpty() ? 1 : 0);
    if (error.isEmpty())
        QCOMPARE(requests.at(0), (QVariantList{account.trimmed(), 2, QString()}));
}

void TestLoginPages::resetChecksOnlyThatTheAccountIsThere_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("error");
    QTest::newRow("account") << " " << "1" << "abc123" << "abc123" << "账号不能为空";
    QTest::newRow("code") << "x" << "" << "abc123" << "abc123" << "验证码不能为空";
    QTest::newRow("password") << "x" << "1" << "" << "abc123" << "密码不能为空";
    QTest::newRow("confirmation") << "x" << "1" << "abc123" << " " << "再次确认密码不能为空";
    QTest::newRow("mismatch") << "x" << "1" << "abc123" << "abc1234" << "两次输入的密码不一致";
    QTest::newRow("policy") << "x" << "1" << "abc12" << "abc12" << PasswordPolicy::message();
    QTest::newRow("any account goes") << " not-an-account " << " 77 " << " abc123 " << "abc123 " << "";
}

void TestLoginPages::resetChecksOnlyThatTheAccountIsThere()
{
    QFETCH(QString, account);
    QFETCH(QString, code);
    QFETCH(QString, password);
    QFETCH(QString, confirmation);
    QFETCH(QString, error);
    emit child<QLabel>(login(), "forgotPasswordLink")->linkActivated(QStringLiteral(" "));
    QCOMPARE(m_window->currentIndex(), int(CustomLoginWindow::ForgotPasswordPage));
    child(reset(), "accountEdit")->setText(account);
    child(reset(), "codeEdit")->setText(code);
    child(reset(), "newPasswordEdit")->setText(password);
    child(reset(), "confirmEdit")->setText(confirmation);
    QSignalSpy requests(m_window.get(), &CustomLoginWindow::forgetPasswordRequested);
    QTest::keyClick(m_window.get(), Qt::Key_Enter);

    QCOMPARE(m_window->forgetPasswordError(), error);
    QCOMPARE(reset()->confirmButton()->isEnabled(), !error.isEmpty());
    QCOMPARE(requests.size(), error.isEmpty() ? 1 : 0);
    if (error.isEmpty()) {
        QCOMPARE(requests.at(0), (QVariantList{account.trimmed(), code.trimmed(), password.trimmed(),
                                               confirmation.trimmed()}));
    }
}

void TestLoginPages::countdownRunsSixtySeconds_data()
{
    QTest::addColumn<int>("vcodeType");
    QTest::newRow("registration") << 1;
    QTest::newRow("reset") << 2;
}

void TestLoginPages::countdownRunsSixtySeconds()
{
    QFETCH(int, vcodeType);
    QWidget *page = vcodeType == 1 ? static_cast<QWidget *>(registration()) : reset();
    QWidget *other = vcodeType == 1 ? static_cast<QWidget *>(reset()) : registration();
    auto *button = child<QPushButton>(page, "getCodeButton");
    QTimer *timer = vcodeType == 1 ? registration()->countdownTimer() : reset()->countdownTimer();

    m_window->onVerifyCodeSendSuccess(vcodeType);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    QVERIFY(!button->isEnabled());
    QCOMPARE(button->text(), QStringLiteral("60s"));
    QVERIFY(child<QPushButton>(other, "getCodeButton")->isEnabled());

    for (int left = 59; left >= 1; --left) {
        AccountTest::fireTimer(timer);
        QCOMPARE(button->text(), QStringLiteral("%1s").arg(left));
        QVERIFY(!button->isEnabled());
    }
    AccountTest::fireTimer(timer);
    QVERIFY(!timer->isActive());
    QVERIFY(button->isEnabled());
    QCOMPARE(button->text(), QStringLiteral("获取验证码"));
    QCOMPARE(vcodeType == 1 ? m_window->registerCountdown() : m_window->forgetPasswordCountdown(), 0);
}

void TestLoginPages::eachSentCodeRestartsTheCountdown()
{
    emit child<QLabel>(login(), "registerLink")->linkActivated(QStringLiteral(" "));
    child(registration(), "accountEdit")->setText(QStringLiteral("13800138000"));
    QSignalSpy requests(m_window.get(), &CustomLoginWindow::getVerifyCodeRequested);
    auto *button = child<QPushButton>(registration(), "getCodeButton");
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(requests.size(), 2);

    m_window->onVerifyCodeSendSuccess(1);
    AccountTest::fireTimer(registration()->countdownTimer());
    AccountTest::fireTimer(registration()->countdownTimer());
    QCOMPARE(button->text(), QStringLiteral("58s"));
    m_window->onVerifyCodeSendSuccess(1);
    QCOMPARE(m_window->registerCountdown(), 60);
    QCOMPARE(button->text(), QStringLiteral("60s"));
}

void TestLoginPages::unknownCodeTypeChangesNothing()
{
    m_window->onVerifyCodeSendSuccess(3);
    m_window->onVerifyCodeSendSuccess(0);
    QVERIFY(!registration()->countdownTimer()->isActive());
    QVERIFY(!reset()->countdownTimer()->isActive());
    QVERIFY(child<QPushButton>(registration(), "getCodeButton")->isEnabled());
    QVERIFY(child<QPushButton>(reset(), "getCodeButton")->isEnabled());
}

void TestLoginPages::eyeButtonShowsAndHidesThePassword()
{
    QLineEdit *password = child(login(), "passwordEdit");
    auto *eye = child<QToolButton>(login(), "passwordEye");
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    const QImage hidden = eye->icon().pixmap(20, 20).toImage();
    QTest::mouseClick(eye, Qt::LeftButton);
    QCOMPARE(password->echoMode(), QLineEdit::Normal);
    QVERIFY(eye->icon().pixmap(20, 20).toImage() != hidden);
    QTest::mouseClick(eye, Qt::LeftButton);
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    QCOMPARE(eye->icon().pixmap(20, 20).toImage(), hidden);

    // The eye sits 20 px from the wrapper's right edge, centred, above the edit.
    QWidget *wrap = eye->parentWidget();
    QCOMPARE(eye->geometry(), QRect(wrap->width() - 20 - 24, (wrap->height() - 24) / 2, 24, 24));
    QCOMPARE(password->geometry(), wrap->rect());
    QCOMPARE(eye->focusPolicy(), Qt::NoFocus);
}

QTEST_MAIN(TestLoginPages)
#include "tst_loginpages.moc"
