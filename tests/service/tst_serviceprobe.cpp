// HidProtocolService: probing, automatic connection and protocol validation
// against the virtual receiver behind the real HID stack.
#include "ServiceRig.h"

#include "protocol/IHidTransport.h"

#include <QSignalSpy>
#include <QTest>

#include <utility>

using namespace ServiceTest;
using VirtualDevices::HeadsetState;
using VirtualDevices::VirtualHeadsetConfig;

class TestServiceProbe : public QObject
{
    Q_OBJECT

private slots:
    void acceptedIdentityValidatesAndArmsTheLink()
    {
        ServiceRig rig;
        rig.plugReceiver();
        HidProtocolService &service = rig.start();
        QVERIFY(!service.isReadyForCommands());
        QVERIFY(rig.events().waitFor(QStringLiteral("link(1)")));

        const QString id = rig.receiverId();
        QCOMPARE(rig.events().all().mid(0, 3),
                 (QStringList{QStringLiteral("present(1)"), QStringLiteral("validated(1)"), QStringLiteral("link(1)")}));
        QCOMPARE(service.protocolProductId(), quint16(0x6901));
        QCOMPARE(service.currentDeviceId(), id);
        QVERIFY(service.isReadyForCommands());
        QVERIFY(!service.isQorTargetDevice());

        LogCapture &log = rig.log();
        QVERIFY(log.contains(QStringLiteral("[HID] auto probe: filter VID=0x3654 PID=0x5055 interface=3")));
        QVERIFY(log.contains(QStringLiteral("[HID] auto probe: filter VID=0x3654 PID=0x6901 interface=3")));
        QVERIFY(log.contains(QStringLiteral("[HID] auto probe: filter VID=0x3302 PID=0xC20E (interface any)")));
        QVERIFY(log.contains(QStringLiteral("[HID] auto probe: enumerate 1 device(s)")));
        QVERIFY(log.contains(QStringLiteral("[HID] auto probe: connected %1").arg(id)));
        QVERIFY(log.contains(QStringLiteral("[HID] connection-ready: validating with 0x0B/0xFF before enabling "
                                            "heartbeat (%1)").arg(id)));
        QVERIFY(log.contains(QStringLiteral("[HID][State] validation-start device=%1 attempt=1/3 timeoutMs=400 "
                                            "heartbeatIntervalMs=200").arg(id)));
        QVERIFY(log.contains(QStringLiteral("[HID] validation parse 0x0B: deviceId0B(hex)=56 4B 52 32 34 30 31")));
        QVERIFY(log.contains(QStringLiteral("[HID] validation parse 0xFF: CID=0x2308 BID=0x0003 PID=0x6901")));
        QVERIFY(log.contains(QStringLiteral("[HID] validation summary: has0B=1 hasFF=1 CID=0x2308 BID=0x0003 PID=0x6901")));
        QVERIFY(log.contains(QStringLiteral("[HID][State] protocol-product-id=26881 (backend pid)")));
        QVERIFY(log.contains(QStringLiteral("[HID][State] dongle-link-await-auto-report device=%1 timeoutMs=100").arg(id)));
        // The receiver did not report its link by itself: the service asked.
        QVERIFY(log.contains(QStringLiteral("[HID][State] dongle-link-query-triggered device=%1 cmd=GetBasicInfo(0x09)").arg(id)));
        QVERIFY(log.contains(QStringLiteral("[HID][State] headset-link changed=1 reason=get-basic-info-0x09")));
        // Every frame leaves behind a report-id byte.
        for (const auto &request : rig.headset().requests())
            QVERIFY(request.reportId);
    }

    void identityIsCheckedFieldByField_data()
    {
        QTest::addColumn<int>("cid");
        QTest::addColumn<int>("bid");
        QTest::addColumn<int>("pid");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("headset pid") << 0x2308 << 3 << 0x5055 << true;
        QTest::newRow("any non-zero pid") << 0x2308 << 3 << 1 << true;
        QTest::newRow("pid zero") << 0x2308 << 3 << 0 << false;
        QTest::newRow("pid missing") << 0x2308 << 3 << -1 << false;
        QTest::newRow("other cid") << 0x2309 << 3 << 0x6901 << false;
        QTest::newRow("cid missing") << -1 << 3 << 0x6901 << false;
        QTest::newRow("other bid") << 0x2308 << 4 << 0x6901 << false;
        QTest::newRow("bid zero") << 0x2308 << 0 << 0x6901 << false;
    }

    void identityIsCheckedFieldByField()
    {
        QFETCH(int, cid);
        QFETCH(int, bid);
        QFETCH(int, pid);
        QFETCH(bool, accepted);
        const auto field = [](int v) { return v < 0 ? std::nullopt : std::optional<std::uint16_t>(v); };
        HeadsetState state;
        state.cid = field(cid);
        state.bid = field(bid);
        state.pid = field(pid);
        ServiceRig rig;
        rig.plugReceiver({}, state);
        HidProtocolService &service = rig.start();
        const QString id = rig.receiverId();

        if (accepted) {
            QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)")));
            QCOMPARE(service.protocolProductId(), quint16(pid));
            return;
        }
        QVERIFY(rig.events().waitFor(QStringLiteral("validationFailed(%1,1)").arg(id)));
        QCOMPARE(rig.events().count("validated("), 0);
        QCOMPARE(service.protocolProductId(), quint16(0));
        QVERIFY(rig.log().containsSubstring(QStringLiteral("[HID] validation failed: 0x0B/0xFF not allowed (CID=0x")));
        QVERIFY(rig.log().containsSubstring(QStringLiteral("), disconnect %1").arg(id)));
        QVERIFY(rig.log().contains(QStringLiteral("[HID][State] headset-link changed=0 reason=manual-disconnect-device")));
        // A later device-list update may connect it again, only to reject it again.
        QVERIFY(!service.isReadyForCommands() || service.currentDeviceId().isEmpty());
        QVERIFY(!service.setToneVolume(3));
    }

    // A device that answers only 0x0B gets two more rounds in which only the
    // identity is asked for, then the time-out.
    void deviceWithoutIdentityTimesOutAfterThreeRounds()
    {
        ServiceRig rig;
        rig.plugReceiver(VirtualHeadsetConfig{.answerIdentity = false});
        HidProtocolService &service = rig.start();
        const QString id = rig.receiverId();
        QVERIFY(rig.events().waitFor(QStringLiteral("validationFailed(%1,0)").arg(id), 8000));

        QCOMPARE(rig.headset().basicInfoCount(0x0B), 1);
        QCOMPARE(rig.headset().basicInfoCount(0xFF), 3);
        QCOMPARE(rig.events().count("validated("), 0);
        QCOMPARE(rig.events().count("validationFailed("), 1);
        QCOMPARE(service.currentDeviceId(), QString());
        LogCapture &log = rig.log();
        QCOMPARE(log.count(QStringLiteral("[HID][State] validation-query-sent type=0x0B")), 1);
        QCOMPARE(log.count(QStringLiteral("[HID][State] validation-query-sent type=0xFF")), 3);
        QVERIFY(log.contains(QStringLiteral("[HID][State] validation-timeout-retry device=%1 nextAttempt=2/3 "
                                            "action=resend-missing-queries").arg(id)));
        QVERIFY(log.contains(QStringLiteral("[HID][State] validation-timeout-retry device=%1 nextAttempt=3/3 "
                                            "action=resend-missing-queries").arg(id)));
        QVERIFY(log.contains(QStringLiteral("[HID] validation timeout, disconnect device (%1)").arg(id)));
        QVERIFY(log.contains(QStringLiteral("[HID][State] validation-timeout device=%1 action=disconnect attempts=3").arg(id)));
        // The snapshot names what came in; the device-id reply was one of the packets.
        QVERIFY(log.containsSubstring(QStringLiteral("[HID][Diag] validation-timeout snapshot device=%1 attempt=3/3 "
                                                     "has0B=1 hasFF=0 CID=0x0000 BID=0x0000 PID=0x0000 "
                                                     "hidRxDuringValidation=1 lastSamples=FE").arg(id)));
    }

    void silentDeviceSnapshotSaysNone()
    {
        ServiceRig rig;
        rig.plugReceiver(VirtualHeadsetConfig{.answerDeviceId = false, .answerIdentity = false});
        rig.start();
        const QString id = rig.receiverId();
        QVERIFY(rig.events().waitFor(QStringLiteral("validationFailed(%1,0)").arg(id), 8000));
        QVERIFY(rig.log().contains(QStringLiteral("[HID][Diag] validation-timeout snapshot device=%1 attempt=1/3 has0B=0 "
                                                  "hasFF=0 CID=0x0000 BID=0x0000 PID=0x0000 hidRxDuringValidation=0 "
                                                  "lastSamples=(none)").arg(id)));
        QCOMPARE(rig.headset().basicInfoCount(0x0B), 3);
    }

    void unplugDuringValidationFailsItOnce()
    {
        ServiceRig rig;
        rig.plugReceiver(VirtualHeadsetConfig{.answerIdentity = false});
        HidProtocolService &service = rig.start();
        const QString id = rig.receiverId();
        QVERIFY(rig.log().waitForSubstring(QStringLiteral("validation-progress device=%1 has0B=1 hasFF=0").arg(id)));
        QVERIFY(rig.unplugReceiver());
        QVERIFY(rig.events().waitFor(QStringLiteral("present(0)")));
        QCOMPARE(rig.events().matching("validationFailed("), QStringList{QStringLiteral("validationFailed(%1,2)").arg(id)});
        QVERIFY(rig.log().containsSubstring(QStringLiteral("validation-aborted-by-")));
        QCOMPARE(service.currentDeviceId(), QString());
        QVERIFY(!service.isReadyForCommands());
        // The time-out of the aborted validation never fires.
        ServiceRig::settle(3 * rig.durations().validationTimeoutMs);
        QCOMPARE(rig.events().count("validationFailed("), 1);
        QCOMPARE(rig.log().count(QStringLiteral("validation-timeout")), 0);
    }

    void emptyBusConnectsNothing()
    {
        ServiceRig rig;
        HidProtocolService &service = rig.start();
        QVERIFY(rig.log().waitForSubstring(QStringLiteral("[HID] auto probe: enumerate 0 device(s)")));
        QCOMPARE(rig.events().all(), QStringList{});
        QCOMPARE(service.currentDeviceId(), QString());
        QVERIFY(service.availableDevices().isEmpty());
    }

    void qorDeviceWinsOverTheReceiver()
    {
        ServiceRig rig;
        rig.plugReceiver();
        HidTestDevices::api().addDevice(HidTestDevices::qor().hid);
        HidProtocolService &service = rig.start();
        QVERIFY(rig.events().waitFor(QStringLiteral("qor(1)")));
        QCOMPARE(service.currentDeviceId(), HidTestDevices::qor().id);
        QVERIFY(service.isQorTargetDevice());
        QVERIFY(service.isReadyForCommands());
        QCOMPARE(rig.headset().requests().size(), std::size_t(0));
    }

    // Two connection reports for one device within the window validate once;
    // after a disconnect in between, the device validates again at once.
    void duplicateConnectionReportsValidateOnce()
    {
        ServiceRig rig;
        rig.plugReceiver();
        HidProtocolService &service = rig.start();
        QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)")));
        auto *transport = service.findChild<HeadsetProtocol::IHidTransport *>();
        QVERIFY(transport);
        const QString id = rig.receiverId();

        emit transport->deviceConnectionChanged(id, true);
        QVERIFY(rig.log().contains(QStringLiteral("[HID] connection-ready: skip duplicated prime for %1").arg(id)));
        QCOMPARE(rig.log().count(QStringLiteral("validation-start")), 1);
        QVERIFY(service.isReadyForCommands());

        service.disconnectAll();
        const int from = rig.events().all().size();
        service.resumeAfterLegacyRecovery();
        QCOMPARE(service.currentDeviceId(), id);
        QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)"), 5000, from));
        QCOMPARE(rig.log().count(QStringLiteral("validation-start")), 2);
    }

    // A connection report for a device the transport is not bound to starts
    // no validation: its queries would reach the bound device, its replies be
    // ignored and its time-out never act, so validation would hang. The
    // validation of the bound device runs on and ends as it should.
    void connectionReportForAnUnboundDeviceIsIgnored()
    {
        ServiceRig rig;
        rig.plugReceiver(VirtualHeadsetConfig{.answerIdentity = false});
        HidProtocolService &service = rig.start();
        QVERIFY(rig.log().waitForSubstring(QStringLiteral("validation-progress")));
        auto *transport = service.findChild<HeadsetProtocol::IHidTransport *>();
        const QString other = QStringLiteral("/dev/hidraw9#vid_3654&pid_6901&mi_03");
        emit transport->deviceConnectionChanged(other, true);
        QVERIFY(rig.log().contains(QStringLiteral("[HID] connection-ready: %1 gone during listing, skip prime").arg(other)));
        QCOMPARE(rig.log().count(QStringLiteral("validation-start")), 1);

        const QString id = rig.receiverId();
        QVERIFY(rig.events().waitFor(QStringLiteral("validationFailed(%1,0)").arg(id), 8000));
        QCOMPARE(rig.events().matching("validationFailed("), QStringList{QStringLiteral("validationFailed(%1,0)").arg(id)});
        QCOMPARE(rig.log().count(QStringLiteral("validation-timeout snapshot device=%1").arg(other)), 0);
    }

    // The device is unplugged right after it was opened: the listing inside
    // the connection report already finds it gone and runs its disconnect.
    // Nothing may be left pending, and its return must validate at once.
    void deviceGoneDuringTheConnectionListingIsNotValidated()
    {
        ServiceRig rig;
        rig.plugReceiver();
        HidProtocolService &service = rig.start();
        QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)")));
        // The enumeration thread has reported the receiver, so its loss will be told.
        QVERIFY(rig.log().waitForSubstring(QStringLiteral("[HID] hotplug: device list updated")));
        const int primes = rig.log().count(QStringLiteral("validation-start"));
        service.disconnectAll();

        const std::string path = HidTestDevices::receiver().hid.path;
        bool unplugged = false;
        HidTestDevices::api().setOpenHook([&](const std::string &opened) {
            if (opened == path && !std::exchange(unplugged, true)) {
                HidTestDevices::api().unplug(path);
                HidTestDevices::lastHotplugSource()->raise();
            }
        });
        const int from = rig.events().all().size();
        service.resumeAfterLegacyRecovery();
        HidTestDevices::api().setOpenHook(nullptr);
        QVERIFY(unplugged);
        const QString id = rig.receiverId();
        QVERIFY(rig.log().contains(QStringLiteral("[HID] connection-ready: %1 gone during listing, skip prime").arg(id)));
        QCOMPARE(rig.log().count(QStringLiteral("validation-start")), primes);
        QCOMPARE(service.currentDeviceId(), QString());
        QVERIFY(!service.isReadyForCommands());
        QVERIFY(rig.events().waitFor(QStringLiteral("present(0)"), 5000, from));

        // Back well within the duplicate-prime window.
        rig.replugReceiver();
        QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)"), 5000, from));
        QCOMPARE(rig.log().count(QStringLiteral("skip duplicated prime")), 0);
        QVERIFY(service.isReadyForCommands());
        QCOMPARE(rig.events().count("validationFailed("), 0);
    }
};

QTEST_GUILESS_MAIN(TestServiceProbe)
#include "tst_serviceprobe.moc"
