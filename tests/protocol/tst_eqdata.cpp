#include "protocol/EQData.h"

#include <QRegularExpression>
#include <QTest>

using namespace HeadsetProtocol;

namespace {

EQData bands(quint8 index, int count, quint8 filterType = 1)
{
    EQData eq;
    eq.index = index;
    eq.bandCount = quint8(count);
    for (int i = 0; i < count; ++i) {
        eq.frequencies.push_back(quint16(31 * (1 << i) % 20000 + 20));
        eq.gains.push_back(qint16(i * 100 - 300));
        eq.qValues.push_back(qint16(70 + i));
        eq.filterTypes.push_back(filterType);
    }
    return eq;
}

EQData qor(quint8 index, int count)
{
    EQData eq = bands(index, count, 2);
    eq.qorCustom = true;
    return eq;
}

template <typename F>
EQData with(EQData eq, F change)
{
    change(eq);
    return eq;
}

std::optional<EQData> parseBytes(const QByteArray &bytes)
{
    TlvParser parser(bytes);
    if (!parser.parse())
        return std::nullopt;
    return parseEQData(parser);
}

} // namespace

class TestEQData : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(".*")); }

    void validate_data()
    {
        QTest::addColumn<EQData>("eq");
        QTest::addColumn<QString>("warning"); // empty: valid

        QTest::newRow("preset, 10 bands") << bands(0, 10) << QString();
        QTest::newRow("mobile with Qasp type 0") << bands(0xFF, 6, 0) << QString();
        QTest::newRow("preset with type 0")
            << bands(5, 6, 0) << "Invalid filter type at index 0 : \"0x00\" (should be 0x01-0x05)";
        QTest::newRow("mobile with type 6")
            << bands(0xFF, 6, 6) << "Invalid QASP filter type at index 0 : \"0x06\" (should be 0-5 per QASP Filter_Type)";
        QTest::newRow("qor custom, 3 bands") << qor(120, 3) << QString();
        QTest::newRow("qor custom, 8 bands") << qor(120, 8) << QString();
        QTest::newRow("qor custom, 1 band") << qor(100, 1) << QString();
        QTest::newRow("custom 3 bands without qor flag")
            << bands(120, 3) << "Invalid band count: 3 (expect 6-10, or QOR custom 1-8)";
        // Past eight bands a Qor record takes the 6-10 of every record (the chain writes the first eight).
        QTest::newRow("qor custom, 9 bands") << qor(120, 9) << QString();
        QTest::newRow("qor custom, 10 bands") << qor(155, 10) << QString();
        QTest::newRow("qor flag on a preset, 9 bands") << qor(3, 9) << QString();
        QTest::newRow("qor flag on a cloud EQ, 10 bands") << qor(0xFF, 10) << QString();
        QTest::newRow("qor flag on a preset, 5 bands")
            << qor(3, 5) << "Invalid band count: 5 (expect 6-10, or QOR custom 1-8)";
        QTest::newRow("qor custom, 11 bands")
            << qor(120, 11) << "Invalid band count: 11 (expect 6-10, or QOR custom 1-8)";
        QTest::newRow("qor custom, 0 bands") << qor(120, 0) << "Invalid band count: 0 (expect 6-10, or QOR custom 1-8)";
        QTest::newRow("index 155") << bands(155, 6) << QString();
        QTest::newRow("index 156") << bands(156, 6)
                                   << "Invalid EQ index: 156 (preset 0 - 10 , game 11 - 99 , custom 100 - 155 , mobile 0xFF)";
        QTest::newRow("index 200, broken otherwise too")
            << with(bands(200, 2), [](EQData &e) { e.frequencies.clear(); })
            << "Invalid EQ index: 200 (preset 0 - 10 , game 11 - 99 , custom 100 - 155 , mobile 0xFF)";
        QTest::newRow("11 bands") << bands(1, 11) << "Invalid band count: 11 (expect 6-10, or QOR custom 1-8)";
        QTest::newRow("frequencies short")
            << with(bands(1, 6), [](EQData &e) { e.frequencies.pop_back(); }) << "Frequencies array size mismatch: 5 != 6";
        QTest::newRow("frequencies empty")
            << with(bands(1, 6), [](EQData &e) { e.frequencies.clear(); }) << "Frequencies array size mismatch: 0 != 6";
        QTest::newRow("gains empty") << with(bands(1, 6), [](EQData &e) { e.gains.clear(); }) << QString();
        QTest::newRow("gains long")
            << with(bands(1, 6), [](EQData &e) { e.gains.push_back(0); }) << "Gains array size mismatch: 7 != 6";
        QTest::newRow("q short")
            << with(bands(1, 6), [](EQData &e) { e.qValues.pop_back(); }) << "Q values array size mismatch: 5 != 6";
        QTest::newRow("types short")
            << with(bands(1, 6), [](EQData &e) { e.filterTypes.pop_back(); }) << "Filter types array size mismatch: 5 != 6";
        QTest::newRow("frequency 19")
            << with(bands(1, 6), [](EQData &e) { e.frequencies[2] = 19; })
            << "Invalid frequency at index 2 : 19 Hz (should be  20 - 20000 Hz)";
        QTest::newRow("frequency 20001")
            << with(bands(1, 6), [](EQData &e) { e.frequencies[0] = 20001; })
            << "Invalid frequency at index 0 : 20001 Hz (should be  20 - 20000 Hz)";
        QTest::newRow("frequency bounds")
            << with(bands(1, 6), [](EQData &e) { e.frequencies[0] = 20, e.frequencies[1] = 20000; }) << QString();
        QTest::newRow("gain 1201")
            << with(bands(1, 6), [](EQData &e) { e.gains[1] = 1201; })
            << "Invalid gain at index 1 : 12.01 dB (should be  -12 - 12 dB)";
        QTest::newRow("gain bounds")
            << with(bands(1, 6), [](EQData &e) { e.gains[0] = -1200, e.gains[1] = 1200; }) << QString();
        QTest::newRow("q 9")
            << with(bands(1, 6), [](EQData &e) { e.qValues[3] = 9; })
            << "Invalid Q value at index 3 : 0.09 (should be  0.1 - 10 )";
        QTest::newRow("q 1001")
            << with(bands(1, 6), [](EQData &e) { e.qValues[0] = 1001; })
            << "Invalid Q value at index 0 : 10.01 (should be  0.1 - 10 )";
        QTest::newRow("total gain -121")
            << with(bands(1, 6), [](EQData &e) { e.totalGain = -121; })
            << "Invalid total gain: -12.1 dB (should be  -12 - 12 dB)";
    }

    void validate()
    {
        QFETCH(EQData, eq);
        QFETCH(QString, warning);
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        QCOMPARE(validateEQData(eq), warning.isEmpty());
    }

    void serializeLayout()
    {
        EQData eq = bands(7, 6);
        eq.totalGain = -120;
        eq.gains.clear();
        const QByteArray bytes = serializeEQData(eq);
        TlvParser parser(bytes);
        QVERIFY(parser.parse());
        QList<int> types;
        for (const TlvEntry &e : parser.entries())
            types << e.type;
        QCOMPARE(types, (QList<int>{1, 2, 3, 5, 6, 7})); // no gains item
        QCOMPARE(parser.find(0x03)->value.left(4), QByteArray::fromHex("3300 5200")); // 51, 82 Hz little-endian
        QCOMPARE(parser.find(0x07)->value, QByteArray::fromHex("88"));

        eq.totalGain = 0;
        TlvParser noTotal(serializeEQData(eq));
        QVERIFY(noTotal.parse());
        QVERIFY(!noTotal.find(0x07));
    }

    void largestRecordIs87Bytes()
    {
        EQData eq = bands(1, 10);
        eq.totalGain = 5;
        QCOMPARE(serializeEQData(eq).size(), 87);
    }

    void invalidRecordSerialisesToNothing()
    {
        QTest::ignoreMessage(QtWarningMsg, "Invalid band count: 5 (expect 6-10, or QOR custom 1-8)");
        QTest::ignoreMessage(QtWarningMsg, "Cannot convert invalid EQData to TLV");
        QVERIFY(serializeEQData(bands(1, 5)).isEmpty());
    }

    void roundTrip_data()
    {
        QTest::addColumn<EQData>("eq");
        QTest::newRow("preset") << bands(0, 10);
        QTest::newRow("negative gains and total") << with(bands(50, 6), [](EQData &e) {
            e.gains = {-1200, -1, 0, 1, 1199, 1200};
            e.totalGain = -57;
        });
        QTest::newRow("only frequencies") << with(bands(99, 7), [](EQData &e) {
            e.gains.clear();
            e.qValues.clear();
            e.filterTypes.clear();
        });
        QTest::newRow("mobile") << bands(0xFF, 8, 0);
        QTest::newRow("qor custom") << qor(130, 4);
    }

    void roundTrip()
    {
        QFETCH(EQData, eq);
        const QByteArray bytes = serializeEQData(eq);
        QVERIFY(!bytes.isEmpty());
        if (eq.qorCustom) {
            // The flag is not on the wire: read back alone, a 4-band record breaks the band rule.
            QTest::ignoreMessage(QtWarningMsg, "Invalid band count: 4 (expect 6-10, or QOR custom 1-8)");
            QTest::ignoreMessage(QtWarningMsg, "Parsed EQData failed validation, but returning parsed data");
        }
        const std::optional<EQData> back = parseBytes(bytes);
        QVERIFY(back.has_value());
        EQData expected = eq;
        expected.qorCustom = false;
        QVERIFY(*back == expected);
    }

    void parseLeniently_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("present");
        QTest::addColumn<QStringList>("warnings");
        QTest::addColumn<EQData>("expected");

        const QByteArray head = QByteArray::fromHex("010105 020106");
        const QByteArray freqs = QByteArray::fromHex("030C 1400 2800 5000 A000 4001 8002");
        EQData base;
        base.index = 5;
        base.bandCount = 6;
        base.frequencies = {20, 40, 80, 160, 320, 640};

        QTest::newRow("minimal") << head + freqs << true << QStringList() << base;
        QTest::newRow("index of length 2") << QByteArray::fromHex("01020500 020106") + freqs << false
                                           << QStringList{"Missing or invalid EQ index (Type 0x01, expect length 1)"}
                                           << EQData{};
        QTest::newRow("no band count") << QByteArray::fromHex("010105") + freqs << false
                                       << QStringList{"Missing band count (Type 0x02)"} << EQData{};
        QTest::newRow("q of wrong length ignored silently")
            << head + freqs + QByteArray::fromHex("05040A000A00") << true << QStringList() << base;
        QTest::newRow("types of wrong length ignored silently")
            << head + freqs + QByteArray::fromHex("0602 0101") << true << QStringList() << base;
        QTest::newRow("gains mismatch")
            << head + freqs + QByteArray::fromHex("0402 0100") << true
            << QStringList{"Gains array size mismatch: 1 != 6"} << base;
        QTest::newRow("odd frequency item")
            << head + QByteArray::fromHex("0303 140028") << true
            << QStringList{"Frequency array size mismatch: 0 != 6", "Frequencies array size mismatch: 0 != 6",
                           "Parsed EQData failed validation, but returning parsed data"}
            << with(base, [](EQData &e) { e.frequencies.clear(); });
        QTest::newRow("total gain -123 clamped") << head + freqs + QByteArray::fromHex("070185") << true << QStringList()
                                                 << with(base, [](EQData &e) { e.totalGain = -120; });
        QTest::newRow("total gain of length 2 ignored") << head + freqs + QByteArray::fromHex("07020101") << true
                                                        << QStringList() << base;
        QTest::newRow("empty band count item")
            << QByteArray::fromHex("010105 0200") << true
            << QStringList{"Invalid band count: 0 (expect 6-10, or QOR custom 1-8)",
                           "Parsed EQData failed validation, but returning parsed data"}
            << with(EQData{}, [](EQData &e) { e.index = 5; });
    }

    void parseLeniently()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, present);
        QFETCH(QStringList, warnings);
        QFETCH(EQData, expected);
        for (const QString &w : warnings)
            QTest::ignoreMessage(QtWarningMsg, qPrintable(w));
        const std::optional<EQData> eq = parseBytes(bytes);
        QCOMPARE(eq.has_value(), present);
        if (present)
            QVERIFY(*eq == expected);
    }
};

QTEST_GUILESS_MAIN(TestEQData)
#include "tst_eqdata.moc"
