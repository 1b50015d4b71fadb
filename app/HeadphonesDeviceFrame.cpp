// Frameless window behaviour of HeadphonesDevice: edge resize, title-bar drag,
// maximise/restore, hover cursors, frame state and the size limits.
#include "app/HeadphonesDevice.h"

#include "app/CustomTitleBar.h"
#include "platform/windowframe/IWindowFrame.h"

#include <QGuiApplication>
#include <QHoverEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QScreen>
#include <QStyle>
#include <cmath>

namespace {
const QRect kFallbackNormalGeometry(100, 100, 1280, 720);
const QSize kFallbackScreenArea(2560, 1440);
constexpr double kMaximumScreenShare = 0.98;
} // namespace

HeadphonesDevice::ResizeEdgeFlag HeadphonesDevice::edgesAt(const QPoint &p, const QSize &size)
{
    ResizeEdgeFlag edges = None;
    if (p.x() < kResizeMargin)
        edges |= Left;
    if (p.x() > size.width() - kResizeMargin)
        edges |= Right;
    if (p.y() < kResizeMargin)
        edges |= Top;
    if (p.y() > size.height() - kResizeMargin)
        edges |= Bottom;
    return edges;
}

Qt::CursorShape HeadphonesDevice::cursorForEdges(ResizeEdgeFlag edges)
{
    switch (static_cast<int>(edges)) {
    case Left:
    case Right: return Qt::SizeHorCursor;
    case Top:
    case Bottom: return Qt::SizeVerCursor;
    case TopLeft:
    case BottomRight: return Qt::SizeFDiagCursor;
    case TopRight:
    case BottomLeft: return Qt::SizeBDiagCursor;
    default: return Qt::ArrowCursor;
    }
}

bool HeadphonesDevice::isOnTitleBarBackground(const QPoint &localPos) const
{
    if (!m_titleBar)
        return false;
    const QPoint p = m_titleBar->mapFrom(this, localPos);
    return m_titleBar->rect().contains(p) && !m_titleBar->childAt(p);
}

void HeadphonesDevice::stopResizing()
{
    if (m_resizing) {
        m_resizing = false;
        m_resizeEdges = None;
        if (QWidget::mouseGrabber() == this)
            releaseMouse();
        setCursor(Qt::ArrowCursor);
    }
    m_resizeThrottle.invalidate();
}

void HeadphonesDevice::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || isMaximized()) {
        QMainWindow::mousePressEvent(event);
        return;
    }
    const QPoint local = event->position().toPoint();
    const QPoint global = event->globalPosition().toPoint();
    const ResizeEdgeFlag edges = edgesAt(local, size());
    if (edges != None) {
        m_resizing = true;
        m_resizeEdges = edges;
        m_resizePoint = global;
        m_lastDragPoint = global;
        grabMouse();
        setCursor(cursorForEdges(edges));
        m_resizeThrottle.invalidate();
        event->accept();
        return;
    }
    if (isOnTitleBarBackground(local)) {
        m_dragging = true;
        m_lastDragPoint = global;
        event->accept();
        return;
    }
    QMainWindow::mousePressEvent(event);
}

void HeadphonesDevice::applyResizeStep()
{
    setGeometry(computeResizeGeometry(m_resizePoint));
}

void HeadphonesDevice::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint global = event->globalPosition().toPoint();
    if (m_resizing) {
        m_resizePoint = global;
        if (!m_resizeThrottle.isValid()) {
            applyResizeStep();
            m_resizeThrottle.start();
            m_lastResizeStepMs = 0;
        } else {
            const qint64 elapsed = m_resizeThrottle.elapsed();
            if (elapsed - m_lastResizeStepMs >= m_timings.resizeThrottleMs) {
                applyResizeStep();
                m_lastResizeStepMs = elapsed;
            }
        }
        event->accept();
        return;
    }
    if (m_dragging) {
        move(pos() + (global - m_lastDragPoint));
        m_lastDragPoint = global;
        event->accept();
        return;
    }
    if (isMaximized())
        setCursor(Qt::ArrowCursor);
    updateHoverCursor(event->position().toPoint());
    QMainWindow::mouseMoveEvent(event);
}

void HeadphonesDevice::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_resizing) {
        // The last step needs the edges, so it runs before they are cleared.
        applyResizeStep();
        m_resizing = false;
        m_resizeEdges = None;
        if (QWidget::mouseGrabber() == this)
            releaseMouse();
        setCursor(Qt::ArrowCursor);
        if (!isMaximized())
            m_normalGeometry = geometry();
        m_resizeThrottle.invalidate();
        if (!isMaximized())
            applyWindowCorners();
        event->accept();
        QMainWindow::mouseReleaseEvent(event);
        return;
    }
    if (m_dragging) {
        m_dragging = false;
        if (!isMaximized())
            m_normalGeometry = geometry();
        event->accept();
        QMainWindow::mouseReleaseEvent(event);
        return;
    }
    QMainWindow::mouseReleaseEvent(event);
}

void HeadphonesDevice::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && isOnTitleBarBackground(event->position().toPoint())) {
        toggleWindowState();
        event->accept();
        return;
    }
    QMainWindow::mouseDoubleClickEvent(event);
}

QRect HeadphonesDevice::computeResizeGeometry(const QPoint &g) const
{
    QRect r = geometry();
    if (m_resizeEdges & Left)
        r.setLeft(qMin(g.x(), r.right() - minimumWidth()));
    if (m_resizeEdges & Right)
        r.setRight(qMax(g.x(), r.left() + minimumWidth()));
    if (m_resizeEdges & Top)
        r.setTop(qMin(g.y(), r.bottom() - minimumHeight()));
    if (m_resizeEdges & Bottom)
        r.setBottom(qMax(g.y(), r.top() + minimumHeight()));
    if (r.width() < minimumWidth() || r.height() < minimumHeight() || r.width() <= 0 || r.height() <= 0)
        return geometry();
    r.setWidth(qMin(r.width(), maximumWidth()));
    r.setHeight(qMin(r.height(), maximumHeight()));
    return r;
}

bool HeadphonesDevice::event(QEvent *event)
{
    if (event->type() == QEvent::HoverMove) {
        if (!isMaximized() && !m_resizing && !m_dragging)
            updateHoverCursor(static_cast<QHoverEvent *>(event)->position().toPoint());
    } else if (event->type() == QEvent::HoverLeave) {
        if (!m_resizing && !m_dragging) {
            setCursor(Qt::ArrowCursor);
            m_hoverCursorShape = 0;
            m_hoverCursorSet = false;
        }
    }
    return QMainWindow::event(event);
}

void HeadphonesDevice::updateHoverCursor(const QPoint &localPos)
{
    if (isMaximized()) {
        if (m_hoverCursorShape != 0)
            setCursor(Qt::ArrowCursor);
        m_hoverCursorShape = 0;
        m_hoverCursorSet = false;
        return;
    }
    const ResizeEdgeFlag edges = edgesAt(localPos, size());
    if (edges != None) {
        const Qt::CursorShape shape = cursorForEdges(edges);
        if (shape != m_hoverCursorShape) {
            setCursor(shape);
            m_hoverCursorShape = shape;
        }
        m_hoverCursorSet = true;
    } else if (m_hoverCursorShape != 0 || m_hoverCursorSet) {
        setCursor(Qt::ArrowCursor);
        m_hoverCursorShape = 0;
        m_hoverCursorSet = false;
    }
}

void HeadphonesDevice::toggleWindowState()
{
    setUpdatesEnabled(false);
    m_centralWidget->setUpdatesEnabled(false);
    m_titleBar->setUpdatesEnabled(false);

    if (isMaximized()) {
        showNormal();
        setGeometry(m_normalGeometry.isValid() ? m_normalGeometry : kFallbackNormalGeometry);
    } else {
        if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
            m_normalGeometry = geometry();
        showMaximized();
    }

    stopResizing();
    setCursor(Qt::ArrowCursor);
    m_hoverCursorShape = 0;
    m_hoverCursorSet = false;
    syncFramelessMaximized();
    m_titleBar->setUpdatesEnabled(true);
    m_centralWidget->setUpdatesEnabled(true);
    setUpdatesEnabled(true);
}

void HeadphonesDevice::on_minimizeClicked()
{
    showMinimized();
}

void HeadphonesDevice::on_maximizeClicked()
{
    toggleWindowState();
}

void HeadphonesDevice::syncFramelessMaximized()
{
    if (!m_centralWidget)
        return;
    const bool maximized = windowState() & Qt::WindowMaximized;
    if (!m_frameStateSynced || maximized != m_lastSyncedMaximized) {
        if (maximized != m_framelessMaximizedWritten) {
            m_centralWidget->setProperty("framelessMaximized", maximized);
            m_centralWidget->style()->unpolish(m_centralWidget);
            m_centralWidget->style()->polish(m_centralWidget);
            keepPagesInsideFrame(maximized);
            m_framelessMaximizedWritten = maximized;
        }
        applyWindowCorners();
        m_lastSyncedMaximized = maximized;
        m_frameStateSynced = true;
    }
    if (m_titleBar)
        m_titleBar->setMaximizedState(maximized);
}

void HeadphonesDevice::keepPagesInsideFrame(bool maximized)
{
    // The frame's border is the central widget's own; a page that paints its
    // background would cover it unless the column stays inside it.
    const int border = maximized ? 0 : kFrameBorderWidth;
    if (QLayout *column = m_centralWidget->layout())
        column->setContentsMargins(border, border, border, border);
}

void HeadphonesDevice::applyWindowCorners()
{
    if (isMaximized()) {
        clearMask();
        return;
    }
    if (internalWinId() && m_windowFrame)
        m_windowFrame->requestRoundedCorners(this);
}

QSize HeadphonesDevice::scaledScreenArea(const QRect &primaryVirtual, const QRect &allScreens, const QRect &primary,
                                         bool hasPrimary, double factor)
{
    QSize area = kFallbackScreenArea;
    if (primaryVirtual.isValid() && !primaryVirtual.isEmpty())
        area = primaryVirtual.size();
    else if (allScreens.isValid() && !allScreens.isEmpty())
        area = allScreens.size();
    else if (hasPrimary)
        area = primary.size();
    return QSize(static_cast<int>(std::lround(area.width() * factor)),
                 static_cast<int>(std::lround(area.height() * factor)));
}

QSize HeadphonesDevice::screenAreaSize(double factor) const
{
    QScreen *primary = QGuiApplication::primaryScreen();
    QRect all;
    for (QScreen *screen : QGuiApplication::screens())
        all = all.united(screen->availableGeometry());
    return scaledScreenArea(primary ? primary->availableVirtualGeometry() : QRect(), all,
                            primary ? primary->availableGeometry() : QRect(), primary != nullptr, factor);
}

void HeadphonesDevice::updateMaximumSize()
{
    setMaximumSize(screenAreaSize(kMaximumScreenShare).expandedTo(QSize(kMinimumWidth, kMinimumHeight)));
}
