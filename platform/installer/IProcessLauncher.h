#pragma once

#include <QString>
#include <QStringList>

// Starts a program that outlives this process (the installer companion, or
// an installer itself).
class IProcessLauncher
{
public:
    virtual ~IProcessLauncher() = default;

    // False when the program could not be started. No working folder is given:
    // the started program inherits this process's.
    virtual bool startDetached(const QString &program, const QStringList &arguments) = 0;

    // File name of the installer companion in the program's folder.
    virtual QString installRelayFileName() const = 0;
};
