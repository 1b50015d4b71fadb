// The ThreadSanitizer set-up checks itself. The hand-offs that Qt's event
// queue, QThread and QSemaphore order stay quiet (each of them is reported by
// a plain TSan run over the distribution's Qt), and races that Qt does not
// order, in this repository's code run by Qt threads, are still reported and
// stop the program: among them the ones a mark or a suppression that is too
// broad would hide. CTest runs the quiet functions as one test and each racy
// one alone, expecting its report (ExpectTsanReport.cmake).
#include "RaceProbe.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// A thread of its own, as the repository's code runs one.
class WriterThread : public QThread
{
public:
    explicit WriterThread(RaceProbe &probe) : m_probe(probe) {}

protected:
    void run() override { m_probe.writeUnguarded(1); }

private:
    RaceProbe &m_probe;
};

} // namespace

class TestTsanSelfCheck : public QObject
{
    Q_OBJECT

    QThread m_thread;
    RaceProbe *m_probe = nullptr;

    // Reached only when TSan let a race pass.
    static void noReport()
    {
        std::fputs("tsan-selfcheck: no report\n", stderr);
    }

    // Starts what `probe` does on its thread once `go` is set, and returns
    // once the worker is inside it: the worker's wake-up, which TSan sees,
    // is over before the check touches anything.
    template <typename Step>
    void startStep(Step step)
    {
        QMetaObject::invokeMethod(
            m_probe,
            [probe = m_probe, step] {
                probe->inside.store(true, std::memory_order_relaxed);
                step(*probe);
            },
            Qt::QueuedConnection);
        QTRY_VERIFY_WITH_TIMEOUT(m_probe->inside.load(std::memory_order_relaxed), 10000);
    }

    // Runs this thread's events until `done`, which a call posted here makes
    // true, bounded; without QTRY's pauses, for checks that wait on a busy
    // emitter many times over. The deadline's timer ends a wait for events.
    template <typename Done>
    static bool processEventsUntil(Done done)
    {
        QTimer deadline;
        deadline.setSingleShot(true);
        deadline.start(10000);
        while (!done()) {
            if (!deadline.isActive())
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return true;
    }

    void letGoAndWait()
    {
        m_probe->go.store(true, std::memory_order_relaxed);
        QTRY_VERIFY_WITH_TIMEOUT(m_probe->written.load(std::memory_order_relaxed), 10000);
    }

    // Runs `step` on the worker in a call posted from here, once this thread
    // has let go of the call, and waits for `written`. Had this thread the
    // call's last reference, dropping it after the run would order the whole
    // run before what this thread does next (Qt's reference count does), and
    // the race would go unseen.
    template <typename Step>
    void runStep(Step step)
    {
        startStep([step](RaceProbe &probe) {
            RaceProbe::spinUntil(probe.go);
            step(probe);
        });
        letGoAndWait();
    }

private slots:
    void init()
    {
        m_probe = new RaceProbe;
        m_probe->moveToThread(&m_thread);
        connect(&m_thread, &QThread::finished, m_probe, &QObject::deleteLater);
        m_thread.start();
    }

    void cleanup()
    {
        m_thread.quit();
        QVERIFY(m_thread.wait(10000));
    }

    // Queued lambdas with captured copies and queued slots by name, while
    // the worker is awake: every echo comes back whole.
    void queuedCallsAreQuiet()
    {
        QList<QByteArray> echoes;
        connect(m_probe, &RaceProbe::echoed, this, [&echoes](const QByteArray &payload) { echoes.append(payload); });
        std::atomic<bool> go = false;
        QMetaObject::invokeMethod(m_probe, [probe = m_probe, &go] { probe->holdUntil(go); }, Qt::QueuedConnection);
        constexpr int Rounds = 200;
        for (int i = 0; i < Rounds; ++i) {
            const QByteArray payload = QByteArray::number(i);
            if (i % 2 == 0)
                QMetaObject::invokeMethod(m_probe, [probe = m_probe, payload] { probe->echo(payload); }, Qt::QueuedConnection);
            else
                QMetaObject::invokeMethod(m_probe, "echo", Qt::QueuedConnection, Q_ARG(QByteArray, payload));
        }
        go = true;
        QTRY_COMPARE_WITH_TIMEOUT(echoes.size(), Rounds, 10000);
        for (int i = 0; i < Rounds; ++i)
            QCOMPARE(echoes.at(i), QByteArray::number(i) + '!');
    }

    // A value written here before the call is posted, read by the worker.
    void valueBeforeACallIsQuiet()
    {
        QList<QByteArray> echoes;
        connect(m_probe, &RaceProbe::echoed, this, [&echoes](const QByteArray &payload) { echoes.append(payload); });
        std::atomic<bool> go = false;
        QMetaObject::invokeMethod(m_probe, [probe = m_probe, &go] { probe->holdUntil(go); }, Qt::QueuedConnection);
        m_probe->inbox = 42;
        QMetaObject::invokeMethod(m_probe, &RaceProbe::echoInbox, Qt::QueuedConnection);
        go = true;
        QTRY_COMPARE_WITH_TIMEOUT(echoes, QList<QByteArray>{"42"}, 10000);
    }

    // A list built on the worker reaches this thread through a queued signal
    // while this thread is busy with another event.
    void queuedSignalPayloadsAreQuiet()
    {
        QList<QByteArray> received;
        connect(m_probe, &RaceProbe::collected, this, [&received](const QList<QByteArray> &entries) { received = entries; });
        constexpr int Count = 50;
        QMetaObject::invokeMethod(m_probe, [probe = m_probe] { probe->collect(Count); }, Qt::QueuedConnection);
        QMetaObject::invokeMethod(this, [probe = m_probe] { RaceProbe::spinUntil(probe->written); }, Qt::QueuedConnection);
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), Count, 10000);
        for (int i = 0; i < Count; ++i)
            QCOMPARE(received.at(i), QByteArray::number(i));
    }

    // Blocking calls, one way with a result and the other way as a signal
    // with arguments on this thread's stack, back to back: what the worker
    // wrote is here when the call returns, and this thread's stack is its own
    // again.
    void blockingCallsAreQuiet()
    {
        constexpr int Rounds = 100;
        for (int i = 0; i < Rounds; ++i) {
            int square = 0;
            QMetaObject::invokeMethod(
                m_probe, [probe = m_probe, i] { return probe->inbox = i * i; }, Qt::BlockingQueuedConnection, &square);
            QCOMPARE(square, i * i);
            QCOMPARE(m_probe->inbox, i * i);
        }
        RaceProbe here;
        connect(
            &here, &RaceProbe::echoed, m_probe, [probe = m_probe](const QByteArray &text) { probe->inbox = int(text.size()); },
            Qt::BlockingQueuedConnection);
        for (int i = 0; i < Rounds; ++i) {
            emit here.echoed(QByteArray(i, 'x'));
            QCOMPARE(m_probe->inbox, i);
        }
    }

    // What the worker wrote is this thread's once the thread has ended, also
    // when it ended before this thread asked.
    void threadEndIsQuiet()
    {
        auto *probe = m_probe;
        disconnect(&m_thread, &QThread::finished, probe, &QObject::deleteLater);
        QMetaObject::invokeMethod(probe, [probe] { probe->writeUnguarded(1); }, Qt::QueuedConnection);
        QTRY_VERIFY_WITH_TIMEOUT(probe->written.load(std::memory_order_relaxed), 10000);
        m_thread.quit();
        QTRY_VERIFY_WITH_TIMEOUT(m_thread.isFinished(), 10000);
        QVERIFY(m_thread.wait(10000));
        QCOMPARE(probe->unguarded, 1);
        probe->unguarded = 2;
        delete probe;
    }

    // Qt's own signal of the thread's end, queued here: what the thread did
    // before it is here.
    void finishedSignalIsQuiet()
    {
        auto *probe = m_probe;
        disconnect(&m_thread, &QThread::finished, probe, &QObject::deleteLater);
        int seen = 0;
        // The thread outlives this function, the connection must not.
        QObject context;
        connect(&m_thread, &QThread::finished, &context, [probe, &seen] { seen = probe->unguarded; });
        QMetaObject::invokeMethod(probe, [probe] { probe->writeUnguarded(1); }, Qt::QueuedConnection);
        QTRY_VERIFY_WITH_TIMEOUT(probe->written.load(std::memory_order_relaxed), 10000);
        m_thread.quit();
        QTRY_COMPARE_WITH_TIMEOUT(seen, 1, 10000);
        QVERIFY(m_thread.wait(10000));
        delete probe;
    }

    // A single-shot call from the worker to this thread, as a worker hands
    // back its result.
    void singleShotFromAWorkerIsQuiet()
    {
        int seen = 0;
        QMetaObject::invokeMethod(
            m_probe,
            [probe = m_probe, this, &seen] {
                probe->unguarded = 1;
                QTimer::singleShot(0, this, [probe, &seen] { seen = probe->unguarded; });
            },
            Qt::QueuedConnection);
        QTRY_COMPARE_WITH_TIMEOUT(seen, 1, 10000);
    }

    // A value set here before deleteLater() is there when the object goes on
    // its own thread.
    void deferredDeleteIsQuiet()
    {
        auto *doomed = new QObject;
        doomed->moveToThread(&m_thread);
        int value = 0;
        int seen = 0;
        std::atomic<bool> gone = false;
        connect(
            doomed, &QObject::destroyed, doomed,
            [&] {
                seen = value;
                gone = true;
            },
            Qt::DirectConnection);
        value = 7;
        doomed->deleteLater();
        QTRY_VERIFY_WITH_TIMEOUT(gone.load(), 10000);
        QCOMPARE(seen, 7);
    }

    // The worker emits without pause over connections that post their calls
    // to this thread, while this thread deletes the receivers, a thousand
    // rounds of them: as with Qt's own delivery, the calls posted before a
    // receiver went go with it, no call is posted to it after, a blocked
    // emitter is let go, and a receiver that stays gets every call. Also when
    // all of a receiver's own signals were disconnected before it went.
    void receiverDeletedWhileEmittingIsQuiet_data()
    {
        QTest::addColumn<Qt::ConnectionType>("type");
        QTest::addColumn<bool>("signalsCut");
        QTest::newRow("queued") << Qt::QueuedConnection << false;
        QTest::newRow("auto-across-threads") << Qt::AutoConnection << false;
        QTest::newRow("blocking-queued") << Qt::BlockingQueuedConnection << false;
        QTest::newRow("queued-its-signals-cut") << Qt::QueuedConnection << true;
    }

    void receiverDeletedWhileEmittingIsQuiet()
    {
        QFETCH(Qt::ConnectionType, type);
        QFETCH(bool, signalsCut);
        std::atomic<int> emitted = 0;
        std::atomic<int> delivered = 0;
        QObject survivor;
        connect(
            m_probe, &RaceProbe::echoed, &survivor,
            [&delivered](const QByteArray &) { delivered.fetch_add(1, std::memory_order_relaxed); }, type);
        std::atomic<bool> stop = false;
        bool stopped = false;
        const auto stopEmitting = [&stop, &stopped] {
            stop.store(true, std::memory_order_relaxed);
            return processEventsUntil([&stopped] { return stopped; });
        };
        // The emitter uses this function's locals: stopped on every way out.
        const auto stopOnReturn = qScopeGuard([&stopEmitting] { stopEmitting(); });
        QMetaObject::invokeMethod(
            m_probe,
            [this, probe = m_probe, &stop, &stopped, &emitted, &delivered] {
                // A few calls ahead of this thread at most, so that each
                // round does not first run a backlog that keeps growing.
                constexpr int InFlight = 64;
                const QByteArray payload("payload");
                while (!stop.load(std::memory_order_relaxed)) {
                    const int ahead = emitted.load(std::memory_order_relaxed)
                                      - delivered.load(std::memory_order_relaxed);
                    if (ahead >= InFlight) {
                        std::this_thread::yield();
                        continue;
                    }
                    emit probe->echoed(payload);
                    emitted.fetch_add(1, std::memory_order_relaxed);
                }
                QMetaObject::invokeMethod(this, [&stopped] { stopped = true; }, Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
        const auto deliveredPast = [&delivered](int count) {
            return processEventsUntil(
                [&delivered, count] { return delivered.load(std::memory_order_relaxed) > count; });
        };
        constexpr int Rounds = 1000;
        constexpr int Receivers = 8;
        int strayCalls = 0;
        for (int round = 0; round < Rounds; ++round) {
            std::vector<RaceProbe *> receivers;
            auto gone = std::make_shared<bool>(false);
            for (int i = 0; i < Receivers; ++i) {
                auto *receiver = receivers.emplace_back(new RaceProbe);
                connect(
                    m_probe, &RaceProbe::echoed, receiver,
                    [receiver, gone, &strayCalls](const QByteArray &payload) {
                        if (*gone)
                            ++strayCalls;
                        else
                            receiver->inbox += int(payload.size());
                    },
                    type);
            }
            QVERIFY(processEventsUntil([&receivers] { return receivers.back()->inbox > 0; }));
            if (signalsCut) {
                for (RaceProbe *receiver : receivers)
                    receiver->disconnect();
            }
            // Deleted just after a call of the survivor's, the one before the
            // receivers' in an emission, and from the last one back: the
            // emitter, blocking or not, meets one of them going.
            QVERIFY(deliveredPast(delivered.load(std::memory_order_relaxed)));
            const int before = emitted.load(std::memory_order_relaxed);
            for (auto receiver = receivers.rbegin(); receiver != receivers.rend(); ++receiver)
                delete *receiver;
            *gone = true;
            // Calls for them posted meanwhile would run here, among the survivor's.
            QVERIFY(deliveredPast(before + 2));
        }
        QVERIFY(stopEmitting());
        QVERIFY(processEventsUntil([&] { return delivered.load() == emitted.load(); }));
        QCOMPARE(strayCalls, 0);
    }

    void semaphoreIsQuiet()
    {
        QSemaphore handed;
        QMetaObject::invokeMethod(
            m_probe,
            [probe = m_probe, &handed] {
                probe->unguarded = 1;
                handed.release();
            },
            Qt::QueuedConnection);
        QVERIFY(handed.tryAcquire(1, 10000));
        QCOMPARE(m_probe->unguarded, 1);
    }

    // Blind spot, kept in view: code run through std::call_once (as the
    // bodies of QThread::create and std::async are) is not checked at all.
    void callOnceBodiesAreUnseen()
    {
        RaceProbe probe;
        std::once_flag once;
        std::thread writer([&] { std::call_once(once, [&] { probe.writeUnguarded(1); }); });
        RaceProbe::spinUntil(probe.written);
        probe.unguarded = 2;
        writer.join();
    }

    // The worker writes in a queued call, this thread writes after seeing the
    // relaxed flag: nothing orders the two writes.
    void unguardedWriteIsReported()
    {
        runStep([](RaceProbe &probe) { probe.writeUnguarded(1); });
        m_probe->unguarded = 2;
        noReport();
        QFAIL("ThreadSanitizer did not report the unguarded write");
    }

    // The worker writes after its signal: receiving the signal orders what
    // came before the emission only.
    void writeAfterSignalIsReported()
    {
        bool pinged = false;
        connect(m_probe, &RaceProbe::pinged, this, [&pinged] { pinged = true; });
        runStep([](RaceProbe &probe) { probe.pingThenWrite(1); });
        QTRY_VERIFY_WITH_TIMEOUT(pinged && m_probe->written.load(std::memory_order_relaxed), 10000);
        m_probe->unguarded = 2;
        noReport();
        QFAIL("ThreadSanitizer did not report the write after the signal");
    }

    // The worker writes, then emits a signal that reaches nothing here; this
    // thread reads in a call of its own. Another queued connection from the
    // worker to this object orders only its own calls.
    void writeBeforeASignalIsReported_data()
    {
        QTest::addColumn<bool>("direct");
        QTest::newRow("unconnected") << false;
        QTest::newRow("direct") << true;
    }

    void writeBeforeASignalIsReported()
    {
        QFETCH(bool, direct);
        connect(m_probe, &RaceProbe::echoed, this, [](const QByteArray &) {});
        if (direct)
            connect(m_probe, &RaceProbe::pinged, m_probe, [] {}, Qt::DirectConnection);
        runStep([](RaceProbe &probe) { probe.writeThenPing(1); });
        bool read = false;
        QMetaObject::invokeMethod(
            this,
            [this, &read] {
                m_probe->inbox = m_probe->unguarded;
                read = true;
            },
            Qt::QueuedConnection);
        QTRY_VERIFY_WITH_TIMEOUT(read, 10000);
        noReport();
        QFAIL("ThreadSanitizer did not report the read after the worker's signal");
    }

    // This thread writes the worker's member, then emits a signal that does
    // not reach the worker; the worker reads in a call of its own. A queued
    // connection of another signal from here to the worker orders only its
    // own calls.
    void writeHereBeforeASignalIsReported_data()
    {
        QTest::addColumn<bool>("toThirdThread");
        QTest::newRow("unconnected") << false;
        QTest::newRow("queued-to-a-third-thread") << true;
    }

    void writeHereBeforeASignalIsReported()
    {
        QFETCH(bool, toThirdThread);
        RaceProbe here;
        connect(&here, &RaceProbe::echoed, m_probe, &RaceProbe::echo);
        QThread third;
        auto *far = new RaceProbe;
        far->moveToThread(&third);
        connect(&third, &QThread::finished, far, &QObject::deleteLater);
        third.start();
        if (toThirdThread)
            connect(&here, &RaceProbe::pinged, far, [] {});
        startStep([](RaceProbe &probe) { probe.readInALaterCall(); });
        m_probe->unguarded = 2;
        emit here.pinged();
        letGoAndWait();
        noReport();
        third.quit();
        third.wait();
        QFAIL("ThreadSanitizer did not report the worker's read after this thread's signal");
    }

    // This thread writes the worker's member and then connects one of the
    // worker's signals; the worker emits it and reads.
    void writeBeforeAConnectIsReported()
    {
        startStep([](RaceProbe &probe) { probe.pingThenRead(); });
        m_probe->unguarded = 2;
        connect(m_probe, &RaceProbe::pinged, this, [] {});
        letGoAndWait();
        noReport();
        QFAIL("ThreadSanitizer did not report the worker's read after the connect");
    }

    // The thread's results are read after it ended, but without wait().
    void readAfterTheThreadEndedIsReported_data()
    {
        QTest::addColumn<bool>("askFinished");
        QTest::newRow("isFinished") << true;
        QTest::newRow("isRunning") << false;
    }

    void readAfterTheThreadEndedIsReported()
    {
        QFETCH(bool, askFinished);
        auto *probe = m_probe;
        disconnect(&m_thread, &QThread::finished, probe, &QObject::deleteLater);
        runStep([](RaceProbe &probe) { probe.writeUnguarded(1); });
        m_thread.quit();
        if (askFinished)
            QTRY_VERIFY_WITH_TIMEOUT(m_thread.isFinished(), 10000);
        else
            QTRY_VERIFY_WITH_TIMEOUT(!m_thread.isRunning(), 10000);
        probe->inbox = probe->unguarded;
        noReport();
        delete probe;
        QFAIL("ThreadSanitizer did not report the read without wait()");
    }

    // A member emitted by const reference to a queued connection while this
    // thread writes it: the copy for the queued call reads it on the worker.
    void emittedMemberWrittenHereIsReported()
    {
        connect(m_probe, &RaceProbe::payloadReady, this, [](const QByteArray &) {});
        startStep([](RaceProbe &probe) { probe.emitPayload(); });
        m_probe->payload = QByteArray("written here");
        letGoAndWait();
        noReport();
        QFAIL("ThreadSanitizer did not report the emitted member written here");
    }

    // A slot taking by value what the signal passes by const reference reads
    // the emitter's member in Qt's slot-call code, while this thread writes it.
    void argumentWrittenHereIsReported()
    {
        connect(m_probe, &RaceProbe::numberChanged, m_probe, [](int number) { (void)number; }, Qt::DirectConnection);
        startStep([](RaceProbe &probe) { probe.emitNumber(); });
        m_probe->number = 2;
        letGoAndWait();
        noReport();
        QFAIL("ThreadSanitizer did not report the argument written here");
    }

    // A semaphore orders only what came before its release.
    void writeAfterAReleaseIsReported()
    {
        QSemaphore handed;
        runStep([&handed](RaceProbe &probe) {
            handed.release();
            probe.writeUnguarded(1);
        });
        QVERIFY(handed.tryAcquire(1, 10000));
        m_probe->unguarded = 2;
        noReport();
        QFAIL("ThreadSanitizer did not report the write after the release");
    }

    // The threads that stand in for QThread::create and std::async are seen.
    void raceOnAThreadOfOurOwnIsReported_data()
    {
        QTest::addColumn<bool>("qthread");
        QTest::newRow("std-thread") << false;
        QTest::newRow("qthread-subclass") << true;
    }

    void raceOnAThreadOfOurOwnIsReported()
    {
        QFETCH(bool, qthread);
        RaceProbe probe;
        WriterThread writerThread(probe);
        std::thread writer;
        if (qthread)
            writerThread.start();
        else
            writer = std::thread([&probe] { probe.writeUnguarded(1); });
        RaceProbe::spinUntil(probe.written);
        probe.unguarded = 2;
        noReport();
        if (writer.joinable())
            writer.join();
        writerThread.wait();
        QFAIL("ThreadSanitizer did not report the race on the thread");
    }
};

QTEST_GUILESS_MAIN(TestTsanSelfCheck)
#include "tst_tsanselfcheck.moc"
