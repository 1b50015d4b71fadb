#include "tests/support/testenv/UnprivilegedUser.h"

#include <QtGlobal>

#include <grp.h>
#include <unistd.h>

// The C library applies each of these calls to every thread of the process.
UnprivilegedUser::UnprivilegedUser(uid_t uid, gid_t gid)
{
    if (::geteuid() != 0)
        return;
    m_previousGid = ::getegid();
    const int count = ::getgroups(0, nullptr);
    if (count > 0) {
        m_previousGroups.resize(count);
        if (::getgroups(count, m_previousGroups.data()) != count)
            m_previousGroups.clear();
    }
    if (::setgroups(0, nullptr) != 0)
        return;
    // The effective rights go with the effective user 0; the permitted ones stay for the way back.
    if (::setegid(gid) != 0 || ::seteuid(uid) != 0) {
        restore();
        return;
    }
    m_active = true;
}

void UnprivilegedUser::restore()
{
    if (::seteuid(0) != 0 || ::setegid(m_previousGid) != 0
        || ::setgroups(size_t(m_previousGroups.size()), m_previousGroups.constData()) != 0)
        qFatal("UnprivilegedUser: cannot become root again");
}

UnprivilegedUser::~UnprivilegedUser()
{
    if (m_active)
        restore();
}
