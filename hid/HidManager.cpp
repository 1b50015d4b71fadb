#include "HidManager.h"

#include "hid/HidManagerImpl.h"

HidManager::HidManager(QObject *parent, const HIDTypes::HidManagerConfig &config)
    : QObject(parent), m_impl(createImpl(config))
{
}

HidManager::~HidManager()
{
    // Deleted here rather than as a child: its workers' last signals must
    // still find this object whole.
    delete m_impl;
    m_impl = nullptr;
}

HidManagerImplInterface *HidManager::createImpl(const HIDTypes::HidManagerConfig &config)
{
    return new HidManagerImpl(this, config);
}

void HidManager::addTargetDevice(const HIDTypes::TargetDeviceFilter &filter)
{
    if (m_impl)
        m_impl->addTargetDevice(filter);
}

QList<HIDTypes::HidDeviceInfo> HidManager::enumerateDevices()
{
    return m_impl ? m_impl->enumerateDevices() : QList<HIDTypes::HidDeviceInfo>{};
}

HIDTypes::ConnectResult HidManager::connectDevice(const QString &deviceId)
{
    if (!m_impl)
        return {false, tr("管理器未就绪")};
    return m_impl->connectDevice(deviceId);
}

void HidManager::disconnectDevice(const QString &deviceId)
{
    if (m_impl)
        m_impl->disconnectDevice(deviceId);
}

void HidManager::disconnectAll()
{
    if (m_impl)
        m_impl->disconnectAll();
}

void HidManager::sendData(const QString &dataId, const QByteArray &data, bool prependReportId)
{
    if (m_impl)
        m_impl->sendData(dataId, data, prependReportId);
}

QString HidManager::currentDeviceId() const
{
    return m_impl ? m_impl->currentDeviceId() : QString();
}

bool HidManager::suspendForExclusiveOta()
{
    if (auto *impl = dynamic_cast<HidManagerImpl *>(m_impl))
        return impl->suspendHid();
    return true;
}

void HidManager::resumeAfterExclusiveOta()
{
    if (auto *impl = dynamic_cast<HidManagerImpl *>(m_impl))
        impl->resumeHid();
}
