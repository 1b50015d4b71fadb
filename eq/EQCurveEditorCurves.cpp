// The drawn curves: the summed response of all bands and the own response of
// the band under the floating editor, both clipped to the plot window.
#include "eq/EQCurveEditor.h"

#include "eq/FloatingPointEditor.h"

#include <QAreaSeries>
#include <QLineSeries>
#include <QLinearGradient>
#include <QLoggingCategory>
#include <QScatterSeries>

#include <algorithm>
#include <cmath>

namespace {

void logTooManyRuns(const char *what, qsizetype runs)
{
    qWarning().noquote() << QStringLiteral("EQCurveEditor: %1 has %2 segments; only first %3 drawn")
                                .arg(QLatin1String(what))
                                .arg(runs)
                                .arg(EQCurveEditor::kMaxDrawnRuns);
}

void fillSegments(const QList<QLineSeries *> &segments, const QList<QList<QPointF>> &runs)
{
    for (int i = 0; i < segments.size(); ++i) {
        QLineSeries *series = segments.at(i);
        if (i < runs.size()) {
            series->replace(runs.at(i));
            series->setVisible(true);
        } else {
            if (series->count() > 0)
                series->clear();
            series->setVisible(false);
        }
    }
}

QList<QList<QPointF>> clippedResponse(const QList<EQCurveEditor::Biquad> &sections)
{
    QList<QList<QPointF>> runs;
    EQCurveEditor::clipPolyline(EQCurveEditor::sampleResponse(sections), std::log10(EQCurveEditor::kMinHz),
                                std::log10(EQCurveEditor::kMaxHz), EQCurveEditor::kPlotMinDb,
                                EQCurveEditor::kPlotMaxDb, runs);
    return runs;
}

} // namespace

EQCurveEditor::Biquad EQCurveEditor::pointSection(int index) const
{
    const QPointF v = m_points.at(index)->at(0);
    Biquad section;
    computeBiquad(m_types.at(index), std::pow(10.0, v.x()), m_qs.at(index), v.y(), section);
    return section;
}

void EQCurveEditor::updateCurve()
{
    if (m_points.isEmpty()) {
        fillSegments(m_curveSegments, {});
        updateSelectedBandCurve();
        return;
    }
    QList<Biquad> sections;
    sections.reserve(m_points.size());
    for (int i = 0; i < m_points.size(); ++i)
        sections.append(pointSection(i));
    const QList<QList<QPointF>> runs = clippedResponse(sections);
    fillSegments(m_curveSegments, runs);
    if (runs.size() > kMaxDrawnRuns)
        logTooManyRuns("clipped curve", runs.size());
    updateSelectedBandCurve();
}

void EQCurveEditor::updateSelectedBandCurve()
{
    if (!m_bandArea)
        return;
    const bool shown = m_editor && m_editor->isVisible() && m_editIndex >= 0 && m_editIndex < m_points.size();
    if (!shown) {
        if (m_bandUpper->count() > 0)
            m_bandUpper->clear();
        if (m_bandLower->count() > 0)
            m_bandLower->clear();
        fillSegments(m_bandSegments, {});
        if (m_bandArea->brush().style() != Qt::NoBrush)
            m_bandArea->setBrush(Qt::NoBrush);
        return;
    }

    const QList<QList<QPointF>> runs = clippedResponse({pointSection(m_editIndex)});
    qsizetype widest = -1;
    for (qsizetype i = 0; i < runs.size(); ++i) {
        if (widest < 0 || runs.at(i).size() > runs.at(widest).size())
            widest = i;
    }
    if (widest >= 0) {
        const QList<QPointF> &upper = runs.at(widest);
        QList<QPointF> lower;
        lower.reserve(upper.size());
        for (const QPointF &p : upper)
            lower.append(QPointF(p.x(), kPlotMinDb));
        m_bandUpper->replace(upper);
        m_bandLower->replace(lower);
    } else {
        m_bandUpper->clear();
        m_bandLower->clear();
    }
    fillSegments(m_bandSegments, runs);
    if (runs.size() > kMaxDrawnRuns)
        logTooManyRuns("single-band clipped curve", runs.size());

    const QColor colour = m_points.at(m_editIndex)->color();
    QPen pen(QBrush(colour), 1.15, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    pen.setCosmetic(true);
    for (QLineSeries *series : std::as_const(m_bandSegments)) {
        if (series->pen() != pen)
            series->setPen(pen);
    }
    QLinearGradient gradient(QPointF(0, 1), QPointF(0, 0));
    gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
    QColor top = colour.lighter(118);
    top.setAlpha(48);
    gradient.setColorAt(0.0, top);
    gradient.setColorAt(1.0, QColor(0x2A, 0x29, 0x2D));
    m_bandArea->setBrush(QBrush(gradient));
}
