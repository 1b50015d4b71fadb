#pragma once

#include "platform/installer/IUserAccounts.h"

// The accounts as the C library's name service gives them (the passwd and
// group databases: local files, or a directory service where one is set up).
// A directory that does not list its users gives fewer members of a group
// than it has.
class NssUserAccounts : public IUserAccounts
{
public:
    std::optional<User> user(uid_t uid) const override;
    std::optional<Group> group(gid_t gid) const override;
    QList<User> usersOfPrimaryGroup(gid_t gid) const override;
};
