// The login window as a whole: page switches and what they reset, the
// default button and the keys, the close button, centring on the main
// window, and the texts in both languages.
#include "account/CustomLoginWindow.h"
#include "account/LoginAgreementRow.h"
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

using AccountTest::child;

void activateLink(QWidget *page, const char *name)
{
    emit child<QLabel>(page, name)->linkActivated(QStringLiteral(" "));
}

} // namespace

class TestLoginWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { AccountTest::switchLanguage(QStringLiteral("zh_CN")); }
    void init();
    void cleanup();

    void startsOnTheLoginPage();
    void registerLinkResetsLoginAndTakesItsType();
    void forgotLinkStopsTheRegistrationCountdown();
    void loginLinkResetsRegistrationAndStopsBothCountdowns();
    void switchToLoginPageClearsTheResetPage();
    void switchToForgotPasswordPageEndsOtherRequests();
    void resetLeavesNoPasswordToUndo_data();
    void resetLeavesNoPasswordToUndo();
    void enterPressesTheShownPagesButton_data();
    void enterPressesTheShownPagesButton();
    void escapeClosesEvenWhileBusy();
    void closeButtonSitsTopRightAndRejects();
    void centresOnItsParent();
    void englishTexts();
    void messagesFollowThePagesCatalogue_data();
    void messagesFollowThePagesCatalogue();
    void languageChangeKeepsBusyTextAndSeconds();
    void agreementLinksAndSpacerFollowTheLanguage();

private:
    widgetLoginMoudle *login() const { return m_window->loginPage(); }
    widgetRegisterMoudle *registration() const { return m_window->registerPage(); }
    widgetForgotpassMoudle *reset() const { return m_window->forgotPasswordPage(); }
    void startBusyLogin();

    std::unique_ptr<CustomLoginWindow> m_window;
};

void TestLoginWindow::init()
{
    m_window = std::make_unique<CustomLoginWindow>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestLoginWindow::cleanup()
{
    m_window.reset();
    AccountTest::switchLanguage(QStringLiteral("zh_CN"));
}

void TestLoginWindow::startBusyLogin()
{
    login()->findChild<LoginAgreementRow *>()->toggle()->click();
    child(login(), "accountEdit")->setText(QStringLiteral("13800138000"));
    child(login(), "passwordEdit")->setText(QStringLiteral("secret"));
    QTest::mouseClick(login()->loginButton(), Qt::LeftButton);
    QVERIFY(!login()->loginButton()->isEnabled());
}

void TestLoginWindow::startsOnTheLoginPage()
{
    QCOMPARE(m_window->currentIndex(), int(CustomLoginWindow::LoginPage));
    QCOMPARE(m_window->size(), QSize(384, 492));
    QVERIFY(m_window->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(login()->loginButton()->isDefault());
    QVERIFY(!registration()->registerButton()->isDefault());
    QVERIFY(child<QRadioButton>(login(), "phoneRadio")->isChecked());
    QVERIFY(!login()->findChild<LoginAgreementRow *>()->isAccepted());
    QCOMPARE(child(login(), "passwordEdit")->echoMode(), QLineEdit::Password);
    QVERIFY(child<QLabel>(login(), "errorLabel")->isHidden());
    for (QWidget *focusless : m_window->findChildren<QAbstractButton *>())
        QCOMPARE(focusless->focusPolicy(), Qt::NoFocus);
}

void TestLoginWindow::registerLinkResetsLoginAndTakesItsType()
{
    QTest::mouseClick(child<QRadioButton>(login(), "emailRadio"), Qt::LeftButton, {}, QPoint(6, 8));
    login()->findChild<LoginAgreementRow *>()->toggle()->click();
    child(login(), "accountEdit")->setText(QStringLiteral("ann@example.com"));
    child(login(), "passwordEdit")->setText(QStringLiteral("secret"));
    QTest::mouseClick(login()->loginButton(), Qt::LeftButton);
    QCOMPARE(login()->loginButton()->text(), QStringLiteral("登录中…"));
    QTest::mouseClick(child<QToolButton>(login(), "passwordEye"), Qt::LeftButton);
    m_window->onVerifyCodeSendSuccess(2);

    activateLink(login(), "registerLink");
    QCOMPARE(m_window->currentIndex(), int(CustomLoginWindow::RegisterPage));
    QVERIFY(registration()->registerButton()->isDefault());
    QVERIFY(!login()->loginButton()->isDefault());
    QVERIFY(child(login(), "accountEdit")->text().isEmpty());
    QVERIFY(child(login(), "passwordEdit")->text().isEmpty());
    QCOMPARE(child(login(), "passwordEdit")->echoMode(), QLineEdit::Password);
    // The reset leaves the running request and the agreement alone.
    QVERIFY(!login()->loginButton()->isEnabled());
    QVERIFY(login()->findChild<LoginAgreementRow *>()->isAccepted());
    QVERIFY(!reset()->countdownTimer()->isActive());
    QCOMPARE(child<QPushButton>(reset(), "getCodeButton")->text(), QStringLiteral("获取验证码"));
    QCOMPARE(registration()->registerType(), 1);
    QVERIFY(child<QRadioButton>(registration(), "emailRadio")->isChecked());
    QCOMPARE(child(registration(), "accountEdit")->placeholderText(), QStringLiteral("请输入邮箱"));
}

void TestLoginWindow::forgotLinkStopsTheRegistrationCountdown()
{
    m_window->onVerifyCodeSendSuccess(1);
    m_window->setLoginError(QStringLiteral("x"));
    child(login(), "accountEdit")->setText(QStringLiteral("13800138000"));
    activateLink(login(), "forgotPasswordLink");
    QCOMPARE(m_window->currentIndex(), int(CustomLoginWindow::ForgotPasswordPage));
    QVERIFY(reset()->confirmButton()->isDefault());
    QVERIFY(!registration()->countdownTimer()->isActive());
    QCOMPARE(m_window->registerCountdown(), 0);
    QVERIFY(child<QPushButton>(registration(), "getCodeButton")->isEnabled());
    QVERIFY(child(login(), "accountEdit")->text().isEmpty());
    QCOMPARE(m_window->loginError(), QString());
}

void TestLoginWindow::loginLinkResetsRegistrationAndStopsBothCountdowns()
{
    activateLink(login(), "registerLink");
    QTest::mouseClick(child<QRadioButton>(registration(), "emailRadio"), Qt::LeftButton, {}, QPoint(6, 8));
    for (const char *name : {"accountEdit", "codeEdit", "passwordEdit", "confirmEdit"})
        child(registration(), name)->setText(QStringLiteral("abc123"));
    QTest::mouseClick(child<QToolButton>(registration(), "confirmEye"), Qt::LeftButton);
    m_window->setRegisterError(QStringLiteral("x"));
    m_window->onVerifyCodeSendSuccess(1);
    m_window->onVerifyCodeSendSuccess(2);

    activateLink(registration(), "loginLink");
    QCOMPARE(m_window->currentIndex(), int(CustomLoginWindow::LoginPage));
    QVERIFY(login()->loginButton()->isDefault());
    for (const char *name : {"accountEdit", "codeEdit", "passwordEdit", "confirmEdit"})
        QVERIFY2(child(registration(), name)->text().isEmpty(), name);
    QCOMPARE(child(registration(), "confirmEdit")->echoMode(), QLineEdit::Password);
    QCOMPARE(m_window->registerError(), QString());
    QCOMPARE(m_window->registerCountdown(), 0);
    QCOMPARE(m_window->forgetPasswordCountdown(), 0);
    QCOMPARE(login()->loginType(), 1);
    QVERIFY(child<QRadioButton>(login(), "emailRadio")->isChecked());
    QCOMPARE(child(login(), "accountEdit")->placeholderText(), QStringLiteral("请输入邮箱"));
}

void TestLoginWindow::switchToLoginPageClearsTheResetPage()
{
    m_window->switchToForgotPasswordPage();
    child(reset(), "accountEdit")->setText(QStringLiteral("x"));
    child(reset(), "codeEdit")->setText(QStringLiteral("1"));
    child(reset(), "newPasswordEdit")->setText(QStringLiteral("abc123"));
    child(reset(), "confirmEdit")->setText(QStringLiteral("abc123"));
    QTest::mouseClick(child<QToolButton>(reset(), "newPasswordEye"), Qt::LeftButton);
    QTest::mouseClick(reset()->confirmButton(), Qt::LeftButton);
    QVERIFY(!reset()->confirmButton()->isEnabled());
    m_window->onVerifyCodeSendSuccess(1);
    m_window->onVerifyCodeSendSuccess(2);

    m_window->switchToLoginPage();
    QCOMPARE(m_window->currentIndex(), int(CustomLoginWindow::LoginPage));
    for (const char *name : {"accountEdit", "codeEdit", "newPasswordEdit", "confirmEdit"})
        QVERIFY2(child(reset(), name)->text().isEmpty(), name);
    QCOMPARE(child(reset(), "newPasswordEdit")->echoMode(), QLineEdit::Password);
    QVERIFY(reset()->confirmButton()->isEnabled());
    QCOMPARE(m_window->registerCountdown(), 0);
    QCOMPARE(m_window->forgetPasswordCountdown(), 0);
    QVERIFY(login()->loginButton()->isDefault());
}

void TestLoginWindow::switchToForgotPasswordPageEndsOtherRequests()
{
    startBusyLogin();
    m_window->setRegisterError(QStringLiteral("old"));
    registration()->registerButton()->setEnabled(false);
    m_window->onVerifyCodeSendSuccess(1);
    m_window->onVerifyCodeSendSuccess(2);
    m_window->setForgetPasswordError(QStringLiteral("old"));

    m_window->switchToForgotPasswordPage();
    QCOMPARE(m_window->currentIndex(), int(CustomLoginWindow::ForgotPasswordPage));
    QVERIFY(login()->loginButton()->isEnabled());
    QCOMPARE(login()->loginButton()->text(), QStringLiteral("登录"));
    QVERIFY(registration()->registerButton()->isEnabled());
    QCOMPARE(m_window->registerError(), QString());
    QCOMPARE(m_window->forgetPasswordError(), QString());
    QCOMPARE(m_window->registerCountdown(), 0);
    QCOMPARE(m_window->forgetPasswordCountdown(), 0);
    QVERIFY(reset()->confirmButton()->isDefault());
}

void TestLoginWindow::resetLeavesNoPasswordToUndo_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("eye");
    QTest::newRow("login") << 0 << "passwordEdit" << "passwordEye";
    QTest::newRow("registration") << 1 << "passwordEdit" << "passwordEye";
    QTest::newRow("registration, confirmation") << 1 << "confirmEdit" << "confirmEye";
    QTest::newRow("reset") << 2 << "newPasswordEdit" << "newPasswordEye";
    QTest::newRow("reset, confirmation") << 2 << "confirmEdit" << "confirmEye";
}

void TestLoginWindow::resetLeavesNoPasswordToUndo()
{
    QFETCH(int, index);
    QFETCH(QString, edit);
    QFETCH(QString, eye);
    QWidget *page = index == 0   ? static_cast<QWidget *>(login())
                    : index == 1 ? static_cast<QWidget *>(registration())
                                 : reset();
    if (index == 1)
        activateLink(login(), "registerLink");
    else if (index == 2)
        m_window->switchToForgotPasswordPage();
    QLineEdit *field = child(page, qPrintable(edit));
    QTest::keyClicks(field, QStringLiteral("secret1"));
    QTest::mouseClick(child<QToolButton>(page, qPrintable(eye)), Qt::LeftButton);

    // Leaving the page resets it.
    if (index == 0)
        activateLink(login(), "registerLink");
    else if (index == 1)
        activateLink(registration(), "loginLink");
    else
        m_window->switchToLoginPage();
    QVERIFY(field->text().isEmpty());
    QCOMPARE(field->echoMode(), QLineEdit::Password);

    // Shown again, the field has nothing to undo back into it.
    QTest::mouseClick(child<QToolButton>(page, qPrintable(eye)), Qt::LeftButton);
    QCOMPARE(field->echoMode(), QLineEdit::Normal);
    QVERIFY(!field->isUndoAvailable());
    field->undo();
    QCOMPARE(field->text(), QString());
}

void TestLoginWindow::enterPressesTheShownPagesButton_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("key");
    QTest::newRow("login, Return") << 0 << int(Qt::Key_Return);
    QTest::newRow("registration, Enter") << 1 << int(Qt::Key_Enter);
    QTest::newRow("reset, Return") << 2 << int(Qt::Key_Return);
}

void TestLoginWindow::enterPressesTheShownPagesButton()
{
    QFETCH(int, index);
    QFETCH(int, key);
    if (index == 1)
        activateLink(login(), "registerLink");
    else if (index == 2)
        activateLink(login(), "forgotPasswordLink");
    // Every page answers an empty form with an error line; only the shown one may.
    QTest::keyClick(m_window.get(), Qt::Key(key));
    QCOMPARE(!m_window->loginError().isEmpty(), index == 0);
    QCOMPARE(!m_window->registerError().isEmpty(), index == 1);
    QCOMPARE(!m_window->forgetPasswordError().isEmpty(), index == 2);
    QVERIFY(m_window->isVisible());
}

void TestLoginWindow::escapeClosesEvenWhileBusy()
{
    startBusyLogin();
    QTest::keyClick(m_window.get(), Qt::Key_Escape);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_window->result(), int(QDialog::Rejected));
}

void TestLoginWindow::closeButtonSitsTopRightAndRejects()
{
    auto *close = child<QToolButton>(m_window.get(), "closeButton");
    QCOMPARE(close->size(), QSize(22, 22));
    QCOMPARE(close->pos(), QPoint(384 - 22 - 12, 12));
    QCOMPARE(close->focusPolicy(), Qt::NoFocus);
    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_window->result(), int(QDialog::Rejected));
}

void TestLoginWindow::centresOnItsParent()
{
    QWidget host;
    host.setGeometry(100, 80, 900, 640);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    CustomLoginWindow window(&host);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint centre = host.mapToGlobal(host.rect().center());
    QCOMPARE(window.pos(), QPoint(centre.x() - 384 / 2, centre.y() - 492 / 2));
}

void TestLoginWindow::englishTexts()
{
    QCOMPARE(child<QLabel>(reset(), "titleLabel")->text(), QStringLiteral("忘记密码"));
    AccountTest::switchLanguage(QStringLiteral("en_US"));
    QCOMPARE(child<QRadioButton>(login(), "phoneRadio")->text(), QStringLiteral("Phone Number"));
    QCOMPARE(child(login(), "accountEdit")->placeholderText(), QStringLiteral("Please enter phone number"));
    QCOMPARE(login()->loginButton()->text(), QStringLiteral("Login"));
    QVERIFY(child<QLabel>(login(), "registerLink")->text().endsWith(QLatin1String(">Register now")));
    QCOMPARE(registration()->registerButton()->text(), QStringLiteral("Register"));
    QCOMPARE(child<QPushButton>(registration(), "getCodeButton")->text(), QStringLiteral("Get Code"));
    auto *title = child<QLabel>(reset(), "titleLabel");
    QCOMPARE(title->text(), QStringLiteral("Forgot password?"));
    // A title longer than 125 px widens its label instead of being cut.
    activateLink(login(), "forgotPasswordLink");
    QTRY_VERIFY(title->width() >= qMax(125, title->fontMetrics().horizontalAdvance(title->text())));
    QCOMPARE(reset()->confirmButton()->text(), QStringLiteral("Confirm"));
    QCOMPARE(child(reset(), "accountEdit")->placeholderText(), QStringLiteral("Please enter phone number or email"));

    AccountTest::switchLanguage(QStringLiteral("zh_CN"));
    QCOMPARE(child<QLabel>(reset(), "titleLabel")->text(), QStringLiteral("忘记密码？"));
    QCOMPARE(login()->loginButton()->text(), QStringLiteral("登录"));
}

void TestLoginWindow::messagesFollowThePagesCatalogue_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("message");
    QTest::newRow("login, no account") << 0 << "" << "Account is required";
    QTest::newRow("registration, no account") << 1 << "" << "Accout is required";
    QTest::newRow("reset, no account") << 2 << "" << "Account is required";
    QTest::newRow("registration, no confirmation") << 1 << "-" << "Please confirm your password";
    QTest::newRow("reset, no confirmation") << 2 << "-" << "Password Confirmation Cannot Be Empty";
    QTest::newRow("registration, policy") << 1 << "abc"
                                          << "Password must be 6–16 characters, start with a letter, and contain "
                                             "only letters and digits";
}

void TestLoginWindow::messagesFollowThePagesCatalogue()
{
    QFETCH(int, index);
    QFETCH(QString, confirmation);
    QFETCH(QString, message);
    AccountTest::switchLanguage(QStringLiteral("en_US"));
    QWidget *page = index == 0 ? static_cast<QWidget *>(login())
                               : index == 1 ? static_cast<QWidget *>(registration()) : reset();
    if (index == 1)
        activateLink(login(), "registerLink");
    else if (index == 2)
        activateLink(login(), "forgotPasswordLink");
    if (index != 2)
        page->findChild<LoginAgreementRow *>()->toggle()->click();
    if (!confirmation.isEmpty()) {
        child(page, "accountEdit")->setText(QStringLiteral("13800138000"));
        child(page, "codeEdit")->setText(QStringLiteral("1"));
        child(page, index == 1 ? "passwordEdit" : "newPasswordEdit")->setText(QStringLiteral("abc"));
        child(page, "confirmEdit")->setText(confirmation == QLatin1String("-") ? QString() : confirmation);
    }
    QTest::keyClick(m_window.get(), Qt::Key_Return);
    const QString shown = index == 0   ? m_window->loginError()
                          : index == 1 ? m_window->registerError()
                                       : m_window->forgetPasswordError();
    QCOMPARE(shown, message);
}

void TestLoginWindow::languageChangeKeepsBusyTextAndSeconds()
{
    startBusyLogin();
    m_window->onVerifyCodeSendSuccess(1);
    AccountTest::fireTimer(registration()->countdownTimer());
    AccountTest::switchLanguage(QStringLiteral("en_US"));
    QCOMPARE(login()->loginButton()->text(), QStringLiteral("登录中…"));
    QCOMPARE(child<QPushButton>(registration(), "getCodeButton")->text(), QStringLiteral("59s"));
    QCOMPARE(child<QPushButton>(reset(), "getCodeButton")->text(), QStringLiteral("Get Code"));
    m_window->setLoginError(QString());
    QCOMPARE(login()->loginButton()->text(), QStringLiteral("Login"));
}

void TestLoginWindow::agreementLinksAndSpacerFollowTheLanguage()
{
    for (const QString &code : {QStringLiteral("zh_CN"), QStringLiteral("en_US")}) {
        AccountTest::switchLanguage(code);
        const bool chinese = code == QLatin1String("zh_CN");
        for (QWidget *page : {static_cast<QWidget *>(login()), static_cast<QWidget *>(registration())}) {
            auto *row = page->findChild<LoginAgreementRow *>();
            QCOMPARE(row->spacerWidth(), chinese ? 25 : 0);
            const QString text = row->label()->text();
            QCOMPARE(text.count(chinese ? QLatin1String("lang=zh") : QLatin1String("lang=en")), 2);
            QVERIFY(text.contains(chinese ? QStringLiteral("已读并同意") : QStringLiteral("Please read and agree")));
            QVERIFY(row->label()->openExternalLinks());
            const int width = row->label()->width();
            QCOMPARE(row->label()->minimumWidth(), row->label()->maximumWidth());
            QVERIFY(width >= 1 && width <= LoginAgreementRow::maxLabelWidth);
        }
    }
}

QTEST_MAIN(TestLoginWindow)
#include "tst_loginwindow.moc"
