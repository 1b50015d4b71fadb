#include "devicepages/RoundedTrackSlider.h"

#include <QLinearGradient>
#include <QPainter>

#include <cmath>

namespace {
constexpr int kTrackHeight = 11;
constexpr qreal kTrackRadius = 7.0;
} // namespace

RoundedTrackSlider::RoundedTrackSlider(QWidget *parent) : QSlider(Qt::Horizontal, parent) {}

RoundedTrackSlider::~RoundedTrackSlider() = default;

int RoundedTrackSlider::filledWidth() const
{
    if (maximum() <= minimum())
        return 0;
    const double share = double(value() - minimum()) / double(maximum() - minimum());
    return static_cast<int>(std::round(share * width()));
}

void RoundedTrackSlider::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    const int top = (height() - kTrackHeight) / 2;
    painter.setBrush(QColor(42, 41, 45));
    painter.drawRoundedRect(QRectF(0, top, width(), kTrackHeight), kTrackRadius, kTrackRadius);

    const int filled = filledWidth();
    if (filled <= 0)
        return;
    QLinearGradient gradient(0, 0, filled, 0);
    gradient.setColorAt(0.0, QColor(101, 50, 203));
    gradient.setColorAt(1.0, QColor(65, 2, 144));
    painter.setBrush(gradient);
    painter.drawRoundedRect(QRectF(0, top, filled, kTrackHeight), kTrackRadius, kTrackRadius);
}
