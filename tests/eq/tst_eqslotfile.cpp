// Checking an EQ file before import, and writing one.
#include "eq/EqSlotFile.h"
#include "tests/eq/EqJsonFixtures.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using Status = EqSlotFile::ImportStatus;

using namespace EqJson;

namespace {

QJsonObject eqFile(int bands)
{
    return QJsonObject{{"freq", repeat("1000", bands)},
                       {"q", repeat(0.7, bands)},
                       {"sound", repeat("-2.5", bands)},
                       {"type", repeat("1", bands)},
                       {"main_gain", "ignored"},
                       {"sort", "ignored"}};
}

} // namespace

Q_DECLARE_METATYPE(EqSlotFile::ImportStatus)

class TestEqSlotFile : public QObject
{
    Q_OBJECT

private slots:
    void checkBeforeImport_data();
    void checkBeforeImport();
    void importName_data();
    void importName();
    void unreadableFile();
    void writeIsAtomic();
};

void TestEqSlotFile::checkBeforeImport_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("qor");
    QTest::addColumn<Status>("status");
    QTest::addColumn<int>("bands");

    const QJsonObject std10 = eqFile(10);
    const QJsonObject qor5 = eqFile(5);
    QTest::newRow("standard") << bytes(std10) << false << Status::Imported << 10;
    QTest::newRow("qor 5") << bytes(qor5) << true << Status::Imported << 5;
    QTest::newRow("qor 1") << bytes(eqFile(1)) << true << Status::Imported << 1;
    QTest::newRow("broken JSON") << QByteArray("{\"freq\": [") << false << Status::InvalidJson << 0;
    QTest::newRow("array") << QByteArray("[1, 2]") << false << Status::InvalidJson << 0;
    QTest::newRow("empty file") << QByteArray() << false << Status::InvalidJson << 0;
    QTest::newRow("freq missing") << bytes(with(std10, "freq", QJsonValue::Undefined)) << false
                                  << Status::MissingFields << 0;
    QTest::newRow("type a text") << bytes(with(std10, "type", "1,1,1")) << false << Status::MissingFields << 0;
    QTest::newRow("q nine") << bytes(with(std10, "q", repeat(1, 9))) << false << Status::StandardBandCount << 0;
    QTest::newRow("qor file in standard mode") << bytes(qor5) << false << Status::StandardBandCount << 0;
    QTest::newRow("qor nine") << bytes(eqFile(9)) << true << Status::QorBandCount << 0;
    QTest::newRow("qor empty") << bytes(eqFile(0)) << true << Status::QorBandCount << 0;
    QTest::newRow("qor q shorter") << bytes(with(qor5, "q", repeat(1, 4))) << true << Status::QorBandCount << 0;
    QTest::newRow("freq text") << bytes(withEntry(std10, "freq", 2, " 1000 ")) << false << Status::Imported << 10;
    QTest::newRow("freq not finite") << bytes(withEntry(std10, "freq", 2, "inf")) << false << Status::InvalidFreq << 0;
    QTest::newRow("freq out of range passes") << bytes(withEntry(std10, "freq", 2, 50000)) << false << Status::Imported
                                              << 10;
    QTest::newRow("q abc") << bytes(withEntry(std10, "q", 4, "abc")) << false << Status::InvalidQ << 0;
    QTest::newRow("gain null") << bytes(withEntry(std10, "sound", 9, QJsonValue())) << false << Status::InvalidGain
                               << 0;
    QTest::newRow("type null") << bytes(withEntry(std10, "type", 0, QJsonValue())) << false
                               << Status::InvalidTypeField << 0;
    QTest::newRow("type object") << bytes(withEntry(qor5, "type", 0, QJsonObject())) << true
                                 << Status::InvalidTypeField << 0;
    QTest::newRow("lowpass standard") << bytes(withEntry(std10, "type", 3, "lowpass")) << false
                                      << Status::UnsupportedType << 0;
    QTest::newRow("lowpass qor") << bytes(withEntry(qor5, "type", 3, "lowpass")) << true << Status::Imported << 5;
    QTest::newRow("type 9") << bytes(withEntry(std10, "type", 3, 9)) << false << Status::Imported << 10;
    QTest::newRow("type 0 standard") << bytes(withEntry(std10, "type", 3, 0)) << false << Status::Imported << 10;
    QTest::newRow("type empty text") << bytes(withEntry(std10, "type", 3, "")) << false << Status::Imported << 10;
    // All entries of band 0 are checked before band 1.
    QTest::newRow("band order") << bytes(withEntry(withEntry(std10, "type", 0, "notch"), "freq", 1, "x")) << false
                                << Status::UnsupportedType << 0;
    QTest::newRow("entry order") << bytes(withEntry(withEntry(std10, "sound", 0, "x"), "q", 0, "y")) << false
                                 << Status::InvalidQ << 0;
}

void TestEqSlotFile::checkBeforeImport()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, qor);
    QFETCH(Status, status);
    QFETCH(int, bands);

    QTemporaryDir dir;
    const QString path = dir.filePath("MyCurve.json");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    const EqSlotFile::Checked checked = EqSlotFile::check(path, qor, 0);
    QCOMPARE(checked.status, status);
    QCOMPARE(checked.bandCount, bands);
    QCOMPARE(checked.object.isEmpty(), status != Status::Imported);
}

void TestEqSlotFile::importName_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QJsonValue>("name");
    QTest::addColumn<QString>("expectedName");
    QTest::addColumn<QString>("storedName");

    QTest::newRow("own name") << "a.json" << QJsonValue(" Bass ") << "Bass" << "Bass";
    QTest::newRow("from file name") << "MyCurve.json" << QJsonValue() << "MyCurve" << "MyCurve";
    QTest::newRow("last dot only") << "my.curve.json" << QJsonValue("  ") << "my.curve" << "my.curve";
    QTest::newRow("name not text") << " Spaced .json" << QJsonValue(12) << "Spaced" << "Spaced";
    QTest::newRow("placeholder") << "x.json" << QJsonValue("EQPreset") << "EQPreset" << "";
    QTest::newRow("placeholder file") << "EQPreset.json" << QJsonValue() << "EQPreset" << "";
    // Slot 5's own default names count as no name; another slot's default is a name.
    QTest::newRow("default of slot 5") << "x.json" << QJsonValue("自定义6") << "自定义6" << "";
    QTest::newRow("English default of slot 5") << "x.json" << QJsonValue("Custom6") << "Custom6" << "";
    QTest::newRow("default of slot 3") << "x.json" << QJsonValue("自定义3") << "自定义3" << "自定义3";
}

void TestEqSlotFile::importName()
{
    QFETCH(QString, fileName);
    QFETCH(QJsonValue, name);
    QFETCH(QString, expectedName);
    QFETCH(QString, storedName);

    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes(with(eqFile(10), "name", name)));
    file.close();

    const EqSlotFile::Checked checked = EqSlotFile::check(path, false, 5);
    QCOMPARE(checked.status, Status::Imported);
    QCOMPARE(checked.name, expectedName);
    QCOMPARE(checked.storedName, storedName);
}

void TestEqSlotFile::unreadableFile()
{
    QTemporaryDir dir;
    QCOMPARE(EqSlotFile::check(dir.filePath("missing.json"), false, 0).status, Status::ReadFailed);
    QCOMPARE(EqSlotFile::check(dir.path(), false, 0).status, Status::ReadFailed);
}

void TestEqSlotFile::writeIsAtomic()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.json");
    const QJsonObject first{{"name", "First"}};
    QVERIFY(EqSlotFile::write(path, first));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    file.close();
    QCOMPARE(written, QJsonDocument(first).toJson(QJsonDocument::Indented));

    QVERIFY(!EqSlotFile::write(dir.filePath("no/such/folder/out.json"), first));
    QVERIFY(!EqSlotFile::write(dir.path(), first));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.json"});
}

QTEST_GUILESS_MAIN(TestEqSlotFile)
#include "tst_eqslotfile.moc"
