#pragma once

#include "hid/HidDeviceHandle.h"

#include <QByteArray>
#include <QString>

class QObject;

// What the facade's implementation needs of the part that carries the bytes.
// Not a QObject: the object behind it is reached with asQObject.
class HidCommunicateManagerInterface
{
public:
    virtual ~HidCommunicateManagerInterface() = default;

    virtual void setCurrentDeviceId(const QString &deviceId) = 0;
    virtual void sendData(const QString &dataId, const QByteArray &data, bool prependReportId) = 0;
    virtual void setDeviceHandle(const QString &deviceId, std::shared_ptr<hid_device> handle) = 0;
    virtual QObject *asQObject() = 0;
};
