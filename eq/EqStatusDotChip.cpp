#include "eq/EqStatusDotChip.h"

#include <QPainter>

namespace FloatingPointEditorDetail {

namespace {
constexpr qreal kDotRadius = 3.74;
}

EqStatusDotChip::EqStatusDotChip(QWidget *parent) : QWidget(parent) {}

void EqStatusDotChip::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void EqStatusDotChip::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_color);
    const QPointF c = QRectF(rect()).center();
    painter.drawEllipse(QRectF(c.x() - kDotRadius, c.y() - kDotRadius, 2 * kDotRadius, 2 * kDotRadius));
}

} // namespace FloatingPointEditorDetail
