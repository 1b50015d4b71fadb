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
    // What a row this wide leaves its name, beside the margins and the status
    // dot; and how wide a row must be for a name this wide.
    static int textWidth(int rowWidth);
    static int rowWidthFor(int textWidth);

private:
    QComboBox *m_picker;
};
