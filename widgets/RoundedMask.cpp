#include "widgets/RoundedMask.h"

#include <QPainterPath>
#include <QPolygon>
#include <QRegion>
#include <QTransform>
#include <QWidget>

namespace {
constexpr qreal kMaskRadius = 6.66667;
}

void applyRoundedMask(QWidget *widget)
{
    if (!widget)
        return;
    QPainterPath path;
    path.addRoundedRect(QRectF(widget->rect()), kMaskRadius, kMaskRadius, Qt::AbsoluteSize);
    const QPolygon polygon = path.toFillPolygon(QTransform()).toPolygon();
    widget->setMask(QRegion(polygon, Qt::OddEvenFill));
}
