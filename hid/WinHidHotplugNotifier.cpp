#include "WinHidHotplugNotifier.h"

#include "platform/hotplug/DeviceChangeSource.h"

WinHidHotplugNotifier::WinHidHotplugNotifier(QObject *parent, int debounceMs)
    : QObject(parent), m_source(Platform::DeviceChangeSource::create(this))
{
    m_registerRetryTimer.setInterval(200);
    m_registerRetryTimer.setSingleShot(false);
    m_debounceTimer.setInterval(debounceMs);
    m_debounceTimer.setSingleShot(true);
    m_debounceTimer.setTimerType(Qt::PreciseTimer); // a coarse timer may fire early
    connect(&m_registerRetryTimer, &QTimer::timeout, this, &WinHidHotplugNotifier::tryRegister);
    connect(&m_debounceTimer, &QTimer::timeout, this, &WinHidHotplugNotifier::hotplugEvent);
    connect(m_source, &Platform::DeviceChangeSource::devicesChanged, this, &WinHidHotplugNotifier::onDevicesChanged);
    m_registerRetryTimer.start();
}

WinHidHotplugNotifier::~WinHidHotplugNotifier()
{
    m_registerRetryTimer.stop();
    m_debounceTimer.stop();
    delete m_source;
    m_source = nullptr;
    m_registered = false;
}

bool WinHidHotplugNotifier::tryRegister()
{
    if (m_registered) {
        m_registerRetryTimer.stop();
        return true;
    }
    // A refusal is silent: the retry timer asks again.
    m_registered = m_source->start();
    return m_registered;
}

bool WinHidHotplugNotifier::isRegistered() const
{
    return m_registered;
}

void WinHidHotplugNotifier::onDevicesChanged()
{
    m_debounceTimer.start(); // a running countdown starts over
}
