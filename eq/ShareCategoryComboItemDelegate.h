#pragma once

#include <QPixmap>
#include <QStyledItemDelegate>

// The rows of the share dialog's category list: a dark row, the category name
// at the left and a round mark at the right, lit for the selected row.
class ShareCategoryComboItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static constexpr int kRowHeight = 34;

    using QStyledItemDelegate::QStyledItemDelegate;
    ~ShareCategoryComboItemDelegate() override;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // One program-wide copy per resource path; a path that fails to load is remembered too.
    static QPixmap cachedPixmap(const QString &path);
};
