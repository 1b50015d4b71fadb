#include "cloud/CloudEQItem.h"

#include "cloud/EqJsonReaders.h"
#include "cloud/JsonIdText.h"

namespace EarphoneApi {

namespace {

// The server spells some keys in two ways; the second is read only when the
// first gives no text.
QString textOf(const QJsonObject &object, const char *key, const char *fallbackKey)
{
    const QString text = jsonValueToString(object.value(QLatin1String(key)));
    if (!text.isEmpty())
        return text;
    return jsonValueToString(object.value(QLatin1String(fallbackKey)));
}

int mainGainOf(const QJsonValue &value)
{
    if (value.isBool())
        return value.toBool() ? 1 : 0;
    return jsonInt(value);
}

} // namespace

CloudEQItem parseCloudEQItem(const QJsonObject &object)
{
    CloudEQItem item;
    item.id = jsonIdText(object.value(QLatin1String("id")));
    item.name = jsonText(object.value(QLatin1String("name")));
    item.desc = jsonText(object.value(QLatin1String("desc")));
    item.uid = jsonText(object.value(QLatin1String("uid")));
    item.pid = jsonText(object.value(QLatin1String("pid")));
    item.cate_id = jsonText(object.value(QLatin1String("cate_id")));
    item.freq = jsonArrayToStringList(object.value(QLatin1String("freq")));
    item.q = jsonArrayToStringList(object.value(QLatin1String("q")));
    item.sound = jsonArrayToStringList(object.value(QLatin1String("sound")));
    item.type = jsonArrayToStringList(object.value(QLatin1String("type")));
    item.main_gain = mainGainOf(object.value(QLatin1String("main_gain")));
    item.share_code = textOf(object, "share_code", "shareCode");
    item.nickName = textOf(object, "nickName", "nickname");
    item.iconUrl = textOf(object, "iconUrl", "icon_url");
    item.add_time = textOf(object, "add_time", "addTime");
    item.sc1_name = textOf(object, "sc1_name", "sc1Name");
    item.sc2_name = textOf(object, "sc2_name", "sc2Name");
    item.download_num = textOf(object, "download_num", "downloadNum");
    item.like_num = textOf(object, "like_num", "likeNum");
    item.coll_num = textOf(object, "coll_num", "collNum");
    item.isDownload = textOf(object, "isDownload", "is_download");
    item.isLike = textOf(object, "isLike", "is_like");
    item.isColl = textOf(object, "isColl", "is_coll");
    return item;
}

} // namespace EarphoneApi
