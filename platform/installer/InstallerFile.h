#pragma once

#include <QString>

#include <memory>

struct stat;

// A saved installer held open from its check to its start. It is opened
// without following a link and without waiting on a FIFO, and only a
// regular file of this user is taken. While it is held open its inode cannot
// be given to another file, so the identity noted at the open (device, inode,
// size, modification time) tells whether the path still names this very file.
class InstallerFile
{
public:
    // Null, with the reason in `error`, when `path` names no regular file of this user.
    static std::unique_ptr<InstallerFile> open(const QString &path, QString *error);
    ~InstallerFile();
    InstallerFile(const InstallerFile &) = delete;
    InstallerFile &operator=(const InstallerFile &) = delete;

    QString path() const { return m_path; }
    // Open for reading, blocking; stays owned by this object.
    int descriptor() const { return m_fd; }
    qint64 size() const { return m_size; }

    // Whether the path still names the file opened, unchanged: the same
    // device and inode, size and modification time, a regular file of this
    // user and no link. False with the reason otherwise.
    bool isStillAtItsPath(QString *why) const;

private:
    struct Identity
    {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 mtimeSec = 0;
        qint64 mtimeNsec = 0;
        bool operator==(const Identity &other) const = default;
    };

    InstallerFile(const QString &path, int fd, const Identity &identity);
    static Identity identityOf(const struct stat &st);

    const QString m_path;
    const int m_fd;
    const Identity m_identity;
    const qint64 m_size;
};
