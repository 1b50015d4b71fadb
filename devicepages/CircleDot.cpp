#include "devicepages/CircleDot.h"

#include <QPainter>

CircleDot::CircleDot(QWidget *parent) : QWidget(parent) {}

CircleDot::~CircleDot() = default;

void CircleDot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QRectF(rect()));
}
