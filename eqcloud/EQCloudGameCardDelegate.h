#pragma once

#include <QPointer>
#include <QStyledItemDelegate>

#include <memory>

class GameCard;

// Paints every row of the cloud card list by binding one hidden GameCard to
// the row and rendering it, and turns a click on a card into an Action for
// the page.
class EQCloudGameCardDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    enum Action : int {
        Download = 0,
        Like = 1,
        Collect = 2,
        ShareCode = 3,
        Preview = 4,
        DlPreview = 5,
        DlShare = 6,
        DlDelete = 7,
        DlApply = 8,
        MyDelete = 9,
    };
    Q_ENUM(Action)

    explicit EQCloudGameCardDelegate(QObject *parent = nullptr);
    ~EQCloudGameCardDelegate() override;

    void setView(QWidget *view);
    // At most one of the two modes is on.
    void setDownloadMode(bool on);
    void setMySharingMode(bool on);
    void setAppliedId(const QString &id);
    void clearHover();

    bool downloadMode() const { return m_downloadMode; }
    bool mySharingMode() const { return m_mySharingMode; }
    QString appliedId() const { return m_appliedId; }
    int hoveredRow() const { return m_hoveredRow; }
    // The card as bound last (null before the first paint or click).
    GameCard *card() const { return m_card.get(); }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

signals:
    void cardActionRequested(EQCloudGameCardDelegate::Action action, int row);

private:
    void ensureCard() const;
    // Binds the card to the row, its pictures made at `ratio`.
    void bindCard(const QModelIndex &index, qreal ratio) const;
    // The action of a click at `point` (card coordinates); -1 swallows the click.
    int actionAt(const QPoint &point) const;

    QPointer<QWidget> m_view;
    mutable std::unique_ptr<GameCard> m_card;
    bool m_downloadMode = false;
    bool m_mySharingMode = false;
    QString m_appliedId;
    int m_hoveredRow = -1;
};
