#include "cloud/EqJsonReaders.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>
#include <limits>

namespace EarphoneApi {

namespace {

int truncatedInt(double d)
{
    if (std::isnan(d))
        return 0;
    const double t = std::trunc(d);
    if (t <= std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    if (t >= std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    return static_cast<int>(t);
}

} // namespace

QString jsonValueToString(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double:
        return QString::number(value.toDouble(), 'g', 15);
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    default:
        return {};
    }
}

QStringList jsonArrayToStringList(const QJsonValue &value)
{
    QJsonArray array;
    if (value.isArray()) {
        array = value.toArray();
    } else if (value.isString()) {
        const QString text = value.toString();
        if (text.isEmpty())
            return {};
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
        if (error.error != QJsonParseError::NoError || !doc.isArray())
            return {text};
        array = doc.array();
    } else {
        return {};
    }
    QStringList list;
    list.reserve(array.size());
    for (const QJsonValue &element : array)
        list.append(jsonValueToString(element));
    return list;
}

QList<QJsonObject> jsonObjectList(const QJsonValue &data)
{
    QJsonArray array;
    if (data.isArray())
        array = data.toArray();
    else if (data.isObject() && data.toObject().value(QLatin1String("data")).isArray())
        array = data.toObject().value(QLatin1String("data")).toArray();
    QList<QJsonObject> objects;
    for (const QJsonValue &element : array) {
        if (element.isObject())
            objects.append(element.toObject());
    }
    return objects;
}

double jsonNumber(const QJsonValue &value)
{
    double d = 0;
    if (value.isDouble()) {
        d = value.toDouble();
    } else if (value.isString()) {
        bool ok = false;
        d = value.toString().trimmed().toDouble(&ok);
        if (!ok)
            d = 0;
    }
    // A "nan" or "inf" text would poison every curve computed from it.
    return std::isfinite(d) ? d : 0.0;
}

int jsonInt(const QJsonValue &value)
{
    if (value.isDouble())
        return truncatedInt(value.toDouble());
    if (value.isString()) {
        bool ok = false;
        const int i = value.toString().trimmed().toInt(&ok, 10);
        return ok ? i : 0;
    }
    return 0;
}

QString jsonText(const QJsonValue &value)
{
    return value.isString() ? value.toString() : QString();
}

} // namespace EarphoneApi
