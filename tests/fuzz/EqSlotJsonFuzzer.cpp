// libFuzzer target over the custom EQ slot JSON and the EQ file import check:
// the curve-editor bands of a slot, its name rules, the headset EQ record a
// slot maps to, and the whole check of an imported file read from disk.
#include "eq/CustomEqSlotJson.h"
#include "eq/EqDataMapper.h"
#include "eq/EqSlotFile.h"
#include "protocol/EQData.h"
#include "tests/fuzz/FuzzEnvironment.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>

#include <cmath>
#include <cstdint>

using FuzzEnvironment::require;

namespace {

const QStringList kTypeNames{QStringLiteral("Disable"),  QStringLiteral("Low Shelf"), QStringLiteral("Peaking"),
                             QStringLiteral("High Shelf"), QStringLiteral("Low Pass"),  QStringLiteral("High Pass")};

QString scratchFile()
{
    static QTemporaryDir dir;
    require(dir.isValid(), "no temporary folder");
    return dir.filePath(QStringLiteral("slot.json"));
}

void checkBands(const QJsonObject &slot, bool qor)
{
    EqBandLists bands;
    if (!CustomEq::slotJsonToBands(slot, qor, &bands)) {
        require(!bands.loaded && bands.freq.isEmpty(), "a refused slot left bands behind");
        return;
    }
    const qsizetype n = bands.freq.size();
    require(bands.loaded, "accepted bands are not marked loaded");
    require(qor ? (n >= 1 && n <= CustomEq::QorMaxBands) : n == CustomEq::SlotCount, "band count of the mode");
    require(bands.q.size() == n && bands.gain.size() == n && bands.types.size() == n, "band lists differ in length");
    for (qsizetype i = 0; i < n; ++i) {
        require(std::isfinite(bands.freq[i]) && std::isfinite(bands.q[i]) && std::isfinite(bands.gain[i]),
                "a band value is not finite");
        require(kTypeNames.contains(bands.types[i]), "a band type is no display name");
        require(qor || bands.types[i] != QLatin1String("Disable"), "Disable in a standard slot");
    }
}

void checkRecord(const QJsonObject &slot, bool qor)
{
    QString error;
    const std::optional<HeadsetProtocol::EQData> eq =
        qor ? EqDataMapper::fromQorCustomJson(slot, &error) : EqDataMapper::fromCustomJson(slot, &error);
    if (!eq) {
        require(!error.isEmpty(), "a refused slot gave no reason");
        return;
    }
    // What the main window sends must be a record the headset accepts.
    require(HeadsetProtocol::validateEQData(*eq), "a mapped slot is no valid EQ record");
    require(!HeadsetProtocol::serializeEQData(*eq).isEmpty(), "a mapped slot did not serialise");
    require(eq->index >= 100 && eq->index <= 109, "custom index outside 100..109");
}

void checkName(QJsonObject slot, int index)
{
    CustomEq::normalizeSlotName(slot, index);
    const QString shown = CustomEq::slotNameFromJson(index, slot);
    require(!shown.isEmpty(), "a slot shows no name");
    if (slot.contains(QLatin1String("name")))
        require(!CustomEq::isDefaultSlotName(slot.value(QLatin1String("name")).toString(), index),
                "a default name survived normalisation");
}

void checkImport(const QByteArray &content, bool qor, int index)
{
    const QString path = scratchFile();
    QFile file(path);
    require(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size(),
            "scratch file not written");
    file.close();

    CustomEq::sortIndexOfSlotFile(path);
    const EqSlotFile::Checked checked = EqSlotFile::check(path, qor, index);
    if (checked.status != EqSlotFile::ImportStatus::Imported)
        return;
    require(qor ? (checked.bandCount >= 1 && checked.bandCount <= CustomEq::QorMaxBands)
                : checked.bandCount == CustomEq::SlotCount,
            "imported band count of the mode");
    require(!checked.name.isEmpty() || checked.storedName.isEmpty(), "a stored name without a name");
    require(checked.storedName != EqSlotFile::placeholderName(), "the placeholder name was stored");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzEnvironment::ensureQtCore();
    if (size == 0)
        return 0;
    // The first byte: bit 0 the Qor mode, bits 1-4 the slot (10-15 lie outside the slots).
    const bool qor = (data[0] & 0x01) != 0;
    const int index = (data[0] >> 1) & 0x0F;
    const QByteArray content(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    const QJsonDocument doc = QJsonDocument::fromJson(content);
    if (doc.isObject()) {
        const QJsonObject slot = doc.object();
        checkBands(slot, qor);
        checkRecord(slot, qor);
        checkName(slot, index);
    }
    checkImport(content, qor, index);
    return 0;
}
