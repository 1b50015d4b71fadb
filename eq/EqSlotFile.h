#pragma once

#include <QJsonObject>
#include <QString>

// EQ files that the user exports and imports: the custom slot JSON without
// "sort". Import checks the whole file before anything is replaced; export
// writes atomically, so a failed write leaves an earlier file intact.
class EqSlotFile
{
public:
    enum class ImportStatus {
        Imported,
        ReadFailed,
        InvalidJson,
        MissingFields,
        QorBandCount,
        StandardBandCount,
        InvalidFreq,
        InvalidQ,
        InvalidGain,
        InvalidTypeField,
        UnsupportedType,
        // After the checks of the file:
        ParseFailed,
        NoSlotPath,
        SlotWriteFailed,
    };

    struct Checked
    {
        ImportStatus status = ImportStatus::ReadFailed;
        QJsonObject object; // the file's object, as read
        int bandCount = 0;
        QString name;       // the file's "name", else the file's base name
        QString storedName; // empty when `name` is a default name or "EQPreset"
    };

    // Reads and checks an EQ file for slot `slotIndex` in the given mode: four
    // arrays of one length (10 standard, 1..8 Qor), finite numbers, filter
    // types of the mode. Values are not range-checked here.
    static Checked check(const QString &path, bool qor, int slotIndex);

    // Writes `object` as indented JSON through a QSaveFile; false when nothing was committed.
    static bool write(const QString &path, const QJsonObject &object);

    // The name that stands for "no name" in exports and imports.
    static QString placeholderName();
};
