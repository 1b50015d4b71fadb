#pragma once

#include <QJsonValue>
#include <QString>

// The filter-type codes of custom EQ slots and their text forms. Standard
// headsets use 1 Peaking, 2 Low Pass, 3 High Pass, 4 Low Shelf, 5 High Shelf;
// the Qor model uses 0 Disable, 1 Low Shelf, 2 Peaking, 3 High Shelf,
// 4 Low Pass, 5 High Pass. Texts are trimmed first; integer texts follow the C
// conventions ("0x" hexadecimal, a leading 0 octal). So "3" is High Shelf in a
// Qor slot and High Pass in a standard slot, while "0x3" is High Pass in both.
namespace CustomEq {

// One decimal, a trailing ".0" dropped: 3.0 -> "3", -2.5 -> "-2.5", 0.04 -> "0".
QString gainText(double gain);

// Standard scheme: a code 1..5 or a name, blanks inside the name optional
// ("Low Pass", "LowPass"); empty, out-of-range codes, unknown names and
// "disable" give 1 (Peaking). The one reader of standard codes: the device EQ
// record is built with it too, so a slot shows what the headset plays.
int standardTypeCode(const QString &text);
QString standardFilterTypeName(const QString &text);
bool isStandardTypeText(const QString &text);

// Qor code of a curve editor display name; anything else gives 2 (Peaking).
int qorTypeCodeFromName(const QString &name);
// Qor code of a slot text: "0x" texts and values outside 0..5 are standard codes.
int qorTypeCode(const QString &text);
bool isQorTypeText(const QString &text);
// Display name of a Qor code, clamped to 0..5 first.
QString qorFilterTypeName(int code);

// A slot's "type" entry as text: a string unchanged, a number truncated and
// clamped to the scheme's range, anything else empty.
QString filterTypeTextFromJson(const QJsonValue &value, bool qor);

} // namespace CustomEq
