// The I/O loop of HidCommunicateManager, on the communication thread.
#include "HidCommunicateManager.h"

#include "platform/hidapicompat/HidApiCompat.h"
#include "protocol/MonotonicClock.h"

#include <QDebug>

#include <algorithm>

namespace {

constexpr int fallbackReportSize = 65;
constexpr int maxReportSize = 1024;
constexpr unsigned long nonBlockingIdleSleepMs = 8;

int validReportSize(int size)
{
    return (size < 1 || size > maxReportSize) ? fallbackReportSize : size;
}

QString fromWide(const wchar_t *text)
{
    return text ? QString::fromWCharArray(text) : QString();
}

} // namespace

struct HidCommunicateManager::TakenPacket
{
    SendRequest request;
    HidDeviceHandle handle;
    bool usable = false;
    QString deviceId;
};

int HidCommunicateManager::writeLimit() const
{
    const int limit = m_config.maxWriteSize > 0 ? m_config.maxWriteSize : m_config.reportSize;
    return validReportSize(limit);
}

int HidCommunicateManager::readLength() const
{
    return validReportSize(m_config.reportSize);
}

bool HidCommunicateManager::rateLimitPassed(const QElapsedTimer &timer) const
{
    return timer.elapsed() > m_config.errorReportIntervalMs;
}

void HidCommunicateManager::blockSending(const HidDeviceHandle &handle)
{
    QMutexLocker lock(&m_handleMutex);
    if (m_handle == handle)
        m_sendBlocked = true;
}

bool HidCommunicateManager::takePacket(TakenPacket &taken)
{
    QMutexLocker handleLock(&m_handleMutex);
    QMutexLocker queueLock(&m_queueMutex);
    if (m_queue.isEmpty())
        return false;
    taken.request = m_queue.takeFirst();
    taken.handle = m_handle;
    taken.usable = m_handleUsable;
    taken.deviceId = m_currentDeviceId;
    return true;
}

void HidCommunicateManager::processCommunication()
{
    QElapsedTimer writeErrorTimer;
    QElapsedTimer readErrorTimer;
    writeErrorTimer.start();
    readErrorTimer.start();
    const unsigned long pollMs = static_cast<unsigned long>(std::max(0, m_config.pollIntervalMs));

    while (m_running.load()) {
        if (QThread::currentThread()->isInterruptionRequested())
            return;
        bool idle;
        {
            QMutexLocker lock(&m_handleMutex);
            idle = !m_handle || !m_handleUsable || m_sendBlocked;
        }
        if (idle) {
            QThread::msleep(pollMs);
            continue;
        }

        TakenPacket taken;
        const bool wrote = takePacket(taken);
        if (wrote)
            writePacket(taken, writeErrorTimer);
        taken = {}; // the pass's copy of the handle goes here, not at the next write
        if (!wrote && m_config.readTimeoutMs < 1)
            QThread::msleep(pollMs);
        const int n = readReport(readErrorTimer);
        if (m_config.readTimeoutMs < 1 && !wrote && n < 1)
            QThread::msleep(nonBlockingIdleSleepMs); // nothing moved: do not spin
    }
}

void HidCommunicateManager::writePacket(TakenPacket &taken, QElapsedTimer &writeErrorTimer)
{
    const QString &dataId = taken.request.dataId;
    if (!taken.handle || !taken.usable) {
        emit dataSent(dataId, false, 0);
        return;
    }

    QByteArray packet = taken.request.data;
    const int limit = writeLimit();
    if (packet.size() > limit) {
        const qsizetype length = packet.size();
        qWarning().noquote() << QStringLiteral("[HidCommunicateManager] 数据长度超过最大包长，已从 %1 截断至 %2 字节（ID：%3）")
                                    .arg(length)
                                    .arg(limit)
                                    .arg(dataId);
        packet.truncate(limit);
        if (m_config.notifyTruncation
            && (m_truncationNoticePending.load() || m_truncationTimer.elapsed() > m_config.errorReportIntervalMs)) {
            emit commError(taken.deviceId, tr("发送已截断：%1 → %2 字节").arg(length).arg(limit), false);
            m_truncationNoticePending.store(false);
            m_truncationTimer.restart();
        }
    }

    const int n = Platform::HidApiCompat::writeReport(taken.handle.get(),
                                                      reinterpret_cast<const unsigned char *>(packet.constData()),
                                                      static_cast<std::size_t>(packet.size()),
                                                      static_cast<std::size_t>(limit));
    if (n >= 1) {
        m_writeFailureCount.store(0);
        m_zeroWriteCount.store(0);
        m_truncationNoticePending.store(true);
        emit dataSent(dataId, true, n);
        return;
    }

    const auto logLine = [&dataId](const QString &message) {
        qWarning().noquote() << QStringLiteral("[HidCommunicateManager] %1（ID：%2)").arg(message, dataId);
    };
    if (n < 0) {
        const int count = m_writeFailureCount.fetch_add(1) + 1;
        m_zeroWriteCount.store(0);
        const int threshold = std::max(1, m_config.maxConsecutiveWriteFailures);
        const QString message = tr("发送失败：%1（错误码：%2，连续 %3 次）")
                                    .arg(fromWide(hid_error(taken.handle.get())))
                                    .arg(n)
                                    .arg(count);
        if (count < threshold) {
            emit dataSent(dataId, false, 0);
            if (count == 1 || rateLimitPassed(writeErrorTimer)) {
                emit commError(taken.deviceId, message, false);
                logLine(message);
                writeErrorTimer.restart();
            }
            return;
        }
        // Block first so that nothing more is written while the signals travel.
        blockSending(taken.handle);
        m_writeFailureCount.store(0);
        emit commError(taken.deviceId, message, true);
        emit dataSent(dataId, false, 0);
        logLine(message);
        emit deviceDisconnected(taken.deviceId);
        writeErrorTimer.restart();
        return;
    }

    // n == 0: the device took nothing; usually transient back-pressure, never fatal.
    m_writeFailureCount.store(0);
    const int previousZeros = m_zeroWriteCount.fetch_add(1);
    const QString message = tr("发送返回 0 字节（可能为暂时性缓冲/背压）");
    emit dataSent(dataId, false, 0);
    if (previousZeros == 0 || rateLimitPassed(writeErrorTimer)) {
        emit commError(taken.deviceId, message, false);
        logLine(message);
        writeErrorTimer.restart();
    }
}

int HidCommunicateManager::readReport(QElapsedTimer &readErrorTimer)
{
    const int length = readLength();
    if (m_readBuffer.size() != length)
        m_readBuffer.resize(length, '\0');

    QString deviceId;
    HidDeviceHandle handle;
    {
        QMutexLocker lock(&m_handleMutex);
        deviceId = m_currentDeviceId;
        if (m_handle && m_handleUsable && !m_sendBlocked)
            handle = m_handle;
    }

    int n = 0;
    QString errorText;
    if (handle) {
        auto *buffer = reinterpret_cast<unsigned char *>(m_readBuffer.data());
        if (m_config.readTimeoutMs < 1) {
            n = hid_read(handle.get(), buffer, static_cast<std::size_t>(length));
        } else {
            int timeout = m_config.readTimeoutMs;
            if (!m_running.load() || QThread::currentThread()->isInterruptionRequested())
                timeout = std::min(timeout, std::max(1, m_config.stopReadTimeoutMs));
            n = hid_read_timeout(handle.get(), buffer, static_cast<std::size_t>(length), timeout);
        }
        if (n < 0)
            errorText = fromWide(Platform::HidApiCompat::readErrorText(handle.get()));
    }

    if (n > 0) {
        // Stamped here, as it comes off the device: the threads it passes on
        // its way to the protocol handler may take any time.
        const qint64 readMs = m_config.readClock ? m_config.readClock() : HeadsetProtocol::MonotonicClock::nowMs();
        m_readFailureCount.store(0);
        emit dataReceived(deviceId, m_readBuffer.left(n), readMs);
    } else if (n == 0) {
        m_readFailureCount.store(0);
    } else {
        const int count = m_readFailureCount.fetch_add(1) + 1;
        const int threshold = std::max(1, m_config.maxConsecutiveReadFailures);
        const QString message = tr("读取失败：%1（错误码：%2，连续 %3 次）")
                                    .arg(errorText.isEmpty() ? tr("未知错误") : errorText)
                                    .arg(n)
                                    .arg(count);
        const QString logLine = QStringLiteral("[HidCommunicateManager] ") + message;
        if (count < threshold) {
            if (count == 1 || rateLimitPassed(readErrorTimer)) {
                emit commError(deviceId, message, false);
                qWarning().noquote() << logLine;
                readErrorTimer.restart();
            }
        } else {
            qWarning().noquote() << logLine;
            blockSending(handle);
            m_readFailureCount.store(0);
            emit commError(deviceId, message, true);
            emit deviceDisconnected(deviceId);
            readErrorTimer.restart();
        }
    }
    return n;
}
