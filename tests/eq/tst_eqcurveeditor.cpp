// The curve editor's band model: defaults, limits, band slots, modes and the
// drawn curves.
#include "eq/EQCurveEditor.h"
#include "eq/FloatingPointEditor.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QDoubleSpinBox>
#include <QLineSeries>
#include <QScatterSeries>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

QList<QPointF> pointsOf(const EQCurveEditor &editor)
{
    QList<QPointF> points;
    for (int i = 0; i < editor.pointCount(); ++i) {
        const QPointF v = editor.pointSeries(i)->at(0);
        points.append(QPointF(std::pow(10.0, v.x()), v.y()));
    }
    return points;
}

int visibleRuns(const QList<QLineSeries *> &segments)
{
    int n = 0;
    for (QLineSeries *s : segments)
        n += s->isVisible() && s->count() > 0;
    return n;
}

bool near(double a, double b)
{
    return std::fabs(a - b) < 1e-9;
}

} // namespace

class TestEqCurveEditor : public QObject
{
    Q_OBJECT
private slots:
    void newEditorShowsDefaults();
    void axesCarryTheirLabels();
    void gridAndWarningLines();
    void setBandCountLimits_data();
    void setBandCountLimits();
    void setBandsFillsMissingEntries();
    void setBandsKeepsEmptySlots();
    void setBandsClampsToTheMode_data();
    void setBandsClampsToTheMode();
    void setBandsSanitisesUnplaceableValues();
    void customModeRefusesWrongLengths();
    void switchingModeClampsAndSignalsOnce();
    void resetToDefaultSignalsOnce();
    void removingRenumbersSlots();
    void removingEverythingDrawsNoCurve();
    void addingStopsAtTheBandCount();
    void curveFollowsTheBands();
    void outOfRangeSlotsAreNeutral();
};

void TestEqCurveEditor::newEditorShowsDefaults()
{
    EQCurveEditor editor;
    QCOMPARE(editor.pointCount(), 10);
    QCOMPARE(editor.maximumBandCount(), 10);
    QVERIFY(!editor.isCustomMode());
    for (int i = 0; i < 10; ++i) {
        const QPointF p = editor.bandPoint(i);
        QVERIFY2(near(p.x(), EQCurveEditor::defaultBandPoints().at(i).x()), qPrintable(QString::number(i)));
        QCOMPARE(p.y(), EQCurveEditor::defaultBandPoints().at(i).y());
        QCOMPARE(editor.bandQ(i), EQCurveEditor::defaultBandQs().at(i));
        QCOMPARE(editor.bandType(i), QStringLiteral("Peaking"));
        QCOMPARE(editor.pointSeries(i)->color(), EQCurveEditor::pointPalette().at(i));
        QCOMPARE(editor.pointSeries(i)->markerSize(), 8.0);
    }
    QVERIFY(!editor.floatingEditor()->isVisible());
    QCOMPARE(editor.editIndex(), -1);
    QCOMPARE(visibleRuns(editor.curveSegmentSeries()), 1);
    QCOMPARE(visibleRuns(editor.selectedBandSegmentSeries()), 0);
}

void TestEqCurveEditor::axesCarryTheirLabels()
{
    EQCurveEditor editor;
    QCategoryAxis *freq = nullptr;
    QCategoryAxis *gain = nullptr;
    for (QAbstractAxis *axis : editor.chart()->axes()) {
        auto *category = qobject_cast<QCategoryAxis *>(axis);
        QVERIFY(category);
        (axis->orientation() == Qt::Horizontal ? freq : gain) = category;
    }
    QVERIFY(freq && gain);
    QCOMPARE(freq->categoriesLabels(), QStringList({"20Hz", "50Hz", "100Hz", "200Hz", "500Hz", "1KHz", "2kHz",
                                                     "5kHz", "10kHz", "20kHz"}));
    QVERIFY(near(freq->endValue("1KHz"), 3.0));
    QVERIFY(near(freq->min(), std::log10(17.5)));
    QVERIFY(near(freq->max(), std::log10(25000.0)));
    QCOMPARE(gain->categoriesLabels(), QStringList({"-12", "-6", "0", "+6", "+12"}));
    QCOMPARE(gain->min(), -14.0);
    QCOMPARE(gain->max(), 14.0);
    QCOMPARE(freq->alignment(), Qt::AlignBottom);
    QCOMPARE(gain->alignment(), Qt::AlignLeft);
}

void TestEqCurveEditor::gridAndWarningLines()
{
    EQCurveEditor editor;
    int verticals = 0;
    int warnings = 0;
    for (QAbstractSeries *series : editor.chart()->series()) {
        auto *line = qobject_cast<QLineSeries *>(series);
        if (!line || line->count() != 2)
            continue;
        const QPointF a = line->at(0);
        const QPointF b = line->at(1);
        if (a.x() == b.x() && a.y() == -14 && b.y() == 14)
            ++verticals;
        if (a.y() == 12 && b.y() == 12) {
            ++warnings;
            QCOMPARE(line->pen().style(), Qt::DashLine);
            QCOMPARE(line->pen().color(), QColor("#8B2525"));
        }
    }
    QCOMPARE(verticals, 18);
    QCOMPARE(warnings, 1);
}

void TestEqCurveEditor::setBandCountLimits_data()
{
    QTest::addColumn<bool>("custom");
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("expected");
    QTest::newRow("standard 12") << false << 12 << 10;
    QTest::newRow("standard 3") << false << 3 << 10;
    QTest::newRow("custom 0") << true << 0 << 1;
    QTest::newRow("custom 5") << true << 5 << 5;
    QTest::newRow("custom 12") << true << 12 << 8;
}

void TestEqCurveEditor::setBandCountLimits()
{
    QFETCH(bool, custom);
    QFETCH(int, requested);
    QFETCH(int, expected);
    EQCurveEditor editor;
    editor.setCustomMode(custom);
    QSignalSpy edited(&editor, &EQCurveEditor::presetEdited);
    editor.setBandCount(requested);
    QCOMPARE(editor.maximumBandCount(), expected);
    QCOMPARE(editor.pointCount(), expected);
    QCOMPARE(edited.count(), 0);
    const QList<QPointF> &table = custom ? EQCurveEditor::defaultQorPoints() : EQCurveEditor::defaultBandPoints();
    for (int i = 0; i < expected; ++i) {
        QVERIFY(near(editor.bandPoint(i).x(), table.at(i).x()));
        QCOMPARE(editor.bandQ(i), custom ? 0.7 : EQCurveEditor::defaultBandQs().at(i));
    }
    QCOMPARE(editor.floatingEditor()->isCustomMode(), custom);
    QCOMPARE(editor.floatingEditor()->gainField()->maximum(), custom ? 10.0 : 8.0);
}

void TestEqCurveEditor::setBandsFillsMissingEntries()
{
    EQCurveEditor editor;
    QSignalSpy edited(&editor, &EQCurveEditor::presetEdited);
    editor.setBands({100, 1000, 5000}, {1.5, 2.0, 0.9}, {3, -2, 4}, {"Low Shelf", "", "High Shelf"});
    QCOMPARE(edited.count(), 0);
    QCOMPARE(editor.pointCount(), 10);
    QVERIFY(near(editor.bandPoint(0).x(), 100));
    QCOMPARE(editor.bandType(0), QStringLiteral("Low Shelf"));
    QCOMPARE(editor.bandType(1), QStringLiteral("Peaking"));
    QCOMPARE(editor.bandQ(2), 0.9);
    QCOMPARE(editor.bandPoint(2).y(), 4.0);
    for (int i = 3; i < 10; ++i) {
        QVERIFY(near(editor.bandPoint(i).x(), 20));
        QCOMPARE(editor.bandPoint(i).y(), 0.0);
        QCOMPARE(editor.bandQ(i), 0.7);
        QCOMPARE(editor.bandType(i), QStringLiteral("Peaking"));
    }
}

void TestEqCurveEditor::setBandsKeepsEmptySlots()
{
    EQCurveEditor editor;
    const QList<double> freqs = {100, 0, 300, 400, 500, 600, 700, 800, 900, 1000};
    editor.setBands(freqs, QList<double>(10, 1.0), QList<double>(10, 0.0), QList<QString>(10, "Peaking"));
    QCOMPARE(editor.pointCount(), 9);
    QCOMPARE(editor.bandPoint(1), QPointF(0, 0));
    QCOMPARE(editor.bandQ(1), 0.7);
    QCOMPARE(editor.bandType(1), QStringLiteral("Peaking"));
    // Slots after the gap still name their own band.
    QVERIFY(near(editor.bandPoint(2).x(), 300));
    QVERIFY(near(editor.bandPoint(9).x(), 1000));

    // A band at 0 Hz with a gain is a real band, placed at the floor.
    editor.setBands({0}, {1.0}, {2.0}, {"Peaking"});
    QVERIFY(near(editor.bandPoint(0).x(), 20));
    QCOMPARE(editor.bandPoint(0).y(), 2.0);
}

void TestEqCurveEditor::setBandsClampsToTheMode_data()
{
    QTest::addColumn<bool>("custom");
    QTest::addColumn<double>("gain");
    QTest::addColumn<double>("q");
    QTest::addColumn<double>("storedGain");
    QTest::addColumn<double>("storedQ");
    QTest::newRow("standard +12") << false << 12.0 << 7.0 << 8.0 << 5.0;
    QTest::newRow("standard -9") << false << -9.0 << 0.01 << -8.0 << 0.1;
    QTest::newRow("custom +12") << true << 12.0 << 2.0 << 10.0 << 2.0;
    QTest::newRow("custom -9.5") << true << -9.5 << 2.0 << -9.5 << 2.0;
}

void TestEqCurveEditor::setBandsClampsToTheMode()
{
    QFETCH(bool, custom);
    QFETCH(double, gain);
    QFETCH(double, q);
    QFETCH(double, storedGain);
    QFETCH(double, storedQ);
    EQCurveEditor editor;
    editor.setCustomMode(custom);
    editor.setBandCount(custom ? 2 : 10);
    const int n = editor.maximumBandCount();
    QList<double> freqs(n, 1000.0);
    freqs[0] = 50000; // kept: only dragging and the point editor limit the frequency
    QList<double> gains(n, 0.0);
    gains[0] = gain;
    QList<double> qs(n, 1.0);
    qs[0] = q;
    editor.setBands(freqs, qs, gains, QList<QString>(n, "Peaking"));
    QCOMPARE(editor.bandPoint(0).y(), storedGain);
    QCOMPARE(editor.bandQ(0), storedQ);
    QVERIFY(near(editor.bandPoint(0).x(), 50000));
}

void TestEqCurveEditor::setBandsSanitisesUnplaceableValues()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EQCurveEditor editor;
    editor.setBands({nan, -40, 1000}, {nan, 1, 1}, {1, 1, nan}, {"Peaking", "Peaking", "Peaking"});
    QVERIFY(near(editor.bandPoint(0).x(), 20));
    QCOMPARE(editor.bandQ(0), 0.7);
    QVERIFY(near(editor.bandPoint(1).x(), 20));
    QCOMPARE(editor.bandPoint(2).y(), 0.0);
    for (QLineSeries *s : editor.curveSegmentSeries()) {
        for (const QPointF &p : s->points())
            QVERIFY(std::isfinite(p.y()));
    }
}

void TestEqCurveEditor::customModeRefusesWrongLengths()
{
    EQCurveEditor editor;
    editor.setCustomMode(true);
    editor.setBandCount(3);
    const QList<QPointF> before = pointsOf(editor);
    editor.setBands({100, 200}, {1, 1}, {1, 1}, {"Peaking", "Peaking"});
    QCOMPARE(pointsOf(editor), before);
    editor.setBands({100, 200, 300}, {1, 1, 1}, {1, 1, 1}, {"Peaking", "Peaking"});
    QCOMPARE(pointsOf(editor), before);
    editor.setBands({100, 200, 300}, {1, 1, 1}, {1, 1, 1}, {"Peaking", "Low Pass", "High Pass"});
    QCOMPARE(editor.bandType(1), QStringLiteral("Low Pass"));
}

void TestEqCurveEditor::switchingModeClampsAndSignalsOnce()
{
    EQCurveEditor editor;
    editor.setCustomMode(true);
    editor.setBandCount(3);
    editor.setBands({100, 200, 300}, {1, 1, 1}, {9, -9.5, 2}, {"Peaking", "Peaking", "Peaking"});
    QCOMPARE(editor.bandPoint(0).y(), 9.0);
    QSignalSpy edited(&editor, &EQCurveEditor::presetEdited);
    editor.setCustomMode(false);
    QCOMPARE(edited.count(), 1);
    QCOMPARE(editor.bandPoint(0).y(), 8.0);
    QCOMPARE(editor.bandPoint(1).y(), -8.0);
    QCOMPARE(editor.bandPoint(2).y(), 2.0);
    QCOMPARE(editor.floatingEditor()->gainField()->minimum(), -8.0);
    editor.setCustomMode(false);
    QCOMPARE(edited.count(), 1);
}

void TestEqCurveEditor::resetToDefaultSignalsOnce()
{
    EQCurveEditor editor;
    editor.setBands({1000}, {1}, {5}, {"High Shelf"});
    QSignalSpy edited(&editor, &EQCurveEditor::presetEdited);
    editor.resetToDefault();
    QCOMPARE(edited.count(), 1);
    QCOMPARE(pointsOf(editor).size(), 10);
    QCOMPARE(editor.bandType(0), QStringLiteral("Peaking"));
    QVERIFY(near(editor.bandPoint(4).x(), 9000));

    editor.setCustomMode(true);
    editor.setBandCount(5);
    editor.resetToDefault();
    QCOMPARE(editor.pointCount(), 5);
    QVERIFY(near(editor.bandPoint(4).x(), 2000));
    QCOMPARE(editor.bandQ(4), 0.7);
}

void TestEqCurveEditor::removingRenumbersSlots()
{
    EQCurveEditor editor;
    const QList<double> freqs = {100, 0, 300, 400, 500, 600, 700, 800, 900, 1000};
    editor.setBands(freqs, QList<double>(10, 1.0), QList<double>(10, 0.0), QList<QString>(10, "Peaking"));
    QSignalSpy edited(&editor, &EQCurveEditor::presetEdited);
    editor.onRemovePoint(0);
    QCOMPARE(edited.count(), 1);
    QCOMPARE(editor.pointCount(), 8);
    // Slots 0..7 name points 0..7 again; the rest are empty.
    QVERIFY(near(editor.bandPoint(0).x(), 300));
    QVERIFY(near(editor.bandPoint(7).x(), 1000));
    QCOMPARE(editor.bandPoint(8), QPointF(0, 0));
    editor.onRemovePoint(8);
    editor.onRemovePoint(-1);
    QCOMPARE(edited.count(), 1);
}

void TestEqCurveEditor::removingEverythingDrawsNoCurve()
{
    EQCurveEditor editor;
    while (editor.pointCount() > 0)
        editor.onRemovePoint(0);
    QCOMPARE(visibleRuns(editor.curveSegmentSeries()), 0);
    for (QLineSeries *s : editor.curveSegmentSeries())
        QCOMPARE(s->count(), 0);
}

void TestEqCurveEditor::addingStopsAtTheBandCount()
{
    // setBands in standard mode always holds ten points; removing and loading
    // again never grows past the band count.
    EQCurveEditor editor;
    editor.onRemovePoint(3);
    QCOMPARE(editor.pointCount(), 9);
    editor.setBands(QList<double>(12, 500.0), QList<double>(12, 1.0), QList<double>(12, 1.0),
                    QList<QString>(12, "Peaking"));
    QCOMPARE(editor.pointCount(), 10);
}

void TestEqCurveEditor::curveFollowsTheBands()
{
    EQCurveEditor editor;
    editor.setBands({1000}, {1.0}, {6.0}, {"Peaking"});
    // 1 band at +6 dB plus nine flat 20 Hz bands at 0 dB: the curve is that band's response.
    QLineSeries *curve = editor.curveSegmentSeries().first();
    QCOMPARE(curve->count(), 1024);
    double peak = -100;
    for (const QPointF &p : curve->points())
        peak = std::max(peak, p.y());
    QVERIFY(std::fabs(peak - 6.0) < 0.01);

    // A band far above the plot splits the curve into runs at +14 dB.
    editor.setCustomMode(true);
    editor.setBandCount(3);
    editor.setBands({1000, 1100, 1200}, {5, 5, 5}, {10, 10, 10}, {"Peaking", "Peaking", "Peaking"});
    QCOMPARE(visibleRuns(editor.curveSegmentSeries()), 2);
    QCOMPARE(editor.curveSegmentSeries().at(0)->points().last().y(), 14.0);
}

void TestEqCurveEditor::outOfRangeSlotsAreNeutral()
{
    EQCurveEditor editor;
    for (int slot : {-1, 10, 42}) {
        QCOMPARE(editor.bandPoint(slot), QPointF(0, 0));
        QCOMPARE(editor.bandQ(slot), 0.7);
        QCOMPARE(editor.bandType(slot), QStringLiteral("Peaking"));
    }
    editor.setCustomMode(true);
    editor.setBandCount(4);
    QCOMPARE(editor.bandPoint(5), QPointF(0, 0));
}

QTEST_MAIN(TestEqCurveEditor)
#include "tst_eqcurveeditor.moc"
