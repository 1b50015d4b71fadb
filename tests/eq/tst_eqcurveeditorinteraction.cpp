// Working the curve editor with the mouse: hover previews, pressing and
// dragging points, the edit guard, the floating editor and the context panel.
#include "eq/EQCurveEditor.h"
#include "eq/FloatingPointEditor.h"

#include <QAbstractButton>
#include <QAreaSeries>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QPointer>
#include <QScatterSeries>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QVBoxLayout>

#include <cmath>
#include <memory>

namespace {

struct Rig
{
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    EQCurveEditor *editor = nullptr;

    Rig()
    {
        window->resize(900, 420);
        auto *layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(20, 120, 20, 20);
        editor = new EQCurveEditor(window.get());
        layout->addWidget(editor);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QCoreApplication::processEvents();
    }

    QWidget *viewport() const { return editor->viewport(); }
    QPoint at(int index) const { return editor->pointViewportPos(index); }
    FloatingPointEditor *floating() const { return editor->floatingEditor(); }

    // Loads custom-mode bands (frequency, gain); every band Peaking, Q 1.
    void load(const QList<QPointF> &bands)
    {
        editor->setCustomMode(true);
        editor->setBandCount(int(bands.size()));
        QList<double> f, g;
        for (const QPointF &b : bands) {
            f.append(b.x());
            g.append(b.y());
        }
        editor->setBands(f, QList<double>(bands.size(), 1.0), g, QList<QString>(bands.size(), "Peaking"));
        QCoreApplication::processEvents();
    }

    // The frequency that sits dx pixels right of a band point on the same gain.
    double hzAtOffset(int index, int dx) const
    {
        const QPoint p = at(index) + QPoint(dx, 0);
        const QPointF scene = editor->mapToScene(p);
        const QPointF value = editor->chart()->mapToValue(editor->chart()->mapFromScene(scene),
                                                          editor->pointSeries(index));
        return std::pow(10.0, value.x());
    }
};

void sendMouse(QWidget *target, QEvent::Type type, const QPoint &pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(pos), target->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// Runs fn on the context panel once it is open (inside its modal loop).
void whenMenuOpens(EQCurveEditor *editor, std::function<void(QMenu *)> fn)
{
    QMenu *menu = editor->contextMenu();
    QObject::connect(
        menu, &QMenu::aboutToShow, editor,
        [menu, fn] {
            QTimer::singleShot(0, menu, [menu, fn] {
                fn(menu);
                if (menu->isVisible())
                    menu->close();
            });
        },
        Qt::SingleShotConnection);
}

// What the window system turns a right click into; the panel runs modally inside.
bool rightClick(QWidget *viewport, const QPoint &pos)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, viewport->mapToGlobal(pos));
    QApplication::sendEvent(viewport, &event);
    return event.isAccepted();
}

QAbstractButton *row(QMenu *menu, int index)
{
    const QList<QAbstractButton *> rows = menu->findChildren<QAbstractButton *>();
    return rows.value(index);
}

} // namespace

class TestEqCurveEditorInteraction : public QObject
{
    Q_OBJECT
private slots:
    void hitTestRadius();
    void hitTestTieGoesToLowerIndex();
    void hoverShowsPassivePreview();
    void pressOpensActiveEditorAndBandCurve();
    void guardRefusesDragAndPanel();
    void dragIsClampedToTheLimits_data();
    void dragIsClampedToTheLimits();
    void hoveringAnotherPointEndsEditing();
    void pressInsideActiveEditorKeepsIt();
    void editorInputMovesTheBand();
    void typingIntoTheEditor_data();
    void typingIntoTheEditor();
    void contextResetRestoresDefaultBand();
    void contextDeleteRemovesPoint();
    void removingAnEarlierPointKeepsTheEditedBand();
    void clearSelectionDropsEverything();
    void dragRefillsTheEditorEverySecondMove();
    void panelRowsFollowTheLanguage();
    void editorGoingWhileThePanelIsOpen();
};

void TestEqCurveEditorInteraction::hitTestRadius()
{
    Rig rig;
    rig.load({{1000, 0}});
    const QPoint p = rig.at(0);
    QCOMPARE(rig.editor->pointIndexAt(p), 0);
    QCOMPARE(rig.editor->pointIndexAt(p + QPoint(12, 0)), 0);
    QCOMPARE(rig.editor->pointIndexAt(p + QPoint(-12, 12)), 0);
    QCOMPARE(rig.editor->pointIndexAt(p + QPoint(13, 0)), -1);
    QCOMPARE(rig.editor->pointIndexAt(p + QPoint(0, -13)), -1);
}

void TestEqCurveEditorInteraction::hitTestTieGoesToLowerIndex()
{
    Rig rig;
    rig.load({{1000, 0}, {2000, 0}});
    const double hz = rig.hzAtOffset(0, 4);
    rig.load({{1000, 0}, {hz, 0}});
    QCOMPARE(rig.at(1).x() - rig.at(0).x(), 4);
    const QPoint between = rig.at(0) + QPoint(2, 0);
    QCOMPARE(rig.editor->pointIndexAt(between), 0);
    QCOMPARE(rig.editor->pointIndexAt(between + QPoint(1, 0)), 1);
}

void TestEqCurveEditorInteraction::hoverShowsPassivePreview()
{
    Rig rig;
    QTest::mouseMove(rig.viewport(), rig.at(3));
    QTRY_COMPARE(rig.editor->hoverIndex(), 3);
    QCOMPARE(rig.editor->editIndex(), 3);
    QVERIFY(!rig.editor->isEditing());
    QVERIFY(rig.floating()->isVisible());
    QVERIFY(rig.floating()->isPassive());
    QVERIFY(rig.floating()->testAttribute(Qt::WA_TransparentForMouseEvents));
    QCOMPARE(rig.floating()->parentWidget(), rig.window.get());
    QCOMPARE(rig.floating()->frequencyField()->value(), 100.0);
    QCOMPARE(rig.floating()->gainField()->value(), -3.5);
    QCOMPARE(rig.editor->pointSeries(3)->markerSize(), 12.0);
    QCOMPARE(rig.editor->pointSeries(2)->markerSize(), 8.0);
    QCOMPARE(rig.viewport()->cursor().shape(), Qt::PointingHandCursor);
    // The preview sits centred above the point.
    const QRect r = rig.floating()->geometry();
    const QPoint point = rig.viewport()->mapTo(rig.window.get(), rig.at(3));
    QCOMPARE(r.left() + r.width() / 2, point.x());
    QCOMPARE(point.y() - r.bottom() - 1, 17);

    QTest::mouseMove(rig.viewport(), rig.at(3) + QPoint(0, 40));
    QTRY_COMPARE(rig.editor->hoverIndex(), -1);
    QVERIFY(!rig.floating()->isVisible());
    QCOMPARE(rig.editor->editIndex(), -1);
    QCOMPARE(rig.editor->pointSeries(3)->markerSize(), 8.0);
}

void TestEqCurveEditorInteraction::pressOpensActiveEditorAndBandCurve()
{
    Rig rig;
    QSignalSpy edited(rig.editor, &EQCurveEditor::presetEdited);
    QTest::mousePress(rig.viewport(), Qt::LeftButton, {}, rig.at(6));
    QVERIFY(rig.editor->isEditing());
    QCOMPARE(rig.editor->editIndex(), 6);
    QCOMPARE(rig.editor->dragIndex(), 6);
    QVERIFY(rig.floating()->isVisible());
    QVERIFY(!rig.floating()->isPassive());
    int drawn = 0;
    for (QLineSeries *s : rig.editor->selectedBandSegmentSeries())
        drawn += s->isVisible() ? int(s->count()) : 0;
    QCOMPARE(drawn, 1024);
    QCOMPARE(rig.editor->selectedBandArea()->brush().style(), Qt::LinearGradientPattern);
    QTest::mouseRelease(rig.viewport(), Qt::LeftButton, {}, rig.at(6));
    QCOMPARE(rig.editor->dragIndex(), -1);
    QVERIFY(rig.editor->isEditing());
    QCOMPARE(edited.count(), 0);

    // A press on empty chart area outside the editor ends it all.
    QTest::mouseClick(rig.viewport(), Qt::LeftButton, {}, QPoint(rig.viewport()->width() / 2, rig.viewport()->height() - 5));
    QVERIFY(!rig.editor->isEditing());
    QVERIFY(!rig.floating()->isVisible());
    QCOMPARE(rig.editor->editIndex(), -1);
    for (QLineSeries *s : rig.editor->selectedBandSegmentSeries())
        QVERIFY(!s->isVisible());
}

void TestEqCurveEditorInteraction::guardRefusesDragAndPanel()
{
    Rig rig;
    int asked = 0;
    rig.editor->setEditGuard([&asked] {
        ++asked;
        return false;
    });
    QSignalSpy denied(rig.editor, &EQCurveEditor::pointDragDenied);
    QSignalSpy edited(rig.editor, &EQCurveEditor::presetEdited);
    const QPointF before = rig.editor->bandPoint(0);
    QTest::mousePress(rig.viewport(), Qt::LeftButton, {}, rig.at(0));
    QCOMPARE(denied.count(), 1);
    QCOMPARE(rig.editor->dragIndex(), -1);
    QVERIFY(!rig.editor->isEditing());
    QTest::mouseMove(rig.viewport(), rig.at(0) + QPoint(60, 30));
    QTest::mouseRelease(rig.viewport(), Qt::LeftButton, {}, rig.at(0) + QPoint(60, 30));
    QCOMPARE(rig.editor->bandPoint(0), before);
    QCOMPARE(edited.count(), 0);

    QVERIFY(rightClick(rig.viewport(), rig.at(0)));
    QCOMPARE(denied.count(), 2);
    QVERIFY(!rig.editor->contextMenu()->isVisible());
    QCOMPARE(asked, 2);

    // An empty guard means no guard.
    rig.editor->setEditGuard({});
    QTest::mousePress(rig.viewport(), Qt::LeftButton, {}, rig.at(0));
    QVERIFY(rig.editor->isEditing());
    QCOMPARE(denied.count(), 2);
    QTest::mouseRelease(rig.viewport(), Qt::LeftButton, {}, rig.at(0));
}

void TestEqCurveEditorInteraction::dragIsClampedToTheLimits_data()
{
    QTest::addColumn<bool>("custom");
    QTest::newRow("standard") << false;
    QTest::newRow("custom") << true;
}

void TestEqCurveEditorInteraction::dragIsClampedToTheLimits()
{
    QFETCH(bool, custom);
    Rig rig;
    if (custom)
        rig.load({{1000, 0}, {100, 0}});
    rig.editor->setEditGuard([] { return true; });
    QSignalSpy edited(rig.editor, &EQCurveEditor::presetEdited);
    const int index = custom ? 0 : 5;
    const QPoint start = rig.at(index);
    QTest::mousePress(rig.viewport(), Qt::LeftButton, {}, start);
    const QPoint farRightAbove(rig.viewport()->width() + 200, -300);
    QTest::mouseMove(rig.viewport(), QPoint(start.x() + 30, start.y()));
    QTest::mouseMove(rig.viewport(), farRightAbove);
    QVERIFY(edited.count() >= 2);
    QCOMPARE(rig.editor->bandPoint(index).x(), 20000.0);
    QCOMPARE(rig.editor->bandPoint(index).y(), custom ? 10.0 : 8.0);
    QCOMPARE(rig.viewport()->cursor().shape(), Qt::PointingHandCursor);
    const QPoint farLeftBelow(-300, rig.viewport()->height() + 300);
    QTest::mouseMove(rig.viewport(), farLeftBelow);
    QTest::mouseRelease(rig.viewport(), Qt::LeftButton, {}, farLeftBelow);
    QVERIFY(std::fabs(rig.editor->bandPoint(index).x() - 20.0) < 1e-9);
    QCOMPARE(rig.editor->bandPoint(index).y(), custom ? -10.0 : -8.0);
    QCOMPARE(rig.editor->dragIndex(), -1);
    // After the release the open editor shows where the point ended.
    QCOMPARE(rig.floating()->frequencyField()->value(), 20.0);
    QCOMPARE(rig.floating()->gainField()->value(), custom ? -10.0 : -8.0);
}

void TestEqCurveEditorInteraction::hoveringAnotherPointEndsEditing()
{
    Rig rig;
    QTest::mouseClick(rig.viewport(), Qt::LeftButton, {}, rig.at(0));
    QVERIFY(rig.editor->isEditing());
    QCOMPARE(rig.editor->editIndex(), 0);
    // Point 2 (40 Hz) lies far from point 0 (2900 Hz) and below the editor.
    QTest::mouseMove(rig.viewport(), rig.at(2));
    QTRY_VERIFY(!rig.editor->isEditing());
    QCOMPARE(rig.editor->editIndex(), 2);
    QCOMPARE(rig.editor->hoverIndex(), 2);
    QVERIFY(rig.floating()->isPassive());
    QCOMPARE(rig.floating()->frequencyField()->value(), 40.0);
    QCOMPARE(rig.floating()->gainField()->value(), -2.0);
}

void TestEqCurveEditorInteraction::pressInsideActiveEditorKeepsIt()
{
    Rig rig;
    QTest::mouseClick(rig.viewport(), Qt::LeftButton, {}, rig.at(4));
    QVERIFY(rig.editor->isEditing());
    const QRect editorRect =
        QRect(rig.viewport()->mapFrom(rig.window.get(), rig.floating()->pos()), rig.floating()->size());
    QVERIFY(rig.viewport()->rect().contains(editorRect.center()));
    // The view sees a press there when the editor does not take it itself.
    sendMouse(rig.viewport(), QEvent::MouseButtonPress, editorRect.center(), Qt::LeftButton, Qt::LeftButton);
    sendMouse(rig.viewport(), QEvent::MouseButtonRelease, editorRect.center(), Qt::LeftButton, Qt::NoButton);
    QVERIFY(rig.editor->isEditing());
    QVERIFY(rig.floating()->isVisible());
    QCOMPARE(rig.editor->editIndex(), 4);

    const QPoint outside(editorRect.left() - 30, rig.viewport()->height() - 4);
    sendMouse(rig.viewport(), QEvent::MouseButtonPress, outside, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(!rig.editor->isEditing());
    QVERIFY(!rig.floating()->isVisible());
}

void TestEqCurveEditorInteraction::editorInputMovesTheBand()
{
    Rig rig;
    QTest::mouseClick(rig.viewport(), Qt::LeftButton, {}, rig.at(1));
    QSignalSpy edited(rig.editor, &EQCurveEditor::presetEdited);
    rig.floating()->qField()->setValue(3.3);
    QCOMPARE(edited.count(), 1);
    QCOMPARE(rig.editor->bandQ(1), 3.3);
    rig.floating()->frequencyField()->setValue(700);
    QCOMPARE(edited.count(), 2);
    QVERIFY(std::fabs(rig.editor->bandPoint(1).x() - 700) < 1e-9);
    QCOMPARE(rig.editor->bandPoint(1).y(), -4.0);
    // The editor follows its point.
    const QPoint point = rig.viewport()->mapTo(rig.window.get(), rig.at(1));
    QCOMPARE(rig.floating()->x() + rig.floating()->width() / 2, point.x());
}

void TestEqCurveEditorInteraction::typingIntoTheEditor_data()
{
    QTest::addColumn<QString>("field");  // "freq", "gain" or "q" of point 1: 5328 Hz, -4 dB, Q 1.5
    QTest::addColumn<QString>("typed");  // over the field's whole text
    QTest::addColumn<QString>("finish"); // "enter", "enter twice", "tab", "chart" (a click on it), "none"
    QTest::addColumn<double>("value");   // the band's value afterwards
    QTest::addColumn<int>("edits");      // presetEdited

    QTest::newRow("freq enter") << "freq" << "1000" << "enter" << 1000.0 << 1;
    QTest::newRow("freq enter twice") << "freq" << "1000" << "enter twice" << 1000.0 << 1;
    QTest::newRow("freq tab away") << "freq" << "1000" << "tab" << 1000.0 << 1;
    QTest::newRow("freq click on the chart") << "freq" << "1000" << "chart" << 1000.0 << 1;
    QTest::newRow("freq not finished") << "freq" << "1000" << "none" << 5328.0 << 0;
    QTest::newRow("freq same value") << "freq" << "5328" << "enter" << 5328.0 << 0;
    QTest::newRow("freq letters") << "freq" << "abc" << "enter" << 5328.0 << 0;
    QTest::newRow("freq below range") << "freq" << "5" << "enter" << 5328.0 << 0;
    QTest::newRow("freq above range") << "freq" << "50000" << "enter" << 5000.0 << 1;
    QTest::newRow("gain enter") << "gain" << "-7.5" << "enter" << -7.5 << 1;
    QTest::newRow("gain above range") << "gain" << "9" << "enter" << -4.0 << 0;
    QTest::newRow("gain below range") << "gain" << "-12" << "enter" << -1.0 << 1;
    QTest::newRow("q tab away") << "q" << "3" << "tab" << 3.0 << 1;
    QTest::newRow("q below range") << "q" << "0.05" << "enter" << 1.5 << 0;
}

void TestEqCurveEditorInteraction::typingIntoTheEditor()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, finish);
    QFETCH(double, value);
    QFETCH(int, edits);

    Rig rig;
    QApplication::setActiveWindow(rig.window.get());
    QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
    QTest::mouseClick(rig.viewport(), Qt::LeftButton, {}, rig.at(1));
    QVERIFY(rig.editor->isEditing());
    QDoubleSpinBox *spin = field == "freq" ? rig.floating()->frequencyField()
                           : field == "gain" ? rig.floating()->gainField()
                                             : rig.floating()->qField();
    const auto bandValue = [&] {
        const QPointF point = rig.editor->bandPoint(1);
        return field == "freq" ? point.x() : field == "gain" ? point.y() : rig.editor->bandQ(1);
    };
    QSignalSpy edited(rig.editor, &EQCurveEditor::presetEdited);

    spin->setFocus(Qt::TabFocusReason);
    QVERIFY(spin->hasFocus());
    auto *text = spin->findChild<QLineEdit *>();
    QTRY_COMPARE(text->selectedText(), spin->cleanText());
    QTest::keyClicks(spin, typed);
    if (finish == "enter" || finish == "enter twice")
        QTest::keyClick(spin, Qt::Key_Return);
    if (finish == "enter twice")
        QTest::keyClick(spin, Qt::Key_Return);
    if (finish == "tab") {
        QTest::keyClick(spin, Qt::Key_Tab);
        QVERIFY(!spin->hasFocus());
    }
    if (finish == "chart") {
        QTest::mouseClick(rig.viewport(), Qt::LeftButton, {},
                          QPoint(rig.viewport()->width() / 2, rig.viewport()->height() - 5));
        QVERIFY(!rig.floating()->isVisible());
    }
    QCoreApplication::processEvents();

    QVERIFY2(std::fabs(bandValue() - value) < 1e-9, qPrintable(QString::number(bandValue())));
    QCOMPARE(edited.count(), edits);
}

void TestEqCurveEditorInteraction::contextResetRestoresDefaultBand()
{
    Rig rig;
    rig.editor->setBands({500, 600, 700}, {2, 2, 2}, {4, 4, 4}, {"Low Shelf", "Low Shelf", "High Shelf"});
    QCoreApplication::processEvents();
    QSignalSpy edited(rig.editor, &EQCurveEditor::presetEdited);
    whenMenuOpens(rig.editor, [](QMenu *menu) {
        QAbstractButton *reset = row(menu, 0);
        QVERIFY(reset && reset->isEnabled());
        QCOMPARE(reset->text(), QStringLiteral("重置"));
        reset->click();
    });
    QVERIFY(rightClick(rig.viewport(), rig.at(2)));
    QCOMPARE(edited.count(), 1);
    QVERIFY(std::fabs(rig.editor->bandPoint(2).x() - 40) < 1e-9);
    QCOMPARE(rig.editor->bandPoint(2).y(), -2.0);
    QCOMPARE(rig.editor->bandQ(2), 1.0);
    QCOMPARE(rig.editor->bandType(2), QStringLiteral("Peaking"));
    QVERIFY(!rig.editor->contextMenu()->isVisible());
    QVERIFY(!rig.editor->isEditing());
}

void TestEqCurveEditorInteraction::contextDeleteRemovesPoint()
{
    Rig rig;
    QSignalSpy edited(rig.editor, &EQCurveEditor::presetEdited);
    const QPointF next = rig.editor->bandPoint(6);
    whenMenuOpens(rig.editor, [](QMenu *menu) {
        QAbstractButton *del = row(menu, 1);
        QVERIFY(del);
        QCOMPARE(del->text(), QStringLiteral("删除"));
        del->click();
    });
    QVERIFY(rightClick(rig.viewport(), rig.at(5)));
    QCOMPARE(edited.count(), 1);
    QCOMPARE(rig.editor->pointCount(), 9);
    QCOMPARE(rig.editor->bandPoint(5), next);

    // A right click on empty area opens nothing.
    QVERIFY(!rightClick(rig.viewport(), QPoint(3, 3)));
}

void TestEqCurveEditorInteraction::removingAnEarlierPointKeepsTheEditedBand()
{
    Rig rig;
    QTest::mouseClick(rig.viewport(), Qt::LeftButton, {}, rig.at(7));
    QCOMPARE(rig.editor->editIndex(), 7);
    const QPointF band = rig.editor->bandPoint(7);
    rig.editor->onRemovePoint(2);
    QCOMPARE(rig.editor->editIndex(), 6);
    QCOMPARE(rig.editor->bandPoint(6), band);
    QVERIFY(rig.floating()->isVisible());
    rig.editor->onRemovePoint(6);
    QCOMPARE(rig.editor->editIndex(), -1);
    QVERIFY(!rig.floating()->isVisible());
}

void TestEqCurveEditorInteraction::clearSelectionDropsEverything()
{
    Rig rig;
    QTest::mouseClick(rig.viewport(), Qt::LeftButton, {}, rig.at(8));
    QVERIFY(rig.floating()->isVisible());
    rig.editor->clearSelection();
    QVERIFY(!rig.floating()->isVisible());
    QVERIFY(!rig.editor->isEditing());
    QCOMPARE(rig.editor->editIndex(), -1);
    QCOMPARE(rig.editor->hoverIndex(), -1);
    QCOMPARE(rig.editor->pointSeries(8)->markerSize(), 8.0);
    QVERIFY(!rig.viewport()->testAttribute(Qt::WA_SetCursor));
}

void TestEqCurveEditorInteraction::dragRefillsTheEditorEverySecondMove()
{
    Rig rig;
    const QPoint start = rig.at(1);
    QTest::mousePress(rig.viewport(), Qt::LeftButton, {}, start);
    QCOMPARE(rig.floating()->gainField()->value(), -4.0);
    QTest::mouseMove(rig.viewport(), start + QPoint(0, -40));
    const double moved = rig.editor->bandPoint(1).y();
    QVERIFY(moved > -4.0);
    QCOMPARE(rig.floating()->gainField()->value(), -4.0);
    QTest::mouseMove(rig.viewport(), start + QPoint(0, -41));
    QCOMPARE(rig.floating()->gainField()->value(), std::round(rig.editor->bandPoint(1).y() * 10) / 10);
    // The editor follows the point on every move.
    const QPoint point = rig.viewport()->mapTo(rig.window.get(), rig.at(1));
    QCOMPARE(point.y() - rig.floating()->geometry().bottom() - 1, 17);
    QTest::mouseRelease(rig.viewport(), Qt::LeftButton, {}, start + QPoint(0, -41));
}

void TestEqCurveEditorInteraction::panelRowsFollowTheLanguage()
{
    Rig rig;
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/i18n/VELKORA_en_US.qm")));
    QCoreApplication::installTranslator(&english);
    QCoreApplication::processEvents();
    QStringList texts;
    whenMenuOpens(rig.editor, [&texts](QMenu *menu) {
        texts = {row(menu, 0)->text(), row(menu, 1)->text()};
    });
    QVERIFY(rightClick(rig.viewport(), rig.at(0)));
    QCOMPARE(texts, QStringList({"Reset", "Delete"}));
    QCOMPARE(rig.editor->pointCount(), 10);
    QCoreApplication::removeTranslator(&english);
}

void TestEqCurveEditorInteraction::editorGoingWhileThePanelIsOpen()
{
    Rig rig;
    QPointer<EQCurveEditor> editor = rig.editor;
    QObject::connect(
        editor->contextMenu(), &QMenu::aboutToShow, rig.window.get(),
        [editor] { QTimer::singleShot(0, editor, [editor] { editor->deleteLater(); }); }, Qt::SingleShotConnection);
    rightClick(rig.viewport(), rig.at(0));
    QVERIFY(editor.isNull());
}

QTEST_MAIN(TestEqCurveEditorInteraction)
#include "tst_eqcurveeditorinteraction.moc"
