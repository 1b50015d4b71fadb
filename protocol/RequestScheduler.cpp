#include "protocol/RequestScheduler.h"

namespace HeadsetProtocol::RequestScheduler {

namespace {

constexpr int SequenceSpace = 16;

} // namespace

quint32 pendingKey(quint16 cmd, quint8 seq)
{
    return (static_cast<quint32>(cmd) << 8) | seq;
}

QString requestInfo(quint16 cmd, const QByteArray &payload)
{
    return QStringLiteral("Cmd:0x%1, Payload:%2 bytes").arg(hex(cmd)).arg(payload.size());
}

TrySendResult trySendRequest(const QueuedRequest &request, int maxInFlight, quint8 &nextSequence,
                             PendingTable &pending, const KeyFunction &key, qint64 nowMs,
                             const FrameSender &sender, quint8 &seqOut, const LogCallback &log)
{
    if (pending.size() >= maxInFlight)
        return TrySendResult::Busy;

    quint8 candidate = nextSequence % SequenceSpace;
    int tried = 0;
    while (pending.contains(key(request.cmd, candidate))) {
        candidate = (candidate + 1) % SequenceSpace;
        if (++tried >= SequenceSpace) {
            emitLog(log, QStringLiteral("No available sequence number"), LogError);
            return TrySendResult::Aborted;
        }
    }

    if (!sender || !sender(request.cmd, request.type, candidate, request.payload))
        return TrySendResult::Aborted;

    nextSequence = (candidate + 1) % SequenceSpace;
    seqOut = candidate;

    if (request.type != CommandType::Request)
        return TrySendResult::Sent;

    if (request.cmd == HeartbeatCommand) {
        emitLog(log, QStringLiteral("Heartbeat sent (no response expected). Cmd: 0x27, Seq: %1").arg(candidate),
                LogWarning);
        return TrySendResult::Sent;
    }

    PendingRequest entry;
    entry.cmd = request.cmd;
    entry.seq = candidate;
    entry.sentAtMs = nowMs;
    entry.retryCount = 0;
    entry.type = request.type;
    entry.payload = request.payload;
    entry.info = requestInfo(request.cmd, request.payload);
    pending.insert(key(request.cmd, candidate), entry);
    emitLog(log,
            QStringLiteral("Request sent. Cmd: 0x%1, Seq: %2, Payload: %3 bytes")
                .arg(hex(request.cmd))
                .arg(candidate)
                .arg(request.payload.size()),
            LogInfo);
    return TrySendResult::Sent;
}

CleanupResult cleanupTimeouts(qint64 nowMs, int requestTimeoutMs, int maxRetries, int queuedTimeoutMs,
                              PendingTable &pending, RequestQueue &queue, const FrameSender &resend,
                              const LogCallback &log)
{
    CleanupResult result;

    for (auto it = pending.begin(); it != pending.end();) {
        PendingRequest &entry = it.value();
        if (nowMs - entry.sentAtMs <= requestTimeoutMs) {
            ++it;
            continue;
        }
        if (entry.retryCount >= maxRetries) {
            emitLog(log,
                    QStringLiteral("Request timeout after %1 retries. Cmd: 0x%2, Seq: %3, Info: %4")
                        .arg(maxRetries)
                        .arg(hex(entry.cmd))
                        .arg(entry.seq)
                        .arg(entry.info),
                    LogWarning);
            result.timedOut.append({entry.info, entry.seq, entry.cmd});
            it = pending.erase(it);
            result.changed = true;
            continue;
        }
        ++entry.retryCount;
        entry.sentAtMs = nowMs;
        if (resend)
            resend(entry.cmd, entry.type, entry.seq, entry.payload);
        emitLog(log,
                QStringLiteral("Request retry %1/%2. Cmd: 0x%3, Seq: %4")
                    .arg(entry.retryCount)
                    .arg(maxRetries)
                    .arg(hex(entry.cmd))
                    .arg(entry.seq),
                LogWarning);
        ++it;
    }

    if (queuedTimeoutMs >= 1) {
        while (!queue.isEmpty()) {
            const QueuedRequest &front = queue.constFirst();
            if (front.enqueuedAtMs <= 0 || nowMs - front.enqueuedAtMs <= queuedTimeoutMs)
                break;
            const QString message = QStringLiteral("Queued request timed out after %1ms (not sent). Cmd:0x%2")
                                        .arg(queuedTimeoutMs)
                                        .arg(hex(front.cmd));
            emitLog(log, message, LogWarning);
            result.expiredQueued.append({front.cmd, message});
            queue.removeFirst();
            result.changed = true;
        }
    }
    return result;
}

DequeueResult processNextQueuedRequest(RequestQueue &queue, const TrySendFunction &trySend, const LogCallback &log)
{
    DequeueResult result;
    while (!queue.isEmpty()) {
        // A copy: the send attempt emits signals, and a slot may touch the queue.
        const QueuedRequest front = queue.constFirst();
        quint8 seq = 0;
        const TrySendResult sent = trySend ? trySend(front, seq) : TrySendResult::Aborted;
        if (sent == TrySendResult::Busy)
            break;
        if (!queue.isEmpty())
            queue.removeFirst();
        if (sent == TrySendResult::Sent) {
            result.dequeued = true;
            result.cmd = front.cmd;
            result.seq = seq;
            result.queueSize = static_cast<int>(queue.size());
            emitLog(log,
                    QStringLiteral("Dequeued request. Cmd: 0x%1, Seq: %2, Queue size now: %3")
                        .arg(hex(front.cmd))
                        .arg(seq)
                        .arg(result.queueSize),
                    LogInfo);
            break;
        }
        result.dropped.append(
            {front.cmd, QStringLiteral("Queued request dropped: frame build failed or no sequence (Cmd:0x%1)")
                            .arg(hex(front.cmd))});
    }
    return result;
}

} // namespace HeadsetProtocol::RequestScheduler
