#pragma once

#include <QStyledItemDelegate>

class QComboBox;

// Rows of the profile picker's popup: the name, a status dot for the chosen
// profile and thin separators.
class EQXAxisProfileItemDelegate : public QStyledItemDelegate
{
public:
    EQXAxisProfileItemDelegate(QComboBox *picker, QObject *parent);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    static QFont rowFont(const QFont &base);

private:
    QComboBox *m_picker;
};
