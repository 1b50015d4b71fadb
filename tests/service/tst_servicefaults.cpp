// HidProtocolService and the receiver under I/O faults: every EQ send ends in
// exactly one outcome, success only when the headset stored the EQ, and the
// link comes back afterwards, through a reconnect when a fatal error took the
// receiver down while it stayed on the bus.
#include "ServiceRig.h"

#include "tests/support/virtualqor/VirtualQorDevice.h"

#include <QTest>
#include <QTimer>

using namespace ServiceTest;
using HidTestDevices::api;
using VirtualDevices::HidApiDouble;

namespace {

// No heartbeat runs (every write of a test is its own), validation has no
// time limit a busy machine could run past, a lost frame costs its request
// two seconds, reconnect tries follow each other quickly, and the EQ's two
// frames are enough write errors to be fatal.
HidProtocolServiceDurations faultDurations()
{
    HidProtocolServiceDurations d = patientDurations();
    d.heartbeatIntervalMs = 600000;
    d.commFaultReconnectDelaysMs = {50, 100, 200};
    return d;
}

HeadsetProtocol::ProtocolHandlerSettings faultHandlerSettings()
{
    HeadsetProtocol::ProtocolHandlerSettings s = patientHandlerSettings();
    s.requestTimeoutMs = 2000;
    return s;
}

HIDTypes::HidManagerConfig faultHidConfig()
{
    HIDTypes::HidManagerConfig c = HidTestDevices::fastConfig();
    c.maxConsecutiveWriteFailures = 2;
    return c;
}

constexpr int kWaitMs = 30000;

HeadsetProtocol::EQData otherEq()
{
    HeadsetProtocol::EQData eq = tenBandEq();
    eq.index = 0x66;
    eq.gains = {-300, -200, 0, 150, 300, 0, -100, 0, 200, -450};
    return eq;
}

bool holds(const VirtualDevices::VirtualHeadset &headset, const HeadsetProtocol::EQData &eq)
{
    const auto stored = VirtualDevices::decodeEqRecord(headset.state().eq);
    return stored && stored->index == eq.index
        && stored->gains == std::vector<std::int16_t>(eq.gains.begin(), eq.gains.end());
}

const std::string &receiverPath()
{
    static const std::string path = HidTestDevices::receiver().hid.path;
    return path;
}

// A custom EQ of the Qor model that the decoder can hold.
HeadsetProtocol::EQData qorEq()
{
    return ServiceTest::qorEq({{250, -300, 100, 2}, {4000, 200, 141, 2}});
}

// The Qor decoder on the bus, played by the virtual decoder, announced by a
// hot-plug event when `announce` is set.
void plugQor(bool announce)
{
    HidTestDevices::api().addDevice(HidTestDevices::qor().hid, std::make_shared<VirtualDevices::VirtualQorDevice>());
    if (auto *source = HidTestDevices::lastHotplugSource(); announce && source)
        source->raise();
}

void unplugQor()
{
    HidTestDevices::api().unplug(HidTestDevices::qor().hid.path);
    if (auto *source = HidTestDevices::lastHotplugSource())
        source->raise();
}

// What held when an EQ outcome was signalled.
struct OutcomeSnapshot
{
    bool ready = false;
    bool storedFirstEq = false;
};

// What happens while a reconnect try is pending.
enum class PendingEvent {
    ManualDisconnect,
    ExclusiveSession,
    Unplug,
    UnplugAndReplug,
};

enum class Fault {
    WriteError,
    WriteErrorsToThreshold,
    ZeroByteWrite,
    ShortWrite,
    ReadErrorsBelowThreshold,
    ReadErrorsAtThreshold,
    ReadStall,
    UnplugDuringSend,
};

} // namespace

class TestServiceFaults : public QObject
{
    Q_OBJECT

private slots:
    void eachEqSendHasOneOutcome_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<bool>("delivered"); // eqOk, with the EQ stored; else eqFailed
        QTest::addColumn<bool>("linkLost");  // the fault takes the receiver down
        QTest::newRow("write error") << int(Fault::WriteError) << false << false;
        QTest::newRow("write errors up to the threshold") << int(Fault::WriteErrorsToThreshold) << false << true;
        QTest::newRow("zero-byte write") << int(Fault::ZeroByteWrite) << false << false;
        QTest::newRow("short write") << int(Fault::ShortWrite) << false << false;
        QTest::newRow("read errors below the threshold") << int(Fault::ReadErrorsBelowThreshold) << true << false;
        QTest::newRow("read errors at the threshold") << int(Fault::ReadErrorsAtThreshold) << false << true;
        QTest::newRow("read stalls past the request time-out") << int(Fault::ReadStall) << false << false;
        QTest::newRow("unplugged during the send") << int(Fault::UnplugDuringSend) << false << true;
    }

    void eachEqSendHasOneOutcome()
    {
        QFETCH(int, fault);
        QFETCH(bool, delivered);
        QFETCH(bool, linkLost);
        ServiceRig rig(faultDurations(), faultHandlerSettings(), faultHidConfig());
        rig.plugReceiver();
        QVERIFY(rig.startLinked(kWaitMs));
        QVERIFY(rig.waitForFirstScan(kWaitMs));
        HidProtocolService &service = rig.service();
        const HeadsetProtocol::EQData first = tenBandEq();
        QList<OutcomeSnapshot> snapshots;
        const auto snapshot = [&] { snapshots.append({service.isReadyForCommands(), holds(rig.headset(), first)}); };
        connect(&service, &HidProtocolService::eqSendSucceeded, this, snapshot);
        connect(&service, &HidProtocolService::eqSendFailed, this, snapshot);
        rig.events().clear();

        switch (Fault(fault)) {
        case Fault::WriteError:
            api().queueWriteFaults(receiverPath(), HidApiDouble::WriteFault::Error, 1);
            break;
        case Fault::WriteErrorsToThreshold:
            api().queueWriteFaults(receiverPath(), HidApiDouble::WriteFault::Error, 2);
            break;
        case Fault::ZeroByteWrite:
            api().queueWriteFaults(receiverPath(), HidApiDouble::WriteFault::Zero, 1);
            break;
        case Fault::ShortWrite:
            api().queueWriteFaults(receiverPath(), HidApiDouble::WriteFault::Short, 1, 10);
            break;
        case Fault::ReadErrorsBelowThreshold:
            api().failReads(receiverPath(), 2);
            break;
        case Fault::ReadErrorsAtThreshold:
            api().failReads(receiverPath(), 3);
            break;
        case Fault::ReadStall:
        case Fault::UnplugDuringSend:
            // The I/O thread hangs in a read: the EQ's frames wait in its queue.
            api().stallReads(receiverPath(), true);
            QTRY_COMPARE(api().stalledReads(receiverPath()), 1);
            break;
        }
        const int framesBefore = rig.log().count(QStringLiteral("[HID][Frame][Send][Full]"));
        QVERIFY(service.sendEqSettings(first));
        if (Fault(fault) == Fault::UnplugDuringSend) {
            QVERIFY(QTest::qWaitFor(
                [&] { return rig.log().count(QStringLiteral("[HID][Frame][Send][Full]")) == framesBefore + 2; },
                kWaitMs));
            QVERIFY(rig.unplugReceiver());
        }
        QVERIFY(QTest::qWaitFor([&] { return rig.events().count("eq") == 1; }, kWaitMs));
        const int framesWritten = rig.headset().commandCount(0x20);
        api().stallReads(receiverPath(), false);
        if (Fault(fault) == Fault::ReadStall) {
            // The frames waited in the send queue: the headset stores the EQ reported failed, and its late
            // answer belongs to no request. Only the sender can put its own EQ back (the window does).
            QVERIFY(QTest::qWaitFor([&] { return rig.headset().commandCount(0x20) == framesWritten + 1; }, kWaitMs));
            QVERIFY(rig.log().waitForSubstring(QStringLiteral("Received response for unknown request. Cmd: 0x20"),
                                               kWaitMs));
            QVERIFY(holds(rig.headset(), first));
            QCOMPARE(rig.events().count("eq"), 1);
        }
        const int afterOutcome = rig.events().all().size();

        const QString outcome = rig.events().matching("eq").first();
        QCOMPARE(snapshots.size(), 1);
        if (delivered) {
            QCOMPARE(outcome, QStringLiteral("eqOk"));
            QVERIFY(snapshots.first().storedFirstEq);
        } else {
            QVERIFY2(outcome.startsWith(QLatin1String("eqFailed(")), qPrintable(outcome));
            QVERIFY(!snapshots.first().storedFirstEq);
        }
        QCOMPARE(snapshots.first().ready, !linkLost);

        // Recovery: the same receiver, validated again where the link was lost.
        if (Fault(fault) == Fault::UnplugDuringSend)
            rig.replugReceiver();
        if (linkLost)
            QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)"), kWaitMs, afterOutcome));
        QVERIFY(service.isReadyForCommands());
        const HeadsetProtocol::EQData second = otherEq();
        QVERIFY(service.sendEqSettings(second));
        QVERIFY(QTest::qWaitFor([&] { return rig.events().count("eq") == 2; }, kWaitMs));
        QCOMPARE(rig.events().matching("eq").last(), QStringLiteral("eqOk"));
        QVERIFY(holds(rig.headset(), second));

        // Whatever was still on its way has arrived by the time a name reply has.
        const int from = rig.events().all().size();
        service.queryBasicInfo({0x02});
        QVERIFY(rig.events().waitFor(QStringLiteral("name(Velkora H1)"), kWaitMs, from));
        QCOMPARE(rig.events().count("eq"), 2);
        QCOMPARE(snapshots.size(), 2);
    }

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

    // A receiver taken down again and again comes back each time: only the
    // tries that fail count against the limit, and a validated reconnect
    // gives every try back. The faults follow each other as fast as the
    // receiver comes back, well within any window a series of faults spans.
    void eachRecoveredFaultGetsEveryTryAgain()
    {
        ServiceRig rig(faultDurations(), faultHandlerSettings(), faultHidConfig());
        rig.plugReceiver();
        QVERIFY(rig.startLinked(kWaitMs));
        QVERIFY(rig.waitForFirstScan(kWaitMs));
        const QString id = rig.receiverId();
        constexpr int rounds = 5; // more than the three tries
        for (int round = 1; round <= rounds; ++round) {
            const int from = rig.events().all().size();
            api().failReads(receiverPath(), 3);
            QVERIFY(rig.events().waitFor(QStringLiteral("validated(0)"), kWaitMs, from));
            QVERIFY2(rig.events().waitFor(QStringLiteral("validated(1)"), kWaitMs, from), qPrintable(QString::number(round)));
        }
        QCOMPARE(rig.log().count(QStringLiteral("[HID][State] comm-fault-reconnect-armed device=%1 try=1/3").arg(id)),
                 rounds);
        QCOMPARE(rig.log().count(QStringLiteral("[HID][State] comm-fault-reconnect-recovered device=%1 tries=1").arg(id)),
                 rounds);
        QCOMPARE(rig.log().count(QStringLiteral("comm-fault-reconnect-armed device=%1 try=2/3").arg(id)), 0);
        QCOMPARE(rig.log().count(QStringLiteral("comm-fault-reconnect-giveup")), 0);

        QVERIFY(rig.service().sendEqSettings(otherEq()));
        QVERIFY(rig.events().waitFor(QStringLiteral("eqOk"), kWaitMs));
        QVERIFY(holds(rig.headset(), otherEq()));
    }

    // The Qor decoder is never validated and answers nothing: an EQ chain
    // written to it in full after a reconnect is its pass, and gives it every
    // try back. Here the EQ goes out at each session start, as the window
    // sends the stored one.
    void aQorDecoderKeepsComingBackToo()
    {
        ServiceRig rig(faultDurations(), faultHandlerSettings(), faultHidConfig());
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
        }
        QCOMPARE(rig.log().count(QStringLiteral("[HID][State] comm-fault-reconnect-armed device=%1 try=1/3").arg(qor.id)),
                 rounds);
        QCOMPARE(rig.log().count(QStringLiteral("[HID][State] comm-fault-reconnect-recovered device=%1 tries=1").arg(qor.id)),
                 rounds);
        QCOMPARE(rig.log().count(QStringLiteral("comm-fault-reconnect-armed device=%1 try=2/3").arg(qor.id)), 0);
        QCOMPARE(rig.log().count(QStringLiteral("comm-fault-reconnect-giveup")), 0);
        QCOMPARE(rig.service().currentDeviceId(), qor.id);
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
        rig.plugReceiver();
        QVERIFY(rig.startLinked(kWaitMs));
        QVERIFY(rig.waitForFirstScan(kWaitMs));
        HidProtocolService &service = rig.service();
        const QString id = rig.receiverId();

        api().failReads(receiverPath(), 3);
        QVERIFY(rig.log().waitForSubstring(
            QStringLiteral("[HID][State] comm-fault-reconnect-armed device=%1 try=1/3 delayMs=50").arg(id), kWaitMs));
        QCOMPARE(pendingTries.size(), 1);
        const int opens = api().openCalls();
        const int from = rig.events().all().size();
        switch (PendingEvent(event)) {
        case PendingEvent::ManualDisconnect:
            service.disconnectAll();
            break;
        case PendingEvent::ExclusiveSession:
            QVERIFY(service.beginExclusiveOtaSession());
            break;
        case PendingEvent::Unplug:
            QVERIFY(rig.unplugReceiver());
            QVERIFY(rig.events().waitFor(QStringLiteral("present(0)"), kWaitMs, from));
            break;
        case PendingEvent::UnplugAndReplug:
            QVERIFY(rig.unplugReceiver());
            QVERIFY(rig.events().waitFor(QStringLiteral("present(0)"), kWaitMs, from));
            rig.replugReceiver();
            QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)"), kWaitMs, from));
            QVERIFY(rig.log().contains(QStringLiteral("[HID] hotplug auto-reconnect: connected %1").arg(id)));
            break;
        }
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
        }
    }
};

QTEST_GUILESS_MAIN(TestServiceFaults)
#include "tst_servicefaults.moc"
