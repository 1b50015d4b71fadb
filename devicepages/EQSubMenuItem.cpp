#include "devicepages/EQSubMenuItem.h"

#include "devicepages/DevicePageStyles.h"

#include <QMouseEvent>
#include <QPainter>

EQSubMenuItem::EQSubMenuItem(const QString &text, bool selected, bool marked, QWidget *parent)
    : QWidget(parent), m_text(text), m_selected(selected), m_marked(marked)
{
    setFixedSize(200, 41);
    setCursor(Qt::PointingHandCursor);
    setFont(DevicePageStyles::font(12, 500));
}

EQSubMenuItem::~EQSubMenuItem() = default;

void EQSubMenuItem::setText(const QString &text)
{
    m_text = text;
    update();
}

void EQSubMenuItem::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    update();
}

void EQSubMenuItem::setMarked(bool marked)
{
    if (marked == m_marked)
        return;
    m_marked = marked;
    update();
}

void EQSubMenuItem::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // Taken here, so the press does not reach the entry around this one.
    event->accept();
    emit clicked();
}

void EQSubMenuItem::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(rect(), QColor(26, 26, 27));

    painter.setPen(Qt::NoPen);
    painter.setBrush(m_marked ? QColor(0, 214, 139) : QColor(153, 153, 153));
    painter.drawEllipse(QRectF(42.5, height() / 2.0 - 2.5, 7, 7));

    painter.setFont(font());
    if (m_selected) {
        painter.setOpacity(0.99);
        painter.setPen(QColor(124, 65, 241));
    } else {
        painter.setPen(QColor(153, 153, 153));
    }
    painter.drawText(QRect(55, 0, width() - 55, height()), Qt::AlignLeft | Qt::AlignVCenter, m_text);
}
