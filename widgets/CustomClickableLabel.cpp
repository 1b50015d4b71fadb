#include "widgets/CustomClickableLabel.h"

#include <QMouseEvent>

CustomClickableLabel::CustomClickableLabel(QWidget *parent, bool clickable, Qt::WindowFlags flags)
    : QLabel(parent, flags), m_clickable(clickable)
{
    applyCursor();
}

CustomClickableLabel::~CustomClickableLabel() = default;

void CustomClickableLabel::setClickable(bool clickable)
{
    m_clickable = clickable;
    applyCursor();
}

void CustomClickableLabel::applyCursor()
{
    setCursor(m_clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void CustomClickableLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && isEnabled() && m_clickable)
        m_pressed = true;
    QLabel::mousePressEvent(event);
}

void CustomClickableLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        if (isEnabled() && rect().contains(event->position().toPoint()))
            emit clicked();
        m_pressed = false;
    }
    QLabel::mouseReleaseEvent(event);
}

void CustomClickableLabel::enterEvent(QEnterEvent *event)
{
    emit hovered(true);
    QLabel::enterEvent(event);
}

void CustomClickableLabel::leaveEvent(QEvent *event)
{
    emit hovered(false);
    m_pressed = false;
    QLabel::leaveEvent(event);
}
