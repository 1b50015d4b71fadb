#include "tests/support/testenv/TestSettingsScope.h"

#include "language/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QUuid>

TestSettingsScope::TestSettingsScope()
    : m_previousOrganisation(QCoreApplication::organizationName()),
      m_previousApplication(QCoreApplication::applicationName())
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("VelkoraTest-") + QUuid::createUuid().toString(QUuid::Id128));
    QCoreApplication::setApplicationName(QStringLiteral("VELKORA"));
    QSettings().clear();
    SettingsStore::forgetHeldChanges();
}

TestSettingsScope::~TestSettingsScope()
{
    QString file;
    {
        QSettings settings;
        file = settings.fileName();
    }
    QFile::remove(file);
    QDir().rmdir(QFileInfo(file).absolutePath());
    SettingsStore::forgetHeldChanges();
    QCoreApplication::setOrganizationName(m_previousOrganisation);
    QCoreApplication::setApplicationName(m_previousApplication);
}
