#pragma once

#include "protocol/HidTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The operations the facade forwards. Not a QObject.
class HidManagerImplInterface
{
public:
    virtual ~HidManagerImplInterface() = default;

    virtual void addTargetDevice(const HIDTypes::TargetDeviceFilter &filter) = 0;
    virtual QList<HIDTypes::HidDeviceInfo> enumerateDevices() = 0;
    virtual HIDTypes::ConnectResult connectDevice(const QString &deviceId) = 0;
    virtual void disconnectDevice(const QString &deviceId) = 0;
    virtual void disconnectAll() = 0;
    virtual void sendData(const QString &dataId, const QByteArray &data, bool prependReportId) = 0;
    virtual QString currentDeviceId() const = 0;
};
