#pragma once

#include "account/VerifyCodeCountdown.h"

#include <QWidget>

class LoginPasswordFieldWrap;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;

// The password reset page of the login window: the account (phone or e-mail,
// told apart by "@"), a verification code and the new password twice.
class widgetForgotpassMoudle : public QWidget
{
    Q_OBJECT
public:
    explicit widgetForgotpassMoudle(QWidget *parent = nullptr);
    ~widgetForgotpassMoudle() override;

    // Empty fields, hidden passwords, no error, the confirm button enabled;
    // a running countdown stays.
    void reset();
    QPushButton *confirmButton() const { return m_confirmButton; }
    QString errorText() const;
    int secondsLeft() const { return m_countdown.secondsLeft(); }
    QTimer *countdownTimer() const { return m_countdown.timer(); }
    void retranslateUi();

public slots:
    // Ends a running request; an empty text hides the error line.
    void setForgetPasswordError(const QString &msg);
    void startGetCodeCountdown();
    void stopGetCodeCountdown();
    void onConfirmClicked();
    void onGetCodeClicked();
    void onVerifyCodeCountdown();

signals:
    void forgetPasswordRequested(const QString &userName, const QString &vcode, const QString &newPassword,
                                 const QString &confirmPassword);
    void getVerifyCodeRequested(const QString &userName);

protected:
    void changeEvent(QEvent *event) override;

private:
    void buildUi();
    void showError(const QString &message);
    void refreshCodeButtonText();

    QLineEdit *m_accountEdit;
    QLineEdit *m_codeEdit;
    QPushButton *m_getCodeButton;
    LoginPasswordFieldWrap *m_newPasswordWrap;
    LoginPasswordFieldWrap *m_confirmWrap;
    QLineEdit *m_newPasswordEdit;
    QLineEdit *m_confirmEdit;
    QToolButton *m_newPasswordEye;
    QToolButton *m_confirmEye;
    QPushButton *m_confirmButton;
    QLabel *m_titleLabel;
    QLabel *m_errorLabel;
    VerifyCodeCountdown m_countdown;
};
