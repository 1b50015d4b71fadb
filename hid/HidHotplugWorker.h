#pragma once

#include "hid/HidManagerConfig.h"
#include "protocol/HidTypes.h"

#include <QList>
#include <QMutex>
#include <QObject>

// Runs enumerations on the HID enumeration thread, so a slow bus never stalls
// the GUI. Keeps its own copy of the filters.
class HidHotplugWorker : public QObject
{
    Q_OBJECT
public:
    explicit HidHotplugWorker(const HIDTypes::HidManagerConfig &config, QObject *parent = nullptr);

public slots:
    void addTargetDevice(const HIDTypes::TargetDeviceFilter &filter);
    void requestScan();

signals:
    // `filterCount`: how many filters the scan matched against. The manager
    // adds filters one at a time, so a scan may run before the last one arrived.
    void scanCompleted(const QList<HIDTypes::HidDeviceInfo> &devices, int filterCount);

private:
    HIDTypes::HidManagerConfig m_config;
    QList<HIDTypes::TargetDeviceFilter> m_filters;
    QMutex m_filterMutex;
};
