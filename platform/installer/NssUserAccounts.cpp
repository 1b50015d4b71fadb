#include "platform/installer/NssUserAccounts.h"

#include <QByteArray>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>

#include <cerrno>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace {

// The passwd database is walked through one cursor for the whole process.
QMutex g_enumeration;

IUserAccounts::User userOf(const passwd &entry)
{
    return {entry.pw_uid, QFile::decodeName(entry.pw_name), entry.pw_gid};
}

// Calls `lookup(buffer, size)` with a buffer that grows while it is too small;
// the lookup returns the error number of a getpw*_r/getgr*_r call.
template<typename Lookup>
bool withGrowingBuffer(long hint, Lookup lookup)
{
    QByteArray buffer(hint > 0 ? hint : 1024, Qt::Uninitialized);
    for (;;) {
        const int error = lookup(buffer.data(), size_t(buffer.size()));
        if (error != ERANGE)
            return error == 0;
        if (buffer.size() >= (1 << 24))
            return false;
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

std::optional<IUserAccounts::User> NssUserAccounts::user(uid_t uid) const
{
    std::optional<User> found;
    withGrowingBuffer(::sysconf(_SC_GETPW_R_SIZE_MAX), [&](char *buffer, size_t size) {
        passwd entry = {};
        passwd *result = nullptr;
        const int error = ::getpwuid_r(uid, &entry, buffer, size, &result);
        if (error == 0 && result)
            found = userOf(entry);
        return error;
    });
    return found;
}

std::optional<IUserAccounts::Group> NssUserAccounts::group(gid_t gid) const
{
    std::optional<Group> found;
    withGrowingBuffer(::sysconf(_SC_GETGR_R_SIZE_MAX), [&](char *buffer, size_t size) {
        struct group entry = {};
        struct group *result = nullptr;
        const int error = ::getgrgid_r(gid, &entry, buffer, size, &result);
        if (error == 0 && result) {
            Group g{entry.gr_gid, QFile::decodeName(entry.gr_name), {}};
            for (char **member = entry.gr_mem; member && *member; ++member)
                g.members.append(QFile::decodeName(*member));
            found = g;
        }
        return error;
    });
    return found;
}

QList<IUserAccounts::User> NssUserAccounts::usersOfPrimaryGroup(gid_t gid) const
{
    QList<User> users;
    const QMutexLocker lock(&g_enumeration);
    ::setpwent();
    QByteArray buffer(4096, Qt::Uninitialized);
    for (;;) {
        passwd entry = {};
        passwd *result = nullptr;
        const int error = ::getpwent_r(&entry, buffer.data(), size_t(buffer.size()), &result);
        if (error == ERANGE && buffer.size() < (1 << 24)) {
            // The same entry comes again with the larger buffer.
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error != 0 || !result)
            break;
        if (entry.pw_gid == gid)
            users.append(userOf(entry));
    }
    ::endpwent();
    return users;
}
