#include "platform/installer/DetachedProcessLauncher.h"

#include <QProcess>

bool DetachedProcessLauncher::startDetached(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

QString DetachedProcessLauncher::installRelayFileName() const
{
    return QStringLiteral("InstallRelay");
}
