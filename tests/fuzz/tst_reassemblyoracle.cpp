// The receive-path fuzz target's reassembly oracle, checked both ways: the
// handler passes it on the scripts of its own reassembly tests, and each kind
// of fault the oracle names fails it, shown by a stub reassembler with that
// fault or by a dispatch that goes astray.
#include "tests/fuzz/ReassemblyOracle.h"
#include "tests/protocol/ReassemblyScript.h"
#include "tests/protocol/SteppedHandler.h"
#include "tests/support/virtualheadset/HeadsetWire.h"

#include <QHash>
#include <QTest>

#include <algorithm>
#include <memory>
#include <utility>
#include <optional>
#include <vector>

using namespace HeadsetProtocol;
namespace Script = ReassemblyScript;
namespace Wire = VirtualDevices::HeadsetWire;

namespace {

enum class Reassembler {
    Handler,       // the protocol handler
    SlotFiller,    // fills slots by index and never starts a new message on the same total
    OneSecondGap,  // and starts one after a second without fragments, on the clock it processes them by
    OrderOnly,     // starts one when a fragment does not follow the last stored, whenever it was read
    ArrivalOrder,  // joins the first `total` fragments in the order they came
    DropsLastByte, // right fragments, one byte short
};

// The faulty reassemblers; frames are decoded with the virtual headset's codec.
class StubReassembler
{
public:
    explicit StubReassembler(Reassembler kind) : m_kind(kind) {}

    // The message the frame completed, if any; `nowMs` is when it is processed.
    std::optional<QByteArray> feed(const QByteArray &frame, qint64 nowMs)
    {
        const auto decoded = Wire::decodeFrame(
            {reinterpret_cast<const std::uint8_t *>(frame.constData()), std::size_t(frame.size())});
        const Wire::Frame &f = *decoded.frame;
        const QByteArray payload(reinterpret_cast<const char *>(f.payload.data()), qsizetype(f.payload.size()));
        if (f.totalFrames < 2)
            return payload;
        const quint32 key = (quint32(f.type) << 24) | (quint32(f.command) << 8) | f.sequence;
        Buffer &b = m_buffers[key];
        const bool stale = m_kind == Reassembler::OneSecondGap && !b.byIndex.empty() && nowMs - b.lastMs > 1000;
        const bool outOfTurn = m_kind == Reassembler::OrderOnly && !b.byIndex.empty()
            && (f.frameIndex < b.lastIndex || (f.frameIndex == b.lastIndex && b.byIndex[f.frameIndex] != payload));
        if (b.byIndex.size() != f.totalFrames || stale || outOfTurn) {
            b = Buffer{};
            b.byIndex.resize(f.totalFrames);
        }
        b.lastMs = nowMs;
        b.lastIndex = f.frameIndex;
        b.byIndex[f.frameIndex] = payload;
        b.arrived.push_back(payload);
        const bool whole = std::all_of(b.byIndex.begin(), b.byIndex.end(), [](const QByteArray &s) { return !s.isEmpty(); });
        if (!whole)
            return std::nullopt;
        QByteArray joined;
        for (const QByteArray &s : m_kind == Reassembler::ArrivalOrder ? b.arrived : b.byIndex)
            joined += s;
        m_buffers.remove(key);
        if (m_kind == Reassembler::DropsLastByte)
            joined.chop(1);
        return joined;
    }

private:
    struct Buffer
    {
        std::vector<QByteArray> byIndex;
        std::vector<QByteArray> arrived;
        qint64 lastMs = 0;
        int lastIndex = -1;
    };

    Reassembler m_kind;
    QHash<quint32, Buffer> m_buffers;
};

// Runs the script through the reassembler with the oracle watching, the
// frames read `readGapMs` apart and processed `processingDelayMs` apart (see
// ReassemblyScript); the oracle's first complaint, or an empty string.
QString judge(Reassembler kind, const QString &script, qint64 readGapMs, qint64 processingDelayMs)
{
    ReassemblyOracle oracle;
    QString failure;
    const auto note = [&failure](const QString &f) {
        if (failure.isEmpty())
            failure = f;
    };
    Script::Walk walk;
    walk.fragmentGapMs = readGapMs;
    walk.messageGapMs = readGapMs;
    walk.processingDelayMs = processingDelayMs;
    SteppedHandler stepped;
    walk.startMs = stepped.nowMs();
    qint64 nowMs = walk.startMs;
    qint64 readMs = 0; // of the frame being fed
    QChar message;     // ...and the message it belongs to
    if (kind == Reassembler::Handler) {
        ProtocolHandler *handler = &stepped.handler();
        QObject::connect(handler, &ProtocolHandler::frameReceived, [&](const QByteArray &frame) {
            note(oracle.frameReceived(frame, readMs, message.unicode()));
        });
        QObject::connect(handler, &ProtocolHandler::notifyReceived, [&](ushort cmd, const QByteArray &payload) {
            note(oracle.dispatched(quint8(CommandType::Notify), cmd, -1, payload));
        });
        walk.advance = [&](qint64 ms) { stepped.advance(ms); };
        walk.feed = [&](const QByteArray &frame, qint64 frameReadMs, QChar frameMessage) {
            readMs = frameReadMs;
            message = frameMessage;
            stepped.feed(frame, frameReadMs);
            note(oracle.settle());
        };
    } else {
        auto stub = std::make_shared<StubReassembler>(kind);
        walk.advance = [&](qint64 ms) { nowMs += ms; };
        walk.feed = [&, stub](const QByteArray &frame, qint64 frameReadMs, QChar frameMessage) {
            note(oracle.frameReceived(frame, frameReadMs, frameMessage.unicode()));
            if (const std::optional<QByteArray> whole = stub->feed(frame, nowMs))
                note(oracle.dispatched(quint8(CommandType::Notify), Script::Command, -1, *whole));
            note(oracle.settle());
        };
    }
    Script::run(script, walk);
    return failure;
}

const QString Mixed = QStringLiteral("a message dispatched that is not the fragments 0..n-1 of one message fed in turn");
const QString Lost = QStringLiteral("a whole message fed in turn was not dispatched");
const QString Altered = QStringLiteral("a dispatched message differs from the fragments fed");
const QString MixedFarApart = QStringLiteral("a dispatched message mixes messages read more than a second apart");

} // namespace

class TestReassemblyOracle : public QObject
{
    Q_OBJECT

private slots:
    void judgesReassemblers_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("script");
        QTest::addColumn<qint64>("readGapMs");
        QTest::addColumn<qint64>("processingDelayMs");
        QTest::addColumn<QString>("failure");

        const int handler = int(Reassembler::Handler);
        for (const char *script : {"A1 A2 B0 B1 B2", "A0 A2 C0 C1 C2", "A0 C0 C1 C2", "A0 A1 A1 A2",
                                   "A0,F0,N0 A1,F1 A2,F2", "A2 A0 A1", "A0 ~4900 A1 ~4900 A2", "A0 +8000 B1 B2",
                                   "D0 +4900 G1", "A0 +900 B1 B2"}) {
            for (const auto &[gap, delay] : {std::pair<qint64, qint64>{0, 0}, {5, 6000}, {900, 1200}, {1200, 0}}) {
                QTest::addRow("handler: %s, read %lld ms, processed %lld ms apart", script, gap, delay)
                    << handler << script << gap << delay << QString();
            }
        }
        // What the device's timing splits is not required: a fragment 1.1 s after the one before.
        QTest::newRow("handler: a message read too slowly") << handler << "A0 +1100 A1 A2" << qint64(0) << qint64(0)
                                                            << QString();

        QTest::newRow("slot filler: a lost first fragment filled by the next message")
            << int(Reassembler::SlotFiller) << "A1 A2 B0 B1 B2" << qint64(0) << qint64(0) << Mixed;
        QTest::newRow("slot filler: a lost middle fragment, the next begins with the same bytes")
            << int(Reassembler::SlotFiller) << "A0 A2 C0 C1 C2" << qint64(0) << qint64(0) << Mixed;
        QTest::newRow("slot filler: frames 2, 0, 1 taken as one message")
            << int(Reassembler::SlotFiller) << "A2 A0 A1" << qint64(0) << qint64(0) << Mixed;
        QTest::newRow("one-second gap: a message read back to back, processed slowly, is lost")
            << int(Reassembler::OneSecondGap) << "A0 A1 A2" << qint64(5) << qint64(1200) << Lost;
        QTest::newRow("one-second gap: the next message within the second fills the gap")
            << int(Reassembler::OneSecondGap) << "A1 A2 B0 B1 B2" << qint64(200) << qint64(0) << Mixed;
        QTest::newRow("order only: a tail lost, a head lost 8 s later")
            << int(Reassembler::OrderOnly) << "A0 +8000 B1 B2" << qint64(0) << qint64(0) << MixedFarApart;
        QTest::newRow("order only: two-frame messages, a tail lost, a head lost 1.1 s later")
            << int(Reassembler::OrderOnly) << "D0 +1100 G1" << qint64(0) << qint64(0) << MixedFarApart;
        // What nothing in the frames tells apart passes.
        QTest::newRow("order only: a tail lost, a head lost within the second")
            << int(Reassembler::OrderOnly) << "A0 +900 B1 B2" << qint64(0) << qint64(0) << QString();
        QTest::newRow("arrival order: joined as they came")
            << int(Reassembler::ArrivalOrder) << "A1 A0 A2" << qint64(0) << qint64(0) << Mixed;
        QTest::newRow("drops a byte") << int(Reassembler::DropsLastByte) << "A0 A1 A2" << qint64(0) << qint64(0)
                                      << Altered;
    }

    void judgesReassemblers()
    {
        QFETCH(int, kind);
        QFETCH(QString, script);
        QFETCH(qint64, readGapMs);
        QFETCH(qint64, processingDelayMs);
        QFETCH(QString, failure);
        QCOMPARE(judge(Reassembler(kind), script, readGapMs, processingDelayMs), failure);
    }

    // Dispatches that do not belong to the fragment just processed.
    void misdirectedDispatches()
    {
        const auto frames = Script::framesOf('A', CommandType::Notify);
        ReassemblyOracle oracle;
        QCOMPARE(oracle.frameReceived(frames[0], 0, 'A'), QString());
        QCOMPARE(oracle.frameReceived(frames[1], 0, 'A'), QString());
        QCOMPARE(oracle.frameReceived(frames[2], 0, 'A'), QString());
        QCOMPARE(oracle.dispatched(quint8(CommandType::Request), Script::Command, 5, Script::payloadOf('A')),
                 QStringLiteral("a message dispatched under another key than the fragment that completed it"));
        QCOMPARE(oracle.dispatched(quint8(CommandType::Notify), Script::Command, -1, Script::payloadOf('A')), QString());
        QCOMPARE(oracle.dispatched(quint8(CommandType::Notify), Script::Command, -1, Script::payloadOf('A')),
                 QStringLiteral("two messages dispatched for one fragment"));
        QCOMPARE(oracle.settle(), QString());
    }
};

QTEST_GUILESS_MAIN(TestReassemblyOracle)
#include "tst_reassemblyoracle.moc"
