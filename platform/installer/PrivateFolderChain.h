#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct stat;

// The folders an installer is saved in, from a base folder (the user's cache
// folder) down: base, base/levels[0], base/levels[0]/levels[1], ... Another
// user who could rename or replace any of them could swap the installer
// between its check and its start, so each must be a real folder (no link),
// either this user's and closed to group and others for writing, or a sticky
// folder of root. The folders above the base must be ones that only their
// owner (this user or root) may change, or sticky. A folder this object
// creates is closed to everyone else at once; one it finds is taken as it
// is or refused, never changed.
class PrivateFolderChain
{
public:
    PrivateFolderChain(const QString &base, const QStringList &levels);

    // The innermost folder.
    QString path() const;

    // Creates what is missing, narrows what it created, and checks the
    // whole chain; false with the reason otherwise.
    bool prepare(QString *problem);
    // Checks the whole chain as it is now; a missing folder fails.
    bool verify(QString *problem) const;

private:
    struct Level
    {
        QString path;
        bool aboveBase = false;
    };

    // Every folder from the root down to the innermost.
    QList<Level> chain() const;
    // stat() above the base, lstat() from the base down; 0 or -1 with errno.
    static int statusOf(const Level &level, struct stat *st);
    bool checkFolder(const Level &level, QString *problem) const;
    bool checkStatus(const Level &level, const struct stat &st, QString *problem) const;

    QString m_base;
    QStringList m_levels;
};
