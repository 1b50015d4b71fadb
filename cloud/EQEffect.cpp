#include "cloud/EQEffect.h"

#include "cloud/EqJsonReaders.h"
#include "cloud/JsonIdText.h"

#include <QJsonArray>

#include <cmath>
#include <limits>

namespace EarphoneApi {

namespace {

QList<double> numberList(const QJsonValue &value)
{
    QList<double> list;
    if (!value.isArray())
        return list;
    const QJsonArray array = value.toArray();
    list.reserve(array.size());
    for (const QJsonValue &element : array)
        list.append(jsonNumber(element));
    return list;
}

QStringList typeList(const QJsonValue &value)
{
    QStringList list;
    if (!value.isArray())
        return list;
    for (const QJsonValue &element : value.toArray())
        list.append(jsonText(element));
    return list;
}

QString presetIndexText(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Double: {
        const double d = value.toDouble();
        if (d == std::trunc(d) && d >= std::numeric_limits<int>::min() && d <= std::numeric_limits<int>::max())
            return QString::number(static_cast<int>(d));
        return QStringLiteral("0");
    }
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    default:
        return {};
    }
}

} // namespace

EQEffect EQEffect::fromJson(const QJsonObject &object)
{
    EQEffect effect;
    effect.id = jsonIdText(object.value(QLatin1String("id")));
    effect.image = jsonText(object.value(QLatin1String("image")));
    effect.name = jsonText(object.value(QLatin1String("name")));
    effect.desc = jsonText(object.value(QLatin1String("desc")));
    effect.users = jsonText(object.value(QLatin1String("users")));
    effect.note = jsonText(object.value(QLatin1String("note")));
    effect.sound = numberList(object.value(QLatin1String("sound")));
    effect.lang = jsonText(object.value(QLatin1String("lang")));
    effect.pid = jsonText(object.value(QLatin1String("pid")));
    effect.q = numberList(object.value(QLatin1String("q")));
    effect.freq = numberList(object.value(QLatin1String("freq")));
    effect.type = typeList(object.value(QLatin1String("type")));
    effect.main_gain = jsonNumber(object.value(QLatin1String("main_gain")));
    if (object.contains(QLatin1String("gain")))
        effect.gain = presetIndexText(object.value(QLatin1String("gain")));
    effect.enname = jsonText(object.value(QLatin1String("enname")));
    effect.sort = jsonInt(object.value(QLatin1String("sort")));
    return effect;
}

QJsonObject EQEffect::toJson() const
{
    const auto numbers = [](const QList<double> &values) {
        QJsonArray array;
        for (const double v : values)
            array.append(v);
        return array;
    };
    QJsonObject object;
    object.insert(QLatin1String("id"), id);
    object.insert(QLatin1String("image"), image);
    object.insert(QLatin1String("name"), name);
    object.insert(QLatin1String("desc"), desc);
    object.insert(QLatin1String("users"), users);
    object.insert(QLatin1String("note"), note);
    object.insert(QLatin1String("lang"), lang);
    object.insert(QLatin1String("pid"), pid);
    object.insert(QLatin1String("sound"), numbers(sound));
    object.insert(QLatin1String("q"), numbers(q));
    if (!freq.isEmpty())
        object.insert(QLatin1String("freq"), numbers(freq));
    if (!type.isEmpty())
        object.insert(QLatin1String("type"), QJsonArray::fromStringList(type));
    object.insert(QLatin1String("main_gain"), main_gain);
    if (!gain.isEmpty())
        object.insert(QLatin1String("gain"), gain);
    if (!enname.isEmpty())
        object.insert(QLatin1String("enname"), enname);
    object.insert(QLatin1String("sort"), sort);
    return object;
}

} // namespace EarphoneApi
