#pragma once

#include "protocol/ProtocolTypes.h"

#include <QList>
#include <QString>

// Records (message, level) pairs from the protocol layer's log callbacks.
struct LevelLog
{
    struct Entry
    {
        QString message;
        int level = 0;
        bool operator==(const Entry &) const = default;
    };

    QList<Entry> entries;

    HeadsetProtocol::LogCallback callback()
    {
        return [this](const QString &message, int level) { entries.append({message, level}); };
    }

    bool has(const QString &message, int level) const { return entries.contains(Entry{message, level}); }
    QStringList messages() const
    {
        QStringList out;
        for (const Entry &e : entries)
            out << e.message;
        return out;
    }
};

inline char *toString(const LevelLog::Entry &entry)
{
    return qstrdup(QStringLiteral("(%1, %2)").arg(entry.message).arg(entry.level).toUtf8().constData());
}
