// HidProtocolService: exclusive firmware-update access, the reconnect
// suspension, manual disconnects and the stop of the protocol thread.
#include "ServiceRig.h"

#include "hid/HidThreadStopper.h"
#include "protocol/Commands.h"
#include "tests/hid/HidApiLockHolder.h"
#include "tests/support/testenv/MessageLog.h"

#include <QElapsedTimer>
#include <QTest>
#include <QSemaphore>
#include <QThread>

#include <atomic>

using namespace ServiceTest;
using HidTestDevices::api;
using VirtualDevices::ReplyFault;
using VirtualDevices::RequestMatch;
using VirtualDevices::VirtualHeadsetConfig;

class TestServiceExclusive : public QObject
{
    Q_OBJECT

private slots:
    void exclusiveSessionReleasesHidapiOnce()
    {
        ServiceRig rig;
        rig.plugReceiver();
        QVERIFY(rig.startLinked());
        HidProtocolService &service = rig.service();
        QCOMPARE(api().initCalls(), 1);
        rig.events().clear();

        service.beginExclusiveOtaSession();
        service.beginExclusiveOtaSession();
        QCOMPARE(api().exitCalls(), 1);
        QVERIFY(!api().isInitialized());
        QCOMPARE(api().openHandles(), 0);
        QCOMPARE(rig.events().matching("validated("), QStringList{QStringLiteral("validated(0)")});
        QCOMPARE(rig.events().matching("link(").first(), QStringLiteral("link(0)"));
        QVERIFY(rig.log().contains(QStringLiteral("[HID][State] headset-link changed=0 reason=exclusive-ota-begin")));
        QCOMPARE(rig.log().count(QStringLiteral("[HID][State] exclusive-ota-session changed=1")), 1);
        QVERIFY(!service.isReadyForCommands());
        QVERIFY(!service.setToneVolume(3));
        QCOMPARE(service.currentDeviceId(), QString());

        service.endExclusiveOtaSession();
        service.endExclusiveOtaSession();
        QCOMPARE(api().initCalls(), 2);
        QCOMPARE(rig.log().count(QStringLiteral("[HID][State] exclusive-ota-session changed=0")), 1);
        QCOMPARE(api().misuse(), std::vector<std::string>{});
    }

    // While a call stuck in the system holds hidapi the session is refused:
    // no success is reported, and the device comes back as after any drop.
    void refusedWhileHidapiIsHeld()
    {
        ServiceRig rig;
        rig.plugReceiver();
        QVERIFY(rig.startLinked());
        HidProtocolService &service = rig.service();
        {
            HidApiLockHolder stuck(HidTestDevices::headset().hid.path);
            QVERIFY(!service.beginExclusiveOtaSession());
        }
        QVERIFY(api().isInitialized());
        QCOMPARE(api().exitCalls(), 0);
        QVERIFY(rig.log().contains(QStringLiteral("[HID][State] exclusive-ota-session refused: hidapi still in use")));
        QCOMPARE(rig.log().count(QStringLiteral("exclusive-ota-session changed=")), 0);
        service.endExclusiveOtaSession(); // nothing was begun: nothing to end
        QCOMPARE(rig.log().count(QStringLiteral("exclusive-ota-session changed=")), 0);
        QCOMPARE(api().initCalls(), 1);

        const int from = rig.events().all().size();
        service.resumeAfterLegacyRecovery();
        QCOMPARE(service.currentDeviceId(), rig.receiverId());
        QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)"), 5000, from));
        QVERIFY(service.beginExclusiveOtaSession());
        QCOMPARE(api().exitCalls(), 1);
        service.endExclusiveOtaSession();
        QCOMPARE(api().misuse(), std::vector<std::string>{});
    }

    // The I/O thread hangs in a read past its stop waits: it still holds the
    // receiver, so the session is refused and hidapi stays up; a second try
    // while that read still hangs is refused at once, without the waits again.
    // Once the read returns the I/O loop is back: the receiver reconnects and
    // takes an EQ, and the next session releases hidapi cleanly.
    void refusedWhileAReadHangs()
    {
        HIDTypes::HidManagerConfig hid = HidTestDevices::fastConfig();
        hid.commThreadStopWaitMs = 20;
        hid.threadStopAttempts = 1;
        ServiceRig rig(fastDurations(), fastHandlerSettings(), hid);
        rig.plugReceiver();
        QVERIFY(rig.startLinked());
        HidProtocolService &service = rig.service();
        const std::string path = HidTestDevices::receiver().hid.path;
        api().stallReads(path, true);
        QTRY_COMPARE(api().stalledReads(path), 1);

        QVERIFY(!service.beginExclusiveOtaSession());
        QVERIFY(rig.log().contains(QStringLiteral("[HID][State] exclusive-ota-session refused: hidapi still in use")));
        QElapsedTimer again;
        again.start();
        QVERIFY(!service.beginExclusiveOtaSession());
        // The stop waits, had they run again, take at least their last, longest one.
        QVERIFY2(again.elapsed() < HidThreadStopper::doubledExtraWaitMs(hid.commThreadStopWaitMs),
                 qPrintable(QString::number(again.elapsed())));
        QCOMPARE(api().stalledReads(path), 1);
        QCOMPARE(rig.log().count(QStringLiteral("[HID][State] exclusive-ota-session refused: hidapi still in use")), 2);
        QCOMPARE(rig.log().count(QStringLiteral("exclusive-ota-session changed=")), 0);
        QCOMPARE(api().exitCalls(), 0);
        QVERIFY(api().isInitialized());

        api().stallReads(path, false);
        const int from = rig.events().all().size();
        service.resumeAfterLegacyRecovery();
        QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)"), 5000, from));
        QVERIFY(service.sendEqSettings(tenBandEq()));
        QVERIFY(rig.events().waitFor(QStringLiteral("eqOk"), 5000, from));

        QVERIFY(service.beginExclusiveOtaSession());
        QCOMPARE(api().exitCalls(), 1);
        QCOMPARE(api().openHandles(), 0);
        service.endExclusiveOtaSession();
        QCOMPARE(api().misuse(), std::vector<std::string>{});
    }

    // The coordinator's sequence: suspend reconnection, release, update,
    // take back, lift the suspension, reconnect. Nothing connects before.
    void noReconnectWhileSuspendedThenAFreshProbe()
    {
        ServiceRig rig;
        rig.plugReceiver();
        QVERIFY(rig.startLinked());
        HidProtocolService &service = rig.service();

        service.setAutoReconnectSuspended(true);
        service.setAutoReconnectSuspended(true);
        QCOMPARE(rig.log().count(QStringLiteral("[HID][State] auto-reconnect-suspended changed=1")), 1);
        service.beginExclusiveOtaSession();
        const int scans = api().enumerateCalls();
        service.endExclusiveOtaSession();
        QVERIFY(QTest::qWaitFor([&] { return api().enumerateCalls() > scans; }, 5000)); // the restarted stack scans
        service.resumeAfterLegacyRecovery();
        if (auto *source = HidTestDevices::lastHotplugSource())
            source->raise();
        ServiceRig::settle(4 * HidTestDevices::fastConfig().hotplugDebounceMs);
        QCOMPARE(service.currentDeviceId(), QString());
        QCOMPARE(api().openHandles(), 0);

        const int from = rig.events().all().size();
        service.setAutoReconnectSuspended(false);
        QCOMPARE(service.availableDevices().size(), 1);
        service.resumeAfterLegacyRecovery();
        QCOMPARE(service.currentDeviceId(), rig.receiverId());
        QVERIFY(rig.log().contains(QStringLiteral("[HID] legacy-recovery-resume: connected %1").arg(rig.receiverId())));
        QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)"), 5000, from));
        QVERIFY(rig.events().waitFor(QStringLiteral("link(1)"), 5000, from));
    }

    void beginDuringValidationEndsItSilently()
    {
        ServiceRig rig;
        rig.plugReceiver(VirtualHeadsetConfig{.answerIdentity = false});
        HidProtocolService &service = rig.start();
        QVERIFY(rig.log().waitForSubstring(QStringLiteral("validation-progress")));
        service.beginExclusiveOtaSession();
        QVERIFY(rig.log().contains(QStringLiteral("[HID][State] headset-link changed=0 reason=exclusive-ota-begin")));
        ServiceRig::settle(2 * rig.durations().validationTimeoutMs);
        QCOMPARE(rig.events().count("validationFailed("), 0);
        QCOMPARE(rig.log().count(QStringLiteral("validation-timeout")), 0);
        service.endExclusiveOtaSession();
    }

    // A manual disconnect ends outstanding commands without a result, and a
    // factory reset among them.
    void manualDisconnectEndsCommandsSilently()
    {
        ServiceRig rig;
        auto headset = rig.plugReceiver();
        QVERIFY(rig.startLinked());
        HidProtocolService &service = rig.service();
        headset->scriptFault(RequestMatch{.command = HeadsetProtocol::Command::FactoryReset},
                             ReplyFault{.delay = std::chrono::milliseconds(100)});
        QVERIFY(service.sendFactoryReset());
        QVERIFY(headset->waitForRequests(headset->requests().size(), std::chrono::seconds(1)));
        rig.events().clear();
        service.disconnectDevice(rig.receiverId());
        QVERIFY(rig.log().contains(QStringLiteral("[HID][State] headset-link changed=0 reason=manual-disconnect-device")));
        ServiceRig::settle(2 * fastHandlerSettings().requestTimeoutMs);
        QCOMPARE(rig.events().count("reset"), 0);
        QCOMPARE(service.currentDeviceId(), QString());
        // The reset itself does not come back to signal later either.
        QVERIFY(service.sendFactoryReset() == false);
    }

    void destructionStopsEverything()
    {
        ServiceRig rig;
        rig.plugReceiver();
        QVERIFY(rig.startLinked());
        QThread *protocolThread = rig.service().findChild<QThread *>();
        QVERIFY(protocolThread);
        QVERIFY(protocolThread->isRunning());
        MessageLog messages;
        QElapsedTimer timer;
        timer.start();
        rig.destroyService();
        QVERIFY(timer.elapsed() < 3000); // no wait ran out
        QCOMPARE(api().openHandles(), 0);
        QCOMPARE(api().exitCalls(), 1);
        QCOMPARE(api().misuse(), std::vector<std::string>{});
        QCOMPARE(messages.lines(QtCriticalMsg), QStringList{});
    }

    // A protocol thread that is slow to stop is waited for, warned about
    // after each timed wait, then given its last longer wait; it is never
    // terminated.
    void slowProtocolThreadGetsEveryWait()
    {
        HidProtocolServiceDurations durations = fastDurations();
        durations.threadStopWaitMs = 20;
        durations.threadFinalWaitMs = 10000;
        ServiceRig rig(durations);
        rig.start();
        QThread *protocolThread = rig.service().findChild<QThread *>();
        QVERIFY(protocolThread);
        // The protocol thread stays busy until the last wait has begun.
        QSemaphore lastWaitBegun;
        std::atomic<bool> busyStarted = false;
        auto *busy = new QObject;
        busy->moveToThread(protocolThread);
        QMetaObject::invokeMethod(
            busy,
            [busy, &busyStarted, &lastWaitBegun] {
                busyStarted = true;
                lastWaitBegun.tryAcquire(1, 10000);
                busy->deleteLater();
            },
            Qt::QueuedConnection);
        QTRY_VERIFY_WITH_TIMEOUT(busyStarted, 5000);
        MessageLog messages;
        messages.setObserver([&lastWaitBegun](const MessageLog::Entry &entry) {
            if (entry.type == QtCriticalMsg)
                lastWaitBegun.release();
        });
        rig.destroyService();
        QCOMPARE(messages.lines(QtWarningMsg).filter(QStringLiteral("[HID] protocol thread")).size(), 3);
        QCOMPARE(messages.lines(QtCriticalMsg).filter(QStringLiteral("[HID] protocol thread")).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestServiceExclusive)
#include "tst_serviceexclusive.moc"
