#include "app/StartupOptions.h"

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
    QSettings settings;
    autoRun = settings.value(kAutoRunKey, false).toBool();
    startMinimized = autoRun && settings.value(kStartMinimizedKey, false).toBool();
}

void save(bool autoRun, bool startMinimized)
{
    const bool minimized = startMinimized && autoRun;
    {
        QSettings settings;
        settings.setValue(kAutoRunKey, autoRun);
        settings.setValue(kStartMinimizedKey, minimized);
        settings.sync();
    }
    applyAutoRun(autoRun, minimized);
}

void applyAutoRun(IAutoRunEntry &entry, const QString &programPath, bool autoRun, bool startMinimized)
{
    if (!autoRun) {
        entry.remove();
        return;
    }
    QStringList arguments;
    if (startMinimized)
        arguments << startupMinimizedSwitch();
    entry.write(QDir::toNativeSeparators(programPath), arguments);
}

void applyAutoRun(bool autoRun, bool startMinimized)
{
    const QString program = QCoreApplication::applicationFilePath();
    if (g_entryOverride) {
        applyAutoRun(*g_entryOverride, program, autoRun, startMinimized);
        return;
    }
    XdgAutostartEntry entry;
    applyAutoRun(entry, program, autoRun, startMinimized);
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
