#include "account/LoginWindowPort.h"

#include "account/CustomLoginWindow.h"

LoginWindowPort::LoginWindowPort(CustomLoginWindow *window) : LoginWindowInterface(window), m_window(window)
{
    connect(window, &CustomLoginWindow::loginRequested, this, &LoginWindowInterface::loginRequested);
    connect(window, &CustomLoginWindow::registerRequested, this, &LoginWindowInterface::registerRequested);
    connect(window, &CustomLoginWindow::forgetPasswordRequested, this,
            &LoginWindowInterface::forgetPasswordRequested);
    connect(window, &CustomLoginWindow::getVerifyCodeRequested, this, &LoginWindowInterface::getVerifyCodeRequested);
}

LoginWindowPort::~LoginWindowPort() = default;

bool LoginWindowPort::isVisible() const
{
    return m_window->isVisible();
}

void LoginWindowPort::accept()
{
    m_window->accept();
}

void LoginWindowPort::setLoginError(const QString &msg)
{
    m_window->setLoginError(msg);
}

void LoginWindowPort::setRegisterError(const QString &msg)
{
    m_window->setRegisterError(msg);
}

void LoginWindowPort::setForgetPasswordError(const QString &msg)
{
    m_window->setForgetPasswordError(msg);
}

void LoginWindowPort::onVerifyCodeSendSuccess(int vcodeType)
{
    m_window->onVerifyCodeSendSuccess(vcodeType);
}

void LoginWindowPort::switchToLoginPage()
{
    m_window->switchToLoginPage();
}
