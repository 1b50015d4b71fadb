#pragma once

#include <QList>

#include <sys/types.h>

// For as long as it lives the whole process, every thread, acts as an
// ordinary user: the given user and group, no supplementary groups and none
// of root's rights, so file permissions and ownership count as they do for a
// user of the desktop. Root stays the saved user, so its end gives them back.
// Only root can make one: made by another user it changes nothing and is not
// active. Make it on the test's own thread with nothing else changing users.
class UnprivilegedUser
{
public:
    // An id no account of the machine is expected to use.
    static constexpr uid_t testUid = 4242;
    static constexpr gid_t testGid = 4242;

    explicit UnprivilegedUser(uid_t uid = testUid, gid_t gid = testGid);
    ~UnprivilegedUser();
    UnprivilegedUser(const UnprivilegedUser &) = delete;
    UnprivilegedUser &operator=(const UnprivilegedUser &) = delete;

    bool isActive() const { return m_active; }

private:
    void restore();

    bool m_active = false;
    gid_t m_previousGid = 0;
    QList<gid_t> m_previousGroups;
};
