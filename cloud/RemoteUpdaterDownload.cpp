// The download side of RemoteUpdater: the installer's private folder and
// the download into a save file there.
#include "cloud/RemoteUpdater.h"

#include "cloud/ReplySizeLimit.h"
#include "platform/installer/PrivateFolderChain.h"

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

namespace RemoteUpdate {

namespace {

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

QStringList downloadLevels()
{
    return {QStringLiteral("RemoteUpdate"), QCoreApplication::applicationName()};
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

PrivateFolderChain RemoteUpdater::downloadFolders() const
{
    return PrivateFolderChain(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation),
                              downloadLevels(), *m_accounts);
}

QString RemoteUpdater::downloadFolder()
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return cache.isEmpty() ? QString() : PrivateFolderChain::pathOf(cache, downloadLevels());
}

void RemoteUpdater::failDownloadFolder(const QString &problem)
{
    // The second line tells the user which folder to mend, and how.
    failDownload(QStringLiteral("Failed to create download directory\n%1").arg(problem));
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

    // Every folder on the way to the download folder is checked, those a
    // link leads through included: one that another user may rename or
    // replace would let them swap the installer between its check and its start.
    PrivateFolderChain folders = downloadFolders();
    QString folderProblem = QStringLiteral("no cache folder");
    if (downloadFolder().isEmpty() || !folders.prepare(&folderProblem)) {
        qWarning().noquote() << QStringLiteral("[Update] download folder refused: %1").arg(folderProblem);
        return failDownloadFolder(folderProblem);
    }

    m_downloadFilePath = QDir(folders.path()).filePath(fileName);
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

    // Each piece is counted and written as it arrives; an announced size
    // past the limit ends the download before any of it is written.
    ReplySizeLimit::watch(
        reply, m_maxInstallerBytes, this, [this](qint64 bytes) { onDownloadTooLarge(bytes); },
        [this](const QByteArray &piece) { onDownloadPiece(piece); });
    connect(reply, &QNetworkReply::downloadProgress, this, &RemoteUpdater::downloadProgress);
    connect(reply, &QNetworkReply::finished, this, &RemoteUpdater::onDownloadFinished);
}

void RemoteUpdater::onDownloadPiece(const QByteArray &piece)
{
    if (!m_downloadReply || !m_downloadFile || !m_downloadFile->isOpen())
        return;
    // Silence is what times a download out, not its length.
    if (m_state == Downloading && m_downloadTimeoutMs > 0)
        m_operationTimer->start(m_downloadTimeoutMs);
    QString error;
    if (!writeAll(m_downloadFile, piece, &error)) {
        m_operationTimer->stop();
        m_state = Idle;
        abortDownload();
        failDownload(writeFailureText(error));
    }
}

void RemoteUpdater::onDownloadTooLarge(qint64 bytes)
{
    // Not retried: the same server would send the same file.
    m_operationTimer->stop();
    m_state = Idle;
    abortDownload();
    const QString message =
        QStringLiteral("Installer download is larger than the limit of %1 bytes").arg(m_maxInstallerBytes);
    qWarning().noquote() << QStringLiteral("[Update] %1 (%2 seen); partial file deleted").arg(message).arg(bytes);
    failDownload(message);
    recordEvent(QStringLiteral("download_fail"), {{QStringLiteral("reason"), message}});
}

void RemoteUpdater::onDownloadFinished()
{
    // What is still unread goes through the count and into the file first;
    // past the limit or failing to write, that ends the download itself.
    if (ReplySizeLimit *limit = ReplySizeLimit::of(m_downloadReply))
        limit->drain();
    QNetworkReply *reply = m_downloadReply.data();
    m_downloadReply.clear();
    if (!reply)
        return;
    const QNetworkReply::NetworkError error = reply->error();
    const QString errorText = reply->errorString();
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

} // namespace RemoteUpdate
