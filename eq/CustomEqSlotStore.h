#pragma once

#include "eq/CustomEqSlotJson.h"
#include "eq/EQActiveProfileCoordinator.h"
#include "eq/EqBandLists.h"
#include "eq/EqSlotFile.h"

#include <QDateTime>
#include <QJsonObject>
#include <QObject>
#include <QString>

#include <array>

class ICustomEqBandEditor;
class QDir;
class QTimer;

// The ten custom EQ slots of the custom EQ page: one JSON file per slot in
// "CustomEQ" (standard headsets) or "CustomEQ_QOR" (Qor model) under the
// application data folder, their parsed content and their bands for the curve
// editor. A file belongs to the slot named by its "sort", never by its name.
// Files are written through QSaveFile; files that cannot take part in the set
// (unreadable, not a JSON object, no slot number 0..9, an older copy of a slot)
// are set aside under a new name instead of being deleted or overwritten.
// GUI thread only.
class CustomEqSlotStore : public QObject
{
    Q_OBJECT
public:
    struct ImportOutcome
    {
        EqSlotFile::ImportStatus status = EqSlotFile::ImportStatus::ParseFailed;
        bool shown = false;  // the curve editor shows the imported curve
        QString buttonText;  // the slot's text once shown
    };

    explicit CustomEqSlotStore(QObject *parent = nullptr);
    // Writes an edit whose save is still waiting.
    ~CustomEqSlotStore() override;

    // Not owned; may be null (then nothing is loaded and nothing is built from it).
    void setEditor(ICustomEqBandEditor *editor) { m_editor = editor; }
    ICustomEqBandEditor *editor() const { return m_editor; }
    // Chooses the folder and the filter-type scheme; the page reloads afterwards.
    // An edit still waiting is first written to the slot of the mode it was made in.
    void setQorMode(bool qor);
    bool isQorMode() const { return m_qor; }
    // Set while the store itself puts bands into the editor: edits reported then are not user edits.
    bool isLoading() const { return m_loading; }

    // The in-memory content of a slot; false for an index outside 0..9 or a slot without content.
    bool customPresetJson(int sortIndex, QJsonObject *out) const;
    // The slot folder of the current mode, created when missing; empty without a data location.
    QString customEqDirPath() const;

    // Reloads all ten slots from the folder: creates missing slot files with
    // the editor's default curve, sets aside files that cannot take part, drops
    // a waiting save. The editor is left at its default curve.
    void loadSlots();
    // Default names follow the current language (in memory only).
    void refreshSlotNames();
    void loadSlotIntoEditor(int index);

    QJsonObject buildSlotJson(const QString &name, int sortIndex, bool withSort) const;
    QJsonObject buildNewSlotJson(const QString &name, int sortIndex) const;

    // The save of an edit: replaces a waiting one and (re)starts the timer.
    void scheduleSave(int sortIndex, const QJsonObject &slot, int delayMs);
    void cancelPendingSave();
    int pendingSaveIndex() const { return m_pendingSaveIndex; }
    bool hasPendingSave() const;
    // Writes the waiting slot object; run by the save timer.
    void savePendingSlot();

    // Puts the curve of `content` back into slot `index` (its file and its
    // content), keeping the slot's name; a waiting save of the slot is dropped.
    // Announces no edit. False when the file could not be written (the slot's
    // content is put back all the same).
    bool restoreSlot(int index, const QJsonObject &content);

    // Puts a checked EQ file into slot `index`: shows it in the editor, then
    // writes the slot file and updates the slot.
    ImportOutcome importChecked(int index, const EqSlotFile::Checked &file);

    QString slotPath(int index) const;
    QJsonObject slotJson(int index) const;
    EqBandLists slotBands(int index) const;
    // What the slot's button shows: its own name or its default name.
    QString slotDisplayName(int index) const;

    // The custom slot named by an active selection, or -1 when it names none.
    static int slotIndexForSelection(EQActiveProfileCoordinator::Source source, const QString &id);

signals:
    void customPresetEdited(int sortIndex);
    void customPresetImported(int sortIndex);
    // A waiting edit could not be written; the slot keeps its previous file.
    void slotSaveFailed(int sortIndex);
    // A file of the slot folder was moved out of the set (renamed to `newPath`).
    void slotFileSetAside(const QString &path, const QString &newPath, const QString &reason);
    void logMessage(const QString &line);

private:
    struct Slot
    {
        QString path;
        QJsonObject json;
        EqBandLists bands;
    };

    struct ChosenFile
    {
        QString path;
        QDateTime modified;
    };

    static bool validIndex(int index) { return index >= 0 && index < CustomEq::SlotCount; }
    void clearSlots();
    void applyBands(const EqBandLists &bands);
    void resetEditorToDefault();
    void updateSlot(int index, const QJsonObject &json);
    bool writePendingSlot(int *index);
    void flushPendingSave();
    QString setAside(const QString &path, const QString &reason);
    static QString slotFileName(int index);
    bool freeSlotFileName(const QDir &dir, const QString &name, std::array<ChosenFile, CustomEq::SlotCount> &chosen);
    void log(const QString &line);

    ICustomEqBandEditor *m_editor = nullptr;
    bool m_qor = false;
    bool m_loading = false;
    std::array<Slot, CustomEq::SlotCount> m_slots;
    QTimer *m_saveTimer;
    int m_pendingSaveIndex = -1;
    QJsonObject m_pendingSave;
};
