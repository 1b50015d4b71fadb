#pragma once

#include "cloud/ApiManager.h"
#include "cloud/UserInfo.h"

namespace EarphoneApi {

// Requests of a signed-in user: the user record, profile edits, password and
// account-name changes, the avatar upload and sign-out. Every endpoint here
// is token-bound.
class UserApi : public ApiManager
{
    Q_OBJECT
public:
    explicit UserApi(QObject *parent = nullptr);
    ~UserApi() override;

    // Each returns the running reply, or null after having emitted the
    // operation's failure signal.
    QNetworkReply *getUserInfo(const QString &uid);
    QNetworkReply *updateUserInfo(const EarphoneApi::UserInfo &info);
    QNetworkReply *changePassword(const QString &oldPassword, const QString &newPassword);
    QNetworkReply *changeAccount(const QString &userName, const QString &vcode);
    QNetworkReply *logout();
    QNetworkReply *uploadProfilePicture(const QString &filePath);

signals:
    void userInfoUpdated(const EarphoneApi::UserInfo &userInfo);
    void getUserInfoFailed(int errorCode, const QString &message);
    void userInfoUpdateSuccess();
    void userInfoUpdateFailed(int errorCode, const QString &message);
    void profilePictureUploaded(const QString &imageUrl);
    void profilePictureUploadFailed(int errorCode, const QString &message);
    void passwordChanged();
    void passwordChangeFailed(int errorCode, const QString &message);
    void accountChanged(const QString &message);
    void accountChangeFailed(int errorCode, const QString &message);
    void loggedOut();
    void logoutFailed(int errorCode, const QString &message);
    // Ready for an account-deletion request; no operation sends one yet.
    void accountDeleted();
    void accountDeleteFailed(int errorCode, const QString &message);

private slots:
    void handleUserInfoResponse();
    void handleUpdateUserInfoResponse();
    void handleChangePasswordResponse();
    void handleChangeAccountResponse();
    void handleLogoutResponse();
    void handleDeleteAccountResponse();
    void handleProfilePictureUploadResponse();

private:
    // Sign-out and deletion accept an empty body as success and end the
    // session on this object.
    bool takeSessionEndReply(const FailureReporter &fail);
};

} // namespace EarphoneApi
