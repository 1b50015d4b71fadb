#include "cloud/UserApi.h"

#include "cloud/ReplySizeLimit.h"

#include <QJsonObject>
#include <QNetworkReply>

namespace EarphoneApi {

namespace {

const QString notCreated = QStringLiteral("Network request not created");

} // namespace

UserApi::UserApi(QObject *parent) : ApiManager(parent) {}

UserApi::~UserApi() = default;

QNetworkReply *UserApi::getUserInfo(const QString &uid)
{
    QUrlQuery form;
    addFormField(form, QStringLiteral("uid"), uid);
    return watchReply(postForm(QStringLiteral("home/user/getOtherinfo"), form, -1), &UserApi::handleUserInfoResponse,
                      failWith(&UserApi::getUserInfoFailed));
}

QNetworkReply *UserApi::updateUserInfo(const EarphoneApi::UserInfo &info)
{
    QUrlQuery form;
    if (!info.iconUrl.isEmpty())
        addFormField(form, QStringLiteral("iconUrl"), info.iconUrl);
    if (!info.nickName.isEmpty())
        addFormField(form, QStringLiteral("nickName"), info.nickName);
    if (info.sex != 0)
        addFormField(form, QStringLiteral("sex"), QString::number(info.sex));
    if (info.age > 0)
        addFormField(form, QStringLiteral("age"), QString::number(info.age));
    if (!info.location.isEmpty())
        addFormField(form, QStringLiteral("location"), info.location);
    if (form.isEmpty()) {
        emit userInfoUpdateFailed(-4, QStringLiteral("No fields to update"));
        return nullptr;
    }
    return watchReply(postForm(QStringLiteral("home/user/editUserinfo"), form, -1),
                      &UserApi::handleUpdateUserInfoResponse, failWith(&UserApi::userInfoUpdateFailed), notCreated);
}

QNetworkReply *UserApi::changePassword(const QString &oldPassword, const QString &newPassword)
{
    QUrlQuery form;
    addFormField(form, QStringLiteral("oldPassword"), hmacSha1Hex(oldPassword, secretKey()));
    addFormField(form, QStringLiteral("newPassword"), hmacSha1Hex(newPassword, secretKey()));
    return watchReply(postForm(QStringLiteral("home/user/editPassword"), form, -1),
                      &UserApi::handleChangePasswordResponse, failWith(&UserApi::passwordChangeFailed), notCreated);
}

QNetworkReply *UserApi::changeAccount(const QString &userName, const QString &vcode)
{
    QUrlQuery form;
    addFormField(form, QStringLiteral("userName"), userName);
    addFormField(form, QStringLiteral("vcode"), vcode);
    return watchReply(postForm(QStringLiteral("home/user/editAccount"), form, -1),
                      &UserApi::handleChangeAccountResponse, failWith(&UserApi::accountChangeFailed), notCreated);
}

QNetworkReply *UserApi::logout()
{
    return watchReply(postForm(QStringLiteral("home/user/logout"), QUrlQuery(), -1), &UserApi::handleLogoutResponse,
                      failWith(&UserApi::logoutFailed));
}

QNetworkReply *UserApi::uploadProfilePicture(const QString &filePath)
{
    if (filePath.trimmed().isEmpty()) {
        emit profilePictureUploadFailed(-4, QStringLiteral("Empty file path"));
        return nullptr;
    }
    return watchReply(postMultipartFile(QStringLiteral("home/system/picUpload"), QStringLiteral("image"), filePath),
                      &UserApi::handleProfilePictureUploadResponse, failWith(&UserApi::profilePictureUploadFailed),
                      notCreated);
}

void UserApi::handleUserInfoResponse()
{
    const std::optional<ApiResponse> envelope = takeReply(failWith(&UserApi::getUserInfoFailed));
    if (!envelope)
        return;
    const QJsonObject data = envelope->data.toObject();
    const QJsonValue nested = data.value(QLatin1String("userInfo"));
    emit userInfoUpdated(parseUserInfo(nested.isObject() ? nested.toObject() : data));
}

void UserApi::handleUpdateUserInfoResponse()
{
    if (takeReply(failWith(&UserApi::userInfoUpdateFailed)))
        emit userInfoUpdateSuccess();
}

void UserApi::handleChangePasswordResponse()
{
    const auto fail = [this](int code, const QString &message) {
        if (code == 2038)
            emit passwordChangeFailed(code, tr("原始密码输入错误"));
        else if (code == 2042)
            emit passwordChangeFailed(code, tr("修改失败"));
        else
            emit passwordChangeFailed(code, message);
    };
    if (takeReply(fail))
        emit passwordChanged();
}

void UserApi::handleChangeAccountResponse()
{
    if (const auto envelope = takeReply(failWith(&UserApi::accountChangeFailed)))
        emit accountChanged(envelope->message);
}

bool UserApi::takeSessionEndReply(const FailureReporter &fail)
{
    QNetworkReply *reply = senderReply();
    if (!reply)
        return false;
    reply->deleteLater();
    if (reportNetworkFailure(reply, fail))
        return false;
    const QByteArray body = ReplySizeLimit::takeBody(reply).trimmed();
    if (!body.isEmpty() && reportEnvelopeFailure(parseResponse(body), fail))
        return false;
    setToken(QString());
    return true;
}

void UserApi::handleLogoutResponse()
{
    if (takeSessionEndReply(failWith(&UserApi::logoutFailed)))
        emit loggedOut();
}

void UserApi::handleDeleteAccountResponse()
{
    if (takeSessionEndReply(failWith(&UserApi::accountDeleteFailed)))
        emit accountDeleted();
}

void UserApi::handleProfilePictureUploadResponse()
{
    const std::optional<ApiResponse> envelope = takeReply(failWith(&UserApi::profilePictureUploadFailed));
    if (!envelope)
        return;
    const QString url = envelope->data.toObject().value(QLatin1String("path")).toString().trimmed();
    if (url.isEmpty()) {
        emit profilePictureUploadFailed(-2, tr("服务器未返回图片地址"));
        return;
    }
    emit profilePictureUploaded(url);
}

} // namespace EarphoneApi
