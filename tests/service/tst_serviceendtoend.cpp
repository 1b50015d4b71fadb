// The device side end to end, without any window: the service finds the
// virtual receiver behind the hidapi double, validates it, runs every
// command, follows its notifications, hands the HID devices to a firmware
// updater and takes them back.
#include "ServiceRig.h"

#include <QTest>

using namespace ServiceTest;
using HidTestDevices::api;
using VirtualDevices::Clock;
using VirtualDevices::HeadsetState;
using VirtualDevices::NotifyItem;

class TestServiceEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void probeValidateCommandNotifyReleaseReconnect()
    {
        ServiceRig rig;
        auto headset = rig.plugReceiver();
        HidProtocolService &service = rig.start();
        ServiceEvents &events = rig.events();

        // Probe, validation, link.
        QVERIFY(events.waitFor(QStringLiteral("battery(80)")));
        QVERIFY(events.waitFor(QStringLiteral("name(Velkora H1)")));
        QCOMPARE(events.all().first(3),
                 (QStringList{QStringLiteral("present(1)"), QStringLiteral("validated(1)"), QStringLiteral("link(1)")}));
        QCOMPARE(service.protocolProductId(), quint16(0x6901));

        // Every command, one outcome each.
        events.clear();
        service.queryBasicInfo({0x02, 0x04, 0x05, 0x06});
        QVERIFY(events.waitFor(QStringLiteral("tone(4)")));
        QVERIFY(service.setToneVolume(7));
        QVERIFY(events.waitFor(QStringLiteral("toneSet(7)")));
        QVERIFY(service.setDeviceName(QStringLiteral(" Studio ")));
        QVERIFY(events.waitFor(QStringLiteral("nameSet(Studio)")));
        QVERIFY(service.sendEqSettings(tenBandEq()));
        QVERIFY(events.waitFor(QStringLiteral("eqOk")));
        QVERIFY(service.sendFactoryReset());
        QVERIFY(events.waitFor(QStringLiteral("resetOk")));
        QVERIFY(events.waitFor(QStringLiteral("tone(4)"), 5000, events.all().indexOf(QStringLiteral("resetOk"))));
        QCOMPARE(headset->state().name, std::string("Velkora H1")); // the reset restored it
        QVERIFY(service.sendReceiverUnbind());
        QVERIFY(events.waitFor(QStringLiteral("unbindOk")));
        QVERIFY(events.waitFor(QStringLiteral("link(0)")));
        QCOMPARE(events.matching("toneSet").size() + events.matching("nameSet").size() + events.count("eq")
                     + events.count("reset") + events.count("unbind"),
                 5);
        QCOMPARE(headset->state().unbinds, 1u);

        // Notifications: the headset pairs again and reports its battery.
        headset->updateState([](HeadsetState &s) {
            s.link = 0;
            s.batteryLeft = 64;
        });
        headset->notify({NotifyItem::Link, NotifyItem::Battery}, Clock::now());
        QVERIFY(events.waitFor(QStringLiteral("link(1)")));
        QVERIFY(events.waitFor(QStringLiteral("battery(64)")));

        // A firmware update takes the devices and gives them back.
        events.clear();
        service.setAutoReconnectSuspended(true);
        service.beginExclusiveOtaSession();
        QCOMPARE(api().exitCalls(), 1);
        QCOMPARE(api().openHandles(), 0);
        QVERIFY(!service.isReadyForCommands());
        service.endExclusiveOtaSession();
        service.setAutoReconnectSuspended(false);
        QCOMPARE(api().initCalls(), 2);
        QVERIFY(!service.availableDevices().isEmpty());
        service.resumeAfterLegacyRecovery();

        // Validated afresh, and commands work again.
        QVERIFY(events.waitFor(QStringLiteral("validated(1)")));
        QVERIFY(events.waitFor(QStringLiteral("link(1)")));
        QVERIFY(service.setToneVolume(2));
        QVERIFY(events.waitFor(QStringLiteral("toneSet(2)")));

        // Unplugged and plugged in again.
        QVERIFY(rig.unplugReceiver());
        QVERIFY(events.waitFor(QStringLiteral("present(0)")));
        QVERIFY(!service.isReadyForCommands());
        const int from = events.all().size();
        rig.replugReceiver();
        QVERIFY(events.waitFor(QStringLiteral("validated(1)"), 5000, from));
        QVERIFY(events.waitFor(QStringLiteral("link(1)"), 5000, from));
        QVERIFY(service.sendEqSettings(tenBandEq()));
        QVERIFY(events.waitFor(QStringLiteral("eqOk"), 5000, from));
        QCOMPARE(events.count("validationFailed("), 0);
        QCOMPARE(headset->rejectedReports().size(), std::size_t(0));
        QCOMPARE(api().misuse(), std::vector<std::string>{});
    }
};

QTEST_GUILESS_MAIN(TestServiceEndToEnd)
#include "tst_serviceendtoend.moc"
