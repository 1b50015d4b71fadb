#include "eq/EqHelpBlurSurface.h"

#include <QPainter>

EqHelpBlurSurface::EqHelpBlurSurface(QWidget *parent) : QWidget(parent) {}

void EqHelpBlurSurface::setSnapshot(const QPixmap &snapshot)
{
    m_snapshot = snapshot;
    update();
}

void EqHelpBlurSurface::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!m_snapshot.isNull())
        painter.drawPixmap(rect(), m_snapshot);
    painter.fillRect(rect(), QColor(0, 0, 0, 44));
}
