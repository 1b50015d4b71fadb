#pragma once

#include "platform/installer/IUserAccounts.h"

// Accounts as a test writes them down.
class InMemoryUserAccounts : public IUserAccounts
{
public:
    void addUser(const User &user) { m_users.append(user); }
    void addGroup(const Group &group) { m_groups.append(group); }

    std::optional<User> user(uid_t uid) const override;
    std::optional<Group> group(gid_t gid) const override;
    QList<User> usersOfPrimaryGroup(gid_t gid) const override;

private:
    QList<User> m_users;
    QList<Group> m_groups;
};
