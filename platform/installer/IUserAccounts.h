#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

#include <sys/types.h>

// The system's user and group accounts, as far as the checks of a private
// folder need them: who a user is, and who belongs to a group.
class IUserAccounts
{
public:
    struct User
    {
        uid_t uid = 0;
        QString name;
        gid_t primaryGroup = 0;
    };
    struct Group
    {
        gid_t gid = 0;
        QString name;
        // The users given the group besides their primary one, by name.
        QStringList members;
    };

    virtual ~IUserAccounts() = default;

    virtual std::optional<User> user(uid_t uid) const = 0;
    virtual std::optional<Group> group(gid_t gid) const = 0;
    // Every account whose primary group is `gid`; several names of one user each count.
    virtual QList<User> usersOfPrimaryGroup(gid_t gid) const = 0;
};
