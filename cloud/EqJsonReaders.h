#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

namespace EarphoneApi {

// Readers for the loosely typed EQ records the server sends. A field of an
// unexpected kind falls back to an empty text, an empty list or 0; nothing fails.

// A string unchanged; a number in general format with at most 15 significant
// digits (12 -> "12", 1.5 -> "1.5", 1e20 -> "1e+20"); true "1", false "0";
// anything else empty.
QString jsonValueToString(const QJsonValue &value);

// An array gives one entry per element (jsonValueToString); a non-empty string
// that holds a JSON array gives its elements, any other non-empty string is
// the only entry; everything else gives an empty list.
QStringList jsonArrayToStringList(const QJsonValue &value);

// The objects of a list reply: `data` itself when it is an array, else the
// array under data["data"]; non-object elements are skipped.
QList<QJsonObject> jsonObjectList(const QJsonValue &data);

// A number as is; a string trimmed and read as a number; 0 for anything else,
// for an unreadable text and for values that are not finite.
double jsonNumber(const QJsonValue &value);

// An integer: a number truncated toward zero (saturated to the int range), a
// string trimmed and read as a decimal integer, else 0.
int jsonInt(const QJsonValue &value);

// A string value, else empty.
QString jsonText(const QJsonValue &value);

} // namespace EarphoneApi
