#include "tests/app/TestEnvironment.h"

#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>

TestEnvironment::TestEnvironment()
{
    qputenv("HOME", m_home.path().toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CACHE_HOME");
    qunsetenv("XDG_DATA_HOME");
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Zarvex"));
    QCoreApplication::setApplicationName(QStringLiteral("VELKORA"));
}

void TestEnvironment::clearSettings()
{
    QSettings settings;
    settings.clear();
    settings.sync();
}
