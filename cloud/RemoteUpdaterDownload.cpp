// The installer side of RemoteUpdater: download into a save file, SHA-256
// check, and the hand-off to the installer companion or the installer.
#include "cloud/RemoteUpdater.h"

#include "cloud/InstallerHashCheck.h"
#include "cloud/ReplySizeLimit.h"
#include "platform/installer/IProcessLauncher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>
#include <QtDebug>

#include <utility>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace RemoteUpdate {

namespace {

// How long the destructor waits for a read-back to stop; a block of 1 MiB
// takes milliseconds, so only a hanging disk reaches it.
constexpr int kInstallerCheckStopMs = 2000;

// The folder is below the user's own cache folder, but a link or a folder of
// someone else on the way would still let another user swap the installer
// between its check and its start: each level must be a real folder of this
// user that only this user may enter.
bool makePrivateFolder(const QString &path)
{
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(path);
    struct stat st = {};
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    return (st.st_mode & 07777) == S_IRWXU || ::chmod(native.constData(), S_IRWXU) == 0;
#else
    Q_UNUSED(path);
    return true;
#endif
}

// A name with a control character (a NUL cuts the path short) or a
// backslash (a separator elsewhere) is not a plain installer file name.
bool isPlainFileName(const QString &name)
{
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QLatin1Char('\\'))
            return false;
    }
    return true;
}

QString writeFailureText(const QString &error)
{
    return QStringLiteral("Failed to write download to disk: %1")
        .arg(error.isEmpty() ? QStringLiteral("unknown error") : error);
}

} // namespace

bool writeAll(QIODevice *device, const QByteArray &data, QString *error)
{
    qsizetype written = 0;
    while (written < data.size()) {
        const qint64 n = device->write(data.constData() + written, data.size() - written);
        if (n < 0) {
            if (error)
                *error = device->errorString();
            return false;
        }
        if (n == 0) {
            if (error)
                *error = QStringLiteral("write() returned 0");
            return false;
        }
        written += n;
    }
    return true;
}

void RemoteUpdater::failDownload(const QString &message)
{
    m_downloadAttempt = 0;
    emit downloadFailed(message);
}

QString RemoteUpdater::downloadFolder()
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty())
        return {};
    return QDir(cache).filePath(QStringLiteral("RemoteUpdate/") + QCoreApplication::applicationName());
}

void RemoteUpdater::downloadAndInstall(const UpdateInfo &info)
{
    recoverStaleBusyState();
    if (m_state != Idle) {
        emit downloadFailed(busyMessage());
        return;
    }
    m_pendingUpdate = info;

    if (info.downloadUrl.isEmpty())
        return failDownload(QStringLiteral("downloadUrl is empty"));
    if (info.sha256.isEmpty())
        return failDownload(QStringLiteral("sha256 is required for downloadAndInstall"));
    const QUrl url(info.downloadUrl, QUrl::TolerantMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return failDownload(QStringLiteral("downloadUrl is not a valid URL"));
    if (const QString problem = urlSchemeProblem(url, QStringLiteral("downloadUrl")); !problem.isEmpty())
        return failDownload(problem);

    abortDownload();
    m_expectedSha256 = info.sha256;

    const QString decodedPath = url.path(QUrl::FullyDecoded);
    QString fileName = decodedPath.mid(decodedPath.lastIndexOf(QLatin1Char('/')) + 1);
    if (fileName.isEmpty())
        fileName = QStringLiteral("installer.exe");
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString suffix = dot < 0 ? QString() : fileName.mid(dot + 1).toLower();
    if ((suffix != QLatin1String("exe") && suffix != QLatin1String("msi")) || !isPlainFileName(fileName))
        return failDownload(QStringLiteral("Only .exe or .msi installers are allowed"));

    const QString folder = downloadFolder();
    if (folder.isEmpty() || !QDir().mkpath(folder) || !makePrivateFolder(QFileInfo(folder).path())
        || !makePrivateFolder(folder))
        return failDownload(QStringLiteral("Failed to create download directory"));

    m_downloadFilePath = QDir(folder).filePath(fileName);
    m_downloadedBytes = 0;
    m_downloadFile = new QSaveFile(m_downloadFilePath, this);
    if (!m_downloadFile->open(QIODevice::WriteOnly)) {
        const QString message =
            QStringLiteral("Failed to open %1: %2").arg(m_downloadFilePath, m_downloadFile->errorString());
        discardDownloadFile();
        return failDownload(message);
    }

    QNetworkRequest request(url);
    request.setRawHeader("User-Agent", userAgent().toUtf8());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = m_networkManager->get(request);
    m_downloadReply = reply;

    m_state = Downloading;
    emit downloadStarted();
    recordEvent(QStringLiteral("download_start"),
                {{QStringLiteral("url"), info.downloadUrl}, {QStringLiteral("latestVersion"), info.latestVersion}});
    startOperationTimer();

    // An announced size past the limit ends the download before any of it is written.
    limitReplySize(reply, m_maxInstallerBytes, this, [this](qint64) { onDownloadTooLarge(); });
    connect(reply, &QNetworkReply::downloadProgress, this, &RemoteUpdater::downloadProgress);
    connect(reply, &QNetworkReply::readyRead, this, &RemoteUpdater::onDownloadReadyRead);
    connect(reply, &QNetworkReply::finished, this, &RemoteUpdater::onDownloadFinished);
}

void RemoteUpdater::onDownloadReadyRead()
{
    if (!m_downloadReply || !m_downloadFile || !m_downloadFile->isOpen())
        return;
    // Silence is what times a download out, not its length.
    if (m_state == Downloading && m_downloadTimeoutMs > 0)
        m_operationTimer->start(m_downloadTimeoutMs);

    const QByteArray chunk = m_downloadReply->readAll();
    if (m_downloadedBytes + chunk.size() > m_maxInstallerBytes)
        return onDownloadTooLarge();
    QString error;
    if (!storeDownloadChunk(chunk, &error)) {
        m_operationTimer->stop();
        m_state = Idle;
        abortDownload();
        failDownload(writeFailureText(error));
    }
}

bool RemoteUpdater::storeDownloadChunk(const QByteArray &chunk, QString *error)
{
    if (!writeAll(m_downloadFile, chunk, error))
        return false;
    m_downloadedBytes += chunk.size();
    return true;
}

void RemoteUpdater::onDownloadTooLarge()
{
    // Not retried: the same server would send the same file.
    m_operationTimer->stop();
    m_state = Idle;
    abortDownload();
    const QString message =
        QStringLiteral("Installer download is larger than the limit of %1 bytes").arg(m_maxInstallerBytes);
    qWarning().noquote() << QStringLiteral("[Update] %1; partial file deleted").arg(message);
    failDownload(message);
    recordEvent(QStringLiteral("download_fail"), {{QStringLiteral("reason"), message}});
}

void RemoteUpdater::onDownloadFinished()
{
    QNetworkReply *reply = m_downloadReply.data();
    m_downloadReply.clear();
    if (!reply)
        return;
    const QNetworkReply::NetworkError error = reply->error();
    const QString errorText = reply->errorString();
    const QByteArray rest = reply->readAll();
    reply->deleteLater();
    m_operationTimer->stop();

    if (!m_downloadFile) {
        m_state = Idle;
        emit downloadFailed(QStringLiteral("Internal error: download file handle missing"));
        return;
    }

    if (error != QNetworkReply::NoError) {
        discardDownloadFile();
        m_state = Idle;
        const UpdateInfo pending = m_pendingUpdate;
        if (scheduleRetry([this, pending] { downloadAndInstall(pending); }, m_downloadAttempt,
                          QStringLiteral("download"), errorText))
            return;
        failDownload(errorText);
        recordEvent(QStringLiteral("download_fail"),
                    {{QStringLiteral("reason"), errorText}, {QStringLiteral("networkError"), static_cast<int>(error)}});
        return;
    }

    if (m_downloadedBytes + rest.size() > m_maxInstallerBytes)
        return onDownloadTooLarge();
    QString writeError;
    if (!storeDownloadChunk(rest, &writeError)) {
        discardDownloadFile();
        m_state = Idle;
        failDownload(writeFailureText(writeError));
        return;
    }
    if (!m_downloadFile->commit()) {
        const QString fileError = m_downloadFile->errorString();
        discardDownloadFile();
        m_state = Idle;
        failDownload(QStringLiteral("Failed to finalize download: %1").arg(fileError));
        recordEvent(QStringLiteral("download_fail"), {{QStringLiteral("reason"), fileError}});
        return;
    }
    delete m_downloadFile;
    m_downloadFile = nullptr;
    const QString path = std::exchange(m_downloadFilePath, QString());
    verifyInstaller(path, std::exchange(m_expectedSha256, QString()));
}

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

    // What is handed off below is the file as it is on disk now, so that is
    // what is hashed, not the bytes as they arrived. The state stays
    // Downloading until the check has answered.
    m_checkedInstallerPath = filePath;
    m_expectedSha256 = wanted;
    m_installerCheck = InstallerHashCheck::start(filePath, hashBlockBytes);
    connect(m_installerCheck, &InstallerHashCheck::progress, this, &RemoteUpdater::hashVerificationProgress);
    connect(m_installerCheck, &InstallerHashCheck::finished, this, &RemoteUpdater::onInstallerHashed);
}

void RemoteUpdater::onInstallerHashed(const QString &digestHex, const QString &readError)
{
    // The check object goes by itself once its thread has ended.
    m_installerCheck.clear();
    const QString path = std::exchange(m_checkedInstallerPath, QString());
    const QString wanted = std::exchange(m_expectedSha256, QString());
    if (!readError.isEmpty())
        qWarning().noquote() << QStringLiteral("[Update] installer could not be read back: %1").arg(readError);
    if (digestHex.isEmpty() || digestHex != wanted)
        return rejectInstaller(path);
    emit downloadFinished(path);
    handOff(path);
}

void RemoteUpdater::rejectInstaller(const QString &filePath)
{
    QFile file(filePath);
    const bool deleted = file.remove() || !file.exists();
    QString message = QStringLiteral("SHA-256 mismatch. The file was deleted for safety.");
    if (!deleted) {
        qWarning().noquote() << QStringLiteral("[Update] installer that failed its check could not be deleted: %1: %2")
                                    .arg(filePath, file.errorString());
        message = QStringLiteral("SHA-256 mismatch. The file could not be deleted: %1").arg(filePath);
    }
    m_expectedSha256.clear();
    m_state = Idle;
    m_downloadAttempt = 0;
    emit hashVerificationFailed(message);
    recordEvent(QStringLiteral("hash_verification_fail"), {{QStringLiteral("filePath"), filePath}});
}

void RemoteUpdater::stopInstallerCheck()
{
    InstallerHashCheck *check = m_installerCheck.data();
    m_installerCheck.clear();
    m_checkedInstallerPath.clear();
    if (!check)
        return;
    disconnect(check, nullptr, this, nullptr);
    check->cancel();
    if (check->waitFinished(kInstallerCheckStopMs)) {
        delete check;
        return;
    }
    // A read that hangs keeps its object; it goes once the read returns.
    qWarning().noquote()
        << QStringLiteral("[Update] installer read-back still busy after %1 ms; left to end on its own")
               .arg(kInstallerCheckStopMs);
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

    if (!m_launcher->startDetached(program, arguments)) {
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
