#include "widgets/WindowSwitchButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>

WindowSwitchButton::WindowSwitchButton(QWidget *parent) : QWidget(parent)
{
    setFixedSize(40, 18);
    m_animation = new QPropertyAnimation(this, "handlePosition", this);
    m_animation->setDuration(200);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    setCursor(Qt::PointingHandCursor);
}

WindowSwitchButton::~WindowSwitchButton() = default;

QSize WindowSwitchButton::sizeHint() const
{
    return QSize(40, 18);
}

void WindowSwitchButton::setChecked(bool on)
{
    if (m_checked == on)
        return;
    m_checked = on;
    m_animation->stop();
    m_animation->setStartValue(m_handlePosition);
    m_animation->setEndValue(on ? kOnPosition : kOffPosition);
    m_animation->start();
    emit toggled(on);
    update();
}

void WindowSwitchButton::setHandlePosition(int position)
{
    if (m_handlePosition == position)
        return;
    m_handlePosition = position;
    emit handlePositionChanged(position);
    update();
}

void WindowSwitchButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setChecked(!m_checked);
    event->accept();
}

void WindowSwitchButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_checked ? m_onColor : m_offColor);
    painter.drawRoundedRect(QRectF(0, 0, 40, 18), 9, 9, Qt::AbsoluteSize);
    painter.setBrush(m_knobColor);
    painter.drawEllipse(QRectF(m_handlePosition, 1, 16, 16));
}

void WindowSwitchButton::resizeEvent(QResizeEvent *)
{
    // A resize snaps the knob to its end; a running animation would fight it.
    m_animation->stop();
    setHandlePosition(m_checked ? kOnPosition : kOffPosition);
    update();
}
