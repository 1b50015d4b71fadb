#pragma once

#include "protocol/Commands.h"
#include "protocol/ProtocolTypes.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>

// Flow control of outgoing requests: the in-flight limit, 4-bit sequence
// numbers, the table of requests awaiting a response, the wait queue and the
// time-out sweep. Stateless functions over tables the caller owns; every side
// effect arrives as a callback.
namespace HeadsetProtocol::RequestScheduler {

inline constexpr quint16 HeartbeatCommand = Command::Heartbeat;

struct QueuedRequest
{
    quint16 cmd = 0;
    CommandType type = CommandType::Request;
    QByteArray payload;
    qint64 enqueuedAtMs = 0; // 0 or less: unset, never expires in the queue
};

struct PendingRequest
{
    quint16 cmd = 0;
    quint8 seq = 0;
    qint64 sentAtMs = 0;
    int retryCount = 0;
    CommandType type = CommandType::Request;
    QByteArray payload; // kept for resending
    QString info;
};

using PendingTable = QHash<quint32, PendingRequest>;
using RequestQueue = QList<QueuedRequest>;

enum class TrySendResult : int {
    Sent = 0,
    Busy = 1,    // in-flight limit reached; the caller queues the request
    Aborted = 2, // no free sequence number, no sender, or the sender failed
};

struct TimedOutRequest
{
    QString info;
    quint8 seq = 0;
    quint16 cmd = 0;
};

struct RejectedRequest
{
    quint16 cmd = 0;
    QString message;
};

struct CleanupResult
{
    bool changed = false; // something was given up or expired; a retry alone does not count
    QList<TimedOutRequest> timedOut;
    QList<RejectedRequest> expiredQueued;
};

struct DequeueResult
{
    bool dequeued = false;
    quint16 cmd = 0;
    quint8 seq = 0;
    int queueSize = 0;
    QList<RejectedRequest> dropped;
};

using KeyFunction = std::function<quint32(quint16 cmd, quint8 seq)>;
using FrameSender = std::function<bool(quint16 cmd, CommandType type, quint8 seq, const QByteArray &payload)>;
using TrySendFunction = std::function<TrySendResult(const QueuedRequest &request, quint8 &seqOut)>;

// The pending-table key the handler uses: (cmd << 8) | seq.
quint32 pendingKey(quint16 cmd, quint8 seq);

QString requestInfo(quint16 cmd, const QByteArray &payload);

TrySendResult trySendRequest(const QueuedRequest &request, int maxInFlight, quint8 &nextSequence,
                             PendingTable &pending, const KeyFunction &key, qint64 nowMs,
                             const FrameSender &sender, quint8 &seqOut, const LogCallback &log);

CleanupResult cleanupTimeouts(qint64 nowMs, int requestTimeoutMs, int maxRetries, int queuedTimeoutMs,
                              PendingTable &pending, RequestQueue &queue, const FrameSender &resend,
                              const LogCallback &log);

DequeueResult processNextQueuedRequest(RequestQueue &queue, const TrySendFunction &trySend, const LogCallback &log);

} // namespace HeadsetProtocol::RequestScheduler
