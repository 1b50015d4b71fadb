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

ReadOnlySettingsFile::ReadOnlySettingsFile() : m_path(QSettings().fileName())
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (!QFileInfo::exists(m_path)) {
        QFile file(m_path);
        file.open(QIODevice::WriteOnly);
    }
    m_permissions = QFile::permissions(m_path);
    QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    m_overrideDropped = setDacOverride(false);
}

ReadOnlySettingsFile::~ReadOnlySettingsFile()
{
    if (m_overrideDropped)
        setDacOverride(true);
    QFile::setPermissions(m_path, m_permissions);
}

bool ReadOnlySettingsFile::isValid() const
{
    QFile file(m_path);
    return QFileInfo::exists(m_path) && !file.open(QIODevice::ReadWrite);
}

QByteArray ReadOnlySettingsFile::contents() const
{
    QFile file(m_path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
