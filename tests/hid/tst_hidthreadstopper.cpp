// Stopping a worker thread: asked, waited for with bounds, never terminated.
#include "hid/HidThreadStopper.h"

#include <QSemaphore>
#include <QTest>
#include <QThread>

namespace {

const HidThreadStopper::Texts texts{QStringLiteral("wait %1 timed out"), QStringLiteral("running after %1 waits"),
                                    QStringLiteral("running %1ms after the last wait")};

// A thread stuck until its gate opens. A subclass rather than
// QThread::create, whose body ThreadSanitizer would not check.
class GatedThread : public QThread
{
public:
    explicit GatedThread(QSemaphore &gate) : m_gate(gate) {}

protected:
    void run() override { m_gate.acquire(); }

private:
    QSemaphore &m_gate;
};

QSemaphore *releaseOnCritical = nullptr;
QtMessageHandler previousHandler = nullptr;

void releasingHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtCriticalMsg && releaseOnCritical && message == QLatin1String("running after 2 waits"))
        releaseOnCritical->release();
    previousHandler(type, context, message);
}

} // namespace

class TestHidThreadStopper : public QObject
{
    Q_OBJECT

private slots:
    void eventLoopThreadStopsAtTheFirstWait();
    void stuckThreadIsWaitedForButNeverTerminated();
    void warningAfterTheLastWaitOnRequest();
    void threadEndingInTheLastWaitCounts();
    void extraWaitOfTheManagers_data();
    void extraWaitOfTheManagers();
};

void TestHidThreadStopper::eventLoopThreadStopsAtTheFirstWait()
{
    QThread thread;
    thread.start();
    QVERIFY(HidThreadStopper::stop(thread, 5000, 3, 5000, texts));
    QVERIFY(thread.isFinished());
}

void TestHidThreadStopper::stuckThreadIsWaitedForButNeverTerminated()
{
    QSemaphore gate;
    GatedThread thread(gate);
    thread.start();
    QTest::ignoreMessage(QtWarningMsg, "wait 1 timed out");
    QTest::ignoreMessage(QtWarningMsg, "wait 2 timed out");
    QTest::ignoreMessage(QtCriticalMsg, "running after 3 waits");
    QTest::ignoreMessage(QtCriticalMsg, "running 1ms after the last wait");
    QVERIFY(!HidThreadStopper::stop(thread, 1, 3, 1, texts));
    QVERIFY(thread.isRunning());
    QVERIFY(thread.isInterruptionRequested());
    gate.release();
    QVERIFY(thread.wait(5000));
}

void TestHidThreadStopper::warningAfterTheLastWaitOnRequest()
{
    QSemaphore gate;
    GatedThread thread(gate);
    thread.start();
    HidThreadStopper::Texts warnEvery = texts;
    warnEvery.warnAfterLastWait = true;
    QTest::ignoreMessage(QtWarningMsg, "wait 1 timed out");
    QTest::ignoreMessage(QtWarningMsg, "wait 2 timed out");
    QTest::ignoreMessage(QtCriticalMsg, "running after 2 waits");
    QTest::ignoreMessage(QtCriticalMsg, "running 1ms after the last wait");
    QVERIFY(!HidThreadStopper::stop(thread, 1, 2, 1, warnEvery));
    gate.release();
    QVERIFY(thread.wait(5000));
}

void TestHidThreadStopper::threadEndingInTheLastWaitCounts()
{
    QSemaphore gate;
    GatedThread thread(gate);
    thread.start();
    // The thread is let go by the critical line, so it ends within the last wait.
    releaseOnCritical = &gate;
    previousHandler = qInstallMessageHandler(releasingHandler);
    QTest::ignoreMessage(QtWarningMsg, "wait 1 timed out");
    QTest::ignoreMessage(QtCriticalMsg, "running after 2 waits");
    const bool stopped = HidThreadStopper::stop(thread, 1, 2, 10000, texts);
    qInstallMessageHandler(previousHandler);
    releaseOnCritical = nullptr;
    QVERIFY(stopped);
    QVERIFY(thread.isFinished());
}

void TestHidThreadStopper::extraWaitOfTheManagers_data()
{
    QTest::addColumn<int>("waitMs");
    QTest::addColumn<int>("extraMs");
    QTest::newRow("default comm wait") << 3000 << 6000;
    QTest::newRow("default scan wait") << 5000 << 10000;
    QTest::newRow("short wait: a second") << 100 << 1000;
    QTest::newRow("negative wait") << -5 << 1000;
}

void TestHidThreadStopper::extraWaitOfTheManagers()
{
    QFETCH(int, waitMs);
    QFETCH(int, extraMs);
    QCOMPARE(HidThreadStopper::doubledExtraWaitMs(waitMs), extraMs);
}

QTEST_GUILESS_MAIN(TestHidThreadStopper)
#include "tst_hidthreadstopper.moc"
