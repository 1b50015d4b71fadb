#pragma once

#include "account/LoginAccountType.h"

#include <QWidget>

class LoginAgreementRow;
class LoginPasswordFieldWrap;
class QAbstractButton;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// The sign-in page of the login window: phone or e-mail account, password,
// the agreement toggle, and links to registration and the password reset.
class widgetLoginMoudle : public QWidget
{
    Q_OBJECT
public:
    explicit widgetLoginMoudle(QWidget *parent = nullptr);
    ~widgetLoginMoudle() override;

    // 0 phone, 1 e-mail.
    int loginType() const { return m_type.type(); }
    // Checks the matching radio and shows its placeholder.
    void setLoginType(int type);
    // Empty fields, hidden password, no error; the type, the agreement and a
    // running request stay as they are.
    void reset();
    QPushButton *loginButton() const { return m_loginButton; }
    QString errorText() const;
    void retranslateUi();

public slots:
    // Ends a running request; an empty text hides the error line.
    void setLoginError(const QString &msg);
    void onLoginTypeChanged(QAbstractButton *button);
    void onLoginClicked();

signals:
    void loginRequested(int loginType, const QString &account, const QString &password);
    // `Index` is the page's type (0 phone, 1 e-mail).
    void onRegisterLink(int Index);
    void onForgotPasswordLink(int Index);

protected:
    void changeEvent(QEvent *event) override;

private:
    void buildUi();
    void showError(const QString &message);

    QLineEdit *m_accountEdit;
    LoginAccountType m_type;
    LoginPasswordFieldWrap *m_passwordWrap;
    QLineEdit *m_passwordEdit;
    QToolButton *m_passwordEye;
    QLabel *m_noAccountLabel;
    QLabel *m_registerLink;
    QLabel *m_forgotPasswordLink;
    QPushButton *m_loginButton;
    QLabel *m_errorLabel;
    LoginAgreementRow *m_agreement;
};
