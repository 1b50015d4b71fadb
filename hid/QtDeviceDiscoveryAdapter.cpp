#include "QtDeviceDiscoveryAdapter.h"

#include "hid/HidManager.h"

namespace HeadsetProtocol {

namespace {

DiscoveryDeviceState toDiscoveryState(HIDTypes::DeviceConnectionState state)
{
    switch (static_cast<qint32>(state)) {
    case HIDTypes::Connecting:
        return DiscoveryDeviceState::Connecting;
    case HIDTypes::Connected:
        return DiscoveryDeviceState::Connected;
    case HIDTypes::Error:
        return DiscoveryDeviceState::Error;
    default:
        return DiscoveryDeviceState::Disconnected;
    }
}

} // namespace

QtDeviceDiscoveryAdapter::QtDeviceDiscoveryAdapter(HidManager *manager, QObject *parent)
    : IDeviceDiscovery(parent), m_manager(manager)
{
    if (!m_manager)
        return;
    connect(m_manager, &HidManager::deviceListUpdated, this,
            [this](const QList<HIDTypes::HidDeviceInfo> &devices) {
                emit deviceListUpdated(toDiscoveryDeviceInfoList(devices));
            });
}

void QtDeviceDiscoveryAdapter::addTargetDevice(const HIDTypes::TargetDeviceFilter &filter)
{
    if (m_manager)
        m_manager->addTargetDevice(filter);
}

QList<DiscoveryDeviceInfo> QtDeviceDiscoveryAdapter::enumerateDevices()
{
    return m_manager ? toDiscoveryDeviceInfoList(m_manager->enumerateDevices()) : QList<DiscoveryDeviceInfo>{};
}

QList<DiscoveryDeviceInfo> QtDeviceDiscoveryAdapter::toDiscoveryDeviceInfoList(
    const QList<HIDTypes::HidDeviceInfo> &devices)
{
    QList<DiscoveryDeviceInfo> result;
    result.reserve(devices.size());
    for (const HIDTypes::HidDeviceInfo &d : devices) {
        DiscoveryDeviceInfo info;
        info.deviceId = d.path;
        info.vendorId = d.vendorId;
        info.productId = d.productId;
        info.productName = d.productName;
        info.serialNumber = d.serialNumber;
        info.interfaceNumber = d.interfaceNumber;
        info.state = toDiscoveryState(d.state);
        info.lastSeen = d.lastSeen;
        result.append(info);
    }
    return result;
}

} // namespace HeadsetProtocol
