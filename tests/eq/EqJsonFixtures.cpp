#include "tests/eq/EqJsonFixtures.h"

#include <QFile>
#include <QJsonDocument>

namespace EqJson {

QJsonArray repeat(const QJsonValue &value, int n)
{
    QJsonArray a;
    for (int i = 0; i < n; ++i)
        a.append(value);
    return a;
}

QJsonArray texts(std::initializer_list<const char *> values)
{
    QJsonArray a;
    for (const char *v : values)
        a.append(QString::fromUtf8(v));
    return a;
}

QJsonObject with(QJsonObject object, const char *key, const QJsonValue &value)
{
    if (value.isUndefined())
        object.remove(QLatin1String(key));
    else
        object.insert(QLatin1String(key), value);
    return object;
}

QJsonObject withEntry(QJsonObject object, const char *key, int index, const QJsonValue &value)
{
    QJsonArray a = object.value(QLatin1String(key)).toArray();
    a[index] = value;
    object.insert(QLatin1String(key), a);
    return object;
}

QByteArray bytes(const QJsonObject &object)
{
    return QJsonDocument(object).toJson();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

bool writeJson(const QString &path, const QJsonObject &object)
{
    return writeBytes(path, bytes(object));
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QJsonObject readJson(const QString &path)
{
    return QJsonDocument::fromJson(readBytes(path)).object();
}

} // namespace EqJson
