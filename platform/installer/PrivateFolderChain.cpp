#include "platform/installer/PrivateFolderChain.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool writableByOthers(mode_t mode)
{
    return (mode & (S_IWGRP | S_IWOTH)) != 0;
}

bool stickyOfRoot(const struct stat &st)
{
    return st.st_uid == 0 && (st.st_mode & S_ISVTX) != 0;
}

} // namespace

PrivateFolderChain::PrivateFolderChain(const QString &base, const QStringList &levels)
    : m_base(QDir::cleanPath(QDir(base).absolutePath())), m_levels(levels)
{
}

QString PrivateFolderChain::path() const
{
    QString folder = m_base;
    for (const QString &level : m_levels)
        folder = QDir(folder).filePath(level);
    return folder;
}

QList<PrivateFolderChain::Level> PrivateFolderChain::chain() const
{
    QList<Level> folders;
    QString above = QStringLiteral("/");
    folders.append({above, true});
    const QStringList parts = m_base.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        above = QDir(above).filePath(parts.at(i));
        folders.append({above, true});
    }
    if (m_base != QLatin1String("/"))
        folders.append({m_base, false});
    else
        folders.last().aboveBase = false;
    QString below = m_base;
    for (const QString &level : m_levels) {
        below = QDir(below).filePath(level);
        folders.append({below, false});
    }
    return folders;
}

int PrivateFolderChain::statusOf(const Level &level, struct stat *st)
{
    const QByteArray native = QFile::encodeName(level.path);
    // Whatever a name above the base leads to is what is checked; from the base down a link is refused.
    return level.aboveBase ? ::stat(native.constData(), st) : ::lstat(native.constData(), st);
}

bool PrivateFolderChain::checkFolder(const Level &level, QString *problem) const
{
    struct stat st = {};
    if (statusOf(level, &st) != 0) {
        if (problem)
            *problem = QStringLiteral("%1: %2").arg(level.path, systemError());
        return false;
    }
    return checkStatus(level, st, problem);
}

bool PrivateFolderChain::checkStatus(const Level &level, const struct stat &st, QString *problem) const
{
    const auto fail = [&](const QString &why) {
        if (problem)
            *problem = QStringLiteral("%1: %2").arg(level.path, why);
        return false;
    };
    if (level.aboveBase) {
        // Only its owner may change it.
        if (!S_ISDIR(st.st_mode))
            return fail(QStringLiteral("not a folder"));
        if (st.st_uid != ::geteuid() && st.st_uid != 0)
            return fail(QStringLiteral("owned by user %1").arg(st.st_uid));
        if (writableByOthers(st.st_mode) && !(st.st_mode & S_ISVTX))
            return fail(QStringLiteral("others may write to it"));
        return true;
    }
    if (S_ISLNK(st.st_mode))
        return fail(QStringLiteral("a link"));
    if (!S_ISDIR(st.st_mode))
        return fail(QStringLiteral("not a folder"));
    if (stickyOfRoot(st))
        return true;
    if (st.st_uid != ::geteuid())
        return fail(QStringLiteral("owned by user %1").arg(st.st_uid));
    if (writableByOthers(st.st_mode))
        return fail(QStringLiteral("others may write to it"));
    return true;
}

bool PrivateFolderChain::prepare(QString *problem)
{
    for (const Level &level : chain()) {
        struct stat st = {};
        if (statusOf(level, &st) == 0) {
            // Found: checked as it is, never changed.
            if (!checkStatus(level, st, problem))
                return false;
            continue;
        }
        const bool missing = errno == ENOENT;
        const QByteArray native = QFile::encodeName(level.path);
        if (missing) {
            // Ours from the start; the chmod also undoes a umask that took the owner's own bits.
            if (::mkdir(native.constData(), S_IRWXU) == 0) {
                if (::chmod(native.constData(), S_IRWXU) != 0) {
                    if (problem)
                        *problem = QStringLiteral("%1: %2").arg(level.path, systemError());
                    return false;
                }
            } else if (errno != EEXIST) {
                if (problem)
                    *problem = QStringLiteral("%1: cannot create it: %2").arg(level.path, systemError());
                return false;
            }
        }
        if (!checkFolder(level, problem))
            return false;
    }
    return true;
}

bool PrivateFolderChain::verify(QString *problem) const
{
    for (const Level &level : chain()) {
        if (!checkFolder(level, problem))
            return false;
    }
    return true;
}
