#pragma once

#include "cloud/CloudEQItem.h"
#include "cloud/EQEffect.h"
#include "protocol/EQData.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Turns an EQ selection (an official preset, a cloud EQ, a custom slot) into
// one validated headset EQ record. Values out of range are clamped, never
// refused; a failure gives no record and, when `error` is not null, a
// one-line English reason. Stateless; GUI thread.
namespace EqDataMapper {

// The common builder. Not `exact`: bandCount 6..10, shorter lists padded with
// 1000 Hz, 0 dB, Q 0.7 and Peaking, longer ones cut. `exact` (Qor custom
// slots): a custom index, Qasp type codes, 1..8 bands and lists of that length.
std::optional<HeadsetProtocol::EQData> buildEqData(quint8 index, const QList<double> &freq,
                                                   const QList<double> &gain, const QList<double> &q,
                                                   const QStringList &type, double mainGain, QString *error,
                                                   bool qaspTypes, int bandCount, bool exact);

// Index from the preset's gain text (0..99), 10 bands.
std::optional<HeadsetProtocol::EQData> fromOfficialEffect(const EarphoneApi::EQEffect &effect, QString *error,
                                                          bool qor);
// Index 255, 10 bands; band texts that are no number fall back to 1000 Hz, 0 dB, Q 0.7.
std::optional<HeadsetProtocol::EQData> fromCloudItem(const EarphoneApi::CloudEQItem &item, QString *error,
                                                     bool qor);
// A custom slot of a standard headset: index 100 + "sort" (0..9), 10 bands.
std::optional<HeadsetProtocol::EQData> fromCustomJson(const QJsonObject &slot, QString *error);
// A custom slot of the Qor model: its own 1..8 bands with Qasp type codes.
std::optional<HeadsetProtocol::EQData> fromQorCustomJson(const QJsonObject &slot, QString *error);

// Standard filter-type code 1..5 of a code or a name; anything else is 1
// (Peaking). The same reading as CustomEq::standardTypeCode.
quint8 parseFilterType(const QString &text);
// Nearest integer, halves away from zero, within low..high; NaN counts as 0.
int toIntClamped(double value, int low, int high);
double jsonToDouble(const QString &text, double fallback);
// Numbers as they are, numeric texts read (0 when not a number); other elements skipped.
QList<double> readDoubleArray(const QJsonObject &object, const QString &key);
// Texts as they are, numbers as 15-digit general text; other elements skipped.
QStringList readStringArray(const QJsonObject &object, const QString &key);

} // namespace EqDataMapper
