#include "widgets/VelkoraProxyStyle.h"

#include <QPushButton>
#include <QToolButton>

VelkoraProxyStyle::VelkoraProxyStyle(const QString &key) : QProxyStyle(key) {}

VelkoraProxyStyle::~VelkoraProxyStyle() = default;

void VelkoraProxyStyle::drawPrimitive(QStyle::PrimitiveElement element, const QStyleOption *option,
                                      QPainter *painter, const QWidget *widget) const
{
    if (element == PE_FrameFocusRect && widget
        && (qobject_cast<const QPushButton *>(widget) || qobject_cast<const QToolButton *>(widget)))
        return;
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}
