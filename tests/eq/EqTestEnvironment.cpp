#include "tests/eq/EqTestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>

EqTestEnvironment::EqTestEnvironment() : m_previousHome(qgetenv("HOME"))
{
    qputenv("HOME", m_home.path().toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CACHE_HOME");
    qunsetenv("XDG_DATA_HOME");
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("VelkoraEqTest"));
    QCoreApplication::setApplicationName(QStringLiteral("VELKORA"));
    clearSettings();
}

EqTestEnvironment::~EqTestEnvironment()
{
    clearSettings();
    qputenv("HOME", m_previousHome);
}

QString EqTestEnvironment::appDataPath() const
{
    const QString path = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(path);
    return path;
}

void EqTestEnvironment::clearSettings()
{
    QSettings settings;
    settings.clear();
    settings.sync();
}
