#pragma once

#include <QFileDevice>
#include <QString>

// Makes the program's settings file read-only for as long as it lives, as in
// a home folder the user cannot write: every later save of a preference is
// refused. A process run as root would still write it, so the calling thread
// gives up its right to ignore file permissions meanwhile. Make it on the
// thread that writes the settings (the GUI thread), after the test's home.
class ReadOnlySettingsFile
{
public:
    ReadOnlySettingsFile();
    ~ReadOnlySettingsFile();
    ReadOnlySettingsFile(const ReadOnlySettingsFile &) = delete;
    ReadOnlySettingsFile &operator=(const ReadOnlySettingsFile &) = delete;

    // True when the file really refuses to be written.
    bool isValid() const;
    QString path() const { return m_path; }
    // The file's bytes now.
    QByteArray contents() const;

private:
    QString m_path;
    QFileDevice::Permissions m_permissions;
    bool m_overrideDropped = false;
};
