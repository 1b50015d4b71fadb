// Export and import of a custom slot through the file dialogs, as the page runs them.
#include "eq/CustomEqSlotStore.h"
#include "eq/EQSlotFileActions.h"
#include "tests/eq/EqJsonFixtures.h"
#include "tests/eq/EqTestEnvironment.h"
#include "tests/eq/FakeCurveEditor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>

#include <memory>

using namespace EqJson;

namespace {

struct Toast
{
    QString text;
    int kind;
    int durationMs;
};

struct DialogCall
{
    QString caption;
    QString start;
    QString filter;
};

QJsonObject eqFile(int bands, const QString &name = QString())
{
    QJsonObject o{{"freq", repeat("800", bands)},
                  {"q", repeat(1.2, bands)},
                  {"sound", repeat("4", bands)},
                  {"type", repeat("0x4", bands)}};
    if (!name.isNull())
        o.insert("name", name);
    return o;
}

} // namespace

class TestEqSlotFileActions : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void actionsNeedASelectedSlot();
    void exportWritesEditorCurve_data();
    void exportWritesEditorCurve();
    void exportCancelledOrFailed();
    void importReplacesSlot();
    void importedCurveIsStoredAsEditorHoldsIt();
    void importRefusedBeforeAnythingChanges_data();
    void importRefusedBeforeAnythingChanges();
    void importShownButNotStored();
    void importIntoQorSlot();
    void importStopsWhenModelChangesDuringDialog();
    void englishTexts();

private:
    EQSlotFileActions actions();
    QString writeImportFile(const QString &name, const QByteArray &content);

    std::unique_ptr<EqTestEnvironment> m_env;
    std::unique_ptr<FakeCurveEditor> m_editor;
    std::unique_ptr<CustomEqSlotStore> m_store;
    QList<Toast> m_toasts;
    QList<DialogCall> m_dialogs;
    QString m_chosen;
};

void TestEqSlotFileActions::init()
{
    m_env = std::make_unique<EqTestEnvironment>();
    m_editor = std::make_unique<FakeCurveEditor>();
    m_store = std::make_unique<CustomEqSlotStore>();
    m_store->setEditor(m_editor.get());
    m_store->loadSlots();
    m_toasts.clear();
    m_dialogs.clear();
    m_chosen.clear();
}

void TestEqSlotFileActions::cleanup()
{
    m_store.reset();
    m_editor.reset();
    m_env.reset();
}

EQSlotFileActions TestEqSlotFileActions::actions()
{
    EQSlotFileActions a(nullptr, m_store.get(), [this](const QString &text, int kind, int ms) {
        m_toasts.append({text, kind, ms});
    });
    const auto chooser = [this](QWidget *, const QString &caption, const QString &start, const QString &filter) {
        m_dialogs.append({caption, start, filter});
        return m_chosen;
    };
    a.setFileChoosers(chooser, chooser);
    return a;
}

QString TestEqSlotFileActions::writeImportFile(const QString &name, const QByteArray &content)
{
    const QString path = QDir(m_env->home()).filePath(name);
    writeBytes(path, content);
    return path;
}

void TestEqSlotFileActions::actionsNeedASelectedSlot()
{
    EQSlotFileActions a = actions();
    m_chosen = QDir(m_env->home()).filePath("x.json");
    a.exportSlot(-1, "Bass");
    QCOMPARE(a.importSlot(-1), std::nullopt);
    QCOMPARE(m_dialogs.size(), 0);
    QCOMPARE(m_toasts.size(), 2);
    for (const Toast &t : m_toasts) {
        QCOMPARE(t.text, QStringLiteral("请先选择一个自定义按钮"));
        QCOMPARE(t.kind, 0);
        QCOMPARE(t.durationMs, 1000);
    }

    // Without an editor nothing happens and nothing is said.
    m_toasts.clear();
    m_store->setEditor(nullptr);
    a.exportSlot(0, "Bass");
    QCOMPARE(a.importSlot(0), std::nullopt);
    m_store->setEditor(m_editor.get());
    QCOMPARE(a.importSlot(10), std::nullopt);
    QCOMPARE(m_dialogs.size(), 0);
    QCOMPARE(m_toasts.size(), 0);
}

void TestEqSlotFileActions::exportWritesEditorCurve_data()
{
    QTest::addColumn<QString>("buttonText");
    QTest::addColumn<QString>("name");
    QTest::newRow("own name") << " Bass " << "Bass";
    QTest::newRow("default name") << "自定义3" << "自定义3";
    QTest::newRow("no text") << "  " << "EQPreset";
}

void TestEqSlotFileActions::exportWritesEditorCurve()
{
    QFETCH(QString, buttonText);
    QFETCH(QString, name);
    m_editor->setBand(0, FakeCurveEditor::Band{62.4, 1.5, 2.0, "High Pass"});
    EQSlotFileActions a = actions();
    m_chosen = QDir(m_env->home()).filePath("out.json");
    a.exportSlot(2, buttonText);

    QCOMPARE(m_dialogs.size(), 1);
    QCOMPARE(m_dialogs.at(0).caption, QStringLiteral("导出EQ"));
    QCOMPARE(m_dialogs.at(0).start, QDir(EQSlotFileActions::startFolder()).filePath(name + ".json"));
    QCOMPARE(m_dialogs.at(0).filter, QStringLiteral("EQ JSON (*.json)"));

    const QJsonObject file = readJson(m_chosen);
    QCOMPARE(file.value("name").toString(), name);
    QVERIFY(!file.contains("sort"));
    QCOMPARE(file.value("main_gain").toInt(-1), 0);
    for (const char *key : {"freq", "q", "sound", "type"})
        QCOMPARE(file.value(key).toArray().size(), 10);
    QCOMPARE(file.value("freq").toArray().at(0).toString(), QStringLiteral("62"));
    QCOMPARE(file.value("type").toArray().at(0).toString(), QStringLiteral("3"));
    QCOMPARE(m_toasts.size(), 1);
    QCOMPARE(m_toasts.at(0).text, QStringLiteral("已导出"));
    QCOMPARE(m_toasts.at(0).kind, 1);

    // What was exported imports into another slot of the same mode.
    m_toasts.clear();
    QVERIFY(a.importSlot(7).has_value());
    QCOMPARE(m_toasts.at(0).kind, 1);
    QCOMPARE(m_store->slotJson(7).value("freq").toArray().at(0).toString(), QStringLiteral("62"));
}

void TestEqSlotFileActions::exportCancelledOrFailed()
{
    EQSlotFileActions a = actions();
    a.exportSlot(0, "Bass"); // the dialog answers with no file
    QCOMPARE(m_dialogs.size(), 1);
    QCOMPARE(m_toasts.size(), 0);

    // A target that cannot be written is reported, and an earlier file there survives.
    m_chosen = QDir(m_env->home()).filePath("folder.json");
    QVERIFY(QDir().mkdir(m_chosen));
    a.exportSlot(0, "Bass");
    QCOMPARE(m_toasts.size(), 1);
    QCOMPARE(m_toasts.at(0).text, QStringLiteral("导出失败：无法写入文件"));
    QCOMPARE(m_toasts.at(0).kind, 2);
    QVERIFY(QFileInfo(m_chosen).isDir());
}

void TestEqSlotFileActions::importReplacesSlot()
{
    // Another program changed the slot file's "sort" since it was loaded: the
    // import still belongs to the slot it was made into, in memory and on disk,
    // so that slot 5 is never sent to the headset as slot 7.
    QJsonObject current = readJson(m_store->slotPath(5));
    current.insert("sort", "7");
    QVERIFY(writeBytes(m_store->slotPath(5), QJsonDocument(current).toJson()));

    m_chosen = writeImportFile("Warm.json", QJsonDocument(eqFile(10)).toJson());
    m_store->scheduleSave(5, m_store->buildSlotJson("Pending", 5, true), 10000);
    QSignalSpy imported(m_store.get(), &CustomEqSlotStore::customPresetImported);
    QSignalSpy edited(m_store.get(), &CustomEqSlotStore::customPresetEdited);
    EQSlotFileActions a = actions();

    QCOMPARE(a.importSlot(5), std::optional<QString>("Warm"));
    QCOMPARE(m_dialogs.at(0).caption, QStringLiteral("导入EQ"));
    QCOMPARE(m_dialogs.at(0).start, EQSlotFileActions::startFolder());
    QVERIFY(!m_store->hasPendingSave());
    QCOMPARE(imported.count(), 1);
    QCOMPARE(imported.at(0).at(0).toInt(), 5);
    QCOMPARE(edited.count(), 0);
    QCOMPARE(m_toasts.size(), 1);
    QCOMPARE(m_toasts.at(0).text, QStringLiteral("已导入并更新当前自定义槽位"));
    QCOMPARE(m_toasts.at(0).kind, 1);

    const QJsonObject stored = readJson(m_store->slotPath(5));
    QCOMPARE(stored.value("name").toString(), QStringLiteral("Warm"));
    QCOMPARE(stored.value("sort").toInt(-1), 5);
    QCOMPARE(stored.value("type").toArray(), repeat("4", 10)); // "0x4": Low Shelf
    QCOMPARE(stored.value("freq").toArray(), repeat("800", 10));
    QCOMPARE(m_store->slotJson(5), stored);
    QVERIFY(m_store->slotBands(5).loaded);
    QCOMPARE(m_editor->bandPoint(9), QPointF(800, 4));
    QCOMPARE(m_store->slotDisplayName(5), QStringLiteral("Warm"));
}

void TestEqSlotFileActions::importedCurveIsStoredAsEditorHoldsIt()
{
    QJsonObject file = eqFile(10, "EQPreset");
    QJsonArray freq = file.value("freq").toArray();
    freq[0] = 50000;
    file.insert("freq", freq);
    QJsonArray gain = file.value("sound").toArray();
    gain[1] = "12";
    file.insert("sound", gain);
    m_chosen = writeImportFile("x.json", QJsonDocument(file).toJson());

    EQSlotFileActions a = actions();
    QCOMPARE(a.importSlot(5), std::optional<QString>("自定义6"));
    const QJsonObject stored = readJson(m_store->slotPath(5));
    QVERIFY(!stored.contains("name"));
    QCOMPARE(stored.value("freq").toArray().at(0).toString(), QStringLiteral("20000"));
    QCOMPARE(stored.value("sound").toArray().at(1).toString(), QStringLiteral("8"));
}

void TestEqSlotFileActions::importRefusedBeforeAnythingChanges_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");

    QJsonObject badQ = eqFile(10);
    QJsonArray q = badQ.value("q").toArray();
    q[3] = "abc";
    badQ.insert("q", q);
    QTest::newRow("broken") << QByteArray("{") << "导入失败：JSON 格式错误";
    QTest::newRow("no arrays") << QByteArray("{}") << "导入失败：EQ JSON 缺少必要字段或字段类型非法";
    QTest::newRow("qor file") << QJsonDocument(eqFile(5)).toJson() << "导入失败：自定义 EQ 要求 freq、q、sound、type 各恰好 10 项";
    QTest::newRow("bad q") << QJsonDocument(badQ).toJson() << "导入失败：Q 数值非法";
}

void TestEqSlotFileActions::importRefusedBeforeAnythingChanges()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    m_chosen = writeImportFile("bad.json", content);
    QFile slotFile(m_store->slotPath(4));
    QVERIFY(slotFile.open(QIODevice::ReadOnly));
    const QByteArray before = slotFile.readAll();
    slotFile.close();
    const int setBands = m_editor->setBandsCalls;

    QSignalSpy imported(m_store.get(), &CustomEqSlotStore::customPresetImported);
    EQSlotFileActions a = actions();
    QCOMPARE(a.importSlot(4), std::nullopt);
    QCOMPARE(m_toasts.size(), 1);
    QCOMPARE(m_toasts.at(0).text, message);
    QCOMPARE(m_toasts.at(0).kind, 2);
    QCOMPARE(imported.count(), 0);
    QCOMPARE(m_editor->setBandsCalls, setBands);
    QVERIFY(slotFile.open(QIODevice::ReadOnly));
    QCOMPARE(slotFile.readAll(), before);

    m_toasts.clear();
    QFile::remove(m_chosen);
    QCOMPARE(a.importSlot(4), std::nullopt);
    QCOMPARE(m_toasts.at(0).text, QStringLiteral("导入失败：无法读取文件"));
}

void TestEqSlotFileActions::importShownButNotStored()
{
    m_chosen = writeImportFile("Mid.json", QJsonDocument(eqFile(10)).toJson());
    EQSlotFileActions a = actions();
    QSignalSpy imported(m_store.get(), &CustomEqSlotStore::customPresetImported);

    // Slot 3 could not get a file at load.
    QVERIFY(QFile::remove(m_store->slotPath(3)));
    QVERIFY(QDir().mkdir(QDir(m_store->customEqDirPath()).filePath("slot3.json")));
    m_store->loadSlots();
    QCOMPARE(a.importSlot(3), std::optional<QString>("Mid"));
    QCOMPARE(m_toasts.last().text, QStringLiteral("已导入到曲线，但当前槽位 CustomEQ 路径为空"));
    QCOMPARE(m_toasts.last().kind, 2);
    QCOMPARE(m_editor->bandPoint(0), QPointF(800, 4));
    QVERIFY(!m_store->customPresetJson(3, nullptr));

    // Slot 6's file cannot be replaced: the slot keeps its content.
    const QJsonObject before = m_store->slotJson(6);
    QVERIFY(QFile::remove(m_store->slotPath(6)));
    QVERIFY(QDir().mkdir(m_store->slotPath(6)));
    QCOMPARE(a.importSlot(6), std::optional<QString>("Mid"));
    QCOMPARE(m_toasts.last().text, QStringLiteral("已导入到曲线，但更新 CustomEQ 槽位失败"));
    QCOMPARE(m_store->slotJson(6), before);
    QCOMPARE(imported.count(), 0);
}

void TestEqSlotFileActions::importIntoQorSlot()
{
    m_editor->setCustomMode(true);
    m_editor->setBandCount(8);
    m_store->setQorMode(true);
    m_store->loadSlots();
    EQSlotFileActions a = actions();

    m_chosen = writeImportFile("ten.json", QJsonDocument(eqFile(10)).toJson());
    QCOMPARE(a.importSlot(0), std::nullopt);
    QCOMPARE(m_toasts.last().text,
             QStringLiteral("导入失败：QOR 自定义 EQ 要求 freq、q、sound、type 等长且 1～8 项"));

    m_chosen = writeImportFile("three.json", QJsonDocument(eqFile(3, "Three")).toJson());
    QCOMPARE(a.importSlot(0), std::optional<QString>("Three"));
    QCOMPARE(m_editor->maximumBandCount(), 3);
    const QJsonObject stored = readJson(m_store->slotPath(0));
    QCOMPARE(stored.value("freq").toArray().size(), 3);
    // "0x4" is the standard Low Shelf, Qor code 1.
    QCOMPARE(stored.value("type").toArray(), repeat("1", 3));
    QVERIFY(m_store->customEqDirPath().endsWith("/CustomEQ_QOR"));
}

void TestEqSlotFileActions::importStopsWhenModelChangesDuringDialog()
{
    // A file the Qor slots would take; the user starts the import on a standard headset.
    m_chosen = writeImportFile("three.json", QJsonDocument(eqFile(3, "Three")).toJson());
    EQSlotFileActions a = actions();
    QByteArray qorSlotBefore;
    const auto switchingChooser = [&](QWidget *, const QString &, const QString &, const QString &) {
        // The headset becomes a Qor model while the dialog is open.
        m_editor->setCustomMode(true);
        m_editor->setBandCount(8);
        m_store->setQorMode(true);
        m_store->loadSlots();
        qorSlotBefore = readBytes(m_store->slotPath(5));
        return m_chosen;
    };
    a.setFileChoosers(switchingChooser, switchingChooser);
    QSignalSpy imported(m_store.get(), &CustomEqSlotStore::customPresetImported);

    QCOMPARE(a.importSlot(5), std::nullopt);
    QCOMPARE(imported.count(), 0);
    QVERIFY(!qorSlotBefore.isEmpty());
    QCOMPARE(readBytes(m_store->slotPath(5)), qorSlotBefore);
    QVERIFY(!m_store->slotJson(5).contains("name"));
}

void TestEqSlotFileActions::englishTexts()
{
    QTranslator english;
    QVERIFY(english.load(":/i18n/VELKORA_en_US.qm"));
    QCoreApplication::installTranslator(&english);
    EQSlotFileActions a = actions();
    m_chosen = QDir(m_env->home()).filePath("out.json");
    a.exportSlot(0, "Bass");
    a.exportSlot(-1, "Bass");
    m_chosen = writeImportFile("bad.json", "{}");
    a.importSlot(1);
    QCoreApplication::removeTranslator(&english);

    QCOMPARE(m_dialogs.at(0).caption, QStringLiteral("Export EQ"));
    QCOMPARE(m_toasts.at(0).text, QStringLiteral("Exported Successfully"));
    QCOMPARE(m_toasts.at(1).text, QStringLiteral("Please select a custom button"));
    QCOMPARE(m_dialogs.at(1).caption, QStringLiteral("Import EQ"));
    QCOMPARE(m_toasts.at(2).text, QStringLiteral("Import failed: Missing fields or invalid data types"));
}

QTEST_GUILESS_MAIN(TestEqSlotFileActions)
#include "tst_eqslotfileactions.moc"
