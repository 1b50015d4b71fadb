#include "widgets/QFlowLayout.h"

#include <QWidget>

QFlowLayout::QFlowLayout(QWidget *parent, int hSpacing, int vSpacing)
    : QLayout(parent), m_hSpacing(hSpacing), m_vSpacing(vSpacing)
{
}

QFlowLayout::~QFlowLayout()
{
    while (QLayoutItem *item = takeAt(0))
        delete item;
}

void QFlowLayout::addItem(QLayoutItem *item)
{
    m_items.append(item);
}

QLayoutItem *QFlowLayout::itemAt(int index) const
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    return m_items.at(index);
}

QLayoutItem *QFlowLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    return m_items.takeAt(index);
}

int QFlowLayout::count() const
{
    return m_items.size();
}

int QFlowLayout::horizontalSpacing() const
{
    return m_hSpacing >= 0 ? m_hSpacing : smartSpacing(QStyle::PM_LayoutHorizontalSpacing);
}

int QFlowLayout::verticalSpacing() const
{
    return m_vSpacing >= 0 ? m_vSpacing : smartSpacing(QStyle::PM_LayoutVerticalSpacing);
}

void QFlowLayout::setSpacings(int hSpacing, int vSpacing)
{
    m_hSpacing = hSpacing;
    m_vSpacing = vSpacing;
    invalidate();
}

Qt::Orientations QFlowLayout::expandingDirections() const
{
    return {};
}

bool QFlowLayout::hasHeightForWidth() const
{
    return true;
}

int QFlowLayout::heightForWidth(int width) const
{
    return doLayout(QRect(0, 0, width, 0), true);
}

void QFlowLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    doLayout(rect, false);
}

QSize QFlowLayout::sizeHint() const
{
    return minimumSize();
}

QSize QFlowLayout::minimumSize() const
{
    QSize size(0, 0);
    for (const QLayoutItem *item : m_items)
        size = size.expandedTo(item->minimumSize());
    const QMargins margins = contentsMargins();
    size += QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
    return size;
}

int QFlowLayout::doLayout(const QRect &rect, bool testOnly) const
{
    const QMargins margins = contentsMargins();
    const QRect effective = rect.adjusted(margins.left(), margins.top(), -margins.right(), -margins.bottom());
    int x = effective.x();
    int y = effective.y();
    int lineHeight = 0;

    for (QLayoutItem *item : m_items) {
        const int spaceX = horizontalSpacing();
        const int spaceY = verticalSpacing();
        const QSize hint = item->sizeHint();
        int nextX = x + hint.width() + spaceX;
        // The first item of a row stays there even when it is wider than the row.
        if (nextX - spaceX > effective.right() && lineHeight > 0) {
            x = effective.x();
            y = y + lineHeight + spaceY;
            nextX = x + hint.width() + spaceX;
            lineHeight = 0;
        }
        if (!testOnly)
            item->setGeometry(QRect(QPoint(x, y), hint));
        x = nextX;
        lineHeight = qMax(lineHeight, hint.height());
    }
    return y + lineHeight - rect.y() + margins.bottom();
}

int QFlowLayout::smartSpacing(QStyle::PixelMetric metric) const
{
    QObject *owner = parent();
    if (!owner)
        return -1;
    if (owner->isWidgetType()) {
        auto *widget = static_cast<QWidget *>(owner);
        return widget->style()->pixelMetric(metric, nullptr, widget);
    }
    return static_cast<QLayout *>(owner)->spacing();
}
