// Mapping official presets, cloud EQs and custom slots to the headset EQ record.
#include "eq/EqDataMapper.h"
#include "tests/eq/EqJsonFixtures.h"

#include <QJsonArray>
#include <QTest>

#include <optional>

using namespace EqDataMapper;
using namespace EqJson;
using HeadsetProtocol::EQData;

namespace {

EarphoneApi::EQEffect officialEffect(const QString &gain, int bands)
{
    EarphoneApi::EQEffect effect;
    effect.gain = gain;
    for (int i = 0; i < bands; ++i) {
        effect.freq.append(100.0 * (i + 1));
        effect.sound.append(1.0);
        effect.q.append(2.0);
        effect.type.append(QStringLiteral("Low Shelf"));
    }
    effect.main_gain = -1.0;
    return effect;
}

QJsonObject customSlot(const QJsonValue &sort, int bands)
{
    QJsonObject slot{{"freq", repeat("1000", bands)},
                     {"q", repeat("0.70", bands)},
                     {"sound", repeat("-3.5", bands)},
                     {"type", repeat("3", bands)},
                     {"main_gain", 0}};
    if (!sort.isUndefined())
        slot.insert("sort", sort);
    return slot;
}

} // namespace

class TestEqDataMapper : public QObject
{
    Q_OBJECT

private slots:
    void officialIndexFromGainText_data();
    void officialIndexFromGainText();
    void officialListsFitTenBands();
    void cloudItemFallbacks();
    void customIndexFromSort_data();
    void customIndexFromSort();
    void totalGainFromMainGain_data();
    void totalGainFromMainGain();
    void bandValuesAreRoundedAndClamped_data();
    void bandValuesAreRoundedAndClamped();
    void qaspFilterTypes_data();
    void qaspFilterTypes();
    void qorCustomSlot();
    void qorCustomSlotRefused_data();
    void qorCustomSlotRefused();
    void builderShapeChecks_data();
    void builderShapeChecks();
    void qorModeKeepsTenBands_data();
    void qorModeKeepsTenBands();
    void arrayReaders();
    void recordSurvivesTlv();
};

void TestEqDataMapper::officialIndexFromGainText_data()
{
    QTest::addColumn<QString>("gain");
    QTest::addColumn<int>("index");
    QTest::newRow("blanks") << " 7 " << 7;
    QTest::newRow("150") << "150" << 99;
    QTest::newRow("-3") << "-3" << 0;
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("game") << "42" << 42;
    QTest::newRow("7a") << "7a" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("hex is no index") << "0x7" << -1;
}

void TestEqDataMapper::officialIndexFromGainText()
{
    QFETCH(QString, gain);
    QFETCH(int, index);
    QString error = QStringLiteral("untouched");
    const std::optional<EQData> eq = fromOfficialEffect(officialEffect(gain, 10), &error, false);
    if (index < 0) {
        QVERIFY(!eq);
        QCOMPARE(error, QStringLiteral("official gain field is not a valid integer index"));
        QVERIFY(!fromOfficialEffect(officialEffect(gain, 10), nullptr, false));
        return;
    }
    QVERIFY(eq);
    QCOMPARE(int(eq->index), index);
    QCOMPARE(error, QStringLiteral("untouched"));
    QCOMPARE(int(eq->bandCount), 10);
    QVERIFY(!eq->qorCustom);
    QCOMPARE(eq->filterTypes.front(), quint8(4));
    QCOMPARE(eq->totalGain, qint16(-10));
}

void TestEqDataMapper::officialListsFitTenBands()
{
    const std::optional<EQData> short3 = fromOfficialEffect(officialEffect("1", 3), nullptr, false);
    QVERIFY(short3);
    QCOMPARE(short3->frequencies.size(), size_t(10));
    QCOMPARE(short3->frequencies[2], quint16(300));
    for (size_t i = 3; i < 10; ++i) {
        QCOMPARE(short3->frequencies[i], quint16(1000));
        QCOMPARE(short3->gains[i], qint16(0));
        QCOMPARE(short3->qValues[i], qint16(70));
        QCOMPARE(short3->filterTypes[i], quint8(1));
    }

    const std::optional<EQData> long12 = fromOfficialEffect(officialEffect("1", 12), nullptr, false);
    QVERIFY(long12);
    QCOMPARE(long12->frequencies.size(), size_t(10));
    QCOMPARE(long12->frequencies.back(), quint16(1000));
    QCOMPARE(long12->frequencies[8], quint16(900));
}

void TestEqDataMapper::cloudItemFallbacks()
{
    EarphoneApi::CloudEQItem item;
    item.freq = QStringList{"abc", " 2000 ", "31.6"};
    item.q = QStringList{"", "1.5", "x"};
    item.sound = QStringList{"2", "nope", "-12.5"};
    item.type = QStringList{"High Pass", "0x2", "9"};
    item.main_gain = 3;

    QString error;
    const std::optional<EQData> eq = fromCloudItem(item, &error, false);
    QVERIFY2(eq, qPrintable(error));
    QCOMPARE(int(eq->index), 255);
    QCOMPARE(int(eq->bandCount), 10);
    QCOMPARE(eq->frequencies[0], quint16(1000));
    QCOMPARE(eq->frequencies[1], quint16(2000));
    QCOMPARE(eq->frequencies[2], quint16(32));
    QCOMPARE(eq->qValues[0], qint16(70));
    QCOMPARE(eq->qValues[2], qint16(70));
    QCOMPARE(eq->gains[1], qint16(0));
    QCOMPARE(eq->gains[2], qint16(-1200));
    QCOMPARE(eq->filterTypes[0], quint8(3));
    QCOMPARE(eq->filterTypes[1], quint8(2));
    QCOMPARE(eq->filterTypes[2], quint8(1));
    QCOMPARE(eq->totalGain, qint16(30));
}

void TestEqDataMapper::customIndexFromSort_data()
{
    QTest::addColumn<QJsonValue>("sort");
    QTest::addColumn<int>("index");
    QTest::newRow("number 3") << QJsonValue(3) << 103;
    QTest::newRow("text 12") << QJsonValue("12") << 109;
    QTest::newRow("text with blanks") << QJsonValue(" 4 ") << 104;
    QTest::newRow("text not a number") << QJsonValue("x") << 100;
    QTest::newRow("-1") << QJsonValue(-1) << 100;
    QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined) << 100;
    QTest::newRow("boolean") << QJsonValue(true) << 100;
    QTest::newRow("2.9") << QJsonValue(2.9) << 102;
    QTest::newRow("huge") << QJsonValue(1e300) << 109;
}

void TestEqDataMapper::customIndexFromSort()
{
    QFETCH(QJsonValue, sort);
    QFETCH(int, index);
    const std::optional<EQData> eq = fromCustomJson(customSlot(sort, 10), nullptr);
    QVERIFY(eq);
    QCOMPARE(int(eq->index), index);
    QCOMPARE(eq->filterTypes.front(), quint8(3));
    QVERIFY(!eq->qorCustom);

    const std::optional<EQData> qor = fromQorCustomJson(customSlot(sort, 4), nullptr);
    QVERIFY(qor);
    QCOMPARE(int(qor->index), index);
}

void TestEqDataMapper::totalGainFromMainGain_data()
{
    QTest::addColumn<QJsonValue>("mainGain");
    QTest::addColumn<int>("totalGain");
    QTest::newRow("text -2.25") << QJsonValue("-2.25") << -23;
    QTest::newRow("13") << QJsonValue(13) << 120;
    QTest::newRow("-0.05") << QJsonValue(-0.05) << -1;
    QTest::newRow("text not a number") << QJsonValue("abc") << 0;
    QTest::newRow("boolean") << QJsonValue(true) << 0;
    QTest::newRow("text nan") << QJsonValue("nan") << 0;
}

void TestEqDataMapper::totalGainFromMainGain()
{
    QFETCH(QJsonValue, mainGain);
    QFETCH(int, totalGain);
    const std::optional<EQData> eq = fromCustomJson(with(customSlot(1, 10), "main_gain", mainGain), nullptr);
    QVERIFY(eq);
    QCOMPARE(int(eq->totalGain), totalGain);
}

void TestEqDataMapper::bandValuesAreRoundedAndClamped_data()
{
    QTest::addColumn<QJsonValue>("freq");
    QTest::addColumn<QJsonValue>("gain");
    QTest::addColumn<QJsonValue>("q");
    QTest::addColumn<int>("wireFreq");
    QTest::addColumn<int>("wireGain");
    QTest::addColumn<int>("wireQ");
    QTest::newRow("in range") << QJsonValue(1000.5) << QJsonValue(3.5) << QJsonValue(0.7) << 1001 << 350 << 70;
    QTest::newRow("low") << QJsonValue(10) << QJsonValue(-15) << QJsonValue(0.05) << 20 << -1200 << 10;
    QTest::newRow("high") << QJsonValue(25000) << QJsonValue(15) << QJsonValue(20) << 20000 << 1200 << 1000;
    QTest::newRow("halves away from zero") << QJsonValue(19.5) << QJsonValue(-0.005) << QJsonValue(0.125) << 20
                                           << -1 << 13;
    QTest::newRow("past int range") << QJsonValue(1e300) << QJsonValue(-1e300) << QJsonValue(1e300) << 20000 << -1200
                                    << 1000;
    QTest::newRow("not numbers") << QJsonValue("nan") << QJsonValue("inf") << QJsonValue("-inf") << 20 << 1200 << 10;
}

void TestEqDataMapper::bandValuesAreRoundedAndClamped()
{
    QFETCH(QJsonValue, freq);
    QFETCH(QJsonValue, gain);
    QFETCH(QJsonValue, q);
    QFETCH(int, wireFreq);
    QFETCH(int, wireGain);
    QFETCH(int, wireQ);
    QJsonObject slot = customSlot(0, 10);
    slot = withEntry(withEntry(withEntry(slot, "freq", 5, freq), "sound", 5, gain), "q", 5, q);
    const std::optional<EQData> eq = fromCustomJson(slot, nullptr);
    QVERIFY(eq);
    QCOMPARE(int(eq->frequencies[5]), wireFreq);
    QCOMPARE(int(eq->gains[5]), wireGain);
    QCOMPARE(int(eq->qValues[5]), wireQ);
}

void TestEqDataMapper::qaspFilterTypes_data()
{
    QTest::addColumn<QJsonValue>("type");
    QTest::addColumn<int>("code");
    QTest::newRow("3") << QJsonValue("3") << 3;
    QTest::newRow("0x05") << QJsonValue("0x05") << 5;
    QTest::newRow("0") << QJsonValue("0") << 0;
    QTest::newRow("7") << QJsonValue("7") << 2;
    QTest::newRow("-1") << QJsonValue("-1") << 2;
    QTest::newRow("Peaking") << QJsonValue("Peaking") << 2;
    QTest::newRow("number 4") << QJsonValue(4) << 4;
    QTest::newRow("number 4.5") << QJsonValue(4.5) << 2;
}

void TestEqDataMapper::qaspFilterTypes()
{
    QFETCH(QJsonValue, type);
    QFETCH(int, code);
    const std::optional<EQData> eq = fromQorCustomJson(withEntry(customSlot(2, 3), "type", 1, type), nullptr);
    QVERIFY(eq);
    QCOMPARE(int(eq->filterTypes[1]), code);
}

void TestEqDataMapper::qorCustomSlot()
{
    QJsonObject slot = customSlot(5, 3);
    slot.insert("freq", texts({"20", "6000", "19999.6"}));
    QString error = QStringLiteral("untouched");
    const std::optional<EQData> eq = fromQorCustomJson(slot, &error);
    QVERIFY(eq);
    QCOMPARE(error, QStringLiteral("untouched"));
    QCOMPARE(int(eq->index), 105);
    QCOMPARE(int(eq->bandCount), 3);
    QVERIFY(eq->qorCustom);
    QCOMPARE(eq->frequencies, (std::vector<quint16>{20, 6000, 20000}));
    QCOMPARE(eq->gains, (std::vector<qint16>{-350, -350, -350}));
    QCOMPARE(eq->filterTypes, (std::vector<quint8>{3, 3, 3}));
}

void TestEqDataMapper::qorCustomSlotRefused_data()
{
    QTest::addColumn<QJsonObject>("slot");
    QTest::addColumn<QString>("message");
    const QString count = QStringLiteral("QOR custom EQ: band count must be 1..8");
    const QString mismatch = QStringLiteral("QOR custom EQ: freq/sound/q/type array length mismatch");
    QJsonArray withNull = repeat(1, 5);
    withNull[2] = QJsonValue();
    QTest::newRow("nine bands") << customSlot(0, 9) << count;
    QTest::newRow("empty arrays") << customSlot(0, 0) << count;
    QTest::newRow("arrays missing") << QJsonObject{{"sort", 1}} << count;
    QTest::newRow("5 freq, 4 q") << with(customSlot(0, 5), "q", repeat(1, 4)) << mismatch;
    QTest::newRow("null among q") << with(customSlot(0, 5), "q", withNull) << mismatch;
    QTest::newRow("type not an array") << with(customSlot(0, 5), "type", "2") << mismatch;
}

void TestEqDataMapper::qorCustomSlotRefused()
{
    QFETCH(QJsonObject, slot);
    QFETCH(QString, message);
    QString error;
    QVERIFY(!fromQorCustomJson(slot, &error));
    QCOMPARE(error, message);
}

void TestEqDataMapper::builderShapeChecks_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("qasp");
    QTest::addColumn<int>("bandCount");
    QTest::addColumn<int>("listLength");
    QTest::addColumn<bool>("exact");
    QTest::addColumn<QString>("message");

    const QString exactNeeds = QStringLiteral("EQData build: exact QOR lists require custom index + QASP type encoding");
    QTest::newRow("not exact, 5 bands") << 1 << false << 5 << 10 << false << "EQData build: invalid bandCount";
    QTest::newRow("not exact, 11 bands") << 1 << false << 11 << 10 << false << "EQData build: invalid bandCount";
    QTest::newRow("not exact, 6 bands") << 1 << false << 6 << 10 << false << "";
    QTest::newRow("exact without qasp") << 100 << false << 0 << 0 << true << exactNeeds;
    QTest::newRow("exact, preset index") << 99 << true << 3 << 3 << true << exactNeeds;
    QTest::newRow("exact, index 156") << 156 << true << 3 << 3 << true << exactNeeds;
    QTest::newRow("exact, 9 bands") << 100 << true << 9 << 9 << true << "EQData build: QOR custom bandCount must be 1..8";
    QTest::newRow("exact, 0 bands") << 100 << true << 0 << 0 << true << "EQData build: QOR custom bandCount must be 1..8";
    QTest::newRow("exact, short lists") << 155 << true << 4 << 3 << true
                                        << "EQData build: QOR custom freq/sound/q/type length must equal bandCount";
    QTest::newRow("exact, 8 bands") << 155 << true << 8 << 8 << true << "";
}

void TestEqDataMapper::builderShapeChecks()
{
    QFETCH(int, index);
    QFETCH(bool, qasp);
    QFETCH(int, bandCount);
    QFETCH(int, listLength);
    QFETCH(bool, exact);
    QFETCH(QString, message);

    const QList<double> freq(listLength, 500.0);
    const QList<double> gain(listLength, 1.0);
    const QList<double> q(listLength, 1.0);
    const QStringList type(listLength, QStringLiteral("2"));
    QString error = QStringLiteral("untouched");
    const std::optional<EQData> eq =
        buildEqData(quint8(index), freq, gain, q, type, 0.0, &error, qasp, bandCount, exact);
    if (message.isEmpty()) {
        QVERIFY(eq);
        QCOMPARE(int(eq->bandCount), bandCount);
        QCOMPARE(eq->frequencies.size(), size_t(bandCount));
        QCOMPARE(eq->filterTypes.size(), size_t(bandCount));
        QCOMPARE(error, QStringLiteral("untouched"));
    } else {
        QVERIFY(!eq);
        QCOMPARE(error, message);
    }
}

void TestEqDataMapper::qorModeKeepsTenBands_data()
{
    QTest::addColumn<bool>("official");
    QTest::addColumn<int>("index");
    QTest::newRow("official preset") << true << 3;
    QTest::newRow("cloud EQ") << false << 255;
}

void TestEqDataMapper::qorModeKeepsTenBands()
{
    // In Qor mode official and cloud EQs keep their ten bands, in the Qasp
    // codes (a name is no Qasp code: peaking); the chain writes the first eight.
    QFETCH(bool, official);
    QFETCH(int, index);
    EarphoneApi::CloudEQItem item;
    item.freq = QStringList(10, QStringLiteral("100"));
    item.q = QStringList(10, QStringLiteral("2"));
    item.sound = QStringList(10, QStringLiteral("1"));
    item.type = QStringList(10, QStringLiteral("Low Shelf"));
    QString error = QStringLiteral("untouched");
    const std::optional<EQData> eq =
        official ? fromOfficialEffect(officialEffect("3", 10), &error, true) : fromCloudItem(item, &error, true);
    QVERIFY2(eq, qPrintable(error));
    QCOMPARE(error, QStringLiteral("untouched"));
    QCOMPARE(int(eq->index), index);
    QCOMPARE(int(eq->bandCount), 10);
    QVERIFY(eq->qorCustom);
    QCOMPARE(eq->filterTypes, std::vector<quint8>(10, 2));
    QCOMPARE(eq->gains, std::vector<qint16>(10, 100));
    QVERIFY(HeadsetProtocol::validateEQData(*eq));
}

void TestEqDataMapper::arrayReaders()
{
    const QJsonObject o{
        {"n", QJsonArray{1, "2.5", " 3 ", "x", QJsonValue(), true, QJsonArray{1}, QJsonObject()}},
        {"s", QJsonArray{"a ", 1.5, 1e20, 0.0001, 0.00001, 123456789012345678.0, 3.0, QJsonValue(), false}},
        {"t", "1,2"}};
    QCOMPARE(readDoubleArray(o, "n"), (QList<double>{1, 2.5, 3, 0}));
    QCOMPARE(readStringArray(o, "s"),
             (QStringList{"a ", "1.5", "1e+20", "0.0001", "1e-05", "1.23456789012346e+17", "3"}));
    QVERIFY(readDoubleArray(o, "t").isEmpty());
    QVERIFY(readStringArray(o, "missing").isEmpty());
    QCOMPARE(jsonToDouble(" 2.5 ", 9.0), 2.5);
    QCOMPARE(jsonToDouble("2,5", 9.0), 9.0);
    QCOMPARE(jsonToDouble("", 0.7), 0.7);
}

void TestEqDataMapper::recordSurvivesTlv()
{
    const std::optional<EQData> eq = fromCustomJson(customSlot(7, 10), nullptr);
    QVERIFY(eq);
    const QByteArray tlv = HeadsetProtocol::serializeEQData(*eq);
    QVERIFY(!tlv.isEmpty());
    HeadsetProtocol::TlvParser parser(tlv);
    QVERIFY(parser.parse());
    const std::optional<EQData> back = HeadsetProtocol::parseEQData(parser);
    QVERIFY(back);
    QCOMPARE(*back, *eq);
}

QTEST_GUILESS_MAIN(TestEqDataMapper)
#include "tst_eqdatamapper.moc"
