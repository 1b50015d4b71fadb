#pragma once

#include <QString>
#include <QStringList>

// Starting the program when the user logs on.
class IAutoRunEntry
{
public:
    virtual ~IAutoRunEntry() = default;

    // Registers `program` with `arguments`, replacing an older entry. False when it could not be stored.
    virtual bool write(const QString &program, const QStringList &arguments) = 0;
    // Removes the entry; true when none is left.
    virtual bool remove() = 0;
    // The command line the entry runs, empty when there is no entry.
    virtual QString commandLine() const = 0;
};
