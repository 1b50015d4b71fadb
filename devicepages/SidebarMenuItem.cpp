#include "devicepages/SidebarMenuItem.h"

#include "widgets/DevicePixmap.h"

#include <QEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

SidebarMenuItem::SidebarMenuItem(QWidget *parent, bool selected, const QString &iconPath, const QRect &textRect)
    : QWidget(parent), m_selected(selected), m_iconPath(iconPath), m_textRect(textRect)
{
    setFixedSize(200, kCollapsedHeight);
    setStyleSheet(QStringLiteral(
        "background: transparent; border: none;font-family: 'Microsoft YaHei','PingFang SC','Segoe UI',sans-serif;"
        "font-style: normal;font-weight: 500;font-size: 14px;line-height: 20px;"));
    setAttribute(Qt::WA_Hover, true);
    setCursor(Qt::PointingHandCursor);

    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("menuIcon"));
    m_icon->setGeometry(20, 15, 20, 20);
    m_icon->setAlignment(Qt::AlignCenter);
    m_icon->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    loadIcon();
}

SidebarMenuItem::~SidebarMenuItem() = default;

void SidebarMenuItem::loadIcon()
{
    DevicePixmap::showOn(m_icon, m_iconPath, m_icon->size());
}

void SidebarMenuItem::setSelected(bool selected)
{
    m_selected = selected;
    update();
}

void SidebarMenuItem::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // Taken here, so the press does not reach the entry around this one.
    event->accept();
    emit clicked();
}

void SidebarMenuItem::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    paintBackground(painter);
    paintTitle(painter);
}

void SidebarMenuItem::paintBackground(QPainter &painter)
{
    const QRectF band(2, 2, width() - 4, height() - 2);
    if (m_selected) {
        QLinearGradient gradient(QPointF(2, 2), QPointF(width() - 4, 2));
        gradient.setColorAt(0.0, QColor(101, 50, 203));
        gradient.setColorAt(1.0, QColor(65, 2, 144));
        painter.fillRect(band, gradient);
    } else {
        painter.fillRect(band, QColor(26, 26, 27));
    }
}

void SidebarMenuItem::paintTitle(QPainter &painter)
{
    painter.setFont(font());
    painter.setPen(m_selected ? QColor(255, 255, 255) : QColor(153, 153, 153));
    painter.drawText(m_textRect, Qt::AlignLeft | Qt::AlignVCenter, title());
}

void SidebarMenuItem::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        update();
    QWidget::changeEvent(event);
}
