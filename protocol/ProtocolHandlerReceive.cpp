// Receive side of ProtocolHandler: buffering and resynchronisation, one frame
// per event-loop turn, reassembly of multi-frame messages, and the sweep.
#include "protocol/ProtocolHandler.h"

#include "protocol/FrameCodec.h"

#include <QMutexLocker>
#include <QTimer>

#include <algorithm>

namespace HeadsetProtocol {

namespace {

constexpr int FrameHopMs = 1;
constexpr char SyncChar = static_cast<char>(FrameCodec::SyncByte);

quint16 lengthField(const QByteArray &buffer)
{
    return static_cast<quint16>(static_cast<quint8>(buffer[7]) | (static_cast<quint8>(buffer[8]) << 8));
}

bool isKnownType(CommandType type)
{
    return type == CommandType::Request || type == CommandType::Response || type == CommandType::Notify;
}

// An empty fragment never counts as received.
int receivedFragments(const ReassemblyBuffer &buffer)
{
    return static_cast<int>(std::count_if(buffer.fragments.cbegin(), buffer.fragments.cend(),
                                          [](const QByteArray &f) { return !f.isEmpty(); }));
}

enum class FragmentFit { Next, Duplicate, NewMessage, ReadLater };

// Where a fragment stands to the message buffered under its key. Frames come
// off one reader in arrival order and the headset sends a message's fragments
// back to back by rising index, so whatever does not follow the fragment
// stored last began a later message: an index below it, the same index with
// other bytes, another total, or a fragment read more than `maxGapMs` after
// it. Read times are taken where the report comes off the device, so however
// late this thread gets to a frame changes nothing.
FragmentFit fitOf(const ReassemblyBuffer &buffer, const ParsedFrame &frame, qint64 readMs, qint64 maxGapMs)
{
    if (readMs - buffer.lastUpdateMs > maxGapMs)
        return FragmentFit::ReadLater;
    if (frame.totalFrames != buffer.totalFrames)
        return FragmentFit::NewMessage;
    if (frame.frameIndex > buffer.lastIndex)
        return FragmentFit::Next;
    if (frame.frameIndex == buffer.lastIndex && buffer.fragments[frame.frameIndex] == frame.payload)
        return FragmentFit::Duplicate;
    return FragmentFit::NewMessage;
}

} // namespace

void ProtocolHandler::setStripReportId(bool strip)
{
    if (!checkThread("setStripReportId"))
        return;
    m_stripReportId = strip;
}

void ProtocolHandler::onIncomingData(const QByteArray &rawData)
{
    onIncomingData(rawData, now());
}

void ProtocolHandler::onIncomingData(const QByteArray &rawData, qint64 readMs)
{
    if (!checkThread("processData"))
        return;
    if (rawData.isEmpty()) {
        const QString text = QStringLiteral("Received empty data");
        log(text, LogError);
        emit errorOccurred(text);
        return;
    }
    QByteArray data = rawData;
    if (m_stripReportId && data.at(0) == '\0')
        data.remove(0, 1);
    if (data.isEmpty())
        return;

    DeferredLog lines;
    std::optional<CutFrame> cut;
    {
        QMutexLocker locker(&m_mutex);
        if (m_receiveBuffer.size() + data.size() > m_settings.maxReceiveBufferBytes) {
            const qsizetype lastSync = m_receiveBuffer.lastIndexOf(SyncChar);
            if (lastSync <= 0) {
                clearReceivedLocked();
                lines.append({QStringLiteral("Receive buffer overflow and no sync found, cleared"), LogError,
                              QStringLiteral("Receive buffer overflow and no sync found, cleared")});
            } else {
                dropReceivedLocked(lastSync);
                lines.append({QStringLiteral("Receive buffer trimmed to last sync. New size: %1").arg(m_receiveBuffer.size()),
                              LogWarning, {}});
            }
            lines.append({{}, LogDebug, QStringLiteral("Receive buffer overflow, trimmed")});
        }
        m_receiveBuffer.append(data);
        m_receiveReadTimes.append(data.size(), readMs);
        cut = cutFrameLocked(lines);
    }
    flush(lines);
    if (cut)
        scheduleFrame(*cut);
}

void ProtocolHandler::processRemainingReceiveBuffer()
{
    if (!checkThread("processRemainingReceiveBuffer"))
        return;
    DeferredLog lines;
    std::optional<CutFrame> cut;
    {
        QMutexLocker locker(&m_mutex);
        cut = cutFrameLocked(lines);
    }
    flush(lines);
    if (cut)
        scheduleFrame(*cut);
}

std::optional<ProtocolHandler::CutFrame> ProtocolHandler::cutFrameLocked(DeferredLog &lines)
{
    const QByteArray &buffer = m_receiveBuffer;
    while (buffer.size() >= FrameCodec::MinFrameSize) {
        const qsizetype sync = buffer.indexOf(SyncChar);
        if (sync < 0) {
            clearReceivedLocked();
            return std::nullopt;
        }
        if (sync > 0)
            dropReceivedLocked(sync);
        if (buffer.size() < FrameCodec::MinFrameSize)
            return std::nullopt;

        const quint16 length = lengthField(buffer);
        if (length > FrameCodec::MaxPayloadPerFrame) {
            dropReceivedLocked(1);
            lines.append({QStringLiteral("Invalid frame length %1, skipping sync byte").arg(length), LogWarning, {}});
            continue;
        }
        const qsizetype frameSize = FrameCodec::MinFrameSize + length;
        if (buffer.size() < frameSize)
            return std::nullopt;
        CutFrame cut;
        cut.frame = buffer.left(frameSize);
        // A frame exists once its last byte is read.
        cut.readMs = m_receiveReadTimes.at(frameSize - 1);
        dropReceivedLocked(frameSize);
        cut.moreData = buffer.size() >= FrameCodec::MinFrameSize;
        return cut;
    }
    return std::nullopt;
}

void ProtocolHandler::dropReceivedLocked(qsizetype bytes)
{
    m_receiveBuffer.remove(0, bytes);
    m_receiveReadTimes.dropFront(bytes);
}

void ProtocolHandler::clearReceivedLocked()
{
    m_receiveBuffer.clear();
    m_receiveReadTimes.clear();
}

void ProtocolHandler::scheduleFrame(const CutFrame &cut)
{
    deferStep([this, cut] { processFrame(cut); });
}

void ProtocolHandler::deferStep(std::function<void()> step)
{
    if (m_settings.deferStep)
        m_settings.deferStep(std::move(step));
    else
        QTimer::singleShot(FrameHopMs, this, std::move(step));
}

void ProtocolHandler::processFrame(const CutFrame &cut)
{
    const QByteArray &frame = cut.frame;
    // Frames are processed in the order they were read, whatever they hold.
    m_newestReadMs = std::max(m_newestReadMs, cut.readMs);
    const LogCallback codecLog = logCallback();
    if (!FrameCodec::verifyCrc(frame, codecLog)) {
        emit crcError(frame);
        const QString text = QStringLiteral("CRC verification failed");
        log(text, LogError);
        emit errorOccurred(text);
    } else {
        const ParsedFrame parsed = FrameCodec::parseFrame(frame, m_encryptionEnabled, m_encryptionKey, codecLog);
        if (!parsed.valid) {
            const QString text = QStringLiteral("Invalid frame, discarding");
            log(text, LogError);
            emit errorOccurred(text);
        } else {
            emit frameReceived(frame);
            if (!isKnownType(parsed.type)) {
                const QString text = QStringLiteral("Invalid command type: %1").arg(int(parsed.type));
                log(text, LogError);
                emit errorOccurred(text);
            } else if (parsed.totalFrames < 2) {
                dispatch(parsed.cmd, parsed.type, parsed.seq, parsed.payload);
            } else {
                reassemble(parsed, cut.readMs);
            }
        }
    }
    if (cut.moreData)
        deferStep([this] { processRemainingReceiveBuffer(); });
}

quint32 ProtocolHandler::reassemblyKey(CommandType type, quint16 cmd, quint8 seq)
{
    // Type above the full 16-bit command, so no two (type, cmd, seq) share a key.
    return (static_cast<quint32>(type) << 24) | (static_cast<quint32>(cmd) << 8) | seq;
}

void ProtocolHandler::reassemble(const ParsedFrame &frame, qint64 readMs)
{
    if (frame.frameIndex >= frame.totalFrames) {
        // Malformed in itself: it neither starts a message nor ends a partial one.
        const QString text = QStringLiteral("Invalid frame sequence number: %1 (max: %2)")
                                 .arg(frame.frameIndex)
                                 .arg(frame.totalFrames - 1);
        log(text, LogError);
        emit errorOccurred(text);
        return;
    }
    DeferredLog lines;
    std::optional<QByteArray> complete;
    {
        QMutexLocker locker(&m_mutex);
        const quint32 key = reassemblyKey(frame.type, frame.cmd, frame.seq);
        auto it = m_reassemblyBuffers.find(key);
        FragmentFit fit = FragmentFit::Next;
        if (it != m_reassemblyBuffers.end())
            fit = fitOf(it.value(), frame, readMs, m_settings.maxFragmentGapMs);
        if (fit == FragmentFit::NewMessage || fit == FragmentFit::ReadLater) {
            // The message before lost a fragment: completing it with this one
            // would dispatch a mix of two messages.
            const ReassemblyBuffer &stale = it.value();
            QString line = QStringLiteral("Stale partial message dropped, a new one began. Cmd: 0x%1, Seq: %2, "
                                          "Frames: %3/%4, last: %5, new: %6/%7")
                               .arg(hex(stale.cmd))
                               .arg(stale.seq)
                               .arg(receivedFragments(stale))
                               .arg(stale.totalFrames)
                               .arg(stale.lastIndex + 1)
                               .arg(frame.frameIndex + 1)
                               .arg(frame.totalFrames);
            if (fit == FragmentFit::ReadLater)
                line += QStringLiteral(", read %1 ms after the last").arg(readMs - stale.lastUpdateMs);
            lines.append({line, LogWarning, {}});
            m_reassemblyBuffers.erase(it);
            it = m_reassemblyBuffers.end();
        }
        if (it == m_reassemblyBuffers.end()) {
            ReassemblyBuffer buffer;
            buffer.cmd = frame.cmd;
            buffer.seq = frame.seq;
            buffer.totalFrames = frame.totalFrames;
            buffer.fragments.resize(frame.totalFrames);
            it = m_reassemblyBuffers.insert(key, std::move(buffer));
            lines.append({QStringLiteral("Started reassembly buffer. Cmd: 0x%1, Seq: %2, Total frames: %3")
                              .arg(hex(frame.cmd))
                              .arg(frame.seq)
                              .arg(frame.totalFrames),
                          LogInfo,
                          {}});
        }
        ReassemblyBuffer &buffer = it.value();
        if (fit == FragmentFit::Duplicate)
            lines.append({QStringLiteral("Duplicate frame received. Seq: %1").arg(frame.frameIndex), LogWarning, {}});
        buffer.fragments[frame.frameIndex] = frame.payload;
        buffer.lastIndex = frame.frameIndex;
        buffer.lastUpdateMs = readMs;
        lines.append({QStringLiteral("Frame %1/%2 received. Size: %3 bytes")
                          .arg(frame.frameIndex + 1)
                          .arg(buffer.totalFrames)
                          .arg(frame.payload.size()),
                      LogWarning,
                      {}});
        if (receivedFragments(buffer) == buffer.totalFrames) {
            QByteArray joined;
            joined.reserve(static_cast<qsizetype>(buffer.fragments.size()) * FrameCodec::MaxPayloadPerFrame);
            for (const QByteArray &fragment : buffer.fragments)
                joined += fragment;
            m_reassemblyBuffers.erase(it);
            lines.append({QStringLiteral("All frames received for command 0x%1. Total size: %2 bytes")
                              .arg(hex(frame.cmd))
                              .arg(joined.size()),
                          LogInfo,
                          {}});
            complete = std::move(joined);
        }
    }
    flush(lines);
    if (complete)
        dispatch(frame.cmd, frame.type, frame.seq, *complete);
}

void ProtocolHandler::cleanupTimeouts()
{
    if (!checkThread("cleanupTimeouts"))
        return;
    const qint64 nowMs = now();
    DeferredLog lines;
    const LogCallback deferred = deferTo(lines);
    QList<QByteArray> resent;
    RequestScheduler::CleanupResult result;
    bool droppedBuffer = false;
    {
        QMutexLocker locker(&m_mutex);
        const RequestScheduler::FrameSender resend = [&](quint16 cmd, CommandType type, quint8 seq,
                                                         const QByteArray &payload) {
            const std::vector<QByteArray> frames =
                FrameCodec::splitIntoFrames(cmd, type, seq, payload, m_encryptionEnabled, m_encryptionKey, deferred);
            for (const QByteArray &frame : frames)
                resent.append(frame);
            return !frames.empty();
        };
        result = RequestScheduler::cleanupTimeouts(nowMs, m_settings.requestTimeoutMs, m_settings.maxRetries,
                                                   m_settings.queuedTimeoutMs, m_pendingRequests, m_requestQueue,
                                                   resend, deferred);

        // Partial messages age in read time, up to the newest frame processed:
        // this clock may have run ahead of frames read in time that a stalled
        // thread on the way up (the GUI thread, this one) still holds. Frames
        // come up in read order, so once one read past a buffer's limit is
        // processed, nothing can complete it. A link that stays silent keeps
        // its partial message until the next frame or the link's reset; a
        // fragment read more than maxFragmentGapMs later begins a new one anyway.
        const qint64 timeout = m_settings.reassemblyTimeoutMs;
        for (auto it = m_reassemblyBuffers.begin(); it != m_reassemblyBuffers.end();) {
            const ReassemblyBuffer &buffer = it.value();
            const qint64 idle = m_newestReadMs - buffer.lastUpdateMs;
            const int received = receivedFragments(buffer);
            const bool underHalf = buffer.totalFrames == 0 || double(received) / buffer.totalFrames < 0.5;
            if (idle > timeout || (underHalf && idle > timeout / 2)) {
                lines.append({QStringLiteral("Frame reassembly timeout/incomplete. Cmd: 0x%1, Seq: %2, Frames: %3/%4")
                                  .arg(hex(buffer.cmd))
                                  .arg(buffer.seq)
                                  .arg(received)
                                  .arg(buffer.totalFrames),
                              LogWarning,
                              {}});
                it = m_reassemblyBuffers.erase(it);
                droppedBuffer = true;
            } else {
                ++it;
            }
        }
    }

    flush(lines);
    for (const QByteArray &frame : resent)
        emit frameReady(frame);
    for (const RequestScheduler::TimedOutRequest &timedOut : result.timedOut)
        emit timeoutError(timedOut.cmd, timedOut.seq, timedOut.info);
    for (const RequestScheduler::RejectedRequest &expired : result.expiredQueued)
        emit commandFailed(expired.cmd, expired.message);
    if (droppedBuffer)
        emit errorOccurred(QStringLiteral("Frame reassembly timeout or incomplete"));

    if (result.changed || droppedBuffer) {
        processNextQueuedRequest();
        log(QStringLiteral("Cleanup completed. Removed timed out requests/buffers"), LogWarning);
    }
}

} // namespace HeadsetProtocol
