// The ten custom slot files: loading, clean-up, creation, saving and the
// hand-over to the curve editor.
#include "eq/CustomEqSlotStore.h"
#include "eq/EqDataMapper.h"
#include "tests/eq/EqJsonFixtures.h"
#include "tests/eq/EqTestEnvironment.h"
#include "tests/eq/FakeCurveEditor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>

#include <memory>

using namespace EqJson;

namespace {

QJsonObject standardSlot(const QJsonValue &sort, const QString &name = QString())
{
    QJsonObject o{{"freq", repeat("500", 10)},
                  {"q", repeat("1.00", 10)},
                  {"sound", repeat("2", 10)},
                  {"type", repeat("1", 10)},
                  {"main_gain", 0}};
    if (!sort.isUndefined())
        o.insert("sort", sort);
    if (!name.isEmpty())
        o.insert("name", name);
    return o;
}

QJsonArray first4(const QJsonArray &a)
{
    QJsonArray out;
    for (int i = 0; i < 4 && i < a.size(); ++i)
        out.append(a.at(i));
    return out;
}

void setModified(const QString &path, const QDateTime &when)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
}

QStringList jsonFiles(const QString &folder)
{
    QStringList names = QDir(folder).entryList({"*.json"}, QDir::Files);
    names.sort();
    return names;
}

QStringList expectedSlotFiles()
{
    QStringList names;
    for (int i = 0; i < 10; ++i)
        names << QStringLiteral("slot%1.json").arg(i);
    return names;
}

} // namespace

class TestCustomEqSlotStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void emptyFolderGetsTenDefaultSlots_data();
    void emptyFolderGetsTenDefaultSlots();
    void newerCopyOfASlotWins();
    void fileBelongsToItsSortNotItsName();
    void filesWithoutSlotAreSetAsideUnchanged_data();
    void filesWithoutSlotAreSetAsideUnchanged();
    void slotIsSentAsTheSlotItIsStoredIn_data();
    void slotIsSentAsTheSlotItIsStoredIn();
    void storedDefaultNameIsDropped_data();
    void storedDefaultNameIsDropped();
    void defaultNamesFollowLanguage();
    void slotValuesAreWrittenFromEditor();
    void qorSlotsFollowEditorBandCount();
    void customPresetJsonReadsMemoryOnly();
    void slotThatCannotHaveAFileStaysEmpty();
    void editsAreSavedOnceWithLastCurve();
    void failedSaveKeepsSlot();
    void reloadDropsWaitingSave();
    void restoredSlotKeepsItsName_data();
    void restoredSlotKeepsItsName();
    void waitingSaveIsWrittenAtDestruction();
    void waitingSaveIsWrittenBeforeModeChange();
    void loadSlotIntoEditor();
    void brokenSlotFileIsNotShownAsAnotherSlot();
    void selectionNamesCustomSlot_data();
    void selectionNamesCustomSlot();

private:
    QString folder(bool qor = false) const;

    std::unique_ptr<EqTestEnvironment> m_env;
    std::unique_ptr<FakeCurveEditor> m_editor;
    std::unique_ptr<CustomEqSlotStore> m_store;
};

void TestCustomEqSlotStore::init()
{
    m_env = std::make_unique<EqTestEnvironment>();
    QVERIFY(m_env->isValid());
    m_editor = std::make_unique<FakeCurveEditor>();
    m_store = std::make_unique<CustomEqSlotStore>();
    m_store->setEditor(m_editor.get());
}

void TestCustomEqSlotStore::cleanup()
{
    m_store.reset();
    m_editor.reset();
    m_env.reset();
}

QString TestCustomEqSlotStore::folder(bool qor) const
{
    const QString path = QDir(m_env->appDataPath()).filePath(qor ? "CustomEQ_QOR" : "CustomEQ");
    QDir().mkpath(path);
    return path;
}

void TestCustomEqSlotStore::emptyFolderGetsTenDefaultSlots_data()
{
    QTest::addColumn<bool>("qor");
    QTest::newRow("standard") << false;
    QTest::newRow("qor") << true;
}

void TestCustomEqSlotStore::emptyFolderGetsTenDefaultSlots()
{
    QFETCH(bool, qor);
    if (qor) {
        m_editor->setCustomMode(true);
        m_editor->setBandCount(8);
    }
    m_store->setQorMode(qor);
    QCOMPARE(m_store->customEqDirPath(), folder(qor));
    m_store->loadSlots();

    QCOMPARE(jsonFiles(folder(qor)), expectedSlotFiles());
    QCOMPARE(m_editor->resetCalls, 1);
    QVERIFY(!m_store->isLoading());
    for (int i = 0; i < 10; ++i) {
        const QJsonObject slot = readJson(QDir(folder(qor)).filePath(QStringLiteral("slot%1.json").arg(i)));
        QCOMPARE(slot.value("sort").toInt(-1), i);
        QVERIFY(!slot.contains("name"));
        QCOMPARE(slot.value("main_gain").toInt(-1), 0);
        if (qor) {
            QCOMPARE(slot.value("freq").toArray(), texts({"20", "60", "200", "600", "2000", "6000", "12000", "20000"}));
            QCOMPARE(slot.value("q").toArray(), repeat("0.70", 8));
            QCOMPARE(slot.value("sound").toArray(), repeat("0", 8));
            QCOMPARE(slot.value("type").toArray(), repeat("2", 8));
        } else {
            QCOMPARE(slot.value("freq").toArray(),
                     texts({"2900", "5328", "40", "100", "9000", "20", "200", "250", "140", "270"}));
            QCOMPARE(slot.value("q").toArray(),
                     texts({"2.50", "1.50", "1.00", "2.00", "4.00", "0.80", "2.00", "1.00", "1.00", "3.50"}));
            QCOMPARE(slot.value("sound").toArray(), texts({"3", "-4", "-2", "-3.5", "-3", "-6", "3", "3.5", "1", "0"}));
            QCOMPARE(slot.value("type").toArray(), repeat("1", 10));
        }
        QCOMPARE(m_store->slotDisplayName(i), QStringLiteral("自定义%1").arg(i + 1));
        QVERIFY(m_store->customPresetJson(i, nullptr));
        QVERIFY(m_store->slotBands(i).loaded);
    }
    // The other mode's folder is not touched.
    QVERIFY(jsonFiles(folder(!qor)).isEmpty());
}

void TestCustomEqSlotStore::newerCopyOfASlotWins()
{
    const QDir dir(folder());
    QVERIFY(writeJson(dir.filePath("a.json"), standardSlot(4, "Older")));
    QVERIFY(writeJson(dir.filePath("b.json"), standardSlot(4, "Newer")));
    const QDateTime now = QDateTime::currentDateTime();
    setModified(dir.filePath("a.json"), now.addSecs(-60));
    setModified(dir.filePath("b.json"), now);
    const QByteArray older = readBytes(dir.filePath("a.json"));

    QSignalSpy aside(m_store.get(), &CustomEqSlotStore::slotFileSetAside);
    m_store->loadSlots();

    QCOMPARE(m_store->slotDisplayName(4), QStringLiteral("Newer"));
    QCOMPARE(m_store->slotPath(4), dir.filePath("b.json"));
    QCOMPARE(aside.count(), 1);
    QCOMPARE(aside.at(0).at(0).toString(), dir.filePath("a.json"));
    // The older copy leaves the set but keeps its content.
    QVERIFY(!QFileInfo::exists(dir.filePath("a.json")));
    QCOMPARE(readBytes(aside.at(0).at(1).toString()), older);
    QStringList expected = expectedSlotFiles();
    expected.removeOne("slot4.json");
    expected << "b.json";
    expected.sort();
    QCOMPARE(jsonFiles(folder()), expected);
}

void TestCustomEqSlotStore::fileBelongsToItsSortNotItsName()
{
    const QDir dir(folder());
    QVERIFY(writeJson(dir.filePath("slot7.json"), standardSlot(2, "Moved")));
    QVERIFY(writeJson(dir.filePath("slot2.json"), standardSlot(3, "Three")));
    m_store->loadSlots();

    QCOMPARE(m_store->slotDisplayName(2), QStringLiteral("Moved"));
    QCOMPARE(m_store->slotDisplayName(3), QStringLiteral("Three"));
    QCOMPARE(m_store->slotDisplayName(7), QStringLiteral("自定义8"));
    // Slot 7 got a file of its own without overwriting slot 2's curve.
    QCOMPARE(readJson(m_store->slotPath(2)).value("name").toString(), QStringLiteral("Moved"));
    QCOMPARE(readJson(m_store->slotPath(3)).value("name").toString(), QStringLiteral("Three"));
    QCOMPARE(readJson(m_store->slotPath(7)).value("sort").toInt(), 7);
    QCOMPARE(QFileInfo(m_store->slotPath(7)).fileName(), QStringLiteral("slot7.json"));
    QCOMPARE(QFileInfo(m_store->slotPath(2)).fileName(), QStringLiteral("slot2.json"));
    QCOMPARE(QFileInfo(m_store->slotPath(3)).fileName(), QStringLiteral("slot3.json"));
    QCOMPARE(jsonFiles(folder()), expectedSlotFiles());
}

void TestCustomEqSlotStore::filesWithoutSlotAreSetAsideUnchanged_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("setAside");
    QTest::addColumn<QString>("reason");

    const auto json = [](const QJsonValue &sort) { return QJsonDocument(standardSlot(sort, "Mine")).toJson(); };
    QTest::newRow("sort as text") << json("3") << false << "";
    QTest::newRow("sort 12") << json(12) << true << "no slot number";
    QTest::newRow("sort -1") << json(-1) << true << "no slot number";
    QTest::newRow("sort missing") << json(QJsonValue(QJsonValue::Undefined)) << true << "no slot number";
    QTest::newRow("sort not a number") << json("three") << true << "no slot number";
    QTest::newRow("sort boolean") << json(true) << true << "no slot number";
    QTest::newRow("broken JSON") << QByteArray("{\"sort\": 3, \"name\": \"Mine\"") << true << "broken JSON";
    QTest::newRow("array") << QByteArray("[3]") << true << "no JSON object";
}

void TestCustomEqSlotStore::filesWithoutSlotAreSetAsideUnchanged()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, setAside);
    QFETCH(QString, reason);

    // Named like slot 3's own file, the name a new slot 3 would take.
    const QString path = QDir(folder()).filePath("slot3.json");
    QVERIFY(writeBytes(path, content));
    QSignalSpy aside(m_store.get(), &CustomEqSlotStore::slotFileSetAside);
    QSignalSpy log(m_store.get(), &CustomEqSlotStore::logMessage);
    m_store->loadSlots();

    QCOMPARE(jsonFiles(folder()), expectedSlotFiles());
    if (!setAside) {
        QCOMPARE(aside.count(), 0);
        QCOMPARE(m_store->slotDisplayName(3), QStringLiteral("Mine"));
        return;
    }
    QCOMPARE(aside.count(), 1);
    QCOMPARE(aside.at(0).at(0).toString(), path);
    QCOMPARE(aside.at(0).at(1).toString(), path + ".rejected");
    QVERIFY(aside.at(0).at(2).toString().contains(reason));
    QCOMPARE(readBytes(path + ".rejected"), content);
    QVERIFY(log.count() >= 1);
    QVERIFY(log.at(0).at(0).toString().startsWith("[EQ][Slots] " + path));
    // Slot 3 starts afresh in a new file.
    QCOMPARE(m_store->slotDisplayName(3), QStringLiteral("自定义4"));
    QCOMPARE(readJson(path).value("sort").toInt(), 3);

    // A second broken file of the same name does not replace the first one kept.
    QVERIFY(writeBytes(path, "not json"));
    m_store->loadSlots();
    QCOMPARE(readBytes(path + ".rejected"), content);
    QCOMPARE(readBytes(path + ".rejected-2"), QByteArray("not json"));
}

void TestCustomEqSlotStore::slotIsSentAsTheSlotItIsStoredIn_data()
{
    QTest::addColumn<QByteArray>("sort"); // the "sort" as written in the file; empty: no "sort"
    QTest::addColumn<int>("slot");        // -1: the file names no slot and is set aside

    QTest::newRow("0") << QByteArray("0") << 0;
    QTest::newRow("9") << QByteArray("9") << 9;
    QTest::newRow("whole as decimal") << QByteArray("3.0") << 3;
    QTest::newRow("text") << QByteArray(R"("3")") << 3;
    QTest::newRow("text with blanks") << QByteArray(R"(" 4 ")") << 4;
    QTest::newRow("not whole") << QByteArray("2.5") << -1;
    QTest::newRow("beyond int") << QByteArray("5e9") << -1;
    QTest::newRow("negative") << QByteArray("-1") << -1;
    QTest::newRow("past the last slot") << QByteArray("10") << -1;
    QTest::newRow("text not whole") << QByteArray(R"("2.5")") << -1;
    QTest::newRow("null") << QByteArray("null") << -1;
    QTest::newRow("missing") << QByteArray() << -1;
}

void TestCustomEqSlotStore::slotIsSentAsTheSlotItIsStoredIn()
{
    QFETCH(QByteArray, sort);
    QFETCH(int, slot);
    QByteArray content = QJsonDocument(standardSlot(QJsonValue::Undefined, "Mine")).toJson(QJsonDocument::Compact);
    if (!sort.isEmpty())
        content.insert(1, "\"sort\":" + sort + ",");
    const QString path = QDir(folder()).filePath("mine.json");
    QVERIFY(writeBytes(path, content));
    m_store->loadSlots();

    // Every slot is handed to the main window with the number it is stored
    // under, so the headset gets the slot the page shows: 100 + slot.
    for (int i = 0; i < 10; ++i) {
        QJsonObject json;
        QVERIFY(m_store->customPresetJson(i, &json));
        QCOMPARE(json.value("sort"), QJsonValue(i));
        QString error;
        const auto record = EqDataMapper::fromCustomJson(json, &error);
        QVERIFY2(record, qPrintable(error));
        QCOMPARE(int(record->index), 100 + i);
        QCOMPARE(m_store->slotDisplayName(i) == QStringLiteral("Mine"), i == slot);
    }
    if (slot < 0) {
        QVERIFY(!QFileInfo::exists(path));
        return;
    }
    QCOMPARE(m_store->slotPath(slot), path);
    // The file takes the number in its own form at the next save.
    QSignalSpy edited(m_store.get(), &CustomEqSlotStore::customPresetEdited);
    m_store->scheduleSave(slot, m_store->buildSlotJson("Mine", slot, true), 0);
    QVERIFY(edited.wait(2000));
    QCOMPARE(readJson(path).value("sort"), QJsonValue(slot));
}

void TestCustomEqSlotStore::storedDefaultNameIsDropped_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("dropped");
    QTest::newRow("Chinese") << "自定义5" << true;
    QTest::newRow("English") << " Custom5 " << true;
    QTest::newRow("English with space") << "Custom 5" << false;
    QTest::newRow("other slot") << "自定义6" << false;
}

void TestCustomEqSlotStore::storedDefaultNameIsDropped()
{
    QFETCH(QString, stored);
    QFETCH(bool, dropped);
    const QString path = QDir(folder()).filePath("mine.json");
    QVERIFY(writeJson(path, standardSlot("4", stored)));
    m_store->loadSlots();

    const QJsonObject file = readJson(path);
    QCOMPARE(file.contains("name"), !dropped);
    QCOMPARE(m_store->slotJson(4).contains("name"), !dropped);
    QCOMPARE(m_store->slotDisplayName(4), dropped ? QStringLiteral("自定义5") : stored.trimmed());
    // Rewritten with a numeric sort only when the name was dropped.
    QCOMPARE(file.value("sort").isDouble(), dropped);
    QCOMPARE(file.value("sort").toVariant().toInt(), 4);
}

void TestCustomEqSlotStore::defaultNamesFollowLanguage()
{
    QVERIFY(writeJson(QDir(folder()).filePath("slot1.json"), standardSlot(1, "Bass")));
    m_store->loadSlots();
    QTranslator english;
    QVERIFY(english.load(":/i18n/VELKORA_en_US.qm"));
    QCoreApplication::installTranslator(&english);
    m_store->refreshSlotNames();
    QCOMPARE(m_store->slotDisplayName(0), QStringLiteral("Custom1"));
    QCOMPARE(m_store->slotDisplayName(1), QStringLiteral("Bass"));
    QCOMPARE(m_store->slotDisplayName(9), QStringLiteral("Custom10"));
    QCoreApplication::removeTranslator(&english);
}

void TestCustomEqSlotStore::slotValuesAreWrittenFromEditor()
{
    m_editor->setBand(0, FakeCurveEditor::Band{19.4, 2.96, 0.7, "Low Pass"});
    m_editor->setBand(1, FakeCurveEditor::Band{1000.5, -0.04, 4.999, "High Shelf"});
    m_editor->setBand(2, FakeCurveEditor::Band{25000, -7.25, 0.1, "Disable"});
    m_editor->setBand(3, std::nullopt);

    const QJsonObject standard = m_store->buildSlotJson("  Bass ", 2, true);
    QCOMPARE(standard.value("name").toString(), QStringLiteral("Bass"));
    QCOMPARE(standard.value("sort").toInt(-1), 2);
    QCOMPARE(standard.value("main_gain").toInt(-1), 0);
    QCOMPARE(standard.value("freq").toArray().size(), 10);
    QCOMPARE(first4(standard.value("freq").toArray()), texts({"20", "1001", "20000", "20"}));
    QCOMPARE(first4(standard.value("q").toArray()), texts({"0.70", "5.00", "0.10", "0.70"}));
    QCOMPARE(first4(standard.value("sound").toArray()), texts({"3", "0", "-7.3", "0"}));
    QCOMPARE(first4(standard.value("type").toArray()), texts({"2", "5", "1", "1"}));

    const QJsonObject noSort = m_store->buildSlotJson(" ", 2, false);
    QVERIFY(!noSort.contains("sort"));
    QVERIFY(!noSort.contains("name"));

    m_store->setQorMode(true);
    const QJsonObject qor = m_store->buildSlotJson("Q", 0, false);
    QCOMPARE(first4(qor.value("type").toArray()), texts({"4", "3", "0", "2"}));

    // Without an editor a standard slot is all filler, a Qor slot has no bands.
    m_store->setEditor(nullptr);
    QCOMPARE(m_store->buildSlotJson("", 0, true).value("type").toArray(), QJsonArray());
    m_store->setQorMode(false);
    const QJsonObject filler = m_store->buildSlotJson("", 0, true);
    QCOMPARE(filler.value("freq").toArray(), repeat("0", 10));
    QCOMPARE(filler.value("q").toArray(), repeat("0.70", 10));
    QCOMPARE(filler.value("type").toArray(), repeat("1", 10));
}

void TestCustomEqSlotStore::qorSlotsFollowEditorBandCount()
{
    m_editor->setCustomMode(true);
    m_editor->setBandCount(8);
    m_store->setQorMode(true);
    const QJsonObject five{{"sort", 1},
                           {"freq", texts({"100", "200", "300", "400", "500"})},
                           {"q", repeat(1, 5)},
                           {"sound", repeat(-3, 5)},
                           {"type", texts({"0", "1", "lowpass", "0x3", ""})}};
    QVERIFY(writeJson(QDir(folder(true)).filePath("slot1.json"), five));
    m_store->loadSlots();
    const EqBandLists bands = m_store->slotBands(1);
    QVERIFY(bands.loaded);
    QCOMPARE(bands.types, (QList<QString>{"Disable", "Low Shelf", "Low Pass", "High Pass", "Peaking"}));

    m_store->loadSlotIntoEditor(1);
    QCOMPARE(m_editor->maximumBandCount(), 5);
    QCOMPARE(m_editor->bandPoint(4), QPointF(500, -3));
    QCOMPARE(m_store->buildSlotJson("", 1, true).value("type").toArray(), texts({"0", "1", "4", "5", "2"}));
}

void TestCustomEqSlotStore::customPresetJsonReadsMemoryOnly()
{
    m_store->loadSlots();
    QJsonObject out{{"untouched", true}};
    QVERIFY(!m_store->customPresetJson(-1, &out));
    QVERIFY(!m_store->customPresetJson(10, &out));
    QCOMPARE(out, (QJsonObject{{"untouched", true}}));

    // A slot whose bands the editor cannot take is still handed out.
    const QString path = m_store->slotPath(6);
    QVERIFY(writeJson(path, QJsonObject{{"sort", 6}, {"freq", repeat(100, 3)}}));
    QVERIFY(m_store->customPresetJson(6, &out));
    QCOMPARE(out.value("sort").toInt(), 6);
    QCOMPARE(out.value("freq").toArray().size(), 10);
    m_store->loadSlots();
    QVERIFY(m_store->customPresetJson(6, &out));
    QCOMPARE(out.value("freq").toArray().size(), 3);
    QVERIFY(!m_store->slotBands(6).loaded);
}

void TestCustomEqSlotStore::slotThatCannotHaveAFileStaysEmpty()
{
    // A folder where slot 3's file would go: no file can be created for it.
    QVERIFY(QDir(folder()).mkdir("slot3.json"));
    m_store->loadSlots();
    QVERIFY(m_store->slotPath(3).isEmpty());
    QVERIFY(!m_store->customPresetJson(3, nullptr));
    QCOMPARE(m_store->slotDisplayName(3), QStringLiteral("自定义4"));
    QVERIFY(m_store->customPresetJson(4, nullptr));

    QSignalSpy failed(m_store.get(), &CustomEqSlotStore::slotSaveFailed);
    QSignalSpy edited(m_store.get(), &CustomEqSlotStore::customPresetEdited);
    m_store->scheduleSave(3, m_store->buildSlotJson("X", 3, true), 0);
    QVERIFY(failed.wait(2000));
    QCOMPARE(failed.at(0).at(0).toInt(), 3);
    QCOMPARE(edited.count(), 0);
    QVERIFY(QFileInfo(QDir(folder()).filePath("slot3.json")).isDir());
}

void TestCustomEqSlotStore::editsAreSavedOnceWithLastCurve()
{
    m_store->loadSlots();
    QSignalSpy edited(m_store.get(), &CustomEqSlotStore::customPresetEdited);
    for (int gain = 1; gain <= 3; ++gain) {
        m_editor->setBand(0, FakeCurveEditor::Band{100, double(gain), 1.0, "Peaking"});
        m_store->scheduleSave(5, m_store->buildSlotJson("Drag", 5, true), 30);
    }
    QVERIFY(m_store->hasPendingSave());
    QVERIFY(edited.wait(2000));
    QCOMPARE(edited.count(), 1);
    QCOMPARE(edited.at(0).at(0).toInt(), 5);
    QVERIFY(!m_store->hasPendingSave());

    const QJsonObject file = readJson(QDir(folder()).filePath("slot5.json"));
    QCOMPARE(file.value("name").toString(), QStringLiteral("Drag"));
    QCOMPARE(file.value("sort").toInt(), 5);
    QCOMPARE(file.value("sound").toArray().at(0).toString(), QStringLiteral("3"));
    QCOMPARE(m_store->slotJson(5), file);
    QCOMPARE(m_store->slotBands(5).gain.at(0), 3.0);
    QCOMPARE(m_store->slotDisplayName(5), QStringLiteral("Drag"));
}

void TestCustomEqSlotStore::failedSaveKeepsSlot()
{
    m_store->loadSlots();
    const QJsonObject before = m_store->slotJson(2);
    const QString path = m_store->slotPath(2);
    // The target became a folder: the save cannot be committed.
    QVERIFY(QFile::remove(path));
    QVERIFY(QDir().mkdir(path));

    QSignalSpy failed(m_store.get(), &CustomEqSlotStore::slotSaveFailed);
    QSignalSpy edited(m_store.get(), &CustomEqSlotStore::customPresetEdited);
    m_store->scheduleSave(2, m_store->buildSlotJson("New", 2, true), 0);
    QVERIFY(failed.wait(2000));
    QCOMPARE(edited.count(), 0);
    QCOMPARE(m_store->slotJson(2), before);
}

void TestCustomEqSlotStore::reloadDropsWaitingSave()
{
    m_store->loadSlots();
    const QByteArray before = readBytes(m_store->slotPath(1));
    m_store->scheduleSave(1, m_store->buildSlotJson("Pending", 1, true), 10000);
    m_store->loadSlots();
    QVERIFY(!m_store->hasPendingSave());
    QCOMPARE(m_store->pendingSaveIndex(), -1);
    m_store->savePendingSlot(); // nothing left to write
    QCOMPARE(readBytes(m_store->slotPath(1)), before);
}

void TestCustomEqSlotStore::restoredSlotKeepsItsName_data()
{
    QTest::addColumn<QString>("nameNow");     // given since the content was taken; empty: the default name
    QTest::addColumn<QString>("nameInContent");
    QTest::addColumn<bool>("editWaiting");    // an edit of the slot waits for its save
    QTest::newRow("renamed since") << "Bass" << "Old" << false;
    QTest::newRow("default name now") << "" << "Old" << false;
    QTest::newRow("an edit waits") << "Bass" << "" << true;
}

// The curve goes back; the name is the user's as it is now, and a waiting edit of the old curve is dropped.
void TestCustomEqSlotStore::restoredSlotKeepsItsName()
{
    QFETCH(QString, nameNow);
    QFETCH(QString, nameInContent);
    QFETCH(bool, editWaiting);
    m_store->loadSlots();
    m_editor->setBand(0, FakeCurveEditor::Band{100, 6.0, 1.0, "Peaking"});
    m_store->scheduleSave(3, m_store->buildSlotJson(nameNow, 3, true), 0);
    m_store->savePendingSlot();
    QJsonObject content = standardSlot(3, nameInContent);
    if (editWaiting)
        m_store->scheduleSave(3, m_store->buildSlotJson(nameNow, 3, true), 10000);
    QSignalSpy edited(m_store.get(), &CustomEqSlotStore::customPresetEdited);

    QVERIFY(m_store->restoreSlot(3, content));
    QVERIFY(!m_store->hasPendingSave());
    const QJsonObject file = readJson(m_store->slotPath(3));
    QCOMPARE(file.value("sound"), content.value("sound"));
    QCOMPARE(file.value("freq"), content.value("freq"));
    QCOMPARE(file.value("name").toString(), nameNow);
    QCOMPARE(file.value("sort").toInt(), 3);
    QCOMPARE(m_store->slotJson(3), file);
    QCOMPARE(m_store->slotBands(3).gain.at(0), 2.0);
    QCOMPARE(edited.count(), 0);
    QCOMPARE(m_store->slotDisplayName(3), nameNow.isEmpty() ? CustomEq::defaultSlotName(3) : nameNow);
}

void TestCustomEqSlotStore::waitingSaveIsWrittenAtDestruction()
{
    m_store->loadSlots();
    const QString path = m_store->slotPath(8);
    QSignalSpy edited(m_store.get(), &CustomEqSlotStore::customPresetEdited);
    m_store->scheduleSave(8, m_store->buildSlotJson("Last edit", 8, true), 10000);
    m_store.reset();
    QCOMPARE(readJson(path).value("name").toString(), QStringLiteral("Last edit"));
    QCOMPARE(readJson(path).value("sort").toInt(), 8);
    QCOMPARE(edited.count(), 0);

    // A failed last write says nothing either: its listeners are being torn down.
    m_store = std::make_unique<CustomEqSlotStore>();
    m_store->setEditor(m_editor.get());
    m_store->loadSlots();
    QVERIFY(QFile::remove(m_store->slotPath(3)));
    QVERIFY(QDir().mkdir(m_store->slotPath(3)));
    m_store->scheduleSave(3, m_store->buildSlotJson("Lost", 3, true), 10000);
    QSignalSpy log(m_store.get(), &CustomEqSlotStore::logMessage);
    QSignalSpy failed(m_store.get(), &CustomEqSlotStore::slotSaveFailed);
    m_store.reset();
    QCOMPARE(log.count(), 0);
    QCOMPARE(failed.count(), 0);
}

void TestCustomEqSlotStore::waitingSaveIsWrittenBeforeModeChange()
{
    m_store->loadSlots();
    const QString path = m_store->slotPath(4);
    QSignalSpy edited(m_store.get(), &CustomEqSlotStore::customPresetEdited);
    m_store->scheduleSave(4, m_store->buildSlotJson("Standard edit", 4, true), 10000);
    m_store->setQorMode(true);
    QVERIFY(!m_store->hasPendingSave());
    QCOMPARE(readJson(path).value("name").toString(), QStringLiteral("Standard edit"));
    QCOMPARE(readJson(path).value("freq").toArray().size(), 10);
    QCOMPARE(edited.count(), 0);
    QVERIFY(jsonFiles(folder(true)).isEmpty());
}

void TestCustomEqSlotStore::loadSlotIntoEditor()
{
    const QJsonObject bass = standardSlot(1, "Bass");
    QVERIFY(writeJson(QDir(folder()).filePath("slot1.json"), bass));
    m_store->loadSlots();
    QCOMPARE(m_editor->setBandsCalls, 0);

    m_store->loadSlotIntoEditor(1);
    QCOMPARE(m_editor->setBandsCalls, 1);
    QCOMPARE(m_editor->maximumBandCount(), 10);
    QCOMPARE(m_editor->bandPoint(9), QPointF(500, 2));
    QCOMPARE(m_editor->bandQ(9), 1.0);
    QVERIFY(!m_store->isLoading());

    const int resets = m_editor->resetCalls;
    m_store->loadSlotIntoEditor(10);
    m_store->loadSlotIntoEditor(-1);
    QCOMPARE(m_editor->setBandsCalls, 1);
    QCOMPARE(m_editor->resetCalls, resets);
}

void TestCustomEqSlotStore::brokenSlotFileIsNotShownAsAnotherSlot()
{
    const QDir dir(folder());
    QVERIFY(writeJson(dir.filePath("slot2.json"), standardSlot(2, QString())));
    QVERIFY(writeJson(dir.filePath("slot4.json"), QJsonObject{{"sort", 4}, {"freq", repeat(100, 2)}}));
    m_store->loadSlots();
    m_store->loadSlotIntoEditor(2);
    QCOMPARE(m_editor->bandPoint(0), QPointF(500, 2));

    // Slot 4's content cannot be shown: the editor shows the default curve,
    // not slot 2's, so that an edit there does not carry slot 2's curve.
    m_store->loadSlotIntoEditor(4);
    QCOMPARE(m_editor->bandPoint(0), QPointF(2900, 3));

    // Its file broke after loading: the same, and the log says so.
    m_store->loadSlotIntoEditor(2);
    QVERIFY(writeBytes(m_store->slotPath(4), "{"));
    QSignalSpy log(m_store.get(), &CustomEqSlotStore::logMessage);
    m_store->loadSlotIntoEditor(4);
    QCOMPARE(m_editor->bandPoint(0), QPointF(2900, 3));
    QCOMPARE(log.count(), 1);
    QVERIFY(log.at(0).at(0).toString().startsWith("[EQ][Slots] slot 4: "));
    QCOMPARE(readBytes(m_store->slotPath(4)), QByteArray("{"));
}

void TestCustomEqSlotStore::selectionNamesCustomSlot_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("slot");
    QTest::newRow("custom 3") << int(EQActiveProfileCoordinator::Custom) << " 3 " << 3;
    QTest::newRow("custom 0") << int(EQActiveProfileCoordinator::Custom) << "0" << 0;
    QTest::newRow("custom 10") << int(EQActiveProfileCoordinator::Custom) << "10" << -1;
    QTest::newRow("custom x") << int(EQActiveProfileCoordinator::Custom) << "x" << -1;
    QTest::newRow("custom hex") << int(EQActiveProfileCoordinator::Custom) << "0x3" << -1;
    QTest::newRow("official") << int(EQActiveProfileCoordinator::OfficialBasic) << "3" << -1;
}

void TestCustomEqSlotStore::selectionNamesCustomSlot()
{
    QFETCH(int, source);
    QFETCH(QString, id);
    QFETCH(int, slot);
    QCOMPARE(CustomEqSlotStore::slotIndexForSelection(EQActiveProfileCoordinator::Source(source), id), slot);
}

QTEST_GUILESS_MAIN(TestCustomEqSlotStore)
#include "tst_customeqslotstore.moc"
