#include "ManualDeviceChangeSource.h"

namespace Platform {

ManualDeviceChangeSource::ManualDeviceChangeSource(QObject *parent) : DeviceChangeSource(parent) {}

bool ManualDeviceChangeSource::start()
{
    if (m_started)
        return true;
    ++m_startAttempts;
    if (m_failuresLeft > 0) {
        --m_failuresLeft;
        return false;
    }
    m_started = true;
    return true;
}

bool ManualDeviceChangeSource::isStarted() const
{
    return m_started;
}

void ManualDeviceChangeSource::failStarts(int count)
{
    m_failuresLeft = count;
}

int ManualDeviceChangeSource::startAttempts() const
{
    return m_startAttempts;
}

bool ManualDeviceChangeSource::raise()
{
    if (!m_started)
        return false;
    emit devicesChanged();
    return true;
}

} // namespace Platform
