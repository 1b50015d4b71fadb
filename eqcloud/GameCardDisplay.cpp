#include "eqcloud/GameCardDisplay.h"

namespace {

QString countText(const QString &text)
{
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? QStringLiteral("0") : trimmed;
}

bool flagOf(const QString &text)
{
    const QString trimmed = text.trimmed();
    return trimmed == QLatin1String("1") || trimmed == QLatin1String("true");
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
    display.downloaded = flagOf(item.isDownload);
    display.liked = flagOf(item.isLike);
    display.collected = flagOf(item.isColl);
    display.avatarSource = item.iconUrl;
    return display;
}
