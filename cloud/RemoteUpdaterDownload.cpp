// The installer side of RemoteUpdater: download into a save file, SHA-256
// check, and the hand-off to the installer companion or the installer.
#include "cloud/RemoteUpdater.h"

#include "platform/installer/IProcessLauncher.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>
#include <QtDebug>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace RemoteUpdate {

namespace {

// The temporary folder may be shared with other users (/tmp). Whoever owns
// or may write to a folder on the way to the installer could swap the file
// between its hash check and its start, so both levels must be ours (the
// outer one may also be a sticky folder of root's) and real folders.
bool isSafeDownloadFolder(const QString &outer, const QString &inner)
{
#ifdef Q_OS_UNIX
    const auto check = [](const QString &path, bool mayBeSharedByRoot) {
        const QByteArray native = QFile::encodeName(path);
        struct stat st = {};
        if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return false;
        const bool othersMayWrite = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
        if (st.st_uid == ::geteuid())
            return !othersMayWrite || ::chmod(native.constData(), S_IRWXU) == 0;
        return mayBeSharedByRoot && st.st_uid == 0 && (!othersMayWrite || (st.st_mode & S_ISVTX) != 0);
    };
    return check(outer, true) && check(inner, false);
#else
    Q_UNUSED(outer);
    Q_UNUSED(inner);
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

    const QString outerFolder = QDir(QDir::tempPath()).filePath(QStringLiteral("RemoteUpdate"));
    const QString folder = QDir(outerFolder).filePath(QCoreApplication::applicationName());
    if (!QDir().mkpath(folder) || !isSafeDownloadFolder(outerFolder, folder))
        return failDownload(QStringLiteral("Failed to create download directory"));

    m_downloadFilePath = QDir(folder).filePath(fileName);
    m_downloadHash.reset();
    m_hashedBytes = 0;
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

    QString error;
    if (!storeDownloadChunk(m_downloadReply->readAll(), &error)) {
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
    m_downloadHash.addData(chunk);
    m_hashedBytes += chunk.size();
    return true;
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
    const QString path = m_downloadFilePath;
    m_downloadFilePath.clear();

    if (!verifyFileSha256(path, m_expectedSha256)) {
        QFile::remove(path);
        m_expectedSha256.clear();
        m_state = Idle;
        m_downloadAttempt = 0;
        emit hashVerificationFailed(QStringLiteral("SHA-256 mismatch. The file was deleted for safety."));
        recordEvent(QStringLiteral("hash_verification_fail"), {{QStringLiteral("filePath"), path}});
        return;
    }
    m_expectedSha256.clear();
    emit downloadFinished(path);
    handOff(path);
}

bool RemoteUpdater::verifyFileSha256(const QString &filePath, const QString &expected)
{
    QString wanted = expected;
    wanted.remove(QLatin1Char(' '));
    if (wanted.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        wanted.remove(0, 2);
    wanted = wanted.toLower();
    if (wanted.size() != 64)
        return false;

    // The committed file must be exactly what was hashed on the way in.
    const QFileInfo file(filePath);
    if (!file.isFile())
        return false;
    const qint64 size = file.size();
    if (size != m_hashedBytes)
        return false;
    const bool matches = QString::fromLatin1(m_downloadHash.result().toHex()) == wanted;
    // Progress in the blocks a read-back would have taken, an empty file once.
    qint64 processed = 0;
    do {
        processed = std::min(processed + hashBlockBytes, size);
        emit hashVerificationProgress(processed, size);
    } while (processed < size);
    return matches;
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
