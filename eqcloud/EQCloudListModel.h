#pragma once

#include "cloud/CloudEQItem.h"
#include "cloud/CloudEQOperation.h"

#include <QAbstractListModel>
#include <QList>

// The rows of the cloud EQ card list. Counters and flags stay the texts the
// server sent; a flag is set when its trimmed text is "1". GUI thread only.
class EQCloudListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        NameRole,
        DescRole,
        NickNameRole,
        IconUrlRole,
        Sc1NameRole,
        Sc2NameRole,
        DownloadNumRole,
        LikeNumRole,
        CollNumRole,
        IsDownloadRole,
        IsLikeRole,
        IsCollRole,
        ShareCodeRole,
        AddTimeRole,
    };
    Q_ENUM(Role)

    explicit EQCloudListModel(QObject *parent = nullptr);
    ~EQCloudListModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    // An empty list only stores the total.
    void appendItems(const QList<EarphoneApi::CloudEQItem> &items, int total);
    void setItems(const QList<EarphoneApi::CloudEQItem> &items, int total);
    void clear();

    // A copy of the row; an empty item and *valid false for a row out of range.
    EarphoneApi::CloudEQItem itemAt(int row, bool *valid = nullptr) const;
    // The first row whose trimmed id equals `id`, or -1.
    int rowOfId(const QString &id) const;
    int totalCount() const { return m_totalCount; }

    // Marks or unmarks the first row with this id and moves its counter by one
    // (never below 0). False when no row has the id or the operation is unknown.
    bool applyOperation(int cloudId, EarphoneApi::CloudEQOperation operation, int status);
    // The row's mark for the operation; false for an unknown row or operation.
    bool isMarked(int cloudId, EarphoneApi::CloudEQOperation operation) const;

    static bool isFlagSet(const QString &text);
    // The entry's trimmed id as a number; 0 when it is not one.
    static int cloudIdOf(const EarphoneApi::CloudEQItem &item);

private:
    QList<EarphoneApi::CloudEQItem> m_items;
    int m_totalCount = 0;
};
