// The manifest side of RemoteUpdater: the signed request, the reply log, and
// reading, verifying and deciding on the manifest.
#include "cloud/RemoteUpdater.h"

#include "language/AppLanguageManager.h"
#include "cloud/ApiManager.h"
#include "cloud/ManifestEnvelope.h"
#include "cloud/ManifestSignature.h"
#include "cloud/ReplySizeLimit.h"
#include "cloud/UpdateVersion.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QtDebug>

namespace RemoteUpdate {

namespace {

const char *yesNo(bool value)
{
    return value ? "yes" : "no";
}

const char *trueFalse(bool value)
{
    return value ? "true" : "false";
}

} // namespace

QString RemoteUpdater::userAgent()
{
    const QString name = QCoreApplication::applicationName().trimmed();
    const QString version = QCoreApplication::applicationVersion().trimmed();
    if (!name.isEmpty() && !version.isEmpty())
        return QStringLiteral("%1/%2 (RemoteUpdate)").arg(name, version);
    if (!name.isEmpty())
        return name;
    if (!version.isEmpty())
        return QStringLiteral("RemoteUpdate/%1").arg(version);
    return QStringLiteral("RemoteUpdate");
}

void RemoteUpdater::sendManifestRequest()
{
    QNetworkRequest request(m_manifestUrl);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    const QByteArray timestamp = QByteArray::number(QDateTime::currentSecsSinceEpoch());
    const QByteArray lang =
        AppLanguageManager::apiLanguageCode(AppLanguageManager::currentLanguageCode()).toUtf8();
    // Always signed with the built-in API key, whatever key the API itself is configured with.
    const QString key = EarphoneApi::ApiManager::builtInSecretKey();
    const QByteArray sign = EarphoneApi::ApiManager::hmacSha1Hex(key + QString::fromLatin1(timestamp), key).toLatin1();
    request.setRawHeader("User-Agent", userAgent().toUtf8());
    request.setRawHeader("Content-Type", "application/x-www-form-urlencoded");
    request.setRawHeader("timestamp", timestamp);
    request.setRawHeader("lang", lang);
    request.setRawHeader("sign", sign);

    const auto logHeader = [&request](const char *name) {
        qInfo().noquote() << QStringLiteral("[Update][Request] header %1=%2")
                                 .arg(QLatin1String(name), QString::fromUtf8(request.rawHeader(name)));
    };
    qInfo().noquote() << QStringLiteral("[Update][Request] method=POST url=%1").arg(m_manifestUrl.toString());
    for (const char *name : {"User-Agent", "Content-Type", "timestamp", "lang", "sign"})
        logHeader(name);
    qInfo().noquote() << QStringLiteral("[Update][Request] body=<empty>");

    m_manifestReply = m_networkManager->post(request, QByteArray());
    startOperationTimer();
    ReplySizeLimit::watch(m_manifestReply, maxManifestBytes, this, [this](qint64 bytes) { onManifestTooLarge(bytes); });
    connect(m_manifestReply, &QNetworkReply::finished, this, &RemoteUpdater::onManifestFinished);
}

void RemoteUpdater::onManifestTooLarge(qint64 bytes)
{
    // Not retried: a server that sends this much would send it again.
    abortManifestRequest();
    m_operationTimer->stop();
    const QString message = QStringLiteral("Update manifest is larger than %1 bytes").arg(maxManifestBytes);
    qWarning().noquote() << QStringLiteral("[Update] %1 (%2 seen); request aborted").arg(message).arg(bytes);
    finishCheckWithFailure(message, {{QStringLiteral("reason"), message}});
}

void RemoteUpdater::onManifestFinished()
{
    QNetworkReply *reply = m_manifestReply.data();
    m_manifestReply.clear();
    if (!reply)
        return;

    const QNetworkReply::NetworkError error = reply->error();
    const QString errorText = reply->errorString();
    const QByteArray body = ReplySizeLimit::takeBody(reply);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    const auto headers = reply->rawHeaderPairs();
    reply->deleteLater();
    m_operationTimer->stop();

    qInfo().noquote() << QStringLiteral("[Update][Response] status=%1 reason=%2 netError=%3 errorString=%4")
                             .arg(QString::number(status), reason, QString::number(static_cast<int>(error)),
                                  errorText);
    for (const auto &[name, value] : headers)
        qInfo().noquote() << QStringLiteral("[Update][Response] header %1=%2")
                                 .arg(QString::fromUtf8(name), QString::fromUtf8(value));
    qInfo().noquote() << QStringLiteral("[Update][Response] body=%1").arg(QString::fromUtf8(body));

    if (error != QNetworkReply::NoError) {
        m_state = Idle;
        const bool willRetry =
            scheduleRetry([this] { checkForUpdates(); }, m_checkAttempt, QStringLiteral("check"), errorText);
        qWarning().noquote() << QStringLiteral("[Update] manifest request failed netError=%1 willRetry=%2: %3")
                                    .arg(static_cast<int>(error))
                                    .arg(QLatin1String(yesNo(willRetry)), errorText);
        if (willRetry) {
            emit checkFinished();
            return;
        }
        m_checkAttempt = 0;
        emit checkFailed(errorText);
        recordEvent(QStringLiteral("check_fail"),
                    {{QStringLiteral("reason"), errorText}, {QStringLiteral("networkError"), static_cast<int>(error)}});
        emit checkFinished();
        return;
    }
    evaluateManifest(body);
}

void RemoteUpdater::finishCheckWithFailure(const QString &message, const QJsonObject &eventFields)
{
    recordEvent(QStringLiteral("check_fail"), eventFields);
    m_checkAttempt = 0;
    emit checkFailed(message);
    emit checkFinished();
    // A listener may have started a new operation meanwhile; leave its state alone.
    if (m_state == Checking && !m_manifestReply)
        m_state = Idle;
}

void RemoteUpdater::evaluateManifest(const QByteArray &body)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        const QString description = parseError.errorString();
        return finishCheckWithFailure(QStringLiteral("Invalid manifest JSON: %1").arg(description),
                                      {{QStringLiteral("reason"), description}});
    }

    const ManifestEnvelope envelope = ManifestEnvelope::unwrap(doc.object());
    if (envelope.errorCode != 0) {
        return finishCheckWithFailure(
            QStringLiteral("Update API errorCode=%1, message=%2").arg(envelope.errorCode).arg(envelope.message),
            {{QStringLiteral("reason"), QStringLiteral("api_error")},
             {QStringLiteral("errorCode"), envelope.errorCode}});
    }
    if (envelope.unwrapped)
        qInfo("[Update] manifest unwrapped from data envelope");

    QString parseFailure;
    const UpdateInfo info = UpdateInfo::fromJson(normalizeManifestAliases(envelope.manifest), &parseFailure);
    if (!parseFailure.isEmpty()) {
        qWarning().noquote() << QStringLiteral("[Update] manifest parse failed: %1").arg(parseFailure);
        return finishCheckWithFailure(parseFailure, {{QStringLiteral("reason"), parseFailure}});
    }
    qInfo().noquote() << QStringLiteral(
                             "[Update] manifest parsed latestVersion=%1 minSupported=%2 force=%3 hasSignature=%4 "
                             "downloadUrl=%5")
                             .arg(info.latestVersion,
                                  info.minSupportedVersion.isEmpty() ? QStringLiteral("-") : info.minSupportedVersion,
                                  QLatin1String(trueFalse(info.force)),
                                  QLatin1String(yesNo(!info.signature.trimmed().isEmpty())), info.downloadUrl);

    QString signatureFailure;
    if (!verifyManifestSignature(info, &signatureFailure)) {
        qWarning().noquote() << QStringLiteral("[Update] signature verify failed: %1").arg(signatureFailure);
        qInfo().noquote() << QStringLiteral("[Update] signing payload used for verify:\n%1")
                                 .arg(QString::fromUtf8(info.signingPayload()));
        return finishCheckWithFailure(
            QStringLiteral("Manifest signature validation failed: %1").arg(signatureFailure),
            {{QStringLiteral("reason"), signatureFailure},
             {QStringLiteral("latestVersion"), info.latestVersion},
             {QStringLiteral("currentVersion"), m_currentVersion}});
    }
    qInfo("[Update] signature verify OK");

    const bool newer = isNewerVersion(info.latestVersion, m_currentVersion);
    const bool belowMin = isBelowMinSupported(info, m_currentVersion);
    qInfo().noquote() << QStringLiteral("[Update] version compare current=%1 latest=%2 newer=%3 belowMin=%4")
                             .arg(m_currentVersion, info.latestVersion, QLatin1String(yesNo(newer)),
                                  QLatin1String(yesNo(belowMin)));

    if (!newer && !belowMin) {
        qInfo("[Update] up to date, no UI prompt");
        recordEvent(QStringLiteral("check_up_to_date"), {{QStringLiteral("currentVersion"), m_currentVersion},
                                                         {QStringLiteral("latestVersion"), info.latestVersion}});
        m_state = Idle;
        m_checkAttempt = 0;
        emit upToDate();
        emit checkFinished();
        return;
    }

    UpdateInfo offered = info;
    offered.belowMinSupported = belowMin;
    offered.force = info.force || belowMin;
    qInfo().noquote() << QStringLiteral("[Update] update available, emitting updateAvailable force=%1 belowMin=%2")
                             .arg(QLatin1String(trueFalse(offered.force)), QLatin1String(trueFalse(belowMin)));
    m_state = Idle;
    m_checkAttempt = 0;
    emit updateAvailable(offered);
    recordEvent(QStringLiteral("check_update_available"), {{QStringLiteral("latestVersion"), offered.latestVersion},
                                                           {QStringLiteral("currentVersion"), m_currentVersion},
                                                           {QStringLiteral("force"), offered.force},
                                                           {QStringLiteral("belowMinSupported"), belowMin}});
    emit checkFinished();
}

bool RemoteUpdater::verifyManifestSignature(const UpdateInfo &info, QString *error) const
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (info.signature.trimmed().isEmpty()) {
        if (m_requireSignature)
            return fail(QStringLiteral("Manifest signature is missing"));
        if (error)
            error->clear();
        return true;
    }
    if (m_trustedManifestPublicKeyPem.trimmed().isEmpty())
        return fail(QStringLiteral(
            "Trusted manifest public key is not configured. Ship public.pem with the app, set env "
            "REMOTEUPDATE_PUBLIC_PEM_PATH to its full path, or call setTrustedManifestPublicKeyPem() before "
            "checkForUpdates()."));
    const std::optional<QByteArray> signature = decodeStrictBase64(info.signature.toUtf8());
    if (!signature || signature->isEmpty())
        return fail(QStringLiteral("Manifest signature is not valid base64"));
    return verifyRsaSha256Signature(*m_verifier, m_trustedManifestPublicKeyPem, info.signingPayload(), *signature,
                                    error);
}

} // namespace RemoteUpdate
