#include "HandlerFixture.h"

#include "tests/support/virtualheadset/HeadsetWire.h"

#include <QSignalSpy>
#include <QTest>

using namespace HeadsetProtocol;
namespace Wire = VirtualDevices::HeadsetWire;

namespace {

constexpr quint16 TestCmd = 0x50; // passed on without decoding
constexpr quint8 Seq = 5;

QByteArray pattern(int size, char first)
{
    QByteArray out(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        out[i] = char(first + i % 23);
    return out;
}

// The message's frames as the headset cuts them (53 payload bytes each).
std::vector<QByteArray> framesOf(CommandType type, const QByteArray &payload)
{
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(payload.constData());
    std::vector<QByteArray> out;
    for (const VirtualDevices::Bytes &frame : Wire::encodeMessage(TestCmd, Wire::FrameType(type), Seq,
                                                        {bytes, size_t(payload.size())}))
        out.push_back(QByteArray(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size())));
    return out;
}

// Bytes per message name: "A" has 3 frames, "B2".."B4" the count in their name.
QByteArray payloadOf(const QString &name)
{
    if (name == QLatin1String("A"))
        return pattern(3 * 53 - 20, 'a');
    const int frames = name.mid(1).toInt();
    return pattern((frames - 1) * 53 + 17, 'N');
}

} // namespace

// Multi-frame messages whose (type, command, sequence) repeat: the device's
// sequence numbers come round every 16 messages, so a later message may meet
// the buffer of an earlier one that lost a fragment.
class TestProtocolHandlerReassembly : public QObject
{
    Q_OBJECT

private slots:
    void repeatedSequenceNumbers_data()
    {
        QTest::addColumn<int>("type");
        // "<message><frame index>" fed in turn; "|" lets 2 s pass.
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("dispatched");
        QTest::addColumn<int>("staleDrops");
        QTest::addColumn<int>("duplicates");

        const int notify = int(CommandType::Notify);
        const int request = int(CommandType::Request);
        QTest::newRow("notify lost a fragment, then 2 frames") << notify << "A0 A2 | B20 B21" << QStringList{"B2"} << 1 << 0;
        QTest::newRow("notify lost a fragment, then 3 frames")
            << notify << "A0 A2 | B30 B31 B32" << QStringList{"B3"} << 1 << 0;
        QTest::newRow("notify lost a fragment, then 4 frames")
            << notify << "A0 A2 | B40 B41 B42 B43" << QStringList{"B4"} << 1 << 0;
        QTest::newRow("device request lost a fragment, then 3 frames")
            << request << "A0 A2 | B30 B31 B32" << QStringList{"B3"} << 1 << 0;
        QTest::newRow("device request lost a fragment, then 4 frames")
            << request << "A1 | B40 B41 B42 B43" << QStringList{"B4"} << 1 << 0;
        // The new message's first fragment fills the old one's gap: the pause tells them apart.
        QTest::newRow("notify lost its first fragment, then 3 frames")
            << notify << "A1 A2 | B30 B31 B32" << QStringList{"B3"} << 1 << 0;
        QTest::newRow("device request lost its first fragment, then 3 frames")
            << request << "A1 A2 | B30 B31 B32" << QStringList{"B3"} << 1 << 0;
        QTest::newRow("duplicate fragment") << notify << "A0 A1 A1 A2" << QStringList{"A"} << 0 << 1;
        // Same bytes are a repeat of the buffered fragment, not a new message.
        QTest::newRow("a fragment again at once") << notify << "A0 A1 A0 A2" << QStringList{"A"} << 0 << 1;
        QTest::newRow("the same message again later") << notify << "A0 A2 | A0 A1 A2" << QStringList{"A"} << 1 << 0;
        QTest::newRow("two whole messages") << notify << "A0 A1 A2 | B30 B31 B32" << QStringList{"A", "B3"} << 0 << 0;
    }

    void repeatedSequenceNumbers()
    {
        QFETCH(int, type);
        QFETCH(QString, script);
        QFETCH(QStringList, dispatched);
        QFETCH(int, staleDrops);
        QFETCH(int, duplicates);

        HandlerFixture f;
        QSignalSpy notifies(&f.handler, &ProtocolHandler::notifyReceived);
        QSignalSpy requests(&f.handler, &ProtocolHandler::requestReceived);
        for (const QString &step : script.split(QLatin1Char(' '))) {
            if (step == QLatin1String("|")) {
                QVERIFY(f.drain()); // what came before the pause is taken before it
                f.nowMs += 2000;
                f.handler.cleanupTimeouts(); // too early for the sweep to drop anything
                continue;
            }
            const QString name = step.chopped(1);
            const int index = step.right(1).toInt();
            f.feed(framesOf(CommandType(type), payloadOf(name)).at(size_t(index)));
        }
        QVERIFY(f.drain());

        QList<QByteArray> got;
        for (const QList<QVariant> &args : notifies) {
            if (args.at(0).value<ushort>() == TestCmd)
                got << args.at(1).toByteArray();
        }
        for (const QList<QVariant> &args : requests)
            got << args.at(2).toByteArray();
        QList<QByteArray> expected;
        for (const QString &name : dispatched)
            expected << payloadOf(name);
        QCOMPARE(got, expected);

        const QStringList lines = f.logLines();
        QCOMPARE(int(lines.filter(QStringLiteral("[WARN] Stale partial message dropped, a new one began")).size()),
                 staleDrops);
        QCOMPARE(int(lines.filter(QStringLiteral("[WARN] Duplicate frame received.")).size()), duplicates);
        QVERIFY(lines.filter(QStringLiteral("Invalid frame sequence number")).isEmpty());
    }

    void staleDropIsLoggedWithItsFragments()
    {
        HandlerFixture f;
        f.feed(framesOf(CommandType::Notify, payloadOf("A")).at(0));
        f.feed(framesOf(CommandType::Notify, payloadOf("B4")).at(0));
        QVERIFY(f.drain());
        QVERIFY2(f.hasLog("[WARN] Stale partial message dropped, a new one began. Cmd: 0x50, Seq: 5, Frames: 1/3, "
                          "new total: 4"),
                 qPrintable(f.logLines().join('\n')));
    }

    // A fragment whose index lies past its own total is refused without
    // touching the message buffered under its key.
    void fragmentPastItsOwnTotalKeepsTheBuffer()
    {
        HandlerFixture f;
        QSignalSpy notifies(&f.handler, &ProtocolHandler::notifyReceived);
        QSignalSpy errors(&f.handler, &ProtocolHandler::errorOccurred);
        const auto a = framesOf(CommandType::Notify, payloadOf("A"));
        f.feed(a[0]);
        Wire::Frame bad;
        bad.sequence = Seq;
        bad.command = TestCmd;
        bad.type = std::uint8_t(CommandType::Notify);
        bad.frameIndex = 4;
        bad.totalFrames = 4;
        bad.payload = {1, 2, 3};
        const VirtualDevices::Bytes encoded = Wire::encodeFrame(bad);
        f.feed(QByteArray(reinterpret_cast<const char *>(encoded.data()), qsizetype(encoded.size())));
        f.feed(a[1]);
        f.feed(a[2]);
        QVERIFY(f.drain());
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("Invalid frame sequence number: 4 (max: 3)"));
        QCOMPARE(notifies.size(), 2); // the message and the drain sentinel
        QCOMPARE(notifies.at(0).at(1).toByteArray(), payloadOf("A"));
    }
};

QTEST_GUILESS_MAIN(TestProtocolHandlerReassembly)
#include "tst_protocolhandler_reassembly.moc"
