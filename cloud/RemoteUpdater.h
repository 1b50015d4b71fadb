#pragma once

#include "cloud/UpdateInfo.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class IProcessLauncher;
class IRsaSignatureVerifier;
class IUserAccounts;
class InstallerFile;
class PrivateFolderChain;
class QIODevice;
class QNetworkAccessManager;
class QNetworkReply;
class QSaveFile;
class QTimer;

namespace RemoteUpdate {

class InstallerHashCheck;

// The program's self-update: fetches and checks the signed manifest,
// downloads the installer to a private folder of the user, reads it back to
// verify its SHA-256 (on a thread of its own) while holding it open, and
// right before the start confirms that its path still names the file checked
// in a folder chain nobody else may change; then it hands it to the
// installer companion (or starts it directly) and asks the application to
// quit. Every step has a time-out or a size limit and network failures a
// small retry budget. GUI thread only; outcomes come only through the signals.
class RemoteUpdater : public QObject
{
    Q_OBJECT
public:
    enum State { Idle = 0, Checking = 1, Downloading = 2, LaunchingInstaller = 3 };
    Q_ENUM(State)

    explicit RemoteUpdater(QObject *parent = nullptr);
    ~RemoteUpdater() override;

    void setAllowHttp(bool allow) { m_allowHttp = allow; }
    void setManifestUrl(const QUrl &url) { m_manifestUrl = url; }
    void setRequireSignature(bool require) { m_requireSignature = require; }
    void setTrustedManifestPublicKeyPem(const QByteArray &pem) { m_trustedManifestPublicKeyPem = pem; }

    // Limits; the defaults are those of the shipped program. A time-out of 0 or less turns it off.
    void setCheckTimeoutMs(int ms) { m_checkTimeoutMs = ms; }
    void setDownloadTimeoutMs(int ms) { m_downloadTimeoutMs = ms; }
    void setMaxRetries(int retries) { m_maxRetries = retries; }
    void setRetryBaseDelayMs(int ms) { m_retryBaseDelayMs = ms; }
    // Largest installer taken; a bigger one is refused and its partial file deleted.
    void setMaxInstallerBytes(qint64 bytes) { m_maxInstallerBytes = bytes; }
    // Bound of the read-back of a saved installer; 0 or less waits without end.
    void setInstallerCheckTimeoutMs(int ms) { m_installerCheckTimeoutMs = ms; }
    // Where the installer companion is looked for; the program's own folder by default.
    void setProgramDirectory(const QString &folder) { m_programDirectory = folder; }
    // Not owned; null restores the platform's own.
    void setProcessLauncher(IProcessLauncher *launcher);
    void setSignatureVerifier(IRsaSignatureVerifier *verifier);
    // Whose folders count as the user's own; not owned, null restores the system's.
    void setUserAccounts(const IUserAccounts *accounts);

    void checkForUpdates();
    void downloadAndInstall(const RemoteUpdate::UpdateInfo &info);

    State state() const { return m_state; }
    QString currentVersion() const { return m_currentVersion; }
    QStringList installerArguments() const { return m_installerArguments; }
    RemoteUpdate::UpdateInfo pendingUpdate() const { return m_pendingUpdate; }

    // "<name>/<version> (RemoteUpdate)", or the parts that are set.
    static QString userAgent();
    // The signature policy: an unsigned manifest passes only when no signature
    // is required; a present signature is always checked.
    bool verifyManifestSignature(const RemoteUpdate::UpdateInfo &info, QString *error = nullptr) const;

    static constexpr qint64 hashBlockBytes = 1048576;
    // A manifest is a few hundred bytes; a reply far larger is refused.
    static constexpr qint64 maxManifestBytes = 64 * 1024;
    static constexpr qint64 defaultMaxInstallerBytes = qint64(1) << 30;
    // A 1 GiB installer read back at under 2 MB/s still fits.
    static constexpr int defaultInstallerCheckTimeoutMs = 10 * 60 * 1000;
    // Where installers are saved: "RemoteUpdate/<application name>" below the
    // user's own cache folder, never a folder other users share.
    static QString downloadFolder();

signals:
    void checkStarted();
    void checkFinished();
    void updateAvailable(RemoteUpdate::UpdateInfo info);
    void upToDate();
    void checkFailed(const QString &message);
    void checkRetrying(const QString &message);
    void downloadStarted();
    void downloadProgress(qlonglong bytesReceived, qlonglong bytesTotal);
    void downloadFinished(const QString &localFilePath);
    void downloadFailed(const QString &message);
    void downloadRetrying(const QString &message);
    void hashVerificationFailed(const QString &message);
    void hashVerificationProgress(qlonglong bytesProcessed, qlonglong bytesTotal);
    void installerStarted(const QString &program, const QStringList &arguments);
    void installerLaunchFailed(const QString &message);
    void requestApplicationQuit();

private:
    static QString busyMessage();
    // Why `url` may not be fetched (its scheme), empty when it may; `subject` names it in the text.
    QString urlSchemeProblem(const QUrl &url, const QString &subject) const;
    bool recoverStaleBusyState();
    void startOperationTimer();
    void abortManifestRequest();
    void abortDownload();
    void discardDownloadFile();

    void sendManifestRequest();
    void onManifestFinished();
    // Unwraps, parses and verifies a manifest body; ends the check cycle.
    void evaluateManifest(const QByteArray &body);
    // Ends a check cycle that failed after a reply arrived.
    void finishCheckWithFailure(const QString &message, const QJsonObject &eventFields);
    void onManifestTooLarge(qint64 bytes);
    // A piece of the installer as it arrives: written to the download file at once.
    void onDownloadPiece(const QByteArray &piece);
    void onDownloadFinished();
    void onDownloadTooLarge(qint64 bytes);
    void onOperationTimeout();
    void failDownload(const QString &message);
    // The folders installers are saved in, below the user's cache folder.
    PrivateFolderChain downloadFolders() const;
    // Refuses the download: its folders are not the user's alone (`problem` says which and why).
    void failDownloadFolder(const QString &problem);
    // Opens the committed installer, holds it open and reads it back to check
    // it against `expected` off the GUI thread; the outcome comes to onInstallerHashed.
    void verifyInstaller(const QString &filePath, const QString &expected);
    void onInstallerHashed(const QString &digestHex, const QString &readError);
    void onInstallerCheckTimedOut();
    // Deletes an installer that failed its check and reports it with
    // `reason` (the mismatch text by default) and what became of the file.
    void rejectInstaller(const QString &filePath, const QString &reason = QString());
    void stopInstallerCheck();
    // Whether the folders are still private and the path still names the
    // file checked; otherwise the update is refused and false returned.
    bool confirmInstaller(const QString &installerPath);
    void handOff(const QString &installerPath);

    bool scheduleRetry(const std::function<void()> &action, int &attempt, const QString &kind,
                       const QString &reason);
    void recordEvent(const QString &name, const QJsonObject &fields);
    // The expected hash as 64 lower-case hex digits: blanks and a leading
    // "0x" dropped. Any other length never matches.
    static QString normalizedSha256(const QString &expected);

    QNetworkAccessManager *m_networkManager;
    QUrl m_manifestUrl;
    QString m_currentVersion;
    QStringList m_installerArguments;
    QPointer<QNetworkReply> m_manifestReply;
    QPointer<QNetworkReply> m_downloadReply;
    QSaveFile *m_downloadFile = nullptr;
    QString m_downloadFilePath;
    QString m_expectedSha256;
    qint64 m_maxInstallerBytes = defaultMaxInstallerBytes;
    // The committed installer, open from its read-back to its start, and the read-back.
    std::unique_ptr<InstallerFile> m_installerFile;
    QPointer<InstallerHashCheck> m_installerCheck;
    int m_installerCheckTimeoutMs = defaultInstallerCheckTimeoutMs;
    State m_state = Idle;
    QTimer *m_operationTimer;
    int m_checkTimeoutMs = 15000;
    int m_downloadTimeoutMs = 120000;
    QByteArray m_trustedManifestPublicKeyPem;
    bool m_requireSignature = true;
    int m_maxRetries = 2;
    int m_retryBaseDelayMs = 1000;
    bool m_allowHttp = false;
    int m_checkAttempt = 0;
    int m_downloadAttempt = 0;
    RemoteUpdate::UpdateInfo m_pendingUpdate;

    QString m_programDirectory;
    std::unique_ptr<IProcessLauncher> m_ownLauncher;
    IProcessLauncher *m_launcher = nullptr;
    std::unique_ptr<IRsaSignatureVerifier> m_ownVerifier;
    IRsaSignatureVerifier *m_verifier = nullptr;
    std::unique_ptr<IUserAccounts> m_ownAccounts;
    const IUserAccounts *m_accounts = nullptr;
};

// Writes every byte of `data`; false with the reason in `error` (may be null) otherwise.
bool writeAll(QIODevice *device, const QByteArray &data, QString *error = nullptr);

// The receipt the installer companion writes: "remoteupdate/last-install-receipt.json"
// in the per-user application data folder.
QString installReceiptPath();

} // namespace RemoteUpdate
