#include "platform/autostart/InMemoryAutoRunEntry.h"

bool InMemoryAutoRunEntry::write(const QString &newProgram, const QStringList &newArguments)
{
    ++writes;
    if (failWrites)
        return false;
    present = true;
    program = newProgram;
    arguments = newArguments;
    return true;
}

bool InMemoryAutoRunEntry::remove()
{
    ++removals;
    present = false;
    program.clear();
    arguments.clear();
    return true;
}

QString InMemoryAutoRunEntry::commandLine() const
{
    if (!present)
        return QString();
    QStringList parts{program};
    parts << arguments;
    return parts.join(QLatin1Char(' '));
}
