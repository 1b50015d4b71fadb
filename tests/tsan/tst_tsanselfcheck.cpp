// The ThreadSanitizer set-up checks itself. The hand-offs that Qt's event
// queue and QThread order stay quiet (each of them is reported by a plain
// TSan run over the distribution's Qt), and races that Qt does not order,
// in this repository's code run by Qt threads, are still reported and stop
// the program. CTest runs the quiet functions as one test and each racy one
// alone, expecting its report (ExpectTsanReport.cmake).
#include "RaceProbe.h"

#include <QTest>
#include <QThread>

#include <atomic>
#include <cstdio>

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

    // The worker writes in a queued call, this thread writes after seeing the
    // relaxed flag: nothing orders the two writes.
    void unguardedWriteIsReported()
    {
        QMetaObject::invokeMethod(m_probe, [probe = m_probe] { probe->writeUnguarded(1); }, Qt::QueuedConnection);
        QTRY_VERIFY_WITH_TIMEOUT(m_probe->written.load(std::memory_order_relaxed), 10000);
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
        QMetaObject::invokeMethod(m_probe, [probe = m_probe] { probe->pingThenWrite(1); }, Qt::QueuedConnection);
        QTRY_VERIFY_WITH_TIMEOUT(pinged && m_probe->written.load(std::memory_order_relaxed), 10000);
        m_probe->unguarded = 2;
        noReport();
        QFAIL("ThreadSanitizer did not report the write after the signal");
    }
};

QTEST_GUILESS_MAIN(TestTsanSelfCheck)
#include "tst_tsanselfcheck.moc"
