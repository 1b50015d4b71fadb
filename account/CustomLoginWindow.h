#pragma once

#include <QDialog>
#include <QString>

class QTimer;

// The login dialog's contract with the login session: the requests it emits
// and the feedback it takes. This holds the page state only; the pages
// themselves are drawn by the account screens, which override the feedback
// slots to show it.
class CustomLoginWindow : public QDialog
{
    Q_OBJECT
public:
    enum class Page { Login, Register, ForgetPassword };

    static constexpr int resendCountdownSeconds = 60;

    explicit CustomLoginWindow(QWidget *parent = nullptr);
    ~CustomLoginWindow() override;

    Page currentPage() const { return m_page; }
    QString loginError() const { return m_loginError; }
    QString registerError() const { return m_registerError; }
    QString forgetPasswordError() const { return m_forgetPasswordError; }
    // Seconds left before a code may be requested again; 0 when none is pending.
    int registerCountdown() const { return m_registerCountdown; }
    int forgetPasswordCountdown() const { return m_forgetPasswordCountdown; }
    // Text of a get-code button during its countdown ("%1s"), else empty.
    static QString countdownText(int seconds);

public slots:
    virtual void setLoginError(const QString &msg);
    // An empty msg clears the line.
    virtual void setRegisterError(const QString &msg);
    virtual void setForgetPasswordError(const QString &msg);
    // Type 1 starts the register page's countdown, type 2 the forgotten-password page's.
    virtual void onVerifyCodeSendSuccess(int vcodeType);
    // Resets the register and forgotten-password pages and shows the login page.
    virtual void switchToLoginPage();

signals:
    // loginType 0: the account is a phone number.
    void loginRequested(int loginType, const QString &account, const QString &password);
    void registerRequested(const QString &userName, const QString &vcode, const QString &password);
    void forgetPasswordRequested(const QString &userName, const QString &vcode, const QString &newPassword,
                                 const QString &confirmPassword);
    // The register page asks for type 1, the forgotten-password page for type 2.
    void getVerifyCodeRequested(const QString &userName, int vcodeType, const QString &areaCode);

protected:
    void showPage(Page page) { m_page = page; }

private:
    void tick();

    Page m_page = Page::Login;
    QString m_loginError;
    QString m_registerError;
    QString m_forgetPasswordError;
    int m_registerCountdown = 0;
    int m_forgetPasswordCountdown = 0;
    QTimer *m_countdownTimer;
};
