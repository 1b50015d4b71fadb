// The chart itself: fixed tables, axes, grid and curve series, and the
// construction of the editor.
#include "eq/EQCurveEditor.h"

#include "eq/FloatingPointEditor.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QLineSeries>
#include <QScatterSeries>

#include <cmath>

namespace {

constexpr double kDefaultQ = 0.7;

QPen gridPen(const QColor &colour, Qt::PenStyle style, Qt::PenCapStyle cap, Qt::PenJoinStyle join, qreal width)
{
    QPen pen(QBrush(colour), width, style, cap, join);
    pen.setCosmetic(true);
    return pen;
}

} // namespace

const QList<QPointF> &EQCurveEditor::defaultBandPoints()
{
    static const QList<QPointF> table = {{2900, 3.0},  {5328, -4.0}, {40, -2.0},  {100, -3.5}, {9000, -3.0},
                                         {20, -6.0},   {200, 3.0},   {250, 3.5},  {140, 1.0},  {270, 0.0}};
    return table;
}

const QList<double> &EQCurveEditor::defaultBandQs()
{
    static const QList<double> table = {2.5, 1.5, 1.0, 2.0, 4.0, 0.8, 2.0, 1.0, 1.0, 3.5};
    return table;
}

const QList<QPointF> &EQCurveEditor::defaultQorPoints()
{
    static const QList<QPointF> table = {{20, 0},   {60, 0},   {200, 0},   {600, 0},
                                         {2000, 0}, {6000, 0}, {12000, 0}, {20000, 0}};
    return table;
}

const QList<double> &EQCurveEditor::gridFrequencies()
{
    static const QList<double> table = {30,  40,  60,   70,   80,   90,   300,  400,  600,
                                        700, 800, 900, 3000, 4000, 6000, 7000, 8000, 9000};
    return table;
}

const QList<QColor> &EQCurveEditor::pointPalette()
{
    static const QList<QColor> palette = {QColor(0xF0, 0x11, 0x11), QColor(0x0B, 0xFE, 0x58), QColor(0x0E, 0xEC, 0xF8),
                                          QColor(0x16, 0x32, 0xED), QColor(0xEF, 0xE1, 0x1B), QColor(0x25, 0x79, 0xC3),
                                          QColor(0xEE, 0x0E, 0xD0), QColor(0xFD, 0x44, 0x72), QColor(0xFF, 0xD2, 0xA5),
                                          QColor(0x9E, 0xF1, 0x17)};
    return palette;
}

EQCurveEditor::EQCurveEditor(QWidget *parent) : QChartView(parent)
{
    QChart *c = chart();
    c->setAnimationOptions(QChart::NoAnimation);
    c->legend()->hide();
    c->setBackgroundVisible(false);
    c->setPlotAreaBackgroundVisible(true);
    c->setPlotAreaBackgroundBrush(QBrush(QColor(0x2A, 0x29, 0x2D)));
    c->setPlotAreaBackgroundPen(Qt::NoPen);
    c->setMargins(QMargins(0, 0, 0, 0));
    c->setBackgroundRoundness(0);
    setRenderHint(QPainter::Antialiasing, true);
    setRubberBand(QChartView::NoRubberBand);
    setFrameShape(QFrame::NoFrame);
    setLineWidth(0);
    setMidLineWidth(0);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    viewport()->installEventFilter(this);
    setStyleSheet(QStringLiteral("QChartView { background-color: #2A292D; }"));

    m_slotMap = QList<int>(kSlotCount, -1);
    setupAxes();
    setupSeries();
    updateCurve();
    rebuildSlotMap();

    buildContextMenu();

    m_editor = new FloatingPointEditor(this);
    m_editor->hide();
    m_editor->setAttribute(Qt::WA_TranslucentBackground, false);
    m_editor->setGainRange(-gainLimit(), gainLimit());
    connect(m_editor, &FloatingPointEditor::valuesChanged, this, &EQCurveEditor::onEditorValuesChanged);
}

EQCurveEditor::~EQCurveEditor()
{
    // The editor may live in the top-level window; it must not outlive the chart it edits.
    delete m_editor;
}

FloatingPointEditor *EQCurveEditor::floatingEditor() const
{
    return m_editor.data();
}

void EQCurveEditor::setupAxes()
{
    m_freqAxis = new QCategoryAxis(this);
    m_freqAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_freqAxis->setRange(std::log10(kMinHz), std::log10(kMaxHz));
    m_freqAxis->setStartValue(std::log10(kMinHz));
    const QList<QPair<QString, double>> freqLabels = {
        {QStringLiteral("20Hz"), 20},     {QStringLiteral("50Hz"), 50},   {QStringLiteral("100Hz"), 100},
        {QStringLiteral("200Hz"), 200},   {QStringLiteral("500Hz"), 500}, {QStringLiteral("1KHz"), 1000},
        {QStringLiteral("2kHz"), 2000},   {QStringLiteral("5kHz"), 5000}, {QStringLiteral("10kHz"), 10000},
        {QStringLiteral("20kHz"), 20000}};
    for (const auto &[label, hz] : freqLabels)
        m_freqAxis->append(label, std::log10(hz));

    m_gainAxis = new QCategoryAxis(this);
    m_gainAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_gainAxis->setRange(kPlotMinDb, kPlotMaxDb);
    m_gainAxis->setStartValue(kPlotMinDb);
    const QList<QPair<QString, double>> gainLabels = {{QStringLiteral("-12"), -12},
                                                      {QStringLiteral("-6"), -6},
                                                      {QStringLiteral("0"), 0},
                                                      {QStringLiteral("+6"), 6},
                                                      {QStringLiteral("+12"), 12}};
    for (const auto &[label, db] : gainLabels)
        m_gainAxis->append(label, db);

    QFont labelFont;
    labelFont.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("PingFang SC"), QStringLiteral("Segoe UI")});
    labelFont.setPointSize(8);
    const QPen gridLinePen(QBrush(QColor(0x33, 0x33, 0x33)), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    for (QCategoryAxis *axis : {m_freqAxis, m_gainAxis}) {
        axis->setLabelsColor(QColor(160, 160, 160));
        axis->setLabelsFont(labelFont);
        axis->setLineVisible(false);
        axis->setGridLineVisible(true);
        axis->setGridLineColor(QColor(0x33, 0x33, 0x33));
        axis->setGridLinePen(gridLinePen);
        axis->setMinorGridLineVisible(false);
    }
    chart()->addAxis(m_freqAxis, Qt::AlignBottom);
    chart()->addAxis(m_gainAxis, Qt::AlignLeft);
}

void EQCurveEditor::attach(QAbstractSeries *series)
{
    chart()->addSeries(series);
    series->attachAxis(m_freqAxis);
    series->attachAxis(m_gainAxis);
}

QLineSeries *EQCurveEditor::newLineSeries(const QPen &pen, bool visible)
{
    auto *series = new QLineSeries;
    series->setPen(pen);
    attach(series);
    series->setVisible(visible);
    return series;
}

void EQCurveEditor::rebuildGridLines()
{
    for (QLineSeries *line : std::as_const(m_gridLines)) {
        chart()->removeSeries(line);
        delete line;
    }
    m_gridLines.clear();
    const QPen vertical = gridPen(QColor(0x33, 0x33, 0x33), Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin, 1.0);
    for (double f : gridFrequencies()) {
        if (f <= 0)
            continue;
        QLineSeries *line = newLineSeries(vertical, true);
        line->append(std::log10(f), kPlotMinDb);
        line->append(std::log10(f), kPlotMaxDb);
        m_gridLines.append(line);
    }
    // The warning line: gains above it risk clipping in the headset.
    QLineSeries *warning =
        newLineSeries(gridPen(QColor(0x8B, 0x25, 0x25), Qt::DashLine, Qt::FlatCap, Qt::RoundJoin, 1.0), true);
    warning->append(std::log10(kMinHz), 12.0);
    warning->append(std::log10(kMaxHz), 12.0);
    m_gridLines.append(warning);
}

void EQCurveEditor::setupSeries()
{
    rebuildGridLines();

    const QPen curvePen(QBrush(QColor(200, 200, 200, 200)), 1.15, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    for (int i = 0; i < kMaxDrawnRuns; ++i)
        m_curveSegments.append(newLineSeries(curvePen, i == 0));

    m_bandUpper = new QLineSeries(this);
    m_bandLower = new QLineSeries(this);
    m_bandArea = new QAreaSeries(m_bandUpper, m_bandLower);
    m_bandArea->setPen(Qt::NoPen);
    m_bandArea->setBrush(Qt::NoBrush);
    attach(m_bandArea);

    const QPen bandPen(QBrush(Qt::transparent), 1.0);
    for (int i = 0; i < kMaxDrawnRuns; ++i)
        m_bandSegments.append(newLineSeries(bandPen, i == 0));

    const int count = qMin(m_maxBandCount, kSlotCount);
    const QList<QPointF> &table = defaultBandPoints();
    for (int i = 0; i < count; ++i) {
        const QPointF p = i < table.size() ? table.at(i) : QPointF(1000, 0);
        const double q = m_customMode ? kDefaultQ : defaultBandQs().value(i, kDefaultQ);
        addPoint(p, q, QStringLiteral("Peaking"));
    }
    updateCurve();
}

