#pragma once

#include "platform/autostart/IAutoRunEntry.h"

// Test double: keeps the entry in memory and counts the calls.
class InMemoryAutoRunEntry : public IAutoRunEntry
{
public:
    bool write(const QString &program, const QStringList &arguments) override;
    bool remove() override;
    QString commandLine() const override;

    bool present = false;
    QString program;
    QStringList arguments;
    int writes = 0;
    int removals = 0;
    bool failWrites = false;
};
