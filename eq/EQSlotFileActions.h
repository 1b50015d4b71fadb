#pragma once

#include "eq/EqSlotFile.h"

#include <QString>

#include <functional>
#include <optional>

class CustomEqSlotStore;
class QWidget;

// The export and import actions of the custom EQ page: the modal file dialogs,
// the checks and the toasts around the slot store. The page keeps the
// selection: before `importSlot` it cancels a slot load still waiting, and
// afterwards it puts the returned text on the selected slot's button.
class EQSlotFileActions
{
public:
    // (text, kind: 0 info, 1 success, 2 failure, duration in ms)
    using Toast = std::function<void(const QString &text, int kind, int durationMs)>;
    // (parent, caption, start folder or proposed file, filter) -> chosen path, empty when cancelled
    using FileChooser =
        std::function<QString(QWidget *parent, const QString &caption, const QString &start, const QString &filter)>;

    EQSlotFileActions(QWidget *page, CustomEqSlotStore *store, Toast toast);

    // Replace the modal dialogs, e.g. in tests.
    void setFileChoosers(FileChooser saveFile, FileChooser openFile);

    // Writes the editor's curve of the selected slot to a file the user chooses.
    void exportSlot(int selectedIndex, const QString &slotButtonText);
    // Reads a file the user chooses into the selected slot. Returns the text
    // for the slot's button once the curve is on show, else nothing.
    std::optional<QString> importSlot(int selectedIndex);

    // The desktop, or the program's folder when there is none.
    static QString startFolder();
    static QString importStatusText(EqSlotFile::ImportStatus status);

private:
    QWidget *m_page;
    CustomEqSlotStore *m_store;
    Toast m_toast;
    FileChooser m_saveFile;
    FileChooser m_openFile;
};
