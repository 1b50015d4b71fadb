// libFuzzer target over the headset receive path: ProtocolHandler::onIncomingData
// with resynchronisation, frame checks, reassembly, response matching and the
// decoding of replies and notifications, driven on the fuzzer's thread. The
// handler's deferred steps are queued here and run in order instead of on
// 1 ms timers. Each report is read at the time the input gives and handed in
// when the handler gets to it; a hand-driven clock runs the sweep once a second
// meanwhile, which gives up requests and drops partial messages. An oracle with
// its own frame decoder, told which message each report belongs to, checks
// that every multi-frame message dispatched is one message's fragments, whole
// and in order (or fragments read back to back, which nothing tells apart),
// and that none that came whole is lost, however late the handler got to it.
#include "protocol/Commands.h"
#include "protocol/FrameCodec.h"
#include "protocol/ProtocolHandler.h"
#include "tests/fuzz/FuzzEnvironment.h"
#include "tests/fuzz/ReassemblyOracle.h"
#include "tests/fuzz/ReceivePathInput.h"

#include <QSet>

#include <cstdint>
#include <deque>
#include <functional>

using namespace HeadsetProtocol;
using FuzzEnvironment::require;

namespace {

constexpr qint64 SweepIntervalMs = 1000;

quint32 requestKey(ushort cmd, uchar seq)
{
    return (quint32(cmd) << 8) | seq;
}

// Commands whose responses lose a leading status byte on their way out.
bool hasStatusByte(ushort cmd)
{
    return cmd >= Command::FactoryReset && cmd <= Command::ReceiverUnbind;
}

void requireSound(const QString &failure)
{
    require(failure.isEmpty(), qPrintable(failure));
}

// Watches the handler's signals and checks what they may carry.
class Observer
{
public:
    explicit Observer(ProtocolHandler &handler)
    {
        QObject::connect(&handler, &ProtocolHandler::requestSent, [this](ushort cmd, uchar seq) {
            require(seq <= 15, "sequence number above 15");
            m_outstanding.insert(requestKey(cmd, seq));
        });
        QObject::connect(&handler, &ProtocolHandler::timeoutError, [this](ushort cmd, uchar seq, const QString &) {
            require(m_outstanding.remove(requestKey(cmd, seq)), "time-out of a request that was not pending");
        });
        QObject::connect(&handler, &ProtocolHandler::responseReceived,
                         [this](ushort cmd, uchar seq, ResponseStatus, const QByteArray &data) {
                             // A response is matched once, and only to a request still pending.
                             require(m_outstanding.remove(requestKey(cmd, seq)), "response without a pending request");
                             checkPayload(data);
                             requireSound(m_oracle.dispatched(quint8(CommandType::Response), cmd, seq, data,
                                                              hasStatusByte(cmd)));
                         });
        QObject::connect(&handler, &ProtocolHandler::notifyReceived, [this](ushort cmd, const QByteArray &payload) {
            checkPayload(payload);
            requireSound(m_oracle.dispatched(quint8(CommandType::Notify), cmd, -1, payload));
        });
        QObject::connect(&handler, &ProtocolHandler::requestReceived,
                         [this](ushort cmd, uchar seq, const QByteArray &payload) {
                             require(seq <= 15, "device request with a sequence number above 15");
                             checkPayload(payload);
                             requireSound(m_oracle.dispatched(quint8(CommandType::Request), cmd, seq, payload));
                         });
        QObject::connect(&handler, &ProtocolHandler::frameReceived, [this](const QByteArray &frame) {
            require(frame.size() >= FrameCodec::MinFrameSize && frame.size() <= FrameCodec::MaxFrameSize,
                    "frame size outside 11..64");
            // Every frame it holds is processed before the next report comes.
            requireSound(m_oracle.frameReceived(frame, m_report.readMs, m_report.message));
        });
    }

    // The report handed in next: when it was read, which message it belongs to.
    void fed(const ReceivePathInput::Report &report, qint64 readMs)
    {
        m_fedBytes += report.bytes.size();
        m_report = {readMs, report.message};
    }
    // Every deferred step has run: no frame is being processed.
    void settled() { requireSound(m_oracle.settle()); }

private:
    // A message is made of bytes that came in; reassembly never invents any.
    void checkPayload(const QByteArray &payload) const
    {
        require(payload.size() <= m_fedBytes, "dispatched more bytes than were fed");
        require(payload.size() <= FrameCodec::MaxMessagePayload, "message above 255 frames");
    }

    struct Fed
    {
        qint64 readMs = 0;
        int message = 0;
    };

    QSet<quint32> m_outstanding;
    qsizetype m_fedBytes = 0;
    Fed m_report;
    ReassemblyOracle m_oracle;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzEnvironment::ensureQtCore();
    if (size < ReceivePathInput::HeadSize)
        return 0;
    const ReceivePathInput::Head head = ReceivePathInput::readHead(data);
    data += ReceivePathInput::HeadSize;
    size -= ReceivePathInput::HeadSize;

    qint64 nowMs = 1'000'000; // the handler's clock
    qint64 readMs = nowMs;    // when the report handed in last was read
    qint64 nextSweepMs = nowMs + SweepIntervalMs;
    std::deque<std::function<void()>> steps;
    ProtocolHandlerSettings settings;
    settings.clock = [&nowMs] { return nowMs; };
    settings.deferStep = [&steps](std::function<void()> step) { steps.push_back(std::move(step)); };
    ProtocolHandler handler(settings);
    Observer observer(handler);
    const auto runSteps = [&steps, &observer] {
        // A step may queue the next one; a burst of frames is bounded by the input.
        while (!steps.empty()) {
            const std::function<void()> step = std::move(steps.front());
            steps.pop_front();
            step();
        }
        observer.settled();
    };

    handler.setStripReportId(head.stripReportId);
    ReceivePathInput::sendRequests(handler, head);
    for (const ReceivePathInput::Report &report : ReceivePathInput::readReports(data, size, head)) {
        readMs += report.readGapMs;
        // The handler gets to it after the delay, never before it was read;
        // its sweep runs once a second meanwhile, as its cleanup timer does.
        const qint64 dueMs = std::max(nowMs + report.processingDelayMs, readMs);
        while (nextSweepMs <= dueMs) {
            nowMs = nextSweepMs;
            nextSweepMs += SweepIntervalMs;
            handler.cleanupTimeouts();
            runSteps();
        }
        nowMs = dueMs;
        observer.fed(report, readMs);
        handler.onIncomingData(report.bytes, readMs);
        runSteps();
    }
    // Everything left is given up by a late sweep.
    nowMs += 60'000;
    handler.cleanupTimeouts();
    runSteps();
    return 0;
}
