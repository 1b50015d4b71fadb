#include "cloud/UserInfo.h"

#include "cloud/JsonIdText.h"

#include <cmath>
#include <limits>

namespace EarphoneApi {

namespace {

qint32 readInt(const QJsonValue &value)
{
    if (!value.isDouble())
        return 0;
    const double d = value.toDouble();
    if (d != std::trunc(d) || d < std::numeric_limits<qint32>::min() || d > std::numeric_limits<qint32>::max())
        return 0;
    return static_cast<qint32>(d);
}

} // namespace

UserInfo parseUserInfo(const QJsonObject &object)
{
    UserInfo info;
    // Some servers send the id as a number; dropping it would end the session
    // at the next profile refresh, so numbers count as well.
    info.uid = jsonIdText(object.value(QLatin1String("uid"))).trimmed();
    if (info.uid.isEmpty())
        info.uid = jsonIdText(object.value(QLatin1String("id"))).trimmed();
    info.userName = object.value(QLatin1String("userName")).toString();
    info.nickName = object.value(QLatin1String("nickName")).toString();
    info.iconUrl = object.value(QLatin1String("iconUrl")).toString();
    info.areaCode = object.value(QLatin1String("areaCode")).toString();
    info.email = object.value(QLatin1String("email")).toString();
    info.sex = readInt(object.value(QLatin1String("sex")));
    info.age = readInt(object.value(QLatin1String("age")));
    info.location = object.value(QLatin1String("location")).toString();
    return info;
}

QJsonObject userInfoToJson(const UserInfo &info)
{
    QJsonObject object;
    object.insert(QLatin1String("uid"), info.uid);
    object.insert(QLatin1String("userName"), info.userName);
    object.insert(QLatin1String("nickName"), info.nickName);
    object.insert(QLatin1String("iconUrl"), info.iconUrl);
    object.insert(QLatin1String("areaCode"), info.areaCode);
    object.insert(QLatin1String("email"), info.email);
    object.insert(QLatin1String("sex"), info.sex);
    object.insert(QLatin1String("age"), info.age);
    if (!info.location.isEmpty())
        object.insert(QLatin1String("location"), info.location);
    return object;
}

} // namespace EarphoneApi
