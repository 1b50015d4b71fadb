#pragma once

#include "cloud/LoginWindowInterface.h"

class CustomLoginWindow;

// The login window as the login session sees it: relays the window's
// requests and hands the session's feedback to the window's slots. Owned by
// the window, which deletes it first when it goes.
class LoginWindowPort : public LoginWindowInterface
{
    Q_OBJECT
public:
    explicit LoginWindowPort(CustomLoginWindow *window);
    ~LoginWindowPort() override;

    bool isVisible() const override;
    void accept() override;
    void setLoginError(const QString &msg) override;
    void setRegisterError(const QString &msg) override;
    void setForgetPasswordError(const QString &msg) override;
    void onVerifyCodeSendSuccess(int vcodeType) override;
    void switchToLoginPage() override;

private:
    CustomLoginWindow *m_window;
};
