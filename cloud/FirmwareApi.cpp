#include "cloud/FirmwareApi.h"

#include "cloud/FriendlyErrorText.h"
#include "cloud/ReplySizeLimit.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTimer>
#include <QVersionNumber>
#include <QtDebug>

namespace EarphoneApi {

FirmwareApi::FirmwareApi(QObject *parent) : ApiManager(parent) {}

FirmwareApi::~FirmwareApi() = default;

QNetworkReply *FirmwareApi::requestPcFirmwareInfo(const QString &pid)
{
    dropPending(m_pendingInfoReply);

    QString requestPid = pid.trimmed();
    if (requestPid.isEmpty())
        requestPid = QStringLiteral("1");

    QNetworkReply *reply = postMultipart(QStringLiteral("home/common/pcFirmwareInfo"),
                                         {{QStringLiteral("pid"), requestPid}}, m_timeouts.infoRequestMs);
    if (!reply) {
        emit pcFirmwareInfoFailed(-1, QStringLiteral("Network request not created"), requestPid);
        return nullptr;
    }
    reply->setProperty("requestPid", requestPid);
    m_pendingInfoReply = reply;
    connect(reply, &QNetworkReply::finished, this, &FirmwareApi::handlePcFirmwareInfoResponse);
    return reply;
}

void FirmwareApi::handlePcFirmwareInfoResponse()
{
    QNetworkReply *reply = senderReply();
    if (!reply)
        return;
    reply->deleteLater();
    if (reply != m_pendingInfoReply)
        return;
    m_pendingInfoReply.clear();

    QString pid = reply->property("requestPid").toString().trimmed();
    if (pid.isEmpty())
        pid = QStringLiteral("1");

    if (isReplyTooLarge(reply)) {
        emit pcFirmwareInfoFailed(-1, friendlyApiErrorText(-1), pid);
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        emit pcFirmwareInfoFailed(static_cast<int>(reply->error()), reply->errorString(), pid);
        return;
    }

    const ApiResponse envelope = parseResponse(ReplySizeLimit::takeBody(reply));
    if (envelope.errorCode != 0) {
        const QString text =
            envelope.message.isEmpty() ? QStringLiteral("pcFirmwareInfo request failed") : envelope.message;
        emit pcFirmwareInfoFailed(envelope.errorCode, text, pid);
        return;
    }
    if (!envelope.data.isObject()) {
        emit pcFirmwareInfoFailed(-3, QStringLiteral("Invalid data: expected object"), pid);
        return;
    }

    QString error;
    const PcFirmwareInfoResult result = parsePcFirmwareInfo(envelope.data.toObject(), pid, &error);
    if (result.firmware1.isValid() || result.firmware2.isValid()) {
        emit pcFirmwareInfoReceived(result);
        return;
    }
    emit pcFirmwareInfoFailed(-4, error.isEmpty() ? QStringLiteral("No valid firmware1/firmware2 in response") : error,
                              pid);
}

PcFirmwareInfoResult FirmwareApi::parsePcFirmwareInfo(const QJsonObject &data, const QString &pid, QString *error)
{
    PcFirmwareInfoResult result;
    result.pid = pid.trimmed();
    QString lastError;
    const auto readEntry = [&](const char *key, PcFirmwareEntry *entry) {
        const QJsonValue value = data.value(QLatin1String(key));
        if (!value.isObject())
            return;
        QString entryError;
        *entry = parseFirmwareEntry(value.toObject(), &entryError);
        if (!entryError.isEmpty())
            lastError = entryError;
    };
    readEntry("firmware1", &result.firmware1);
    readEntry("firmware2", &result.firmware2);

    if (!result.firmware1.isValid() && !result.firmware2.isValid() && error)
        *error = lastError.isEmpty() ? QStringLiteral("Missing firmware1/firmware2 in data") : lastError;
    return result;
}

PcFirmwareEntry FirmwareApi::parseFirmwareEntry(const QJsonObject &entry, QString *error)
{
    const QJsonValue version = entry.value(QLatin1String("version"));
    if (!version.isString()) {
        if (error)
            *error = QStringLiteral("Missing or invalid version");
        return {};
    }
    const QJsonValue url = entry.value(QLatin1String("url"));
    if (!url.isString()) {
        if (error)
            *error = QStringLiteral("Missing or invalid url");
        return {};
    }
    return PcFirmwareEntry{normalizeVersion(version.toString()), url.toString().trimmed()};
}

QString FirmwareApi::normalizeVersion(const QString &version)
{
    QString text = version.trimmed();
    if (text.isEmpty())
        return text;
    // Every leading "v" goes, not just one: with one, "vv1.2" gave "v1.2" and
    // that again "1.2", so a version normalised twice compared unequal.
    while (text.startsWith(QLatin1Char('v'), Qt::CaseInsensitive))
        text = text.mid(1).trimmed();
    static const QRegularExpression whitespace(QStringLiteral("\\s+"));
    text.remove(whitespace);

    const QVersionNumber number = QVersionNumber::fromString(text);
    if (!number.isNull())
        return number.toString();
    return text;
}

FirmwareDownloadResult FirmwareApi::downloadFirmware(const QUrl &url, int timeoutMs)
{
    FirmwareDownloadResult result;
    if (!url.isValid()) {
        result.error = QStringLiteral("Invalid firmware URL");
        return result;
    }
    const int limitMs = timeoutMs >= 1 ? timeoutMs : m_timeouts.downloadDefaultMs;

    // Only local objects below: the nested loop may run code that destroys this Api.
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setTransferTimeout(limitMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = manager.get(request);
    if (!reply) {
        result.error = QStringLiteral("Network request not created");
        return result;
    }

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // Counted as it arrives, so a body without a length is refused at the
    // first piece past the limit however fast it comes.
    ReplySizeLimit *limit = ReplySizeLimit::watch(reply, maxFirmwareBytes, &loop, [&](qint64 bytes) {
        qWarning().noquote() << QStringLiteral("[Firmware][Download] %1 bytes seen, over the limit of %2; aborted")
                                    .arg(bytes)
                                    .arg(maxFirmwareBytes);
        loop.quit();
    });
    timer.start(limitMs);
    if (!reply->isFinished())
        loop.exec();
    limit->drain();

    if (!reply->isFinished() || limit->isExceeded()) {
        // Out of time, too large, or the loop was ended from outside (the
        // application is quitting): a transfer still under way is never a firmware file.
        QObject::disconnect(reply, nullptr, &loop, nullptr);
        reply->abort();
        if (limit->isExceeded())
            result.error = QStringLiteral("Firmware file is larger than %1 bytes").arg(maxFirmwareBytes);
        else
            result.error = timedOut ? QStringLiteral("Firmware download timed out") : reply->errorString();
        delete reply;
        return result;
    }
    timer.stop();

    const int httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError) {
        // Qt reports an error status as a network error; the status itself says more.
        result.error = httpStatus >= 400 ? QStringLiteral("HTTP %1").arg(httpStatus) : reply->errorString();
    } else {
        const QByteArray body = limit->takeBody();
        const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
        if (httpStatus >= 400)
            result.error = QStringLiteral("HTTP %1").arg(httpStatus);
        else if (announced.isValid() && announced.toLongLong() != body.size())
            // A connection dropped mid-body can still end without an error.
            result.error = QStringLiteral("Firmware download incomplete: %1 of %2 bytes")
                               .arg(body.size())
                               .arg(announced.toLongLong());
        else if (body.isEmpty())
            result.error = QStringLiteral("Empty firmware file");
        else {
            result.data = body;
            result.ok = true;
        }
    }
    delete reply;
    return result;
}

} // namespace EarphoneApi
