#pragma once

#include "protocol/IDeviceDiscovery.h"

class HidManager;

namespace HeadsetProtocol {

// The protocol layer's device discovery over the HID manager: forwards calls
// and converts the HID stack's records into discovery records.
class QtDeviceDiscoveryAdapter : public IDeviceDiscovery
{
    Q_OBJECT
public:
    explicit QtDeviceDiscoveryAdapter(HidManager *manager, QObject *parent = nullptr);

    void addTargetDevice(const HIDTypes::TargetDeviceFilter &filter) override;
    QList<DiscoveryDeviceInfo> enumerateDevices() override;

    // Field by field, in order; a state outside the known values becomes Disconnected.
    static QList<DiscoveryDeviceInfo> toDiscoveryDeviceInfoList(const QList<HIDTypes::HidDeviceInfo> &devices);

private:
    HidManager *m_manager = nullptr; // not owned; may be null
};

} // namespace HeadsetProtocol
