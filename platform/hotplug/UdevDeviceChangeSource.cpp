#include "UdevDeviceChangeSource.h"

#include <QSocketNotifier>

#include <libudev.h>

namespace Platform {

UdevDeviceChangeSource::UdevDeviceChangeSource(QObject *parent) : DeviceChangeSource(parent) {}

UdevDeviceChangeSource::~UdevDeviceChangeSource()
{
    release();
}

bool UdevDeviceChangeSource::start()
{
    if (isStarted())
        return true;
    m_udev = udev_new();
    if (!m_udev)
        return false;
    // "udev" events come after the rules ran, so the node's permissions are final.
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (!m_monitor || udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hidraw", nullptr) < 0
        || udev_monitor_enable_receiving(m_monitor) < 0) {
        release();
        return false;
    }
    const int fd = udev_monitor_get_fd(m_monitor);
    if (fd < 0) {
        release();
        return false;
    }
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UdevDeviceChangeSource::onMonitorReadable);
    return true;
}

bool UdevDeviceChangeSource::isStarted() const
{
    return m_notifier != nullptr;
}

void UdevDeviceChangeSource::onMonitorReadable()
{
    // The monitor socket is non-blocking: drain everything that is queued.
    bool any = false;
    while (udev_device *device = udev_monitor_receive_device(m_monitor)) {
        any = true;
        udev_device_unref(device);
    }
    if (any)
        emit devicesChanged();
}

void UdevDeviceChangeSource::release()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    m_monitor = nullptr;
    if (m_udev)
        udev_unref(m_udev);
    m_udev = nullptr;
}

} // namespace Platform
