#include "eqcloud/GameCardDisplay.h"

#include "eqcloud/EQCloudListModel.h"

namespace {

QString countText(const QString &text)
{
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? QStringLiteral("0") : trimmed;
}

} // namespace

GameCardDisplay GameCardDisplay::fromItem(const EarphoneApi::CloudEQItem &item)
{
    GameCardDisplay display;
    display.title = item.name.trimmed();
    display.nickName = item.nickName.trimmed();
    display.desc = item.desc.trimmed();
    display.sc1Name = item.sc1_name.trimmed();
    display.sc2Name = item.sc2_name.trimmed();
    display.downloadCount = countText(item.download_num);
    display.likeCount = countText(item.like_num);
    display.collectCount = countText(item.coll_num);
    display.downloaded = EQCloudListModel::isFlagSet(item.isDownload);
    display.liked = EQCloudListModel::isFlagSet(item.isLike);
    display.collected = EQCloudListModel::isFlagSet(item.isColl);
    display.avatarSource = item.iconUrl;
    return display;
}
