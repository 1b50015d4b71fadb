#include "platform/installer/PrivateFolderChain.h"

#include "platform/installer/IUserAccounts.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <deque>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// As many links as the kernel follows in one path.
constexpr int maxLinks = 40;

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString joined(const QStringList &reached, const QString &name)
{
    return QLatin1Char('/') + (reached.isEmpty() ? name : reached.join(QLatin1Char('/')) + QLatin1Char('/') + name);
}

int statusOf(const QString &path, struct stat *st)
{
    return ::lstat(QFile::encodeName(path).constData(), st);
}

// The text of the link at `path`; empty with errno set when it cannot be read.
QString linkTarget(const QString &path, const struct stat &st)
{
    const QByteArray native = QFile::encodeName(path);
    QByteArray target(qMax<qint64>(st.st_size, 255) + 1, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::readlink(native.constData(), target.data(), size_t(target.size()));
        if (n < 0)
            return {};
        if (n < target.size()) {
            target.truncate(n);
            break;
        }
        // Grown since its lstat.
        target.resize(target.size() * 2);
    }
    if (target.isEmpty())
        errno = ENOENT;
    return QFile::decodeName(target);
}

} // namespace

PrivateFolderChain::PrivateFolderChain(const QString &base, const QStringList &levels, const IUserAccounts &accounts)
    : m_base(QDir::cleanPath(QDir(base).absolutePath())), m_levels(levels), m_accounts(&accounts)
{
}

QString PrivateFolderChain::pathOf(const QString &base, const QStringList &levels)
{
    QString folder = QDir::cleanPath(QDir(base).absolutePath());
    for (const QString &level : levels)
        folder = QDir(folder).filePath(level);
    return folder;
}

QString PrivateFolderChain::path() const
{
    return pathOf(m_base, m_levels);
}

bool PrivateFolderChain::isUsersPrivateGroup(gid_t gid) const
{
    const std::optional<IUserAccounts::User> me = m_accounts->user(::geteuid());
    if (!me || me->primaryGroup != gid)
        return false;
    const std::optional<IUserAccounts::Group> group = m_accounts->group(gid);
    if (!group || group->name != me->name)
        return false;
    for (const QString &member : group->members) {
        if (member != me->name)
            return false;
    }
    for (const IUserAccounts::User &user : m_accounts->usersOfPrimaryGroup(gid)) {
        if (user.uid != me->uid)
            return false;
    }
    return true;
}

QString PrivateFolderChain::problemOf(const struct stat &st, Role role) const
{
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("not a folder");
    const bool sticky = (st.st_mode & S_ISVTX) != 0;
    if (role == Role::Private) {
        // Such as /tmp: nobody may rename or remove what is not theirs in it.
        if (st.st_uid == 0 && sticky)
            return {};
        if (st.st_uid != ::geteuid())
            return QStringLiteral("owned by another user");
    } else {
        if (st.st_uid != ::geteuid() && st.st_uid != 0)
            return QStringLiteral("owned by another user");
        if (sticky)
            return {};
    }
    if (st.st_mode & S_IWOTH)
        return QStringLiteral("writable by others");
    if ((st.st_mode & S_IWGRP) && !isUsersPrivateGroup(st.st_gid))
        return QStringLiteral("writable by its group");
    return {};
}

bool PrivateFolderChain::walk(bool create, QString *problem) const
{
    const auto fail = [problem](const QString &folder, const QString &why) {
        if (problem)
            *problem = QStringLiteral("%1: %2").arg(folder, why);
        return false;
    };
    struct Step
    {
        QString name;
        Role role;
    };
    // The names still to follow, a link's target put in front of the rest.
    std::deque<Step> pending;
    const QStringList baseParts = m_base.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < baseParts.size(); ++i)
        pending.push_back({baseParts.at(i), i + 1 == baseParts.size() ? Role::Private : Role::OnTheWay});
    for (const QString &level : m_levels)
        pending.push_back({level, Role::Private});
    // The real folders passed so far, below the root.
    QStringList reached;

    struct stat st = {};
    if (statusOf(QStringLiteral("/"), &st) != 0)
        return fail(QStringLiteral("/"), systemError());
    if (const QString why = problemOf(st, baseParts.isEmpty() ? Role::Private : Role::OnTheWay); !why.isEmpty())
        return fail(QStringLiteral("/"), why);

    int links = 0;
    while (!pending.empty()) {
        const Step step = pending.front();
        pending.pop_front();
        if (step.name == QLatin1String(".") || step.name == QLatin1String("..")) {
            if (step.name == QLatin1String("..") && !reached.isEmpty())
                reached.removeLast();
            if (step.role == Role::OnTheWay)
                continue;
            // A link to "." or "..": the folder it leads to stands in the level's place.
            const QString here = QLatin1Char('/') + reached.join(QLatin1Char('/'));
            if (statusOf(here, &st) != 0)
                return fail(here, systemError());
            if (const QString why = problemOf(st, step.role); !why.isEmpty())
                return fail(here, why);
            continue;
        }
        const QString folder = joined(reached, step.name);
        if (statusOf(folder, &st) != 0) {
            if (errno != ENOENT || !create)
                return fail(folder, systemError());
            const QByteArray native = QFile::encodeName(folder);
            // Ours from the start; the chmod also undoes a umask that took the owner's own bits.
            if (::mkdir(native.constData(), S_IRWXU) == 0) {
                if (::chmod(native.constData(), S_IRWXU) != 0)
                    return fail(folder, systemError());
            } else if (errno != EEXIST) {
                return fail(folder, QStringLiteral("cannot create it: %1").arg(systemError()));
            }
            if (statusOf(folder, &st) != 0)
                return fail(folder, systemError());
        }
        if (S_ISLNK(st.st_mode)) {
            // Its folder was checked, so only this user or root could have put it there.
            if (st.st_uid != ::geteuid() && st.st_uid != 0)
                return fail(folder, QStringLiteral("a link owned by another user"));
            if (++links > maxLinks)
                return fail(folder, QStringLiteral("too many links"));
            const QString target = linkTarget(folder, st);
            if (target.isEmpty())
                return fail(folder, systemError());
            const QStringList parts = target.split(QLatin1Char('/'), Qt::SkipEmptyParts);
            if (target.startsWith(QLatin1Char('/')))
                reached.clear();
            if (parts.isEmpty()) {
                pending.push_front({QStringLiteral("."), step.role});
                continue;
            }
            for (qsizetype i = parts.size() - 1; i >= 0; --i)
                pending.push_front({parts.at(i), i + 1 == parts.size() ? step.role : Role::OnTheWay});
            continue;
        }
        if (const QString why = problemOf(st, step.role); !why.isEmpty())
            return fail(folder, why);
        reached.append(step.name);
    }
    return true;
}

bool PrivateFolderChain::prepare(QString *problem)
{
    return walk(true, problem);
}

bool PrivateFolderChain::verify(QString *problem) const
{
    return walk(false, problem);
}
