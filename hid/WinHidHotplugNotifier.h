#pragma once

#include <QObject>
#include <QTimer>

namespace Platform {
class DeviceChangeSource;
}

// Tells the device manager that HID devices may have come or gone. The
// system's raw device-change events (a udev monitor on Linux) arrive in
// bursts; they are collapsed into one hotplugEvent after a quiet interval.
// Starting the system's watch is retried every 200 ms until it succeeds.
class WinHidHotplugNotifier : public QObject
{
    Q_OBJECT
public:
    explicit WinHidHotplugNotifier(QObject *parent = nullptr, int debounceMs = 200);
    ~WinHidHotplugNotifier() override;

    // One attempt to start watching; true once watching.
    bool tryRegister();
    bool isRegistered() const;

signals:
    void hotplugEvent();

private:
    void onDevicesChanged();

    QTimer m_registerRetryTimer;
    QTimer m_debounceTimer;
    bool m_registered = false;
    Platform::DeviceChangeSource *m_source = nullptr;
};
