#include "protocol/ProtocolHandler.h"

#include "protocol/Commands.h"
#include "protocol/FrameCodec.h"
#include "protocol/HeartbeatController.h"
#include "protocol/MonotonicClock.h"

#include <QDateTime>
#include <QMetaMethod>
#include <QMutexLocker>
#include <QThread>
#include <QTimer>

namespace HeadsetProtocol {

using RequestScheduler::QueuedRequest;
using RequestScheduler::TrySendResult;

namespace {

QString levelTag(int level)
{
    switch (level) {
    case LogInfo:
        return QStringLiteral("[INFO]");
    case LogWarning:
        return QStringLiteral("[WARN]");
    case LogError:
        return QStringLiteral("[ERROR]");
    default:
        return QStringLiteral("[DEBUG]");
    }
}

// Drops the callback's messages that begin with `prefix`.
LogCallback withoutPrefix(LogCallback inner, const QString &prefix)
{
    return [inner = std::move(inner), prefix](const QString &message, int level) {
        if (!message.startsWith(prefix))
            inner(message, level);
    };
}

} // namespace

ProtocolHandler::ProtocolHandler(QObject *parent) : ProtocolHandler(ProtocolHandlerSettings{}, parent) {}

ProtocolHandler::ProtocolHandler(const ProtocolHandlerSettings &settings, QObject *parent)
    : QObject(parent), m_settings(settings)
{
    if (!m_settings.clock)
        m_settings.clock = MonotonicClock::nowMs;
    registerMetaTypes();

    registerCommand(Command::DeviceId, CommandDirection::Bidirectional);
    registerCommand(Command::BrandInfo, CommandDirection::Bidirectional);
    registerCommand(Command::GetBasicInfo, CommandDirection::Bidirectional);
    registerCommand(Command::DeviceNotify, CommandDirection::DeviceToHost);
    registerCommand(Command::EqSettings, CommandDirection::Bidirectional);
    registerCommand(Command::FactoryReset, CommandDirection::Bidirectional);
    registerCommand(Command::BluetoothName, CommandDirection::Bidirectional);
    registerCommand(Command::ToneVolume, CommandDirection::Bidirectional);
    registerCommand(Command::StatusOnly, CommandDirection::Bidirectional);
    registerCommand(Command::Surround, CommandDirection::Bidirectional);
    registerCommand(Command::ReceiverUnbind, CommandDirection::Bidirectional);
    registerCommand(Command::Heartbeat, CommandDirection::HostOnly);

    m_heartbeat = new HeartbeatController(this);
    connect(m_heartbeat, &HeartbeatController::heartbeatDue, this, &ProtocolHandler::onHeartbeatTimer,
            Qt::UniqueConnection);
    log(QStringLiteral("ProtocolHandler initialized"), LogDebug);
}

ProtocolHandler::~ProtocolHandler()
{
    {
        QMutexLocker locker(&m_mutex);
        m_pendingRequests.clear();
        m_reassemblyBuffers.clear();
        m_requestQueue.clear();
    }
    log(QStringLiteral("ProtocolHandler destroyed"), LogDebug);
}

void ProtocolHandler::registerMetaTypes()
{
    qRegisterMetaType<ResponseStatus>("HeadsetProtocol::ResponseStatus");
    qRegisterMetaType<ConnectionInfo>("HeadsetProtocol::ConnectionInfo");
    qRegisterMetaType<BatteryInfo>("HeadsetProtocol::BatteryInfo");
    qRegisterMetaType<FirmwareInfo>("HeadsetProtocol::FirmwareInfo");
    qRegisterMetaType<DeviceIdInfo>("HeadsetProtocol::DeviceIdInfo");
    qRegisterMetaType<EQData>("HeadsetProtocol::EQData");
    qRegisterMetaType<SurroundSoundConfig>("HeadsetProtocol::SurroundSoundConfig");
    qRegisterMetaType<DeviceInfo>("HeadsetProtocol::DeviceInfo");
    qRegisterMetaType<NotifyNameAndHeadsetFirmware>("HeadsetProtocol::NotifyNameAndHeadsetFirmware");
    qRegisterMetaType<CommandType>("HeadsetProtocol::CommandType");
    qRegisterMetaType<quint8>("quint8");
    qRegisterMetaType<quint16>("quint16");
    qRegisterMetaType<int8_t>("int8_t");
    qRegisterMetaType<int16_t>("int16_t");
}

void ProtocolHandler::registerCommand(quint16 cmd, CommandDirection direction)
{
    {
        QMutexLocker locker(&m_mutex);
        m_commandTable.insert(cmd, direction);
    }
    log(QStringLiteral("Command registered: 0x%1, direction=%2").arg(hex(cmd)).arg(int(direction)), LogInfo);
}

bool ProtocolHandler::checkThread(const char *function, quint16 cmd)
{
    QThread *current = QThread::currentThread();
    QThread *owner = thread();
    if (current == owner)
        return true;
    const QString text = QStringLiteral("Thread contract violation in %1. CurrentThread=0x%2, OwnerThread=0x%3%4")
                             .arg(QString::fromLatin1(function))
                             .arg(hex(reinterpret_cast<quintptr>(current)))
                             .arg(hex(reinterpret_cast<quintptr>(owner)))
                             .arg(cmd != 0 ? QStringLiteral(", Cmd:0x%1").arg(hex(cmd)) : QString());
    log(text, LogError);
    emit errorOccurred(text);
    emit requestRejected(cmd, text);
    return false;
}

void ProtocolHandler::log(const QString &message, int level)
{
    if (level < m_settings.minLogLevel)
        return;
    // Formatting the time costs more than everything else on the hot path;
    // skip it when nobody listens.
    static const QMetaMethod logSignal = QMetaMethod::fromSignal(&ProtocolHandler::logMessage);
    if (!isSignalConnected(logSignal))
        return;
    const QString line = QStringLiteral("%1 %2 %3").arg(
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")), levelTag(level), message);
    emit logMessage(line, level);
}

void ProtocolHandler::flush(const DeferredLog &lines)
{
    for (const DeferredLine &line : lines) {
        if (!line.message.isEmpty())
            log(line.message, line.level);
        if (!line.error.isEmpty())
            emit errorOccurred(line.error);
    }
}

LogCallback ProtocolHandler::logCallback()
{
    return [this](const QString &message, int level) { log(message, level); };
}

LogCallback ProtocolHandler::deferTo(DeferredLog &lines)
{
    return [&lines](const QString &message, int level) { lines.append({message, level, {}}); };
}

qint64 ProtocolHandler::now() const
{
    return m_settings.clock();
}

int ProtocolHandler::refuse(quint16 cmd, const QString &text, bool viaValidation)
{
    log(text, LogError);
    emit errorOccurred(text);
    if (viaValidation)
        emit validationError(text);
    emit requestRejected(cmd, text);
    return ResultRefused;
}

int ProtocolHandler::sendRequest(quint16 cmd, CommandType type, const QByteArray &payload)
{
    if (!checkThread("sendRequest", cmd))
        return ResultRefused;

    std::optional<CommandDirection> direction;
    {
        QMutexLocker locker(&m_mutex);
        const auto it = m_commandTable.constFind(cmd);
        if (it != m_commandTable.constEnd())
            direction = it.value();
    }
    if (!direction)
        return refuse(cmd, QStringLiteral("Command not registered: 0x%1").arg(hex(cmd)), true);
    if (*direction == CommandDirection::DeviceToHost)
        return refuse(cmd, QStringLiteral("Command 0x%1 not allowed to send from host").arg(hex(cmd)), true);

    const QueuedRequest request{cmd, type, payload, now()};
    quint8 seq = 0;
    const TrySendResult result = attemptSend(request, seq);
    if (result == TrySendResult::Sent)
        return seq;
    if (result == TrySendResult::Aborted) {
        const QString text = QStringLiteral("Send aborted: frame build failed or no sequence (Cmd:0x%1)").arg(hex(cmd));
        emit commandFailed(cmd, text);
        emit requestRejected(cmd, text);
        return ResultRefused;
    }

    int queueSize = -1;
    {
        QMutexLocker locker(&m_mutex);
        if (m_settings.maxQueueSize > 0 && m_requestQueue.size() < m_settings.maxQueueSize) {
            m_requestQueue.append(request);
            queueSize = static_cast<int>(m_requestQueue.size());
        }
    }
    if (queueSize < 0) {
        const QString text = QStringLiteral("Request queue full. Cmd:0x%1, Max:%2").arg(hex(cmd)).arg(m_settings.maxQueueSize);
        log(text, LogError);
        emit errorOccurred(text);
        emit commandFailed(cmd, text);
        emit requestRejected(cmd, text);
        return ResultRefused;
    }
    log(QStringLiteral("Request queued. Cmd: 0x%1, Queue size: %2").arg(hex(cmd)).arg(queueSize), LogInfo);
    emit requestQueued(cmd);
    return ResultQueued;
}

TrySendResult ProtocolHandler::attemptSend(const QueuedRequest &request, quint8 &seqOut)
{
    const bool heartbeat = request.type == CommandType::Request && request.cmd == Command::Heartbeat;
    const LogCallback forward = logCallback();
    const LogCallback schedulerLog =
        heartbeat ? withoutPrefix(forward, QStringLiteral("Heartbeat sent (no response expected)")) : forward;
    const LogCallback codecLog = heartbeat ? withoutPrefix(forward, QStringLiteral("Created frame")) : forward;

    const RequestScheduler::FrameSender sender = [&](quint16 cmd, CommandType type, quint8 seq, const QByteArray &payload) {
        const std::vector<QByteArray> frames = FrameCodec::splitIntoFrames(cmd, type, seq, payload, m_encryptionEnabled,
                                                                           m_encryptionKey, codecLog);
        if (frames.empty()) {
            const QString text = QStringLiteral("Failed to split data into frames");
            log(text, LogError);
            emit errorOccurred(text);
            return false;
        }
        for (const QByteArray &frame : frames) {
            emit frameReady(frame);
            if (cmd != Command::Heartbeat) {
                log(QStringLiteral("Frame sent. Cmd: 0x%1, Seq: %2, Size: %3 bytes").arg(hex(cmd)).arg(seq).arg(frame.size()),
                    LogWarning);
            }
        }
        return true;
    };

    const TrySendResult result =
        RequestScheduler::trySendRequest(request, m_settings.maxInFlight, m_nextSequence, m_pendingRequests,
                                         RequestScheduler::pendingKey, now(), sender, seqOut, schedulerLog);
    if (result != TrySendResult::Sent)
        return result;
    if (request.type == CommandType::Request) {
        // A partial reply under this command and sequence number belongs to an
        // earlier request; left in place, its frames would complete the new reply.
        QMutexLocker locker(&m_mutex);
        m_reassemblyBuffers.remove(reassemblyKey(CommandType::Response, request.cmd, seqOut));
    }
    if (heartbeat)
        log(QStringLiteral("已发送心跳包"), LogInfo);
    emit requestSent(request.cmd, seqOut);
    if (request.type == CommandType::Request && request.cmd != Command::Heartbeat)
        m_heartbeat->notifyActivity(request.cmd);
    return result;
}

void ProtocolHandler::processNextQueuedRequest()
{
    // The scheduler sends one request per call. Keep calling until the queue is
    // empty or the in-flight limit is reached: a sweep may free several slots
    // at once, and a heartbeat taken from the queue takes no slot, so no later
    // response would come to serve the requests behind it.
    for (;;) {
        const RequestScheduler::DequeueResult result = RequestScheduler::processNextQueuedRequest(
            m_requestQueue, [this](const QueuedRequest &request, quint8 &seq) { return attemptSend(request, seq); },
            logCallback());
        for (const RequestScheduler::RejectedRequest &dropped : result.dropped) {
            emit commandFailed(dropped.cmd, dropped.message);
            emit requestRejected(dropped.cmd, dropped.message);
        }
        if (!result.dequeued)
            return;
        emit requestDequeued(result.cmd, result.seq);
    }
}

void ProtocolHandler::start()
{
    if (!checkThread("start"))
        return;
    if (!m_cleanupTimer) {
        m_cleanupTimer = new QTimer(this);
        m_cleanupTimer->setInterval(m_settings.cleanupIntervalMs);
        connect(m_cleanupTimer, &QTimer::timeout, this, &ProtocolHandler::onCleanupTimeout, Qt::UniqueConnection);
    }
    if (!m_cleanupTimer->isActive()) {
        m_cleanupTimer->start();
        log(QStringLiteral("ProtocolHandler timers started"), LogInfo);
    }
}

void ProtocolHandler::resetTransportState()
{
    if (!checkThread("resetTransportState"))
        return;
    m_heartbeat->setEnabled(false);
    QMutexLocker locker(&m_mutex);
    m_pendingRequests.clear();
    m_reassemblyBuffers.clear();
    m_requestQueue.clear();
    clearReceivedLocked();
}

void ProtocolHandler::setHeartbeatEnabled(bool enabled)
{
    if (!checkThread("setHeartbeatEnabled"))
        return;
    m_heartbeat->setEnabled(enabled);
    if (!enabled)
        log(QStringLiteral("Heartbeat (0x27) disabled"), LogInfo);
    else if (m_heartbeat->isSuppressed())
        log(QStringLiteral("Heartbeat (0x27) suppressed: dongle/headset link is disconnected"), LogInfo);
    else
        log(QStringLiteral("Heartbeat (0x27) enabled, interval %1 ms").arg(m_heartbeat->intervalMs()), LogInfo);
}

void ProtocolHandler::setHeartbeatIntervalMs(int intervalMs)
{
    if (!checkThread("setHeartbeatIntervalMs"))
        return;
    m_heartbeat->setIntervalMs(intervalMs);
}

void ProtocolHandler::onHeartbeatTimer()
{
    if (m_heartbeat && m_heartbeat->isEnabled() && !m_heartbeat->isSuppressed())
        sendRequest(Command::Heartbeat, CommandType::Request, {});
}

void ProtocolHandler::onCleanupTimeout()
{
    cleanupTimeouts();
}

} // namespace HeadsetProtocol
