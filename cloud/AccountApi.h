#pragma once

#include "cloud/ApiManager.h"
#include "cloud/LoginResponse.h"
#include "cloud/UserInfo.h"

namespace EarphoneApi {

// Account requests made before a session exists: sign-in, registration,
// verification codes and password reset. Password fields leave the program
// only as HMAC-SHA1 under the signing key.
class AccountApi : public ApiManager
{
    Q_OBJECT
public:
    explicit AccountApi(QObject *parent = nullptr);
    ~AccountApi() override;

    // Each returns the running reply, or null after having emitted the
    // operation's failure signal (-1, empty message).
    QNetworkReply *login(const QString &userName, const QString &password, const QString &areaCode);
    QNetworkReply *registerAccount(const QString &userName, const QString &vcode, const QString &password);
    QNetworkReply *sendVerificationCode(const QString &userName, int vcodeType, const QString &areaCode);
    QNetworkReply *forgetPassword(const QString &userName, const QString &vcode, const QString &password,
                                  const QString &surePassword);

signals:
    void loginSuccess(const EarphoneApi::LoginResponse &response);
    void loginFailed(int errorCode, const QString &message);
    void registerSuccess(const EarphoneApi::UserInfo &userInfo);
    void registerFailed(int errorCode, const QString &message);
    void verificationCodeSent();
    void verificationCodeSendFailed(int errorCode, const QString &message);
    void passwordResetSuccess();
    void passwordResetFailed(int errorCode, const QString &message);
    // Ready for an external-account sign-in; no operation sends one yet.
    void thirdPartyLoginSuccess(const EarphoneApi::LoginResponse &response);
    void thirdPartyLoginFailed(int errorCode, const QString &message);

private slots:
    void handleLoginResponse();
    void handleRegisterResponse();
    void handleVerificationCodeResponse();
    void handleForgetPasswordResponse();
    void handleThirdPartyLoginResponse();

private:
    QString hashedPassword(const QString &password) const;
    // Shared by both sign-in replies: the session, or nothing after the
    // failure was reported (a reply without a usable token is one).
    std::optional<LoginResponse> takeLoginReply(const FailureReporter &fail);
};

} // namespace EarphoneApi
