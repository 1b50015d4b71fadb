#include "eq/EqHelpSnapScrollArea.h"

#include <QMouseEvent>
#include <QScrollBar>

EqHelpSnapScrollArea::EqHelpSnapScrollArea(QWidget *parent) : QScrollArea(parent) {}

int EqHelpSnapScrollArea::nearestPage(int scrollValue)
{
    return qBound(0, (scrollValue + kPageWidth / 2) / kPageWidth, kPageCount - 1);
}

bool EqHelpSnapScrollArea::viewportEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            m_dragging = true;
            m_lastX = mouse->position().x();
            if (onDragStarted)
                onDragStarted();
        }
        break;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (m_dragging && (mouse->buttons() & Qt::LeftButton)) {
            const double dx = mouse->position().x() - m_lastX;
            m_lastX = mouse->position().x();
            QScrollBar *bar = horizontalScrollBar();
            bar->setValue(qBound(bar->minimum(), int(bar->value() - dx), bar->maximum()));
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && m_dragging) {
            m_dragging = false;
            const int page = nearestPage(horizontalScrollBar()->value());
            if (onSnapToPage)
                onSnapToPage(page);
            else
                horizontalScrollBar()->setValue(page * kPageWidth);
            if (onDragFinished)
                onDragFinished();
        }
        break;
    }
    default:
        break;
    }
    return QScrollArea::viewportEvent(event);
}
