#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <initializer_list>

// Small builders and file helpers for the JSON the EQ tests feed and read.
namespace EqJson {

QJsonArray repeat(const QJsonValue &value, int n);
QJsonArray texts(std::initializer_list<const char *> values);
// The object with `key` set to `value`; an undefined value removes the key.
QJsonObject with(QJsonObject object, const char *key, const QJsonValue &value);
// The object with entry `index` of the array under `key` replaced.
QJsonObject withEntry(QJsonObject object, const char *key, int index, const QJsonValue &value);
QByteArray bytes(const QJsonObject &object);

bool writeBytes(const QString &path, const QByteArray &bytes);
bool writeJson(const QString &path, const QJsonObject &object);
QByteArray readBytes(const QString &path);
// The file's object, or an empty one.
QJsonObject readJson(const QString &path);

} // namespace EqJson
