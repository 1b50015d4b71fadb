#include "devicepages/MoreSettingsMenuItem.h"

#include <QFontMetrics>
#include <QPainter>

MoreSettingsMenuItem::MoreSettingsMenuItem(QWidget *parent, bool selected)
    : SidebarMenuItem(parent, selected, QStringLiteral(":/svgs/setting.svg"), QRect(50, 14, 180, 20))
{
}

MoreSettingsMenuItem::~MoreSettingsMenuItem() = default;

QString MoreSettingsMenuItem::title() const
{
    return tr("更多设置");
}

void MoreSettingsMenuItem::setRedDotVisible(bool visible)
{
    if (visible == m_redDot)
        return;
    m_redDot = visible;
    update();
}

QRectF MoreSettingsMenuItem::redDotRect() const
{
    const int titleEnd = textRect().x() + QFontMetrics(font()).horizontalAdvance(title());
    return QRectF(titleEnd + 2, textRect().top(), 4, 4);
}

void MoreSettingsMenuItem::paintEvent(QPaintEvent *event)
{
    SidebarMenuItem::paintEvent(event);
    if (!m_redDot)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(240, 31, 31));
    painter.drawEllipse(redDotRect());
}
