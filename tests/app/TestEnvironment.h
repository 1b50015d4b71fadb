#pragma once

#include <QTemporaryDir>

// Points HOME (and with it the settings store, the caches and the autostart
// folder) at a private temporary folder, so a test never touches the user's files.
// Call before anything reads a setting.
class TestEnvironment
{
public:
    TestEnvironment();

    QString home() const { return m_home.path(); }
    // Removes every stored setting of the program.
    void clearSettings();

private:
    QTemporaryDir m_home;
};
