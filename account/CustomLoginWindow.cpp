#include "account/CustomLoginWindow.h"

#include <QTimer>

CustomLoginWindow::CustomLoginWindow(QWidget *parent) : QDialog(parent), m_countdownTimer(new QTimer(this))
{
    m_countdownTimer->setInterval(1000);
    connect(m_countdownTimer, &QTimer::timeout, this, &CustomLoginWindow::tick);
}

CustomLoginWindow::~CustomLoginWindow() = default;

QString CustomLoginWindow::countdownText(int seconds)
{
    return seconds > 0 ? QStringLiteral("%1s").arg(seconds) : QString();
}

void CustomLoginWindow::setLoginError(const QString &msg)
{
    m_loginError = msg;
}

void CustomLoginWindow::setRegisterError(const QString &msg)
{
    m_registerError = msg;
}

void CustomLoginWindow::setForgetPasswordError(const QString &msg)
{
    m_forgetPasswordError = msg;
}

void CustomLoginWindow::onVerifyCodeSendSuccess(int vcodeType)
{
    if (vcodeType == 1)
        m_registerCountdown = resendCountdownSeconds;
    else if (vcodeType == 2)
        m_forgetPasswordCountdown = resendCountdownSeconds;
    else
        return;
    if (!m_countdownTimer->isActive())
        m_countdownTimer->start();
}

void CustomLoginWindow::switchToLoginPage()
{
    m_registerError.clear();
    m_forgetPasswordError.clear();
    m_registerCountdown = 0;
    m_forgetPasswordCountdown = 0;
    m_countdownTimer->stop();
    m_page = Page::Login;
}

void CustomLoginWindow::tick()
{
    if (m_registerCountdown > 0)
        --m_registerCountdown;
    if (m_forgetPasswordCountdown > 0)
        --m_forgetPasswordCountdown;
    if (m_registerCountdown == 0 && m_forgetPasswordCountdown == 0)
        m_countdownTimer->stop();
}
