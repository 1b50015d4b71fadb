#include "account/VerifyCodeCountdown.h"

#include <QTimer>

VerifyCodeCountdown::VerifyCodeCountdown(QObject *timerParent) : m_timer(new QTimer(timerParent))
{
    m_timer->setInterval(tickIntervalMs);
}

bool VerifyCodeCountdown::isRunning() const
{
    return m_timer->isActive();
}

void VerifyCodeCountdown::start()
{
    m_secondsLeft = startSeconds;
    m_timer->start(tickIntervalMs);
}

bool VerifyCodeCountdown::tick()
{
    --m_secondsLeft;
    if (m_secondsLeft > 0)
        return true;
    stop();
    return false;
}

void VerifyCodeCountdown::stop()
{
    m_timer->stop();
    m_secondsLeft = 0;
}

QString VerifyCodeCountdown::secondsText(const QString &pattern, int seconds)
{
    return pattern.arg(seconds, 0, 10, QLatin1Char(' '));
}

QString VerifyCodeCountdown::buttonText(const QString &pattern, const QString &idle) const
{
    return isRunning() && m_secondsLeft > 0 ? secondsText(pattern, m_secondsLeft) : idle;
}
