#pragma once

#include "protocol/HidTypes.h"
#include "protocol/DiscoveryDeviceInfo.h"

#include <QList>
#include <QObject>

namespace HeadsetProtocol {

// Lists devices and takes target filters.
class IDeviceDiscovery : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~IDeviceDiscovery() override = default;

    virtual void addTargetDevice(const HIDTypes::TargetDeviceFilter &filter) = 0;
    virtual QList<DiscoveryDeviceInfo> enumerateDevices() = 0;

signals:
    void deviceListUpdated(const QList<HeadsetProtocol::DiscoveryDeviceInfo> &devices);
};

} // namespace HeadsetProtocol
