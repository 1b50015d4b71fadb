#pragma once

#include "hid/HidDeviceHandle.h"
#include "hid/HidManagerConfig.h"
#include "hid/HidManagerImplInterface.h"

#include <QMutex>
#include <QObject>
#include <QString>

class HidCommunicateManagerInterface;
class HidDeviceManagerInterface;
class HidManager;

// Owns both workers, hands the opened handle from the device manager to the
// communication manager, and raises the facade's signals.
class HidManagerImpl : public QObject, public HidManagerImplInterface
{
    Q_OBJECT
public:
    HidManagerImpl(HidManager *facade, const HIDTypes::HidManagerConfig &config);
    ~HidManagerImpl() override;

    void addTargetDevice(const HIDTypes::TargetDeviceFilter &filter) override;
    QList<HIDTypes::HidDeviceInfo> enumerateDevices() override;
    HIDTypes::ConnectResult connectDevice(const QString &deviceId) override;
    void disconnectDevice(const QString &deviceId) override;
    void disconnectAll() override;
    void sendData(const QString &dataId, const QByteArray &data, bool prependReportId) override;
    QString currentDeviceId() const override;

    // False when hidapi could not be released; the stack then runs on as before.
    bool suspendHid();
    void resumeHid();

private slots:
    void onDeviceHandleChanged(const QString &deviceId, std::shared_ptr<hid_device> handle);
    void onCommunicateDeviceDisconnected(const QString &deviceId);

private:
    bool hasWorkers() const;

    HidManager *m_facade = nullptr;
    HidDeviceManagerInterface *m_deviceManager = nullptr;
    HidCommunicateManagerInterface *m_commManager = nullptr;
    QString m_currentDeviceId;
    bool m_hidSuspended = false;
    mutable QMutex m_mutex;
};
