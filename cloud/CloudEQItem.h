#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>
#include <QStringList>

namespace EarphoneApi {

// One EQ curve shared by a user. The band lists hold the numbers as texts,
// as the server sends them.
struct CloudEQItem
{
    QString id;
    QString name;
    QString desc;
    QString uid;
    QString pid;
    QString cate_id;
    QStringList freq;
    QStringList q;
    QStringList sound;
    QStringList type;
    int main_gain = 0;
    QString share_code;
    QString nickName;
    QString iconUrl;
    QString add_time;
    QString sc1_name;
    QString sc2_name;
    QString download_num;
    QString like_num;
    QString coll_num;
    QString isDownload; // "1" when marked
    QString isLike;
    QString isColl;

    bool operator==(const CloudEQItem &other) const = default;
};

CloudEQItem parseCloudEQItem(const QJsonObject &object);

} // namespace EarphoneApi

Q_DECLARE_METATYPE(EarphoneApi::CloudEQItem)
