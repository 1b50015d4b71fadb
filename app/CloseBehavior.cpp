#include "app/CloseBehavior.h"

#include <QSettings>

namespace CloseBehavior {

namespace {
const QString kExitOnCloseKey = QStringLiteral("close/exitOnClose");
}

bool exitOnClose()
{
    return QSettings().value(kExitOnCloseKey, false).toBool();
}

void setExitOnClose(bool exit)
{
    QSettings settings;
    settings.setValue(kExitOnCloseKey, exit);
    settings.sync();
}

} // namespace CloseBehavior
