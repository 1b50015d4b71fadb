#include "HidCommunicateManager.h"

#include "hid/HidThreadStopper.h"

#include <QDebug>

HidCommunicateManager::HidCommunicateManager(QObject *parent, const HIDTypes::HidManagerConfig &config)
    : QObject(parent), m_config(config), m_queueLimit(config.maxQueueSize)
{
    HIDTypes::registerHidMetaTypes();
    m_readBuffer.resize(readLength());
    m_truncationTimer.start();

    // Both run on the communication thread itself. A handle handed in after
    // the stop was asked for belongs to the next run and stays usable.
    connect(
        &m_thread, &QThread::finished, this,
        [this] {
            QMutexLocker lock(&m_handleMutex);
            if (m_handleGeneration == m_handleGenerationAtStop)
                m_handleUsable = false;
        },
        Qt::DirectConnection);
    connect(&m_thread, &QThread::started, this, &HidCommunicateManager::processCommunication,
            Qt::DirectConnection);
    connect(&m_thread, &QThread::finished, &m_ownerContext, [this] { onThreadFinished(); }, Qt::QueuedConnection);

    moveToThread(&m_thread);
    m_thread.start(QThread::InheritPriority);
}

HidCommunicateManager::~HidCommunicateManager()
{
    stopAndWait();
    QMutexLocker lock(&m_handleMutex);
    m_handle.reset();
}

QObject *HidCommunicateManager::asQObject()
{
    return this;
}

void HidCommunicateManager::resetCounters()
{
    m_readFailureCount.store(0);
    m_writeFailureCount.store(0);
    m_zeroWriteCount.store(0);
}

void HidCommunicateManager::dropQueue()
{
    QMutexLocker lock(&m_queueMutex);
    m_queue.clear();
}

void HidCommunicateManager::setCurrentDeviceId(const QString &deviceId)
{
    QMutexLocker handleLock(&m_handleMutex);
    if (deviceId == m_currentDeviceId)
        return;
    m_currentDeviceId = deviceId;
    {
        // Packets queued for the previous device must not reach this one.
        QMutexLocker queueLock(&m_queueMutex);
        m_queue.clear();
    }
    m_sendBlocked = false;
    resetCounters();
    m_truncationNoticePending.store(true);
}

void HidCommunicateManager::setDeviceHandle(const QString &deviceId, std::shared_ptr<hid_device> handle)
{
    const bool connected = handle != nullptr;
    QString message;
    HidDeviceHandle previous;
    {
        QMutexLocker lock(&m_handleMutex);
        if (deviceId != m_currentDeviceId)
            return;
        previous = std::move(m_handle); // closed after the lock is released
        m_handle = std::move(handle);
        ++m_handleGeneration;
        m_handleUsable = connected;
        m_sendBlocked = false;
        resetCounters();
        if (connected) {
            m_truncationNoticePending.store(true);
            message = tr("设备已连接，通讯恢复");
        } else {
            message = tr("设备已断开连接");
        }
    }
    previous.reset();
    if (!connected) {
        qWarning().noquote() << QStringLiteral("[HidCommunicateManager] 设备 %1 句柄已失效").arg(deviceId);
        dropQueue();
    }
    emit commError(deviceId, message, false);
}

void HidCommunicateManager::sendData(const QString &dataId, const QByteArray &data, bool prependReportId)
{
    if (data.isEmpty()) {
        qWarning().noquote() << QStringLiteral("[HidCommunicateManager] 发送失败：数据为空（ID：%1)").arg(dataId);
        emit dataSent(dataId, false, 0);
        return;
    }
    QByteArray packet;
    if (prependReportId) {
        packet.reserve(data.size() + 1);
        packet.append('\0');
    }
    packet.append(data);

    enum class Outcome { Queued, DroppedOldest, Refused } outcome = Outcome::Queued;
    QString deviceId;
    QString droppedId;
    qsizetype entries = 0;
    {
        QMutexLocker handleLock(&m_handleMutex);
        QMutexLocker queueLock(&m_queueMutex);
        deviceId = m_currentDeviceId;
        entries = m_queue.size();
        if (entries < m_queueLimit) {
            m_queue.append({dataId, packet});
        } else if (m_config.queueFullPolicy == 1 && !m_queue.isEmpty()) {
            droppedId = m_queue.takeFirst().dataId;
            m_queue.append({dataId, packet});
            outcome = Outcome::DroppedOldest;
        } else {
            outcome = Outcome::Refused;
        }
    }

    if (outcome == Outcome::DroppedOldest) {
        emit dataSent(droppedId, false, 0);
    } else if (outcome == Outcome::Refused) {
        // A full queue is back-pressure, not a broken link: the packet is lost,
        // the device stays usable.
        const QString message = tr("发送队列已满（%1/%2）").arg(entries).arg(m_queueLimit);
        qWarning().noquote() << QStringLiteral("[HidCommunicateManager] %1（ID：%2)").arg(message, dataId);
        emit commError(deviceId, message, false);
        emit dataSent(dataId, false, 0);
    }
}

bool HidCommunicateManager::stopAndWait()
{
    {
        QMutexLocker lock(&m_handleMutex);
        m_handleGenerationAtStop = m_handleGeneration;
    }
    if (QThread::currentThread() == &m_thread) {
        m_running.store(false);
        m_thread.quit();
        return false; // ends when this call has returned into the loop
    }
    if (!m_thread.isRunning())
        return true;
    m_running.store(false);
    return HidThreadStopper::stop(
        m_thread, m_config.commThreadStopWaitMs, m_config.threadStopAttempts,
        HidThreadStopper::doubledExtraWaitMs(m_config.commThreadStopWaitMs),
        {QStringLiteral("[HidCommunicateManager] 通讯线程第 %1 次等待超时，继续等待…"),
         QStringLiteral("[HidCommunicateManager] 通讯线程在 %1 轮等待后仍未退出（未使用 terminate）。"
                        "将执行一次额外阻塞等待，避免析构时线程仍在运行。"),
         QStringLiteral("[HidCommunicateManager] 额外等待 %1ms 后线程仍未退出，可能导致程序异常结束。")});
}

bool HidCommunicateManager::stopThread()
{
    // A restart still waiting for the old loop is called off: a stop wins.
    if (QThread::currentThread() != &m_thread)
        m_restartWhenFinished = false;
    return stopAndWait();
}

bool HidCommunicateManager::suspendThread()
{
    if (m_threadStopped)
        return true;
    if (m_restartWhenFinished) {
        // An earlier stop already ran out of its waits and the loop is still
        // inside hidapi: waiting again would only hold the caller as long.
        qWarning().noquote() << QStringLiteral("[HidCommunicateManager] 通讯线程仍卡在设备读写中，不再等待");
        return false;
    }
    const bool ended = stopThread();
    m_threadStopped = true;
    if (!ended)
        qWarning().noquote() << QStringLiteral("[HidCommunicateManager] 通讯线程未能停止，仍占用设备");
    return ended;
}

void HidCommunicateManager::restartThread()
{
    if (!m_threadStopped)
        return;
    m_threadStopped = false;
    startThread();
}

void HidCommunicateManager::startThread()
{
    if (m_thread.isRunning()) {
        // The old loop is still inside hidapi; starting now would do nothing
        // and leave the link without a loop once it returns.
        m_restartWhenFinished = true;
        return;
    }
    m_restartWhenFinished = false;
    m_running.store(true);
    m_thread.start(QThread::InheritPriority);
}

void HidCommunicateManager::onThreadFinished()
{
    if (m_restartWhenFinished && !m_threadStopped)
        startThread();
}
