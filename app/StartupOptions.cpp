#include "app/StartupOptions.h"

#include "language/SettingsStore.h"
#include "platform/autostart/XdgAutostartEntry.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

namespace StartupOptions {

namespace {
const QString kAutoRunKey = QStringLiteral("startup/autoRunEnabled");
const QString kStartMinimizedKey = QStringLiteral("startup/startMinimized");

IAutoRunEntry *g_entryOverride = nullptr;
} // namespace

QString startupMinimizedSwitch()
{
    return QStringLiteral("--startup-minimized");
}

void setAutoRunEntryOverride(IAutoRunEntry *entry)
{
    g_entryOverride = entry;
}

void load(bool &autoRun, bool &startMinimized)
{
    const QSettings settings;
    autoRun = SettingsStore::value(settings, kAutoRunKey, false).toBool();
    startMinimized = autoRun && SettingsStore::value(settings, kStartMinimizedKey, false).toBool();
}

bool save(bool autoRun, bool startMinimized)
{
    const bool minimized = startMinimized && autoRun;
    bool stored = false;
    {
        QSettings settings;
        SettingsStore::setValue(settings, kAutoRunKey, autoRun);
        SettingsStore::setValue(settings, kStartMinimizedKey, minimized);
        stored = SettingsStore::commit(settings);
    }
    // The entry follows the preference even when the store refused it: it
    // holds for this session like every other change.
    const bool entryFollowed = applyAutoRun(autoRun, minimized);
    return stored && entryFollowed;
}

bool applyAutoRun(IAutoRunEntry &entry, const QString &programPath, bool autoRun, bool startMinimized)
{
    if (!autoRun)
        return entry.remove();
    QStringList arguments;
    if (startMinimized)
        arguments << startupMinimizedSwitch();
    return entry.write(QDir::toNativeSeparators(programPath), arguments);
}

bool applyAutoRun(bool autoRun, bool startMinimized)
{
    const QString program = QCoreApplication::applicationFilePath();
    if (g_entryOverride)
        return applyAutoRun(*g_entryOverride, program, autoRun, startMinimized);
    XdgAutostartEntry entry;
    return applyAutoRun(entry, program, autoRun, startMinimized);
}

void syncAutoRunFromSettings()
{
    bool autoRun = false;
    bool startMinimized = false;
    load(autoRun, startMinimized);
    applyAutoRun(autoRun, startMinimized);
}

bool hasStartupMinimizedArgument(const QStringList &arguments)
{
    return arguments.contains(startupMinimizedSwitch(), Qt::CaseSensitive);
}

} // namespace StartupOptions
