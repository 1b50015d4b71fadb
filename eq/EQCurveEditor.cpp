// The band model: adding, moving, removing and loading points within the limits of each mode.
#include "eq/EQCurveEditor.h"

#include "eq/FloatingPointEditor.h"

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

} // namespace

double EQCurveEditor::gainLimit() const
{
    return m_customMode ? kCustomGainLimit : kStandardGainLimit;
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
    // A batch (loading, resetting, a band count) draws once at its end.
    if (m_updating)
        return;
    updateCurve();
    rebuildSlotMap();
    emit presetEdited();
}

void EQCurveEditor::onRemovePoint(int index)
{
    if (index < 0 || index >= m_points.size())
        return;
    if (index == m_editIndex) {
        // Cleared first: a value still typed into the editor goes with its point.
        m_editIndex = -1;
        m_editing = false;
        if (m_editor)
            m_editor->hide();
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
    if (m_updating)
        return;
    updateCurve();
    rebuildSlotMap();
    emit presetEdited();
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
