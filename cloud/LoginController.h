#pragma once

#include "cloud/LoginResponse.h"
#include "cloud/UserInfo.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <array>
#include <memory>

class ITokenProtector;
class LoginWindowInterface;
class QNetworkReply;

namespace EarphoneApi {
class AccountApi;
class ApiManager;
class EqApi;
class FirmwareApi;
class UserApi;
} // namespace EarphoneApi

// The account session: owns the four API groups, keeps the token and the user
// record in the settings store (sealed for the current user), restores and
// refreshes them at start, turns the login window's requests into account
// calls and their replies into window feedback, and ends the session on
// logout or an expired token. GUI thread only.
class LoginController : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        // Not owned; null uses the key-file protector in the user's data folder.
        ITokenProtector *protector = nullptr;
        // A failed profile refresh is retried after failures x step + offset ms.
        int profileRetryStepMs = 1000;
        int profileRetryOffsetMs = 500;
    };

    static constexpr int maxProfileSyncAttempts = 3;

    explicit LoginController(QObject *parent = nullptr);
    LoginController(const Options &options, QObject *parent);
    ~LoginController() override;

    void bindLoginWindow(LoginWindowInterface *window);
    // Ends the session, with the server when a token is stored.
    void logout();
    // Asks the server for the signed-in user's record; the answer is stored
    // when it is that user's and the session still holds.
    void refreshUserRecord();

    // True when "Login/loggedIn" is set and the stored token is not blank. Read from the store.
    bool isLoggedIn() const;
    QString loadStoredToken() const;
    EarphoneApi::UserInfo loadStoredUserInfo() const;

    void applyApiLanguage();
    void setSessionToken(const QString &token);
    void saveSession(const EarphoneApi::LoginResponse &response);
    void clearSession();

    EarphoneApi::AccountApi *accountApi() const { return m_accountApi; }
    EarphoneApi::UserApi *userApi() const { return m_userApi; }
    EarphoneApi::EqApi *eqApi() const { return m_eqApi; }
    EarphoneApi::FirmwareApi *firmwareApi() const { return m_firmwareApi; }

    // The user messages of failures; see cloud/FriendlyErrorText.h.
    static QString friendlyApiErrorText(int errorCode);
    static QString friendlyNetworkErrorText(const QString &errorText);
    static QString friendlyUpdateErrorText(const QString &errorText);

    // The stored form of a secret: Base64 of the sealed bytes, or the text
    // itself when sealing is unavailable. An empty text stays empty.
    QString protectStoredText(const QString &text) const;
    // The inverse. A value that is not a sealed blob is returned as stored;
    // a sealed blob that cannot be opened reads as empty (signed out).
    QString unprotectStoredText(const QString &stored) const;

signals:
    void sessionTokenChanged(const QString &token);
    void loginSucceededUpdateUI(const QString &iconUrl, const QString &nickName);
    void loggedOut();
    void needReLogin(const QString &message);
    void profileSyncFromServerFailed(const QString &hint);
    void sessionExpiredToastRequested(const QString &message);
    void passwordResetSucceededWhileLoggedIn();

private slots:
    void onLoginRequested(int loginType, const QString &account, const QString &password);
    void onRegisterRequested(const QString &userName, const QString &vcode, const QString &password);
    void onForgetPasswordRequested(const QString &userName, const QString &vcode, const QString &newPassword,
                                   const QString &confirmPassword);
    void onGetVerifyCodeRequested(const QString &userName, int vcodeType, const QString &areaCode);
    void onLoginSuccess(const EarphoneApi::LoginResponse &response);
    void onLoginFailed(int errorCode, const QString &message);
    void onRegisterSuccess(const EarphoneApi::UserInfo &userInfo);
    void onRegisterFailed(int errorCode, const QString &message);
    void onVerificationCodeSent();
    void onVerificationCodeSendFailed(int errorCode, const QString &message);
    void onPasswordResetSuccess();
    void onPasswordResetFailed(int errorCode, const QString &message);
    void onApiTokenInvalid(int errorCode, const QString &message);
    void onLogoutFinished();
    void onUserInfoUpdated(const EarphoneApi::UserInfo &userInfo);
    void onGetUserInfoFailed(int errorCode, const QString &message);

private:
    // The unsealed token when the session flag is set, else empty.
    QString storedSessionToken() const;
    // The four API objects (entries may be null).
    std::array<EarphoneApi::ApiManager *, 4> apis() const;
    void createApis();
    void connectAccountReplies();
    void disconnectAccountReplies();
    // The queued start-up step: ask the server for the stored user's record.
    void refreshProfile();
    void retryProfile(const QString &uid);
    void askUserRecord(const QString &uid);
    // Forgets what was asked in the session that ends and stops its requests,
    // so no answer of it can land in the next one.
    void dropUserRecordAsks();
    // Whether a refreshed record answers what was asked in this session.
    bool answersAsk(const EarphoneApi::UserInfo &record) const;
    // The login window's error text for a failed request.
    QString failureText(int errorCode) const;
    bool windowVisible() const;

    EarphoneApi::AccountApi *m_accountApi = nullptr;
    EarphoneApi::UserApi *m_userApi = nullptr;
    EarphoneApi::EqApi *m_eqApi = nullptr;
    EarphoneApi::FirmwareApi *m_firmwareApi = nullptr;
    QPointer<LoginWindowInterface> m_loginWindow;
    qint32 m_lastVcodeType = 0;
    QString m_currentToken;
    QString m_pendingProfileUid;
    qint32 m_profileSyncRetries = 0;
    // The user and session of the record asked for last, and the requests still out.
    QString m_askedUid;
    QString m_askedToken;
    QList<QPointer<QNetworkReply>> m_recordRequests;
    bool m_droppingAsks = false;

    Options m_options;
    std::unique_ptr<ITokenProtector> m_ownedProtector;
    ITokenProtector *m_protector = nullptr;
};
