#pragma once

#include <QString>
#include <QStringList>

class IAutoRunEntry;

// Start-up preferences: auto-run at logon and starting in the tray.
namespace StartupOptions {

// The command-line switch that starts the program in the tray.
QString startupMinimizedSwitch();

// Reads both preferences (default false); startMinimized is false whenever autoRun is.
void load(bool &autoRun, bool &startMinimized);
// Stores both preferences (startMinimized only with autoRun) and updates the
// auto-run entry; false when the store or the entry could not be written.
bool save(bool autoRun, bool startMinimized);
// Writes or removes the auto-run entry of this program; false when that failed.
bool applyAutoRun(bool autoRun, bool startMinimized);
bool applyAutoRun(IAutoRunEntry &entry, const QString &programPath, bool autoRun, bool startMinimized);
// Makes the auto-run entry follow the stored preferences.
void syncAutoRunFromSettings();
// True when an argument equals the switch exactly.
bool hasStartupMinimizedArgument(const QStringList &arguments);

// Routes applyAutoRun to another entry (null: the platform's own). For tests.
void setAutoRunEntryOverride(IAutoRunEntry *entry);

} // namespace StartupOptions
