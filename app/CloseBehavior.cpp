#include "app/CloseBehavior.h"

#include "language/SettingsStore.h"

#include <QSettings>

namespace CloseBehavior {

namespace {
const QString kExitOnCloseKey = QStringLiteral("close/exitOnClose");
}

bool exitOnClose()
{
    return SettingsStore::value(kExitOnCloseKey, false).toBool();
}

bool setExitOnClose(bool exit)
{
    QSettings settings;
    SettingsStore::setValue(settings, kExitOnCloseKey, exit);
    return SettingsStore::commit(settings);
}

} // namespace CloseBehavior
