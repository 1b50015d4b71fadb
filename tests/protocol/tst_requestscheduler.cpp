#include "protocol/RequestScheduler.h"
#include "LevelLog.h"

#include <QTest>

using namespace HeadsetProtocol;
using namespace HeadsetProtocol::RequestScheduler;

namespace {

struct SentFrame
{
    quint16 cmd;
    CommandType type;
    quint8 seq;
    QByteArray payload;
};

// The handler's side of the scheduler: its tables, its counter and a frame sender that records.
struct SchedulerFixture
{
    PendingTable pending;
    RequestQueue queue;
    quint8 nextSequence = 0;
    QList<SentFrame> sent;
    bool senderFails = false;
    LevelLog log;

    FrameSender sender()
    {
        return [this](quint16 cmd, CommandType type, quint8 seq, const QByteArray &payload) {
            if (senderFails)
                return false;
            sent.append({cmd, type, seq, payload});
            return true;
        };
    }

    TrySendResult send(quint16 cmd, qint64 now = 1000, CommandType type = CommandType::Request, quint8 *seqOut = nullptr)
    {
        quint8 seq = 0xEE;
        const TrySendResult r = trySendRequest(QueuedRequest{cmd, type, QByteArray(2, 'x'), now}, 5, nextSequence,
                                               pending, pendingKey, now, sender(), seq, log.callback());
        if (seqOut)
            *seqOut = seq;
        return r;
    }

    CleanupResult sweep(qint64 now, int maxRetries = 0)
    {
        return cleanupTimeouts(now, 3000, maxRetries, 5000, pending, queue, sender(), log.callback());
    }
};

} // namespace

class TestRequestScheduler : public QObject
{
    Q_OBJECT

private slots:
    void inFlightLimit()
    {
        SchedulerFixture f;
        for (quint8 i = 0; i < 5; ++i) {
            quint8 seq = 0;
            QCOMPARE(f.send(0x10, 1000, CommandType::Request, &seq), TrySendResult::Sent);
            QCOMPARE(seq, i);
        }
        QCOMPARE(f.send(0x20), TrySendResult::Busy);
        QCOMPARE(f.nextSequence, quint8(5));
        QCOMPARE(f.sent.size(), 5);
        QCOMPARE(f.pending.size(), 5);
        QVERIFY(f.log.has("Request sent. Cmd: 0x10, Seq: 4, Payload: 2 bytes", 1));
        const PendingRequest entry = f.pending.value(pendingKey(0x10, 4));
        QCOMPARE(entry.info, QStringLiteral("Cmd:0x10, Payload:2 bytes"));
        QCOMPARE(entry.sentAtMs, 1000);
    }

    void sharedCounterSkipsSequencesInFlightForTheSameCommand()
    {
        SchedulerFixture f;
        quint8 a = 0, b = 0, c = 0;
        f.send(0x10, 1000, CommandType::Request, &a);
        f.send(0x20, 1000, CommandType::Request, &b);
        QCOMPARE(a, quint8(0));
        QCOMPARE(b, quint8(1));

        // The counter points at 2, but 0x10 already has seq 2 in flight.
        f.pending.insert(pendingKey(0x10, 2), PendingRequest{0x10, 2, 1000, 0, CommandType::Request, {}, {}});
        f.send(0x10, 1000, CommandType::Request, &c);
        QCOMPARE(c, quint8(3));
        QCOMPARE(f.nextSequence, quint8(4));
    }

    void counterWrapsAfterFifteen()
    {
        SchedulerFixture f;
        f.nextSequence = 15;
        quint8 seq = 0;
        f.send(0x10, 1000, CommandType::Request, &seq);
        QCOMPARE(seq, quint8(15));
        QCOMPARE(f.nextSequence, quint8(0));
        f.send(0x20, 1000, CommandType::Request, &seq);
        QCOMPARE(seq, quint8(0));
    }

    void untrackedSends_data()
    {
        QTest::addColumn<quint16>("cmd");
        QTest::addColumn<CommandType>("type");
        QTest::addColumn<QString>("logLine");
        QTest::newRow("heartbeat") << quint16(0x27) << CommandType::Request
                                   << "Heartbeat sent (no response expected). Cmd: 0x27, Seq: 0";
        QTest::newRow("response frame") << quint16(0x10) << CommandType::Response << QString();
        QTest::newRow("notify frame") << quint16(0x11) << CommandType::Notify << QString();
    }

    void untrackedSends()
    {
        QFETCH(quint16, cmd);
        QFETCH(CommandType, type);
        QFETCH(QString, logLine);
        SchedulerFixture f;
        for (int i = 0; i < 5; ++i)
            f.pending.insert(pendingKey(0x30, quint8(i + 5)), PendingRequest{});
        f.pending.remove(pendingKey(0x30, 9));
        quint8 seq = 0xEE;
        QCOMPARE(f.send(cmd, 1000, type, &seq), TrySendResult::Sent);
        QCOMPARE(seq, quint8(0));
        QCOMPARE(f.pending.size(), 4);
        QCOMPARE(f.sent.size(), 1);
        if (!logLine.isEmpty())
            QVERIFY(f.log.has(logLine, 2));
        else
            QVERIFY(f.log.entries.isEmpty());
    }

    void failedSendKeepsTheCounter()
    {
        SchedulerFixture f;
        f.nextSequence = 7;
        f.senderFails = true;
        QCOMPARE(f.send(0x10), TrySendResult::Aborted);
        QCOMPARE(f.nextSequence, quint8(7));
        QVERIFY(f.pending.isEmpty());

        quint8 seq = 0;
        const TrySendResult noSender = trySendRequest(QueuedRequest{0x10, CommandType::Request, {}, 1}, 5,
                                                      f.nextSequence, f.pending, pendingKey, 1, {}, seq, {});
        QCOMPARE(noSender, TrySendResult::Aborted);
    }

    void noFreeSequenceNumber()
    {
        SchedulerFixture f;
        for (quint8 s = 0; s < 16; ++s)
            f.pending.insert(pendingKey(0x10, s), PendingRequest{});
        quint8 seq = 0;
        const auto r = trySendRequest(QueuedRequest{0x10, CommandType::Request, {}, 1}, 100, f.nextSequence,
                                      f.pending, pendingKey, 1, f.sender(), seq, f.log.callback());
        QCOMPARE(r, TrySendResult::Aborted);
        QVERIFY(f.sent.isEmpty());
        QCOMPARE(f.log.entries, (QList<LevelLog::Entry>{{"No available sequence number", 3}}));
        // Another command still finds sequence numbers.
        QCOMPARE(trySendRequest(QueuedRequest{0x20, CommandType::Request, {}, 1}, 100, f.nextSequence, f.pending,
                                pendingKey, 1, f.sender(), seq, {}),
                 TrySendResult::Sent);
    }

    void timeoutWithoutRetries()
    {
        SchedulerFixture f;
        f.send(0x23, 1000);
        f.sent.clear();
        QVERIFY(!f.sweep(4000).changed); // exactly 3000 ms: not yet due
        const CleanupResult r = f.sweep(4001);
        QVERIFY(r.changed);
        QCOMPARE(r.timedOut.size(), 1);
        QCOMPARE(r.timedOut[0].cmd, quint16(0x23));
        QCOMPARE(r.timedOut[0].seq, quint8(0));
        QCOMPARE(r.timedOut[0].info, QStringLiteral("Cmd:0x23, Payload:2 bytes"));
        QVERIFY(f.pending.isEmpty());
        QVERIFY(f.sent.isEmpty());
        QVERIFY(f.log.has("Request timeout after 0 retries. Cmd: 0x23, Seq: 0, Info: Cmd:0x23, Payload:2 bytes", 2));
        QVERIFY(!f.sweep(9000).changed); // reported once
    }

    void retriesReuseTheSequenceNumber()
    {
        SchedulerFixture f;
        f.nextSequence = 6;
        f.send(0x20, 1000);
        f.sent.clear();

        CleanupResult r = f.sweep(4001, 2);
        QVERIFY(!r.changed);
        QCOMPARE(f.sent.size(), 1);
        QCOMPARE(f.sent[0].seq, quint8(6));
        QCOMPARE(f.sent[0].payload, QByteArray(2, 'x'));
        QVERIFY(f.log.has("Request retry 1/2. Cmd: 0x20, Seq: 6", 2));

        QVERIFY(!f.sweep(7001, 2).changed); // 3000 ms since the resend: not due
        QCOMPARE(f.sent.size(), 1);
        f.sweep(7002, 2);
        QCOMPARE(f.sent.size(), 2);
        QVERIFY(f.log.has("Request retry 2/2. Cmd: 0x20, Seq: 6", 2));

        r = f.sweep(10003, 2);
        QVERIFY(r.changed);
        QCOMPARE(r.timedOut.size(), 1);
        QCOMPARE(f.sent.size(), 2);
        QVERIFY(f.log.has("Request timeout after 2 retries. Cmd: 0x20, Seq: 6, Info: Cmd:0x20, Payload:2 bytes", 2));
    }

    void queuedExpiry()
    {
        SchedulerFixture f;
        f.queue.append(QueuedRequest{0x21, CommandType::Request, {}, 1000});
        f.queue.append(QueuedRequest{0x22, CommandType::Request, {}, 0}); // unset time
        f.queue.append(QueuedRequest{0x23, CommandType::Request, {}, 100});

        QVERIFY(!f.sweep(6000).changed); // exactly 5000 ms stays
        const CleanupResult r = f.sweep(6001);
        QVERIFY(r.changed);
        QCOMPARE(r.expiredQueued.size(), 1);
        QCOMPARE(r.expiredQueued[0].cmd, quint16(0x21));
        QCOMPARE(r.expiredQueued[0].message, QStringLiteral("Queued request timed out after 5000ms (not sent). Cmd:0x21"));
        QVERIFY(f.log.has(r.expiredQueued[0].message, 2));
        // Only the front is examined: the unset one stops the walk, the old 0x23 behind it waits.
        QCOMPARE(f.queue.size(), 2);
        QCOMPARE(f.queue.front().cmd, quint16(0x22));

        QVERIFY(!cleanupTimeouts(1'000'000, 3000, 0, 0, f.pending, f.queue, {}, {}).changed); // expiry off
    }

    void servingTheQueue()
    {
        RequestQueue queue{{0x21, CommandType::Request, {}, 1}, {0x22, CommandType::Request, {}, 1},
                           {0x23, CommandType::Request, {}, 1}, {0x24, CommandType::Request, {}, 1}};
        QList<TrySendResult> script{TrySendResult::Aborted, TrySendResult::Aborted, TrySendResult::Sent};
        QList<quint16> tried;
        LevelLog log;
        const TrySendFunction trySend = [&](const QueuedRequest &request, quint8 &seq) {
            tried.append(request.cmd);
            seq = 9;
            return script.takeFirst();
        };
        const DequeueResult r = processNextQueuedRequest(queue, trySend, log.callback());
        QCOMPARE(tried, (QList<quint16>{0x21, 0x22, 0x23}));
        QVERIFY(r.dequeued);
        QCOMPARE(r.cmd, quint16(0x23));
        QCOMPARE(r.seq, quint8(9));
        QCOMPARE(r.queueSize, 1);
        QCOMPARE(r.dropped.size(), 2);
        QCOMPARE(r.dropped[1].message, QStringLiteral("Queued request dropped: frame build failed or no sequence (Cmd:0x22)"));
        QCOMPARE(log.entries, (QList<LevelLog::Entry>{{"Dequeued request. Cmd: 0x23, Seq: 9, Queue size now: 1", 1}}));

        const DequeueResult busy =
            processNextQueuedRequest(queue, [](const QueuedRequest &, quint8 &) { return TrySendResult::Busy; }, {});
        QVERIFY(!busy.dequeued);
        QCOMPARE(queue.size(), 1);

        RequestQueue empty;
        QVERIFY(!processNextQueuedRequest(empty, trySend, {}).dequeued);
    }
};

QTEST_GUILESS_MAIN(TestRequestScheduler)
#include "tst_requestscheduler.moc"
