#pragma once

#include "eq/EqBandLists.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// The custom EQ slot JSON: one object per slot file with "sort", "name",
// "freq", "q", "sound", "type" and "main_gain". Readers here accept more than
// the writer produces: numbers in place of numeric texts, "sort" as text.
namespace CustomEq {

inline constexpr int SlotCount = 10;
inline constexpr int QorMaxBands = 8;

// "自定义%1" with the 1-based slot number, translated ("Custom%1").
QString defaultSlotName(int index);
// The slot's own trimmed "name", else its default name.
QString slotNameFromJson(int index, const QJsonObject &slot);
// True for the default name of slot `index` in the current language, as the
// untranslated Chinese text, or as "Custom%1"; never for an index above 9.
bool isDefaultSlotName(const QString &name, int index);
// Drops "name" when it is blank or a default name: default names follow the language.
void normalizeSlotName(QJsonObject &slot, int index);

// The slot number in a slot file's "sort": a whole number, or a decimal text.
// -1 when the file cannot be read, holds no JSON object, or has no such
// number (2.5 or 5e9 name no slot). Not range-checked.
int sortIndexOfSlotFile(const QString &path);

// A JSON number, or a text that reads wholly as a number; finite either way.
bool finiteNumber(const QJsonValue &value, double *out);

// The bands of a slot for the curve editor. False, with `out` empty and not
// loaded, when the lists have the wrong lengths, a number does not read or a
// filter type is not one of the mode's. Values are not clamped here.
bool slotJsonToBands(const QJsonObject &slot, bool qor, EqBandLists *out);

} // namespace CustomEq
