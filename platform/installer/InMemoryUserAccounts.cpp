#include "platform/installer/InMemoryUserAccounts.h"

std::optional<IUserAccounts::User> InMemoryUserAccounts::user(uid_t uid) const
{
    for (const User &user : m_users) {
        if (user.uid == uid)
            return user;
    }
    return std::nullopt;
}

std::optional<IUserAccounts::Group> InMemoryUserAccounts::group(gid_t gid) const
{
    for (const Group &group : m_groups) {
        if (group.gid == gid)
            return group;
    }
    return std::nullopt;
}

QList<IUserAccounts::User> InMemoryUserAccounts::usersOfPrimaryGroup(gid_t gid) const
{
    QList<User> users;
    for (const User &user : m_users) {
        if (user.primaryGroup == gid)
            users.append(user);
    }
    return users;
}
