// libFuzzer target over the headset receive path: ProtocolHandler::onIncomingData
// with resynchronisation, frame checks, reassembly, response matching and the
// decoding of replies and notifications, driven on the fuzzer's thread. The
// handler's deferred steps are queued here and run in order instead of on
// 1 ms timers; a hand-driven clock lets the sweep give up requests and drop
// partial messages. An oracle with its own frame decoder checks that every
// multi-frame message dispatched is one message's fragments, whole and in
// order, and that none that came whole is lost.
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
constexpr qsizetype TickBytes = 64;

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
    Observer(ProtocolHandler &handler, const qint64 &nowMs)
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
        QObject::connect(&handler, &ProtocolHandler::frameReceived, [this, &nowMs](const QByteArray &frame) {
            require(frame.size() >= FrameCodec::MinFrameSize && frame.size() <= FrameCodec::MaxFrameSize,
                    "frame size outside 11..64");
            requireSound(m_oracle.frameReceived(frame, nowMs));
        });
    }

    void fed(qsizetype bytes) { m_fedBytes += bytes; }
    // Every deferred step has run: no frame is being processed.
    void settled() { requireSound(m_oracle.settle()); }

private:
    // A message is made of bytes that came in; reassembly never invents any.
    void checkPayload(const QByteArray &payload) const
    {
        require(payload.size() <= m_fedBytes, "dispatched more bytes than were fed");
        require(payload.size() <= FrameCodec::MaxMessagePayload, "message above 255 frames");
    }

    QSet<quint32> m_outstanding;
    qsizetype m_fedBytes = 0;
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

    qint64 nowMs = 1'000'000;
    qint64 nextSweepMs = nowMs + SweepIntervalMs;
    qsizetype sinceTick = 0;
    std::deque<std::function<void()>> steps;
    ProtocolHandlerSettings settings;
    settings.clock = [&nowMs] { return nowMs; };
    settings.deferStep = [&steps](std::function<void()> step) { steps.push_back(std::move(step)); };
    ProtocolHandler handler(settings);
    Observer observer(handler, nowMs);
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
    for (std::size_t offset = 0; offset < size; offset += head.reportSize) {
        const std::size_t n = std::min(head.reportSize, size - offset);
        observer.fed(qsizetype(n));
        handler.onIncomingData(QByteArray(reinterpret_cast<const char *>(data + offset), qsizetype(n)));
        runSteps();
        // Time passes per 64 bytes, whatever the report size; the sweep runs
        // once a second, as the handler's cleanup timer does.
        for (sinceTick += qsizetype(n); sinceTick >= TickBytes; sinceTick -= TickBytes) {
            nowMs += head.stepMs;
            if (nowMs >= nextSweepMs) {
                nextSweepMs = nowMs + SweepIntervalMs;
                handler.cleanupTimeouts();
                runSteps();
            }
        }
    }
    // Everything left is given up by a late sweep.
    nowMs += 60'000;
    handler.cleanupTimeouts();
    runSteps();
    return 0;
}
