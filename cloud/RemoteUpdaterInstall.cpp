// The installer side of RemoteUpdater: the read-back SHA-256 check of the
// saved file, held open until its start, and the hand-off to the installer
// companion or the installer.
#include "cloud/RemoteUpdater.h"

#include "cloud/InstallerHashCheck.h"
#include "platform/installer/IProcessLauncher.h"
#include "platform/installer/InstallerFile.h"
#include "platform/installer/PrivateFolderChain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QtDebug>

#include <utility>

namespace RemoteUpdate {

namespace {

QString mismatchReason()
{
    return QStringLiteral("SHA-256 mismatch.");
}

} // namespace

QString RemoteUpdater::normalizedSha256(const QString &expected)
{
    QString wanted = expected;
    wanted.remove(QLatin1Char(' '));
    if (wanted.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        wanted.remove(0, 2);
    return wanted.toLower();
}

void RemoteUpdater::verifyInstaller(const QString &filePath, const QString &expected)
{
    const QString wanted = normalizedSha256(expected);
    if (wanted.size() != 64)
        return rejectInstaller(filePath);

    // What is started below is the file as it is on disk now, read through
    // the descriptor held open until then, not the bytes as they arrived.
    // The state stays Downloading until the check has answered.
    QString why;
    m_installerFile = InstallerFile::open(filePath, &why);
    if (!m_installerFile) {
        qWarning().noquote() << QStringLiteral("[Update] saved installer cannot be opened for its check: %1: %2")
                                    .arg(filePath, why);
        return rejectInstaller(filePath);
    }
    m_expectedSha256 = wanted;
    auto *check = new InstallerHashCheck(m_installerFile->descriptor(), hashBlockBytes, m_installerCheckTimeoutMs, this);
    m_installerCheck = check;
    connect(check, &InstallerHashCheck::progress, this, &RemoteUpdater::hashVerificationProgress);
    connect(check, &InstallerHashCheck::finished, this, &RemoteUpdater::onInstallerHashed);
    connect(check, &InstallerHashCheck::timedOut, this, &RemoteUpdater::onInstallerCheckTimedOut);
    check->start();
}

void RemoteUpdater::onInstallerHashed(const QString &digestHex, const QString &readError)
{
    if (InstallerHashCheck *check = m_installerCheck.data())
        check->deleteLater();
    m_installerCheck.clear();
    const QString path = m_installerFile ? m_installerFile->path() : QString();
    const QString wanted = std::exchange(m_expectedSha256, QString());
    if (!readError.isEmpty())
        qWarning().noquote() << QStringLiteral("[Update] installer could not be read back: %1").arg(readError);
    if (digestHex.isEmpty() || digestHex != wanted)
        return rejectInstaller(path);
    if (!confirmInstaller(path))
        return;
    emit downloadFinished(path);
    handOff(path);
}

void RemoteUpdater::onInstallerCheckTimedOut()
{
    // The reader is left to end on its own once its read returns.
    if (InstallerHashCheck *check = m_installerCheck.data())
        check->deleteLater();
    m_installerCheck.clear();
    m_expectedSha256.clear();
    const QString path = m_installerFile ? m_installerFile->path() : QString();
    qWarning().noquote() << QStringLiteral("[Update] installer read-back gave no answer within %1 ms: %2")
                                .arg(m_installerCheckTimeoutMs)
                                .arg(path);
    rejectInstaller(path, QStringLiteral("SHA-256 not verified: the installer could not be read back within %1 s.")
                              .arg(m_installerCheckTimeoutMs / 1000.0));
}

void RemoteUpdater::rejectInstaller(const QString &filePath, const QString &reason)
{
    m_installerFile.reset();
    // A link in the file's place goes itself; what it points to is never touched.
    QFile file(filePath);
    const bool deleted = file.remove() || (!file.exists() && !QFileInfo(filePath).isSymLink());
    const QString lead = reason.isEmpty() ? mismatchReason() : reason;
    QString message = lead + QStringLiteral(" The file was deleted for safety.");
    if (!deleted) {
        qWarning().noquote() << QStringLiteral("[Update] installer that failed its check could not be deleted: %1: %2")
                                    .arg(filePath, file.errorString());
        message = lead + QStringLiteral(" The file could not be deleted: %1").arg(filePath);
    }
    m_expectedSha256.clear();
    m_state = Idle;
    m_downloadAttempt = 0;
    emit hashVerificationFailed(message);
    recordEvent(QStringLiteral("hash_verification_fail"), {{QStringLiteral("filePath"), filePath}});
}

void RemoteUpdater::stopInstallerCheck()
{
    // Its destructor waits a moment for the reader and leaves one held in a read to end alone.
    delete m_installerCheck.data();
    m_installerCheck.clear();
    m_installerFile.reset();
}

bool RemoteUpdater::confirmInstaller(const QString &installerPath)
{
    QString why;
    if (!downloadFolders().verify(&why)) {
        // Someone else may have reached the folder: nothing in it is touched.
        qWarning().noquote() << QStringLiteral("[Update] download folder no longer private, nothing started: %1").arg(why);
        m_installerFile.reset();
        m_state = Idle;
        failDownloadFolder(why);
        return false;
    }
    if (!m_installerFile || !m_installerFile->isStillAtItsPath(&why)) {
        qWarning().noquote() << QStringLiteral("[Update] %1 is not the installer checked, nothing started: %2")
                                    .arg(installerPath, why);
        rejectInstaller(installerPath);
        return false;
    }
    return true;
}

void RemoteUpdater::handOff(const QString &installerPath)
{
    const QString programFolder =
        m_programDirectory.isEmpty() ? QCoreApplication::applicationDirPath() : m_programDirectory;
    const QString relayPath = QDir(programFolder).filePath(m_launcher->installRelayFileName());
    const bool runnerMode = QFileInfo(relayPath).isFile();

    QString program;
    QStringList arguments;
    if (runnerMode) {
        program = relayPath;
        arguments = {QStringLiteral("--wait-pid"),
                     QString::number(QCoreApplication::applicationPid()),
                     QStringLiteral("--installer"),
                     installerPath,
                     QStringLiteral("--workdir"),
                     QFileInfo(installerPath).absolutePath(),
                     QStringLiteral("--args"),
                     m_installerArguments.join(QChar(0x1F)),
                     QStringLiteral("--receipt"),
                     installReceiptPath()};
    } else {
        program = installerPath;
        arguments = m_installerArguments;
    }

    // The listeners of downloadFinished ran since the last look.
    if (!confirmInstaller(installerPath))
        return;
    const bool started = m_launcher->startDetached(program, arguments);
    // Held open up to here, so no other file could take its inode meanwhile.
    m_installerFile.reset();
    if (!started) {
        m_state = Idle;
        m_downloadAttempt = 0;
        emit installerLaunchFailed(
            QStringLiteral("Failed to start installer workflow. You can run it manually:\n%1").arg(installerPath));
        recordEvent(QStringLiteral("installer_launch_fail"), {{QStringLiteral("program"), program}});
        return;
    }
    m_state = LaunchingInstaller;
    m_downloadAttempt = 0;
    emit installerStarted(program, arguments);
    recordEvent(QStringLiteral("installer_launcher_started"),
                {{QStringLiteral("program"), program}, {QStringLiteral("runnerMode"), runnerMode}});
    QTimer::singleShot(0, this, [this] { emit requestApplicationQuit(); });
}

} // namespace RemoteUpdate
