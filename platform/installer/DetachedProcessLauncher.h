#pragma once

#include "platform/installer/IProcessLauncher.h"

// QProcess::startDetached; the companion is the executable "InstallRelay".
class DetachedProcessLauncher : public IProcessLauncher
{
public:
    bool startDetached(const QString &program, const QStringList &arguments) override;
    QString installRelayFileName() const override;
};
