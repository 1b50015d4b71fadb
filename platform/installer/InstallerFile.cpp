#include "platform/installer/InstallerFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

// What a file must be to be started: a regular file of this user.
QString problemOf(const struct stat &st)
{
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("not a regular file");
    if (st.st_uid != ::geteuid())
        return QStringLiteral("owned by user %1").arg(st.st_uid);
    return {};
}

} // namespace

InstallerFile::InstallerFile(const QString &path, int fd, const Identity &identity)
    : m_path(path), m_fd(fd), m_identity(identity), m_size(identity.size)
{
}

InstallerFile::~InstallerFile()
{
    ::close(m_fd);
}

InstallerFile::Identity InstallerFile::identityOf(const struct stat &st)
{
    Identity identity;
    identity.device = st.st_dev;
    identity.inode = st.st_ino;
    identity.size = st.st_size;
    identity.mtimeSec = st.st_mtim.tv_sec;
    identity.mtimeNsec = st.st_mtim.tv_nsec;
    return identity;
}

std::unique_ptr<InstallerFile> InstallerFile::open(const QString &path, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return nullptr;
    };
    const QByteArray native = QFile::encodeName(path);
    // No link followed, and a FIFO put in the file's place does not hold the open up.
    const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return fail(systemError("open"));
    struct stat st = {};
    if (::fstat(fd, &st) != 0) {
        const QString why = systemError("fstat");
        ::close(fd);
        return fail(why);
    }
    if (const QString problem = problemOf(st); !problem.isEmpty()) {
        ::close(fd);
        return fail(problem);
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const QString why = systemError("fcntl");
        ::close(fd);
        return fail(why);
    }
    return std::unique_ptr<InstallerFile>(new InstallerFile(path, fd, identityOf(st)));
}

bool InstallerFile::isStillAtItsPath(QString *why) const
{
    const auto fail = [why](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };
    struct stat named = {};
    if (::lstat(QFile::encodeName(m_path).constData(), &named) != 0)
        return fail(systemError("lstat"));
    if (S_ISLNK(named.st_mode))
        return fail(QStringLiteral("the path is a link"));
    if (const QString problem = problemOf(named); !problem.isEmpty())
        return fail(problem);
    const Identity now = identityOf(named);
    if (now.device != m_identity.device || now.inode != m_identity.inode)
        return fail(QStringLiteral("the path names another file"));
    // Same inode as the one held open, so this is the held file's own state.
    if (now != m_identity)
        return fail(QStringLiteral("the file changed after it was checked"));
    return true;
}
