// Reading the custom slot JSON: bands for the curve editor, names, slot numbers.
#include "eq/CustomEqSlotJson.h"
#include "tests/eq/EqJsonFixtures.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

using namespace CustomEq;

using namespace EqJson;

namespace {

QJsonObject slotOf(int bands)
{
    return QJsonObject{{"freq", repeat("1000", bands)},
                       {"q", repeat("0.70", bands)},
                       {"sound", repeat("1.5", bands)},
                       {"type", repeat("1", bands)}};
}

} // namespace

class TestCustomEqSlotJson : public QObject
{
    Q_OBJECT

private slots:
    void shapeDecidesConversion_data();
    void shapeDecidesConversion();
    void bandValues_data();
    void bandValues();
    void defaultSlotNames_data();
    void defaultSlotNames();
    void defaultNamesFollowLanguage();
    void normalizeDropsDefaultNames_data();
    void normalizeDropsDefaultNames();
    void sortOfSlotFile_data();
    void sortOfSlotFile();
};

void TestCustomEqSlotJson::shapeDecidesConversion_data()
{
    QTest::addColumn<QJsonObject>("slot");
    QTest::addColumn<bool>("qor");
    QTest::addColumn<bool>("ok");

    QTest::newRow("standard 10") << slotOf(10) << false << true;
    QTest::newRow("standard 9 freq") << with(slotOf(10), "freq", repeat(100, 9)) << false << false;
    QTest::newRow("standard 11") << slotOf(11) << false << false;
    QTest::newRow("standard 5") << slotOf(5) << false << false;
    QJsonObject noType = slotOf(10);
    noType.remove("type");
    QTest::newRow("type missing") << noType << false << false;
    QTest::newRow("q not an array") << with(slotOf(10), "q", "0.7") << false << false;
    QTest::newRow("qor 5") << slotOf(5) << true << true;
    QTest::newRow("qor 8") << slotOf(8) << true << true;
    QTest::newRow("qor empty") << slotOf(0) << true << false;
    QTest::newRow("qor 9") << slotOf(9) << true << false;
    QTest::newRow("qor 5 freq 4 q") << with(slotOf(5), "q", repeat(1, 4)) << true << false;
    QTest::newRow("freq 1k") << withEntry(slotOf(10), "freq", 3, "1k") << false << false;
    QTest::newRow("q inf") << withEntry(slotOf(10), "q", 0, "inf") << false << false;
    QTest::newRow("gain nan") << withEntry(slotOf(5), "sound", 4, "nan") << true << false;
    QTest::newRow("gain null") << withEntry(slotOf(10), "sound", 9, QJsonValue()) << false << false;
    QTest::newRow("freq boolean") << withEntry(slotOf(10), "freq", 1, true) << false << false;
    QTest::newRow("numbers") << with(with(slotOf(10), "freq", repeat(250.5, 10)), "q", repeat(2, 10)) << false
                             << true;
    QTest::newRow("lowpass standard") << withEntry(slotOf(10), "type", 2, "lowpass") << false << false;
    QTest::newRow("lowpass qor") << withEntry(slotOf(3), "type", 2, "lowpass") << true << true;
    QTest::newRow("disable standard") << withEntry(slotOf(10), "type", 0, "disable") << false << false;
    QTest::newRow("type 0x0 qor") << withEntry(slotOf(3), "type", 0, "0x0") << true << false;
    QTest::newRow("type true") << withEntry(slotOf(10), "type", 0, true) << false << true;
    QTest::newRow("type null") << withEntry(slotOf(4), "type", 0, QJsonValue()) << true << true;
}

void TestCustomEqSlotJson::shapeDecidesConversion()
{
    QFETCH(QJsonObject, slot);
    QFETCH(bool, qor);
    QFETCH(bool, ok);

    EqBandLists bands;
    bands.freq = {1.0};
    bands.loaded = true;
    QCOMPARE(slotJsonToBands(slot, qor, &bands), ok);
    QCOMPARE(bands.loaded, ok);
    const qsizetype n = ok ? slot.value("freq").toArray().size() : 0;
    QCOMPARE(bands.freq.size(), n);
    QCOMPARE(bands.q.size(), n);
    QCOMPARE(bands.gain.size(), n);
    QCOMPARE(bands.types.size(), n);
}

void TestCustomEqSlotJson::bandValues_data()
{
    QTest::addColumn<QJsonObject>("slot");
    QTest::addColumn<bool>("qor");
    QTest::addColumn<int>("band");
    QTest::addColumn<double>("freq");
    QTest::addColumn<double>("q");
    QTest::addColumn<double>("gain");
    QTest::addColumn<QString>("type");

    const QJsonObject std10 = slotOf(10);
    const QJsonObject qor4 = slotOf(4);
    QTest::newRow("text values") << std10 << false << 0 << 1000.0 << 0.7 << 1.5 << "Peaking";
    QTest::newRow("not clamped") << withEntry(withEntry(withEntry(std10, "freq", 1, 50000), "q", 1, 9), "sound", 1, 20)
                                 << false << 1 << 50000.0 << 9.0 << 20.0 << "Peaking";
    QTest::newRow("empty band stays at 0 Hz")
        << withEntry(withEntry(std10, "freq", 3, 0), "sound", 3, "0") << false << 3 << 0.0 << 0.7 << 0.0 << "Peaking";
    QTest::newRow("band 5 negative freq") << withEntry(withEntry(std10, "freq", 5, -20), "sound", 5, 3) << false << 5
                                          << 20.0 << 0.7 << 3.0 << "Peaking";
    QTest::newRow("band 0 zero freq") << withEntry(std10, "freq", 0, 0) << false << 0 << 2900.0 << 0.7 << 1.5
                                      << "Peaking";
    QTest::newRow("band 9 zero freq") << withEntry(std10, "freq", 9, "0") << false << 9 << 270.0 << 0.7 << 1.5
                                      << "Peaking";
    QTest::newRow("qor negative freq") << withEntry(qor4, "freq", 0, -20) << true << 0 << 20.0 << 0.7 << 1.5
                                       << "Low Shelf";
    QTest::newRow("standard 7") << withEntry(std10, "type", 4, 7) << false << 4 << 1000.0 << 0.7 << 1.5
                                << "High Shelf";
    QTest::newRow("standard 0") << withEntry(std10, "type", 4, 0) << false << 4 << 1000.0 << 0.7 << 1.5 << "Peaking";
    QTest::newRow("standard 3") << withEntry(std10, "type", 4, "3") << false << 4 << 1000.0 << 0.7 << 1.5
                                << "High Pass";
    QTest::newRow("standard blank") << withEntry(std10, "type", 4, "  ") << false << 4 << 1000.0 << 0.7 << 1.5
                                    << "Peaking";
    QTest::newRow("qor -1") << withEntry(qor4, "type", 2, -1) << true << 2 << 1000.0 << 0.7 << 1.5 << "Disable";
    QTest::newRow("qor 3") << withEntry(qor4, "type", 2, "3") << true << 2 << 1000.0 << 0.7 << 1.5 << "High Shelf";
    QTest::newRow("qor 0x3") << withEntry(qor4, "type", 2, "0x3") << true << 2 << 1000.0 << 0.7 << 1.5
                             << "High Pass";
    QTest::newRow("qor 1") << qor4 << true << 2 << 1000.0 << 0.7 << 1.5 << "Low Shelf";
    QTest::newRow("qor true") << withEntry(qor4, "type", 2, true) << true << 2 << 1000.0 << 0.7 << 1.5 << "Peaking";
    QTest::newRow("qor name") << withEntry(qor4, "type", 2, "highpass") << true << 2 << 1000.0 << 0.7 << 1.5
                              << "High Pass";
}

void TestCustomEqSlotJson::bandValues()
{
    QFETCH(QJsonObject, slot);
    QFETCH(bool, qor);
    QFETCH(int, band);
    QFETCH(double, freq);
    QFETCH(double, q);
    QFETCH(double, gain);
    QFETCH(QString, type);

    EqBandLists bands;
    QVERIFY(slotJsonToBands(slot, qor, &bands));
    QCOMPARE(bands.freq.at(band), freq);
    QCOMPARE(bands.q.at(band), q);
    QCOMPARE(bands.gain.at(band), gain);
    QCOMPARE(bands.types.at(band), type);
}

void TestCustomEqSlotJson::defaultSlotNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("isDefault");
    QTest::newRow("Custom3") << "Custom3" << 2 << true;
    QTest::newRow("Chinese with blanks") << " 自定义3 " << 2 << true;
    QTest::newRow("other slot") << "Custom3" << 3 << false;
    QTest::newRow("lower case") << "custom3" << 2 << false;
    QTest::newRow("with a space") << "Custom 3" << 2 << false;
    QTest::newRow("index 10") << "Custom11" << 10 << false;
    QTest::newRow("empty") << "  " << 0 << false;
    QTest::newRow("own name") << "Bass" << 0 << false;
}

void TestCustomEqSlotJson::defaultSlotNames()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(bool, isDefault);
    QCOMPARE(isDefaultSlotName(name, index), isDefault);
}

void TestCustomEqSlotJson::defaultNamesFollowLanguage()
{
    QCOMPARE(defaultSlotName(0), QStringLiteral("自定义1"));
    QCOMPARE(slotNameFromJson(9, QJsonObject{{"name", "  "}}), QStringLiteral("自定义10"));
    QCOMPARE(slotNameFromJson(9, QJsonObject{{"name", " Bass "}}), QStringLiteral("Bass"));

    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/i18n/VELKORA_en_US.qm")));
    QCoreApplication::installTranslator(&english);
    QCOMPARE(defaultSlotName(0), QStringLiteral("Custom1"));
    QCOMPARE(slotNameFromJson(9, QJsonObject()), QStringLiteral("Custom10"));
    QVERIFY(isDefaultSlotName(QStringLiteral("自定义2"), 1));
    QCoreApplication::removeTranslator(&english);
}

void TestCustomEqSlotJson::normalizeDropsDefaultNames_data()
{
    QTest::addColumn<QJsonObject>("slot");
    QTest::addColumn<bool>("keepsName");
    QTest::newRow("default") << QJsonObject{{"name", " Custom2 "}} << false;
    QTest::newRow("blank") << QJsonObject{{"name", "  "}} << false;
    QTest::newRow("not text") << QJsonObject{{"name", 5}} << false;
    QTest::newRow("own") << QJsonObject{{"name", "Bass"}} << true;
    QTest::newRow("other slot's default") << QJsonObject{{"name", "自定义3"}} << true;
}

void TestCustomEqSlotJson::normalizeDropsDefaultNames()
{
    QFETCH(QJsonObject, slot);
    QFETCH(bool, keepsName);
    normalizeSlotName(slot, 1);
    QCOMPARE(slot.contains("name"), keepsName);
}

void TestCustomEqSlotJson::sortOfSlotFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("sort");
    QTest::newRow("number") << QByteArray(R"({"sort": 3})") << 3;
    QTest::newRow("text") << QByteArray(R"({"sort": "3"})") << 3;
    QTest::newRow("out of range kept") << QByteArray(R"({"sort": 12})") << 12;
    QTest::newRow("whole written as decimal") << QByteArray(R"({"sort": 3.0})") << 3;
    // Once read as slot 0 while the headset was sent the truncated number.
    QTest::newRow("not whole names no slot") << QByteArray(R"({"sort": 2.9})") << -1;
    QTest::newRow("beyond int names no slot") << QByteArray(R"({"sort": 5e9})") << -1;
    QTest::newRow("text not whole") << QByteArray(R"({"sort": "2.5"})") << -1;
    QTest::newRow("text not a number") << QByteArray(R"({"sort": "abc"})") << -1;
    QTest::newRow("hex text") << QByteArray(R"({"sort": "0x3"})") << -1;
    QTest::newRow("boolean") << QByteArray(R"({"sort": true})") << -1;
    QTest::newRow("missing") << QByteArray(R"({"name": "x"})") << -1;
    QTest::newRow("array") << QByteArray("[1, 2]") << -1;
    QTest::newRow("broken") << QByteArray(R"({"sort": 3,)") << -1;
    QTest::newRow("empty file") << QByteArray() << -1;
}

void TestCustomEqSlotJson::sortOfSlotFile()
{
    QFETCH(QByteArray, content);
    QFETCH(int, sort);
    QTemporaryDir dir;
    const QString path = dir.filePath("slot.json");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    QCOMPARE(sortIndexOfSlotFile(path), sort);
    QCOMPARE(sortIndexOfSlotFile(dir.filePath("missing.json")), -1);
}

QTEST_GUILESS_MAIN(TestCustomEqSlotJson)
#include "tst_customeqslotjson.moc"
