// The protocol layer's transport and discovery adapters over the HID manager.
#include "HidTestDevices.h"

#include "hid/HidManager.h"
#include "hid/QtDeviceDiscoveryAdapter.h"
#include "hid/QtHidTransportAdapter.h"
#include "protocol/FrameCodec.h"
#include "protocol/TlvParser.h"
#include "tests/support/hidapidouble/EchoResponder.h"
#include "tests/support/virtualheadset/VirtualHeadset.h"

#include <QSignalSpy>
#include <QTest>

using namespace HidTestDevices;
using HeadsetProtocol::DiscoveryDeviceInfo;
using HeadsetProtocol::DiscoveryDeviceState;
namespace FrameCodec = HeadsetProtocol::FrameCodec;

namespace {

// One protocol request as the protocol layer frames it.
QByteArray requestFrame(quint16 command, quint8 sequence, const QByteArray &payload)
{
    const auto frames =
        FrameCodec::splitIntoFrames(command, HeadsetProtocol::CommandType::Request, sequence, payload, false, {}, {});
    return frames.size() == 1 ? frames.front() : QByteArray();
}

HeadsetProtocol::ParsedFrame parse(const QByteArray &report)
{
    // A device report is one frame followed by zero padding.
    const int length = report.size() >= FrameCodec::HeaderSize
                           ? FrameCodec::MinFrameSize + quint8(report[7]) + (quint8(report[8]) << 8)
                           : 0;
    return FrameCodec::parseFrame(report.left(length), false, {}, {});
}

} // namespace

class TestHidAdapters : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetDouble(); }

    void withoutManagerEverythingIsInert()
    {
        HeadsetProtocol::QtHidTransportAdapter transport(nullptr);
        HeadsetProtocol::QtDeviceDiscoveryAdapter discovery(nullptr);
        const HIDTypes::ConnectResult result = transport.connectDevice(QStringLiteral("x"));
        QVERIFY(!result.success);
        QCOMPARE(result.message, QStringLiteral("HidManager is null"));
        QCOMPARE(transport.currentDeviceId(), QString());
        transport.sendData(QStringLiteral("protocol"), QByteArray(64, '\0'), true);
        transport.disconnectDevice(QStringLiteral("x"));
        transport.disconnectAll();
        discovery.addTargetDevice(filter(0x3654));
        QVERIFY(discovery.enumerateDevices().isEmpty());
        QCOMPARE(api().initCalls(), 0);
    }

    void recordsConvertFieldByField_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<DiscoveryDeviceState>("expected");
        QTest::newRow("disconnected") << 0 << DiscoveryDeviceState::Disconnected;
        QTest::newRow("connecting") << 1 << DiscoveryDeviceState::Connecting;
        QTest::newRow("connected") << 2 << DiscoveryDeviceState::Connected;
        QTest::newRow("error") << 3 << DiscoveryDeviceState::Error;
        QTest::newRow("unknown value") << 7 << DiscoveryDeviceState::Disconnected;
        QTest::newRow("negative value") << -1 << DiscoveryDeviceState::Disconnected;
    }

    void recordsConvertFieldByField()
    {
        QFETCH(int, state);
        QFETCH(DiscoveryDeviceState, expected);
        HIDTypes::HidDeviceInfo first;
        first.path = QStringLiteral("/dev/hidraw1#vid_3654&pid_5055&mi_03");
        first.vendorId = 0x3654;
        first.productId = 0x5055;
        first.productName = QStringLiteral("Headset");
        first.serialNumber = QStringLiteral("SN1");
        first.interfaceNumber = 3;
        first.state = static_cast<HIDTypes::DeviceConnectionState>(state);
        first.lastSeen = QDateTime::fromMSecsSinceEpoch(1700000000000);
        HIDTypes::HidDeviceInfo second; // a default record stays a default record
        second.path = QStringLiteral("/dev/hidraw0");

        const auto list = HeadsetProtocol::QtDeviceDiscoveryAdapter::toDiscoveryDeviceInfoList({first, second});
        QCOMPARE(list.size(), 2);
        const DiscoveryDeviceInfo &d = list.at(0);
        QCOMPARE(d.deviceId, first.path);
        QCOMPARE(d.vendorId, first.vendorId);
        QCOMPARE(d.productId, first.productId);
        QCOMPARE(d.productName, first.productName);
        QCOMPARE(d.serialNumber, first.serialNumber);
        QCOMPARE(d.interfaceNumber, 3);
        QCOMPARE(d.state, expected);
        QCOMPARE(d.lastSeen, first.lastSeen);
        QCOMPARE(list.at(1).deviceId, QStringLiteral("/dev/hidraw0"));
        QCOMPARE(list.at(1).interfaceNumber, -1);
        QVERIFY(!list.at(1).lastSeen.isValid());
    }

    void framesTravelThroughTheAdapters()
    {
        auto echo = std::make_shared<VirtualDevices::EchoResponder>();
        api().addDevice(headset().hid, echo);
        api().addDevice(qor().hid);
        HIDTypes::HidManagerConfig config = fastConfig();
        config.readClock = [] { return qint64(4242); };
        HidManager manager(nullptr, config);
        HeadsetProtocol::QtHidTransportAdapter transport(&manager);
        HeadsetProtocol::QtDeviceDiscoveryAdapter discovery(&manager);
        QSignalSpy listed(&discovery, &HeadsetProtocol::IDeviceDiscovery::deviceListUpdated);
        QSignalSpy connection(&transport, &HeadsetProtocol::IHidTransport::deviceConnectionChanged);
        QSignalSpy received(&transport, &HeadsetProtocol::IHidTransport::dataReceived);
        QSignalSpy sent(&transport, &HeadsetProtocol::IHidTransport::dataSent);
        QSignalSpy errors(&transport, &HeadsetProtocol::IHidTransport::commError);

        discovery.addTargetDevice(filter(0x3654, 0x5055, 3));
        discovery.addTargetDevice(filter(0x3302, 0xc20e));
        QTRY_VERIFY(!listed.isEmpty() && listed.last().at(0).value<QList<DiscoveryDeviceInfo>>().size() == 2);
        const auto devices = discovery.enumerateDevices();
        QCOMPARE(devices.at(0).deviceId, headset().id); // path order
        QCOMPARE(devices.at(1).deviceId, qor().id);

        QCOMPARE(transport.connectDevice(QStringLiteral("nope")).message, QStringLiteral("设备不存在：nope"));
        const HIDTypes::ConnectResult result = transport.connectDevice(headset().id);
        QVERIFY(result.success);
        QCOMPARE(transport.currentDeviceId(), headset().id);
        QCOMPARE(connection.count(), 1);
        QCOMPARE(connection.at(0), (QVariantList{headset().id, true}));
        QCOMPARE(discovery.enumerateDevices().at(0).state, DiscoveryDeviceState::Connected);

        const QByteArray frame(64, '\x3C');
        transport.sendData(QStringLiteral("protocol"), frame, true);
        QVERIFY(received.wait());
        // With the time it was read at, as the I/O thread stamped it.
        QCOMPARE(received.at(0), (QVariantList{headset().id, QByteArray(1, '\0') + frame, qint64(4242)}));
        QCOMPARE(sent.at(0), (QVariantList{QStringLiteral("protocol"), true, 65}));

        transport.disconnectAll();
        QCOMPARE(connection.last(), (QVariantList{headset().id, false}));
        QCOMPARE(errors.last(), (QVariantList{headset().id, QStringLiteral("设备已断开连接"), false}));
        QCOMPARE(transport.currentDeviceId(), QString());
    }

    // The whole device link: protocol frames through the transport adapter,
    // the HID manager, the I/O thread and the hidapi double to the simulated
    // receiver, and its replies and notifications back.
    void framesReachTheVirtualHeadsetThroughTheWholeStack()
    {
        auto headset = std::make_shared<VirtualDevices::VirtualHeadset>();
        api().addDevice(receiver().hid, headset);
        HidManager manager(nullptr, fastConfig());
        HeadsetProtocol::QtHidTransportAdapter transport(&manager);
        HeadsetProtocol::QtDeviceDiscoveryAdapter discovery(&manager);
        QSignalSpy listed(&discovery, &HeadsetProtocol::IDeviceDiscovery::deviceListUpdated);
        QSignalSpy received(&transport, &HeadsetProtocol::IHidTransport::dataReceived);
        QSignalSpy connection(&transport, &HeadsetProtocol::IHidTransport::deviceConnectionChanged);

        discovery.addTargetDevice(filter(0x3654, 0x6901, 3));
        QVERIFY(listed.wait());
        QVERIFY(transport.connectDevice(receiver().id).success);

        // Identity query: a 12-byte frame behind a report id leaves as one 65-byte report.
        transport.sendData(QStringLiteral("protocol"), requestFrame(0x10, 1, QByteArray(1, '\xFF')), true);
        QVERIFY(received.wait());
        const QByteArray reply = received.takeFirst().at(1).toByteArray();
        const HeadsetProtocol::ParsedFrame identity = parse(reply);
        QVERIFY(identity.valid);
        QCOMPARE(identity.cmd, quint16(0x10));
        QCOMPARE(identity.type, HeadsetProtocol::CommandType::Response);
        QCOMPARE(identity.seq, quint8(1));
        HeadsetProtocol::TlvParser tlv(identity.payload);
        QVERIFY(tlv.parse());
        const auto item = tlv.find(0xFF);
        QVERIFY(item);
        HeadsetProtocol::TlvParser fields(item->value);
        QVERIFY(fields.parse());
        QCOMPARE(fields.find(0x01)->valueUInt16List(), std::vector<quint16>{0x2308});
        const auto requests = headset->requests();
        QCOMPARE(requests.size(), std::size_t(1));
        QVERIFY(requests.at(0).reportId);
        QCOMPARE(requests.at(0).reportSize, std::size_t(65));
        QCOMPARE(headset->rejectedReports().size(), std::size_t(0));

        // A command changes the device.
        transport.sendData(QStringLiteral("protocol"), requestFrame(0x22, 2, QByteArrayLiteral("Desk")), true);
        QVERIFY(received.wait());
        const HeadsetProtocol::ParsedFrame renamed = parse(received.takeFirst().at(1).toByteArray());
        QCOMPARE(renamed.cmd, quint16(0x22));
        QCOMPARE(renamed.payload.left(1), QByteArray(1, '\0'));
        QCOMPARE(headset->state().name, std::string("Desk"));

        // The device speaks unasked: a notification wakes the blocked read.
        headset->notify({VirtualDevices::NotifyItem::Battery}, VirtualDevices::Clock::now());
        QVERIFY(received.wait());
        const HeadsetProtocol::ParsedFrame notification = parse(received.takeFirst().at(1).toByteArray());
        QVERIFY(notification.valid);
        QCOMPARE(notification.type, HeadsetProtocol::CommandType::Notify);

        // The receiver is pulled out.
        api().unplug(receiver().hid.path);
        QTRY_VERIFY(!connection.isEmpty() && !connection.last().at(1).toBool());
        QCOMPARE(transport.currentDeviceId(), QString());
    }
};

QTEST_GUILESS_MAIN(TestHidAdapters)
#include "tst_hidadapters.moc"
