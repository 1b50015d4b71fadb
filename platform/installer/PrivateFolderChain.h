#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

class IUserAccounts;
struct stat;

// The folders an installer is saved in, from a base folder (the user's cache
// folder) down: base, base/levels[0], base/levels[0]/levels[1], ... Another
// user who could rename or replace any folder on the way could swap the
// installer between its check and its start, so the path is followed folder
// by folder from the root, each link to where it leads, and every folder met
// is checked, the ones a link passes through included:
// - above the base, a folder of this user or root that no one else may write
//   to, or a sticky one;
// - the base and the levels, a folder of this user that no one else may
//   write to, or a sticky folder of root.
// Writing by the folder's group counts as no one else when the group is the
// user's own private group (the user's primary group, named like the user,
// with no other member). A link is judged by where it leads, never by its
// own mode; only this user or root may own it. A folder this object creates
// is closed to everyone else at once; one it finds is taken as it is or
// refused, never changed.
class PrivateFolderChain
{
public:
    // `accounts` must outlive the chain.
    PrivateFolderChain(const QString &base, const QStringList &levels, const IUserAccounts &accounts);

    // The innermost folder, as named (links not followed).
    QString path() const;
    static QString pathOf(const QString &base, const QStringList &levels);

    // Creates what is missing, narrows what it created, and checks the whole
    // chain; false with the reason ("<folder>: <what is wrong>") otherwise.
    bool prepare(QString *problem);
    // Checks the whole chain as it is now; a missing folder fails.
    bool verify(QString *problem) const;

private:
    enum class Role { OnTheWay, Private };

    // Follows the chain from the root; with `create` makes what is missing.
    bool walk(bool create, QString *problem) const;
    // What is wrong with a folder of `role`, empty when nothing is.
    QString problemOf(const struct stat &st, Role role) const;
    bool isUsersPrivateGroup(gid_t gid) const;

    QString m_base;
    QStringList m_levels;
    const IUserAccounts *m_accounts;
};
