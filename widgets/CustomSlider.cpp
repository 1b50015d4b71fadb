#include "widgets/CustomSlider.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

namespace {
const QColor kGradientStart(101, 50, 203);
const QColor kGradientEnd(65, 2, 144);
} // namespace

CustomSlider::CustomSlider(QWidget *parent) : QSlider(Qt::Horizontal, parent)
{
    setMinimumSize(100, 17);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setRange(0, 100);
    setStyleSheet(QStringLiteral("QSlider::groove:horizontal { background: transparent; } "
                                 "QSlider::handle:horizontal { background: transparent; border: none; }"));
    setCursor(Qt::PointingHandCursor);
}

CustomSlider::~CustomSlider() = default;

void CustomSlider::jumpTo(QMouseEvent *event)
{
    const int x = static_cast<int>(event->position().x());
    setValue(QStyle::sliderValueFromPosition(minimum(), maximum(), x, width(), false));
    event->accept();
}

void CustomSlider::mousePressEvent(QMouseEvent *event)
{
    jumpTo(event);
}

void CustomSlider::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        jumpTo(event);
}

void CustomSlider::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const int w = width();
    const int h = height();

    const int trackH = static_cast<int>(h * m_trackHeightRatio);
    const int trackY = (h - trackH) / 2;
    const int r = static_cast<int>(trackH * m_trackRadiusRatio);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(85, 85, 85));
    painter.drawRoundedRect(QRect(0, trackY, w, trackH), r, r, Qt::AbsoluteSize);

    const double f = value() / 100.0;
    const int fillW = static_cast<int>(w * f);
    if (fillW > 0) {
        QLinearGradient fill(0, 0, fillW, 0);
        fill.setColorAt(0, kGradientStart);
        fill.setColorAt(1, kGradientEnd);
        painter.setBrush(fill);
        if (fillW < 2 * r)
            painter.drawRect(QRect(0, trackY, fillW, trackH));
        else
            painter.drawRoundedRect(QRect(0, trackY, fillW, trackH), r, r, Qt::AbsoluteSize);
    }

    const int s = static_cast<int>(trackH * m_handleScale * 2);
    const int half = s / 2;
    const int c = static_cast<int>(s * m_handleRadiusRatio);
    const int cx = static_cast<int>((w - 2 * half) * f + half);
    const int cy = h / 2;

    painter.save();
    painter.translate(cx, cy);
    painter.rotate(-90);
    QLinearGradient handle(QPointF(-half, 0), QPointF(half, 0));
    handle.setColorAt(0, kGradientStart);
    handle.setColorAt(1, kGradientEnd);
    painter.setBrush(handle);
    painter.drawRoundedRect(QRect(-half, -half, s, s), c, c, Qt::AbsoluteSize);
    painter.restore();

    painter.save();
    painter.translate(cx, cy);
    painter.rotate(-90);
    const int gripLength = static_cast<int>(s * m_gripLengthRatio);
    painter.setPen(QPen(Qt::white, qMax(1, static_cast<int>(s * m_gripWidthRatio)), Qt::SolidLine, Qt::RoundCap,
                        Qt::BevelJoin));
    painter.drawLine(QPointF(-gripLength / 2.0, 0), QPointF(gripLength / 2.0, 0));
    painter.restore();
}
