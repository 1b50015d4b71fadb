#include "eq/EqCtxRowButton.h"

#include <QEvent>
#include <QPainter>

EqCtxRowButton::EqCtxRowButton(const QString &text, Kind kind, QWidget *parent)
    : QPushButton(text, parent), m_kind(kind)
{
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    QFont f = font();
    f.setPixelSize(11);
    f.setWeight(QFont::Medium);
    f.setFamilies({QStringLiteral("PingFang SC"), QStringLiteral("Microsoft YaHei"), QStringLiteral("Segoe UI")});
    setFont(f);
    refreshPalette();
}

void EqCtxRowButton::refreshPalette()
{
    const bool reset = m_kind == Kind::Reset;
    const QColor enabled = reset ? QColor(QStringLiteral("#00D68B")) : QColor(QStringLiteral("#D00000"));
    const QColor disabled = reset ? QColor(0, 214, 139, 97) : QColor(208, 0, 0, 89);
    const QColor colour = isEnabled() ? enabled : disabled;
    QPalette pal = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::ButtonText, colour);
        pal.setColor(group, QPalette::WindowText, colour);
    }
    setPalette(pal);
}

void EqCtxRowButton::enterEvent(QEnterEvent *event)
{
    QPushButton::enterEvent(event);
    m_hovered = true;
    update();
}

void EqCtxRowButton::leaveEvent(QEvent *event)
{
    QPushButton::leaveEvent(event);
    m_hovered = false;
    update();
}

void EqCtxRowButton::changeEvent(QEvent *event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled())
            m_hovered = false;
        refreshPalette();
        update();
    }
}

void EqCtxRowButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isEnabled() && m_hovered) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_kind == Kind::Reset ? QColor(255, 255, 255, 16) : QColor(QStringLiteral("#333333")));
        painter.drawRoundedRect(QRectF(rect().adjusted(2, 0, -2, 0)), 5, 5);
    }
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
}
