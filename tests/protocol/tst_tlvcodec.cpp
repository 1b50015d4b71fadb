#include "protocol/DeviceRecordCodec.h"
#include "protocol/TlvParser.h"

#include <QRegularExpression>
#include <QTest>

using namespace HeadsetProtocol;

namespace {

QByteArray tlv(quint8 type, const QByteArray &value)
{
    QByteArray out;
    appendTlv(out, type, value);
    return out;
}

QByteArray hexBytes(const char *hex)
{
    return QByteArray::fromHex(hex);
}

TlvParser parsed(const QByteArray &payload)
{
    TlvParser parser(payload);
    if (!parser.parse())
        qFatal("test payload does not parse: %s", qPrintable(parser.errorString()));
    return parser;
}

DeviceInfo deviceInfoOf(const QByteArray &payload)
{
    const std::optional<DeviceInfo> info = parseDeviceInfo(parsed(payload));
    if (!info)
        qFatal("parseDeviceInfo gave no value");
    return *info;
}

} // namespace

class TestTlvCodec : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(".*")); }

    void parseLists_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("entries");
        QTest::newRow("empty") << QByteArray() << true << QString() << 0;
        QTest::newRow("one byte") << hexBytes("01") << false << "Incomplete TLV header at offset 0" << 0;
        QTest::newRow("value past the end") << hexBytes("01054142") << false
                                            << "TLV value length exceeds available data. Type:0x1 Required:5 Available:2"
                                            << 0;
        QTest::newRow("second header cut") << hexBytes("0101AA 0B") << false << "Incomplete TLV header at offset 3" << 0;
        QTest::newRow("second value cut") << hexBytes("0101AA FF0301") << false
                                          << "TLV value length exceeds available data. Type:0xff Required:3 Available:1"
                                          << 0;
        QTest::newRow("zero length") << hexBytes("0200") << true << QString() << 1;
        QTest::newRow("three items") << hexBytes("0101AA 0200 0302BBCC") << true << QString() << 3;
    }

    void parseLists()
    {
        QFETCH(QByteArray, payload);
        QFETCH(bool, ok);
        QFETCH(QString, error);
        QFETCH(int, entries);
        TlvParser parser(payload);
        QCOMPARE(parser.parse(), ok);
        QCOMPARE(parser.errorString(), error);
        QCOMPARE(int(parser.entries().size()), entries);
        qsizetype consumed = 0;
        for (const TlvEntry &e : parser.entries()) {
            QCOMPARE(e.value.size(), qsizetype(e.length));
            consumed += 2 + e.length;
        }
        if (ok)
            QCOMPARE(consumed, payload.size());
    }

    void failedParseForgetsEarlierEntries()
    {
        TlvParser parser(hexBytes("0101AA 0205"));
        QVERIFY(!parser.parse());
        QVERIFY(parser.entries().empty());
        QVERIFY(!parser.find(0x01));
    }

    void findTakesTheFirstOccurrence()
    {
        const TlvParser parser = parsed(hexBytes("0601 03 0601 05"));
        QCOMPARE(parser.find(0x06)->value, hexBytes("03"));
        QCOMPARE(deviceInfoOf(parser.data()).toneVolume, quint8(3));
    }

    void valueReaders()
    {
        const TlvParser parser = parsed(hexBytes("0104 3412 FF80 0203 010203"));
        QCOMPARE(parser.find(0x01)->valueUInt16List(), (std::vector<quint16>{0x1234, 0x80FF}));
        QVERIFY(parser.find(0x02)->valueUInt16List().empty());
        QCOMPARE(parser.find(0x02)->valueBytes(), (std::vector<quint8>{1, 2, 3}));
    }

    void valueString_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("nul padding") << QByteArray("AB\0\0\0", 5) << "AB";
        QTest::newRow("leading nul") << QByteArray("\0AB", 3) << "";
        QTest::newRow("inner nul") << QByteArray("AB\0CD\0", 6) << "AB";
        QTest::newRow("all nul") << QByteArray(4, '\0') << "";
        QTest::newRow("utf-8") << QString::fromUtf8("耳机 X").toUtf8() << QString::fromUtf8("耳机 X");
        QTest::newRow("empty") << QByteArray() << "";
    }

    void valueString()
    {
        QFETCH(QByteArray, value);
        QFETCH(QString, text);
        QCOMPARE(parsed(tlv(0x02, value)).find(0x02)->valueString(), text);
    }

    void emptyReplyGivesDefaults()
    {
        const DeviceInfo info = deviceInfoOf({});
        QVERIFY(!info.hasBattery);
        QVERIFY(info.name.isEmpty());
        QVERIFY(!info.eq && !info.firmware && !info.deviceIdInfo && !info.surround && !info.dongleHeadsetLink);
        QCOMPARE(info.toneVolume, quint8(1));
        QVERIFY(!info.hasToneVolume);
        QCOMPARE(info.volumeLockPercent, quint8(0));
        QVERIFY(info.deviceIdBytes.isEmpty());
        QVERIFY(isValidDeviceInfo(info));
    }

    void batteryItem_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<BatteryInfo>("battery");
        QTest::addColumn<bool>("valid");
        QTest::newRow("empty") << QByteArray() << BatteryInfo{} << true;
        QTest::newRow("charging 100%") << hexBytes("E4") << BatteryInfo{0xE4, 0, false, 0, false} << true;
        QTest::newRow("101%") << hexBytes("E5") << BatteryInfo{0xE5, 0, false, 0, false} << false;
        QTest::newRow("left right") << hexBytes("3250") << BatteryInfo{0x32, 0x50, true, 0, false} << true;
        QTest::newRow("bad right") << hexBytes("3265") << BatteryInfo{0x32, 0x65, true, 0, false} << false;
        QTest::newRow("with case, extra byte") << hexBytes("32508A77") << BatteryInfo{0x32, 0x50, true, 0x8A, true}
                                               << true;
        QTest::newRow("bad case") << hexBytes("3250E5") << BatteryInfo{0x32, 0x50, true, 0xE5, true} << false;
    }

    void batteryItem()
    {
        QFETCH(QByteArray, value);
        QFETCH(BatteryInfo, battery);
        QFETCH(bool, valid);
        const DeviceInfo info = deviceInfoOf(tlv(0x01, value));
        QVERIFY(info.hasBattery);
        QVERIFY(info.battery == battery);
        QCOMPARE(isValidDeviceInfo(info), valid);
    }

    void singleByteItems_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<int>("toneVolume");
        QTest::addColumn<bool>("hasToneVolume");
        QTest::addColumn<int>("volumeLock");
        QTest::addColumn<int>("link"); // -1: none
        QTest::newRow("tone 7") << hexBytes("060107") << QString() << 7 << true << 0 << -1;
        QTest::newRow("tone length 2") << hexBytes("06020304") << QString() << 1 << false << 0 << -1;
        QTest::newRow("tone 0") << hexBytes("060100") << "Invalid tone volume: 0 (should be 1-7)" << 1 << false << 0 << -1;
        QTest::newRow("tone 8") << hexBytes("060108") << "Invalid tone volume: 8 (should be 1-7)" << 1 << false << 0 << -1;
        QTest::newRow("lock 100") << hexBytes("070164") << QString() << 1 << false << 100 << -1;
        QTest::newRow("lock 101") << hexBytes("070165") << "Invalid volume lock percentage: 101 (should be 0-100)" << 1
                                  << false << 0 << -1;
        QTest::newRow("link 0 (linked)") << hexBytes("090100") << QString() << 1 << false << 0 << 0;
        QTest::newRow("link 1, length 3") << hexBytes("0903010000") << QString() << 1 << false << 0 << 1;
        QTest::newRow("link 2") << hexBytes("090102") << "Invalid dongle/headset link TLV 0x09 value: 2 (expect 0x00 or 0x01)"
                                << 1 << false << 0 << -1;
        QTest::newRow("link empty") << hexBytes("0900") << QString() << 1 << false << 0 << -1;
    }

    void singleByteItems()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QString, warning);
        QFETCH(int, toneVolume);
        QFETCH(bool, hasToneVolume);
        QFETCH(int, volumeLock);
        QFETCH(int, link);
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        const DeviceInfo info = deviceInfoOf(payload);
        QCOMPARE(int(info.toneVolume), toneVolume);
        QCOMPARE(info.hasToneVolume, hasToneVolume);
        QCOMPARE(int(info.volumeLockPercent), volumeLock);
        QCOMPARE(info.dongleHeadsetLink.has_value(), link >= 0);
        if (link >= 0)
            QCOMPARE(int(*info.dongleHeadsetLink), link);
        QVERIFY(isValidDeviceInfo(info));
    }

    void firmwareItems_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<FirmwareInfo>("firmware");
        const QByteArray shortReceiver = tlv(0x04, tlv(0x00, hexBytes("01")) + tlv(0x01, "1.2.3"));
        const QByteArray shortHeadset = tlv(0x05, tlv(0x00, hexBytes("00")) + tlv(0x01, QByteArray("2.0\0", 4)));
        const QByteArray full = tlv(0x04, tlv(0x00, hexBytes("01")) + tlv(0x01, hexBytes("01")) + tlv(0x02, hexBytes("00")) +
                                              tlv(0x03, "H1") + tlv(0x04, "D1"));
        QTest::newRow("receiver short form") << shortReceiver << FirmwareInfo{true, false, true, "", "1.2.3"};
        QTest::newRow("headset short form") << shortHeadset << FirmwareInfo{false, false, false, "2.0", ""};
        QTest::newRow("both short forms") << shortReceiver + shortHeadset << FirmwareInfo{true, false, true, "2.0", "1.2.3"};
        QTest::newRow("full form") << full << FirmwareInfo{true, true, false, "H1", "D1"};
        QTest::newRow("full form, flag only") << tlv(0x04, tlv(0x01, hexBytes("01"))) << FirmwareInfo{false, true, false, "", ""};
        QTest::newRow("headset item overrides full form")
            << full + tlv(0x05, tlv(0x00, hexBytes("00")) + tlv(0x01, "H2")) << FirmwareInfo{false, false, false, "H2", "D1"};
        QTest::newRow("empty flag changes nothing")
            << tlv(0x05, tlv(0x00, QByteArray()) + tlv(0x01, "X")) << FirmwareInfo{false, false, false, "X", ""};
    }

    void firmwareItems()
    {
        QFETCH(QByteArray, payload);
        QFETCH(FirmwareInfo, firmware);
        const DeviceInfo info = deviceInfoOf(payload);
        QVERIFY(info.firmware.has_value());
        QCOMPARE(info.firmware->anyFlag, firmware.anyFlag);
        QCOMPARE(info.firmware->headsetFlag, firmware.headsetFlag);
        QCOMPARE(info.firmware->dongleFlag, firmware.dongleFlag);
        QCOMPARE(info.firmware->headsetVersion, firmware.headsetVersion);
        QCOMPARE(info.firmware->dongleVersion, firmware.dongleVersion);
    }

    void brokenNestedListsLeaveOptionalsEmpty()
    {
        const QByteArray payload = tlv(0x03, hexBytes("0105")) + tlv(0x04, hexBytes("01")) + tlv(0x05, hexBytes("0009")) +
                                   tlv(0x08, hexBytes("01")) + tlv(0xFF, hexBytes("0102"));
        const DeviceInfo info = deviceInfoOf(payload);
        QVERIFY(!info.eq && !info.firmware && !info.surround && !info.deviceIdInfo);
    }

    void identityAndDeviceId()
    {
        const QByteArray ids = tlv(0x01, hexBytes("0823")) + tlv(0x02, hexBytes("030000")) + tlv(0x03, hexBytes("5550"));
        const DeviceInfo info = deviceInfoOf(tlv(0xFF, ids) + tlv(0x0B, "ABC123"));
        QVERIFY(info.deviceIdInfo.has_value());
        QVERIFY((*info.deviceIdInfo == DeviceIdInfo{0x2308, 0, 0x5055}));
        QCOMPARE(info.deviceIdBytes, QByteArray("ABC123"));
    }

    void surround_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<SurroundSoundConfig>("config");
        QTest::addColumn<QString>("warning");
        QTest::newRow("no sub-items") << QByteArray() << SurroundSoundConfig{0, 0, 1} << QString();
        QTest::newRow("all set") << hexBytes("010102 020108 030100") << SurroundSoundConfig{2, 8, 0} << QString();
        QTest::newRow("room size 5") << hexBytes("010101 030105") << SurroundSoundConfig{1, 0, 1}
                                     << "Invalid roomSize value: 5";
        QTest::newRow("mode 3") << hexBytes("010103") << SurroundSoundConfig{0, 0, 1} << "Invalid surround mode value: 3";
        QTest::newRow("position 9") << hexBytes("020109") << SurroundSoundConfig{0, 0, 1} << "Invalid position value: 9";
        QTest::newRow("wrong length ignored") << hexBytes("01020102") << SurroundSoundConfig{0, 0, 1} << QString();
    }

    void surround()
    {
        QFETCH(QByteArray, list);
        QFETCH(SurroundSoundConfig, config);
        QFETCH(QString, warning);
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        const DeviceInfo info = deviceInfoOf(tlv(0x08, list));
        QVERIFY(info.surround.has_value());
        QVERIFY(*info.surround == config);
    }

    void notifyNameAndFirmware_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("present");
        QTest::addColumn<NotifyNameAndHeadsetFirmware>("data");
        QTest::newRow("flag 0 only") << hexBytes("000100") << false << NotifyNameAndHeadsetFirmware{};
        QTest::newRow("flag 1 only") << hexBytes("000101") << true << NotifyNameAndHeadsetFirmware{"", "", true};
        QTest::newRow("name and firmware") << tlv(0x02, "Nova") + tlv(0x01, "3.1") << true
                                           << NotifyNameAndHeadsetFirmware{"Nova", "3.1", false};
        QTest::newRow("firmware in sub-item 5") << tlv(0x02, "Nova") + tlv(0x05, tlv(0x01, "3.2")) << true
                                                << NotifyNameAndHeadsetFirmware{"Nova", "3.2", false};
        QTest::newRow("sub-item 5 unused when outer has firmware")
            << tlv(0x01, "3.1") + tlv(0x05, tlv(0x01, "9.9")) << true << NotifyNameAndHeadsetFirmware{"", "3.1", false};
        QTest::newRow("broken list") << hexBytes("0205") << false << NotifyNameAndHeadsetFirmware{};
    }

    void notifyNameAndFirmware()
    {
        QFETCH(QByteArray, value);
        QFETCH(bool, present);
        QFETCH(NotifyNameAndHeadsetFirmware, data);
        const auto result = parseNotifyNameAndHeadsetFirmware(value);
        QCOMPARE(result.has_value(), present);
        if (present)
            QVERIFY(*result == data);
    }
};

QTEST_GUILESS_MAIN(TestTlvCodec)
#include "tst_tlvcodec.moc"
