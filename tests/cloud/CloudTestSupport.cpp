#include "CloudTestSupport.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkProxy>
#include <QSettings>
#include <QStandardPaths>
#include <QUuid>

namespace CloudTest {

QString hmacSha1Hex(const QByteArray &message, const QByteArray &key)
{
    constexpr int blockSize = 64;
    QByteArray k = key.size() > blockSize ? QCryptographicHash::hash(key, QCryptographicHash::Sha1) : key;
    k = k.leftJustified(blockSize, '\0');
    QByteArray inner(blockSize, '\0');
    QByteArray outer(blockSize, '\0');
    for (int i = 0; i < blockSize; ++i) {
        inner[i] = static_cast<char>(k.at(i) ^ 0x36);
        outer[i] = static_cast<char>(k.at(i) ^ 0x5c);
    }
    const QByteArray innerHash = QCryptographicHash::hash(inner + message, QCryptographicHash::Sha1);
    return QString::fromLatin1(QCryptographicHash::hash(outer + innerHash, QCryptographicHash::Sha1).toHex());
}

QString md5Hex(const QByteArray &data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex());
}

void bypassProxy()
{
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
}

SettingsScope::SettingsScope()
    : m_previousOrganisation(QCoreApplication::organizationName()),
      m_previousApplication(QCoreApplication::applicationName())
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("VelkoraTest-") + QUuid::createUuid().toString(QUuid::Id128));
    QCoreApplication::setApplicationName(QStringLiteral("VELKORA"));
    QSettings().clear();
}

SettingsScope::~SettingsScope()
{
    QString file;
    {
        QSettings settings;
        file = settings.fileName();
    }
    QFile::remove(file);
    QDir().rmdir(QFileInfo(file).absolutePath());
    QCoreApplication::setOrganizationName(m_previousOrganisation);
    QCoreApplication::setApplicationName(m_previousApplication);
}

} // namespace CloudTest
