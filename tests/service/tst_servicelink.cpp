// HidProtocolService: the headset link, what the headset reports, and the
// keep-alive heartbeat, against the virtual receiver.
#include "ServiceRig.h"

#include "hid/ProtocolProxy.h"
#include "protocol/Commands.h"
#include "tests/support/virtualheadset/HeadsetPayloads.h"
#include "tests/support/virtualheadset/HeadsetWire.h"

#include <QSemaphore>
#include <QTest>

#include <atomic>

using namespace ServiceTest;
using VirtualDevices::Clock;
using VirtualDevices::HeadsetState;
using VirtualDevices::NotifyItem;
using VirtualDevices::ReplyFault;
using VirtualDevices::RequestMatch;

namespace {

void notifyLink(VirtualDevices::VirtualHeadset &headset, std::uint8_t link)
{
    headset.updateState([link](HeadsetState &s) { s.link = link; });
    headset.notify({NotifyItem::Link}, Clock::now());
}

int heartbeats(VirtualDevices::VirtualHeadset &headset)
{
    return headset.commandCount(HeadsetProtocol::Command::Heartbeat);
}

} // namespace

class TestServiceLink : public QObject
{
    Q_OBJECT

private slots:
    void linkFollowsNotifications_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("logged");
        QTest::newRow("not linked") << 1 << "[HID][Notify 0x11/0x04] dongle-headset link=disconnected(0x01)";
        // The protocol layer drops such a notification; the service still reads it as down.
        QTest::newRow("unknown value counts as down") << 2 << "[HID][Notify 0x11/0x04] dongle-headset link=unknown(0x02)";
    }

    void linkFollowsNotifications()
    {
        QFETCH(int, status);
        QFETCH(QString, logged);
        ServiceRig rig;
        rig.plugReceiver();
        QVERIFY(rig.startLinked());
        rig.events().clear();

        if (status <= 1)
            notifyLink(rig.headset(), std::uint8_t(status));
        else
            emit rig.service().findChild<ProtocolProxy *>()->notifyDongleHeadsetLinkReceived(uchar(status));
        QVERIFY(rig.events().waitFor(QStringLiteral("link(0)")));
        QVERIFY(rig.log().contains(logged));
        QVERIFY(rig.log().contains(QStringLiteral("[HID][State] headset-link changed=0 reason=notify-0x11-0x04")));
        const int batteryQueries = rig.headset().basicInfoCount(0x01);

        // Back up: battery and name are asked for and published.
        notifyLink(rig.headset(), 0);
        QVERIFY(rig.events().waitFor(QStringLiteral("link(1)")));
        QVERIFY(rig.events().waitFor(QStringLiteral("name(Velkora H1)")));
        QVERIFY(rig.events().waitFor(QStringLiteral("battery(80)")));
        QCOMPARE(rig.headset().basicInfoCount(0x01), batteryQueries + 1);
        QVERIFY(rig.log().containsSubstring(QStringLiteral("headset-link-up query-basic-info device=%1 types=0x01,0x02")
                                                .arg(rig.receiverId())));
        // The same state again changes nothing.
        const int events = rig.events().all().size();
        notifyLink(rig.headset(), 0);
        QVERIFY(rig.log().waitForSubstring(QStringLiteral("dongle-headset link=connected(0x00)")));
        QVERIFY(drainName(rig));
        QCOMPARE(rig.events().all().mid(events), QStringList{QStringLiteral("name(Velkora H1)")});
    }

    // The receiver reported its link by itself: no query is needed.
    void autoReportMakesTheLinkQueryUnneeded()
    {
        ServiceRig rig;
        rig.plugReceiver();
        rig.start();
        QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)")));
        notifyLink(rig.headset(), 0);
        QVERIFY(rig.events().waitFor(QStringLiteral("link(1)")));
        QVERIFY(rig.log().contains(QStringLiteral("[HID][State] dongle-link-notify-received source=auto-report")));
        QVERIFY(rig.log().waitForSubstring(QStringLiteral("[HID][State] dongle-link-query-skip device=%1 "
                                                          "reason=auto-report-received").arg(rig.receiverId())));
        QCOMPARE(rig.headset().basicInfoCount(0x09), 0);
    }

    // A 0 % reading is published for the link-up query; a later reply
    // without a battery part publishes nothing; a notification always does.
    void batteryPublishingRules()
    {
        HeadsetState state;
        state.batteryLeft = 0;
        ServiceRig rig;
        rig.plugReceiver({}, state);
        QVERIFY(rig.startLinked());
        QCOMPARE(rig.events().matching("battery("), QStringList{QStringLiteral("battery(0)")});

        rig.service().queryBasicInfo({0x01, 0x02});
        QVERIFY(drainName(rig));
        QCOMPARE(rig.events().count("battery("), 1);

        rig.headset().updateState([](HeadsetState &s) {
            s.batteryLeft = 0x80 | 55; // charging
            s.batteryRight = 40;
        });
        rig.headset().notify({NotifyItem::Battery}, Clock::now());
        QVERIFY(rig.events().waitFor(QStringLiteral("battery(55)")));
        QVERIFY(rig.log().contains(QStringLiteral("[HID][NOTIFY 0X11/0X01][RAW] BATTERY L=0XB7 R=0X28 C=-")));
        QVERIFY(rig.log().contains(QStringLiteral("[HID][Notify 0x11/0x01] battery L=55%(chg=1) R=40%(chg=0) C=-%(chg=0)")));
        QVERIFY(rig.log().contains(QStringLiteral("[HID][State] emit-headset-battery source=notify value=55")));

        rig.headset().updateState([](HeadsetState &s) {
            s.batteryLeft = 0;
            s.batteryRight.reset();
        });
        rig.headset().notify({NotifyItem::Battery}, Clock::now());
        QVERIFY(QTest::qWaitFor([&] { return rig.events().count("battery(0)") == 2; }, 5000));
    }

    void nameAndFirmwareArePublishedOnEveryReply()
    {
        ServiceRig rig;
        rig.plugReceiver();
        QVERIFY(rig.startLinked());
        rig.events().clear();
        rig.service().queryBasicInfo({0x05});
        QVERIFY(rig.events().waitFor(QStringLiteral("firmware(1.2.3,)")));
        rig.service().queryBasicInfo({0x04});
        QVERIFY(rig.events().waitFor(QStringLiteral("firmware(1.2.3,1.0.8)")));
        rig.service().queryBasicInfo({0x04});
        QVERIFY(QTest::qWaitFor([&] { return rig.events().count("firmware(1.2.3,1.0.8)") == 2; }, 5000));
        rig.service().queryBasicInfo({0x02, 0x02});
        QVERIFY(QTest::qWaitFor([&] { return rig.events().count("name(") == 2; }, 5000));
    }

    // Notifications that the service does not use are logged and dropped.
    void unusedNotificationsAreOnlyLogged()
    {
        ServiceRig rig;
        rig.plugReceiver();
        QVERIFY(rig.startLinked());
        rig.events().clear();
        rig.headset().notify({NotifyItem::NameAndFirmware, NotifyItem::EqAutoReport}, Clock::now());
        // Item 0x03 is handed over after 0x02, each in its own queued call: wait for the last.
        QVERIFY(rig.log().waitForSubstring(QStringLiteral("[HID][Notify 0x11/0x03] ignored (not used by current business flow)")));
        QVERIFY(rig.log().containsSubstring(QStringLiteral("[HID][Notify 0x11/0x03] name=\"Velkora H1\" headsetFw=\"1.2.3\" ota=")));
        QVERIFY(rig.log().contains(QStringLiteral("[HID][Notify 0x11/0x02] ignored (not used by current business flow)")));
        QVERIFY(rig.log().contains(QStringLiteral("[HID][Notify 0x11/0x02] EQ index=0 bandCount=10 totalGain(raw)=0")));
        QCOMPARE(rig.events().all(), QStringList{});

        // The device's texts are data, not placeholders.
        rig.headset().updateState([](HeadsetState &s) { s.name = "100%1"; });
        rig.headset().notify({NotifyItem::NameAndFirmware}, Clock::now());
        QVERIFY(rig.log().waitForSubstring(QStringLiteral("[HID][Notify 0x11/0x03] name=\"100%1\" headsetFw=\"1.2.3\" ota=")));
    }

    // The heartbeat is off until validation passed and runs only while the
    // headset is linked.
    void heartbeatRunsOnlyWhileLinked()
    {
        ServiceRig rig;
        rig.plugReceiver();
        rig.start();
        QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)")));
        QCOMPARE(heartbeats(rig.headset()), 0);
        QVERIFY(rig.events().waitFor(QStringLiteral("link(1)")));
        QVERIFY(rig.log().containsSubstring(QStringLiteral("trigger=first-packet")));
        QVERIFY(QTest::qWaitFor([&] { return heartbeats(rig.headset()) >= 2; }, 5000));
        // The first packet switched it on; the fallback then has nothing to do.
        QVERIFY(rig.log().waitForSubstring(QStringLiteral("[HID][State] heartbeat-fallback-skip device=%1 "
                                                          "reason=already-enabled-or-cleared").arg(rig.receiverId())));

        notifyLink(rig.headset(), 1);
        QVERIFY(rig.events().waitFor(QStringLiteral("link(0)")));
        const int whileDown = heartbeats(rig.headset());
        ServiceRig::settle(3 * rig.durations().heartbeatIntervalMs);
        QVERIFY(heartbeats(rig.headset()) <= whileDown + 1); // at most one already on its way

        notifyLink(rig.headset(), 0);
        QVERIFY(QTest::qWaitFor([&] { return heartbeats(rig.headset()) >= whileDown + 3; }, 5000));
    }

    // A validated device that stays silent gets its heartbeat from the fallback.
    void heartbeatFallbackForASilentDevice()
    {
        ServiceRig rig;
        auto headset = rig.plugReceiver();
        headset->scriptFault(RequestMatch{.command = HeadsetProtocol::Command::GetBasicInfo, .infoType = 0x09},
                             ReplyFault{.noAnswer = true});
        rig.start();
        QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)")));
        QVERIFY(rig.log().waitForSubstring(QStringLiteral("[HID] heartbeat fallback enabled (%1)").arg(rig.receiverId())));
        QVERIFY(rig.log().contains(QStringLiteral("[HID][State] heartbeat-enabled device=%1 trigger=fallback").arg(rig.receiverId())));
        QVERIFY(QTest::qWaitFor([&] { return heartbeats(*headset) >= 1; }, 5000));
    }

    // After a reconnect the link is signalled again even when unchanged, and
    // a tone volume already seen is published again.
    void reconnectSignalsTheLinkAgain()
    {
        ServiceRig rig;
        rig.plugReceiver();
        QVERIFY(rig.startLinked());
        rig.service().queryBasicInfo({0x06});
        QVERIFY(rig.events().waitFor(QStringLiteral("tone(4)")));

        rig.events().clear();
        QVERIFY(rig.unplugReceiver());
        QVERIFY(rig.events().waitFor(QStringLiteral("present(0)")));
        // Down once for the I/O thread's fatal error and once for the withdrawn handle.
        QCOMPARE(rig.events().all(), (QStringList{QStringLiteral("validated(0)"), QStringLiteral("link(0)"),
                                                  QStringLiteral("link(0)"), QStringLiteral("present(0)")}));
        QVERIFY(rig.log().containsSubstring(QStringLiteral("[HID][State] comm-fatal-clear device=%1").arg(rig.receiverId())));
        QVERIFY(rig.log().contains(QStringLiteral("[HID][State] headset-link changed=0 reason=fatal-comm-error")));
        QVERIFY(rig.log().contains(QStringLiteral("[HID][State] headset-link changed=0 reason=transport-disconnected")));

        const int from = rig.events().all().size();
        rig.replugReceiver();
        QVERIFY(rig.events().waitFor(QStringLiteral("link(1)"), 5000, from));
        QCOMPARE(rig.events().all().mid(from, 3),
                 (QStringList{QStringLiteral("present(1)"), QStringLiteral("validated(1)"), QStringLiteral("link(1)")}));
        rig.service().queryBasicInfo({0x06});
        QVERIFY(rig.events().waitFor(QStringLiteral("tone(4)"), 5000, from));
    }

    // Reports the protocol thread decoded before the device went away reach
    // the service after it: they must not bring the device's values back.
    void lateReportsAfterTheDeviceIsGonePublishNothing_data()
    {
        QTest::addColumn<QString>("report");
        QTest::newRow("link notification") << "link";
        QTest::newRow("battery notification") << "battery";
        QTest::newRow("basic-info reply") << "reply";
    }

    void lateReportsAfterTheDeviceIsGonePublishNothing()
    {
        QFETCH(QString, report);
        // Only the linked state matters here, not how fast it came: no time
        // limit of validation or of a request may run out on a busy machine.
        ServiceRig rig(patientDurations(), patientHandlerSettings());
        rig.plugReceiver();
        QVERIFY(rig.startLinked(60000));
        rig.service().disconnectAll();
        QCOMPARE(rig.service().currentDeviceId(), QString());
        rig.events().clear();

        auto *proxy = rig.service().findChild<ProtocolProxy *>();
        if (report == QLatin1String("link")) {
            emit proxy->notifyDongleHeadsetLinkReceived(0);
        } else if (report == QLatin1String("battery")) {
            emit proxy->notifyBatteryReceived(HeadsetProtocol::BatteryInfo{.left = 70});
        } else {
            HeadsetProtocol::DeviceInfo info;
            info.name = QStringLiteral("Velkora H1");
            info.hasBattery = true;
            info.battery.left = 70;
            info.hasToneVolume = true;
            info.toneVolume = 4;
            info.firmware = HeadsetProtocol::FirmwareInfo{};
            info.firmware->dongleVersion = QStringLiteral("1.0.8");
            info.dongleHeadsetLink = 0;
            emit proxy->deviceInfoReceived(info);
        }
        QCOMPARE(rig.events().all(), QStringList{});
    }

    // A report's read time travels with it from the I/O thread to the protocol
    // handler. The frames of a notification, read back to back, still make it
    // when the thread they pass (here the test's own, the service's) holds the
    // later ones while the handler's clock runs far past its sweep's limit.
    void framesHeldUpOnTheWayStillMakeTheirMessage()
    {
        std::atomic<qint64> nowMs = 1'000'000; // when a report is read, and the handler's clock
        QSemaphore stamped;                    // a report was read and stamped
        QSemaphore clockRead;                  // the handler read its clock: it swept, or sent
        std::atomic<bool> countClockReads = false;
        HIDTypes::HidManagerConfig hidConfig = HidTestDevices::fastConfig();
        hidConfig.readClock = [&] {
            const qint64 t = nowMs.load();
            stamped.release();
            return t;
        };
        HeadsetProtocol::ProtocolHandlerSettings handlerSettings = fastHandlerSettings();
        handlerSettings.clock = [&] {
            if (countClockReads)
                clockRead.release();
            return nowMs.load();
        };
        ServiceRig rig(fastDurations(), handlerSettings, hidConfig);
        rig.plugReceiver({.framePayloadBytes = 30});
        QVERIFY(rig.startLinked());

        // An EQ auto-report of three frames; the first comes alone.
        const NotifyItem items[] = {NotifyItem::EqAutoReport};
        using VirtualDevices::HeadsetWire::FrameType;
        const VirtualDevices::Bytes payload =
            VirtualDevices::HeadsetPayloads::notifyPayload(rig.headset().state(), items);
        QCOMPARE(VirtualDevices::HeadsetWire::encodeMessage(0x11, FrameType::Notify, 9, payload, 30).size(), size_t(3));
        const auto send = [&](std::vector<std::uint8_t> frames) {
            rig.headset().sendMessage(0x11, FrameType::Notify, 9, payload, Clock::now(),
                                      ReplyFault{.frameOrder = std::move(frames)});
        };
        send({0});
        QVERIFY(rig.log().waitForSubstring(QStringLiteral("Frame 1/3 received")));

        // From here on the test's thread hands nothing on: the other two are
        // read at once and wait, while six seconds pass on the handler's clock.
        stamped.tryAcquire(stamped.available());
        send({1, 2});
        QVERIFY(stamped.tryAcquire(2, 5000));
        nowMs += 6000;
        countClockReads = true;
        QVERIFY(clockRead.tryAcquire(10, 5000)); // the sweep has run again and again
        QVERIFY(rig.log().waitForSubstring(QStringLiteral("[HID][Notify 0x11/0x02] EQ index=0 bandCount=10")));
        QVERIFY(!rig.log().containsSubstring(QStringLiteral("Frame reassembly timeout")));
        QVERIFY(!rig.log().containsSubstring(QStringLiteral("Stale partial message dropped")));
    }

private:
    static bool drainName(ServiceRig &rig)
    {
        const int from = rig.events().all().size();
        rig.service().queryBasicInfo({0x02});
        return QTest::qWaitFor([&] { return rig.events().all().indexOf(QStringLiteral("name(Velkora H1)"), from) >= 0; },
                               5000);
    }
};

QTEST_GUILESS_MAIN(TestServiceLink)
#include "tst_servicelink.moc"
