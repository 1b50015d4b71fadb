// HidProtocolService after a fatal communication error that took the device
// down while it stayed on the bus: it is connected again by itself, a few
// tries further and further apart, and a device that does not stay up is left
// alone until the device list changes.
#include "ServiceFaultSetup.h"
#include "ServiceRig.h"

#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace ServiceTest;
using HidTestDevices::api;

namespace {

// A healthy period short enough to wait out in every round of a test; in
// faultDurations() it outlasts any test.
HidProtocolServiceDurations shortHealthyPeriod()
{
    HidProtocolServiceDurations d = faultDurations();
    d.commFaultHealthyPeriodMs = 300;
    return d;
}

// The receiver validated, its link up, and listed by the hot-plug worker's
// first scan, whose list would otherwise give the tries back during the test.
bool linkedAndListed(ServiceRig &rig)
{
    rig.plugReceiver();
    return rig.startLinked(kWaitMs) && rig.waitForFirstScan(kWaitMs);
}

QString recovered(const QString &deviceId, int tries)
{
    return QStringLiteral("[HID][State] comm-fault-reconnect-recovered device=%1 tries=%2 ")
        .arg(deviceId, QString::number(tries));
}

// Read errors below the threshold, once the service has been told of them.
bool nonFatalReadErrors(ServiceRig &rig, const std::string &path)
{
    const auto reported = [&rig] {
        const QStringList lines = rig.log().lines();
        return std::count_if(lines.begin(), lines.end(), [](const QString &line) {
            return line.contains(QLatin1String("read error (injected)")) && line.endsWith(QLatin1String(" fatal=0"));
        });
    };
    const auto before = reported();
    api().failReads(path, 2);
    return QTest::qWaitFor([&] { return reported() > before; }, kWaitMs);
}

// What happens while a reconnect try is pending, or while a reconnected
// receiver's healthy period runs.
enum class PendingEvent {
    ManualDisconnect,
    ExclusiveSession,
    Unplug,
    UnplugAndReplug,
    FatalFault,
    NonFatalReadErrors,
};

// The events that end the receiver's link without a fault: done, and their
// outcome waited for.
bool endTheLink(ServiceRig &rig, PendingEvent event)
{
    HidProtocolService &service = rig.service();
    const int from = rig.events().all().size();
    switch (event) {
    case PendingEvent::ManualDisconnect:
        service.disconnectAll();
        return true;
    case PendingEvent::ExclusiveSession:
        return service.beginExclusiveOtaSession();
    case PendingEvent::Unplug:
    case PendingEvent::UnplugAndReplug:
        if (!rig.unplugReceiver() || !rig.events().waitFor(QStringLiteral("present(0)"), kWaitMs, from))
            return false;
        if (event == PendingEvent::Unplug)
            return true;
        rig.replugReceiver();
        return rig.events().waitFor(QStringLiteral("validated(1)"), kWaitMs, from);
    case PendingEvent::FatalFault:
    case PendingEvent::NonFatalReadErrors:
        break;
    }
    return false;
}

} // namespace

class TestServiceReconnect : public QObject
{
    Q_OBJECT

private slots:
    // Three failed reads take the receiver down while it stays on the bus, so
    // the device list never changes: the service connects it again by itself.
    void fatalReadErrorsReconnectTheReceiver()
    {
        ServiceRig rig(faultDurations(), faultHandlerSettings(), faultHidConfig());
        rig.plugReceiver();
        QVERIFY(rig.startLinked(kWaitMs));
        QVERIFY(rig.waitForFirstScan(kWaitMs));
        HidProtocolService &service = rig.service();
        const QString id = rig.receiverId();
        const int listUpdates = rig.log().count(QStringLiteral("[HID] hotplug: device list updated"));
        rig.events().clear();

        api().failReads(receiverPath(), 3);
        QVERIFY(rig.events().waitFor(QStringLiteral("validated(0)"), kWaitMs));
        QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)"), kWaitMs));
        QVERIFY(rig.log().contains(QStringLiteral("[HID][State] comm-fault-reconnect-armed device=%1 try=1/3 delayMs=50").arg(id)));
        QVERIFY(rig.log().contains(QStringLiteral("[HID][State] comm-fault-reconnect device=%1 try=1/3 listed=1").arg(id)));
        QVERIFY(rig.log().contains(QStringLiteral("[HID] comm-fault-reconnect: connected %1").arg(id)));
        QCOMPARE(rig.log().count(QStringLiteral("[HID] hotplug: device list updated")), listUpdates);
        QCOMPARE(service.currentDeviceId(), id);

        QVERIFY(service.sendEqSettings(otherEq()));
        QVERIFY(rig.events().waitFor(QStringLiteral("eqOk"), kWaitMs));
        QVERIFY(holds(rig.headset(), otherEq()));
    }

    // A receiver taken down again and again comes back each time as long as
    // it stays up for the healthy period after each validation: that try has
    // worked and every try is given back. Read errors below the threshold in
    // that period take nothing away. Each fault follows the recovery at once.
    void eachRecoveredFaultGetsEveryTryAgain_data()
    {
        QTest::addColumn<bool>("readErrorsInThePeriod");
        QTest::newRow("quiet") << false;
        QTest::newRow("read errors below the threshold in each healthy period") << true;
    }

    void eachRecoveredFaultGetsEveryTryAgain()
    {
        QFETCH(bool, readErrorsInThePeriod);
        ServiceRig rig(shortHealthyPeriod(), faultHandlerSettings(), faultHidConfig());
        QVERIFY(linkedAndListed(rig));
        const QString id = rig.receiverId();
        constexpr int rounds = 5; // more than the three tries
        for (int round = 1; round <= rounds; ++round) {
            const int from = rig.events().all().size();
            api().failReads(receiverPath(), 3);
            QVERIFY(rig.events().waitFor(QStringLiteral("validated(0)"), kWaitMs, from));
            QVERIFY2(rig.events().waitFor(QStringLiteral("validated(1)"), kWaitMs, from), qPrintable(QString::number(round)));
            if (readErrorsInThePeriod)
                QVERIFY(nonFatalReadErrors(rig, receiverPath()));
            QVERIFY2(QTest::qWaitFor([&] { return rig.log().count(recovered(id, 1)) == round; }, kWaitMs),
                     qPrintable(QString::number(round)));
        }
        QCOMPARE(rig.log().count(QStringLiteral("[HID][State] comm-fault-reconnect-armed device=%1 try=1/3").arg(id)),
                 rounds);
        QCOMPARE(rig.log().count(
                     QStringLiteral("[HID][State] comm-fault-reconnect-healthy-wait device=%1 tries=1/3 periodMs=300").arg(id)),
                 rounds);
        QCOMPARE(rig.log().count(QStringLiteral("comm-fault-reconnect-armed device=%1 try=2/3").arg(id)), 0);
        QCOMPARE(rig.log().count(QStringLiteral("comm-fault-reconnect-not-recovered")), 0);
        QCOMPARE(rig.log().count(QStringLiteral("comm-fault-reconnect-giveup")), 0);

        QVERIFY(rig.service().sendEqSettings(otherEq()));
        QVERIFY(rig.events().waitFor(QStringLiteral("eqOk"), kWaitMs));
        QVERIFY(holds(rig.headset(), otherEq()));
    }

    // The Qor decoder is never validated and answers nothing: an EQ chain
    // written to it in full after a reconnect is its pass, and once it has
    // stayed up for the healthy period after that it gets every try back.
    // Here the EQ goes out at each session start, as the window sends the
    // stored one.
    void aQorDecoderKeepsComingBackToo()
    {
        ServiceRig rig(shortHealthyPeriod(), faultHandlerSettings(), faultHidConfig());
        const HidTestDevices::Device qor = HidTestDevices::qor();
        plugQor(false);
        rig.start();
        QVERIFY(rig.events().waitFor(QStringLiteral("qor(1)"), kWaitMs));
        QVERIFY(rig.waitForFirstScan(kWaitMs));
        constexpr int rounds = 5;
        for (int round = 1; round <= rounds; ++round) {
            const int from = rig.events().all().size();
            api().failReads(qor.hid.path, 3);
            QVERIFY(rig.events().waitFor(QStringLiteral("qor(0)"), kWaitMs, from));
            QVERIFY2(rig.events().waitFor(QStringLiteral("qor(1)"), kWaitMs, from), qPrintable(QString::number(round)));
            QVERIFY(rig.service().sendQorCbQaspEqChain(qorEq(), nullptr));
            QVERIFY(rig.events().waitFor(QStringLiteral("eqOk"), kWaitMs, from));
            QVERIFY2(QTest::qWaitFor([&] { return rig.log().count(recovered(qor.id, 1)) == round; }, kWaitMs),
                     qPrintable(QString::number(round)));
        }
        QCOMPARE(rig.log().count(QStringLiteral("[HID][State] comm-fault-reconnect-armed device=%1 try=1/3").arg(qor.id)),
                 rounds);
        QCOMPARE(rig.log().count(QStringLiteral("comm-fault-reconnect-armed device=%1 try=2/3").arg(qor.id)), 0);
        QCOMPARE(rig.log().count(QStringLiteral("comm-fault-reconnect-giveup")), 0);
        QCOMPARE(rig.service().currentDeviceId(), qor.id);
    }

    // A device that passes after each reconnect and fails again at once (the
    // same fault, before the healthy period is over) has not recovered: each
    // of those reconnects is a failed try, and after three it is left alone
    // until the device list changes, instead of being opened, validated and
    // dropped for as long as the fault lasts. A device the list brings back
    // is a fresh one and starts no healthy period.
    void aDeviceThatFailsRightAfterEachPassIsLeftAloneUntilTheListChanges_data()
    {
        QTest::addColumn<bool>("qor"); // the pass is an EQ chain written in full; else a validation
        QTest::newRow("receiver, the fault right after each validation") << false;
        QTest::newRow("Qor decoder, the fault right after each chain") << true;
    }

    void aDeviceThatFailsRightAfterEachPassIsLeftAloneUntilTheListChanges()
    {
        QFETCH(bool, qor);
        ServiceRig rig(faultDurations(), faultHandlerSettings(), faultHidConfig());
        const std::string path = qor ? HidTestDevices::qor().hid.path : receiverPath();
        const QString id = qor ? HidTestDevices::qor().id : rig.receiverId();
        if (qor) {
            plugQor(false);
            rig.start();
            QVERIFY(rig.events().waitFor(QStringLiteral("qor(1)"), kWaitMs));
        } else {
            rig.plugReceiver();
            QVERIFY(rig.startLinked(kWaitMs));
        }
        QVERIFY(rig.waitForFirstScan(kWaitMs));
        HidProtocolService &service = rig.service();

        int passes = 0;
        const auto passedThenFails = [&] {
            ++passes;
            api().failReads(path, 3);
        };
        QList<QMetaObject::Connection> hooks;
        if (qor) {
            hooks << connect(&service, &HidProtocolService::qorQaspBypassSessionChanged, &service, [&](bool active) {
                if (active)
                    QTimer::singleShot(0, &service, [&] { QVERIFY(service.sendQorCbQaspEqChain(qorEq(), nullptr)); });
            });
            hooks << connect(&service, &HidProtocolService::eqSendSucceeded, &service, passedThenFails);
        } else {
            hooks << connect(&service, &HidProtocolService::protocolValidatedChanged, &service, [&](bool validated) {
                if (validated)
                    passedThenFails();
            });
        }
        const int opens = api().openCalls();

        api().failReads(path, 3);
        QVERIFY(rig.log().waitForSubstring(
            QStringLiteral("[HID][State] comm-fault-reconnect-giveup device=%1 tries=3").arg(id), kWaitMs));
        QCOMPARE(api().openCalls(), opens + 3);
        QCOMPARE(passes, 3);
        QCOMPARE(rig.log().count(QStringLiteral("[HID][State] comm-fault-reconnect-healthy-wait device=%1").arg(id)), 3);
        for (int tries = 1; tries <= 3; ++tries) {
            QCOMPARE(rig.log().count(
                         QStringLiteral("[HID][State] comm-fault-reconnect-not-recovered device=%1 tries=%2/3").arg(id).arg(tries)),
                     1);
        }
        ServiceRig::settle(4 * faultDurations().commFaultReconnectDelaysMs.last());
        QCOMPARE(api().openCalls(), opens + 3);
        QCOMPARE(service.currentDeviceId(), QString());
        QCOMPARE(rig.log().count(QStringLiteral("comm-fault-reconnect-recovered")), 0);

        // The fault is over; the next change of the list connects it again.
        for (const QMetaObject::Connection &hook : std::as_const(hooks))
            disconnect(hook);
        const int from = rig.events().all().size();
        if (qor) {
            unplugQor();
            QVERIFY(rig.events().waitFor(QStringLiteral("present(0)"), kWaitMs, from));
            plugQor(true);
            QVERIFY(rig.events().waitFor(QStringLiteral("qor(1)"), kWaitMs, from));
            QVERIFY(service.sendQorCbQaspEqChain(qorEq(), nullptr));
            QVERIFY(rig.events().waitFor(QStringLiteral("eqOk"), kWaitMs, from));
        } else {
            QVERIFY(rig.unplugReceiver());
            QVERIFY(rig.events().waitFor(QStringLiteral("present(0)"), kWaitMs, from));
            rig.replugReceiver();
            QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)"), kWaitMs, from));
        }
        QCOMPARE(service.currentDeviceId(), id);
        QCOMPARE(rig.log().count(QStringLiteral("comm-fault-reconnect-healthy-wait")), 3);
    }

    // A decoder whose reads fail after every reconnect is ready each time
    // but never finishes a chain, whether nothing is written to it or the EQ
    // goes out at each session start (a few of its reports are written, one
    // per read, before the third failed read): it gets its three tries and is
    // then left alone until the device list changes.
    void aQorDecoderThatFailsAtOnceIsLeftAloneUntilTheListChanges_data()
    {
        QTest::addColumn<bool>("eqAtSessionStart"); // and the reads fail right after it
        QTest::newRow("nothing written") << false;
        QTest::newRow("the EQ sent at each session start") << true;
    }

    void aQorDecoderThatFailsAtOnceIsLeftAloneUntilTheListChanges()
    {
        QFETCH(bool, eqAtSessionStart);
        ServiceRig rig(faultDurations(), faultHandlerSettings(), faultHidConfig());
        const HidTestDevices::Device qor = HidTestDevices::qor();
        plugQor(false);
        HidProtocolService &service = rig.start();
        QVERIFY(rig.events().waitFor(QStringLiteral("qor(1)"), kWaitMs));
        QVERIFY(rig.waitForFirstScan(kWaitMs));
        int failingSessions = eqAtSessionStart ? 3 : 0;
        connect(&service, &HidProtocolService::qorQaspBypassSessionChanged, &service, [&](bool active) {
            if (!active || failingSessions == 0)
                return;
            --failingSessions;
            QTimer::singleShot(0, &service, [&] {
                QVERIFY(service.sendQorCbQaspEqChain(qorEq(), nullptr));
                api().failReads(qor.hid.path, 3);
            });
        });
        const int opens = api().openCalls();

        // The fault, then (unless each session start brings its own) three
        // failures for each of the three tries.
        api().failReads(qor.hid.path, eqAtSessionStart ? 3 : 3 + 3 * 3);
        QVERIFY(rig.log().waitForSubstring(
            QStringLiteral("[HID][State] comm-fault-reconnect-giveup device=%1 tries=3").arg(qor.id), kWaitMs));
        QCOMPARE(api().openCalls(), opens + 3);
        QCOMPARE(rig.log().count(QStringLiteral("[HID] comm-fault-reconnect: connected %1").arg(qor.id)), 3);
        ServiceRig::settle(4 * faultDurations().commFaultReconnectDelaysMs.last());
        QCOMPARE(api().openCalls(), opens + 3);
        QCOMPARE(service.currentDeviceId(), QString());
        QCOMPARE(rig.log().count(QStringLiteral("comm-fault-reconnect-recovered")), 0);
        QCOMPARE(rig.events().count("eqOk"), 0);
        QCOMPARE(rig.events().count("eqFailed("), eqAtSessionStart ? 3 : 0);
        QCOMPARE(failingSessions, 0);
        if (eqAtSessionStart)
            QVERIFY(api().writes(qor.hid.path).size() >= 3); // at least one report of each chain

        const int from = rig.events().all().size();
        unplugQor();
        QVERIFY(rig.events().waitFor(QStringLiteral("present(0)"), kWaitMs, from));
        plugQor(true);
        QVERIFY(rig.events().waitFor(QStringLiteral("qor(1)"), kWaitMs, from));
        QVERIFY(service.sendQorCbQaspEqChain(qorEq(), nullptr));
        QVERIFY(rig.events().waitFor(QStringLiteral("eqOk"), kWaitMs, from));
        QCOMPARE(service.currentDeviceId(), qor.id);
    }

    // A receiver that fails every try, whether it cannot be opened or fails
    // again before it is validated, gets its few tries and is then left
    // alone; the next change of the device list tries it again.
    void aReceiverThatKeepsFailingIsLeftAloneUntilTheListChanges_data()
    {
        QTest::addColumn<bool>("openFails"); // else each reconnect's reads fail
        QTest::newRow("cannot be opened") << true;
        QTest::newRow("reads fail after each reconnect") << false;
    }

    void aReceiverThatKeepsFailingIsLeftAloneUntilTheListChanges()
    {
        QFETCH(bool, openFails);
        ServiceRig rig(faultDurations(), faultHandlerSettings(), faultHidConfig());
        rig.plugReceiver();
        QVERIFY(rig.startLinked(kWaitMs));
        QVERIFY(rig.waitForFirstScan(kWaitMs));
        const QString id = rig.receiverId();
        if (openFails)
            api().failOpen(receiverPath(), L"device busy (injected)");
        const int opens = api().openCalls();
        const int validationsBefore = rig.events().count("validated(1)");

        // The fault, then three failures for each of the three tries.
        api().failReads(receiverPath(), openFails ? 3 : 3 + 3 * 3);
        QVERIFY(rig.log().waitForSubstring(QStringLiteral("[HID][State] comm-fault-reconnect-giveup device=%1 tries=3").arg(id),
                                           kWaitMs));
        QCOMPARE(api().openCalls(), opens + 3);
        QCOMPARE(rig.log().count(QStringLiteral("[HID] comm-fault-reconnect: connect failed: device busy (injected)")),
                 openFails ? 3 : 0);
        QCOMPARE(rig.log().count(QStringLiteral("[HID] comm-fault-reconnect: connected %1").arg(id)), openFails ? 0 : 3);
        ServiceRig::settle(4 * faultDurations().commFaultReconnectDelaysMs.last());
        QCOMPARE(api().openCalls(), opens + 3);
        QCOMPARE(rig.service().currentDeviceId(), QString());
        QCOMPARE(rig.events().count("validated(1)"), validationsBefore);
        QCOMPARE(rig.log().count(QStringLiteral("comm-fault-reconnect-recovered")), 0);

        api().clearOpenFailure(receiverPath());
        const int from = rig.events().all().size();
        QVERIFY(rig.unplugReceiver());
        QVERIFY(rig.events().waitFor(QStringLiteral("present(0)"), kWaitMs, from));
        rig.replugReceiver();
        QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)"), kWaitMs, from));
    }

    // A reconnected receiver that fails validation is disconnected and not
    // tried again.
    void aFailedValidationEndsTheReconnects()
    {
        ServiceRig rig(faultDurations(), faultHandlerSettings(), faultHidConfig());
        rig.plugReceiver();
        QVERIFY(rig.startLinked(kWaitMs));
        QVERIFY(rig.waitForFirstScan(kWaitMs));
        const QString id = rig.receiverId();
        rig.headset().updateState([](VirtualDevices::HeadsetState &s) { s.pid = 0; });
        rig.events().clear();

        api().failReads(receiverPath(), 3);
        QVERIFY(rig.events().waitFor(
            QStringLiteral("validationFailed(%1,%2)").arg(id).arg(int(HidProtocolService::IdentityRejected)), kWaitMs));
        const int opens = api().openCalls();
        ServiceRig::settle(4 * faultDurations().commFaultReconnectDelaysMs.last());
        QCOMPARE(api().openCalls(), opens);
        QCOMPARE(rig.log().count(QStringLiteral("[HID][State] comm-fault-reconnect device=")), 1);
        QCOMPARE(rig.service().currentDeviceId(), QString());
    }

    // What may happen while a reconnect try waits for its turn: a try that
    // was called off does nothing when its time comes, and one whose device
    // came back by other means leaves it as it is. The test holds the try and
    // runs it once the event is over, however long that took.
    void aPendingTry_data()
    {
        QTest::addColumn<int>("event");
        QTest::addColumn<QString>("tryOutcome");
        QTest::newRow("manual disconnect") << int(PendingEvent::ManualDisconnect) << "reason=cancelled";
        QTest::newRow("exclusive session") << int(PendingEvent::ExclusiveSession) << "reason=cancelled";
        QTest::newRow("unplugged") << int(PendingEvent::Unplug) << "reason=no-device";
        QTest::newRow("unplugged and plugged in again")
            << int(PendingEvent::UnplugAndReplug) << "reason=already-connected current=%1";
    }

    void aPendingTry()
    {
        QFETCH(int, event);
        QFETCH(QString, tryOutcome);
        QList<std::function<void()>> pendingTries;
        HidProtocolServiceDurations durations = faultDurations();
        durations.scheduleCommFaultTry = [&pendingTries](int, std::function<void()> runTry) {
            pendingTries.append(std::move(runTry));
        };
        ServiceRig rig(durations, faultHandlerSettings(), faultHidConfig());
        QVERIFY(linkedAndListed(rig));
        HidProtocolService &service = rig.service();
        const QString id = rig.receiverId();

        api().failReads(receiverPath(), 3);
        QVERIFY(rig.log().waitForSubstring(
            QStringLiteral("[HID][State] comm-fault-reconnect-armed device=%1 try=1/3 delayMs=50").arg(id), kWaitMs));
        QCOMPARE(pendingTries.size(), 1);
        const int opens = api().openCalls();
        const int from = rig.events().all().size();
        QVERIFY(endTheLink(rig, PendingEvent(event)));
        if (PendingEvent(event) == PendingEvent::UnplugAndReplug)
            QVERIFY(rig.log().contains(QStringLiteral("[HID] hotplug auto-reconnect: connected %1").arg(id)));
        QCOMPARE(rig.log().count(QStringLiteral("[HID][State] comm-fault-reconnect-skip")), 0);
        pendingTries.takeFirst()();
        const QString skip =
            QStringLiteral("[HID][State] comm-fault-reconnect-skip device=%1 %2").arg(id, tryOutcome.arg(id));
        QVERIFY2(rig.log().contains(skip), qPrintable(rig.log().lines().join('\n')));
        QCOMPARE(rig.log().count(QStringLiteral("[HID][State] comm-fault-reconnect device=")), 0);
        QCOMPARE(rig.log().count(QStringLiteral("comm-fault-reconnect-armed device=%1 try=2/3").arg(id)), 0);
        QVERIFY(pendingTries.isEmpty());

        switch (PendingEvent(event)) {
        case PendingEvent::ManualDisconnect:
        case PendingEvent::ExclusiveSession:
            QCOMPARE(api().openCalls(), opens);
            QCOMPARE(service.currentDeviceId(), QString());
            service.endExclusiveOtaSession();
            break;
        case PendingEvent::Unplug:
            QCOMPARE(api().openCalls(), opens);
            rig.replugReceiver();
            QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)"), kWaitMs, from));
            break;
        case PendingEvent::UnplugAndReplug:
            QCOMPARE(api().openCalls(), opens + 1);
            QCOMPARE(service.currentDeviceId(), id);
            QVERIFY(service.isReadyForCommands());
            break;
        case PendingEvent::FatalFault:
        case PendingEvent::NonFatalReadErrors:
            QFAIL("not an event of this table");
        }
    }

    // What may happen while a reconnected receiver's healthy period runs.
    // The test holds the period's end and runs it once the event is over:
    // only a device that kept its link all along gets its tries back, and a
    // fatal fault in the period is a failed try whose next pass starts a
    // period of its own.
    void aRunningHealthyPeriod_data()
    {
        QTest::addColumn<int>("event");
        QTest::addColumn<QString>("periodEnd"); // what the held end logs
        const QString cancelled = QStringLiteral("[HID][State] comm-fault-reconnect-healthy-skip device=%1 reason=cancelled");
        QTest::newRow("fatal fault") << int(PendingEvent::FatalFault) << cancelled;
        QTest::newRow("read errors below the threshold")
            << int(PendingEvent::NonFatalReadErrors) << recovered(QStringLiteral("%1"), 1);
        QTest::newRow("manual disconnect") << int(PendingEvent::ManualDisconnect) << cancelled;
        QTest::newRow("exclusive session") << int(PendingEvent::ExclusiveSession) << cancelled;
        QTest::newRow("unplugged and plugged in again") << int(PendingEvent::UnplugAndReplug) << cancelled;
    }

    void aRunningHealthyPeriod()
    {
        QFETCH(int, event);
        QFETCH(QString, periodEnd);
        QList<std::function<void()>> heldEnds;
        HidProtocolServiceDurations durations = faultDurations();
        durations.scheduleCommFaultHealthyCheck = [&heldEnds](int, std::function<void()> runCheck) {
            heldEnds.append(std::move(runCheck));
        };
        ServiceRig rig(durations, faultHandlerSettings(), faultHidConfig());
        QVERIFY(linkedAndListed(rig));
        HidProtocolService &service = rig.service();
        const QString id = rig.receiverId();
        QVERIFY(heldEnds.isEmpty()); // a device no fault brought back has no period

        int from = rig.events().all().size();
        api().failReads(receiverPath(), 3);
        QVERIFY(rig.events().waitFor(QStringLiteral("validated(0)"), kWaitMs, from));
        QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)"), kWaitMs, from));
        QVERIFY(rig.log().contains(
            QStringLiteral("[HID][State] comm-fault-reconnect-healthy-wait device=%1 tries=1/3 periodMs=%2")
                .arg(id)
                .arg(durations.commFaultHealthyPeriodMs)));
        QCOMPARE(heldEnds.size(), 1);

        from = rig.events().all().size();
        switch (PendingEvent(event)) {
        case PendingEvent::FatalFault:
            api().failReads(receiverPath(), 3);
            QVERIFY(rig.events().waitFor(QStringLiteral("validated(0)"), kWaitMs, from));
            QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)"), kWaitMs, from));
            QVERIFY(rig.log().containsSubstring(
                QStringLiteral("[HID][State] comm-fault-reconnect-not-recovered device=%1 tries=1/3").arg(id)));
            QVERIFY(rig.log().containsSubstring(
                QStringLiteral("[HID][State] comm-fault-reconnect-armed device=%1 try=2/3").arg(id)));
            QCOMPARE(heldEnds.size(), 2);
            break;
        case PendingEvent::NonFatalReadErrors:
            QVERIFY(nonFatalReadErrors(rig, receiverPath()));
            break;
        default:
            QVERIFY(endTheLink(rig, PendingEvent(event)));
            QCOMPARE(heldEnds.size(), 1); // after a replug too: the list gave its tries back, a fresh device
            break;
        }
        const int opens = api().openCalls();
        heldEnds.takeFirst()();
        QVERIFY2(rig.log().containsSubstring(periodEnd.arg(id)), qPrintable(rig.log().lines().join('\n')));
        QCOMPARE(rig.log().count(QStringLiteral("comm-fault-reconnect-recovered")),
                 PendingEvent(event) == PendingEvent::NonFatalReadErrors ? 1 : 0);

        switch (PendingEvent(event)) {
        case PendingEvent::FatalFault:
            // The second pass's period, kept to its end: that try has worked.
            heldEnds.takeFirst()();
            QVERIFY(rig.log().containsSubstring(recovered(id, 2)));
            QCOMPARE(service.currentDeviceId(), id);
            break;
        case PendingEvent::NonFatalReadErrors:
        case PendingEvent::UnplugAndReplug:
            QCOMPARE(service.currentDeviceId(), id);
            QVERIFY(service.isReadyForCommands());
            break;
        case PendingEvent::ManualDisconnect:
        case PendingEvent::ExclusiveSession:
        case PendingEvent::Unplug:
            QCOMPARE(service.currentDeviceId(), QString());
            service.endExclusiveOtaSession();
            break;
        }
        QVERIFY(heldEnds.isEmpty());
        QCOMPARE(api().openCalls(), opens);
    }
};

QTEST_GUILESS_MAIN(TestServiceReconnect)
#include "tst_servicereconnect.moc"
