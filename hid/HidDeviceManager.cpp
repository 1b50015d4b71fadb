#include "HidDeviceManager.h"

#include "hid/HidDeviceScanner.h"
#include "hid/HidHotplugWorker.h"
#include "hid/HidThreadStopper.h"
#include "hid/WinHidHotplugNotifier.h"
#include "platform/hidapicompat/HidApiCompat.h"
#include "platform/hidapicompat/HidPathTokens.h"

#include <QDateTime>
#include <QDebug>

#include <hidapi/hidapi.h>

namespace {

void warn(const QString &line)
{
    qWarning().noquote() << line;
}

QString describeFilter(const HIDTypes::TargetDeviceFilter &f)
{
    const QString any = QStringLiteral("任意");
    const auto hex = [](quint16 v) { return QStringLiteral("0x%1").arg(v, 4, 16, QLatin1Char('0')); };
    return QStringLiteral("VID=%1 PID=%2 接口=%3")
        .arg(f.hasVendorId ? hex(f.vendorId) : any, f.hasProductId ? hex(f.productId) : any,
             f.hasInterfaceNumber ? QString::number(f.interfaceNumber) : any);
}

} // namespace

HidDeviceManager::HidDeviceManager(QObject *parent, const HIDTypes::HidManagerConfig &config)
    : QObject(parent), m_config(config)
{
    HIDTypes::registerHidMetaTypes();
    if (!initializeHidApi(m_config.initRetryCount)) {
        qCritical().noquote()
            << QStringLiteral("[HidDeviceManager] HID系统初始化失败（重试%1次）").arg(m_config.initRetryCount);
        return;
    }

    connect(m_thread.get(), &QThread::finished, this, &HidDeviceManager::onWorkerThreadFinished,
            Qt::QueuedConnection);
    m_notifier = new WinHidHotplugNotifier(this, m_config.hotplugDebounceMs);
    m_worker = new HidHotplugWorker(m_config);
    // Moved before the thread runs, so the worker never changes hands under it.
    m_worker->moveToThread(m_thread.get());
    connect(m_notifier, &WinHidHotplugNotifier::hotplugEvent, m_worker, &HidHotplugWorker::requestScan,
            Qt::QueuedConnection);
    connect(m_worker, &HidHotplugWorker::scanCompleted, this, &HidDeviceManager::onWorkerScanCompleted);
    startWorkerThread();
    m_notifier->tryRegister();
}

HidDeviceManager::~HidDeviceManager()
{
    disconnectAll();
    const bool stopped = stopWorkerThread();
    if (m_worker) {
        if (stopped)
            delete m_worker;
        else
            m_worker->deleteLater(); // deleted on its thread once that thread ends
        m_worker = nullptr;
    }
    if (!stopped) {
        // Destroying a running thread aborts the program.
        HidThreadStopper::park(m_thread.release(),
                               QStringLiteral("[HidDeviceManager] 热插拔监测线程未能停止，保留其线程对象直至进程结束"));
    }
    m_notifier = nullptr; // a child: goes with this object
    if (m_initialized && !m_keepHidApiAtExit) {
        Platform::HidApiCompat::exit();
        m_initialized = false;
    }
}

void HidDeviceManager::keepHidApiAtExit()
{
    m_keepHidApiAtExit = true;
}

bool HidDeviceManager::initializeHidApi(int attempts)
{
    for (int i = 0; i < attempts; ++i) {
        if (Platform::HidApiCompat::init() == 0) {
            m_initialized = true;
            return true;
        }
        warn(QStringLiteral("[HidDeviceManager] HID系统初始化失败"));
        QThread::msleep(static_cast<unsigned long>(qMax(0, m_config.initRetryDelayMs)));
    }
    m_initialized = false;
    return false;
}

void HidDeviceManager::startWorkerThread()
{
    if (m_threadStarted.exchange(true))
        return;
    if (m_thread->isRunning()) {
        // The old thread is still inside a scan; starting now would do nothing
        // and leave no thread once it ends. Its requests wait in its queue.
        m_restartWhenFinished = true;
        return;
    }
    m_thread->start(QThread::InheritPriority);
}

void HidDeviceManager::onWorkerThreadFinished()
{
    // The end of an earlier run may arrive late; the current run's follows.
    if (!m_restartWhenFinished || !m_threadStarted.load() || m_thread->isRunning())
        return;
    m_restartWhenFinished = false;
    m_thread->start(QThread::InheritPriority);
}

bool HidDeviceManager::stopWorkerThread()
{
    m_threadStarted.exchange(false);
    m_restartWhenFinished = false;
    if (!m_thread->isRunning())
        return true;
    return HidThreadStopper::stop(
        *m_thread, m_config.scanThreadStopWaitMs, m_config.threadStopAttempts,
        HidThreadStopper::doubledExtraWaitMs(m_config.scanThreadStopWaitMs),
        {QStringLiteral("[HidDeviceManager] 热插拔监测线程第 %1 次等待超时，继续等待…"),
         QStringLiteral("[HidDeviceManager] 热插拔监测线程在 %1 轮等待后仍未退出（未使用 terminate）。"
                        "将执行一次额外阻塞等待，避免析构时线程仍在运行。"),
         QStringLiteral("[HidDeviceManager] 额外等待 %1ms 后热插拔线程仍未退出，可能导致程序异常结束。")});
}

QList<HIDTypes::TargetDeviceFilter> HidDeviceManager::filters() const
{
    QMutexLocker lock(&m_filterMutex);
    return m_filters;
}

void HidDeviceManager::addTargetDevice(const HIDTypes::TargetDeviceFilter &filter)
{
    {
        QMutexLocker lock(&m_filterMutex);
        m_filters.append(filter);
    }
#ifndef NDEBUG
    qDebug().noquote() << QStringLiteral("[HidDeviceManager] 添加目标设备：") + describeFilter(filter);
#else
    Q_UNUSED(describeFilter);
#endif
    if (m_worker) {
        HidHotplugWorker *worker = m_worker;
        // Context is the worker: if it is gone before the call runs, nothing runs.
        QMetaObject::invokeMethod(
            worker,
            [worker, filter] {
                worker->addTargetDevice(filter);
                worker->requestScan();
            },
            Qt::QueuedConnection);
    }
}

void HidDeviceManager::onHotplugDetected()
{
    if (m_worker && m_threadStarted.load() && m_initialized)
        QMetaObject::invokeMethod(m_worker, &HidHotplugWorker::requestScan, Qt::QueuedConnection);
}

QList<HIDTypes::HidDeviceInfo> HidDeviceManager::mergeScan(const QList<HIDTypes::HidDeviceInfo> &scanned,
                                                           QStringList &lostConnected, QSet<QString> &scannedPaths,
                                                           bool *removedAny)
{
    QMutexLocker lock(&m_cacheMutex);
    scannedPaths.clear();
    for (const HIDTypes::HidDeviceInfo &d : scanned)
        scannedPaths.insert(d.path);
    for (HIDTypes::HidDeviceInfo d : scanned) {
        const auto known = m_cache.constFind(d.path);
        if (known != m_cache.constEnd()) {
            d.state = known->state;
            d.lastSeen = known->lastSeen;
        }
        m_cache.insert(d.path, d);
    }
    for (auto it = m_cache.begin(); it != m_cache.end();) {
        if (scannedPaths.contains(it.key())) {
            ++it;
            continue;
        }
        if (it->state == HIDTypes::Connected)
            lostConnected.append(it.key());
        if (removedAny)
            *removedAny = true;
        it = m_cache.erase(it);
    }
    return m_cache.values();
}

void HidDeviceManager::onWorkerScanCompleted(const QList<HIDTypes::HidDeviceInfo> &devices, int filterCount)
{
    // Taken before the worker had every filter: devices that only a later
    // filter matches are missing from it, and merging it would drop them (a
    // connected one included). The scan queued with the last filter follows.
    if (filterCount < filters().size())
        return;
    QStringList lostConnected;
    QSet<QString> scannedPaths;
    bool removedAny = false;
    const QList<HIDTypes::HidDeviceInfo> all = mergeScan(devices, lostConnected, scannedPaths, &removedAny);

#ifndef NDEBUG
    if (qEnvironmentVariableIsSet("VELKORA_HID_ENUM_DEBUG")) {
        QStringList paths(scannedPaths.cbegin(), scannedPaths.cend());
        paths.sort();
        qDebug().noquote() << QStringLiteral("[HidDeviceManager] 扫描完成 t=%1 paths=[%2]")
                                  .arg(QDateTime::currentMSecsSinceEpoch())
                                  .arg(paths.join(QStringLiteral(", ")));
    }
#endif

    for (const QString &path : lostConnected)
        emit deviceHandleChanged(path, nullptr);
    // A path that only a synchronous enumeration had put in the cache is not in
    // the last reported set; its removal still changes what listeners know.
    if (scannedPaths != m_lastReportedPaths || removedAny) {
        m_lastReportedPaths = scannedPaths;
        emit deviceListUpdated(all);
    }
}

QList<HIDTypes::HidDeviceInfo> HidDeviceManager::enumerateDevices()
{
    if (!m_initialized) {
        warn(QStringLiteral("[HidDeviceManager] HID未初始化，无法枚举设备"));
        return {};
    }
    const QList<HIDTypes::TargetDeviceFilter> currentFilters = filters();
    if (currentFilters.isEmpty())
        return {};
    const QList<HIDTypes::HidDeviceInfo> scanned = HidDeviceScanner::scan(currentFilters);
    QStringList lostConnected;
    QSet<QString> scannedPaths;
    const QList<HIDTypes::HidDeviceInfo> all = mergeScan(scanned, lostConnected, scannedPaths);
    for (const QString &path : lostConnected)
        emit deviceHandleChanged(path, nullptr);
    return all;
}

void HidDeviceManager::setStateIfPresent(const QString &deviceId, HIDTypes::DeviceConnectionState state)
{
    QMutexLocker lock(&m_cacheMutex);
    auto it = m_cache.find(deviceId);
    if (it != m_cache.end())
        it->state = state;
}

HIDTypes::ConnectResult HidDeviceManager::connectDevice(const QString &deviceId)
{
    if (!m_initialized) {
        const QString message = tr("HID未初始化，无法连接设备");
        warn(QStringLiteral("[HidDeviceManager] ") + message);
        return {false, message};
    }
    {
        QMutexLocker lock(&m_cacheMutex);
        auto it = m_cache.find(deviceId);
        if (it == m_cache.end()) {
            const QString message = tr("设备不存在：%1").arg(deviceId);
            lock.unlock();
            warn(QStringLiteral("[HidDeviceManager] 连接失败：") + message);
            return {false, message};
        }
        if (it->state == HIDTypes::Connecting || it->state == HIDTypes::Connected) {
            const QString message = tr("设备已处于连接中或已连接状态");
            lock.unlock();
            warn(QStringLiteral("[HidDeviceManager] 设备 %1 %2").arg(deviceId, message));
            return {false, message};
        }
        it->state = HIDTypes::Connecting;
    }

    const std::string openPath = Platform::HidPathTokens::openPath(deviceId.toUtf8().toStdString());
    std::wstring openError;
    hid_device *raw = Platform::HidApiCompat::openPath(openPath.c_str(), openError);
    if (!raw) {
        QString error = QString::fromStdWString(openError);
        if (error.isEmpty())
            error = tr("打开设备路径失败");
        warn(QStringLiteral("[HidDeviceManager] 设备 %1 连接失败：%2").arg(deviceId, error));
        setStateIfPresent(deviceId, HIDTypes::Error);
        return {false, error};
    }
    if (hid_set_nonblocking(raw, 1) != 0) {
        warn(QStringLiteral("[HidDeviceManager] 设备 %1 设置非阻塞模式失败").arg(deviceId));
        hid_close(raw);
        setStateIfPresent(deviceId, HIDTypes::Error);
        return {false, tr("设置非阻塞模式失败")};
    }

    HidDeviceHandle handle = HIDTypes::wrapHidDevice(raw);
    bool stillListed = false;
    {
        QMutexLocker lock(&m_cacheMutex);
        auto it = m_cache.find(deviceId);
        if (it != m_cache.end()) {
            it->state = HIDTypes::Connected;
            it->lastSeen = QDateTime::currentDateTime();
            stillListed = true;
        }
    }
    if (!stillListed) {
        handle.reset(); // closes the device
        warn(QStringLiteral("[HidDeviceManager] 连接失败：枚举期间设备 %1 已从缓存移除").arg(deviceId));
        return {false, tr("设备已从列表移除，请重新枚举后再连接")};
    }
    emit deviceHandleChanged(deviceId, handle);
    return {true, QString()};
}

void HidDeviceManager::disconnectDevice(const QString &deviceId)
{
    bool wasConnected = false;
    {
        QMutexLocker lock(&m_cacheMutex);
        auto it = m_cache.find(deviceId);
        if (it == m_cache.end()) {
            lock.unlock();
            warn(QStringLiteral("[HidDeviceManager] 断开失败：设备 %1 不存在").arg(deviceId));
            return;
        }
        if (it->state == HIDTypes::Connected) {
            it->state = HIDTypes::Disconnected;
            wasConnected = true;
        }
    }
    if (wasConnected)
        emit deviceHandleChanged(deviceId, nullptr);
}

void HidDeviceManager::disconnectAll()
{
    QStringList disconnected;
    {
        QMutexLocker lock(&m_cacheMutex);
        for (auto it = m_cache.begin(); it != m_cache.end(); ++it) {
            if (it->state == HIDTypes::Connected) {
                it->state = HIDTypes::Disconnected;
                disconnected.append(it.key());
            }
        }
    }
    for (const QString &path : disconnected)
        emit deviceHandleChanged(path, nullptr);
}

bool HidDeviceManager::isInitialized() const
{
    return m_initialized;
}

QObject *HidDeviceManager::asQObject()
{
    return this;
}

void HidDeviceManager::suspendWorkerThread()
{
    // A thread left stopped by a failed re-initialisation counts as suspended
    // too, so that the resume that brings hidapi back also brings back the scans.
    if (m_threadSuspended || !m_worker)
        return;
    stopWorkerThread();
    m_threadSuspended = true;
}

bool HidDeviceManager::releaseHidApi()
{
    if (m_hidApiReleased)
        return true;
    if (m_initialized) {
        if (Platform::HidApiCompat::exit() != 0) {
            warn(QStringLiteral("[HidDeviceManager] hidapi 释放失败：扫描仍占用 hidapi，保持初始化状态"));
            return false;
        }
        m_initialized = false;
    }
    m_hidApiReleased = true;
    return true;
}

void HidDeviceManager::reinitializeHidApi()
{
    if (!m_hidApiReleased)
        return;
    m_hidApiReleased = false;
    if (Platform::HidApiCompat::init() == 0) {
        m_initialized = true;
        return;
    }
    m_initialized = false;
    warn(QStringLiteral("[HidDeviceManager] HID系统初始化失败"));
    warn(QStringLiteral("[HidDeviceManager] hidapi 恢复失败（OTA 独占结束后）"));
}

void HidDeviceManager::restartWorkerThread()
{
    if (!m_threadSuspended)
        return;
    m_threadSuspended = false;
    if (!m_threadStarted.load() && m_initialized)
        startWorkerThread();
    onHotplugDetected();
}
