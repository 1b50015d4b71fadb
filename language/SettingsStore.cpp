#include "language/SettingsStore.h"

#include <QSettings>
#include <QtDebug>

namespace SettingsStore {

namespace {
const char *statusName(QSettings::Status status)
{
    switch (status) {
    case QSettings::NoError: return "no error";
    case QSettings::AccessError: return "cannot be written";
    case QSettings::FormatError: return "is damaged";
    }
    return "unknown error";
}
} // namespace

bool commit(QSettings &settings)
{
    settings.sync();
    const QSettings::Status status = settings.status();
    if (status == QSettings::NoError)
        return true;
    qWarning().noquote() << QStringLiteral("[Settings][Save] %1 %2; the change holds for this session only")
                                .arg(settings.fileName(), QLatin1String(statusName(status)));
    return false;
}

} // namespace SettingsStore
