// HidProtocolService and the receiver under I/O faults: every EQ send ends in
// exactly one outcome, success only when the headset stored the EQ, and the
// link comes back afterwards (tst_servicereconnect: how it comes back).
#include "ServiceFaultSetup.h"
#include "ServiceRig.h"

#include <QTest>

using namespace ServiceTest;
using HidTestDevices::api;
using VirtualDevices::HidApiDouble;

namespace {

// What held when an EQ outcome was signalled.
struct OutcomeSnapshot
{
    bool ready = false;
    bool storedFirstEq = false;
};

enum class Fault {
    WriteError,
    WriteErrorsToThreshold,
    ZeroByteWrite,
    ShortWrite,
    ReadErrorsBelowThreshold,
    ReadErrorsAtThreshold,
    ReadErrorsAtThresholdAnswerUnread,
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
        QTest::addColumn<bool>("delivered"); // eqOk; else eqFailed
        QTest::addColumn<bool>("held");      // the headset holds the EQ when its outcome is signalled
        QTest::addColumn<bool>("linkLost");  // the fault takes the receiver down
        QTest::newRow("write error") << int(Fault::WriteError) << false << false << false;
        QTest::newRow("write errors up to the threshold") << int(Fault::WriteErrorsToThreshold) << false << false << true;
        QTest::newRow("zero-byte write") << int(Fault::ZeroByteWrite) << false << false << false;
        QTest::newRow("short write") << int(Fault::ShortWrite) << false << false << false;
        QTest::newRow("read errors below the threshold") << int(Fault::ReadErrorsBelowThreshold) << true << true << false;
        QTest::newRow("read errors at the threshold") << int(Fault::ReadErrorsAtThreshold) << false << false << true;
        // No answer can tell the service that the EQ arrived: it fails, and the sender puts its own EQ back.
        QTest::newRow("read errors at the threshold, the EQ stored, its answer unread")
            << int(Fault::ReadErrorsAtThresholdAnswerUnread) << false << true << true;
        QTest::newRow("read stalls past the request time-out") << int(Fault::ReadStall) << false << false << false;
        QTest::newRow("unplugged during the send") << int(Fault::UnplugDuringSend) << false << false << true;
    }

    void eachEqSendHasOneOutcome()
    {
        QFETCH(int, fault);
        QFETCH(bool, delivered);
        QFETCH(bool, held);
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
            // The third failure is in before the send: the I/O thread has stopped sending before it takes
            // another packet, while the service, not yet told, still accepts the EQ.
            api().failReads(receiverPath(), 3);
            QVERIFY(api().waitForFailedReads(receiverPath(), std::chrono::milliseconds(kWaitMs)));
            break;
        case Fault::ReadErrorsAtThresholdAnswerUnread:
            rig.headset().scriptFault({.command = 0x20}, {.noAnswer = true});
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
        if (Fault(fault) == Fault::ReadErrorsAtThresholdAnswerUnread) {
            QVERIFY(QTest::qWaitFor([&] { return holds(rig.headset(), first); }, kWaitMs));
            api().failReads(receiverPath(), 3);
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
        if (delivered)
            QCOMPARE(outcome, QStringLiteral("eqOk"));
        else
            QVERIFY2(outcome.startsWith(QLatin1String("eqFailed(")), qPrintable(outcome));
        QCOMPARE(snapshots.first().storedFirstEq, held);
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
};

QTEST_GUILESS_MAIN(TestServiceFaults)
#include "tst_servicefaults.moc"
