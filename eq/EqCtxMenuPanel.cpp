#include "eq/EqCtxMenuPanel.h"

#include <QPainter>

EqCtxMenuPanel::EqCtxMenuPanel(QWidget *parent) : QWidget(parent) {}

void EqCtxMenuPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(QStringLiteral("#1A1A1B")));
    painter.drawRoundedRect(QRectF(rect().adjusted(0, 0, -1, -1)), 11, 11);
}
