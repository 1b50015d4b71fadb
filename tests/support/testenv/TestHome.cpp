#include "tests/support/testenv/TestHome.h"

#include "language/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>

TestHome::TestHome(const QString &organisation, Settings settings)
    : m_previousHome(qgetenv("HOME")), m_hadHome(qEnvironmentVariableIsSet("HOME")), m_settings(settings)
{
    qputenv("HOME", m_home.path().toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CACHE_HOME");
    qunsetenv("XDG_DATA_HOME");
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(organisation);
    QCoreApplication::setApplicationName(QStringLiteral("VELKORA"));
    if (m_settings == Settings::Clear)
        clearSettings();
}

TestHome::~TestHome()
{
    if (m_settings == Settings::Clear)
        clearSettings();
    if (m_hadHome)
        qputenv("HOME", m_previousHome);
    else
        qunsetenv("HOME");
}

QString TestHome::appDataPath() const
{
    const QString path = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(path);
    return path;
}

void TestHome::clearSettings()
{
    QSettings settings;
    settings.clear();
    settings.sync();
    // A change an earlier test's store refused would still read back.
    SettingsStore::forgetHeldChanges();
}
