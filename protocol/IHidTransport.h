#pragma once

#include "protocol/HidTypes.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace HeadsetProtocol {

// Connects a device and carries bytes; the device service and the Qor EQ
// encoder see the HID stack only through this.
class IHidTransport : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~IHidTransport() override = default;

    virtual HIDTypes::ConnectResult connectDevice(const QString &deviceId) = 0;
    virtual void disconnectDevice(const QString &deviceId) = 0;
    virtual void disconnectAll() = 0;
    virtual void sendData(const QString &dataId, const QByteArray &data, bool prependReportId) = 0;
    virtual QString currentDeviceId() const = 0;

signals:
    // `readMs`: when the report came off the device, on the protocol handler's clock.
    void dataReceived(const QString &deviceId, const QByteArray &data, qint64 readMs);
    void dataSent(const QString &dataId, bool success, int bytes);
    void commError(const QString &deviceId, const QString &error, bool isFatal);
    void deviceConnectionChanged(const QString &deviceId, bool connected);
};

} // namespace HeadsetProtocol
