// The stored session of LoginController: sealing, saving, clearing, logout,
// the expired-token path and the profile refresh with its retries.
#include "cloud/LoginController.h"

#include "cloud/UserApi.h"
#include "language/SettingsStore.h"
#include "platform/tokenprotect/ITokenProtector.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QSettings>
#include <QTimer>
#include <QtDebug>

#include <utility>

namespace {

const QString keyToken = QStringLiteral("Login/token");
const QString keyLoggedIn = QStringLiteral("Login/loggedIn");
const QString keyUserInfo = QStringLiteral("Login/userInfo");
const QByteArray protectDescription = QByteArrayLiteral("VelkoraZarvex_Login");

bool isTokenError(int errorCode)
{
    return errorCode == 1003 || errorCode == 1004;
}

} // namespace

QString LoginController::protectStoredText(const QString &text) const
{
    if (text.isEmpty())
        return text;
    const std::optional<QByteArray> sealed = m_protector->protect(text.toUtf8(), protectDescription);
    if (!sealed) {
        qWarning("[Login] session protection unavailable; stored unprotected");
        return text;
    }
    return QString::fromLatin1(sealed->toBase64());
}

QString LoginController::unprotectStoredText(const QString &stored) const
{
    if (stored.isEmpty())
        return stored;
    const QByteArray bytes = QByteArray::fromBase64(stored.toLatin1());
    if (bytes.isEmpty())
        return stored;
    const ITokenProtector::Unsealed result = m_protector->unprotect(bytes);
    switch (result.status) {
    case ITokenProtector::Status::Ok:
        return QString::fromUtf8(result.plain);
    case ITokenProtector::Status::NotProtected:
        // Stored in plain after a failed protection.
        return stored;
    case ITokenProtector::Status::Failed:
        break;
    }
    // Sealed for another user or under a lost key: sending it would only be
    // refused by the server, so the session reads as signed out. The stored
    // value stays, in case the key comes back.
    qWarning("[Login] stored session cannot be unsealed; treated as signed out");
    return QString();
}

QString LoginController::storedSessionToken() const
{
    const QSettings settings;
    if (!SettingsStore::value(settings, keyLoggedIn, false).toBool())
        return QString();
    return unprotectStoredText(SettingsStore::value(settings, keyToken).toString());
}

bool LoginController::isLoggedIn() const
{
    return !storedSessionToken().trimmed().isEmpty();
}

QString LoginController::loadStoredToken() const
{
    return unprotectStoredText(SettingsStore::value(keyToken).toString());
}

EarphoneApi::UserInfo LoginController::loadStoredUserInfo() const
{
    const QString text = unprotectStoredText(SettingsStore::value(keyUserInfo).toString());
    if (text.isEmpty())
        return {};
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8());
    if (!doc.isObject())
        return {};
    return EarphoneApi::parseUserInfo(doc.object());
}

void LoginController::saveSession(const EarphoneApi::LoginResponse &response)
{
    const QString userJson = QString::fromUtf8(
        QJsonDocument(EarphoneApi::userInfoToJson(response.userInfo)).toJson(QJsonDocument::Compact));
    QSettings settings;
    SettingsStore::setValue(settings, keyToken, protectStoredText(response.token));
    SettingsStore::setValue(settings, keyLoggedIn, true);
    SettingsStore::setValue(settings, keyUserInfo, protectStoredText(userJson));
    // A refusal is logged; the session holds until the program ends.
    SettingsStore::commit(settings);
}

void LoginController::clearSession()
{
    m_profileSyncRetries = 0;
    m_pendingProfileUid.clear();
    {
        QSettings settings;
        SettingsStore::remove(settings, keyToken);
        SettingsStore::remove(settings, keyLoggedIn);
        SettingsStore::remove(settings, keyUserInfo);
        SettingsStore::commit(settings);
    }
    dropUserRecordAsks();
    setSessionToken(QString());
    emit loggedOut();
}

void LoginController::logout()
{
    const QString token = loadStoredToken();
    if (!m_userApi || token.isEmpty()) {
        clearSession();
        return;
    }
    setSessionToken(token);
    disconnect(m_userApi, &EarphoneApi::UserApi::loggedOut, this, &LoginController::onLogoutFinished);
    disconnect(m_userApi, &EarphoneApi::UserApi::logoutFailed, this, &LoginController::onLogoutFinished);
    connect(m_userApi, &EarphoneApi::UserApi::loggedOut, this, &LoginController::onLogoutFinished);
    connect(m_userApi, &EarphoneApi::UserApi::logoutFailed, this, &LoginController::onLogoutFinished);
    m_userApi->logout();
}

void LoginController::onLogoutFinished()
{
    disconnect(m_userApi, &EarphoneApi::UserApi::loggedOut, this, &LoginController::onLogoutFinished);
    disconnect(m_userApi, &EarphoneApi::UserApi::logoutFailed, this, &LoginController::onLogoutFinished);
    clearSession();
}

void LoginController::onApiTokenInvalid(int, const QString &)
{
    clearSession();
    emit sessionExpiredToastRequested(tr("登录已失效，请重新登录"));
}

void LoginController::refreshProfile()
{
    if (!m_userApi || !isLoggedIn())
        return;
    const QString uid = loadStoredUserInfo().uid.trimmed();
    if (uid.isEmpty()) {
        clearSession();
        emit needReLogin(tr("账号数据异常，请重新登录"));
        return;
    }
    m_pendingProfileUid = uid;
    m_profileSyncRetries = 0;
    askUserRecord(uid);
}

void LoginController::retryProfile(const QString &uid)
{
    if (!m_userApi || !isLoggedIn() || m_pendingProfileUid.isEmpty())
        return;
    if (loadStoredUserInfo().uid.trimmed() != uid)
        return;
    askUserRecord(uid);
}

void LoginController::refreshUserRecord()
{
    if (!m_userApi || !isLoggedIn())
        return;
    const QString uid = loadStoredUserInfo().uid.trimmed();
    if (!uid.isEmpty())
        askUserRecord(uid);
}

void LoginController::askUserRecord(const QString &uid)
{
    m_recordRequests.removeIf([](const QPointer<QNetworkReply> &reply) { return !reply || reply->isFinished(); });
    m_askedUid = uid;
    m_askedToken = m_currentToken;
    if (QNetworkReply *reply = m_userApi->getUserInfo(uid))
        m_recordRequests.append(reply);
}

void LoginController::dropUserRecordAsks()
{
    m_askedUid.clear();
    m_askedToken.clear();
    // Their failures belong to the session that ends; nothing is retried or reported.
    const QList<QPointer<QNetworkReply>> requests = std::exchange(m_recordRequests, {});
    m_droppingAsks = true;
    for (const QPointer<QNetworkReply> &reply : requests) {
        if (reply && reply->isRunning())
            reply->abort();
    }
    m_droppingAsks = false;
}

bool LoginController::answersAsk(const EarphoneApi::UserInfo &record) const
{
    if (m_askedUid.isEmpty() || m_askedToken != m_currentToken)
        return false;
    return record.uid.trimmed() == m_askedUid && loadStoredUserInfo().uid.trimmed() == m_askedUid;
}

void LoginController::onUserInfoUpdated(const EarphoneApi::UserInfo &userInfo)
{
    // A record that arrives after sign-out must not bring the user back on
    // screen nor leave the account's data in the store; one asked for in an
    // earlier session must not land in this one.
    if (!isLoggedIn())
        return;
    EarphoneApi::UserInfo record = userInfo;
    if (record.uid.trimmed().isEmpty())
        record.uid = m_askedUid;
    if (!answersAsk(record)) {
        qWarning().noquote()
            << QStringLiteral("[Login][Profile] record of uid %1 not asked for in this session; dropped")
                   .arg(userInfo.uid.trimmed());
        return;
    }
    m_profileSyncRetries = 0;
    m_pendingProfileUid.clear();
    const QString json =
        QString::fromUtf8(QJsonDocument(EarphoneApi::userInfoToJson(record)).toJson(QJsonDocument::Compact));
    {
        QSettings settings;
        SettingsStore::setValue(settings, keyUserInfo, protectStoredText(json));
        SettingsStore::commit(settings);
    }
    emit loginSucceededUpdateUI(record.iconUrl, record.nickName);
}

void LoginController::onGetUserInfoFailed(int errorCode, const QString &message)
{
    if (m_droppingAsks)
        return;
    if (!isLoggedIn()) {
        m_profileSyncRetries = 0;
        m_pendingProfileUid.clear();
        return;
    }
    if (isTokenError(errorCode))
        return;

    ++m_profileSyncRetries;
    if (m_profileSyncRetries < maxProfileSyncAttempts && !m_pendingProfileUid.trimmed().isEmpty() && m_userApi) {
        const int delay = m_profileSyncRetries * m_options.profileRetryStepMs + m_options.profileRetryOffsetMs;
        const QString uid = m_pendingProfileUid;
        QTimer::singleShot(delay, this, [this, uid] { retryProfile(uid); });
        return;
    }

    m_profileSyncRetries = 0;
    QString hint;
    if (errorCode <= 0) {
        if (message.trimmed().isEmpty()) {
            hint = tr("账号同步失败，请检查网络后重试。");
        } else {
            hint = friendlyNetworkErrorText(message);
            if (hint.isEmpty())
                hint = tr("同步失败，请检查网络。");
        }
    } else {
        hint = tr("同步失败：%1").arg(friendlyApiErrorText(errorCode));
    }
    emit profileSyncFromServerFailed(hint);
}
