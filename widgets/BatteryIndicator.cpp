#include "widgets/BatteryIndicator.h"

#include <QLinearGradient>
#include <QPainter>

BatteryIndicator::BatteryIndicator(QWidget *parent) : QWidget(parent)
{
    setFixedSize(67, 20);
}

BatteryIndicator::~BatteryIndicator() = default;

QColor BatteryIndicator::fillColor() const
{
    if (low)
        return QColor(218, 37, 40);
    return level > 80 ? QColor(0, 214, 139) : QColor(255, 184, 0);
}

int BatteryIndicator::levelBarWidth() const
{
    return qBound(0, level, 100) * 18 / 100;
}

void BatteryIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QColor fill = fillColor();

    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 30));
    painter.drawRoundedRect(QRectF(1.0, 7.5, 20.0, 10.0), 1.5, 1.5);

    painter.setPen(QPen(QColor(255, 255, 255, 150), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setBrush(QColor(0, 0, 0, 80));
    painter.drawRoundedRect(QRectF(0.5, 7.0, 20.0, 10.0), 1.5, 1.5);

    const int barWidth = levelBarWidth();
    painter.setPen(Qt::NoPen);
    QLinearGradient gradient(0, 0, barWidth, 0);
    gradient.setColorAt(0, fill);
    gradient.setColorAt(1, fill.lighter(120));
    painter.setBrush(gradient);
    painter.drawRoundedRect(QRectF(1.5, 8.0, barWidth, 8.0), 1.2, 1.2);

    painter.setBrush(QColor(255, 255, 255, 120));
    painter.drawRect(QRectF(20.5, 10.5, 1.5, 4.0));
    painter.restore();

    painter.save();
    QFont font(QStringLiteral("PingFang SC Medium"));
    font.setPointSize(textPointSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setStyle(QFont::StyleNormal);
    painter.setFont(font);
    const QString text = QStringLiteral("%1%").arg(level);
    painter.setPen(QColor(0, 0, 0, 150));
    painter.drawText(QRectF(27, 4, 40, 16), Qt::AlignLeft | Qt::AlignVCenter, text);
    painter.setPen(QColor(153, 153, 153));
    painter.drawText(QRectF(26, 3, 41, 16), Qt::AlignLeft | Qt::AlignVCenter, text);
    painter.restore();
}
