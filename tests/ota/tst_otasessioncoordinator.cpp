// OtaSessionCoordinator against the real device service on the hidapi
// double: timed phases with the HID access released, superseded and
// cancelled phases, and the hand-back.
#include "ota/OtaSessionCoordinator.h"
#include "tests/hid/HidApiLockHolder.h"
#include "tests/service/ServiceRig.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

using namespace ServiceTest;
using HidTestDevices::api;

namespace {

// Qt's coarse timers may fire up to 5 % early.
bool waitedAtLeast(qint64 elapsedMs, int delayMs)
{
    return elapsedMs >= delayMs * 95 / 100;
}

struct PhaseLog
{
    QStringList ran;
    QElapsedTimer clock;
    QList<qint64> at;

    std::function<void()> phase(const QString &name)
    {
        return [this, name] {
            ran.append(name);
            at.append(clock.elapsed());
        };
    }
};

} // namespace

class TestOtaSessionCoordinator : public QObject
{
    Q_OBJECT

private slots:
    void phaseRunsAfterTheDelayWithHidReleased();
    void laterBeginReplacesAPendingPhase();
    void cancelKeepsHidReleasedAndDropsThePhase();
    void phaseMayBeginTheNextOne();
    void endRestoresHidAndReconnects();
    void endWithoutDevicesDoesNotReconnect();
    void beginAfterEndWaitsTheFirstDelayAgain();
    void emptyPhaseOrNoServiceDoNothing();
    void refusedReleaseNeverRunsThePhase();
    void logTag_data();
    void logTag();
};

void TestOtaSessionCoordinator::phaseRunsAfterTheDelayWithHidReleased()
{
    ServiceRig rig;
    rig.plugReceiver();
    QVERIFY(rig.startLinked());
    OtaSessionCoordinator session(&rig.service());
    session.setPhaseDelays(300, 100);
    bool released = false;
    PhaseLog log;
    log.clock.start();

    session.suspendAutoReconnect();
    session.beginOtaPhase([&] {
        released = !api().isInitialized() && api().openHandles() == 0;
        log.phase(QStringLiteral("first"))();
    });
    // Released at once, run later.
    QCOMPARE(api().exitCalls(), 1);
    QVERIFY(session.hasPendingPhase());
    QVERIFY(log.ran.isEmpty());

    QTRY_COMPARE_WITH_TIMEOUT(log.ran, QStringList{QStringLiteral("first")}, 5000);
    QVERIFY2(waitedAtLeast(log.at[0], 300), qPrintable(QString::number(log.at[0])));
    QVERIFY(released);
    QVERIFY(!session.hasPendingPhase());
    QCOMPARE(rig.log().count(QStringLiteral("[HID][State] exclusive-ota-session changed=1")), 1);
    QCOMPARE(rig.log().count(QStringLiteral("[HID][State] auto-reconnect-suspended changed=1")), 1);
    session.endOtaSession();
}

// Two begins 100 ms apart: only the second runs, the later delay after its
// own begin; the first never runs although its time comes first.
void TestOtaSessionCoordinator::laterBeginReplacesAPendingPhase()
{
    ServiceRig rig;
    rig.plugReceiver();
    QVERIFY(rig.startLinked());
    OtaSessionCoordinator session(&rig.service());
    session.setPhaseDelays(200, 400);
    PhaseLog log;
    log.clock.start();
    qint64 secondBegun = -1;

    session.beginOtaPhase(log.phase(QStringLiteral("first")));
    QTimer::singleShot(100, &session, [&] {
        secondBegun = log.clock.elapsed();
        session.beginOtaPhase(log.phase(QStringLiteral("second")));
    });

    QTRY_VERIFY_WITH_TIMEOUT(!log.ran.isEmpty(), 5000);
    QCOMPARE(log.ran, QStringList{QStringLiteral("second")});
    QVERIFY2(waitedAtLeast(log.at[0] - secondBegun, 400), qPrintable(QString::number(log.at[0] - secondBegun)));
    // Begun twice, released once.
    QCOMPARE(api().exitCalls(), 1);
    QCOMPARE(rig.log().count(QStringLiteral("[HID][State] exclusive-ota-session changed=1")), 1);
    session.endOtaSession();
}

// After a cancel the phase never runs (a later phase that comes after its
// time shows it), and the HID access stays released until the end.
void TestOtaSessionCoordinator::cancelKeepsHidReleasedAndDropsThePhase()
{
    ServiceRig rig;
    rig.plugReceiver();
    QVERIFY(rig.startLinked());
    OtaSessionCoordinator session(&rig.service());
    session.setPhaseDelays(50, 250);
    PhaseLog log;
    log.clock.start();

    session.beginOtaPhase(log.phase(QStringLiteral("cancelled")));
    session.cancelPendingPhase();
    QVERIFY(!session.hasPendingPhase());
    QVERIFY(!api().isInitialized());

    session.beginOtaPhase(log.phase(QStringLiteral("witness")));
    QTRY_VERIFY_WITH_TIMEOUT(!log.ran.isEmpty(), 5000);
    QCOMPARE(log.ran, QStringList{QStringLiteral("witness")});
    QVERIFY(!api().isInitialized());
    QCOMPARE(api().initCalls(), 1);

    session.endOtaSession();
    QCOMPARE(api().initCalls(), 2);
}

void TestOtaSessionCoordinator::phaseMayBeginTheNextOne()
{
    ServiceRig rig;
    rig.plugReceiver();
    QVERIFY(rig.startLinked());
    OtaSessionCoordinator session(&rig.service());
    session.setPhaseDelays(10, 10);
    PhaseLog log;
    log.clock.start();
    // The running function is no longer the pending one, so the begin from
    // inside cannot destroy what is running.
    std::string captured(1000, 'x');
    session.beginOtaPhase([&, captured] {
        session.beginOtaPhase(log.phase(QStringLiteral("next")));
        log.ran.append(QString::fromStdString(captured.substr(0, 1)));
    });

    QTRY_COMPARE_WITH_TIMEOUT(log.ran, (QStringList{QStringLiteral("x"), QStringLiteral("next")}), 5000);
    session.endOtaSession();
}

void TestOtaSessionCoordinator::endRestoresHidAndReconnects()
{
    ServiceRig rig;
    rig.plugReceiver();
    QVERIFY(rig.startLinked());
    OtaSessionCoordinator session(&rig.service());
    session.setPhaseDelays(10, 10);
    bool ran = false;
    session.suspendAutoReconnect();
    session.beginOtaPhase([&] { ran = true; });
    QTRY_VERIFY_WITH_TIMEOUT(ran, 5000);
    const int from = rig.events().all().size();

    session.endOtaSession();

    QCOMPARE(api().initCalls(), 2);
    QCOMPARE(api().exitCalls(), 1);
    QCOMPARE(rig.log().count(QStringLiteral("[HID][State] exclusive-ota-session changed=0")), 1);
    QCOMPARE(rig.log().count(QStringLiteral("[HID][State] auto-reconnect-suspended changed=0")), 1);
    QVERIFY(rig.log().contains(QStringLiteral("[HID] legacy-recovery-resume: connected %1").arg(rig.receiverId())));
    QCOMPARE(rig.service().currentDeviceId(), rig.receiverId());
    QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)"), 5000, from));
    QCOMPARE(api().misuse(), std::vector<std::string>{});
}

void TestOtaSessionCoordinator::endWithoutDevicesDoesNotReconnect()
{
    ServiceRig rig;
    rig.plugReceiver();
    QVERIFY(rig.startLinked());
    OtaSessionCoordinator session(&rig.service());
    session.setPhaseDelays(10, 10);
    session.suspendAutoReconnect();
    session.beginOtaPhase([] {});
    // The receiver goes while the HID stack is down.
    api().unplug(HidTestDevices::receiver().hid.path);
    rig.events().clear();

    session.endOtaSession();

    // A reconnect attempt would have marked the device absent on the spot.
    QCOMPARE(rig.events().all(), QStringList{});
    QVERIFY(!rig.log().containsSubstring(QStringLiteral("legacy-recovery-resume")));
    QCOMPARE(rig.log().count(QStringLiteral("[HID][State] auto-reconnect-suspended changed=0")), 1);
    QCOMPARE(api().initCalls(), 2);
}

void TestOtaSessionCoordinator::beginAfterEndWaitsTheFirstDelayAgain()
{
    ServiceRig rig;
    rig.plugReceiver();
    QVERIFY(rig.startLinked());
    OtaSessionCoordinator session(&rig.service());
    session.setPhaseDelays(300, 10);
    PhaseLog log;
    log.clock.start();
    session.beginOtaPhase(log.phase(QStringLiteral("a")));
    QTRY_COMPARE_WITH_TIMEOUT(log.ran.size(), 1, 5000);
    session.beginOtaPhase(log.phase(QStringLiteral("retry")));
    QTRY_COMPARE_WITH_TIMEOUT(log.ran.size(), 2, 5000);
    session.endOtaSession();

    const qint64 begun = log.clock.elapsed();
    session.beginOtaPhase(log.phase(QStringLiteral("b")));
    QTRY_COMPARE_WITH_TIMEOUT(log.ran.size(), 3, 5000);

    QCOMPARE(log.ran, (QStringList{QStringLiteral("a"), QStringLiteral("retry"), QStringLiteral("b")}));
    QVERIFY2(waitedAtLeast(log.at[2] - begun, 300), qPrintable(QString::number(log.at[2] - begun)));
    QCOMPARE(api().exitCalls(), 2);
    session.endOtaSession();
}

void TestOtaSessionCoordinator::emptyPhaseOrNoServiceDoNothing()
{
    ServiceRig rig;
    rig.plugReceiver();
    QVERIFY(rig.startLinked());
    OtaSessionCoordinator session(&rig.service());
    session.beginOtaPhase({});
    QVERIFY(!session.hasPendingPhase());
    QCOMPARE(api().exitCalls(), 0);
    QVERIFY(!rig.log().containsSubstring(QStringLiteral("exclusive-ota-session")));

    OtaSessionCoordinator detached(nullptr);
    bool ran = false;
    detached.suspendAutoReconnect();
    detached.beginOtaPhase([&] { ran = true; });
    QVERIFY(!detached.hasPendingPhase());
    detached.cancelPendingPhase();
    detached.endOtaSession();
    QVERIFY(!ran);
    QCOMPARE(api().exitCalls(), 0);
}

// The service could not let go of hidapi: the update must not start on
// devices this program still holds.
void TestOtaSessionCoordinator::refusedReleaseNeverRunsThePhase()
{
    ServiceRig rig;
    rig.plugReceiver();
    QVERIFY(rig.startLinked());
    OtaSessionCoordinator session(&rig.service());
    session.setPhaseDelays(0, 0);
    bool ran = false;
    session.suspendAutoReconnect();
    {
        HidApiLockHolder stuck(HidTestDevices::headset().hid.path);
        QVERIFY(!session.beginOtaPhase([&] { ran = true; }));
    }
    QVERIFY(!session.hasPendingPhase());
    ServiceRig::settle(50);
    QVERIFY(!ran);

    // Ending the session hands the device back as after an update.
    const int from = rig.events().all().size();
    session.endOtaSession();
    QCOMPARE(rig.service().currentDeviceId(), rig.receiverId());
    QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)"), 5000, from));
    QCOMPARE(api().exitCalls(), 0);
}

void TestOtaSessionCoordinator::logTag_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("stored");
    QTest::newRow("trimmed") << " ManualOTA\t" << "ManualOTA";
    QTest::newRow("blanks only") << "   " << "OTA";
    QTest::newRow("empty") << "" << "OTA";
}

void TestOtaSessionCoordinator::logTag()
{
    QFETCH(QString, tag);
    QFETCH(QString, stored);
    OtaSessionCoordinator session(nullptr);
    QCOMPARE(session.logTag(), QStringLiteral("OTA"));
    session.setLogTag(QStringLiteral("LegacyOTA"));
    session.setLogTag(tag);
    QCOMPARE(session.logTag(), stored);
}

QTEST_GUILESS_MAIN(TestOtaSessionCoordinator)
#include "tst_otasessioncoordinator.moc"
