// The custom EQ page: slot selection and loading, following the active
// selection, edits and their saves, rename and reset, toasts, the Qor switch,
// language, export and import through the page.
#include "widgets/CustomClickableLabel.h"
#include "widgets/GradientButton.h"
#include "widgets/WindowBlurBackdrop.h"
#include "eq/CustomEqSlotStore.h"
#include "eq/EQActiveProfileCoordinator.h"
#include "eq/EQCurveEditor.h"
#include "eq/EQCustomContent.h"
#include "eq/EQSlotFileActions.h"
#include "eq/PageToast.h"
#include "tests/eq/EqJsonFixtures.h"
#include "tests/eq/EqTestEnvironment.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGraphicsBlurEffect>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <functional>
#include <memory>

using namespace EqJson;
using Source = EQActiveProfileCoordinator::Source;

namespace {

// A standard slot whose band 0 is (freq Hz, gain dB) and whose other bands are the defaults' frequencies.
QJsonObject standardSlot(int sort, double freq, double gain, const QString &name = QString())
{
    QJsonArray freqs{QString::number(freq), "5328", "40", "100", "9000", "20", "200", "250", "140", "270"};
    QJsonObject o{{"sort", sort},
                  {"freq", freqs},
                  {"q", repeat("1.50", 10)},
                  {"sound", QJsonArray{QString::number(gain), "0", "0", "0", "0", "0", "0", "0", "0", "0"}},
                  {"type", repeat("1", 10)},
                  {"main_gain", 0}};
    if (!name.isEmpty())
        o.insert("name", name);
    return o;
}

// Runs `fn` on the modal dialog once its event loop runs.
void whenModalOpens(QObject *context, std::function<void(QWidget *)> fn)
{
    QTimer::singleShot(0, context, [fn] { fn(QApplication::activeModalWidget()); });
}

template <typename T>
T *child(QWidget *dialog, const char *name)
{
    return dialog ? dialog->findChild<T *>(QLatin1String(name)) : nullptr;
}

QStringList coordinatorIds(const QSignalSpy &spy)
{
    QStringList out;
    for (const QList<QVariant> &args : spy)
        out.append(args.at(1).toString());
    return out;
}

} // namespace

class TestEqCustomContent : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstShowCreatesTheSlots();
    void clickLoadsTheSlotShortlyAfter();
    void quickClicksLoadOnlyTheLast();
    void clickOnSelectedSlotKeepsIt();
    void followsTheActiveSelection_data();
    void followsTheActiveSelection();
    void editsAreSavedOnceAfterTheLast();
    void editBeforeTheSlotIsShownIsNotSaved();
    void editOfAnotherSlotIsWrittenFirst();
    void showingAgainKeepsAWaitingEdit();
    void failedSaveIsReported();
    void renameNeedsAName();
    void renameToADefaultNameStoresNone();
    void editRightAfterRenameKeepsTheName();
    void resetSavesTheDefaultCurve();
    void resetRightAfterAClickGoesToTheNewSlot();
    void cancelledResetShowsTheSelectedSlot();
    void actionsNeedASelectedSlot_data();
    void actionsNeedASelectedSlot();
    void dialogsBlurTheWindow();
    void toastRepeatsAndDuration();
    void qorModeSwitchesSlotSet();
    void languageChange();
    void importThroughThePage();
    void customPresetJsonBounds();

private:
    QString folder(bool qor = false) const;
    void showPage();
    void selectAndWait(int index);
    QJsonObject fileOf(int index, bool qor = false) const { return readJson(QDir(folder(qor)).filePath(QString("slot%1.json").arg(index))); }

    std::unique_ptr<EqTestEnvironment> m_env;
    std::unique_ptr<EQActiveProfileCoordinator> m_coordinator;
    std::unique_ptr<EQCustomContent> m_page;
};

void TestEqCustomContent::init()
{
    m_env = std::make_unique<EqTestEnvironment>();
    QVERIFY(m_env->isValid());
    m_coordinator = std::make_unique<EQActiveProfileCoordinator>();
    m_page = std::make_unique<EQCustomContent>();
    m_page->setTimings({25, 120});
    m_page->resize(1200, 720);
}

void TestEqCustomContent::cleanup()
{
    m_page.reset();
    m_coordinator.reset();
    m_env.reset();
}

QString TestEqCustomContent::folder(bool qor) const
{
    return QDir(m_env->appDataPath()).filePath(qor ? "CustomEQ_QOR" : "CustomEQ");
}

void TestEqCustomContent::showPage()
{
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
}

void TestEqCustomContent::selectAndWait(int index)
{
    m_page->slotButton(index)->click();
    QCOMPARE(m_page->selectedIndex(), index);
    QTRY_COMPARE(m_page->pendingLoadIndex(), -1);
}

void TestEqCustomContent::firstShowCreatesTheSlots()
{
    showPage();
    for (int i = 0; i < 10; ++i) {
        const QJsonObject slot = fileOf(i);
        QCOMPARE(slot.value("sort").toInt(-1), i);
        QVERIFY(!slot.contains("name"));
        QCOMPARE(slot.value("freq").toArray().size(), 10);
        QCOMPARE(m_page->slotButton(i)->text(), QStringLiteral("自定义%1").arg(i + 1));
        QVERIFY(!m_page->slotButton(i)->isChecked());
    }
    QCOMPARE(m_page->selectedIndex(), -1);
    QCOMPARE(m_page->curveEditor()->maximumBandCount(), 10);
}

void TestEqCustomContent::clickLoadsTheSlotShortlyAfter()
{
    QDir().mkpath(folder());
    QVERIFY(writeJson(QDir(folder()).filePath("slot3.json"), standardSlot(3, 1234, 4.5, "Bass")));
    m_page->setActiveProfileCoordinator(m_coordinator.get());
    showPage();
    QCOMPARE(m_page->slotButton(3)->text(), QStringLiteral("Bass"));
    QSignalSpy told(m_coordinator.get(), &EQActiveProfileCoordinator::activeSelectionChanged);

    m_page->slotButton(3)->click();
    // Not inside the click: the slot is shown on the next turns of the loop.
    QCOMPARE(m_page->pendingLoadIndex(), 3);
    QVERIFY(m_page->curveEditor()->bandPoint(0) != QPointF(1234, 4.5));
    QTRY_COMPARE(m_page->curveEditor()->bandPoint(0), QPointF(1234, 4.5));
    QVERIFY(m_page->slotButton(3)->isChecked());
    QCOMPARE(coordinatorIds(told), QStringList{"3"});
    QCOMPARE(m_coordinator->activeSource(), EQActiveProfileCoordinator::Custom);
}

void TestEqCustomContent::quickClicksLoadOnlyTheLast()
{
    QDir().mkpath(folder());
    QVERIFY(writeJson(QDir(folder()).filePath("slot7.json"), standardSlot(7, 777, -3)));
    m_page->setActiveProfileCoordinator(m_coordinator.get());
    showPage();
    QSignalSpy told(m_coordinator.get(), &EQActiveProfileCoordinator::activeSelectionChanged);
    for (int index : {1, 4, 7})
        m_page->slotButton(index)->click();
    QCOMPARE(coordinatorIds(told), (QStringList{"1", "4", "7"}));
    QCOMPARE(m_page->pendingLoadIndex(), 7);
    QTRY_COMPARE(m_page->pendingLoadIndex(), -1);
    QCOMPARE(m_page->curveEditor()->bandPoint(0), QPointF(777, -3));
    for (int i = 0; i < 10; ++i)
        QCOMPARE(m_page->slotButton(i)->isChecked(), i == 7);
}

void TestEqCustomContent::clickOnSelectedSlotKeepsIt()
{
    m_page->setActiveProfileCoordinator(m_coordinator.get());
    showPage();
    selectAndWait(2);
    QSignalSpy told(m_coordinator.get(), &EQActiveProfileCoordinator::activeSelectionChanged);
    QTest::mouseClick(m_page->slotButton(2), Qt::LeftButton);
    QVERIFY(m_page->slotButton(2)->isChecked());
    QCOMPARE(m_page->selectedIndex(), 2);
    QCOMPARE(m_page->pendingLoadIndex(), -1);
    QCOMPARE(told.size(), 0);
}

void TestEqCustomContent::followsTheActiveSelection_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("selected");
    QTest::newRow("custom slot with blanks") << int(EQActiveProfileCoordinator::Custom) << " 3 " << 3;
    QTest::newRow("custom, not a number") << int(EQActiveProfileCoordinator::Custom) << "x" << -1;
    QTest::newRow("custom, out of range") << int(EQActiveProfileCoordinator::Custom) << "10" << -1;
    QTest::newRow("official preset") << int(EQActiveProfileCoordinator::OfficialBasic) << "3" << -1;
    QTest::newRow("cloud download") << int(EQActiveProfileCoordinator::CloudDownload) << "3" << -1;
}

void TestEqCustomContent::followsTheActiveSelection()
{
    QFETCH(int, source);
    QFETCH(QString, id);
    QFETCH(int, selected);
    m_page->setActiveProfileCoordinator(m_coordinator.get());
    showPage();
    selectAndWait(5);
    QSignalSpy told(m_coordinator.get(), &EQActiveProfileCoordinator::activeSelectionChanged);
    m_coordinator->setActiveSelection(static_cast<Source>(source), id);
    QCOMPARE(told.size(), 1); // the page does not echo it back
    QCOMPARE(m_page->selectedIndex(), selected);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(m_page->slotButton(i)->isChecked(), i == selected);
}

void TestEqCustomContent::editsAreSavedOnceAfterTheLast()
{
    showPage();
    selectAndWait(4);
    QSignalSpy edited(m_page.get(), &EQCustomContent::customPresetEdited);
    EQCurveEditor *editor = m_page->curveEditor();
    editor->onRemovePoint(0);
    editor->onRemovePoint(0);
    QVERIFY(m_page->slotStore()->hasPendingSave());
    const QJsonObject expected = m_page->slotStore()->buildSlotJson(QString(), 4, true);
    QVERIFY(edited.wait(3000));
    QCOMPARE(edited.size(), 1);
    QCOMPARE(edited.at(0).at(0).toInt(), 4);
    QVERIFY(!m_page->slotStore()->hasPendingSave());
    QCOMPARE(fileOf(4), expected);
    QJsonObject inMemory;
    QVERIFY(m_page->customPresetJson(4, inMemory));
    QCOMPARE(inMemory, expected);
}

void TestEqCustomContent::editBeforeTheSlotIsShownIsNotSaved()
{
    showPage();
    selectAndWait(1);
    m_page->curveEditor()->onRemovePoint(0);
    QSignalSpy edited(m_page.get(), &EQCustomContent::customPresetEdited);
    QVERIFY(edited.wait(3000)); // slot 1's edit
    const QJsonObject slot6 = fileOf(6);

    m_page->slotButton(6)->click();
    m_page->curveEditor()->onRemovePoint(0); // the editor still shows slot 1
    QVERIFY(!m_page->slotStore()->hasPendingSave());
    QTRY_COMPARE(m_page->pendingLoadIndex(), -1);
    QCOMPARE(fileOf(6), slot6);
    QCOMPARE(edited.size(), 1);
}

void TestEqCustomContent::editOfAnotherSlotIsWrittenFirst()
{
    showPage();
    selectAndWait(1);
    m_page->curveEditor()->onRemovePoint(0);
    const QJsonObject slot1Edit = m_page->slotStore()->buildSlotJson(QString(), 1, true);
    selectAndWait(2);
    QSignalSpy edited(m_page.get(), &EQCustomContent::customPresetEdited);
    m_page->curveEditor()->resetToDefault();
    // Slot 1's waiting edit is written at once instead of being replaced by slot 2's.
    QCOMPARE(edited.size(), 1);
    QCOMPARE(edited.at(0).at(0).toInt(), 1);
    QCOMPARE(fileOf(1), slot1Edit);
    QVERIFY(edited.wait(3000));
    QCOMPARE(edited.at(1).at(0).toInt(), 2);
}

void TestEqCustomContent::showingAgainKeepsAWaitingEdit()
{
    showPage();
    selectAndWait(8);
    m_page->curveEditor()->onRemovePoint(3);
    const QJsonObject expected = m_page->slotStore()->buildSlotJson(QString(), 8, true);
    QSignalSpy edited(m_page.get(), &EQCustomContent::customPresetEdited);
    m_page->hide();
    m_page->show();
    QCOMPARE(edited.size(), 1);
    QCOMPARE(fileOf(8), expected);
    QVERIFY(!m_page->slotStore()->hasPendingSave());
}

void TestEqCustomContent::failedSaveIsReported()
{
    showPage();
    selectAndWait(0);
    // The slot's file turns into a folder: it cannot be replaced.
    const QString path = m_page->slotStore()->slotPath(0);
    QVERIFY(QFile::remove(path));
    QVERIFY(QDir().mkpath(path));
    QSignalSpy edited(m_page.get(), &EQCustomContent::customPresetEdited);
    QSignalSpy failed(m_page->slotStore(), &CustomEqSlotStore::slotSaveFailed);
    m_page->curveEditor()->onRemovePoint(0);
    QVERIFY(failed.wait(3000));
    QCOMPARE(edited.size(), 0);
    QVERIFY(m_page->toast()->frame()->isVisible());
    QCOMPARE(m_page->toast()->textLabel()->text(), QStringLiteral("保存失败：无法写入自定义EQ文件"));
}

void TestEqCustomContent::renameNeedsAName()
{
    showPage();
    selectAndWait(2);
    m_page->setTimings({25, 60000}); // a rename is written at once, not after the edit delay
    QSignalSpy edited(m_page.get(), &EQCustomContent::customPresetEdited);
    QString initial;
    bool blankRefused = false;
    whenModalOpens(this, [&](QWidget *dialog) {
        auto *edit = child<QLineEdit>(dialog, "renameEdit");
        auto *confirm = child<QPushButton>(dialog, "renameConfirm");
        if (!edit || !confirm) {
            if (dialog)
                dialog->close();
            return;
        }
        initial = edit->text();
        edit->setText("   ");
        confirm->click();
        blankRefused = dialog->isVisible();
        edit->setText("  Bass ");
        QTest::keyClick(edit, Qt::Key_Return);
    });
    m_page->openRenameDialog();
    QCOMPARE(initial, QStringLiteral("自定义3"));
    QVERIFY(blankRefused);
    QCOMPARE(m_page->slotButton(2)->text(), QStringLiteral("Bass"));
    QVERIFY(edited.wait(5000));
    QCOMPARE(fileOf(2).value("name").toString(), QStringLiteral("Bass"));
    QCOMPARE(fileOf(2).value("sort").toInt(-1), 2);
}

void TestEqCustomContent::renameToADefaultNameStoresNone()
{
    showPage();
    selectAndWait(4);
    whenModalOpens(this, [](QWidget *dialog) {
        if (auto *edit = child<QLineEdit>(dialog, "renameEdit"))
            edit->setText("Custom5");
        if (auto *confirm = child<QPushButton>(dialog, "renameConfirm"))
            confirm->click();
    });
    QSignalSpy edited(m_page.get(), &EQCustomContent::customPresetEdited);
    m_page->openRenameDialog();
    QVERIFY(edited.wait(500));
    QVERIFY(!fileOf(4).contains("name"));
}

void TestEqCustomContent::editRightAfterRenameKeepsTheName()
{
    showPage();
    selectAndWait(7);
    whenModalOpens(this, [](QWidget *dialog) {
        if (auto *edit = child<QLineEdit>(dialog, "renameEdit"))
            edit->setText("Treble");
        if (auto *confirm = child<QPushButton>(dialog, "renameConfirm"))
            confirm->click();
    });
    m_page->openRenameDialog();
    // An edit before the rename reached the file replaces the waiting save.
    m_page->curveEditor()->onRemovePoint(0);
    QSignalSpy edited(m_page.get(), &EQCustomContent::customPresetEdited);
    QVERIFY(edited.wait(3000));
    QCOMPARE(fileOf(7).value("name").toString(), QStringLiteral("Treble"));
    QCOMPARE(fileOf(7), m_page->slotStore()->buildSlotJson("Treble", 7, true));
}

void TestEqCustomContent::resetSavesTheDefaultCurve()
{
    QDir().mkpath(folder());
    QVERIFY(writeJson(QDir(folder()).filePath("slot3.json"), standardSlot(3, 1234, 4.5, "Bass")));
    showPage();
    selectAndWait(3);
    QCOMPARE(m_page->curveEditor()->bandPoint(0), QPointF(1234, 4.5));

    whenModalOpens(this, [](QWidget *dialog) {
        if (auto *cancel = child<QPushButton>(dialog, "resetCancel"))
            cancel->click();
    });
    m_page->openResetDialog();
    QCOMPARE(m_page->curveEditor()->bandPoint(0), QPointF(1234, 4.5));
    QVERIFY(!m_page->slotStore()->hasPendingSave());

    whenModalOpens(this, [](QWidget *dialog) {
        QVERIFY(dialog && dialog->height() >= 168 && dialog->height() <= 480);
        if (auto *confirm = child<QPushButton>(dialog, "resetConfirm"))
            confirm->click();
    });
    QSignalSpy edited(m_page.get(), &EQCustomContent::customPresetEdited);
    m_page->openResetDialog();
    QCOMPARE(m_page->curveEditor()->bandPoint(0), EQCurveEditor::defaultBandPoints().at(0));
    QVERIFY(edited.wait(3000));
    QCOMPARE(fileOf(3).value("freq").toArray().at(0).toString(), QStringLiteral("2900"));
    QCOMPARE(fileOf(3).value("name").toString(), QStringLiteral("Bass"));
}

void TestEqCustomContent::resetRightAfterAClickGoesToTheNewSlot()
{
    QDir().mkpath(folder());
    QVERIFY(writeJson(QDir(folder()).filePath("slot6.json"), standardSlot(6, 600, 6)));
    showPage();
    selectAndWait(1);
    m_page->slotButton(6)->click();
    QCOMPARE(m_page->pendingLoadIndex(), 6);
    whenModalOpens(this, [](QWidget *dialog) {
        if (auto *confirm = child<QPushButton>(dialog, "resetConfirm"))
            confirm->click();
    });
    QSignalSpy edited(m_page.get(), &EQCustomContent::customPresetEdited);
    m_page->openResetDialog();
    QCOMPARE(m_page->pendingLoadIndex(), -1);
    QVERIFY(edited.wait(3000));
    QCOMPARE(edited.at(0).at(0).toInt(), 6);
    QCOMPARE(fileOf(6).value("freq").toArray().at(0).toString(), QStringLiteral("2900"));
}

void TestEqCustomContent::cancelledResetShowsTheSelectedSlot()
{
    QDir().mkpath(folder());
    QVERIFY(writeJson(QDir(folder()).filePath("slot6.json"), standardSlot(6, 600, 6)));
    showPage();
    selectAndWait(1);
    m_page->slotButton(6)->click();
    whenModalOpens(this, [](QWidget *dialog) {
        if (auto *cancel = child<QPushButton>(dialog, "resetCancel"))
            cancel->click();
    });
    m_page->openResetDialog();
    // The load the reset held back runs after all.
    QCOMPARE(m_page->curveEditor()->bandPoint(0), QPointF(600, 6));
}

void TestEqCustomContent::actionsNeedASelectedSlot_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("viaText");
    QTest::newRow("rename icon") << int(EQCustomContent::RenameAction) << false;
    QTest::newRow("rename text") << int(EQCustomContent::RenameAction) << true;
    QTest::newRow("export") << int(EQCustomContent::ExportAction) << false;
    QTest::newRow("import text") << int(EQCustomContent::ImportAction) << true;
    QTest::newRow("reset") << int(EQCustomContent::ResetAction) << false;
}

void TestEqCustomContent::actionsNeedASelectedSlot()
{
    QFETCH(int, action);
    QFETCH(bool, viaText);
    showPage();
    const auto which = static_cast<EQCustomContent::Action>(action);
    CustomClickableLabel *label = viaText ? m_page->actionText(which) : m_page->actionIcon(which);
    QTest::mouseClick(label, Qt::LeftButton);
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(m_page->toast()->frame() && m_page->toast()->frame()->isVisible());
    QCOMPARE(m_page->toast()->textLabel()->text(), QStringLiteral("请先选择一个自定义按钮"));
    QCOMPARE(m_page->toast()->hideTimer()->interval(), 1000);
}

void TestEqCustomContent::dialogsBlurTheWindow()
{
    QWidget window;
    m_page->setParent(&window);
    window.resize(1200, 720);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    selectAndWait(0);

    bool covered = false;
    whenModalOpens(this, [&](QWidget *dialog) {
        covered = WindowBlurBackdrop::of(&window) != nullptr;
        if (dialog)
            dialog->close();
    });
    m_page->openRenameDialog();
    QVERIFY(covered);
    QVERIFY(!WindowBlurBackdrop::of(&window));

    // An effect of the window's own stays, and nothing covers it.
    auto *own = new QGraphicsBlurEffect;
    window.setGraphicsEffect(own);
    QGraphicsEffect *during = nullptr;
    covered = true;
    whenModalOpens(this, [&](QWidget *dialog) {
        during = window.graphicsEffect();
        covered = WindowBlurBackdrop::of(&window) != nullptr;
        if (dialog)
            dialog->close();
    });
    m_page->openResetDialog();
    QCOMPARE(during, own);
    QVERIFY(!covered);
    QCOMPARE(window.graphicsEffect(), own);
    m_page->setParent(nullptr);
}

void TestEqCustomContent::toastRepeatsAndDuration()
{
    showPage();
    qint64 now = 1000;
    m_page->toast()->setClock([&now] { return now; });
    m_page->showToast("  ", PageToast::Info, 1000);
    QVERIFY(!m_page->toast()->frame());

    m_page->showToast("saved", PageToast::Success, 5000);
    QFrame *frame = m_page->toast()->frame();
    QVERIFY(frame && frame->isVisible());
    QCOMPARE(frame->size(), QSize(254, 80));
    QCOMPARE(frame->pos(), QPoint((m_page->width() - 254) / 2, (m_page->height() - 80) / 2));
    frame->hide();
    now += 149;
    m_page->showToast(" saved ", PageToast::Success, 5000);
    QVERIFY(!frame->isVisible()); // the same toast again, too soon
    now += 1;
    m_page->showToast("saved", PageToast::Success, 0);
    QVERIFY(frame->isVisible());
    QCOMPARE(m_page->toast()->hideTimer()->interval(), 1);
    QTRY_VERIFY(!frame->isVisible());
    QVERIFY(!m_page->toast()->iconLabel()->pixmap().isNull());
}

void TestEqCustomContent::qorModeSwitchesSlotSet()
{
    showPage();
    selectAndWait(3);
    m_page->curveEditor()->onRemovePoint(0);
    const QJsonObject standardEdit = m_page->slotStore()->buildSlotJson(QString(), 3, true);
    QSignalSpy edited(m_page.get(), &EQCustomContent::customPresetEdited);

    m_page->setQorMode(true);
    // The waiting edit went to the standard slot it was made on.
    QCOMPARE(edited.size(), 1);
    QCOMPARE(fileOf(3), standardEdit);
    QVERIFY(m_page->isQorMode());
    QVERIFY(m_page->curveEditor()->isCustomMode());
    QCOMPARE(m_page->curveEditor()->maximumBandCount(), 8);
    QCOMPARE(m_page->selectedIndex(), -1);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(fileOf(i, true).value("freq").toArray().size(), 8);
    QVERIFY(!m_page->slotStore()->hasPendingSave()); // the mode change is no edit

    m_page->setQorMode(false);
    QVERIFY(!m_page->curveEditor()->isCustomMode());
    QCOMPARE(m_page->curveEditor()->maximumBandCount(), 10);
    QCOMPARE(fileOf(3), standardEdit);
    QCOMPARE(edited.size(), 1);
}

void TestEqCustomContent::languageChange()
{
    QDir().mkpath(folder());
    QVERIFY(writeJson(QDir(folder()).filePath("slot1.json"), standardSlot(1, 100, 1, "Bass")));
    showPage();
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/i18n/VELKORA_en_US.qm")));
    QCoreApplication::installTranslator(&english);
    QTRY_COMPARE(m_page->slotButton(0)->text(), QStringLiteral("Custom1"));
    QCOMPARE(m_page->slotButton(1)->text(), QStringLiteral("Bass"));
    QCOMPARE(m_page->slotButton(9)->text(), QStringLiteral("Custom10"));
    QCOMPARE(m_page->actionText(EQCustomContent::RenameAction)->text(), QStringLiteral("Rename"));
    QCOMPARE(m_page->actionText(EQCustomContent::ResetAction)->text(), QStringLiteral("Reset (Official Default EQ)"));
    QCoreApplication::removeTranslator(&english);
    QTRY_COMPARE(m_page->slotButton(0)->text(), QStringLiteral("自定义1"));
}

void TestEqCustomContent::importThroughThePage()
{
    const QString importFile = QDir(m_env->home()).filePath("Warm.json");
    QVERIFY(writeJson(importFile, with(standardSlot(0, 321, 2), "name", QJsonValue())));
    QString chosen;
    m_page->fileActions()->setFileChoosers(nullptr, [&chosen](QWidget *, const QString &, const QString &,
                                                              const QString &) { return chosen; });
    showPage();
    selectAndWait(5);
    m_page->curveEditor()->onRemovePoint(0);
    const QJsonObject waitingEdit = m_page->slotStore()->buildSlotJson(QString(), 5, true);
    QSignalSpy edited(m_page.get(), &EQCustomContent::customPresetEdited);
    QSignalSpy imported(m_page.get(), &EQCustomContent::customPresetImported);

    // Cancelled: the waiting edit was written first, so nothing is lost.
    m_page->importSlot();
    QCOMPARE(edited.size(), 1);
    QCOMPARE(fileOf(5), waitingEdit);
    QCOMPARE(imported.size(), 0);

    chosen = importFile;
    m_page->importSlot();
    QCOMPARE(imported.size(), 1);
    QCOMPARE(imported.at(0).at(0).toInt(), 5);
    QCOMPARE(m_page->slotButton(5)->text(), QStringLiteral("Warm"));
    QCOMPARE(fileOf(5).value("name").toString(), QStringLiteral("Warm"));
    QCOMPARE(m_page->curveEditor()->bandPoint(0), QPointF(321, 2));
    QCOMPARE(m_page->toast()->textLabel()->text(), QStringLiteral("已导入并更新当前自定义槽位"));
}

void TestEqCustomContent::customPresetJsonBounds()
{
    QDir().mkpath(folder());
    QVERIFY(writeJson(QDir(folder()).filePath("slot3.json"), standardSlot(3, 1234, 4.5, "Bass")));
    m_coordinator->setActiveSelection(EQActiveProfileCoordinator::Custom, "3");
    m_page->setActiveProfileCoordinator(m_coordinator.get());
    QJsonObject out{{"untouched", true}};
    QVERIFY(!m_page->customPresetJson(10, out));
    // The active slot is readable before the page was ever shown.
    QVERIFY(m_page->customPresetJson(3, out));
    QCOMPARE(out.value("name").toString(), QStringLiteral("Bass"));
    QCOMPARE(m_page->selectedIndex(), 3);
    out = QJsonObject{{"untouched", true}};
    showPage();
    QVERIFY(!m_page->customPresetJson(-1, out));
    QVERIFY(!m_page->customPresetJson(10, out));
    QCOMPARE(out, (QJsonObject{{"untouched", true}}));
    QVERIFY(m_page->customPresetJson(9, out));
    QCOMPARE(out.value("sort").toInt(-1), 9);
}

QTEST_MAIN(TestEqCustomContent)
#include "tst_eqcustomcontent.moc"
