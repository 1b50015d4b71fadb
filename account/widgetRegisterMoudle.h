#pragma once

#include "account/LoginAccountType.h"
#include "account/VerifyCodeCountdown.h"

#include <QWidget>

class LoginAgreementRow;
class LoginPasswordFieldWrap;
class QAbstractButton;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;

// The registration page of the login window: phone or e-mail account, a
// verification code, the password twice and the agreement toggle.
class widgetRegisterMoudle : public QWidget
{
    Q_OBJECT
public:
    explicit widgetRegisterMoudle(QWidget *parent = nullptr);
    ~widgetRegisterMoudle() override;

    // 0 phone, 1 e-mail.
    int registerType() const { return m_type.type(); }
    // Checks the matching radio and shows its placeholder.
    void setRegisterType(int type);
    // Empty fields, hidden passwords, no error; the type, the agreement, the
    // countdown and a running request stay as they are.
    void reset();
    QPushButton *registerButton() const { return m_registerButton; }
    QString errorText() const;
    int secondsLeft() const { return m_countdown.secondsLeft(); }
    QTimer *countdownTimer() const { return m_countdown.timer(); }
    void retranslateUi();

public slots:
    // Ends a running request; an empty text hides the error line.
    void setRegisterError(const QString &msg);
    void startGetCodeCountdown();
    void stopGetCodeCountdown();
    void onRegisterTypeChanged(QAbstractButton *button);
    void onGetVerificationCode();
    void onVerifyCodeCountdown();
    void onRegisterClicked();

signals:
    void registerRequested(const QString &userName, const QString &vcode, const QString &password);
    // `areaCode` is "86" for a phone number and empty for an e-mail address.
    void getVerifyCodeRequested(const QString &userName, const QString &areaCode);
    // `Index` is the page's type (0 phone, 1 e-mail).
    void onLoginLink(int Index);

protected:
    void changeEvent(QEvent *event) override;

private:
    void buildUi();
    void showError(const QString &message);
    bool showAccountProblem(const QString &account);
    void refreshCodeButtonText();

    QLineEdit *m_accountEdit;
    LoginAccountType m_type;
    LoginPasswordFieldWrap *m_passwordWrap;
    LoginPasswordFieldWrap *m_confirmWrap;
    QLineEdit *m_passwordEdit;
    QLineEdit *m_confirmEdit;
    QToolButton *m_passwordEye;
    QToolButton *m_confirmEye;
    QLineEdit *m_codeEdit;
    QPushButton *m_getCodeButton;
    QLabel *m_haveAccountLabel;
    QLabel *m_loginLink;
    QPushButton *m_registerButton;
    QLabel *m_errorLabel;
    LoginAgreementRow *m_agreement;
    VerifyCodeCountdown m_countdown;
};
