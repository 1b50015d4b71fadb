#include "widgets/PixelRatioFollower.h"

#include "widgets/DevicePixmap.h"

#include <QEvent>
#include <QWidget>

PixelRatioFollower::PixelRatioFollower(QWidget *widget) : QObject(widget), m_widget(widget)
{
    widget->installEventFilter(this);
}

PixelRatioFollower *PixelRatioFollower::of(const QWidget *widget)
{
    return widget ? widget->findChild<PixelRatioFollower *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

void PixelRatioFollower::follow(QWidget *widget, Make make)
{
    if (!widget || !make)
        return;
    PixelRatioFollower *follower = of(widget);
    if (!follower)
        follower = new PixelRatioFollower(widget);
    follower->m_make = std::move(make);
    follower->makeAt(DevicePixmap::ratioOf(widget));
}

void PixelRatioFollower::stop(QWidget *widget)
{
    delete of(widget);
}

qreal PixelRatioFollower::madeAt(const QWidget *widget)
{
    const PixelRatioFollower *follower = of(widget);
    return follower ? follower->m_ratio : 0;
}

void PixelRatioFollower::makeAt(qreal ratio)
{
    m_ratio = ratio;
    // A copy: `make` may follow the widget anew and so replace itself.
    const Make make = m_make;
    make(ratio);
}

bool PixelRatioFollower::eventFilter(QObject *watched, QEvent *event)
{
    // A move to another screen tells the widget; a window that first shows on
    // a screen other than the one its pictures were made for only paints.
    if (watched == m_widget && (event->type() == QEvent::ScreenChangeInternal || event->type() == QEvent::Paint)) {
        const qreal ratio = DevicePixmap::ratioOf(m_widget);
        if (!qFuzzyCompare(ratio, m_ratio))
            makeAt(ratio);
    }
    return QObject::eventFilter(watched, event);
}
