#include "tests/protocol/qasp/RecordingTransport.h"

#include "tests/support/virtualdevice/IReportResponder.h"

RecordingTransport::RecordingTransport(QString deviceId, VirtualDevices::IReportResponder *device, QObject *parent)
    : HeadsetProtocol::IHidTransport(parent)
    , m_deviceId(std::move(deviceId))
    , m_device(device)
{
}

HIDTypes::ConnectResult RecordingTransport::connectDevice(const QString &deviceId)
{
    m_deviceId = deviceId;
    return {true, {}};
}

void RecordingTransport::disconnectDevice(const QString &deviceId)
{
    if (deviceId == m_deviceId)
        m_deviceId.clear();
}

void RecordingTransport::disconnectAll()
{
    m_deviceId.clear();
}

void RecordingTransport::sendData(const QString &dataId, const QByteArray &data, bool prependReportId)
{
    writes.append({dataId, data, prependReportId});
    if (m_device == nullptr)
        return;
    VirtualDevices::Report report;
    if (prependReportId)
        report.push_back(0x00);
    report.insert(report.end(), data.cbegin(), data.cend());
    m_device->onHostReport(report, VirtualDevices::Clock::now());
}

QString RecordingTransport::currentDeviceId() const
{
    return m_deviceId;
}
