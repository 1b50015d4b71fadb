#pragma once

#include <QFileDevice>
#include <QMetaType>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

// Makes the program's settings store refuse every save for as long as it
// lives, as in a home folder the user cannot write: the file read-only, or no
// file in a folder that takes none. A process run as root would still write it, so the calling thread
// gives up its right to ignore file permissions meanwhile. Make it on the
// thread that writes the settings (the GUI thread), after the test's home.
class ReadOnlySettingsFile
{
public:
    enum class Layout {
        ReadOnlyFile,           // the file exists (created empty when missing) and cannot be written
        NoFileInReadOnlyFolder, // a first run: no file yet, and its folder takes no new file
    };

    explicit ReadOnlySettingsFile(Layout layout = Layout::ReadOnlyFile);
    ~ReadOnlySettingsFile();
    ReadOnlySettingsFile(const ReadOnlySettingsFile &) = delete;
    ReadOnlySettingsFile &operator=(const ReadOnlySettingsFile &) = delete;

    // True when the store really refuses to be written.
    bool isValid() const;
    QString path() const { return m_path; }
    // The file's bytes now (empty when there is no file).
    QByteArray contents() const;
    bool fileExists() const;

private:
    Layout m_layout;
    QString m_path;
    QString m_folder;
    QFileDevice::Permissions m_permissions;
    bool m_overrideDropped = false;
};

// The stores a save can meet, for tables that run over all of them.
enum class SettingsStoreKind { Writable, ReadOnlyFile, NoFileInReadOnlyFolder };
Q_DECLARE_METATYPE(SettingsStoreKind)

// Every kind with a name for a table's row.
std::vector<std::pair<SettingsStoreKind, const char *>> settingsStoreKinds();

// Locks the store as `kind` says; nothing for a writable one.
std::unique_ptr<ReadOnlySettingsFile> lockSettingsStore(SettingsStoreKind kind);
