#include "eq/EqDataMapper.h"

#include "eq/CustomEqFilterTypes.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

namespace EqDataMapper {

namespace {

constexpr int QorMaxBands = 8;
constexpr quint8 CloudIndex = 255;
constexpr double PadFrequency = 1000.0;
constexpr double PadGain = 0.0;
constexpr double PadQ = 0.7;

void fail(QString *error, const char *message)
{
    if (error)
        *error = QString::fromLatin1(message);
}

template <typename T>
QList<T> fitted(QList<T> list, int count, const T &pad)
{
    if (list.size() > count)
        list.resize(count);
    while (list.size() < count)
        list.append(pad);
    return list;
}

quint8 qaspFilterType(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 0);
    return ok && value >= 0 && value <= 5 ? static_cast<quint8>(value) : 2;
}

int sortIndexOf(const QJsonObject &slot)
{
    const QJsonValue sort = slot.value(QLatin1String("sort"));
    double value = 0.0;
    if (sort.isDouble()) {
        value = std::trunc(sort.toDouble());
    } else if (sort.isString()) {
        bool ok = false;
        const int parsed = sort.toString().trimmed().toInt(&ok, 10);
        value = ok ? parsed : 0;
    }
    return static_cast<int>(std::clamp(value, 0.0, 9.0));
}

double mainGainOf(const QJsonObject &slot)
{
    const QJsonValue gain = slot.value(QLatin1String("main_gain"));
    if (gain.isDouble())
        return gain.toDouble();
    if (gain.isString())
        return jsonToDouble(gain.toString(), 0.0);
    return 0.0;
}

QList<double> numbersOf(const QStringList &texts, double fallback)
{
    QList<double> numbers;
    numbers.reserve(texts.size());
    for (const QString &text : texts)
        numbers.append(jsonToDouble(text, fallback));
    return numbers;
}

} // namespace

std::optional<HeadsetProtocol::EQData> buildEqData(quint8 index, const QList<double> &freq,
                                                   const QList<double> &gain, const QList<double> &q,
                                                   const QStringList &type, double mainGain, QString *error,
                                                   bool qaspTypes, int bandCount, bool exact)
{
    if (!exact) {
        if (bandCount < 6 || bandCount > 10) {
            fail(error, "EQData build: invalid bandCount");
            return std::nullopt;
        }
    } else {
        if (index < 100 || index > 155 || !qaspTypes) {
            fail(error, "EQData build: exact QOR lists require custom index + QASP type encoding");
            return std::nullopt;
        }
        if (bandCount < 1 || bandCount > QorMaxBands) {
            fail(error, "EQData build: QOR custom bandCount must be 1..8");
            return std::nullopt;
        }
        if (freq.size() != bandCount || gain.size() != bandCount || q.size() != bandCount
            || type.size() != bandCount) {
            fail(error, "EQData build: QOR custom freq/sound/q/type length must equal bandCount");
            return std::nullopt;
        }
    }

    HeadsetProtocol::EQData eq;
    eq.index = index;
    eq.bandCount = static_cast<quint8>(bandCount);
    eq.qorCustom = qaspTypes;

    const QString defaultType = qaspTypes ? QStringLiteral("2") : QStringLiteral("Peaking");
    const QList<double> f = exact ? freq : fitted(freq, bandCount, PadFrequency);
    const QList<double> g = exact ? gain : fitted(gain, bandCount, PadGain);
    const QList<double> qs = exact ? q : fitted(q, bandCount, PadQ);
    const QStringList types = exact ? type : QStringList(fitted<QString>(type, bandCount, defaultType));

    for (int i = 0; i < bandCount; ++i) {
        eq.frequencies.push_back(static_cast<quint16>(toIntClamped(f[i], 20, 20000)));
        eq.gains.push_back(static_cast<qint16>(toIntClamped(g[i] * 100.0, -1200, 1200)));
        eq.qValues.push_back(static_cast<qint16>(toIntClamped(qs[i] * 100.0, 10, 1000)));
        eq.filterTypes.push_back(qaspTypes ? qaspFilterType(types[i]) : parseFilterType(types[i]));
    }
    eq.totalGain = static_cast<qint16>(toIntClamped(mainGain * 10.0, -120, 120));

    if (!HeadsetProtocol::validateEQData(eq)) {
        fail(error, "EQData validate failed after mapping");
        return std::nullopt;
    }
    return eq;
}

std::optional<HeadsetProtocol::EQData> fromOfficialEffect(const EarphoneApi::EQEffect &effect, QString *error,
                                                          bool qor)
{
    bool ok = false;
    const int gainIndex = effect.gain.trimmed().toInt(&ok, 10);
    if (!ok) {
        fail(error, "official gain field is not a valid integer index");
        return std::nullopt;
    }
    const auto index = static_cast<quint8>(std::clamp(gainIndex, 0, 99));
    return buildEqData(index, effect.freq, effect.sound, effect.q, effect.type, effect.main_gain, error, qor, 10,
                       false);
}

std::optional<HeadsetProtocol::EQData> fromCloudItem(const EarphoneApi::CloudEQItem &item, QString *error, bool qor)
{
    return buildEqData(CloudIndex, numbersOf(item.freq, PadFrequency), numbersOf(item.sound, PadGain),
                       numbersOf(item.q, PadQ), item.type, double(item.main_gain), error, qor, 10, false);
}

std::optional<HeadsetProtocol::EQData> fromCustomJson(const QJsonObject &slot, QString *error)
{
    const auto index = static_cast<quint8>(100 + sortIndexOf(slot));
    return buildEqData(index, readDoubleArray(slot, QStringLiteral("freq")),
                       readDoubleArray(slot, QStringLiteral("sound")), readDoubleArray(slot, QStringLiteral("q")),
                       readStringArray(slot, QStringLiteral("type")), mainGainOf(slot), error, false, 10, false);
}

std::optional<HeadsetProtocol::EQData> fromQorCustomJson(const QJsonObject &slot, QString *error)
{
    const auto index = static_cast<quint8>(100 + sortIndexOf(slot));
    const QList<double> freq = readDoubleArray(slot, QStringLiteral("freq"));
    const QList<double> gain = readDoubleArray(slot, QStringLiteral("sound"));
    const QList<double> q = readDoubleArray(slot, QStringLiteral("q"));
    const QStringList type = readStringArray(slot, QStringLiteral("type"));
    if (gain.size() != freq.size() || q.size() != freq.size() || type.size() != freq.size()) {
        fail(error, "QOR custom EQ: freq/sound/q/type array length mismatch");
        return std::nullopt;
    }
    if (freq.isEmpty() || freq.size() > QorMaxBands) {
        fail(error, "QOR custom EQ: band count must be 1..8");
        return std::nullopt;
    }
    return buildEqData(index, freq, gain, q, type, mainGainOf(slot), error, true, static_cast<int>(freq.size()),
                       true);
}

quint8 parseFilterType(const QString &text)
{
    return static_cast<quint8>(CustomEq::standardTypeCode(text));
}

int toIntClamped(double value, int low, int high)
{
    if (std::isnan(value))
        value = 0.0;
    const double rounded = value >= 0 ? std::trunc(value + 0.5) : std::trunc(value - 0.5);
    // Clamped as a double, so values past the int range convert defined.
    return static_cast<int>(std::clamp(rounded, double(low), double(high)));
}

double jsonToDouble(const QString &text, double fallback)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok ? value : fallback;
}

QList<double> readDoubleArray(const QJsonObject &object, const QString &key)
{
    QList<double> list;
    const QJsonValue value = object.value(key);
    if (!value.isArray())
        return list;
    for (const QJsonValue &element : value.toArray()) {
        if (element.isDouble())
            list.append(element.toDouble());
        else if (element.isString())
            list.append(jsonToDouble(element.toString(), 0.0));
    }
    return list;
}

QStringList readStringArray(const QJsonObject &object, const QString &key)
{
    QStringList list;
    const QJsonValue value = object.value(key);
    if (!value.isArray())
        return list;
    for (const QJsonValue &element : value.toArray()) {
        if (element.isString())
            list.append(element.toString());
        else if (element.isDouble())
            list.append(QString::number(element.toDouble(), 'g', 15));
    }
    return list;
}

} // namespace EqDataMapper
