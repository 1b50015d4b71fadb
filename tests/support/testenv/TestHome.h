#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Points HOME (and with it the settings store, the data and cache folders and
// the autostart folder) at a private temporary folder and turns on the
// test-mode standard paths, so a test never touches the user's files. Make it
// before anything reads a setting; HOME is put back when it goes.
class TestHome
{
public:
    enum class Settings {
        Keep,  // the store as the process left it
        Clear, // emptied now and again at the end
    };

    explicit TestHome(const QString &organisation = QStringLiteral("Zarvex"), Settings settings = Settings::Keep);
    ~TestHome();
    TestHome(const TestHome &) = delete;
    TestHome &operator=(const TestHome &) = delete;

    bool isValid() const { return m_home.isValid(); }
    QString home() const { return m_home.path(); }
    // The writable application data folder, created.
    QString appDataPath() const;
    // Removes every stored setting of the program. Qt keeps the store's path
    // from its first use, so a new home alone does not give an empty store.
    static void clearSettings();

private:
    QTemporaryDir m_home;
    QByteArray m_previousHome;
    bool m_hadHome;
    Settings m_settings;
};
