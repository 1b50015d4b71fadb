#pragma once

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>

// Value records shared by the HID stack and the protocol layer's interfaces.
// They live with the protocol layer, below the HID stack, so both can name them.
namespace HIDTypes {

enum DeviceConnectionState : qint32 {
    Disconnected = 0,
    Connecting = 1,
    Connected = 2,
    Error = 3, // opening or setting up the device failed
};

struct HidDeviceInfo
{
    QString path; // key of the cache and the device id everywhere above the HID stack
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString productName;
    QString serialNumber;
    qint32 interfaceNumber = -1;
    DeviceConnectionState state = Disconnected;
    QDateTime lastSeen; // last successful connection; invalid until then
};

// A field takes part in matching only when its flag is set.
struct TargetDeviceFilter
{
    quint16 vendorId = 0;
    quint16 productId = 0;
    qint32 interfaceNumber = -1;
    bool hasVendorId = false;
    bool hasProductId = false;
    bool hasInterfaceNumber = false;
};

struct ConnectResult
{
    bool success = false;
    QString message; // empty on success, else the reason, worded for the user
};

} // namespace HIDTypes

Q_DECLARE_METATYPE(HIDTypes::HidDeviceInfo)
Q_DECLARE_METATYPE(HIDTypes::TargetDeviceFilter)
Q_DECLARE_METATYPE(HIDTypes::ConnectResult)
