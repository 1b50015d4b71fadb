#pragma once

#include "protocol/IHidTransport.h"

#include <QList>

namespace VirtualDevices {
class IReportResponder;
}

// Keeps every sendData call and, when given a responder, hands the bytes on
// to it as the HID layer would.
class RecordingTransport : public HeadsetProtocol::IHidTransport
{
    Q_OBJECT
public:
    struct Write
    {
        QString dataId;
        QByteArray data;
        bool prependReportId = false;
    };

    explicit RecordingTransport(QString deviceId = {}, VirtualDevices::IReportResponder *device = nullptr,
                                QObject *parent = nullptr);

    HIDTypes::ConnectResult connectDevice(const QString &deviceId) override;
    void disconnectDevice(const QString &deviceId) override;
    void disconnectAll() override;
    void sendData(const QString &dataId, const QByteArray &data, bool prependReportId) override;
    QString currentDeviceId() const override;

    QList<Write> writes;

private:
    QString m_deviceId;
    VirtualDevices::IReportResponder *m_device = nullptr;
};
