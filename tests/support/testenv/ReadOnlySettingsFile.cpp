#include "tests/support/testenv/ReadOnlySettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// CAP_DAC_OVERRIDE in the effective set of the calling thread: what lets root
// write a file whose mode says no. It stays permitted, so it can come back.
bool setDacOverride(bool on)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    const __u32 bit = 1u << CAP_DAC_OVERRIDE;
    const bool wasOn = data[0].effective & bit;
    if (on)
        data[0].effective |= bit & data[0].permitted;
    else
        data[0].effective &= ~bit;
    ::syscall(SYS_capset, &header, data);
    return wasOn;
}

} // namespace

ReadOnlySettingsFile::ReadOnlySettingsFile(Layout layout)
    : m_layout(layout), m_path(QSettings().fileName()), m_folder(QFileInfo(m_path).absolutePath())
{
    QDir().mkpath(m_folder);
    // What the store is locked against: the file itself, or the folder the file would be made in.
    QString locked = m_path;
    if (m_layout == Layout::ReadOnlyFile) {
        if (!QFileInfo::exists(m_path)) {
            QFile file(m_path);
            file.open(QIODevice::WriteOnly);
        }
    } else {
        QFile::remove(m_path);
        locked = m_folder;
    }
    m_permissions = QFile::permissions(locked);
    QFileDevice::Permissions readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (m_layout == Layout::NoFileInReadOnlyFolder)
        readOnly |= QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    QFile::setPermissions(locked, readOnly);
    m_overrideDropped = setDacOverride(false);
}

ReadOnlySettingsFile::~ReadOnlySettingsFile()
{
    if (m_overrideDropped)
        setDacOverride(true);
    QFile::setPermissions(m_layout == Layout::ReadOnlyFile ? m_path : m_folder, m_permissions);
}

bool ReadOnlySettingsFile::isValid() const
{
    if (m_layout == Layout::NoFileInReadOnlyFolder) {
        QFile probe(m_folder + QStringLiteral("/.velkora-write-probe"));
        const bool refused = !probe.open(QIODevice::WriteOnly);
        if (!refused)
            probe.remove();
        return refused && !fileExists();
    }
    QFile file(m_path);
    return fileExists() && !file.open(QIODevice::ReadWrite);
}

bool ReadOnlySettingsFile::fileExists() const
{
    return QFileInfo::exists(m_path);
}

QByteArray ReadOnlySettingsFile::contents() const
{
    QFile file(m_path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::vector<std::pair<SettingsStoreKind, const char *>> settingsStoreKinds()
{
    return {
        {SettingsStoreKind::Writable, "writable"},
        {SettingsStoreKind::ReadOnlyFile, "read-only file"},
        // A first run in a home that cannot be written: Qt keeps nothing of a refused change.
        {SettingsStoreKind::NoFileInReadOnlyFolder, "no file, folder read-only"},
    };
}

std::unique_ptr<ReadOnlySettingsFile> lockSettingsStore(SettingsStoreKind kind)
{
    switch (kind) {
    case SettingsStoreKind::Writable: break;
    case SettingsStoreKind::ReadOnlyFile:
        return std::make_unique<ReadOnlySettingsFile>(ReadOnlySettingsFile::Layout::ReadOnlyFile);
    case SettingsStoreKind::NoFileInReadOnlyFolder:
        return std::make_unique<ReadOnlySettingsFile>(ReadOnlySettingsFile::Layout::NoFileInReadOnlyFolder);
    }
    return nullptr;
}
