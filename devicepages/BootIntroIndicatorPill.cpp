#include "devicepages/BootIntroIndicatorPill.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <utility>

BootIntroIndicatorPill::BootIntroIndicatorPill(QWidget *parent) : QWidget(parent)
{
    setFixedSize(32, 8);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground, false);
}

BootIntroIndicatorPill::~BootIntroIndicatorPill() = default;

void BootIntroIndicatorPill::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    update();
}

void BootIntroIndicatorPill::setClickHandler(std::function<void()> handler)
{
    m_clickHandler = std::move(handler);
}

void BootIntroIndicatorPill::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_clickHandler)
        m_clickHandler();
    QWidget::mouseReleaseEvent(event);
}

void BootIntroIndicatorPill::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    if (m_active) {
        QLinearGradient gradient(0, 0, width(), 0);
        gradient.setColorAt(0.0, QColor(101, 50, 203));
        gradient.setColorAt(1.0, QColor(65, 2, 144));
        painter.setBrush(gradient);
    } else {
        painter.setBrush(QColor(51, 51, 51));
    }
    painter.drawRoundedRect(QRectF(rect()), 4, 4);
}
