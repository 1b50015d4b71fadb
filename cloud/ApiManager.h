#pragma once

#include "cloud/ApiResponse.h"
#include "cloud/SignAlgorithm.h"

#include <QJsonObject>
#include <QMap>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrlQuery>

#include <functional>
#include <optional>

class QHttpMultiPart;
class QNetworkAccessManager;

namespace EarphoneApi {

// Base of the client of the maker's HTTP API: holds the connection settings,
// builds signed POST requests, arms a time-out per request and unwraps the
// reply envelope. Subclasses add one request operation and one reply handler
// per endpoint. GUI thread only.
class ApiManager : public QObject
{
    Q_OBJECT
public:
    explicit ApiManager(QObject *parent = nullptr);
    ~ApiManager() override;

    // Built-in connection values, used until configured otherwise.
    static QString builtInBaseUrl();
    static QString builtInSecretKey();
    static QString builtInFixedSignValue();
    static QStringList defaultTokenRequiredEndpoints();
    static constexpr int builtInTimeoutMs = 10000;
    // Largest reply body taken; a reply that announces or sends more is
    // aborted and reported as a network failure. The biggest real replies
    // (sound and cloud lists) stay far below it.
    static constexpr qint64 maxReplyBytes = 4 * 1024 * 1024;

    // Appends "/" when missing, so an empty text becomes "/".
    void setBaseUrl(const QString &url);
    QString baseUrl() const { return m_baseUrl; }

    void setLanguage(const QString &language) { m_language = language; }
    QString language() const { return m_language; }
    void setDefaultAreaCode(const QString &areaCode) { m_defaultAreaCode = areaCode; }
    QString defaultAreaCode() const { return m_defaultAreaCode; }
    void setSecretKey(const QString &key) { m_secretKey = key; }
    QString secretKey() const { return m_secretKey; }
    void setCustomSignKey(const QString &key) { m_customSignKey = key; }
    QString customSignKey() const { return m_customSignKey; }
    void setToken(const QString &token) { m_token = token; }
    QString token() const { return m_token; }
    void setSignAlgorithm(SignAlgorithm algorithm) { m_signAlgorithm = algorithm; }
    SignAlgorithm signAlgorithm() const { return m_signAlgorithm; }
    void setTokenRequiredEndpoints(const QStringList &endpoints) { m_tokenRequiredEndpoints = endpoints; }
    QStringList tokenRequiredEndpoints() const { return m_tokenRequiredEndpoints; }
    void setDefaultTimeoutMs(int ms) { m_defaultTimeoutMs = ms; }
    int defaultTimeoutMs() const { return m_defaultTimeoutMs; }
    void setFixedSignValue(const QString &value) { m_fixedSignValue = value; }
    QString fixedSignValue() const { return m_fixedSignValue; }
    QNetworkAccessManager *networkManager() const { return m_networkManager; }

    // Lower-case hex HMAC-SHA1 of the UTF-8 message under the UTF-8 key; an
    // empty key gives a null text. Also hashes the password fields.
    static QString hmacSha1Hex(const QString &message, const QString &key);
    static QString md5Hex(const QString &text);

signals:
    void networkError(int errorCode, const QString &errorString);
    void requestTimeout(const QString &endpoint);
    void tokenInvalid(int errorCode, const QString &message);

protected:
    // Whether `reply` was aborted for passing maxReplyBytes.
    static bool isReplyTooLarge(const QNetworkReply *reply);

    // Reports a failure of one request to the operation's own failure signal.
    using FailureReporter = std::function<void(int errorCode, const QString &message)>;

    // Adds one field to a form for postForm. The text is kept as given: QUrlQuery
    // itself would read a "%41" in a nickname or an escaped avatar address as an escape.
    static void addFormField(QUrlQuery &form, const QString &name, const QString &value);

    QString computeSign(const QString &path, const QString &timestamp) const;
    QNetworkRequest createRequest(const QString &url, const QString &baseUrl) const;

    // Each returns the running reply, or null when nothing was sent.
    // A timeoutMs of 0 or less means defaultTimeoutMs.
    QNetworkReply *postForm(const QString &endpoint, const QUrlQuery &params, int timeoutMs);
    QNetworkReply *postMultipart(const QString &endpoint, const QMap<QString, QString> &params, int timeoutMs);
    QNetworkReply *postJson(const QString &endpoint, const QJsonObject &body);
    QNetworkReply *postMultipartFile(const QString &endpoint, const QString &fieldName, const QString &filePath);

    void startRequestTimer(QNetworkReply *reply, const QString &endpoint, int timeoutMs);
    static ApiResponse parseResponse(const QByteArray &body);

    // Shared reply steps of the handlers: a transport failure goes to `fail`
    // with -1 and then to networkError; a non-zero envelope code goes to `fail`
    // (after tokenInvalid for 1003/1004). Returns true with the envelope on success.
    bool reportNetworkFailure(QNetworkReply *reply, const FailureReporter &fail);
    bool reportEnvelopeFailure(const ApiResponse &response, const FailureReporter &fail);
    bool unwrapReply(QNetworkReply *reply, ApiResponse *response, const FailureReporter &fail);

    // Disconnects, aborts and drops the reply still held in `slot`, for a
    // request that a newer one replaces.
    void dropPending(QPointer<QNetworkReply> &slot);

    // The reply behind a handler slot, or null when the sender is none.
    QNetworkReply *senderReply() const;
    // A handler's common start: takes the sender's reply, schedules it for
    // deletion and runs the shared reply steps. The envelope on success.
    std::optional<ApiResponse> takeReply(const FailureReporter &fail);

    // A reporter that emits the given failure signal of this object.
    template <typename Api>
    FailureReporter failWith(void (Api::*signal)(int, const QString &))
    {
        Api *api = static_cast<Api *>(this);
        return [api, signal](int errorCode, const QString &message) { emit(api->*signal)(errorCode, message); };
    }

    // Connects a posted reply to its handler; when nothing was posted the
    // failure is reported at once with -1 and `message`.
    template <typename Api>
    QNetworkReply *watchReply(QNetworkReply *reply, void (Api::*handler)(), const FailureReporter &fail,
                              const QString &message = QString())
    {
        if (!reply) {
            fail(-1, message);
            return nullptr;
        }
        connect(reply, &QNetworkReply::finished, static_cast<Api *>(this), handler);
        return reply;
    }

private:
    QString fullUrl(const QString &endpoint) const;
    // The signed request for an endpoint; a timeoutMs above 0 replaces the transfer time-out.
    std::optional<QNetworkRequest> requestFor(const QString &endpoint, int timeoutMs) const;
    QNetworkReply *postMultiPartBody(const QNetworkRequest &request, QHttpMultiPart *body, const QString &endpoint,
                                     int timeoutMs);
    // What every post does with its reply: the per-request timer and the size limit.
    void armReply(QNetworkReply *reply, const QString &endpoint, int timeoutMs);

    QString m_baseUrl;
    QString m_language;
    QString m_defaultAreaCode;
    QString m_secretKey;
    QString m_customSignKey;
    QString m_token;
    SignAlgorithm m_signAlgorithm = KeyPlusTimestampHmac;
    QStringList m_tokenRequiredEndpoints;
    QNetworkAccessManager *m_networkManager = nullptr;
    int m_defaultTimeoutMs = builtInTimeoutMs;
    QString m_fixedSignValue;
};

} // namespace EarphoneApi
