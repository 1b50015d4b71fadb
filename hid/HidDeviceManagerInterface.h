#pragma once

#include "protocol/HidTypes.h"

#include <QList>
#include <QString>

class QObject;

// What the facade's implementation needs of the part that finds and opens
// devices. Not a QObject: the object behind it is reached with asQObject.
class HidDeviceManagerInterface
{
public:
    virtual ~HidDeviceManagerInterface() = default;

    virtual void addTargetDevice(const HIDTypes::TargetDeviceFilter &filter) = 0;
    virtual QList<HIDTypes::HidDeviceInfo> enumerateDevices() = 0;
    virtual HIDTypes::ConnectResult connectDevice(const QString &deviceId) = 0;
    virtual void disconnectDevice(const QString &deviceId) = 0;
    virtual void disconnectAll() = 0;
    virtual bool isInitialized() const = 0;
    virtual QObject *asQObject() = 0;
};
