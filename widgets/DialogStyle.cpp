#include "widgets/DialogStyle.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QWidget>

namespace DialogStyle {

namespace {
constexpr qreal kTrackRadius = 6.66667;
}

const QString &fontFamilies()
{
    static const QString fonts =
        QStringLiteral("'Microsoft YaHei UI', 'Microsoft YaHei', 'PingFang SC', 'Segoe UI', sans-serif");
    return fonts;
}

const QString &frameStyle()
{
    static const QString s = QStringLiteral("QDialog { background: #000000; border-radius: 6.66667px; }");
    return s;
}

const QString &titleStyle()
{
    static const QString s =
        QStringLiteral("color: #E4E4E4; font-family: %1; font-weight: 400; font-size: 16px; line-height: 22px;")
            .arg(fontFamilies());
    return s;
}

void paintProgressTrack(QPainter &painter, const QRectF &area, int percent)
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath track;
    // An absolute radius larger than half the height still gives round ends.
    track.addRoundedRect(area, kTrackRadius, kTrackRadius, Qt::AbsoluteSize);
    painter.fillPath(track, QColor(QStringLiteral("#222222")));

    const qreal fillWidth = area.width() * percent / 100.0;
    if (fillWidth <= 0.5)
        return;
    painter.save();
    painter.setClipRect(QRectF(area.left(), area.top(), fillWidth, area.height()));
    // The gradient spans the whole bar: a partial fill ends part-way along it.
    QLinearGradient gradient(area.topLeft(), area.topRight());
    gradient.setColorAt(0, QColor(QStringLiteral("#6532CB")));
    gradient.setColorAt(1, QColor(QStringLiteral("#410290")));
    painter.fillPath(track, gradient);
    painter.restore();
}

void centreOnParentWindow(QWidget *dialog)
{
    QWidget *owner = dialog->parentWidget();
    if (!owner)
        return;
    const QRect frame = owner->window()->frameGeometry();
    dialog->move(frame.x() + (frame.width() - dialog->width()) / 2,
                 frame.y() + (frame.height() - dialog->height()) / 2);
}

} // namespace DialogStyle
