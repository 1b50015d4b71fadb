#pragma once

#include <QDialog>
#include <QString>

class LoginWindowInterface;
class LoginWindowPort;
class QFrame;
class QStackedWidget;
class QToolButton;
class widgetForgotpassMoudle;
class widgetLoginMoudle;
class widgetRegisterMoudle;

// The modal sign-in window: login (page 0), registration (1) and password
// reset (2). The pages check what was typed and raise requests; the login
// session answers through the public slots. One window serves one sign-in.
class CustomLoginWindow : public QDialog
{
    Q_OBJECT
public:
    enum PageIndex { LoginPage = 0, RegisterPage = 1, ForgotPasswordPage = 2 };

    static constexpr int resendCountdownSeconds = 60;

    explicit CustomLoginWindow(QWidget *parent = nullptr);
    ~CustomLoginWindow() override;

    int currentIndex() const;
    // The window as the login session binds it; lives as long as the window.
    LoginWindowInterface *loginPort() const;
    widgetLoginMoudle *loginPage() const { return m_loginPage; }
    widgetRegisterMoudle *registerPage() const { return m_registerPage; }
    widgetForgotpassMoudle *forgotPasswordPage() const { return m_forgotPage; }

    // What the pages show: their error lines and the seconds left of their
    // code countdowns (0 when none runs).
    QString loginError() const;
    QString registerError() const;
    QString forgetPasswordError() const;
    int registerCountdown() const;
    int forgetPasswordCountdown() const;

public slots:
    virtual void setLoginError(const QString &msg);
    // An empty msg clears the line.
    virtual void setRegisterError(const QString &msg);
    virtual void setForgetPasswordError(const QString &msg);
    // Type 1 starts the registration page's countdown, type 2 the reset page's.
    virtual void onVerifyCodeSendSuccess(int vcodeType);
    // After a reset: clears the reset page, stops both countdowns, shows the login page.
    virtual void switchToLoginPage();
    virtual void switchToForgotPasswordPage();
    void retranslateUi();

signals:
    // loginType 0: the account is a phone number.
    void loginRequested(int loginType, const QString &account, const QString &password);
    void registerRequested(const QString &userName, const QString &vcode, const QString &password);
    void forgetPasswordRequested(const QString &userName, const QString &vcode, const QString &newPassword,
                                 const QString &confirmPassword);
    // The registration page asks for type 1, the reset page for type 2.
    void getVerifyCodeRequested(const QString &userName, int vcodeType, const QString &areaCode);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildUi();
    void connectPages();
    void showPage(int index);
    void placeCloseButton();
    void onRegisterLink(int type);
    void onForgotPasswordLink(int type);
    void onLoginLink(int type);

    QFrame *m_panel;
    QStackedWidget *m_stack;
    QToolButton *m_closeButton;
    widgetLoginMoudle *m_loginPage;
    widgetRegisterMoudle *m_registerPage;
    widgetForgotpassMoudle *m_forgotPage;
    LoginWindowPort *m_loginPort;
};
