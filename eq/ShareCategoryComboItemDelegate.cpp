#include "eq/ShareCategoryComboItemDelegate.h"

#include "eq/EQPagesResources.h"

#include <QHash>
#include <QPainter>

#include <algorithm>

ShareCategoryComboItemDelegate::~ShareCategoryComboItemDelegate() = default;

QPixmap ShareCategoryComboItemDelegate::cachedPixmap(const QString &path)
{
    static QHash<QString, QPixmap> cache;
    auto it = cache.find(path);
    if (it == cache.end())
        it = cache.insert(path, QPixmap(path));
    return it.value();
}

QSize ShareCategoryComboItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return QSize(std::max(option.rect.width(), 1), kRowHeight);
}

void ShareCategoryComboItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                           const QModelIndex &index) const
{
    const QRect row = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillRect(row, QColor(selected ? "#3A393D" : "#2A292D"));

    QFont font;
    font.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("PingFang SC"), QStringLiteral("Segoe UI")});
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    painter->setFont(font);
    painter->setPen(QColor(selected ? "#FFFFFF" : "#E4E4E4"));

    const QPixmap mark = cachedPixmap(QString::fromLatin1(selected ? EQPagesResources::radioChecked
                                                                   : EQPagesResources::radioUnchecked));
    const int markWidth = mark.isNull() ? 0 : mark.width();
    const int rightInset = markWidth > 0 ? 10 + markWidth : 8;
    QRect textRect = row.adjusted(13, 0, -rightInset, 0);
    if (textRect.width() <= 0)
        textRect = row.adjusted(13, 0, -8, 0);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, index.data(Qt::DisplayRole).toString());

    if (!mark.isNull()) {
        const int top = row.top() + (row.height() - mark.height()) / 2;
        painter->drawPixmap(row.right() - 10 - markWidth, top, mark);
    }
    painter->restore();
}
