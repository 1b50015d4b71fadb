#include "ReassemblyScript.h"
#include "SteppedHandler.h"

#include "protocol/Commands.h"
#include "tests/support/virtualheadset/EqRecord.h"
#include "tests/support/virtualheadset/HeadsetPayloads.h"
#include "tests/support/virtualheadset/HeadsetWire.h"

#include <QSignalSpy>
#include <QTest>

using namespace HeadsetProtocol;
namespace Wire = VirtualDevices::HeadsetWire;
namespace Script = ReassemblyScript;

namespace {

// Read gaps between the frames of one message: the device sends them back to
// back, so a link that loses none stays well within the second.
const qint64 FragmentReadGaps[] = {0, 5, 900};
// Read gaps between messages, on both sides of the second.
const qint64 MessageReadGaps[] = {0, 5, 900, 1100, 4900, 8000};
// How long after the frame before the handler gets to each frame: a busy
// host, a stalled thread on the way up.
const qint64 ProcessingDelays[] = {0, 1200, 6000};

Script::Walk steppedWalk(SteppedHandler &stepped, CommandType type, qint64 fragmentGapMs, qint64 messageGapMs,
                         qint64 processingDelayMs)
{
    Script::Walk walk;
    walk.type = type;
    walk.fragmentGapMs = fragmentGapMs;
    walk.messageGapMs = messageGapMs;
    walk.processingDelayMs = processingDelayMs;
    walk.startMs = stepped.nowMs();
    walk.advance = [&stepped](qint64 ms) { stepped.advance(ms); };
    walk.feed = [&stepped](const QByteArray &frame, qint64 readMs, QChar) { stepped.feed(frame, readMs); };
    return walk;
}

// Two EQ auto-reports of two frames each under one sequence number, with
// other values in every field.
VirtualDevices::EqRecord eqReport(QChar message)
{
    VirtualDevices::EqRecord record = VirtualDevices::factoryEqRecord();
    if (message == QLatin1Char('A')) {
        record.index = 3;
        record.gains = {300, 250, 200, 150, 100, 50, 0, -50, -100, -150};
        record.qValues.assign(10, 70);
    } else {
        record.index = 7;
        record.gains = {-600, -500, -400, -300, -200, -100, 0, 100, 200, 300};
        record.qValues.assign(10, 400);
    }
    return record;
}

std::vector<QByteArray> eqReportFrames(QChar message)
{
    const VirtualDevices::HeadsetState state{.eq = VirtualDevices::encodeEqRecord(eqReport(message))};
    const VirtualDevices::NotifyItem items[] = {VirtualDevices::NotifyItem::EqAutoReport};
    const VirtualDevices::Bytes payload = VirtualDevices::HeadsetPayloads::notifyPayload(state, items);
    std::vector<QByteArray> out;
    for (const VirtualDevices::Bytes &frame :
         Wire::encodeMessage(Command::DeviceNotify, Wire::FrameType::Notify, 9, payload))
        out.push_back(QByteArray(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size())));
    return out;
}

QString describe(const EQData &eq)
{
    QStringList gains, qs;
    for (const qint16 g : eq.gains)
        gains << QString::number(g);
    for (const qint16 q : eq.qValues)
        qs << QString::number(q);
    return QStringLiteral("index %1, gains %2, Q %3").arg(eq.index).arg(gains.join(','), qs.join(','));
}

QString describe(const VirtualDevices::EqRecord &record)
{
    EQData eq;
    eq.index = record.index;
    eq.gains = record.gains;
    eq.qValues = record.qValues;
    return describe(eq);
}

} // namespace

// Multi-frame messages whose (type, command, sequence) repeat: the device's
// sequence numbers come round every 16 messages, so a later message may meet
// the buffer of an earlier one that lost a fragment. What is dispatched
// depends on when the frames were read, never on when the host got to them.
class TestProtocolHandlerReassembly : public QObject
{
    Q_OBJECT

private slots:
    void messagesWhateverTheHostsDelays_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("script"); // see ReassemblyScript
        QTest::addColumn<QString>("dispatched"); // messages in the order of dispatch, see expectedPayloads
        QTest::addColumn<int>("staleDrops");
        QTest::addColumn<int>("duplicates");
        QTest::addColumn<qint64>("fragmentReadGapMs");
        QTest::addColumn<qint64>("messageReadGapMs");
        QTest::addColumn<qint64>("processingDelayMs");

        struct Outcome
        {
            const char *dispatched;
            int staleDrops;
            int duplicates;
        };
        // `near`: the messages were read within a second of each other; `far`: further apart.
        struct Case
        {
            const char *name;
            CommandType type;
            const char *script;
            Outcome near;
            Outcome far;
        };
        const CommandType notify = CommandType::Notify;
        const Case cases[] = {
            {"lost first fragment", notify, "A1 A2 B0 B1 B2", {"B", 1, 0}, {"B", 1, 0}},
            {"lost middle fragment", notify, "A0 A2 B0 B1 B2", {"B", 1, 0}, {"B", 1, 0}},
            {"lost last fragment", notify, "A0 A1 B0 B1 B2", {"B", 1, 0}, {"B", 1, 0}},
            {"device request lost its first fragment", CommandType::Request, "A1 A2 B0 B1 B2", {"B", 1, 0},
             {"B", 1, 0}},
            {"lost first fragment, then two frames", notify, "A1 A2 D0 D1", {"D", 1, 0}, {"D", 1, 0}},
            {"lost first fragment, then four frames", notify, "A1 A2 E0 E1 E2 E3", {"E", 1, 0}, {"E", 1, 0}},
            {"lost middle fragment, the next begins with the same bytes", notify, "A0 A2 C0 C1 C2", {"C", 1, 0},
             {"C", 1, 0}},
            {"lost last fragment, the next begins with the same bytes", notify, "A0 A1 C0 C1 C2", {"C", 1, 0},
             {"C", 1, 0}},
            // Nothing tells the two first fragments apart, nor needs to: C's bytes are dispatched.
            {"lost all but the first, the next begins with the same bytes", notify, "A0 C0 C1 C2", {"C", 0, 1},
             {"C", 1, 0}},
            {"duplicate fragment", notify, "A0 A1 A1 A2", {"A", 0, 1}, {"A", 0, 1}},
            {"interleaved sequence numbers with a notify between", notify, "A0,F0,N0 A1,F1 A2,F2", {"NAF", 0, 0},
             {"N", 4, 0}},
            {"two whole messages", notify, "A0 A1 A2 B0 B1 B2", {"AB", 0, 0}, {"AB", 0, 0}},
            {"the same message again after a loss", notify, "A0 A2 A0 A1 A2", {"A", 1, 0}, {"A", 1, 0}},
            // The link keeps the device's order, so frames never come 2, 0, 1:
            // an index below the last one stored is a new message.
            {"frames out of order", notify, "A2 A0 A1", {"", 1, 0}, {"", 1, 0}},
            {"one message", notify, "A0 A1 A2", {"A", 0, 0}, {"A", 0, 0}},
            // Within the second nothing in the frames tells the two apart: the
            // one case where a mix goes out (see the README).
            {"a tail lost, then a head lost", notify, "A0 B1 B2", {"[A0B1B2]", 0, 0}, {"", 1, 0}},
            {"two-frame messages, a tail lost, then a head lost", notify, "D0 G1", {"[D0G1]", 0, 0}, {"", 1, 0}},
            {"fragments processed 1.5 s and 4 s apart", notify, "A0 ~1500 A1 ~4000 A2", {"A", 0, 0}, {"A", 0, 0}},
            {"two of three completed after 1.5 s", notify, "A0 A1 ~1500 A2", {"A", 0, 0}, {"A", 0, 0}},
            {"fragments read a second apart", notify, "A0 +1000 A1 +1000 A2", {"A", 0, 0}, {"A", 0, 0}},
            {"a fragment read just over a second after the one before", notify, "A0 +1001 A1 A2", {"", 1, 0},
             {"", 1, 0}},
            {"two of three, the last read 1.5 s later", notify, "A0 A1 +1500 A2", {"", 1, 0}, {"", 1, 0}},
        };
        for (const Case &c : cases) {
            const QString script = QString::fromLatin1(c.script);
            // A script of one message has no gap between messages to vary.
            bool severalMessages = false;
            for (const QChar ch : script)
                severalMessages |= ch.isLetter() && ch != script.at(0);
            for (const qint64 fragmentGap : FragmentReadGaps) {
                for (const qint64 messageGap : MessageReadGaps) {
                    if (!severalMessages && messageGap != 0)
                        continue;
                    const Outcome &o = messageGap <= 1000 ? c.near : c.far;
                    for (const qint64 delay : ProcessingDelays) {
                        QTest::addRow("%s; read %lld ms apart, messages %lld ms; processed %lld ms apart", c.name,
                                      fragmentGap, messageGap, delay)
                            << int(c.type) << script << QString::fromLatin1(o.dispatched) << o.staleDrops
                            << o.duplicates << fragmentGap << messageGap << delay;
                    }
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
        QFETCH(qint64, fragmentReadGapMs);
        QFETCH(qint64, messageReadGapMs);
        QFETCH(qint64, processingDelayMs);

        SteppedHandler stepped;
        QSignalSpy notifies(&stepped.handler(), &ProtocolHandler::notifyReceived);
        QSignalSpy requests(&stepped.handler(), &ProtocolHandler::requestReceived);
        QSignalSpy errors(&stepped.handler(), &ProtocolHandler::errorOccurred);
        Script::run(script,
                    steppedWalk(stepped, CommandType(type), fragmentReadGapMs, messageReadGapMs, processingDelayMs));

        QList<QByteArray> got;
        for (const QList<QVariant> &args : notifies)
            got << args.at(1).toByteArray();
        for (const QList<QVariant> &args : requests)
            got << args.at(2).toByteArray();
        QCOMPARE(got, Script::expectedPayloads(dispatched));

        const QStringList lines = stepped.fixture().logLines();
        QCOMPARE(int(lines.filter(QStringLiteral("[WARN] Stale partial message dropped, a new one began")).size()),
                 staleDrops);
        QCOMPARE(int(lines.filter(QStringLiteral("[WARN] Duplicate frame received.")).size()), duplicates);
        // Neither a frame refused nor a partial message swept away.
        QCOMPARE(errors.size(), 0);
    }

    // The 0x11 EQ auto-report that the headset sends in two frames: a report
    // that lost its second frame and a later one that lost its first must
    // never make one EQ the headset did not hold.
    void eqAutoReportIsNeverMixed_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<qint64>("messageReadGapMs");
        QTest::addColumn<qint64>("processingDelayMs");
        QTest::addColumn<QString>("reported"); // the EQs reported, by message

        for (const qint64 delay : ProcessingDelays) {
            for (const qint64 gap : {1100, 4900, 8000}) {
                QTest::addRow("the first frame, then the second of the next %lld ms later; processed %lld ms apart",
                              gap, delay)
                    << "A0 B1" << gap << delay << "";
            }
            for (const qint64 gap : {0, 5, 8000}) {
                QTest::addRow("two whole reports %lld ms apart; processed %lld ms apart", gap, delay)
                    << "A0 A1 B0 B1" << gap << delay << "AB";
            }
            QTest::addRow("a whole report after one that lost its second frame; processed %lld ms apart", delay)
                << "A0 B0 B1" << qint64(8000) << delay << "B";
        }
    }

    void eqAutoReportIsNeverMixed()
    {
        QFETCH(QString, script);
        QFETCH(qint64, messageReadGapMs);
        QFETCH(qint64, processingDelayMs);
        QFETCH(QString, reported);

        QCOMPARE(eqReportFrames('A').size(), size_t(2));
        SteppedHandler stepped;
        QSignalSpy eqs(&stepped.handler(), &ProtocolHandler::notifyEqAutoReport);
        Script::Walk walk = steppedWalk(stepped, CommandType::Notify, 5, messageReadGapMs, processingDelayMs);
        walk.frames = eqReportFrames;
        Script::run(script, walk);

        QStringList got, expected;
        for (const QList<QVariant> &args : eqs)
            got << describe(args.at(0).value<EQData>());
        for (const QChar message : reported)
            expected << describe(eqReport(message));
        QCOMPARE(got, expected);
    }

    // A frame is read once its last byte is, whatever report its other bytes
    // came in, and keeps that time while later reports pile up behind it.
    void aFrameIsReadWithItsLastByte_data()
    {
        QTest::addColumn<QList<QByteArray>>("reports");
        QTest::addColumn<QList<qint64>>("readAfterMs");
        QTest::addColumn<QString>("dispatched");

        const auto d = Script::framesOf('D', CommandType::Notify);
        const auto n = Script::framesOf('N', CommandType::Notify);
        QTest::newRow("two frames in one report, the next report read 1.5 s later")
            << QList<QByteArray>{d[0] + d[1], n[0]} << QList<qint64>{0, 1500} << "DN";
        QTest::newRow("a frame completed by a report read 1.5 s later")
            << QList<QByteArray>{d[0].left(20), d[0].mid(20) + d[1]} << QList<qint64>{0, 1500} << "D";
        QTest::newRow("the second frame in a report read 1.5 s later")
            << QList<QByteArray>{d[0], d[1]} << QList<qint64>{0, 1500} << "";
    }

    void aFrameIsReadWithItsLastByte()
    {
        QFETCH(QList<QByteArray>, reports);
        QFETCH(QList<qint64>, readAfterMs);
        QFETCH(QString, dispatched);
        HandlerFixture f; // frames are processed on timer turns, after both reports are in
        QSignalSpy notifies(&f.handler, &ProtocolHandler::notifyReceived);
        const qint64 start = f.nowMs;
        f.nowMs += 5000;
        for (qsizetype i = 0; i < reports.size(); ++i)
            f.feed(reports[i], start + readAfterMs[i]);
        QVERIFY(f.drainReadAt(start + readAfterMs.last()));
        QList<QByteArray> got;
        for (const QList<QVariant> &args : notifies) {
            if (args.at(0).value<ushort>() == Script::Command)
                got << args.at(1).toByteArray();
        }
        QCOMPARE(got, Script::expectedPayloads(dispatched));
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
        QTest::newRow("read over a second after the last")
            << "+1001 A2"
            << "Frames: 2/3, last: 2, new: 3/3, read 1001 ms after the last";
    }

    void staleDropIsLoggedWithItsFragments()
    {
        QFETCH(QString, next);
        QFETCH(QString, line);
        SteppedHandler stepped;
        Script::run("A0 A1 " + next, steppedWalk(stepped, CommandType::Notify, 0, 0, 0));
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
