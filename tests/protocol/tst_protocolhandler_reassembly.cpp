#include "ReassemblyScript.h"
#include "SteppedHandler.h"

#include "tests/support/virtualheadset/HeadsetWire.h"

#include <QSignalSpy>
#include <QTest>

using namespace HeadsetProtocol;
namespace Wire = VirtualDevices::HeadsetWire;
namespace Script = ReassemblyScript;

// Multi-frame messages whose (type, command, sequence) repeat: the device's
// sequence numbers come round every 16 messages, so a later message may meet
// the buffer of an earlier one that lost a fragment. The host may take any
// time to get round to a frame; what is dispatched must not depend on it.
class TestProtocolHandlerReassembly : public QObject
{
    Q_OBJECT

private slots:
    void messagesWhateverTheHostsDelays_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("script"); // see ReassemblyScript
        QTest::addColumn<QString>("dispatched"); // messages in the order of dispatch
        QTest::addColumn<int>("staleDrops");
        QTest::addColumn<int>("duplicates");
        QTest::addColumn<qint64>("fragmentGapMs");
        QTest::addColumn<qint64>("messageGapMs");

        struct Case
        {
            const char *name;
            CommandType type;
            const char *script;
            const char *dispatched;
            int staleDrops;
            int duplicates;
        };
        const CommandType notify = CommandType::Notify;
        const Case cases[] = {
            {"lost first fragment", notify, "A1 A2 B0 B1 B2", "B", 1, 0},
            {"lost middle fragment", notify, "A0 A2 B0 B1 B2", "B", 1, 0},
            {"lost last fragment", notify, "A0 A1 B0 B1 B2", "B", 1, 0},
            {"device request lost its first fragment", CommandType::Request, "A1 A2 B0 B1 B2", "B", 1, 0},
            {"lost first fragment, then two frames", notify, "A1 A2 D0 D1", "D", 1, 0},
            {"lost first fragment, then four frames", notify, "A1 A2 E0 E1 E2 E3", "E", 1, 0},
            {"lost middle fragment, the next begins with the same bytes", notify, "A0 A2 C0 C1 C2", "C", 1, 0},
            {"lost last fragment, the next begins with the same bytes", notify, "A0 A1 C0 C1 C2", "C", 1, 0},
            // Nothing tells the two first fragments apart, nor needs to: C's bytes are dispatched.
            {"lost all but the first, the next begins with the same bytes", notify, "A0 C0 C1 C2", "C", 0, 1},
            {"fragments processed 1.5 s and 4 s apart", notify, "A0 +1500 A1 +4000 A2", "A", 0, 0},
            {"two of three completed after 1.5 s", notify, "A0 A1 +1500 A2", "A", 0, 0},
            {"duplicate fragment", notify, "A0 A1 A1 A2", "A", 0, 1},
            {"interleaved sequence numbers with a notify between", notify, "A0,F0,N0 A1,F1 A2,F2", "NAF", 0, 0},
            {"two whole messages", notify, "A0 A1 A2 B0 B1 B2", "AB", 0, 0},
            {"the same message again after a loss", notify, "A0 A2 A0 A1 A2", "A", 1, 0},
            // The link keeps the device's order, so frames never come 2, 0, 1:
            // an index below the last one stored is a new message.
            {"frames out of order", notify, "A2 A0 A1", "", 1, 0},
        };
        const qint64 gaps[] = {0, 200, 1200, 4000};
        for (const Case &c : cases) {
            for (const qint64 fragmentGap : gaps) {
                for (const qint64 messageGap : gaps) {
                    QTest::addRow("%s, fragments %lld ms, messages %lld ms apart", c.name, fragmentGap, messageGap)
                        << int(c.type) << QString::fromLatin1(c.script) << QString::fromLatin1(c.dispatched)
                        << c.staleDrops << c.duplicates << fragmentGap << messageGap;
                }
            }
        }
    }

    void messagesWhateverTheHostsDelays()
    {
        QFETCH(int, type);
        QFETCH(QString, script);
        QFETCH(QString, dispatched);
        QFETCH(int, staleDrops);
        QFETCH(int, duplicates);
        QFETCH(qint64, fragmentGapMs);
        QFETCH(qint64, messageGapMs);

        SteppedHandler stepped;
        QSignalSpy notifies(&stepped.handler(), &ProtocolHandler::notifyReceived);
        QSignalSpy requests(&stepped.handler(), &ProtocolHandler::requestReceived);
        QSignalSpy errors(&stepped.handler(), &ProtocolHandler::errorOccurred);
        Script::run(script, {CommandType(type), fragmentGapMs, messageGapMs,
                             [&](qint64 ms) { stepped.advance(ms); },
                             [&](const QByteArray &frame) { stepped.feed(frame); }});

        QList<QByteArray> got;
        for (const QList<QVariant> &args : notifies)
            got << args.at(1).toByteArray();
        for (const QList<QVariant> &args : requests)
            got << args.at(2).toByteArray();
        QList<QByteArray> expected;
        for (const QChar message : dispatched)
            expected << Script::payloadOf(message);
        QCOMPARE(got, expected);

        const QStringList lines = stepped.fixture().logLines();
        QCOMPARE(int(lines.filter(QStringLiteral("[WARN] Stale partial message dropped, a new one began")).size()),
                 staleDrops);
        QCOMPARE(int(lines.filter(QStringLiteral("[WARN] Duplicate frame received.")).size()), duplicates);
        // Neither a frame refused nor a partial message swept away.
        QCOMPARE(errors.size(), 0);
    }

    void staleDropIsLoggedWithItsFragments_data()
    {
        QTest::addColumn<QString>("next");
        QTest::addColumn<QString>("line");
        QTest::newRow("another total") << "E0"
                                       << "Frames: 2/3, last: 2, new: 1/4";
        QTest::newRow("an index below the last") << "B0"
                                                 << "Frames: 2/3, last: 2, new: 1/3";
        QTest::newRow("the last index with other bytes") << "B1"
                                                         << "Frames: 2/3, last: 2, new: 2/3";
    }

    void staleDropIsLoggedWithItsFragments()
    {
        QFETCH(QString, next);
        QFETCH(QString, line);
        SteppedHandler stepped;
        Script::run("A0 A1 " + next, {CommandType::Notify, 0, 0, [&](qint64 ms) { stepped.advance(ms); },
                                      [&](const QByteArray &frame) { stepped.feed(frame); }});
        const QString expected =
            QStringLiteral("[WARN] Stale partial message dropped, a new one began. Cmd: 0x50, Seq: 5, ") + line;
        QVERIFY2(stepped.fixture().hasLog(expected), qPrintable(stepped.fixture().logLines().join('\n')));
    }

    // A fragment whose index lies past its own total is refused without
    // touching the message buffered under its key.
    void fragmentPastItsOwnTotalKeepsTheBuffer()
    {
        HandlerFixture f;
        QSignalSpy notifies(&f.handler, &ProtocolHandler::notifyReceived);
        QSignalSpy errors(&f.handler, &ProtocolHandler::errorOccurred);
        const auto a = Script::framesOf('A', CommandType::Notify);
        f.feed(a[0]);
        Wire::Frame bad;
        bad.sequence = 5;
        bad.command = Script::Command;
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
        QCOMPARE(notifies.at(0).at(1).toByteArray(), Script::payloadOf('A'));
    }
};

QTEST_GUILESS_MAIN(TestProtocolHandlerReassembly)
#include "tst_protocolhandler_reassembly.moc"
