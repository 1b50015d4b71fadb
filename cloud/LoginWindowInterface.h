#pragma once

#include <QObject>
#include <QString>

// What the login session needs of the login window: the window's four
// requests as signals and the feedback it takes. The account screens provide
// it (one object per window, gone with the window), so the session never
// depends on a widget.
class LoginWindowInterface : public QObject
{
    Q_OBJECT
public:
    explicit LoginWindowInterface(QObject *parent = nullptr);
    ~LoginWindowInterface() override;

    virtual bool isVisible() const = 0;
    // Closes the window with a positive result.
    virtual void accept() = 0;
    virtual void setLoginError(const QString &msg) = 0;
    // An empty msg clears the line.
    virtual void setRegisterError(const QString &msg) = 0;
    virtual void setForgetPasswordError(const QString &msg) = 0;
    // Type 1 starts the registration page's countdown, type 2 the reset page's.
    virtual void onVerifyCodeSendSuccess(int vcodeType) = 0;
    virtual void switchToLoginPage() = 0;

signals:
    // loginType 0: the account is a phone number.
    void loginRequested(int loginType, const QString &account, const QString &password);
    void registerRequested(const QString &userName, const QString &vcode, const QString &password);
    void forgetPasswordRequested(const QString &userName, const QString &vcode, const QString &newPassword,
                                 const QString &confirmPassword);
    void getVerifyCodeRequested(const QString &userName, int vcodeType, const QString &areaCode);
};
