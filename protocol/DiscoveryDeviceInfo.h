#pragma once

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>

namespace HeadsetProtocol {

enum class DiscoveryDeviceState : qint32 {
    Disconnected = 0,
    Connecting = 1,
    Connected = 2,
    Error = 3,
};

// The protocol layer's view of one HID device.
struct DiscoveryDeviceInfo
{
    QString deviceId; // the HID path; what IHidTransport::connectDevice takes
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString productName;
    QString serialNumber;
    qint32 interfaceNumber = -1;
    DiscoveryDeviceState state = DiscoveryDeviceState::Disconnected;
    QDateTime lastSeen;
};

} // namespace HeadsetProtocol

Q_DECLARE_METATYPE(HeadsetProtocol::DiscoveryDeviceInfo)
