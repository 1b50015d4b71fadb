#include "eq/EqSlotFile.h"

#include "eq/CustomEqFilterTypes.h"
#include "eq/CustomEqSlotJson.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace {

using Status = EqSlotFile::ImportStatus;

// A "type" entry as text: strings as they are, numbers truncated and clamped
// to the mode's codes. Null, booleans, arrays and objects have no text.
bool typeEntryText(const QJsonValue &value, bool qor, QString *text)
{
    if (!value.isString() && !value.isDouble())
        return false;
    *text = CustomEq::filterTypeTextFromJson(value, qor);
    return true;
}

Status checkBands(const QJsonArray &freq, const QJsonArray &q, const QJsonArray &sound, const QJsonArray &type,
                  int bands, bool qor)
{
    for (int k = 0; k < bands; ++k) {
        double value = 0.0;
        if (!CustomEq::finiteNumber(freq.at(k), &value))
            return Status::InvalidFreq;
        if (!CustomEq::finiteNumber(q.at(k), &value))
            return Status::InvalidQ;
        if (!CustomEq::finiteNumber(sound.at(k), &value))
            return Status::InvalidGain;
        QString text;
        if (!typeEntryText(type.at(k), qor, &text))
            return Status::InvalidTypeField;
        if (qor ? !CustomEq::isQorTypeText(text) : !CustomEq::isStandardTypeText(text))
            return Status::UnsupportedType;
    }
    return Status::Imported;
}

} // namespace

EqSlotFile::Checked EqSlotFile::check(const QString &path, bool qor, int slotIndex)
{
    Checked result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = Status::ReadFailed;
        return result;
    }
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
    if (!doc.isObject()) {
        result.status = Status::InvalidJson;
        return result;
    }
    const QJsonObject object = doc.object();
    const QJsonValue freqValue = object.value(QLatin1String("freq"));
    const QJsonValue qValue = object.value(QLatin1String("q"));
    const QJsonValue soundValue = object.value(QLatin1String("sound"));
    const QJsonValue typeValue = object.value(QLatin1String("type"));
    if (!freqValue.isArray() || !qValue.isArray() || !soundValue.isArray() || !typeValue.isArray()) {
        result.status = Status::MissingFields;
        return result;
    }
    const QJsonArray freq = freqValue.toArray();
    const QJsonArray q = qValue.toArray();
    const QJsonArray sound = soundValue.toArray();
    const QJsonArray type = typeValue.toArray();

    int bands = CustomEq::SlotCount;
    if (qor) {
        const qsizetype n = freq.size();
        if (n < 1 || n > CustomEq::QorMaxBands || q.size() != n || sound.size() != n || type.size() != n) {
            result.status = Status::QorBandCount;
            return result;
        }
        bands = static_cast<int>(n);
    } else if (freq.size() != bands || q.size() != bands || sound.size() != bands || type.size() != bands) {
        result.status = Status::StandardBandCount;
        return result;
    }

    result.status = checkBands(freq, q, sound, type, bands, qor);
    if (result.status != Status::Imported)
        return result;

    QString name = object.value(QLatin1String("name")).toString().trimmed();
    if (name.isEmpty())
        name = QFileInfo(path).completeBaseName().trimmed();
    result.object = object;
    result.bandCount = bands;
    result.name = name;
    const bool noName = name == placeholderName() || CustomEq::isDefaultSlotName(name, slotIndex);
    result.storedName = noName ? QString() : name;
    return result;
}

bool EqSlotFile::write(const QString &path, const QJsonObject &object)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Indented);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString EqSlotFile::placeholderName()
{
    return QStringLiteral("EQPreset");
}
