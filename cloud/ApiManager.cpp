#include "cloud/ApiManager.h"

#include "cloud/FriendlyErrorText.h"
#include "cloud/ReplySizeLimit.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QHttpMultiPart>
#include <QJsonDocument>
#include <QMessageAuthenticationCode>
#include <QMimeDatabase>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>
#include <QUrl>

namespace EarphoneApi {

namespace {

// Percent-encodes everything but the unreserved characters, so a "+" in a
// value (an e-mail address, say) is not read back as a blank by the server.
QByteArray formBody(const QUrlQuery &params)
{
    QByteArray body;
    const auto items = params.queryItems(QUrl::FullyDecoded);
    for (const auto &[name, value] : items) {
        if (!body.isEmpty())
            body += '&';
        body += QUrl::toPercentEncoding(name);
        body += '=';
        body += QUrl::toPercentEncoding(value);
    }
    return body;
}

// Quotes and line breaks in a file name would break the part's header.
QString quotedFileName(const QString &name)
{
    QString escaped = name;
    escaped.replace(QLatin1Char('"'), QLatin1String("%22"));
    escaped.replace(QLatin1Char('\r'), QLatin1String("%0D"));
    escaped.replace(QLatin1Char('\n'), QLatin1String("%0A"));
    return escaped;
}

} // namespace

ApiManager::ApiManager(QObject *parent)
    : QObject(parent),
      m_baseUrl(builtInBaseUrl()),
      m_language(QStringLiteral("zh")),
      m_defaultAreaCode(QStringLiteral("86")),
      m_secretKey(builtInSecretKey()),
      m_tokenRequiredEndpoints(defaultTokenRequiredEndpoints()),
      m_networkManager(new QNetworkAccessManager(this))
{
}

ApiManager::~ApiManager() = default;

QString ApiManager::builtInBaseUrl()
{
    return QStringLiteral("http://api.velkora.com/index.php/");
}

QString ApiManager::builtInSecretKey()
{
    return QStringLiteral("7c3a91e0d4b85f26a0e19c4d73b2f851");
}

QString ApiManager::builtInFixedSignValue()
{
    return QStringLiteral("826");
}

QStringList ApiManager::defaultTokenRequiredEndpoints()
{
    return {
        QStringLiteral("home/user/getOtherinfo"),
        QStringLiteral("home/user/editUserinfo"),
        QStringLiteral("home/user/editPassword"),
        QStringLiteral("home/user/editAccount"),
        QStringLiteral("home/user/logout"),
        QStringLiteral("home/user/logoff"),
        QStringLiteral("home/system/picUpload"),
        QStringLiteral("home/cloud/soundcateList"),
        QStringLiteral("home/cloud/saveCloud"),
        QStringLiteral("home/cloud/cloudList"),
        QStringLiteral("home/cloud/cloudOperate"),
        QStringLiteral("home/cloud/downloadList"),
        QStringLiteral("home/cloud/downloadDel"),
        QStringLiteral("home/cloud/cloudDel"),
        QStringLiteral("home/cloud/gameType"),
    };
}

void ApiManager::setBaseUrl(const QString &url)
{
    m_baseUrl = url;
    if (!m_baseUrl.endsWith(QLatin1Char('/')))
        m_baseUrl += QLatin1Char('/');
}

QString ApiManager::hmacSha1Hex(const QString &message, const QString &key)
{
    if (key.isEmpty()) {
        qWarning("HmacSHA1: Key is empty!");
        return {};
    }
    return QString::fromLatin1(
        QMessageAuthenticationCode::hash(message.toUtf8(), key.toUtf8(), QCryptographicHash::Sha1).toHex());
}

QString ApiManager::md5Hex(const QString &text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

void ApiManager::addFormField(QUrlQuery &form, const QString &name, const QString &value)
{
    form.addQueryItem(QString::fromLatin1(QUrl::toPercentEncoding(name)),
                      QString::fromLatin1(QUrl::toPercentEncoding(value)));
}

QString ApiManager::computeSign(const QString &path, const QString &timestamp) const
{
    switch (m_signAlgorithm) {
    case KeyPlusTimestampHmac:
        return hmacSha1Hex(m_secretKey + timestamp, m_secretKey);
    case Md5Timestamp:
        return md5Hex(timestamp);
    case CustomFormula:
        if (m_customSignKey.isEmpty())
            return md5Hex(timestamp);
        return md5Hex(path + timestamp + m_customSignKey);
    case FixedValue:
        return m_fixedSignValue.isEmpty() ? builtInFixedSignValue() : m_fixedSignValue;
    case None:
        return QStringLiteral("");
    case HmacSha1:
    default:
        return hmacSha1Hex(path + timestamp, m_secretKey);
    }
}

QNetworkRequest ApiManager::createRequest(const QString &url, const QString &baseUrl) const
{
    QString path = url;
    if (!baseUrl.isEmpty() && url.startsWith(baseUrl)) {
        path = url.mid(baseUrl.size());
        while (path.startsWith(QLatin1Char('/')))
            path.remove(0, 1);
    }
    const qsizetype query = path.indexOf(QLatin1Char('?'));
    if (query >= 0)
        path.truncate(query);

    QNetworkRequest request(QUrl(url, QUrl::TolerantMode));
    const QString timestamp = QString::number(QDateTime::currentSecsSinceEpoch());
    request.setRawHeader("timestamp", timestamp.toUtf8());
    request.setRawHeader("sign", computeSign(path, timestamp).toUtf8());
    request.setRawHeader("lang", m_language.toUtf8());
    if (!m_token.isEmpty() && m_tokenRequiredEndpoints.contains(path))
        request.setRawHeader("token", m_token.toUtf8());
    request.setTransferTimeout(m_defaultTimeoutMs);
    return request;
}

QString ApiManager::fullUrl(const QString &endpoint) const
{
    if (m_baseUrl.isEmpty()) {
        qCritical("Base URL is not set! Call setBaseUrl() first.");
        return {};
    }
    return m_baseUrl.endsWith(QLatin1Char('/')) ? m_baseUrl + endpoint : m_baseUrl + QLatin1Char('/') + endpoint;
}

std::optional<QNetworkRequest> ApiManager::requestFor(const QString &endpoint, int timeoutMs) const
{
    const QString url = fullUrl(endpoint);
    if (url.isEmpty())
        return std::nullopt;
    QNetworkRequest request = createRequest(url, m_baseUrl);
    if (timeoutMs > 0)
        request.setTransferTimeout(timeoutMs);
    return request;
}

QNetworkReply *ApiManager::postForm(const QString &endpoint, const QUrlQuery &params, int timeoutMs)
{
    std::optional<QNetworkRequest> request = requestFor(endpoint, timeoutMs);
    if (!request)
        return nullptr;
    request->setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    QNetworkReply *reply = m_networkManager->post(*request, formBody(params));
    if (!reply)
        return nullptr;
    armReply(reply, endpoint, timeoutMs);
    return reply;
}

QNetworkReply *ApiManager::postMultipart(const QString &endpoint, const QMap<QString, QString> &params, int timeoutMs)
{
    const std::optional<QNetworkRequest> request = requestFor(endpoint, timeoutMs);
    if (!request)
        return nullptr;

    auto *multiPart = new QHttpMultiPart(QHttpMultiPart::FormDataType);
    for (auto it = params.constBegin(); it != params.constEnd(); ++it) {
        QHttpPart part;
        part.setHeader(QNetworkRequest::ContentDispositionHeader,
                       QStringLiteral("form-data; name=\"%1\"").arg(it.key()));
        part.setBody(it.value().toUtf8());
        multiPart->append(part);
    }
    return postMultiPartBody(*request, multiPart, endpoint, timeoutMs);
}

QNetworkReply *ApiManager::postMultiPartBody(const QNetworkRequest &request, QHttpMultiPart *body,
                                             const QString &endpoint, int timeoutMs)
{
    QNetworkReply *reply = m_networkManager->post(request, body);
    if (!reply) {
        delete body;
        return nullptr;
    }
    body->setParent(reply);
    armReply(reply, endpoint, timeoutMs);
    return reply;
}

QNetworkReply *ApiManager::postJson(const QString &endpoint, const QJsonObject &body)
{
    std::optional<QNetworkRequest> request = requestFor(endpoint, -1);
    if (!request)
        return nullptr;
    request->setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    QNetworkReply *reply = m_networkManager->post(*request, QJsonDocument(body).toJson(QJsonDocument::Compact));
    if (!reply)
        return nullptr;
    armReply(reply, endpoint, -1);
    return reply;
}

QNetworkReply *ApiManager::postMultipartFile(const QString &endpoint, const QString &fieldName, const QString &filePath)
{
    const QFileInfo info(filePath);
    if (!info.exists() || !info.isFile()) {
        qWarning().noquote() << "postMultipartFile: file not found or not a file:" << filePath;
        return nullptr;
    }
    auto *file = new QFile(filePath);
    if (!file->open(QIODevice::ReadOnly)) {
        qWarning().noquote() << "postMultipartFile: cannot open file:" << filePath;
        delete file;
        return nullptr;
    }
    const std::optional<QNetworkRequest> request = requestFor(endpoint, -1);
    if (!request) {
        delete file;
        return nullptr;
    }

    auto *multiPart = new QHttpMultiPart(QHttpMultiPart::FormDataType);
    QHttpPart part;
    part.setHeader(QNetworkRequest::ContentDispositionHeader,
                   QStringLiteral("form-data; name=\"%1\"; filename=\"%2\"")
                       .arg(fieldName, quotedFileName(info.fileName())));
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(info);
    if (mime.isValid())
        part.setHeader(QNetworkRequest::ContentTypeHeader, mime.name());
    part.setBodyDevice(file);
    file->setParent(multiPart);
    multiPart->append(part);
    return postMultiPartBody(*request, multiPart, endpoint, -1);
}

void ApiManager::dropPending(QPointer<QNetworkReply> &slot)
{
    QNetworkReply *old = slot.data();
    slot.clear();
    if (!old)
        return;
    disconnect(old, nullptr, this, nullptr);
    old->abort();
    old->deleteLater();
}

void ApiManager::armReply(QNetworkReply *reply, const QString &endpoint, int timeoutMs)
{
    startRequestTimer(reply, endpoint, timeoutMs);
    // Aborted before the rest arrives; the handler then reports a network failure.
    ReplySizeLimit::watch(reply, maxReplyBytes, this, [reply, endpoint](qint64 bytes) {
        qWarning().noquote() << QStringLiteral("[Api][Reply] reply of %1 is %2 bytes, over the limit of %3; aborted")
                                    .arg(endpoint)
                                    .arg(bytes)
                                    .arg(maxReplyBytes);
        reply->abort();
    });
}

bool ApiManager::isReplyTooLarge(const QNetworkReply *reply)
{
    const ReplySizeLimit *limit = ReplySizeLimit::of(reply);
    return limit && limit->isExceeded();
}

void ApiManager::startRequestTimer(QNetworkReply *reply, const QString &endpoint, int timeoutMs)
{
    auto *timer = new QTimer(reply);
    timer->setSingleShot(true);
    timer->setInterval(timeoutMs > 0 ? timeoutMs : m_defaultTimeoutMs);

    QPointer<QNetworkReply> guarded(reply);
    connect(timer, &QTimer::timeout, this, [this, guarded, endpoint] {
        if (!guarded || !guarded->isRunning())
            return;
        qWarning().noquote() << "Request timeout for endpoint:" << endpoint;
        // Aborting finishes the reply, so its handler reports the failure first.
        guarded->abort();
        emit requestTimeout(endpoint);
    });
    connect(reply, &QNetworkReply::finished, timer, [timer] {
        timer->stop();
        timer->deleteLater();
    });
    timer->start();
}

ApiResponse ApiManager::parseResponse(const QByteArray &body)
{
    return ApiResponse::fromBody(body);
}

bool ApiManager::reportNetworkFailure(QNetworkReply *reply, const FailureReporter &fail)
{
    if (reply->error() == QNetworkReply::NoError)
        return false;
    // The abort's own text ("Operation canceled") would tell the user nothing.
    const QString text = isReplyTooLarge(reply) ? friendlyApiErrorText(-1) : reply->errorString();
    fail(-1, text);
    emit networkError(static_cast<int>(reply->error()), text);
    return true;
}

bool ApiManager::reportEnvelopeFailure(const ApiResponse &response, const FailureReporter &fail)
{
    if (response.errorCode == 0)
        return false;
    if (response.errorCode == 1003 || response.errorCode == 1004)
        emit tokenInvalid(response.errorCode, response.message);
    fail(response.errorCode, response.message);
    return true;
}

bool ApiManager::unwrapReply(QNetworkReply *reply, ApiResponse *response, const FailureReporter &fail)
{
    if (reportNetworkFailure(reply, fail))
        return false;
    *response = parseResponse(ReplySizeLimit::takeBody(reply));
    return !reportEnvelopeFailure(*response, fail);
}

QNetworkReply *ApiManager::senderReply() const
{
    return qobject_cast<QNetworkReply *>(sender());
}

std::optional<ApiResponse> ApiManager::takeReply(const FailureReporter &fail)
{
    QNetworkReply *reply = senderReply();
    if (!reply)
        return std::nullopt;
    reply->deleteLater();
    ApiResponse response;
    if (!unwrapReply(reply, &response, fail))
        return std::nullopt;
    return response;
}

} // namespace EarphoneApi
