#include "cloud/ManifestPublicKeyLocator.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QtDebug>

namespace RemoteUpdate {

namespace {

// A key file is small; anything large is not one and is not read whole.
constexpr qint64 maxKeyFileBytes = 64 * 1024;

QByteArray readKeyFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray content = file.read(maxKeyFileBytes);
    return content.trimmed().isEmpty() ? QByteArray() : content;
}

} // namespace

QByteArray locateManifestPublicKeyPem(const QString &programFolder, const QString &workingFolder)
{
    const QString fromEnvironment = qEnvironmentVariable("REMOTEUPDATE_PUBLIC_PEM_PATH").trimmed();
    if (!fromEnvironment.isEmpty()) {
        const QByteArray pem = readKeyFile(fromEnvironment);
        if (!pem.isEmpty())
            return pem;
    }
    const QStringList folders{programFolder, programFolder + QStringLiteral("/.."), workingFolder};
    for (const QString &folder : folders) {
        for (const char *name : {"manifest_public.pem", "public.pem"}) {
            const QString fileName = QLatin1String(name);
            for (const QString &path : {QDir(folder).filePath(fileName),
                                        QDir(folder).filePath(QStringLiteral("keys/%1").arg(fileName))}) {
                const QByteArray pem = readKeyFile(path);
                if (!pem.isEmpty())
                    return pem;
            }
        }
    }
    qWarning("[Update] public key not found; set REMOTEUPDATE_PUBLIC_PEM_PATH or place "
             "manifest_public.pem/public.pem near app.");
    return {};
}

} // namespace RemoteUpdate
