#include "protocol/HeartbeatController.h"

#include "protocol/Commands.h"

#include <QTimer>

#include <algorithm>

namespace HeadsetProtocol {

HeartbeatController::HeartbeatController(QObject *parent) : QObject(parent), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(false);
    m_timer->setTimerType(Qt::CoarseTimer);
    connect(m_timer, &QTimer::timeout, this, &HeartbeatController::onTimeout, Qt::UniqueConnection);
}

void HeartbeatController::setEnabled(bool enabled)
{
    m_enabled = enabled;
    if (enabled && !isSuppressed())
        restartTimer();
    else
        m_timer->stop();
}

void HeartbeatController::setIntervalMs(int intervalMs)
{
    m_intervalMs = std::clamp(intervalMs, MinIntervalMs, MaxIntervalMs);
    if (m_timer->isActive())
        restartTimer();
}

void HeartbeatController::notifyActivity(quint16 cmd)
{
    if (cmd != Command::Heartbeat && m_enabled && !isSuppressed())
        restartTimer();
}

int HeartbeatController::updateLinkState(quint8 status)
{
    if (status >= 2)
        return LinkIgnored;
    const bool up = status == 0;
    const bool changed = !m_linkKnown || m_linkUp != up;
    m_linkKnown = true;
    m_linkUp = up;
    if (m_enabled && up)
        restartTimer();
    else
        m_timer->stop();
    if (!changed)
        return LinkUnchanged;
    return up ? LinkBecameUp : LinkBecameDown;
}

bool HeartbeatController::isTimerActive() const
{
    return m_timer->isActive();
}

int HeartbeatController::remainingTimeMs() const
{
    return m_timer->remainingTime();
}

void HeartbeatController::onTimeout()
{
    if (m_enabled && !isSuppressed())
        emit heartbeatDue();
}

void HeartbeatController::restartTimer()
{
    m_timer->start(m_intervalMs);
}

} // namespace HeadsetProtocol
