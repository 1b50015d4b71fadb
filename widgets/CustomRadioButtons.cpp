#include "widgets/CustomRadioButtons.h"

#include "widgets/KitFonts.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {
constexpr qreal kIndicator = 16.0;
constexpr qreal kTextOffset = 19.0;
} // namespace

CustomRadioButtons::CustomRadioButtons(const QString &text, QWidget *parent)
    : QRadioButton(text, parent), m_metrics(font())
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TranslucentBackground, true);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_StaticContents, true);
    setAttribute(Qt::WA_PaintOnScreen, false);
    setStyleSheet(QStringLiteral("QRadioButton { background: transparent; border: none; padding: 0px; outline: none; }"
                                 "QRadioButton:focus { background: transparent; border: none; outline: none; }"));
    connect(this, &QRadioButton::toggled, this, &CustomRadioButtons::applyCheckedFont);
    applyCheckedFont();
}

CustomRadioButtons::~CustomRadioButtons() = default;

void CustomRadioButtons::setCheckedState(bool checked)
{
    if (isChecked() != checked)
        setChecked(checked);
}

QSize CustomRadioButtons::sizeHint() const
{
    if (text().isEmpty())
        return QSize(16, 16);
    return QSize(qCeil(m_metrics.horizontalAdvance(text()) + 19.333333), 16);
}

void CustomRadioButtons::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    QRadioButton::mousePressEvent(event);
}

void CustomRadioButtons::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        m_metrics = QFontMetricsF(font());
    QRadioButton::changeEvent(event);
}

void CustomRadioButtons::applyCheckedFont()
{
    QFont f = KitFonts::font(11, isChecked() ? 900 : 500);
    f.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("PingFang SC"), QStringLiteral("Segoe UI")});
    setFont(f);
    updateGeometry();
    update();
}

void CustomRadioButtons::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);

    const QRectF square(0, (height() - kIndicator) / 2.0, kIndicator, kIndicator);
    if (isChecked()) {
        drawIndicator(painter, square);
    } else {
        QColor ring = isEnabled() ? QColor(255, 255, 255, 80) : QColor(0x80, 0x80, 0x80, 80);
        painter.setPen(QPen(ring, 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(square.adjusted(1.333333, 1.333333, -1.333333, -1.333333));
    }

    QColor textColor;
    if (!isEnabled())
        textColor = QColor(0x80, 0x80, 0x80);
    else
        textColor = isChecked() ? QColor(0xE4, 0xE4, 0xE4) : QColor(0x99, 0x99, 0x99);
    painter.setPen(textColor);
    painter.setFont(font());
    const QRectF textRect(kTextOffset, 0, qMax<qreal>(1.0, width() - kTextOffset), height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, text());
}

void CustomRadioButtons::drawIndicator(QPainter &painter, const QRectF &square) const
{
    const QRectF disc(square.left() + 1.3333335, square.top() + 1.3333335, 13.333333, 13.333333);
    painter.setPen(Qt::NoPen);
    if (isEnabled()) {
        QLinearGradient gradient(QPointF(disc.left(), disc.center().y()), QPointF(disc.right(), disc.center().y()));
        gradient.setColorAt(0, QColor(0x65, 0x32, 0xCB));
        gradient.setColorAt(1, QColor(0x41, 0x02, 0x90));
        painter.setBrush(gradient);
    } else {
        painter.setBrush(QColor(0x80, 0x80, 0x80));
    }
    painter.drawEllipse(disc);

    QPen mark(isEnabled() ? QColor(0xFF, 0xFF, 0xFF) : QColor(0x80, 0x80, 0x80), 1.333333, Qt::SolidLine,
              Qt::SquareCap, Qt::MiterJoin);
    painter.setPen(mark);
    painter.setBrush(Qt::NoBrush);
    const qreal bx = square.left() + 5.33;
    const qreal by = square.top() + 5.33;
    QPainterPath path;
    path.moveTo(bx + 0.15, by + 2.3333335);
    path.lineTo(bx + 2.3333335, by + 4.666667 - 0.15);
    path.lineTo(bx + 4.666667 - 0.15, by + 0.15);
    painter.drawPath(path);
}
