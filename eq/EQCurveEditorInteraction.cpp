// Mouse work on the chart: hover previews, pressing and dragging points, the
// floating editor's placement and its edits.
#include "eq/EQCurveEditor.h"

#include "eq/FloatingPointEditor.h"

#include <QCursor>
#include <QEnterEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScatterSeries>
#include <QTimer>

#include <cmath>

namespace {
constexpr int kHitRadius = 12;
constexpr int kEditorGap = 17;
constexpr double kMinEditHz = 20.0;
constexpr double kMaxEditHz = 20000.0;
constexpr double kMinQ = 0.1;
constexpr double kMaxQ = 5.0;
} // namespace

QPoint EQCurveEditor::pointViewportPos(int index) const
{
    if (index < 0 || index >= m_points.size() || !chart())
        return {};
    QScatterSeries *series = m_points.at(index);
    const QPointF inChart = chart()->mapToPosition(series->at(0), series);
    return mapFromScene(chart()->mapToScene(inChart));
}

int EQCurveEditor::pointIndexAt(const QPoint &pos) const
{
    if (m_points.isEmpty() || !chart())
        return -1;
    int best = -1;
    qint64 bestDistance = 0;
    for (int i = 0; i < m_points.size(); ++i) {
        const QPoint p = pointViewportPos(i);
        const int dx = pos.x() - p.x();
        const int dy = pos.y() - p.y();
        if (std::abs(dx) > kHitRadius || std::abs(dy) > kHitRadius)
            continue;
        const qint64 distance = qint64(dx) * dx + qint64(dy) * dy;
        if (best < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

void EQCurveEditor::updatePointStyles(int hoverIndex)
{
    for (int i = 0; i < m_points.size(); ++i) {
        QScatterSeries *series = m_points.at(i);
        const bool edited = m_editing && i == m_editIndex;
        const bool hovered = !edited && hoverIndex >= 0 && i == hoverIndex;
        qreal size = 8;
        QPen pen(Qt::NoPen);
        if (edited || hovered) {
            size = 12;
            pen = QPen(QBrush(series->color().lighter(150)), 2.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
            // The border colour is the colour of the scatter series' pen.
            pen.setColor(edited ? QColor(255, 255, 255, 230) : QColor(255, 255, 255, 210));
        }
        // Setting an unchanged style would still repaint the chart.
        if (series->markerSize() != size)
            series->setMarkerSize(size);
        if (series->pen() != pen)
            series->setPen(pen);
    }
}

void EQCurveEditor::syncEditorValues(int index)
{
    if (index < 0 || index >= m_points.size() || !m_editor)
        return;
    const QPointF v = m_points.at(index)->at(0);
    m_editor->setValues(QPointF(std::pow(10.0, v.x()), v.y()), m_qs.at(index), m_types.at(index),
                        m_points.at(index)->color());
}

void EQCurveEditor::ensureEditorParent()
{
    if (!m_editor)
        return;
    QWidget *top = window();
    if (top != this && m_editor->parentWidget() != top)
        m_editor->setParent(top);
}

void EQCurveEditor::positionEditor(int index)
{
    if (index < 0 || index >= m_points.size() || !m_editor || !chart() || !viewport())
        return;
    ensureEditorParent();
    const QPoint p = pointViewportPos(index);
    const QPoint corner(p.x() - m_editor->width() / 2, p.y() - m_editor->height() - kEditorGap);
    const QPoint global = viewport()->mapToGlobal(corner);
    QWidget *parent = m_editor->parentWidget();
    m_editor->move(parent ? parent->mapFromGlobal(global) : global);
    m_editor->raise();
}

QRect EQCurveEditor::editorRectInViewport() const
{
    if (!m_editor || !viewport() || !m_editor->isVisible())
        return {};
    const QPoint topLeft = viewport()->mapFromGlobal(m_editor->mapToGlobal(QPoint(0, 0)));
    return QRect(topLeft, m_editor->size());
}

void EQCurveEditor::showHoverEditor(int index)
{
    if (index < 0 || index >= m_points.size() || !m_editor)
        return;
    m_editor->setPassive(true);
    m_editIndex = index;
    syncEditorValues(index);
    ensureEditorParent();
    positionEditor(index);
    m_editor->show();
    m_editor->raise();
}

void EQCurveEditor::hideEditor()
{
    m_editing = false;
    if (m_editor)
        m_editor->hide();
    m_editIndex = -1;
}

void EQCurveEditor::updateHover(const QPoint &pos)
{
    if (!m_points.isEmpty() && m_dragIndex < 0) {
        const bool editorShown = m_editor && m_editor->isVisible();
        if (!m_editing && editorShown && editorRectInViewport().contains(pos)) {
            updateCursor(pos);
            return;
        }
        const int idx = pointIndexAt(pos);
        bool editingEnded = false;
        if (m_editing && idx >= 0 && idx != m_editIndex) {
            m_editing = false;
            editingEnded = true;
        }
        if (idx != m_hoverIndex || editingEnded) {
            m_hoverIndex = idx;
            updatePointStyles(idx);
            if (!m_editing) {
                if (idx < 0) {
                    if (m_editor)
                        m_editor->hide();
                    m_editIndex = -1;
                } else {
                    showHoverEditor(idx);
                }
            }
            updateSelectedBandCurve();
        } else if (idx >= 0 && !m_editing && editorShown) {
            syncEditorValues(idx);
            positionEditor(idx);
        }
    }
    updateCursor(pos);
}

void EQCurveEditor::updateCursor(const QPoint &pos)
{
    QWidget *vp = viewport();
    if (m_dragIndex >= 0) {
        vp->setCursor(Qt::PointingHandCursor);
        return;
    }
    if (m_points.isEmpty()) {
        vp->unsetCursor();
        return;
    }
    if (!m_editing && m_editor && m_editor->isVisible() && editorRectInViewport().contains(pos)) {
        vp->unsetCursor();
        return;
    }
    if (pointIndexAt(pos) >= 0)
        vp->setCursor(Qt::PointingHandCursor);
    else
        vp->unsetCursor();
}

void EQCurveEditor::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && !m_points.isEmpty()) {
        const int idx = pointIndexAt(pos);
        if (idx >= 0) {
            if (m_editGuard && !m_editGuard()) {
                emit pointDragDenied();
                event->accept();
                updateCursor(pos);
                return;
            }
            m_editing = true;
            m_editIndex = m_dragIndex = idx;
            m_editor->setPassive(false);
            syncEditorValues(idx);
            m_hoverIndex = idx;
            updatePointStyles(idx);
            ensureEditorParent();
            positionEditor(idx);
            m_editor->show();
            m_editor->raise();
            m_editor->setFocus(Qt::MouseFocusReason);
            // After the show: the band's own curve is drawn only for a visible editor.
            updateSelectedBandCurve();
            event->accept();
            updateCursor(pos);
            return;
        }
        const bool keep = m_editing && m_editor->isVisible() && editorRectInViewport().contains(pos);
        if (!keep) {
            hideEditor();
            m_hoverIndex = -1;
            updatePointStyles(-1);
            updateSelectedBandCurve();
        }
        m_dragIndex = pointIndexAt(pos);
    }
    updateCursor(pos);
    QChartView::mousePressEvent(event);
}

void EQCurveEditor::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (!m_points.isEmpty() && m_dragIndex < 0)
        updateHover(pos);
    if (m_dragIndex >= 0 && m_dragIndex < m_points.size()) {
        setUpdatesEnabled(false);
        const QPointF value = chart()->mapToValue(event->position(), m_points.at(m_dragIndex));
        const double hz = qBound(kMinEditHz, std::pow(10.0, value.x()), kMaxEditHz);
        const double limit = gainLimit();
        const double gain = qBound(-limit, value.y(), limit);
        setPointValue(m_dragIndex, QPointF(hz, gain), true);
        if (m_editIndex >= 0 && m_editor->isVisible()) {
            positionEditor(m_editIndex);
            ++m_moveCounter;
            // Refilling the fields on every move costs more than it shows.
            if (m_moveCounter % 2 == 0)
                syncEditorValues(m_editIndex);
        }
        setUpdatesEnabled(true);
    }
    updateCursor(pos);
    QChartView::mouseMoveEvent(event);
}

void EQCurveEditor::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        const int dragged = m_dragIndex;
        m_dragIndex = -1;
        m_moveCounter = 0;
        const bool editorShown = m_editIndex >= 0 && m_editor->isVisible();
        if (dragged >= 0 && !m_points.isEmpty()) {
            setUpdatesEnabled(false);
            updateCurve();
            if (editorShown)
                syncEditorValues(m_editIndex);
            setUpdatesEnabled(true);
        } else if (editorShown) {
            syncEditorValues(m_editIndex);
        }
        updateHover(event->position().toPoint());
    }
    QChartView::mouseReleaseEvent(event);
}

void EQCurveEditor::onEditorValuesChanged(const QPointF &pos, double q, const QString &type)
{
    if (m_editIndex < 0 || m_editIndex >= m_points.size())
        return;
    const double hz = std::isnan(pos.x()) ? kMinEditHz : qBound(kMinEditHz, pos.x(), kMaxEditHz);
    const double limit = gainLimit();
    const double gain = qBound(-limit, pos.y(), limit);
    m_qs[m_editIndex] = std::isnan(q) ? m_qs.at(m_editIndex) : qBound(kMinQ, q, kMaxQ);
    m_types[m_editIndex] = type;
    setPointValue(m_editIndex, QPointF(hz, gain), true);
    if (m_editor->isVisible())
        positionEditor(m_editIndex);
}

QPoint EQCurveEditor::cursorInViewport() const
{
    return viewport()->mapFromGlobal(QCursor::pos());
}

void EQCurveEditor::scheduleHoverAtCursor(bool onlyWhenNotEditing)
{
    QTimer::singleShot(0, this, [this, onlyWhenNotEditing] {
        if (onlyWhenNotEditing && m_editing)
            return;
        if (!m_points.isEmpty())
            updateHover(cursorInViewport());
    });
}

void EQCurveEditor::enterEvent(QEnterEvent *event)
{
    QChartView::enterEvent(event);
    if (!m_points.isEmpty() && m_dragIndex < 0)
        updateHover(cursorInViewport());
}

void EQCurveEditor::leaveEvent(QEvent *event)
{
    QChartView::leaveEvent(event);
    viewport()->unsetCursor();
    scheduleHoverAtCursor(true);
}

bool EQCurveEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == viewport() && event->type() == QEvent::Leave && !m_editing)
        scheduleHoverAtCursor(true);
    return QChartView::eventFilter(watched, event);
}

void EQCurveEditor::resizeEvent(QResizeEvent *event)
{
    QChartView::resizeEvent(event);
    if (m_editor && m_editor->isVisible() && m_editIndex >= 0)
        positionEditor(m_editIndex);
}

void EQCurveEditor::clearSelection()
{
    m_dragIndex = -1;
    m_hoverIndex = -1;
    m_contextIndex = -1;
    m_editing = false;
    m_editIndex = -1;
    if (m_menu)
        m_menu->close();
    if (m_editor)
        m_editor->hide();
    updatePointStyles(-1);
    updateSelectedBandCurve();
    viewport()->unsetCursor();
}
