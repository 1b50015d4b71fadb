#pragma once

#include "hid/HidManagerConfig.h"
#include "protocol/HidTypes.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class HidManagerImplInterface;

// The one object through which the program uses the HID stack. Forwards to
// its implementation, which owns the device manager (finds and opens devices)
// and the communication manager (moves bytes on its own thread). All calls and
// all signals are on the GUI thread.
class HidManager : public QObject
{
    Q_OBJECT
public:
    HidManager(QObject *parent, const HIDTypes::HidManagerConfig &config);
    ~HidManager() override;

    void addTargetDevice(const HIDTypes::TargetDeviceFilter &filter);
    QList<HIDTypes::HidDeviceInfo> enumerateDevices();
    HIDTypes::ConnectResult connectDevice(const QString &deviceId);
    void disconnectDevice(const QString &deviceId);
    void disconnectAll();
    void sendData(const QString &dataId, const QByteArray &data, bool prependReportId);
    QString currentDeviceId() const;

    // A firmware updater opens the devices itself: release hidapi and stop the
    // HID threads, and take everything back afterwards. Both are idempotent.
    // False when hidapi could not be released: nothing is suspended then.
    bool suspendForExclusiveOta();
    void resumeAfterExclusiveOta();

signals:
    void deviceListUpdated(const QList<HIDTypes::HidDeviceInfo> &devices);
    void dataReceived(const QString &deviceId, const QByteArray &data, qint64 readMs); // read time of the report
    void dataSent(const QString &dataId, bool success, int bytes);
    void commError(const QString &deviceId, const QString &error, bool isFatal);
    void deviceConnectionChanged(const QString &deviceId, bool connected);

private:
    HidManagerImplInterface *createImpl(const HIDTypes::HidManagerConfig &config);

    HidManagerImplInterface *m_impl = nullptr;
};
