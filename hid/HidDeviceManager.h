#pragma once

#include "hid/HidDeviceHandle.h"
#include "hid/HidDeviceManagerInterface.h"
#include "hid/HidManagerConfig.h"
#include "protocol/HidTypes.h"

#include <QList>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QThread>

#include <atomic>
#include <memory>

class HidHotplugWorker;
class WinHidHotplugNotifier;

// Knows which HID devices exist. Owns hidapi's life (hid_init when built,
// hid_exit when gone or while a firmware update holds the devices), keeps the
// target filters and a cache of matching devices with their connection state,
// opens devices and announces the opened handle, or its loss, by signal.
// Lives on the GUI thread; enumeration on hot-plug runs on a thread of its own.
class HidDeviceManager : public QObject, public HidDeviceManagerInterface
{
    Q_OBJECT
public:
    HidDeviceManager(QObject *parent, const HIDTypes::HidManagerConfig &config);
    ~HidDeviceManager() override;

    void addTargetDevice(const HIDTypes::TargetDeviceFilter &filter) override;
    QList<HIDTypes::HidDeviceInfo> enumerateDevices() override;
    HIDTypes::ConnectResult connectDevice(const QString &deviceId) override;
    void disconnectDevice(const QString &deviceId) override;
    void disconnectAll() override;
    bool isInitialized() const override;
    QObject *asQObject() override;

    // The exclusive firmware-update phase, in this order around the update:
    // suspendWorkerThread, releaseHidApi ... reinitializeHidApi, restartWorkerThread.
    void suspendWorkerThread();
    // False when hidapi could not be shut down (a scan still held it): it then
    // stays initialised and a later call tries again.
    bool releaseHidApi();
    void reinitializeHidApi();
    void restartWorkerThread();

    // Another thread still uses hidapi and cannot be stopped: destruction
    // then leaves the library up instead of calling hid_exit under it.
    void keepHidApiAtExit();

signals:
    void deviceListUpdated(const QList<HIDTypes::HidDeviceInfo> &devices);
    // An empty handle: the device is gone or disconnected; holders drop theirs.
    void deviceHandleChanged(const QString &deviceId, std::shared_ptr<hid_device> handle);

private slots:
    void onHotplugDetected();
    void onWorkerScanCompleted(const QList<HIDTypes::HidDeviceInfo> &devices, int filterCount);
    void onWorkerThreadFinished();

private:
    bool initializeHidApi(int attempts);
    void startWorkerThread();
    bool stopWorkerThread(); // whether the thread has ended
    // Merges a scan into the cache; returns every cached record in path order
    // and fills `lostConnected` with removed paths that were Connected;
    // `removedAny` (optional) says whether any cached path went away.
    QList<HIDTypes::HidDeviceInfo> mergeScan(const QList<HIDTypes::HidDeviceInfo> &scanned,
                                             QStringList &lostConnected, QSet<QString> &scannedPaths,
                                             bool *removedAny = nullptr);
    void setStateIfPresent(const QString &deviceId, HIDTypes::DeviceConnectionState state);
    QList<HIDTypes::TargetDeviceFilter> filters() const;

    HIDTypes::HidManagerConfig m_config;
    bool m_initialized = false;
    QMap<QString, HIDTypes::HidDeviceInfo> m_cache;
    mutable QMutex m_cacheMutex;
    QList<HIDTypes::TargetDeviceFilter> m_filters;
    mutable QMutex m_filterMutex;
    // On the heap: a thread that would not stop is parked rather than destroyed.
    std::unique_ptr<QThread> m_thread = std::make_unique<QThread>();
    std::atomic<bool> m_threadStarted{false};
    bool m_threadSuspended = false;
    bool m_restartWhenFinished = false; // GUI thread only
    bool m_hidApiReleased = false;
    bool m_keepHidApiAtExit = false;
    QSet<QString> m_lastReportedPaths;
    WinHidHotplugNotifier *m_notifier = nullptr;
    HidHotplugWorker *m_worker = nullptr;
};
