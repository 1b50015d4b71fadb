// The protocol handler on its own thread against the virtual headset: every
// command round-trips, every notification becomes its signal, and the
// headset's scripted faults are survived.
#include "HeadsetLinkFixture.h"

#include "protocol/DeviceRecordCodec.h"
#include "tests/support/virtualheadset/EqRecord.h"

#include <QSignalSpy>
#include <QTest>

using namespace HeadsetProtocol;
using VirtualDevices::NotifyItem;
using VirtualDevices::ReplyFault;
using VirtualDevices::RequestMatch;

Q_DECLARE_METATYPE(VirtualDevices::ReplyFault)

namespace {

constexpr int Wait = 5000;

EQData tenBandCustomEq()
{
    EQData eq;
    eq.index = 104;
    eq.bandCount = 10;
    eq.frequencies = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
    eq.gains = {-1200, -800, -300, 0, 150, 300, 450, 600, 900, 1200};
    eq.qValues = {70, 70, 100, 100, 141, 141, 200, 200, 500, 1000};
    eq.filterTypes = {4, 1, 1, 1, 1, 1, 1, 1, 1, 5};
    eq.totalGain = -35;
    return eq;
}

template <typename T>
T arg(const QSignalSpy &spy, int row, int column)
{
    return spy.at(row).at(column).value<T>();
}

} // namespace

class TestProtocolHandlerHeadset : public QObject
{
    Q_OBJECT

private slots:
    void basicInfoTypes_data()
    {
        QTest::addColumn<int>("infoType");
        for (int type : {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0B, 0xFF})
            QTest::addRow("0x%02x", type) << type;
    }

    void basicInfoTypes()
    {
        QFETCH(int, infoType);
        VirtualDevices::HeadsetState state;
        state.batteryRight = 0x85;
        state.receiverFirmwareFlag = true;
        state.surroundMode = 2;
        state.surroundPosition = 5;
        state.surroundRoomSize = 0;
        state.pid = 0x5055;
        HeadsetLinkFixture f({}, state);
        QSignalSpy responses(&f.probe(), &HandlerProbe::responseReceived);
        QSignalSpy infos(&f.probe(), &HandlerProbe::deviceInfoReceived);
        QSignalSpy ids(&f.probe(), &HandlerProbe::deviceIdInfoReceived);
        QSignalSpy surround(&f.probe(), &HandlerProbe::surroundSoundConfigReceived);

        QCOMPARE(f.call([&](ProtocolHandler &h) { return h.sendGetBasicInfo(quint8(infoType)); }), 0);
        QTRY_COMPARE_WITH_TIMEOUT(infos.size(), 1, Wait);
        QCOMPARE(responses.size(), 1);
        QCOMPARE(arg<ushort>(responses, 0, 0), ushort(0x10));
        QCOMPARE(arg<ResponseStatus>(responses, 0, 2), ResponseStatus::Success);
        const VirtualDevices::Bytes asked = f.engine.requests().at(0).payload;
        QCOMPARE(asked, (VirtualDevices::Bytes{quint8(infoType), 0x00}));
        QVERIFY(f.engine.requests().at(0).reportId);

        const DeviceInfo info = arg<DeviceInfo>(infos, 0, 0);
        switch (infoType) {
        case 0x01:
            QVERIFY(info.hasBattery);
            QVERIFY((info.battery == BatteryInfo{80, 0x85, true, 0, false}));
            break;
        case 0x02:
            QCOMPARE(info.name, QStringLiteral("Velkora H1"));
            break;
        case 0x03:
            QVERIFY(info.eq.has_value());
            QCOMPARE(info.eq->index, quint8(0));
            QCOMPARE(info.eq->bandCount, quint8(10));
            QCOMPARE(int(info.eq->frequencies.size()), 10);
            break;
        case 0x04:
            QVERIFY(info.firmware.has_value());
            QCOMPARE(info.firmware->dongleVersion, QStringLiteral("1.0.8"));
            QVERIFY(info.firmware->dongleFlag);
            QVERIFY(info.firmware->anyFlag);
            break;
        case 0x05:
            QCOMPARE(info.firmware->headsetVersion, QStringLiteral("1.2.3"));
            QVERIFY(!info.firmware->headsetFlag);
            break;
        case 0x06:
            QVERIFY(info.hasToneVolume);
            QCOMPARE(info.toneVolume, quint8(4));
            break;
        case 0x07:
            QCOMPARE(info.volumeLockPercent, quint8(100));
            break;
        case 0x08:
            QVERIFY((*info.surround == SurroundSoundConfig{2, 5, 0}));
            QCOMPARE(surround.size(), 1);
            break;
        case 0x09:
            QCOMPARE(info.dongleHeadsetLink, std::optional<quint8>(0));
            QVERIFY(f.waitForLog("Dongle/headset link connected (GetBasicInfo(TLV0x09))"));
            break;
        case 0x0B:
            QCOMPARE(info.deviceIdBytes, QByteArray("VKR2401"));
            break;
        case 0xFF:
            QVERIFY((*info.deviceIdInfo == DeviceIdInfo{0x2308, 0x0003, 0x5055}));
            QCOMPARE(ids.size(), 1);
            break;
        }
        QVERIFY(isValidDeviceInfo(info));
    }

    void receiverFirmwareFullForm()
    {
        VirtualDevices::VirtualHeadsetConfig config;
        config.receiverFirmwareForm = VirtualDevices::FirmwareForm::Full;
        VirtualDevices::HeadsetState state;
        state.headsetFirmwareFlag = true;
        HeadsetLinkFixture f(config, state);
        QSignalSpy firmware(&f.probe(), &HandlerProbe::firmwareInfoReceived);
        f.call([](ProtocolHandler &h) { return h.sendGetBasicInfo(0x04); });
        QTRY_COMPARE_WITH_TIMEOUT(firmware.size(), 1, Wait);
        const FirmwareInfo info = arg<FirmwareInfo>(firmware, 0, 0);
        QCOMPARE(info.headsetVersion, QStringLiteral("1.2.3"));
        QCOMPARE(info.dongleVersion, QStringLiteral("1.0.8"));
        QVERIFY(info.headsetFlag);
        QVERIFY(!info.dongleFlag);
    }

    void commandsRoundTrip()
    {
        HeadsetLinkFixture f;
        QSignalSpy responses(&f.probe(), &HandlerProbe::responseReceived);
        QSignalSpy eqs(&f.probe(), &HandlerProbe::eqDataReceived);
        QSignalSpy links(&f.probe(), &HandlerProbe::notifyDongleHeadsetLinkReceived);
        QSignalSpy failed(&f.probe(), &HandlerProbe::commandFailed);

        // Ten bands: 87 bytes, two frames each way.
        const EQData eq = tenBandCustomEq();
        QCOMPARE(f.call([&](ProtocolHandler &h) { return h.sendEqSettings(eq); }), 0);
        QTRY_COMPARE_WITH_TIMEOUT(eqs.size(), 1, Wait);
        QVERIFY(arg<EQData>(eqs, 0, 0) == eq);
        const auto stored = VirtualDevices::decodeEqRecord(f.engine.state().eq);
        QVERIFY(stored.has_value());
        QCOMPARE(stored->index, quint8(104));
        QCOMPARE(stored->gains, std::vector<std::int16_t>(eq.gains.begin(), eq.gains.end()));
        QCOMPARE(stored->totalGain, std::int8_t(-35));
        QCOMPARE(f.engine.requests().at(0).frames, quint8(2));

        const QString name = QString::fromUtf8("耳机 Nova");
        QCOMPARE(f.call([&](ProtocolHandler &h) { return h.sendSetBluetoothName(name); }), 1);
        QCOMPARE(f.call([](ProtocolHandler &h) { return h.sendSetToneVolume(6); }), 2);
        QCOMPARE(f.call([](ProtocolHandler &h) { return h.sendFactoryReset(); }), 3);
        QTRY_COMPARE_WITH_TIMEOUT(responses.size(), 4, Wait);
        QCOMPARE(f.engine.state().factoryResets, 1u);
        QVERIFY(f.waitForLog("Command 0x22 executed successfully"));
        QVERIFY(f.waitForLog("Command 0x23 executed successfully"));
        QVERIFY(f.waitForLog("Command 0x21 executed successfully"));
        // The name and the tone volume reached the device before the reset restored them.
        const std::vector<VirtualDevices::HostRequest> requests = f.engine.requests();
        const QByteArray nameBytes = name.toUtf8();
        QCOMPARE(requests.at(1).payload, VirtualDevices::Bytes(nameBytes.cbegin(), nameBytes.cend()));
        QCOMPARE(requests.at(2).payload, VirtualDevices::Bytes{6});

        QCOMPARE(f.call([](ProtocolHandler &h) { return h.sendReceiverUnbind(); }), 4);
        QTRY_COMPARE_WITH_TIMEOUT(links.size(), 1, Wait);
        QCOMPARE(arg<uchar>(links, 0, 0), uchar(1));
        QCOMPARE(f.engine.state().unbinds, 1u);

        f.call([](ProtocolHandler &h) { return h.sendRequest(0x24, CommandType::Request, {}); });
        f.call([](ProtocolHandler &h) { return h.sendRequest(0x25, CommandType::Request, {}); });
        QTRY_COMPARE_WITH_TIMEOUT(responses.size(), 7, Wait);
        QVERIFY(f.waitForLog("Surround sound command executed successfully"));
        for (int i = 0; i < responses.size(); ++i)
            QCOMPARE(arg<ResponseStatus>(responses, i, 2), ResponseStatus::Success);
        QVERIFY(failed.isEmpty());

        // The heartbeat reaches the device and expects nothing back.
        f.call([](ProtocolHandler &h) { return h.sendRequest(0x27, CommandType::Request, {}); });
        QVERIFY(f.engine.waitForRequests(8, std::chrono::milliseconds(Wait)));
        QCOMPARE(f.engine.commandCount(0x27), 1);
        QVERIFY(f.engine.rejectedReports().empty());
    }

    void notifications()
    {
        VirtualDevices::HeadsetState state;
        state.batteryLeft = 0xE4;
        state.batteryRight = 50;
        state.batteryCase = 0x21;
        state.link = 1;
        state.surroundMode = 1;
        state.surroundPosition = 8;
        HeadsetLinkFixture f({}, state);
        QStringList order;
        QObject::connect(&f.probe(), &HandlerProbe::notifyBatteryReceived, this, [&] { order << "battery"; });
        QObject::connect(&f.probe(), &HandlerProbe::notifyEqAutoReport, this, [&] { order << "eq"; });
        QObject::connect(&f.probe(), &HandlerProbe::surroundSoundConfigReceived, this, [&] { order << "surround"; });
        QObject::connect(&f.probe(), &HandlerProbe::notifyNameAndHeadsetFirmwareReceived, this, [&] { order << "name"; });
        QObject::connect(&f.probe(), &HandlerProbe::notifyDongleHeadsetLinkReceived, this, [&] { order << "link"; });
        QSignalSpy battery(&f.probe(), &HandlerProbe::notifyBatteryReceived);
        QSignalSpy eq(&f.probe(), &HandlerProbe::notifyEqAutoReport);
        QSignalSpy surround(&f.probe(), &HandlerProbe::surroundSoundConfigReceived);
        QSignalSpy name(&f.probe(), &HandlerProbe::notifyNameAndHeadsetFirmwareReceived);
        QSignalSpy link(&f.probe(), &HandlerProbe::notifyDongleHeadsetLinkReceived);

        for (NotifyItem item : {NotifyItem::Battery, NotifyItem::EqAutoReport, NotifyItem::NameAndFirmware,
                                NotifyItem::Link, NotifyItem::Surround})
            f.engine.notify({item}, f.engineTime());
        QTRY_COMPARE_WITH_TIMEOUT(order.size(), 5, Wait);
        QCOMPARE(order, (QStringList{"battery", "eq", "name", "link", "surround"}));

        QVERIFY((arg<BatteryInfo>(battery, 0, 0) == BatteryInfo{0xE4, 50, true, 0x21, true}));
        const EQData reported = arg<EQData>(eq, 0, 0);
        QCOMPARE(reported.bandCount, quint8(10));
        QVERIFY((arg<NotifyNameAndHeadsetFirmware>(name, 0, 0) == NotifyNameAndHeadsetFirmware{"Velkora H1", "1.2.3", false}));
        QCOMPARE(arg<uchar>(link, 0, 0), uchar(1));
        QVERIFY((arg<SurroundSoundConfig>(surround, 0, 0) == SurroundSoundConfig{1, 8, 1}));
        QVERIFY(f.waitForLog("Dongle/headset link disconnected (Notify(TLV0x04))"));

        // Several items in one notification come out in the handler's order.
        order.clear();
        f.engine.notify({NotifyItem::Link, NotifyItem::Battery}, f.engineTime());
        QTRY_COMPARE_WITH_TIMEOUT(order.size(), 2, Wait);
        QCOMPARE(order, (QStringList{"battery", "link"}));
    }

    void requestFromTheDevice()
    {
        HeadsetLinkFixture f;
        QSignalSpy requests(&f.probe(), &HandlerProbe::requestReceived);
        f.engine.sendMessage(0x30, VirtualDevices::HeadsetWire::FrameType::Request, 7, {1, 2, 3}, f.engineTime());
        QTRY_COMPARE_WITH_TIMEOUT(requests.size(), 1, Wait);
        QCOMPARE(arg<ushort>(requests, 0, 0), ushort(0x30));
        QCOMPARE(arg<uchar>(requests, 0, 1), uchar(7));
        QCOMPARE(arg<QByteArray>(requests, 0, 2), QByteArray::fromHex("010203"));
    }

    void unansweredRequestTimesOut()
    {
        HeadsetLinkFixture f;
        QSignalSpy timeouts(&f.probe(), &HandlerProbe::timeoutError);
        f.engine.scriptFault(RequestMatch{.command = 0x23}, ReplyFault{.noAnswer = true});
        f.call([](ProtocolHandler &h) { return h.sendSetToneVolume(2); });
        QVERIFY(f.engine.waitForRequests(1, std::chrono::milliseconds(Wait)));
        f.advance(3000);
        f.sweep();
        f.advance(1);
        f.sweep();
        QTRY_COMPARE_WITH_TIMEOUT(timeouts.size(), 1, Wait);
        QCOMPARE(arg<QString>(timeouts, 0, 2), QStringLiteral("Cmd:0x23, Payload:1 bytes"));
        QCOMPARE(f.engine.state().toneVolume, quint8(2)); // carried out, only the reply was lost
        f.advance(10000);
        f.sweep();
        QTest::qWait(0);
        QCOMPARE(timeouts.size(), 1);
    }

    void lateAnswerFindsNoRequest()
    {
        HeadsetLinkFixture f;
        QSignalSpy timeouts(&f.probe(), &HandlerProbe::timeoutError);
        QSignalSpy responses(&f.probe(), &HandlerProbe::responseReceived);
        f.engine.scriptFault(RequestMatch{.command = 0x23}, ReplyFault{.delay = std::chrono::milliseconds(4000)});
        f.call([](ProtocolHandler &h) { return h.sendSetToneVolume(3); });
        QVERIFY(f.engine.waitForRequests(1, std::chrono::milliseconds(Wait)));
        f.advance(3001);
        f.sweep();
        QTRY_COMPARE_WITH_TIMEOUT(timeouts.size(), 1, Wait);
        f.advance(1000);
        QVERIFY(f.waitForLog("Received response for unknown request. Cmd: 0x23, Seq: 0, PayloadLen:1, PayloadPreview:00"));
        QVERIFY(responses.isEmpty());
    }

    void failureStatus()
    {
        HeadsetLinkFixture f;
        QSignalSpy responses(&f.probe(), &HandlerProbe::responseReceived);
        QSignalSpy failed(&f.probe(), &HandlerProbe::commandFailed);
        f.engine.scriptFault(RequestMatch{.command = 0x23}, ReplyFault::failureStatus({0x2A}));
        f.call([](ProtocolHandler &h) { return h.sendSetToneVolume(7); });
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, Wait);
        QCOMPARE(arg<ResponseStatus>(responses, 0, 2), ResponseStatus::Failure);
        QCOMPARE(arg<QByteArray>(responses, 0, 3), QByteArray::fromHex("2A"));
        QCOMPARE(arg<QString>(failed, 0, 1), QStringLiteral("Command 0x23 failed with error code: 0x2a"));
        QCOMPARE(f.engine.state().toneVolume, quint8(4));
    }

    void fragmentedReplies_data()
    {
        QTest::addColumn<ReplyFault>("fault");
        QTest::addColumn<bool>("delivered");
        QTest::addColumn<QString>("logPart");
        QTest::newRow("split across reports") << ReplyFault{.splitAt = 20} << true << QString();
        // Frames off one reader keep the device's order: an index below the
        // last one begins a new message, so these are partial messages.
        QTest::newRow("out of order") << ReplyFault{.frameOrder = {2, 0, 3, 1}} << false
                                      << "Stale partial message dropped, a new one began. Cmd: 0x10, Seq: 0, "
                                         "Frames: 2/4, last: 4, new: 2/4";
        QTest::newRow("duplicated") << ReplyFault{.frameOrder = {0, 1, 1, 2, 3}} << true
                                    << "Duplicate frame received. Seq: 1";
        QTest::newRow("garbage before sync") << ReplyFault{.garbageBeforeSync = {0x01, 0x02, 0x55}} << true << QString();
        QTest::newRow("fragment lost") << ReplyFault{.frameOrder = {0, 1, 3}} << false
                                       << "Frame reassembly timeout/incomplete. Cmd: 0x10, Seq: 0, Frames: 3/4";
    }

    void fragmentedReplies()
    {
        QFETCH(ReplyFault, fault);
        QFETCH(bool, delivered);
        QFETCH(QString, logPart);
        VirtualDevices::VirtualHeadsetConfig config;
        config.framePayloadBytes = 25; // the EQ item (89 bytes) takes four frames
        HeadsetLinkFixture f(config);
        QSignalSpy infos(&f.probe(), &HandlerProbe::deviceInfoReceived);
        QSignalSpy timeouts(&f.probe(), &HandlerProbe::timeoutError);
        f.engine.updateState([](VirtualDevices::HeadsetState &s) {
            VirtualDevices::EqRecord record = VirtualDevices::factoryEqRecord();
            record.totalGain = 12;
            s.eq = VirtualDevices::encodeEqRecord(record);
        });
        f.engine.scriptFault(RequestMatch{.command = 0x10, .infoType = 0x03}, fault);
        f.call([](ProtocolHandler &h) { return h.sendGetBasicInfo(0x03); });
        if (delivered) {
            QTRY_COMPARE_WITH_TIMEOUT(infos.size(), 1, Wait);
            QCOMPARE(arg<DeviceInfo>(infos, 0, 0).eq->totalGain, qint16(12));
        } else {
            QVERIFY(f.waitForLog("Frame 4/4 received"));
            f.advance(10001);
            // A partial message ages in read time: a frame read now shows
            // the sweep that the link has moved on past it.
            QSignalSpy batteries(&f.probe(), &HandlerProbe::notifyBatteryReceived);
            f.engine.notify({NotifyItem::Battery}, f.engineTime());
            QTRY_COMPARE_WITH_TIMEOUT(batteries.size(), 1, Wait);
            f.sweep();
            QTRY_COMPARE_WITH_TIMEOUT(timeouts.size(), 1, Wait);
            QVERIFY(infos.isEmpty());
        }
        if (!logPart.isEmpty())
            QVERIFY(f.waitForLog(logPart));
    }

    void damagedReplies_data()
    {
        QTest::addColumn<ReplyFault>("fault");
        QTest::addColumn<QString>("error");
        QTest::newRow("crc corrupted") << ReplyFault{.corruptCrc = true} << "CRC verification failed";
        QTest::newRow("encrypted bit") << ReplyFault{.encryptedBit = true} << "Invalid frame, discarding";
    }

    void damagedReplies()
    {
        QFETCH(ReplyFault, fault);
        QFETCH(QString, error);
        HeadsetLinkFixture f;
        QSignalSpy errors(&f.probe(), &HandlerProbe::errorOccurred);
        QSignalSpy responses(&f.probe(), &HandlerProbe::responseReceived);
        QSignalSpy timeouts(&f.probe(), &HandlerProbe::timeoutError);
        f.engine.scriptFault(RequestMatch{.command = 0x23}, fault);
        f.call([](ProtocolHandler &h) { return h.sendSetToneVolume(5); });
        QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), Wait);
        QCOMPARE(arg<QString>(errors, 0, 0), error);
        // The request is still open and is given up like any unanswered one.
        f.advance(3001);
        f.sweep();
        QTRY_COMPARE_WITH_TIMEOUT(timeouts.size(), 1, Wait);
        QVERIFY(responses.isEmpty());

        // The link carries on.
        QCOMPARE(f.call([](ProtocolHandler &h) { return h.sendSetToneVolume(5); }), 1);
        QTRY_COMPARE_WITH_TIMEOUT(responses.size(), 1, Wait);
    }

    // Reports without padding: a frame that claims more bytes than it has
    // waits for them and swallows the next replies, until the cut fails its
    // CRC and the receiver finds the following sync byte again. (With zero
    // padding the claimed bytes are zeros behind the true CRC, over which the
    // CRC of this wire format comes out right: the frame is taken with them.)
    void lengthFieldPastTheFrame()
    {
        VirtualDevices::VirtualHeadsetConfig config;
        config.padReports = false;
        HeadsetLinkFixture f(config);
        QSignalSpy crcErrors(&f.probe(), &HandlerProbe::crcError);
        QSignalSpy responses(&f.probe(), &HandlerProbe::responseReceived);
        QSignalSpy timeouts(&f.probe(), &HandlerProbe::timeoutError);
        f.engine.scriptFault(RequestMatch{.command = 0x23}, ReplyFault{.lengthField = 20});
        f.call([](ProtocolHandler &h) { return h.sendSetToneVolume(5); });  // 12 bytes claiming 31
        f.call([](ProtocolHandler &h) { return h.sendFactoryReset(); });    // swallowed whole
        f.call([](ProtocolHandler &h) { return h.sendReceiverUnbind(); });  // cut in the middle
        QTRY_COMPARE_WITH_TIMEOUT(crcErrors.size(), 1, Wait);
        QCOMPARE(crcErrors.at(0).at(0).toByteArray().size(), 31);
        f.advance(3001);
        f.sweep();
        QTRY_COMPARE_WITH_TIMEOUT(timeouts.size(), 3, Wait);

        f.call([](ProtocolHandler &h) { return h.sendSetToneVolume(6); });
        QTRY_COMPARE_WITH_TIMEOUT(responses.size(), 1, Wait);
        QCOMPARE(arg<ushort>(responses, 0, 0), ushort(0x23));
    }

    void unknownSequenceNumber()
    {
        HeadsetLinkFixture f;
        QSignalSpy responses(&f.probe(), &HandlerProbe::responseReceived);
        QSignalSpy timeouts(&f.probe(), &HandlerProbe::timeoutError);
        f.engine.scriptFault(RequestMatch{.command = 0x21}, ReplyFault{.sequence = 9});
        f.call([](ProtocolHandler &h) { return h.sendFactoryReset(); });
        QVERIFY(f.waitForLog("Received response for unknown request. Cmd: 0x21, Seq: 9, PayloadLen:1, PayloadPreview:00"));
        f.advance(3001);
        f.sweep();
        QTRY_COMPARE_WITH_TIMEOUT(timeouts.size(), 1, Wait);
        QVERIFY(responses.isEmpty());
    }

    void reportIdInFrontOfDeviceReports()
    {
        VirtualDevices::VirtualHeadsetConfig config;
        config.reportIdPrefix = true;
        config.framePayloadBytes = 10;
        HeadsetLinkFixture f(config);
        QSignalSpy names(&f.probe(), &HandlerProbe::deviceInfoReceived);
        f.call([](ProtocolHandler &h) { h.setStripReportId(true); });
        f.call([](ProtocolHandler &h) { return h.sendGetBasicInfo(0x02); });
        QTRY_COMPARE_WITH_TIMEOUT(names.size(), 1, Wait);
        QCOMPARE(arg<DeviceInfo>(names, 0, 0).name, QStringLiteral("Velkora H1"));
    }

    // Many queued calls from a foreign thread: five in flight, the rest queued, all answered.
    void manyQueuedCalls()
    {
        HeadsetLinkFixture f;
        QSignalSpy responses(&f.probe(), &HandlerProbe::responseReceived);
        QSignalSpy queued(&f.probe(), &HandlerProbe::requestQueued);
        QSignalSpy rejected(&f.probe(), &HandlerProbe::requestRejected);
        constexpr int Count = 150;
        for (int i = 0; i < Count; ++i) {
            f.post([i](ProtocolHandler &h) { h.sendSetToneVolume(quint8(1 + i % 7)); });
        }
        QTRY_COMPARE_WITH_TIMEOUT(responses.size(), Count, 20000);
        QVERIFY(queued.size() >= Count - 5);
        QVERIFY(rejected.isEmpty());
        QCOMPARE(f.engine.commandCount(0x23), Count);
        QCOMPARE(f.engine.state().toneVolume, quint8(1 + (Count - 1) % 7));
    }

    // The device goes away in the middle of traffic: the link state is dropped, nothing hangs.
    void resetDuringTraffic()
    {
        HeadsetLinkFixture f;
        QSignalSpy responses(&f.probe(), &HandlerProbe::responseReceived);
        QSignalSpy timeouts(&f.probe(), &HandlerProbe::timeoutError);
        for (int i = 0; i < 40; ++i) {
            f.post([](ProtocolHandler &h) { h.sendGetBasicInfo(0x03); });
        }
        QTRY_VERIFY_WITH_TIMEOUT(responses.size() >= 3, Wait);
        f.call([](ProtocolHandler &h) { h.resetTransportState(); });
        f.advance(20000);
        f.sweep();
        const int settled = f.call([](ProtocolHandler &h) { return h.sendFactoryReset(); });
        QVERIFY(settled < 16);
        QTRY_VERIFY_WITH_TIMEOUT(f.engine.state().factoryResets == 1u, Wait);
        QVERIFY(f.waitForLog("Command 0x21 executed successfully"));
        QVERIFY(timeouts.isEmpty());
    }

    void startStopCycles()
    {
        for (int cycle = 0; cycle < 15; ++cycle) {
            HeadsetLinkFixture f;
            f.call([](ProtocolHandler &h) { h.start(); });
            f.call([](ProtocolHandler &h) {
                h.setHeartbeatIntervalMs(200);
                h.setHeartbeatEnabled(true);
            });
            for (int i = 0; i < 8; ++i) {
                f.post([](ProtocolHandler &h) { h.sendGetBasicInfo(0x01); });
            }
            f.engine.notify({NotifyItem::Battery, NotifyItem::Link}, f.engineTime());
            // Leave with replies still on the way in some cycles.
            if (cycle % 2 == 0)
                QVERIFY(f.engine.waitForRequests(1, std::chrono::milliseconds(Wait)));
        }
    }
};

QTEST_GUILESS_MAIN(TestProtocolHandlerHeadset)
#include "tst_protocolhandler_headset.moc"
