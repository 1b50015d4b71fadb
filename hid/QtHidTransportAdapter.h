#pragma once

#include "protocol/IHidTransport.h"

class HidManager;

namespace HeadsetProtocol {

// The protocol layer's transport over the HID manager: forwards calls and
// re-emits the manager's signals, nothing more.
class QtHidTransportAdapter : public IHidTransport
{
    Q_OBJECT
public:
    explicit QtHidTransportAdapter(HidManager *manager, QObject *parent = nullptr);

    HIDTypes::ConnectResult connectDevice(const QString &deviceId) override;
    void disconnectDevice(const QString &deviceId) override;
    void disconnectAll() override;
    void sendData(const QString &dataId, const QByteArray &data, bool prependReportId) override;
    QString currentDeviceId() const override;

private:
    HidManager *m_manager = nullptr; // not owned; may be null
};

} // namespace HeadsetProtocol
