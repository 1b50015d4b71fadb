#include "eq/CustomEqSlotJson.h"

#include "eq/CustomEqFilterTypes.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <array>
#include <cmath>

namespace CustomEq {

namespace {

// Frequencies of the official default curve, by band; they replace a
// non-positive frequency of a standard slot.
constexpr std::array<double, SlotCount> officialDefaultFrequencies{2900, 5328, 40, 100, 9000, 20, 200, 250, 140, 270};

QJsonArray arrayOf(const QJsonObject &slot, const char *key)
{
    const QJsonValue value = slot.value(QLatin1String(key));
    return value.isArray() ? value.toArray() : QJsonArray();
}

} // namespace

QString defaultSlotName(int index)
{
    return QCoreApplication::translate("EQCustomContent", "自定义%1").arg(index + 1);
}

QString slotNameFromJson(int index, const QJsonObject &slot)
{
    const QString name = slot.value(QLatin1String("name")).toString().trimmed();
    return name.isEmpty() ? defaultSlotName(index) : name;
}

bool isDefaultSlotName(const QString &name, int index)
{
    const QString trimmed = name.trimmed();
    if (index > 9 || trimmed.isEmpty())
        return false;
    const QString number = QString::number(index + 1);
    return trimmed == defaultSlotName(index) || trimmed == QStringLiteral("自定义") + number
           || trimmed == QStringLiteral("Custom") + number;
}

void normalizeSlotName(QJsonObject &slot, int index)
{
    const auto it = slot.constFind(QLatin1String("name"));
    if (it == slot.constEnd())
        return;
    const QString name = it->toString().trimmed();
    if (name.isEmpty() || isDefaultSlotName(name, index))
        slot.remove(QLatin1String("name"));
}

int sortIndexOfSlotFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
    if (!doc.isObject())
        return -1;
    const QJsonValue sort = doc.object().value(QLatin1String("sort"));
    // A number that is not whole, or too large for an int, names no slot:
    // reading it as slot 0 would store it as one slot and send it as another.
    if (sort.isDouble())
        return sort.toInt(-1);
    if (sort.isString()) {
        bool ok = false;
        const int value = sort.toString().toInt(&ok, 10);
        return ok ? value : -1;
    }
    return -1;
}

bool finiteNumber(const QJsonValue &value, double *out)
{
    double number = 0.0;
    if (value.isDouble()) {
        number = value.toDouble();
    } else if (value.isString()) {
        bool ok = false;
        number = value.toString().toDouble(&ok);
        if (!ok)
            return false;
    } else {
        return false;
    }
    if (!std::isfinite(number))
        return false;
    *out = number;
    return true;
}

bool slotJsonToBands(const QJsonObject &slot, bool qor, EqBandLists *out)
{
    *out = EqBandLists();
    const QJsonArray freq = arrayOf(slot, "freq");
    const QJsonArray q = arrayOf(slot, "q");
    const QJsonArray sound = arrayOf(slot, "sound");
    const QJsonArray type = arrayOf(slot, "type");
    if (freq.isEmpty() || q.isEmpty() || sound.isEmpty() || type.isEmpty())
        return false;

    const qsizetype n = qor ? freq.size() : SlotCount;
    if (qor && (n < 1 || n > QorMaxBands))
        return false;
    if (freq.size() != n || q.size() != n || sound.size() != n || type.size() != n)
        return false;

    EqBandLists bands;
    bands.freq.reserve(n);
    bands.q.reserve(n);
    bands.gain.reserve(n);
    bands.types.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        double f = 0.0;
        double bandQ = 0.0;
        double g = 0.0;
        if (!finiteNumber(freq.at(i), &f) || !finiteNumber(q.at(i), &bandQ) || !finiteNumber(sound.at(i), &g))
            return false;

        QString typeText = filterTypeTextFromJson(type.at(i), qor).trimmed();
        if (typeText.isEmpty())
            typeText = qor ? QStringLiteral("2") : QStringLiteral("1");
        if (qor ? !isQorTypeText(typeText) : !isStandardTypeText(typeText))
            return false;

        if (std::abs(f) < 1e-12 && std::abs(g) < 1e-12) {
            // An empty band slot of the editor.
            f = 0.0;
            g = 0.0;
        } else if (f <= 0.0) {
            f = qor ? 20.0 : officialDefaultFrequencies[static_cast<size_t>(i)];
        }
        bands.freq.append(f);
        bands.q.append(bandQ);
        bands.gain.append(g);
        bands.types.append(qor ? qorFilterTypeName(qorTypeCode(typeText)) : standardFilterTypeName(typeText));
    }
    bands.loaded = true;
    *out = bands;
    return true;
}

} // namespace CustomEq
