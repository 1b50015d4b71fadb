#pragma once

#include "platform/installer/IProcessLauncher.h"

#include <QList>

// Test double: records every start instead of starting anything.
class RecordingProcessLauncher : public IProcessLauncher
{
public:
    struct Start
    {
        QString program;
        QStringList arguments;
    };

    bool startDetached(const QString &program, const QStringList &arguments) override;
    QString installRelayFileName() const override { return relayFileName; }

    QList<Start> starts;
    bool failStarts = false;
    QString relayFileName = QStringLiteral("InstallRelay");
};
