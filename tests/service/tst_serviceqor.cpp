// HidProtocolService and the Qor decoder: recognition, the bypass session and
// its EQ chain, delivered through the real HID stack to the virtual decoder.
#include "ServiceRig.h"

#include "hid/HidManager.h"
#include "protocol/CbQaspEqEncoder.h"
#include "protocol/IHidTransport.h"
#include "tests/support/virtualqor/VirtualQorDevice.h"

#include <QScopeGuard>
#include <QTest>

using namespace ServiceTest;
using HidTestDevices::api;
using VirtualDevices::HidApiDouble;

namespace {

HeadsetProtocol::EQData fiveBands()
{
    return qorEq({{80, 400, 71, 1}, {250, -300, 100, 2}, {1000, 250, 141, 2}, {4000, -200, 200, 2}, {9000, -350, 71, 3}},
                 -20);
}

// A wide peaking boost high up: its b0 does not fit the decoder's Q2.30 words.
HeadsetProtocol::EQData unwritableEq()
{
    return qorEq({{100, 300, 71, 2}, {16000, 1000, 20, 2}});
}

HidTestDevices::Device linuxQor()
{
    HidTestDevices::Device d = HidTestDevices::qor();
    d.hid.path = VirtualDevices::VirtualHidDevice::linuxPath(5);
    d.id = QStringLiteral("/dev/hidraw5#vid_3302&pid_c20e&mi_00");
    return d;
}

// The program's own HID settings: the decoder's numbered 64-byte reports
// (report id 0x4B first) must reach it unpadded.
HIDTypes::HidManagerConfig qorConfig()
{
    return HidTestDevices::fastConfig();
}

class QorRig
{
public:
    explicit QorRig(const HidTestDevices::Device &device = HidTestDevices::qor()) : m_device(device)
    {
        HidTestDevices::resetDouble();
        decoder = std::make_shared<VirtualDevices::VirtualQorDevice>();
        api().addDevice(m_device.hid, decoder);
    }

    bool start()
    {
        service = std::make_unique<HidProtocolService>(nullptr, fastDurations(), qorConfig(), fastHandlerSettings());
        events = std::make_unique<ServiceEvents>(*service);
        log.attach(service.get(), &HidProtocolService::logMessage);
        // Also wait for the enumeration thread's first list, so that an unplug
        // later in the test is seen as a change of the list.
        return events->waitFor(QStringLiteral("qor(1)"))
            && log.waitForSubstring(QStringLiteral("[HID] hotplug: device list updated"));
    }

    ~QorRig()
    {
        events.reset();
        service.reset();
    }

    std::string path() const { return m_device.hid.path; }
    QString id() const { return m_device.id; }
    int eqOutcomes() const { return events->count("eq"); }

    std::shared_ptr<VirtualDevices::VirtualQorDevice> decoder;
    std::unique_ptr<HidProtocolService> service;
    std::unique_ptr<ServiceEvents> events;
    LogCapture log;

private:
    HidTestDevices::Device m_device;
};

} // namespace

class TestServiceQor : public QObject
{
    Q_OBJECT

private slots:
    void recognisedByThePath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("qor");
        QTest::newRow("windows") << "\\\\?\\HID#VID_3302&PID_C20E&MI_00#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}" << true;
        QTest::newRow("windows, lower case") << "\\\\?\\hid#vid_3302&pid_c20e&mi_00#7&1a2b3c4d&0&0000" << true;
        QTest::newRow("linux") << "/dev/hidraw5#vid_3302&pid_c20e&mi_00" << true;
        QTest::newRow("mixed case") << "/dev/hidraw5#Vid_3302&Pid_C20e" << true;
        QTest::newRow("other product") << "\\\\?\\hid#vid_3302&pid_c20f&mi_00" << false;
        QTest::newRow("other vendor") << "/dev/hidraw5#vid_3303&pid_c20e&mi_00" << false;
        QTest::newRow("receiver") << "/dev/hidraw2#vid_3654&pid_6901&mi_03" << false;
        QTest::newRow("empty") << "" << false;
    }

    void recognisedByThePath()
    {
        QFETCH(QString, path);
        QFETCH(bool, qor);
        QCOMPARE(HidProtocolService::isQorDevicePath(path), qor);
    }

    void sessionReplacesValidation_data()
    {
        QTest::addColumn<bool>("linuxPath");
        QTest::newRow("windows path") << false;
        QTest::newRow("linux path") << true;
    }

    void sessionReplacesValidation()
    {
        QFETCH(bool, linuxPath);
        QorRig rig(linuxPath ? linuxQor() : HidTestDevices::qor());
        QVERIFY(rig.start());
        HidProtocolService &service = *rig.service;
        QCOMPARE(rig.events->all(), (QStringList{QStringLiteral("present(1)"), QStringLiteral("qor(1)")}));
        QVERIFY(service.isQorTargetDevice());
        QVERIFY(service.isReadyForCommands());
        QCOMPARE(service.protocolProductId(), quint16(0));
        QVERIFY(rig.log.contains(QStringLiteral("[HID][QOR] bypass-session active=1 reason=connection-ready-qor")));
        QVERIFY(rig.log.contains(QStringLiteral("[HID][QOR] skip legacy prime/validation device=%1").arg(rig.id())));
        QCOMPARE(rig.log.count(QStringLiteral("validation-start")), 0);

        // Every framed command is refused and nothing goes to the decoder.
        QVERIFY(!service.setToneVolume(3));
        QVERIFY(!service.setDeviceName(QStringLiteral("x")));
        QVERIFY(!service.sendFactoryReset());
        QVERIFY(!service.sendReceiverUnbind());
        QVERIFY(!service.sendEqSettings(tenBandEq()));
        QVERIFY(!service.queryToneVolume(QStringLiteral("test")));
        service.queryBasicInfo({0x02});
        ServiceRig::settle(50);
        QCOMPARE(api().writes(rig.path()).size(), std::size_t(0));
        QCOMPARE(rig.log.count(QStringLiteral("[HID][Frame][Send]")), 0);
    }

    // Success only once all eleven reports were written; the decoder then
    // holds the requested filters.
    void chainIsDeliveredToTheDecoder()
    {
        QorRig rig;
        QVERIFY(rig.start());
        QString error;
        QVERIFY(rig.service->sendQorCbQaspEqChain(fiveBands(), &error));
        QCOMPARE(error, QString());
        QCOMPARE(rig.eqOutcomes(), 0); // not before the writes
        QVERIFY(rig.events->waitFor(QStringLiteral("eqOk")));
        QCOMPARE(api().writes(rig.path()).size(), std::size_t(CbQaspEqEncoder::kChainReportCount));
        QCOMPARE(rig.decoder->completedWrites(), 1);
        QCOMPARE(rig.decoder->errors(), std::vector<std::string>{});

        const auto held = rig.decoder->filterSlots();
        const HeadsetProtocol::EQData eq = fiveBands();
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(held[i].kind, eq.filterTypes[i]);
            QCOMPARE(held[i].fcHz, eq.frequencies[i]);
            QCOMPARE(qRound(held[i].gainDb() * 100), int(eq.gains[i]));
        }
        QCOMPARE(held[5].kind, std::uint8_t(0)); // unused slots are bypassed
        QCOMPARE(rig.decoder->overallGainDb(), -2.0);
        // The decoder's response has the shape asked for: a low-shelf boost, a dip at 250 Hz.
        QVERIFY(rig.decoder->filterResponseDb(30) > 3.0);
        QVERIFY(rig.decoder->filterResponseDb(250) < -2.0);
        QVERIFY(rig.log.contains(QStringLiteral("[HID][QOR][CbQasp][EQ] chain enqueued: 8×0x09+0x03+0x0A+0x01 (no 0x07); "
                                                "wire: fc int Hz [20,20k], Q×2dp, gain dB×1dp; logical_bands=5 device=%1")
                                     .arg(rig.id())));
        QVERIFY(rig.log.contains(QStringLiteral("[HID][QOR][CbQasp][EQ] chain delivered: 11 reports written device=%1")
                                     .arg(rig.id())));
    }

    // A report that is not written in full makes the chain fail, once; the
    // rest of it still goes out, and a later chain is delivered again.
    void writeFailureFailsTheChainOnce_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("write error") << int(HidApiDouble::WriteFault::Error);
        QTest::newRow("nothing written") << int(HidApiDouble::WriteFault::Zero);
        QTest::newRow("report cut short") << int(HidApiDouble::WriteFault::Short);
    }

    void writeFailureFailsTheChainOnce()
    {
        QFETCH(int, fault);
        QorRig rig;
        QVERIFY(rig.start());
        api().queueWriteFaults(rig.path(), HidApiDouble::WriteFault(fault), 1, 10);
        QVERIFY(rig.service->sendQorCbQaspEqChain(fiveBands(), nullptr));
        QVERIFY(rig.events->waitFor(QStringLiteral("eqFailed(eq report write failed)")));
        QVERIFY(rig.service->sendQorCbQaspEqChain(fiveBands(), nullptr));
        QVERIFY(rig.events->waitFor(QStringLiteral("eqOk")));
        QCOMPARE(rig.events->matching("eq"),
                 (QStringList{QStringLiteral("eqFailed(eq report write failed)"), QStringLiteral("eqOk")}));
        QCOMPARE(api().writeAttempts(rig.path()), 2 * CbQaspEqEncoder::kChainReportCount);
        QVERIFY(rig.log.containsSubstring(QStringLiteral("[HID][QOR][CbQasp][EQ] chain not delivered: eq report write failed")));
    }

    // Chains sent back to back get one outcome each, in order.
    void overlappingChainsEachGetTheirOutcome()
    {
        QorRig rig;
        QVERIFY(rig.start());
        QVERIFY(rig.service->sendQorCbQaspEqChain(fiveBands(), nullptr));
        QVERIFY(rig.service->sendQorCbQaspEqChain(fiveBands(), nullptr));
        QVERIFY(rig.service->sendQorCbQaspEqChain(fiveBands(), nullptr));
        QVERIFY(QTest::qWaitFor([&] { return rig.eqOutcomes() == 3; }, 5000));
        QCOMPARE(rig.events->matching("eq"), QStringList(3, QStringLiteral("eqOk")));
        QCOMPARE(rig.decoder->completedWrites(), 3);
    }

    // The encoder cannot represent the EQ: nothing is written, and the call
    // is refused with the encoder's reason; no outcome signal follows.
    void unwritableEqFailsWithTheEncodersReason_data()
    {
        QTest::addColumn<HeadsetProtocol::EQData>("eq");
        QTest::addColumn<QString>("reason");
        QTest::newRow("wide peaking boost at 16 kHz")
            << unwritableEq()
            << "biquad out of range filter=1 (kind=2 fc=16000Hz gain=10.0dB): a coefficient exceeds the Q2.30 range";
        // Ten bands are written as their first eight: a band past them is not checked, one among them is.
        HeadsetProtocol::EQData preset = tenBandEq();
        preset.index = 3;
        preset.gains[9] = 1200;
        preset.filterTypes[9] = 1;
        preset.qValues[9] = 10;
        preset.gains[7] = 1200;
        preset.qValues[7] = 10;
        QTest::newRow("ten-band preset, wide peaking boost among the first eight")
            << preset << "biquad out of range filter=7 (kind=2 fc=4000Hz gain=12.0dB): a coefficient exceeds the Q2.30 range";
    }

    void unwritableEqFailsWithTheEncodersReason()
    {
        QFETCH(HeadsetProtocol::EQData, eq);
        QFETCH(QString, reason);
        QorRig rig;
        QVERIFY(rig.start());
        QString error;
        QVERIFY(!rig.service->sendQorCbQaspEqChain(eq, &error));
        QCOMPARE(error, reason);
        QVERIFY(rig.log.contains(QStringLiteral("[HID][QOR][CbQasp][EQ] chain failed: %1").arg(reason)));
        // A good chain afterwards is the only outcome.
        QVERIFY(rig.service->sendQorCbQaspEqChain(fiveBands(), nullptr));
        QVERIFY(rig.events->waitFor(QStringLiteral("eqOk")));
        QCOMPARE(rig.eqOutcomes(), 1);
        QCOMPARE(api().writes(rig.path()).size(), std::size_t(CbQaspEqEncoder::kChainReportCount));
    }

    void refusalsSendNothing()
    {
        QorRig rig;
        QVERIFY(rig.start());
        HidProtocolService &service = *rig.service;
        QString error;
        HeadsetProtocol::EQData invalid = fiveBands();
        invalid.frequencies[0] = 5;
        QVERIFY(!service.sendQorCbQaspEqChain(invalid, &error));
        QCOMPARE(error, QStringLiteral("invalid eq data"));

        // A fatal error leaves the session but not the transport.
        auto *transport = service.findChild<HeadsetProtocol::IHidTransport *>();
        emit transport->commError(rig.id(), QStringLiteral("gone"), true);
        QVERIFY(!service.sendQorCbQaspEqChain(fiveBands(), &error));
        QCOMPARE(error, QStringLiteral("transport not ready"));

        service.disconnectAll();
        QVERIFY(rig.events->waitFor(QStringLiteral("qor(0)")));
        QVERIFY(!service.sendQorCbQaspEqChain(fiveBands(), &error));
        QCOMPARE(error, QStringLiteral("not qor bypass session"));
        QVERIFY(!service.sendQorCbQaspEqChain(fiveBands(), nullptr));
        ServiceRig::settle(50);
        QCOMPARE(rig.eqOutcomes(), 0);
        QCOMPARE(api().writeAttempts(rig.path()), 0);
    }

    void noSessionWithoutTheDecoder()
    {
        ServiceRig rig;
        rig.plugReceiver();
        HidProtocolService &service = rig.start();
        QVERIFY(rig.events().waitFor(QStringLiteral("validated(1)")));
        QString error = QStringLiteral("untouched");
        QVERIFY(!service.sendQorCbQaspEqChain(fiveBands(), &error));
        QCOMPARE(error, QStringLiteral("not qor bypass session"));
        QCOMPARE(rig.events().count("qor("), 0);
        QVERIFY(!service.isQorTargetDevice());
    }

    // The decoder goes away while its chain waits in the send queue: the
    // chain fails, once, before the session ends.
    void disconnectFailsTheChainInFlight()
    {
        QorRig rig;
        QVERIFY(rig.start());
        api().stallReads(rig.path(), true); // the I/O thread hangs in a read and writes nothing
        QVERIFY(QTest::qWaitFor([&] { return api().stalledReads(rig.path()) > 0; }, 5000));
        QVERIFY(rig.service->sendQorCbQaspEqChain(fiveBands(), nullptr));
        rig.service->disconnectAll();
        QCOMPARE(rig.events->all().mid(2),
                 (QStringList{QStringLiteral("link(0)"), QStringLiteral("eqFailed(transport disconnected)"),
                              QStringLiteral("qor(0)"), QStringLiteral("link(0)")}));
        api().stallReads(rig.path(), false);
        ServiceRig::settle(100);
        QCOMPARE(rig.eqOutcomes(), 1);
    }

    // A framed device connecting ends the session before its validation starts.
    void framedDeviceEndsTheSession()
    {
        QorRig rig;
        auto headset = std::make_shared<VirtualDevices::VirtualHeadset>();
        api().addDevice(HidTestDevices::receiver().hid, headset);
        QVERIFY(rig.start());
        QCOMPARE(rig.service->currentDeviceId(), rig.id()); // the decoder was preferred
        auto *manager = rig.service->findChild<HidManager *>();
        QVERIFY(manager->connectDevice(HidTestDevices::receiver().id).success);
        QVERIFY(rig.events->waitFor(QStringLiteral("validated(1)")));
        const QStringList events = rig.events->all();
        QVERIFY(events.indexOf(QStringLiteral("qor(0)")) < events.indexOf(QStringLiteral("validated(1)")));
        QVERIFY(rig.log.contains(QStringLiteral("[HID][QOR] bypass-session active=0 reason=legacy-device-connected")));
        QVERIFY(!rig.service->isQorTargetDevice());
        QVERIFY(rig.service->setToneVolume(2));
        QVERIFY(rig.events->waitFor(QStringLiteral("toneSet(2)")));
    }

    // The transport moves to a framed device while a chain waits in the send
    // queue: the queue goes with the decoder, so the chain fails, once, and
    // before the session ends.
    void framedDeviceFailsTheChainInFlight()
    {
        QorRig rig;
        auto headset = std::make_shared<VirtualDevices::VirtualHeadset>();
        api().addDevice(HidTestDevices::receiver().hid, headset);
        QVERIFY(rig.start());
        api().stallReads(rig.path(), true); // the I/O thread hangs in a read and writes nothing
        const auto release = qScopeGuard([&] { api().stallReads(rig.path(), false); });
        QVERIFY(QTest::qWaitFor([&] { return api().stalledReads(rig.path()) > 0; }, 5000));
        QVERIFY(rig.service->sendQorCbQaspEqChain(fiveBands(), nullptr));
        auto *manager = rig.service->findChild<HidManager *>();
        QVERIFY(manager->connectDevice(HidTestDevices::receiver().id).success);
        const QStringList events = rig.events->all();
        QCOMPARE(events.count(QStringLiteral("eqFailed(transport switched device)")), 1);
        QVERIFY(events.indexOf(QStringLiteral("eqFailed(transport switched device)"))
                < events.indexOf(QStringLiteral("qor(0)")));
        api().stallReads(rig.path(), false);
        QVERIFY(rig.events->waitFor(QStringLiteral("validated(1)")));
        QCOMPARE(rig.eqOutcomes(), 1);
        QCOMPARE(api().writeAttempts(rig.path()), 0);
    }

    void unplugEndsTheSession()
    {
        QorRig rig;
        QVERIFY(rig.start());
        api().unplug(rig.path());
        HidTestDevices::lastHotplugSource()->raise();
        QVERIFY(rig.events->waitFor(QStringLiteral("present(0)")));
        QCOMPARE(rig.events->count("qor(0)"), 1);
        QVERIFY(rig.log.contains(QStringLiteral("[HID][QOR] bypass-session active=0 reason=transport-disconnected")));
        QVERIFY(!rig.service->isReadyForCommands());
    }
};

QTEST_GUILESS_MAIN(TestServiceQor)
#include "tst_serviceqor.moc"
