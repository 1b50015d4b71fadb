#include "cloud/RemoteUpdater.h"

#include "cloud/InstallerHashCheck.h"
#include "platform/installer/DetachedProcessLauncher.h"
#include "platform/installer/InstallerFile.h"
#include "platform/installer/NssUserAccounts.h"
#include "platform/installer/PrivateFolderChain.h"
#include "platform/signature/OpenSslRsaSignatureVerifier.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>
#include <QtDebug>

#include <algorithm>

namespace RemoteUpdate {

namespace {

QString stateName(RemoteUpdater::State state)
{
    switch (state) {
    case RemoteUpdater::Checking:
        return QStringLiteral("Checking");
    case RemoteUpdater::Downloading:
        return QStringLiteral("Downloading");
    default:
        return QStringLiteral("LaunchingInstaller");
    }
}

const char *yesNo(bool value)
{
    return value ? "yes" : "no";
}

} // namespace

RemoteUpdater::RemoteUpdater(QObject *parent)
    : QObject(parent),
      m_networkManager(new QNetworkAccessManager(this)),
      m_currentVersion(QCoreApplication::applicationVersion()),
      m_installerArguments(QStringLiteral("/VERYSILENT /NORESTART /SUPPRESSMSGBOXES /RELAUNCHAPP")
                               .split(QLatin1Char(' '), Qt::SkipEmptyParts)),
      m_operationTimer(new QTimer(this))
{
    m_operationTimer->setSingleShot(true);
    connect(m_operationTimer, &QTimer::timeout, this, &RemoteUpdater::onOperationTimeout);
    setProcessLauncher(nullptr);
    setSignatureVerifier(nullptr);
    setUserAccounts(nullptr);
}

RemoteUpdater::~RemoteUpdater()
{
    abortManifestRequest();
    abortDownload();
    discardDownloadFile();
    stopInstallerCheck();
}

void RemoteUpdater::setProcessLauncher(IProcessLauncher *launcher)
{
    if (launcher) {
        m_launcher = launcher;
        return;
    }
    if (!m_ownLauncher)
        m_ownLauncher = std::make_unique<DetachedProcessLauncher>();
    m_launcher = m_ownLauncher.get();
}

void RemoteUpdater::setSignatureVerifier(IRsaSignatureVerifier *verifier)
{
    if (verifier) {
        m_verifier = verifier;
        return;
    }
    if (!m_ownVerifier)
        m_ownVerifier = std::make_unique<OpenSslRsaSignatureVerifier>();
    m_verifier = m_ownVerifier.get();
}

void RemoteUpdater::setUserAccounts(const IUserAccounts *accounts)
{
    if (accounts) {
        m_accounts = accounts;
        return;
    }
    if (!m_ownAccounts)
        m_ownAccounts = std::make_unique<NssUserAccounts>();
    m_accounts = m_ownAccounts.get();
}

QString installReceiptPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
           + QStringLiteral("/remoteupdate/last-install-receipt.json");
}

QString RemoteUpdater::busyMessage()
{
    return QStringLiteral("Updater is busy. Please wait for the current operation to finish.");
}

QString RemoteUpdater::urlSchemeProblem(const QUrl &url, const QString &subject) const
{
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("https") && scheme != QLatin1String("http"))
        return QStringLiteral("%1 must use http:// or https://").arg(subject);
    if (scheme == QLatin1String("http") && !m_allowHttp)
        return QStringLiteral("%1 must use https:// (HTTP is disabled)").arg(subject);
    return {};
}

bool RemoteUpdater::recoverStaleBusyState()
{
    if (m_state == Idle)
        return true;
    if (m_manifestReply || m_downloadReply || m_downloadFile || m_installerCheck || m_installerFile)
        return false;
    qWarning().noquote() << QStringLiteral("[Update] stale busy state recovered from %1 to Idle").arg(stateName(m_state));
    m_state = Idle;
    m_operationTimer->stop();
    return true;
}

void RemoteUpdater::startOperationTimer()
{
    if (m_state == Checking && m_checkTimeoutMs > 0)
        m_operationTimer->start(m_checkTimeoutMs);
    else if (m_state == Downloading && m_downloadTimeoutMs > 0)
        m_operationTimer->start(m_downloadTimeoutMs);
}

void RemoteUpdater::abortManifestRequest()
{
    QNetworkReply *reply = m_manifestReply.data();
    m_manifestReply.clear();
    if (!reply)
        return;
    disconnect(reply, nullptr, this, nullptr);
    reply->abort();
    reply->deleteLater();
}

void RemoteUpdater::abortDownload()
{
    QNetworkReply *reply = m_downloadReply.data();
    m_downloadReply.clear();
    if (reply) {
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        reply->deleteLater();
    }
    discardDownloadFile();
}

void RemoteUpdater::discardDownloadFile()
{
    if (!m_downloadFile)
        return;
    // The partial temporary goes; the target path is never touched.
    m_downloadFile->cancelWriting();
    delete m_downloadFile;
    m_downloadFile = nullptr;
    m_downloadFilePath.clear();
    m_expectedSha256.clear();
}

void RemoteUpdater::checkForUpdates()
{
    recoverStaleBusyState();
    if (m_state != Idle) {
        emit checkFailed(busyMessage());
        emit checkFinished();
        return;
    }
    const auto refuse = [this](const QString &message) {
        m_checkAttempt = 0;
        emit checkFailed(message);
        emit checkFinished();
    };
    if (!m_manifestUrl.isValid())
        return refuse(QStringLiteral("Manifest URL is not set or invalid"));
    if (const QString problem = urlSchemeProblem(m_manifestUrl, QStringLiteral("Manifest URL")); !problem.isEmpty())
        return refuse(problem);

    abortManifestRequest();
    m_state = Checking;
    emit checkStarted();
    recordEvent(QStringLiteral("check_start"),
                {{QStringLiteral("manifestUrl"), m_manifestUrl.toString()},
                 {QStringLiteral("currentVersion"), m_currentVersion}});
    qInfo().noquote() << QStringLiteral("[Update] check start currentVersion=%1 requireSignature=%2 hasPublicKey=%3")
                             .arg(m_currentVersion, QLatin1String(yesNo(m_requireSignature)),
                                  QLatin1String(yesNo(!m_trustedManifestPublicKeyPem.trimmed().isEmpty())));
    sendManifestRequest();
}

void RemoteUpdater::onOperationTimeout()
{
    if (m_state == Checking) {
        abortManifestRequest();
        m_state = Idle;
        const QString reason = QStringLiteral("Update check timed out");
        if (scheduleRetry([this] { checkForUpdates(); }, m_checkAttempt, QStringLiteral("check"), reason)) {
            emit checkFinished();
            return;
        }
        m_checkAttempt = 0;
        emit checkFailed(reason);
        recordEvent(QStringLiteral("check_fail"), {{QStringLiteral("reason"), reason}});
        emit checkFinished();
    } else if (m_state == Downloading) {
        abortDownload();
        m_state = Idle;
        const QString reason = QStringLiteral("Installer download timed out");
        const UpdateInfo pending = m_pendingUpdate;
        if (scheduleRetry([this, pending] { downloadAndInstall(pending); }, m_downloadAttempt,
                          QStringLiteral("download"), reason))
            return;
        m_downloadAttempt = 0;
        emit downloadFailed(reason);
        recordEvent(QStringLiteral("download_fail"), {{QStringLiteral("reason"), reason}});
    }
}

bool RemoteUpdater::scheduleRetry(const std::function<void()> &action, int &attempt, const QString &kind,
                                  const QString &reason)
{
    if (attempt >= m_maxRetries)
        return false;
    const int n = attempt;
    attempt = n + 1;
    const int k = std::clamp(n, 0, 30);
    const qint64 delay = std::min<qint64>(qint64(std::max(0, m_retryBaseDelayMs)) << k, 2147483647);
    QTimer::singleShot(static_cast<int>(delay), this, action);
    // One pass: a reason that quotes a URL ("%2F") must not take the numbers.
    const QString message = QStringLiteral("%1 \u2014 retrying %2 in %3 ms (%4/%5).")
                                .arg(reason,
                                     kind == QLatin1String("check") ? QStringLiteral("update check")
                                                                    : QStringLiteral("download"),
                                     QString::number(delay), QString::number(n + 1),
                                     QString::number(m_maxRetries));
    if (kind == QLatin1String("check"))
        emit checkRetrying(message);
    else
        emit downloadRetrying(message);
    return true;
}

void RemoteUpdater::recordEvent(const QString &name, const QJsonObject &fields)
{
    QJsonObject event{{QStringLiteral("event"), name},
                      {QStringLiteral("ts_ms"), QString::number(QDateTime::currentMSecsSinceEpoch())}};
    for (auto it = fields.constBegin(); it != fields.constEnd(); ++it)
        event.insert(it.key(), it.value());
    qInfo().noquote() << QStringLiteral("[UpdateEvent] %1")
                             .arg(QString::fromUtf8(QJsonDocument(event).toJson(QJsonDocument::Compact)));
}

} // namespace RemoteUpdate
