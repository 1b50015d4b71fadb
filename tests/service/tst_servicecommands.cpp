// HidProtocolService: device commands and their outcomes against the virtual
// receiver: success, the device's refusal, time-outs, refusals by the service,
// and no outcome once the device is gone.
#include "ServiceRig.h"

#include "protocol/Commands.h"
#include "tests/support/virtualheadset/EqRecord.h"

#include <QRegularExpression>
#include <QTest>

using namespace ServiceTest;
using VirtualDevices::HeadsetState;
using VirtualDevices::ReplyFault;
using VirtualDevices::RequestMatch;
using VirtualDevices::VirtualHeadsetConfig;
namespace Command = HeadsetProtocol::Command;

namespace {

const QString kName31 = QString(31, QLatin1Char('n'));

// Runs one command by its short name; the names double as test-row data.
bool run(HidProtocolService &service, const QString &op)
{
    if (op == QLatin1String("tone"))
        return service.setToneVolume(5);
    if (op == QLatin1String("name"))
        return service.setDeviceName(QStringLiteral("  Desk  "));
    if (op == QLatin1String("reset"))
        return service.sendFactoryReset();
    if (op == QLatin1String("unbind"))
        return service.sendReceiverUnbind();
    if (op == QLatin1String("eq"))
        return service.sendEqSettings(tenBandEq());
    if (op == QLatin1String("queryTone"))
        return service.queryToneVolume(QStringLiteral("test"));
    qFatal("unknown op");
    return false;
}

quint16 commandOf(const QString &op)
{
    if (op == QLatin1String("tone"))
        return Command::ToneVolume;
    if (op == QLatin1String("name"))
        return Command::BluetoothName;
    if (op == QLatin1String("reset"))
        return Command::FactoryReset;
    if (op == QLatin1String("unbind"))
        return Command::ReceiverUnbind;
    return Command::EqSettings;
}

const QStringList kOutcomePrefixes{QStringLiteral("toneSet"), QStringLiteral("toneFailed"), QStringLiteral("nameSet"),
                                   QStringLiteral("nameFailed"), QStringLiteral("reset"), QStringLiteral("unbind"),
                                   QStringLiteral("eq")};

int outcomes(const ServiceEvents &events)
{
    int n = 0;
    for (const QString &prefix : kOutcomePrefixes)
        n += events.count(prefix);
    return n;
}

// Waits until a name reply asked for now has been published: everything the
// protocol thread emitted before it has been seen by then.
bool drainThroughNameReply(ServiceRig &rig)
{
    const int from = rig.events().all().size();
    rig.service().queryBasicInfo({0x02});
    return QTest::qWaitFor([&] { return rig.events().all().mid(from).join(',').contains(QStringLiteral("name(")); },
                           5000);
}

} // namespace

class TestServiceCommands : public QObject
{
    Q_OBJECT

private slots:
    void commandsSucceed_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("tone volume") << "tone" << "toneSet(5)";
        QTest::newRow("name, trimmed") << "name" << "nameSet(Desk)";
        QTest::newRow("factory reset") << "reset" << "resetOk";
        QTest::newRow("receiver unbind") << "unbind" << "unbindOk";
        QTest::newRow("eq settings") << "eq" << "eqOk";
    }

    void commandsSucceed()
    {
        QFETCH(QString, op);
        QFETCH(QString, outcome);
        ServiceRig rig;
        rig.plugReceiver();
        QVERIFY(rig.startLinked());
        rig.events().clear();

        QVERIFY(run(rig.service(), op));
        QVERIFY(rig.events().waitFor(outcome));
        QVERIFY(drainThroughNameReply(rig));
        QCOMPARE(outcomes(rig.events()), 1);

        const HeadsetState state = rig.headset().state();
        const QString id = rig.receiverId();
        LogCapture &log = rig.log();
        if (op == QLatin1String("tone")) {
            QCOMPARE(state.toneVolume, std::uint8_t(5));
            QVERIFY(log.contains(QStringLiteral("[HID][State] send-tone-volume device=%1 level=5").arg(id)));
            QVERIFY(log.contains(QStringLiteral("[HID][State] tone-volume-set success level=5")));
        } else if (op == QLatin1String("name")) {
            QCOMPARE(state.name, std::string("Desk"));
            QVERIFY(log.contains(QStringLiteral("[HID][State] send-device-name device=%1 name=\"Desk\"").arg(id)));
            QVERIFY(log.contains(QStringLiteral("[HID][State] device-name-set success name=\"Desk\"")));
        } else if (op == QLatin1String("reset")) {
            QCOMPARE(state.factoryResets, 1u);
            QVERIFY(log.contains(QStringLiteral("[HID][State] factory-reset success")));
            QVERIFY(log.contains(QStringLiteral("[HID][State] post-factory-reset tone-volume refresh armed")));
        } else if (op == QLatin1String("unbind")) {
            QCOMPARE(state.unbinds, 1u);
            QVERIFY(log.contains(QStringLiteral("[HID][State] receiver-unbind success")));
            // The receiver then reports the headset gone.
            QVERIFY(rig.events().waitFor(QStringLiteral("link(0)")));
        } else {
            const auto stored = VirtualDevices::decodeEqRecord(state.eq);
            QVERIFY(stored);
            QCOMPARE(int(stored->index), 0x65);
            QCOMPARE(stored->gains, (std::vector<std::int16_t>{300, 250, 100, 0, -150, -200, 0, 120, 450, 600}));
            QVERIFY(log.contains(QStringLiteral("[HID][EQ][SEND] INDEX=0X65 BANDS=10 TOTALGAIN(RAW)=-30 TOTALGAIN(DB)=-3.0")));
            QVERIFY(log.contains(QStringLiteral("[HID][EQ][Send] #0 freq=31Hz gain=3.00dB q=0.71 type=0x04")));
            QVERIFY(log.contains(QStringLiteral("[HID][EQ][Send] #9 freq=16000Hz gain=6.00dB q=0.50 type=0x05")));
            QVERIFY(log.containsSubstring(QStringLiteral("[HID][EQ][Send][TLV] 01 01 65 02 01 0A")));
            QVERIFY(log.contains(QStringLiteral("[HID][STATE] SEND-EQ-SETTINGS DEVICE=%1 INDEX=0X65 BANDS=10").arg(id).toUpper()));
            // The headset's echo of what it stored.
            QVERIFY(log.containsSubstring(QStringLiteral("[HID][EQ][Response][TLV] ")));
            QVERIFY(log.contains(QStringLiteral("[HID][EQ][RESPONSE] INDEX=0X65 BANDS=10 TOTALGAIN(RAW)=-30 TOTALGAIN(DB)=-3.0")));
            QVERIFY(log.contains(QStringLiteral("[HID][EQ][Response] #4 freq=500Hz gain=-1.50dB q=0.71 type=0x01")));
            QVERIFY(log.contains(QStringLiteral("[HID][State] eq-send-response success")));
        }
    }

    // The device answers with a failure status: one failure signal with the
    // fixed rejection text, although the protocol layer reports the refusal
    // twice. (An EQ reply carries no status byte.)
    void deviceRefusalIsOneFailure_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("tone volume") << "tone" << "toneFailed(5,device rejected tone volume)";
        QTest::newRow("name") << "name" << "nameFailed(Desk,device rejected bluetooth name)";
        QTest::newRow("factory reset") << "reset" << "resetFailed(device rejected factory reset)";
        QTest::newRow("receiver unbind") << "unbind" << "unbindFailed(device rejected receiver unbind)";
    }

    void deviceRefusalIsOneFailure()
    {
        QFETCH(QString, op);
        QFETCH(QString, outcome);
        ServiceRig rig;
        rig.plugReceiver();
        QVERIFY(rig.startLinked());
        rig.headset().scriptFault(RequestMatch{.command = commandOf(op)}, ReplyFault::failureStatus({0x2A}));
        rig.events().clear();

        QVERIFY(run(rig.service(), op));
        QVERIFY(rig.events().waitFor(outcome));
        QVERIFY(drainThroughNameReply(rig));
        QCOMPARE(outcomes(rig.events()), 1);
        // The refusal clears the outstanding command: the next one goes out.
        QVERIFY(run(rig.service(), op));
    }

    // No answer, or an answer that fails its CRC: the protocol layer's
    // time-out text is the reason, reported once.
    void unansweredCommandTimesOutOnce_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<bool>("corruptCrc");
        QTest::addColumn<QString>("outcome");
        const int eqBytes = HeadsetProtocol::serializeEQData(tenBandEq()).size();
        const QString eqFailed = QStringLiteral("eqFailed(Cmd:0x20, Payload:%1 bytes)").arg(eqBytes);
        QTest::newRow("tone, no answer") << "tone" << false << "toneFailed(5,Cmd:0x23, Payload:1 bytes)";
        QTest::newRow("tone, bad crc") << "tone" << true << "toneFailed(5,Cmd:0x23, Payload:1 bytes)";
        QTest::newRow("name, no answer") << "name" << false << "nameFailed(Desk,Cmd:0x22, Payload:4 bytes)";
        QTest::newRow("reset, bad crc") << "reset" << true << "resetFailed(Cmd:0x21, Payload:0 bytes)";
        QTest::newRow("unbind, no answer") << "unbind" << false << "unbindFailed(Cmd:0x26, Payload:0 bytes)";
        QTest::newRow("eq, no answer") << "eq" << false << eqFailed;
        QTest::newRow("eq, bad crc") << "eq" << true << eqFailed;
    }

    void unansweredCommandTimesOutOnce()
    {
        QFETCH(QString, op);
        QFETCH(bool, corruptCrc);
        QFETCH(QString, outcome);
        ServiceRig rig;
        rig.plugReceiver();
        QVERIFY(rig.startLinked());
        const ReplyFault fault = corruptCrc ? ReplyFault{.corruptCrc = true} : ReplyFault{.noAnswer = true};
        rig.headset().scriptFault(RequestMatch{.command = commandOf(op)}, fault);
        rig.events().clear();

        QVERIFY(run(rig.service(), op));
        QVERIFY(rig.events().waitFor(outcome));
        QVERIFY(drainThroughNameReply(rig));
        QCOMPARE(outcomes(rig.events()), 1);
        QVERIFY(rig.log().containsSubstring(QStringLiteral("timeout")));
    }

    void twoEqSendsHaveTwoOutcomes()
    {
        ServiceRig rig;
        rig.plugReceiver();
        QVERIFY(rig.startLinked());
        rig.headset().scriptFault(RequestMatch{.command = Command::EqSettings}, ReplyFault{.noAnswer = true});
        rig.events().clear();
        QVERIFY(rig.service().sendEqSettings(tenBandEq()));
        QVERIFY(rig.service().sendEqSettings(tenBandEq()));
        QVERIFY(QTest::qWaitFor([&] { return rig.events().count("eq") == 2; }, 5000));
        QVERIFY(drainThroughNameReply(rig));
        const int eqBytes = HeadsetProtocol::serializeEQData(tenBandEq()).size();
        QCOMPARE(rig.events().matching("eq"),
                 (QStringList{QStringLiteral("eqOk"), QStringLiteral("eqFailed(Cmd:0x20, Payload:%1 bytes)").arg(eqBytes)}));
    }

    void refusedCommandsSendAndEmitNothing_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::newRow("no device") << "none";
        QTest::newRow("validation pending") << "validating";
        QTest::newRow("after a manual disconnect") << "disconnected";
    }

    void refusedCommandsSendAndEmitNothing()
    {
        QFETCH(QString, situation);
        ServiceRig rig;
        std::shared_ptr<VirtualDevices::VirtualHeadset> headset;
        if (situation != QLatin1String("none"))
            headset = rig.plugReceiver(VirtualHeadsetConfig{.answerIdentity = situation != QLatin1String("validating")});
        HidProtocolService &service = rig.start();
        if (situation == QLatin1String("none")) {
            QVERIFY(rig.log().waitForSubstring(QStringLiteral("auto probe: enumerate 0")));
        } else if (situation == QLatin1String("validating")) {
            QVERIFY(rig.log().waitForSubstring(QStringLiteral("validation-progress")));
        } else {
            QVERIFY(rig.events().waitFor(QStringLiteral("link(1)")));
            service.disconnectAll();
        }
        const int requests = headset ? int(headset->requests().size()) : 0;
        rig.events().clear();

        for (const char *op : {"tone", "name", "reset", "unbind", "eq", "queryTone"})
            QVERIFY2(!run(service, QString::fromLatin1(op)), op);
        service.queryBasicInfo({0x02, 0x06});
        ServiceRig::settle(50);
        QCOMPARE(rig.events().all(), QStringList{});
        if (headset)
            QCOMPARE(int(headset->requests().size()), requests);
    }

    void argumentsAreChecked_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("tone 0") << "tone:0" << false;
        QTest::newRow("tone 8") << "tone:8" << false;
        QTest::newRow("tone 1") << "tone:1" << true;
        QTest::newRow("tone 7") << "tone:7" << true;
        QTest::newRow("empty name") << "name:" << false;
        QTest::newRow("blank name") << "name:   " << false;
        QTest::newRow("31 bytes") << "name:" + kName31 << true;
        QTest::newRow("31 bytes inside blanks") << "name:  " + kName31 + " " << true;
        QTest::newRow("32 ascii bytes") << "name:" + kName31 + "x" << false;
        QTest::newRow("33 bytes in 11 characters") << "name:" + QString(11, QChar(0x20AC)) << false;
        QTest::newRow("invalid eq") << "eq:bands" << false;
    }

    void argumentsAreChecked()
    {
        QFETCH(QString, what);
        QFETCH(bool, accepted);
        ServiceRig rig;
        rig.plugReceiver();
        QVERIFY(rig.startLinked());
        HidProtocolService &service = rig.service();
        const QString kind = what.section(QLatin1Char(':'), 0, 0);
        const QString value = what.section(QLatin1Char(':'), 1);
        bool result = false;
        if (kind == QLatin1String("tone")) {
            result = service.setToneVolume(value.toInt());
        } else if (kind == QLatin1String("name")) {
            result = service.setDeviceName(value);
        } else {
            HeadsetProtocol::EQData eq = tenBandEq();
            eq.bandCount = 11;
            result = service.sendEqSettings(eq);
        }
        QCOMPARE(result, accepted);
        if (accepted && kind == QLatin1String("name"))
            QVERIFY(rig.events().waitFor(QStringLiteral("nameSet(%1)").arg(value.trimmed())));
    }

    void oneCommandOfAKindAtATime()
    {
        ServiceRig rig;
        rig.plugReceiver();
        QVERIFY(rig.startLinked());
        HidProtocolService &service = rig.service();
        rig.headset().scriptFault(RequestMatch{.command = Command::ToneVolume},
                                  ReplyFault{.delay = std::chrono::milliseconds(150)});
        rig.headset().scriptFault(RequestMatch{.command = Command::BluetoothName},
                                  ReplyFault{.delay = std::chrono::milliseconds(150)});
        QVERIFY(service.setToneVolume(3));
        QVERIFY(!service.setToneVolume(7));
        QVERIFY(service.setDeviceName(QStringLiteral("A")));
        QVERIFY(!service.setDeviceName(QStringLiteral("B")));
        QVERIFY(service.sendEqSettings(tenBandEq())); // EQ sends are not limited
        QVERIFY(service.sendEqSettings(tenBandEq()));
        QVERIFY(rig.events().waitFor(QStringLiteral("toneSet(3)")));
        QVERIFY(rig.events().waitFor(QStringLiteral("nameSet(A)")));
        QVERIFY(service.setToneVolume(7));
        QVERIFY(rig.events().waitFor(QStringLiteral("toneSet(7)")));
    }

    void queryToneVolumeNeedsTheHeadsetLink()
    {
        HeadsetState state;
        state.link = 1;
        ServiceRig rig;
        rig.plugReceiver({}, state);
        HidProtocolService &service = rig.start();
        QVERIFY(rig.events().waitFor(QStringLiteral("link(0)")));
        QVERIFY(!service.queryToneVolume(QStringLiteral("test")));
        QVERIFY(service.setToneVolume(2)); // the receiver itself answers
        QVERIFY(rig.events().waitFor(QStringLiteral("toneSet(2)")));
    }

    void basicInfoQueriesArePublished()
    {
        ServiceRig rig;
        rig.plugReceiver();
        QVERIFY(rig.startLinked());
        rig.events().clear();
        rig.service().queryBasicInfo({0x02, 0x04, 0x05, 0x06});
        QVERIFY(rig.events().waitFor(QStringLiteral("tone(4)")));
        QCOMPARE(rig.events().all(),
                 (QStringList{QStringLiteral("name(Velkora H1)"), QStringLiteral("firmware(,1.0.8)"),
                              QStringLiteral("firmware(1.2.3,1.0.8)"), QStringLiteral("tone(4)")}));
        const QString id = rig.receiverId().toUpper();
        QVERIFY(rig.log().contains(QStringLiteral("[HID][STATE] ASYNC-BASIC-INFO-QUERY DEVICE=%1 TYPE=0X04").arg(id)));
        QVERIFY(rig.log().contains(QStringLiteral("[HID][State] emit-firmware-info source=get-basic-info headset=1.2.3 dongle=1.0.8")));
        // The same tone volume again is not news.
        rig.service().queryBasicInfo({0x06, 0x02});
        QVERIFY(rig.events().waitFor(QStringLiteral("name(Velkora H1)"), 5000, 4));
        QCOMPARE(rig.events().count("tone("), 1);
    }

    // After a reset the tone volume is asked for again, by fallback timers
    // while the link stays up and again when it comes back; a second reset
    // silences the timers of the first.
    void factoryResetFollowUps()
    {
        HeadsetState state;
        state.toneVolume = 4;
        ServiceRig rig;
        rig.plugReceiver({}, state);
        QVERIFY(rig.startLinked());
        HidProtocolService &service = rig.service();
        QVERIFY(service.setToneVolume(6));
        QVERIFY(rig.events().waitFor(QStringLiteral("toneSet(6)")));
        service.queryBasicInfo({0x06});
        QVERIFY(rig.events().waitFor(QStringLiteral("tone(6)")));

        QVERIFY(service.sendFactoryReset());
        QVERIFY(rig.events().waitFor(QStringLiteral("resetOk")));
        QVERIFY(service.sendFactoryReset());
        QVERIFY(QTest::qWaitFor([&] { return rig.events().count("resetOk") == 2; }, 5000));
        const QString fallback = QStringLiteral("[HID][State] query-tone-volume reason=post-factory-reset-fallback");
        QVERIFY(QTest::qWaitFor([&] { return rig.log().count(fallback) == 2; }, 5000));
        QVERIFY(rig.events().waitFor(QStringLiteral("tone(4)")));
        ServiceRig::settle(rig.durations().factoryResetFallbackDelaysMs.last());
        QCOMPARE(rig.log().count(fallback), 2); // the first reset's timers did nothing

        // The link drops and returns: three more queries.
        rig.headset().updateState([](HeadsetState &s) { s.link = 1; });
        rig.headset().notify({VirtualDevices::NotifyItem::Link}, VirtualDevices::Clock::now());
        QVERIFY(rig.events().waitFor(QStringLiteral("link(0)")));
        rig.headset().updateState([](HeadsetState &s) { s.link = 0; });
        rig.headset().notify({VirtualDevices::NotifyItem::Link}, VirtualDevices::Clock::now());
        const QString onLinkUp = QStringLiteral("[HID][State] query-tone-volume reason=post-factory-reset device=");
        QVERIFY(QTest::qWaitFor([&] { return rig.log().count(onLinkUp) == 3; }, 5000));
        QVERIFY(rig.log().contains(QStringLiteral("[HID][State] post-factory-reset tone-volume queries scheduled on link-up")));
    }

    // Once the device is gone, its outstanding commands end without a signal,
    // whatever the protocol thread still had on its way; only the EQ send is
    // failed, at once and once, so that no caller waits for it in vain.
    void onlyTheEqFailsAfterTheDeviceIsGone_data()
    {
        QTest::addColumn<bool>("unplug");
        QTest::addColumn<QString>("reason");
        // The I/O thread's failing reads or the hot-plug scan: whichever notices first.
        QTest::newRow("unplugged") << true << "communication error|transport disconnected";
        QTest::newRow("manual disconnect") << false << "device disconnected";
    }

    void onlyTheEqFailsAfterTheDeviceIsGone()
    {
        QFETCH(bool, unplug);
        QFETCH(QString, reason);
        ServiceRig rig;
        rig.plugReceiver();
        QVERIFY(rig.startLinked());
        HidProtocolService &service = rig.service();
        const ReplyFault late{.delay = std::chrono::milliseconds(120)};
        for (const char *op : {"tone", "name", "reset", "unbind", "eq"}) {
            rig.headset().scriptFault(RequestMatch{.command = commandOf(QString::fromLatin1(op))}, late);
            QVERIFY(run(service, op));
        }
        rig.events().clear();
        if (unplug) {
            QVERIFY(rig.unplugReceiver());
            QVERIFY(rig.events().waitFor(QStringLiteral("validated(0)")));
        } else {
            service.disconnectAll();
        }
        ServiceRig::settle(2 * fastHandlerSettings().requestTimeoutMs);
        QCOMPARE(outcomes(rig.events()), 1);
        const QStringList eq = rig.events().matching("eq");
        QCOMPARE(eq.size(), 1);
        QVERIFY2(QRegularExpression(QStringLiteral("^eqFailed\\((%1)\\)$").arg(reason)).match(eq.first()).hasMatch(),
                 qPrintable(eq.first()));
        QVERIFY(!service.isReadyForCommands());
    }
};

QTEST_GUILESS_MAIN(TestServiceCommands)
#include "tst_servicecommands.moc"
