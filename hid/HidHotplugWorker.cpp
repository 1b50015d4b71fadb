#include "HidHotplugWorker.h"

#include "hid/HidDeviceScanner.h"

HidHotplugWorker::HidHotplugWorker(const HIDTypes::HidManagerConfig &config, QObject *parent)
    : QObject(parent), m_config(config)
{
}

void HidHotplugWorker::addTargetDevice(const HIDTypes::TargetDeviceFilter &filter)
{
    QMutexLocker lock(&m_filterMutex);
    m_filters.append(filter);
}

void HidHotplugWorker::requestScan()
{
    QList<HIDTypes::TargetDeviceFilter> filters;
    {
        QMutexLocker lock(&m_filterMutex);
        filters = m_filters;
    }
    emit scanCompleted(HidDeviceScanner::scan(filters), static_cast<int>(filters.size()));
}
