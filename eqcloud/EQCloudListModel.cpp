#include "eqcloud/EQCloudListModel.h"

#include <algorithm>
#include <limits>

using EarphoneApi::CloudEQItem;
using EarphoneApi::CloudEQOperation;

namespace {

struct OperationFields
{
    QString CloudEQItem::*counter = nullptr;
    QString CloudEQItem::*flag = nullptr;
    int counterRole = 0;
    int flagRole = 0;
};

bool fieldsOf(CloudEQOperation operation, OperationFields *out)
{
    switch (operation) {
    case CloudEQOperation::Download:
        *out = {&CloudEQItem::download_num, &CloudEQItem::isDownload, EQCloudListModel::DownloadNumRole,
                EQCloudListModel::IsDownloadRole};
        return true;
    case CloudEQOperation::Like:
        *out = {&CloudEQItem::like_num, &CloudEQItem::isLike, EQCloudListModel::LikeNumRole,
                EQCloudListModel::IsLikeRole};
        return true;
    case CloudEQOperation::Collect:
        *out = {&CloudEQItem::coll_num, &CloudEQItem::isColl, EQCloudListModel::CollNumRole,
                EQCloudListModel::IsCollRole};
        return true;
    }
    return false;
}

} // namespace

EQCloudListModel::EQCloudListModel(QObject *parent) : QAbstractListModel(parent) {}

EQCloudListModel::~EQCloudListModel() = default;

int EQCloudListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant EQCloudListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_items.size())
        return {};
    const CloudEQItem &item = m_items.at(index.row());
    switch (role) {
    case IdRole: return item.id;
    case NameRole: return item.name;
    case DescRole: return item.desc;
    case NickNameRole: return item.nickName;
    case IconUrlRole: return item.iconUrl;
    case Sc1NameRole: return item.sc1_name;
    case Sc2NameRole: return item.sc2_name;
    case DownloadNumRole: return item.download_num;
    case LikeNumRole: return item.like_num;
    case CollNumRole: return item.coll_num;
    case IsDownloadRole: return item.isDownload;
    case IsLikeRole: return item.isLike;
    case IsCollRole: return item.isColl;
    case ShareCodeRole: return item.share_code;
    case AddTimeRole: return item.add_time;
    default: return {};
    }
}

QHash<int, QByteArray> EQCloudListModel::roleNames() const
{
    return {
        {IdRole, "id"},
        {NameRole, "name"},
        {DescRole, "desc"},
        {NickNameRole, "nickName"},
        {IconUrlRole, "iconUrl"},
        {Sc1NameRole, "sc1_name"},
        {Sc2NameRole, "sc2_name"},
        {DownloadNumRole, "download_num"},
        {LikeNumRole, "like_num"},
        {CollNumRole, "coll_num"},
        {IsDownloadRole, "isDownload"},
        {IsLikeRole, "isLike"},
        {IsCollRole, "isColl"},
        {ShareCodeRole, "share_code"},
        {AddTimeRole, "add_time"},
    };
}

void EQCloudListModel::appendItems(const QList<CloudEQItem> &items, int total)
{
    if (!items.isEmpty()) {
        const int first = int(m_items.size());
        beginInsertRows(QModelIndex(), first, first + int(items.size()) - 1);
        m_items.append(items);
        endInsertRows();
    }
    m_totalCount = total;
}

void EQCloudListModel::setItems(const QList<CloudEQItem> &items, int total)
{
    beginResetModel();
    m_items = items;
    m_totalCount = total;
    endResetModel();
}

void EQCloudListModel::clear()
{
    beginResetModel();
    m_items.clear();
    m_totalCount = 0;
    endResetModel();
}

CloudEQItem EQCloudListModel::itemAt(int row, bool *valid) const
{
    const bool inRange = row >= 0 && row < m_items.size();
    if (valid)
        *valid = inRange;
    return inRange ? m_items.at(row) : CloudEQItem();
}

int EQCloudListModel::rowOfId(const QString &id) const
{
    const QString wanted = id.trimmed();
    if (wanted.isEmpty())
        return -1;
    const auto it = std::find_if(m_items.cbegin(), m_items.cend(),
                                 [&wanted](const CloudEQItem &item) { return item.id.trimmed() == wanted; });
    return it == m_items.cend() ? -1 : int(it - m_items.cbegin());
}

bool EQCloudListModel::applyOperation(int cloudId, CloudEQOperation operation, int status)
{
    OperationFields fields;
    if (cloudId < 1 || !fieldsOf(operation, &fields))
        return false;
    const int row = rowOfId(QString::number(cloudId));
    if (row < 0)
        return false;

    CloudEQItem &item = m_items[row];
    const bool set = status == 1;
    bool isNumber = false;
    qint64 count = (item.*fields.counter).trimmed().toLongLong(&isNumber);
    if (!isNumber)
        count = 0;
    if (set && count < std::numeric_limits<qint64>::max())
        ++count;
    else if (!set && count > std::numeric_limits<qint64>::min())
        --count;
    count = std::max<qint64>(0, count);
    item.*fields.counter = QString::number(count);
    item.*fields.flag = set ? QStringLiteral("1") : QStringLiteral("0");

    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed, {fields.counterRole, fields.flagRole});
    return true;
}

bool EQCloudListModel::isMarked(int cloudId, CloudEQOperation operation) const
{
    OperationFields fields;
    if (cloudId < 1 || !fieldsOf(operation, &fields))
        return false;
    const int row = rowOfId(QString::number(cloudId));
    return row >= 0 && isFlagSet(m_items.at(row).*fields.flag);
}

bool EQCloudListModel::isFlagSet(const QString &text)
{
    // Read as the card shows it, so a click always takes back the mark the user sees.
    const QString trimmed = text.trimmed();
    return trimmed == QLatin1String("1") || trimmed == QLatin1String("true");
}

int EQCloudListModel::cloudIdOf(const CloudEQItem &item)
{
    bool ok = false;
    const int id = item.id.trimmed().toInt(&ok);
    return ok ? id : 0;
}
