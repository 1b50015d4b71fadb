// The password, e-mail and phone dialogs: what enables their buttons, what
// they send, the error line and the code countdown.
#include "account/ChangePasswordDialog.h"
#include "account/EditEmailDialog.h"
#include "account/EditPhoneDialog.h"
#include "account/PasswordPolicy.h"
#include "widgets/CustomClickableLabel.h"
#include "tests/account/AccountTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

using AccountTest::child;

QPushButton *confirm(QWidget *dialog)
{
    return child<QPushButton>(dialog, "confirmButton");
}

QPushButton *getCode(QWidget *dialog)
{
    return child<QPushButton>(dialog, "getCodeButton");
}

// One of the two code dialogs, chosen by a test row.
std::unique_ptr<VerificationCodeDialog> makeCodeDialog(bool phone)
{
    if (phone)
        return std::make_unique<EditPhoneDialog>();
    return std::make_unique<EditEmailDialog>();
}

QString validValue(bool phone)
{
    return phone ? QStringLiteral("13800138000") : QStringLiteral("ann@example.com");
}

} // namespace

class TestAccountDialogs : public QObject
{
    Q_OBJECT

private slots:
    void frame_data();
    void frame();
    void passwordConfirmNeedsBothFields_data();
    void passwordConfirmNeedsBothFields();
    void passwordSentAsTypedButCheckedTrimmed_data();
    void passwordSentAsTypedButCheckedTrimmed();
    void submittingHoldsTheConfirmButton();
    void errorLineIsTrimmedAndTypingClearsIt();
    void forgotPasswordLeavesAFlagAndCloses();
    void phoneValue_data();
    void phoneValue();
    void emailValue_data();
    void emailValue();
    void codeRequestMovesFocusToTheCode();
    void countdownAfterASentCode_data();
    void countdownAfterASentCode();
    void sendFailureFreesTheButton();
    void closingStopsTheCountdown();

private:
    void typeInto(QLineEdit *edit, const QString &text);
};

void TestAccountDialogs::typeInto(QLineEdit *edit, const QString &text)
{
    edit->clear();
    QTest::keyClicks(edit, text);
}

void TestAccountDialogs::frame_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    QTest::newRow("password") << 0 << "修改密码";
    QTest::newRow("e-mail") << 1 << "修改邮箱";
    QTest::newRow("phone") << 2 << "修改手机号";
}

void TestAccountDialogs::frame()
{
    QFETCH(int, kind);
    QFETCH(QString, title);
    std::unique_ptr<AccountEditDialog> dialog;
    if (kind == 0)
        dialog = std::make_unique<ChangePasswordDialog>();
    else
        dialog = makeCodeDialog(kind == 2);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QCOMPARE(dialog->size(), QSize(384, 475));
    QVERIFY(dialog->isModal());
    QVERIFY(dialog->windowFlags() & Qt::FramelessWindowHint);
    // Rounded corners: the mask leaves out the very corner, keeps the edge's middle.
    QVERIFY(!dialog->mask().contains(QPoint(0, 0)));
    QVERIFY(dialog->mask().contains(QPoint(0, 200)));
    QCOMPARE(child<QLabel>(dialog.get(), "titleLabel")->text(), title);
    QVERIFY(child<QLabel>(dialog.get(), "errorLabel")->isHidden());
    QVERIFY(!confirm(dialog.get())->isEnabled());
    QCOMPARE(confirm(dialog.get())->size(), QSize(240, 44));
    auto *close = child<QPushButton>(dialog.get(), "closeButton");
    QCOMPARE(close->text(), QStringLiteral("×"));
    QCOMPARE(close->geometry(), QRect(384 - 24 - 12, 12, 24, 24));
    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
}

void TestAccountDialogs::passwordConfirmNeedsBothFields_data()
{
    QTest::addColumn<QString>("oldPassword");
    QTest::addColumn<QString>("newPassword");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("both empty") << "" << "" << false;
    QTest::newRow("no old password") << "" << "abc123" << false;
    QTest::newRow("no new password") << "abc123" << "" << false;
    QTest::newRow("blanks count") << " " << " " << true;
    QTest::newRow("both") << "old" << "x" << true;
}

void TestAccountDialogs::passwordConfirmNeedsBothFields()
{
    QFETCH(QString, oldPassword);
    QFETCH(QString, newPassword);
    QFETCH(bool, enabled);
    ChangePasswordDialog dialog;
    typeInto(child(&dialog, "oldPasswordEdit"), oldPassword);
    typeInto(child(&dialog, "newPasswordEdit"), newPassword);
    QCOMPARE(confirm(&dialog)->isEnabled(), enabled);
}

void TestAccountDialogs::passwordSentAsTypedButCheckedTrimmed_data()
{
    QTest::addColumn<QString>("newPassword");
    QTest::addColumn<bool>("sent");
    QTest::newRow("trailing blank") << "abc123 " << true;
    QTest::newRow("blanks around") << "  abc123  " << true;
    QTest::newRow("16 characters") << "a123456789012345" << true;
    QTest::newRow("17 characters") << "a1234567890123456" << false;
    QTest::newRow("digit first") << "1abcdef" << false;
    QTest::newRow("inner blank") << "abc 123" << false;
    QTest::newRow("five") << "abc12" << false;
}

void TestAccountDialogs::passwordSentAsTypedButCheckedTrimmed()
{
    QFETCH(QString, newPassword);
    QFETCH(bool, sent);
    ChangePasswordDialog dialog;
    QSignalSpy submitted(&dialog, &ChangePasswordDialog::modifyPasswordSubmitted);
    typeInto(child(&dialog, "oldPasswordEdit"), QStringLiteral(" old pw "));
    typeInto(child(&dialog, "newPasswordEdit"), newPassword);
    QTest::mouseClick(confirm(&dialog), Qt::LeftButton);
    QCOMPARE(submitted.size(), sent ? 1 : 0);
    if (sent) {
        QCOMPARE(submitted.at(0), (QVariantList{QStringLiteral(" old pw "), newPassword}));
        QCOMPARE(dialog.errorText(), QString());
        QVERIFY(!dialog.isSubmitting()); // the main window marks it busy
    } else {
        QCOMPARE(dialog.errorText(), PasswordPolicy::message());
        QVERIFY(!child<QLabel>(&dialog, "errorLabel")->isHidden());
    }
}

void TestAccountDialogs::submittingHoldsTheConfirmButton()
{
    ChangePasswordDialog password;
    password.show();
    QVERIFY(QTest::qWaitForWindowExposed(&password));
    QSignalSpy submitted(&password, &ChangePasswordDialog::modifyPasswordSubmitted);
    typeInto(child(&password, "oldPasswordEdit"), QStringLiteral("old"));
    typeInto(child(&password, "newPasswordEdit"), QStringLiteral("abc123"));
    password.setSubmitting(true);
    QVERIFY(!confirm(&password)->isEnabled());
    QTest::keyClick(child(&password, "newPasswordEdit"), Qt::Key_4);
    QVERIFY(!confirm(&password)->isEnabled());
    password.setSubmitting(false);
    QVERIFY(confirm(&password)->isEnabled());
    QTest::keyClick(child(&password, "newPasswordEdit"), Qt::Key_Return);
    QCOMPARE(submitted.size(), 1);

    EditEmailDialog email;
    QSignalSpy emailSubmitted(&email, &EditEmailDialog::modifyEmailSubmitted);
    typeInto(child(&email, "valueEdit"), QStringLiteral(" ann@example.com "));
    typeInto(child(&email, "codeEdit"), QStringLiteral(" 1234 "));
    QVERIFY(confirm(&email)->isEnabled());
    email.setSubmitting(true);
    QVERIFY(!confirm(&email)->isEnabled());
    email.setSubmitting(false);
    QTest::mouseClick(confirm(&email), Qt::LeftButton);
    QCOMPARE(emailSubmitted.size(), 1);
    QCOMPARE(emailSubmitted.at(0), (QVariantList{QStringLiteral("ann@example.com"), QStringLiteral("1234")}));
}

void TestAccountDialogs::errorLineIsTrimmedAndTypingClearsIt()
{
    EditPhoneDialog dialog;
    auto *label = child<QLabel>(&dialog, "errorLabel");
    dialog.setErrorText(QStringLiteral("  验证码错误 \n"));
    QCOMPARE(label->text(), QStringLiteral("验证码错误"));
    QVERIFY(!label->isHidden());
    dialog.setErrorText(QStringLiteral(" \t "));
    QVERIFY(label->isHidden());
    QCOMPARE(label->text(), QString());

    for (const char *edit : {"valueEdit", "codeEdit"}) {
        dialog.setErrorText(QStringLiteral("x"));
        QTest::keyClick(child(&dialog, edit), Qt::Key_1);
        QVERIFY2(label->isHidden(), edit);
    }
}

void TestAccountDialogs::forgotPasswordLeavesAFlagAndCloses()
{
    ChangePasswordDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.setSubmitting(true);
    dialog.setErrorText(QStringLiteral("x"));
    QVERIFY(!dialog.isForgotPasswordRequested());
    auto *forgot = child<CustomClickableLabel>(&dialog, "forgotPasswordLabel");
    QCOMPARE(forgot->text(), QStringLiteral("忘记密码?"));
    QTest::mouseClick(forgot, Qt::LeftButton);
    QVERIFY(dialog.isForgotPasswordRequested());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isSubmitting());
    QCOMPARE(dialog.errorText(), QString());
}

void TestAccountDialogs::phoneValue_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("digits"); // empty: not valid
    QTest::newRow("bare") << "13800138000" << "13800138000";
    QTest::newRow("+86, blanks and hyphens") << " +86 138-0013-8000 " << "13800138000";
    QTest::newRow("86 and 11 digits") << "8613800138000" << "13800138000";
    QTest::newRow("86 and 12 digits") << "86138001380001" << "";
    QTest::newRow("second digit 1") << "11800138000" << "";
    QTest::newRow("second digit 2") << "12800138000" << "";
    QTest::newRow("ten digits") << "1380013800" << "";
    QTest::newRow("letters only") << "phone" << "";
}

void TestAccountDialogs::phoneValue()
{
    QFETCH(QString, typed);
    QFETCH(QString, digits);
    EditPhoneDialog dialog;
    QSignalSpy codeRequests(&dialog, &EditPhoneDialog::sendVerificationRequested);
    QSignalSpy submitted(&dialog, &EditPhoneDialog::modifyPhoneSubmitted);
    typeInto(child(&dialog, "valueEdit"), typed);
    typeInto(child(&dialog, "codeEdit"), QStringLiteral("9876"));
    QCOMPARE(getCode(&dialog)->isEnabled(), !digits.isEmpty());
    QCOMPARE(confirm(&dialog)->isEnabled(), !digits.isEmpty());

    // A click that slips through on invalid input does nothing.
    getCode(&dialog)->click();
    confirm(&dialog)->click();
    if (digits.isEmpty()) {
        QCOMPARE(codeRequests.size(), 0);
        QCOMPARE(submitted.size(), 0);
        return;
    }
    QCOMPARE(codeRequests.size(), 1);
    QCOMPARE(codeRequests.at(0).at(0).toString(), digits);
    QCOMPARE(submitted.size(), 1);
    QCOMPARE(submitted.at(0), (QVariantList{digits, QStringLiteral("9876")}));
}

void TestAccountDialogs::emailValue_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("sent"); // empty: not valid
    QTest::newRow("blanks around") << "  ann@example.com " << "ann@example.com";
    QTest::newRow("no dot after @") << "ann@example" << "";
    QTest::newRow("dot only before @") << "a.nn@example" << "";
    QTest::newRow("nothing before @") << "@example.com" << "";
    QTest::newRow("blank inside") << "an n@example.com" << "";
}

void TestAccountDialogs::emailValue()
{
    QFETCH(QString, typed);
    QFETCH(QString, sent);
    EditEmailDialog dialog;
    QSignalSpy codeRequests(&dialog, &EditEmailDialog::sendVerificationRequested);
    typeInto(child(&dialog, "valueEdit"), typed);
    QCOMPARE(getCode(&dialog)->isEnabled(), !sent.isEmpty());
    getCode(&dialog)->click();
    QCOMPARE(codeRequests.size(), sent.isEmpty() ? 0 : 1);
    if (!sent.isEmpty())
        QCOMPARE(codeRequests.at(0).at(0).toString(), sent);
    // Without a code the change cannot be sent.
    QVERIFY(!confirm(&dialog)->isEnabled());
}

void TestAccountDialogs::codeRequestMovesFocusToTheCode()
{
    EditEmailDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QApplication::setActiveWindow(&dialog);
    QLineEdit *value = child(&dialog, "valueEdit");
    value->setFocus();
    typeInto(value, QStringLiteral("ann@example.com"));
    QTest::mouseClick(getCode(&dialog), Qt::LeftButton);
    QVERIFY(getCode(&dialog)->isEnabled()); // only a sent code starts the wait
    QTRY_VERIFY(child(&dialog, "codeEdit")->hasFocus());
}

void TestAccountDialogs::countdownAfterASentCode_data()
{
    QTest::addColumn<bool>("phone");
    QTest::addColumn<bool>("validAtTheEnd");
    QTest::newRow("e-mail") << false << true;
    QTest::newRow("phone") << true << true;
    QTest::newRow("phone edited to invalid meanwhile") << true << false;
}

void TestAccountDialogs::countdownAfterASentCode()
{
    QFETCH(bool, phone);
    QFETCH(bool, validAtTheEnd);
    auto dialog = makeCodeDialog(phone);
    typeInto(child(dialog.get(), "valueEdit"), validValue(phone));
    dialog->setErrorText(QStringLiteral("old"));
    QPushButton *button = getCode(dialog.get());
    auto *timer = dialog->findChild<QTimer *>();
    QVERIFY(timer);

    dialog->onSendCodeSucceeded();
    QCOMPARE(dialog->errorText(), QString());
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    QVERIFY(!button->isEnabled());
    QCOMPARE(button->text(), QStringLiteral("60s"));

    AccountTest::fireTimer(timer);
    AccountTest::fireTimer(timer);
    QCOMPARE(button->text(), QStringLiteral("58s"));
    // A new code restarts the wait; typing does not free the button.
    dialog->onSendCodeSucceeded();
    QCOMPARE(button->text(), QStringLiteral("60s"));
    if (!validAtTheEnd)
        typeInto(child(dialog.get(), "valueEdit"), QStringLiteral("1380013800"));
    QVERIFY(!button->isEnabled());

    for (int left = 59; left >= 1; --left) {
        AccountTest::fireTimer(timer);
        QCOMPARE(button->text(), QStringLiteral("%1s").arg(left));
        QVERIFY(!button->isEnabled());
    }
    AccountTest::fireTimer(timer);
    QVERIFY(!timer->isActive());
    QCOMPARE(dialog->secondsLeft(), 0);
    QCOMPARE(button->text(), QStringLiteral("获取验证码"));
    QCOMPARE(button->isEnabled(), validAtTheEnd);
}

void TestAccountDialogs::sendFailureFreesTheButton()
{
    EditPhoneDialog dialog;
    typeInto(child(&dialog, "valueEdit"), QStringLiteral("13800138000"));
    auto *timer = dialog.findChild<QTimer *>();

    // No countdown runs: only the button is refreshed.
    dialog.setErrorText(QStringLiteral("kept"));
    dialog.onSendCodeFailed(-1, QStringLiteral("timeout"));
    QVERIFY(getCode(&dialog)->isEnabled());
    QCOMPARE(dialog.errorText(), QStringLiteral("kept")); // the main window sets the text

    dialog.onSendCodeSucceeded();
    AccountTest::fireTimer(timer);
    dialog.onSendCodeFailed(2014, QStringLiteral("too often"));
    QVERIFY(!timer->isActive());
    QCOMPARE(dialog.secondsLeft(), 0);
    QVERIFY(getCode(&dialog)->isEnabled());
    QCOMPARE(getCode(&dialog)->text(), QStringLiteral("获取验证码"));
}

void TestAccountDialogs::closingStopsTheCountdown()
{
    EditEmailDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    typeInto(child(&dialog, "valueEdit"), validValue(false));
    typeInto(child(&dialog, "codeEdit"), QStringLiteral("1234"));
    dialog.onSendCodeSucceeded();
    dialog.setSubmitting(true);
    dialog.setErrorText(QStringLiteral("x"));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.findChild<QTimer *>()->isActive());
    QCOMPARE(dialog.secondsLeft(), 0);
    QCOMPARE(getCode(&dialog)->text(), QStringLiteral("获取验证码"));
    QVERIFY(getCode(&dialog)->isEnabled());
    QVERIFY(!dialog.isSubmitting());
    QVERIFY(confirm(&dialog)->isEnabled());
    QCOMPARE(dialog.errorText(), QString());

    // A new dialog offers a code as soon as its value is valid.
    EditEmailDialog next;
    QVERIFY(!getCode(&next)->isEnabled());
    typeInto(child(&next, "valueEdit"), validValue(false));
    QVERIFY(getCode(&next)->isEnabled());
}

QTEST_MAIN(TestAccountDialogs)
#include "tst_accountdialogs.moc"
