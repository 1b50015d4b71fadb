#include "devicepages/ColorDot.h"

#include "devicepages/ColorSelector.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

ColorDot::ColorDot(const QColor &color, const QColor &accent, QWidget *parent)
    : QWidget(parent), m_color(color), m_accent(accent)
{
    setFixedSize(24, 24);
    setCursor(Qt::PointingHandCursor);
}

ColorDot::~ColorDot() = default;

void ColorDot::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    update();
}

void ColorDot::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // Taken here, so the press does not reach the entry around this one.
    event->accept();
    emit clicked();
}

void ColorDot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);

    const qreal diameter = m_selected ? 24.0 : 16.0;
    const qreal outline = m_selected ? 1.5 : 0.3;
    const QPointF centre = QRectF(rect()).center();
    const qreal inset = outline / 2.0;
    const QRectF circle(centre.x() - diameter / 2.0 + inset, centre.y() - diameter / 2.0 + inset,
                        diameter - outline, diameter - outline);

    QBrush fill(m_color);
    if (m_accent.isValid()) {
        // The page's own pairs run top to bottom; anything else left to right.
        const bool vertical = ColorSelector::isPaletteEntry(m_color, m_accent);
        QLinearGradient gradient(vertical ? QPointF(circle.center().x(), circle.top()) : circle.topLeft(),
                                 vertical ? QPointF(circle.center().x(), circle.bottom())
                                          : QPointF(circle.right(), circle.center().y()));
        gradient.setColorAt(0.0, m_color);
        gradient.setColorAt(1.0, m_accent);
        fill = QBrush(gradient);
    }
    painter.setPen(QPen(QColor(255, 255, 255), outline));
    painter.setBrush(fill);
    painter.drawEllipse(circle);
}
