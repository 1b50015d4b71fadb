#include "widgets/CustomizeWindowIconButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {
constexpr int kSide = 24;
constexpr qreal kPenWidth = 1.33333;
constexpr qreal kCornerRadius = 2.66667;
} // namespace

CustomizeWindowIconButton::CustomizeWindowIconButton(ButtonType type, QWidget *parent, bool badgeVisible)
    : QPushButton(parent), m_type(type), m_badgeVisible(badgeVisible)
{
    setFixedSize(kSide, kSide);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAttribute(Qt::WA_TranslucentBackground, true);
    setAttribute(Qt::WA_NoSystemBackground, true);
    setAutoFillBackground(false);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

CustomizeWindowIconButton::~CustomizeWindowIconButton() = default;

void CustomizeWindowIconButton::setBadgeVisible(bool visible)
{
    if (m_badgeVisible == visible)
        return;
    m_badgeVisible = visible;
    update();
}

void CustomizeWindowIconButton::setMaximizedState(bool maximized)
{
    if (m_maximized == maximized)
        return;
    m_maximized = maximized;
    update();
}

QColor CustomizeWindowIconButton::glyphColor() const
{
    const bool active = m_hovered || m_pressed;
    if (!active)
        return QColor(0x99, 0x99, 0x99);
    return m_type == Close ? QColor(0xE8, 0x50, 0x50) : QColor(0x00, 0xCE, 0xD1);
}

void CustomizeWindowIconButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && !m_pressed) {
        m_pressed = true;
        update();
    }
    QPushButton::mousePressEvent(event);
}

void CustomizeWindowIconButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        update();
    }
    QPushButton::mouseReleaseEvent(event);
}

void CustomizeWindowIconButton::enterEvent(QEnterEvent *event)
{
    if (!m_hovered) {
        m_hovered = true;
        update();
    }
    QPushButton::enterEvent(event);
}

void CustomizeWindowIconButton::leaveEvent(QEvent *event)
{
    const bool changed = m_hovered || m_pressed;
    m_hovered = false;
    m_pressed = false;
    if (changed)
        update();
    QPushButton::leaveEvent(event);
}

void CustomizeWindowIconButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);

    QPen pen(glyphColor(), kPenWidth, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);

    switch (m_type) {
    case Minimize:
        painter.drawLine(QPointF(5.33, 12), QPointF(18.66, 12));
        break;
    case Maximize:
        if (!m_maximized) {
            painter.drawRoundedRect(QRectF(4, 4, 16, 16), kCornerRadius, kCornerRadius, Qt::AbsoluteSize);
        } else {
            const QRectF back(7, 4, 14.67, 14.67);
            const QRectF front(4, 7, 14.67, 14.67);
            QPainterPath frontOutline;
            frontOutline.addRoundedRect(front, kCornerRadius, kCornerRadius, Qt::AbsoluteSize);
            QPainterPath whole;
            whole.addRect(QRectF(rect()));
            painter.save();
            // The back square hides behind the front one.
            painter.setClipPath(whole.subtracted(frontOutline));
            painter.drawRoundedRect(back, kCornerRadius, kCornerRadius, Qt::AbsoluteSize);
            painter.restore();
            painter.drawRoundedRect(front, kCornerRadius, kCornerRadius, Qt::AbsoluteSize);
        }
        break;
    case Close:
        painter.drawLine(QPointF(5.402695, 5.402695), QPointF(18.597305, 18.597305));
        painter.drawLine(QPointF(18.597305, 5.402695), QPointF(5.402695, 18.597305));
        break;
    case Setting:
        drawSettingGlyph(painter);
        break;
    }

    if (m_badgeVisible) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xF0, 0x1F, 0x1F));
        painter.drawEllipse(QRectF(rect().right() - 3, rect().top(), 4, 4));
    }
}

void CustomizeWindowIconButton::drawSettingGlyph(QPainter &painter) const
{
    const QPointF centre = rect().center();
    QPainterPath hexagon;
    hexagon.setFillRule(Qt::OddEvenFill);
    for (int k = 0; k < 6; ++k) {
        const qreal angle = k * M_PI / 3.0;
        const QPointF corner = centre + QPointF(10.0 * qCos(angle), 10.0 * qSin(angle));
        if (k == 0)
            hexagon.moveTo(corner);
        else
            hexagon.lineTo(corner);
    }
    hexagon.closeSubpath();
    painter.drawPath(hexagon);
    painter.drawEllipse(centre, 2.5, 2.5);
}
