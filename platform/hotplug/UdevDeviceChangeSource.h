#pragma once

#include "platform/hotplug/DeviceChangeSource.h"

struct udev;
struct udev_monitor;
class QSocketNotifier;

namespace Platform {

// Watches the hidraw subsystem through a udev monitor: every add, remove or
// change of a hidraw node raises devicesChanged once per wake-up.
class UdevDeviceChangeSource : public DeviceChangeSource
{
    Q_OBJECT
public:
    explicit UdevDeviceChangeSource(QObject *parent = nullptr);
    ~UdevDeviceChangeSource() override;

    bool start() override;
    bool isStarted() const override;

private:
    void onMonitorReadable();
    void release();

    udev *m_udev = nullptr;
    udev_monitor *m_monitor = nullptr;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace Platform
