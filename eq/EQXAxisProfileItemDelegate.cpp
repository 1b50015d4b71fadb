#include "eq/EQXAxisProfileItemDelegate.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {
constexpr qreal kRowPointSize = 8.17;
constexpr int kMinTextWidth = 120;
constexpr int kRowExtra = 45;
constexpr int kRowHeight = 26;
constexpr int kRowBesideText = 37;
} // namespace

EQXAxisProfileItemDelegate::EQXAxisProfileItemDelegate(QComboBox *picker, QObject *parent)
    : QStyledItemDelegate(parent), m_picker(picker)
{
}

QFont EQXAxisProfileItemDelegate::rowFont(const QFont &base)
{
    QFont f = base;
    f.setFamilies({QStringLiteral("PingFang SC"), QStringLiteral("Microsoft YaHei"), QStringLiteral("Segoe UI"),
                   QStringLiteral("sans-serif")});
    f.setPointSizeF(kRowPointSize);
    f.setWeight(QFont::Normal);
    return f;
}

void EQXAxisProfileItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                       const QModelIndex &index) const
{
    if (!index.isValid() || !index.model() || !m_picker)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect r = option.rect;
    const QModelIndex current = m_picker->view() ? m_picker->view()->currentIndex() : QModelIndex();
    const bool isCurrent = current.isValid() && current.row() == index.row();
    if (isCurrent)
        painter->fillRect(r, QColor(255, 255, 255, 10));
    else if (option.state & QStyle::State_MouseOver)
        painter->fillRect(r, QColor(255, 255, 255, 6));

    const QFont font = rowFont(option.font);
    painter->setFont(font);
    const QRect textRect(r.left() + 10, r.top(), textWidth(r.width()), r.height());
    const QString text =
        QFontMetrics(font).elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, textRect.width());
    painter->setPen(isCurrent ? QColor(0xE4, 0xE4, 0xE4) : QColor(0x99, 0x99, 0x99));
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);

    const qreal cx = r.right() - 15;
    const qreal cy = QRectF(r).center().y();
    QPen ring(isCurrent ? QColor(0, 214, 139, 128) : QColor(85, 85, 85, 128));
    ring.setWidthF(1);
    painter->setPen(ring);
    painter->setBrush(Qt::NoBrush);
    painter->drawEllipse(QRectF(cx - 5.5, cy - 5.5, 11, 11));
    painter->setPen(Qt::NoPen);
    painter->setBrush(isCurrent ? QColor(0x00, 0xD6, 0x8B) : QColor(0x55, 0x55, 0x55));
    painter->drawEllipse(QRectF(cx - 4, cy - 4, 8, 8));

    if (index.row() < index.model()->rowCount(index.parent()) - 1) {
        painter->setPen(QPen(QColor(0x55, 0x55, 0x55), 1));
        painter->drawLine(QPoint(r.left() + 10, r.bottom()), QPoint(r.right() - 10, r.bottom()));
    }
    painter->restore();
}

int EQXAxisProfileItemDelegate::textWidth(int rowWidth)
{
    return rowWidth - kRowBesideText;
}

int EQXAxisProfileItemDelegate::rowWidthFor(int textWidth)
{
    return textWidth + kRowBesideText;
}

QSize EQXAxisProfileItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    const QFontMetrics metrics(rowFont(option.font));
    int widest = 0;
    if (m_picker) {
        for (int i = 0; i < m_picker->count(); ++i)
            widest = std::max(widest, metrics.horizontalAdvance(m_picker->itemText(i)));
    }
    return QSize(std::max(kMinTextWidth, widest) + kRowExtra, kRowHeight);
}
