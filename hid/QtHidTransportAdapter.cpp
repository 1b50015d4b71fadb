#include "QtHidTransportAdapter.h"

#include "hid/HidManager.h"

namespace HeadsetProtocol {

QtHidTransportAdapter::QtHidTransportAdapter(HidManager *manager, QObject *parent)
    : IHidTransport(parent), m_manager(manager)
{
    if (!m_manager)
        return;
    connect(m_manager, &HidManager::dataReceived, this, &IHidTransport::dataReceived);
    connect(m_manager, &HidManager::dataSent, this, &IHidTransport::dataSent);
    connect(m_manager, &HidManager::commError, this, &IHidTransport::commError);
    connect(m_manager, &HidManager::deviceConnectionChanged, this, &IHidTransport::deviceConnectionChanged);
}

HIDTypes::ConnectResult QtHidTransportAdapter::connectDevice(const QString &deviceId)
{
    if (!m_manager)
        return {false, QStringLiteral("HidManager is null")};
    const HIDTypes::ConnectResult result = m_manager->connectDevice(deviceId);
    if (result.success)
        return {true, QString()};
    return {false, result.message};
}

void QtHidTransportAdapter::disconnectDevice(const QString &deviceId)
{
    if (m_manager)
        m_manager->disconnectDevice(deviceId);
}

void QtHidTransportAdapter::disconnectAll()
{
    if (m_manager)
        m_manager->disconnectAll();
}

void QtHidTransportAdapter::sendData(const QString &dataId, const QByteArray &data, bool prependReportId)
{
    if (m_manager)
        m_manager->sendData(dataId, data, prependReportId);
}

QString QtHidTransportAdapter::currentDeviceId() const
{
    return m_manager ? m_manager->currentDeviceId() : QString();
}

} // namespace HeadsetProtocol
