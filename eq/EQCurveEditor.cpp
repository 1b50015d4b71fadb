// The chart, its axes and series, and the band model with its limits.
#include "eq/EQCurveEditor.h"

#include "eq/FloatingPointEditor.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QLineSeries>
#include <QScatterSeries>
#include <QtMath>

#include <cmath>

namespace {

constexpr double kStandardGainLimit = 8.0;
constexpr double kCustomGainLimit = 10.0;
constexpr double kMinQ = 0.1;
constexpr double kMaxQ = 5.0;
constexpr double kDefaultQ = 0.7;
constexpr double kLoadedFallbackHz = 20.0;
constexpr double kEmptyEps = 1e-12;

const QString &peaking()
{
    static const QString type = QStringLiteral("Peaking");
    return type;
}

double clampQ(double q)
{
    if (std::isnan(q))
        return kDefaultQ;
    return qBound(kMinQ, q, kMaxQ);
}

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

double EQCurveEditor::gainLimit() const
{
    return m_customMode ? kCustomGainLimit : kStandardGainLimit;
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
        addPoint(p, q, peaking());
    }
    updateCurve();
}

QScatterSeries *EQCurveEditor::pointSeries(int index) const
{
    return m_points.value(index, nullptr);
}

void EQCurveEditor::addPoint(const QPointF &hzDb, double q, const QString &type)
{
    if (m_points.size() >= m_maxBandCount)
        return;
    const double limit = gainLimit();
    const double gain = std::isnan(hzDb.y()) ? 0.0 : qBound(-limit, hzDb.y(), limit);
    auto *series = new QScatterSeries;
    series->setMarkerSize(8);
    series->setColor(pointPalette().at(m_points.size() % pointPalette().size()));
    series->setBorderColor(Qt::transparent);
    series->setPen(Qt::NoPen);
    series->append(std::log10(hzDb.x()), gain);
    attach(series);
    m_points.append(series);
    m_qs.append(clampQ(q));
    m_types.append(type);
    updateCurve();
    if (!m_updating) {
        rebuildSlotMap();
        emit presetEdited();
    }
}

void EQCurveEditor::onRemovePoint(int index)
{
    if (index < 0 || index >= m_points.size())
        return;
    if (index == m_editIndex) {
        if (m_editor)
            m_editor->hide();
        m_editIndex = -1;
        m_editing = false;
    }
    // Indexes past the removed point follow their band down by one.
    const auto follow = [index](int &i) {
        if (i == index)
            i = -1;
        else if (i > index)
            --i;
    };
    follow(m_hoverIndex);
    follow(m_dragIndex);
    follow(m_contextIndex);
    if (m_editIndex > index)
        --m_editIndex;
    QScatterSeries *series = m_points.takeAt(index);
    chart()->removeSeries(series);
    delete series;
    m_qs.removeAt(index);
    m_types.removeAt(index);
    updateCurve();
    if (!m_updating) {
        rebuildSlotMap();
        emit presetEdited();
    }
}

void EQCurveEditor::removeAllPoints()
{
    while (!m_points.isEmpty())
        onRemovePoint(int(m_points.size()) - 1);
}

void EQCurveEditor::rebuildSlotMap()
{
    m_slotMap = QList<int>(kSlotCount, -1);
    const int n = qMin(m_maxBandCount, int(m_points.size()));
    for (int i = 0; i < n; ++i)
        m_slotMap[i] = i;
}

void EQCurveEditor::setPointValue(int index, const QPointF &hzDb, bool fromDrag)
{
    if (index < 0 || index >= m_points.size())
        return;
    const double limit = gainLimit();
    const double gain = std::isnan(hzDb.y()) ? 0.0 : qBound(-limit, hzDb.y(), limit);
    QScatterSeries *series = m_points.at(index);
    series->replace(QList<QPointF>{QPointF(std::log10(hzDb.x()), gain)});
    updateCurve();
    if (index == m_editIndex && !fromDrag)
        syncEditorValues(index);
    if (!m_updating)
        emit presetEdited();
}

const QList<QPointF> &EQCurveEditor::modeTable() const
{
    return m_customMode ? defaultQorPoints() : defaultBandPoints();
}

double EQCurveEditor::defaultQFor(int index) const
{
    return m_customMode ? kDefaultQ : defaultBandQs().value(index, kDefaultQ);
}

void EQCurveEditor::addDefaultPoints(int count)
{
    const QList<QPointF> &table = modeTable();
    for (int i = 0; i < count; ++i) {
        const QPointF p = i < table.size() ? table.at(i) : QPointF(1000, 0);
        addPoint(p, defaultQFor(i), peaking());
        m_slotMap[i] = int(m_points.size()) - 1;
    }
}

void EQCurveEditor::resetPoint(int index)
{
    const QList<QPointF> &table = modeTable();
    if (index < 0 || index >= m_points.size() || index >= table.size())
        return;
    m_qs[index] = clampQ(defaultQFor(index));
    m_types[index] = peaking();
    setPointValue(index, table.at(index), false);
}

void EQCurveEditor::setBands(const QList<double> &freqs, const QList<double> &qs, const QList<double> &gains,
                             const QList<QString> &types)
{
    m_updating = true;
    if (!chart()) {
        m_updating = false;
        return;
    }
    if (m_customMode
        && (freqs.size() != m_maxBandCount || qs.size() != m_maxBandCount || gains.size() != m_maxBandCount
            || types.size() != m_maxBandCount)) {
        m_updating = false;
        return;
    }
    removeAllPoints();
    m_slotMap = QList<int>(kSlotCount, -1);
    const double limit = gainLimit();
    for (int i = 0; i < m_maxBandCount; ++i) {
        double freq = i < freqs.size() ? freqs.at(i) : kLoadedFallbackHz;
        const double q = clampQ(i < qs.size() ? qs.at(i) : kDefaultQ);
        double gain = i < gains.size() ? gains.at(i) : 0.0;
        gain = std::isnan(gain) ? 0.0 : qBound(-limit, gain, limit);
        const QString type = i < types.size() && !types.at(i).isEmpty() ? types.at(i) : peaking();
        if (std::fabs(freq) < kEmptyEps && std::fabs(gain) < kEmptyEps)
            continue;
        // A frequency the chart cannot place (none, negative, NaN or infinite) sits at the floor.
        if (!(freq > 0.0) || !std::isfinite(freq))
            freq = kLoadedFallbackHz;
        addPoint(QPointF(freq, gain), q, type);
        m_slotMap[i] = int(m_points.size()) - 1;
    }
    updateCurve();
    if (m_editIndex >= 0 && m_editIndex < m_points.size() && m_editor)
        syncEditorValues(m_editIndex);
    updateSelectedBandCurve();
    m_updating = false;
}

void EQCurveEditor::setBandCount(int count)
{
    const int newCount = m_customMode ? qBound(1, count, 8) : kSlotCount;
    if (newCount == m_maxBandCount && m_points.size() == newCount)
        return;
    m_updating = true;
    clearSelection();
    removeAllPoints();
    m_maxBandCount = newCount;
    m_slotMap = QList<int>(kSlotCount, -1);
    addDefaultPoints(newCount);
    updateCurve();
    updateSelectedBandCurve();
    rebuildSlotMap();
    m_editor->setCustomMode(m_customMode);
    m_editor->setGainRange(-gainLimit(), gainLimit());
    m_updating = false;
}

void EQCurveEditor::setCustomMode(bool on)
{
    if (on == m_customMode)
        return;
    m_customMode = on;
    m_editor->setCustomMode(on);
    m_editor->setGainRange(-gainLimit(), gainLimit());
    if (m_points.isEmpty())
        return;
    m_updating = true;
    const double limit = gainLimit();
    for (int i = 0; i < m_points.size(); ++i) {
        const QPointF v = m_points.at(i)->at(0);
        setPointValue(i, QPointF(std::pow(10.0, v.x()), qBound(-limit, v.y(), limit)), false);
    }
    m_updating = false;
    emit presetEdited();
}

void EQCurveEditor::resetToDefault()
{
    m_updating = true;
    removeAllPoints();
    m_slotMap = QList<int>(kSlotCount, -1);
    addDefaultPoints(qMin(m_maxBandCount, int(modeTable().size())));
    updateCurve();
    rebuildSlotMap();
    m_updating = false;
    emit presetEdited();
}

void EQCurveEditor::setEditGuard(std::function<bool()> guard)
{
    m_editGuard = std::move(guard);
}

int EQCurveEditor::slotPoint(int slot) const
{
    if (slot < 0 || slot >= m_maxBandCount || slot >= m_slotMap.size())
        return -1;
    const int index = m_slotMap.at(slot);
    return index >= 0 && index < m_points.size() ? index : -1;
}

QPointF EQCurveEditor::bandPoint(int slot) const
{
    const int index = slotPoint(slot);
    if (index < 0)
        return QPointF(0, 0);
    const QPointF v = m_points.at(index)->at(0);
    return QPointF(std::pow(10.0, v.x()), v.y());
}

double EQCurveEditor::bandQ(int slot) const
{
    const int index = slotPoint(slot);
    return index < 0 ? kDefaultQ : m_qs.at(index);
}

QString EQCurveEditor::bandType(int slot) const
{
    const int index = slotPoint(slot);
    return index < 0 ? peaking() : m_types.at(index);
}
