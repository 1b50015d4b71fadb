#include "cloud/UserApi.h"

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
    form.addQueryItem(QStringLiteral("uid"), uid);
    QNetworkReply *reply = postForm(QStringLiteral("home/user/getOtherinfo"), form, -1);
    if (!reply) {
        emit getUserInfoFailed(-1, QString());
        return nullptr;
    }
    connect(reply, &QNetworkReply::finished, this, &UserApi::handleUserInfoResponse);
    return reply;
}

QNetworkReply *UserApi::updateUserInfo(const EarphoneApi::UserInfo &info)
{
    QUrlQuery form;
    if (!info.iconUrl.isEmpty())
        form.addQueryItem(QStringLiteral("iconUrl"), info.iconUrl);
    if (!info.nickName.isEmpty())
        form.addQueryItem(QStringLiteral("nickName"), info.nickName);
    if (info.sex != 0)
        form.addQueryItem(QStringLiteral("sex"), QString::number(info.sex));
    if (info.age > 0)
        form.addQueryItem(QStringLiteral("age"), QString::number(info.age));
    if (!info.location.isEmpty())
        form.addQueryItem(QStringLiteral("location"), info.location);
    if (form.isEmpty()) {
        emit userInfoUpdateFailed(-4, QStringLiteral("No fields to update"));
        return nullptr;
    }
    QNetworkReply *reply = postForm(QStringLiteral("home/user/editUserinfo"), form, -1);
    if (!reply) {
        emit userInfoUpdateFailed(-1, notCreated);
        return nullptr;
    }
    connect(reply, &QNetworkReply::finished, this, &UserApi::handleUpdateUserInfoResponse);
    return reply;
}

QNetworkReply *UserApi::changePassword(const QString &oldPassword, const QString &newPassword)
{
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("oldPassword"), hmacSha1Hex(oldPassword, secretKey()));
    form.addQueryItem(QStringLiteral("newPassword"), hmacSha1Hex(newPassword, secretKey()));
    QNetworkReply *reply = postForm(QStringLiteral("home/user/editPassword"), form, -1);
    if (!reply) {
        emit passwordChangeFailed(-1, notCreated);
        return nullptr;
    }
    connect(reply, &QNetworkReply::finished, this, &UserApi::handleChangePasswordResponse);
    return reply;
}

QNetworkReply *UserApi::changeAccount(const QString &userName, const QString &vcode)
{
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("userName"), userName);
    form.addQueryItem(QStringLiteral("vcode"), vcode);
    QNetworkReply *reply = postForm(QStringLiteral("home/user/editAccount"), form, -1);
    if (!reply) {
        emit accountChangeFailed(-1, notCreated);
        return nullptr;
    }
    connect(reply, &QNetworkReply::finished, this, &UserApi::handleChangeAccountResponse);
    return reply;
}

QNetworkReply *UserApi::logout()
{
    QNetworkReply *reply = postForm(QStringLiteral("home/user/logout"), QUrlQuery(), -1);
    if (!reply) {
        emit logoutFailed(-1, QString());
        return nullptr;
    }
    connect(reply, &QNetworkReply::finished, this, &UserApi::handleLogoutResponse);
    return reply;
}

QNetworkReply *UserApi::uploadProfilePicture(const QString &filePath)
{
    if (filePath.trimmed().isEmpty()) {
        emit profilePictureUploadFailed(-4, QStringLiteral("Empty file path"));
        return nullptr;
    }
    QNetworkReply *reply = postMultipartFile(QStringLiteral("home/system/picUpload"), QStringLiteral("image"), filePath);
    if (!reply) {
        emit profilePictureUploadFailed(-1, notCreated);
        return nullptr;
    }
    connect(reply, &QNetworkReply::finished, this, &UserApi::handleProfilePictureUploadResponse);
    return reply;
}

void UserApi::handleUserInfoResponse()
{
    QNetworkReply *reply = senderReply();
    if (!reply)
        return;
    reply->deleteLater();
    ApiResponse envelope;
    if (!unwrapReply(reply, &envelope,
                     [this](int code, const QString &message) { emit getUserInfoFailed(code, message); }))
        return;
    const QJsonObject data = envelope.data.toObject();
    const QJsonValue nested = data.value(QLatin1String("userInfo"));
    emit userInfoUpdated(parseUserInfo(nested.isObject() ? nested.toObject() : data));
}

void UserApi::handleUpdateUserInfoResponse()
{
    QNetworkReply *reply = senderReply();
    if (!reply)
        return;
    reply->deleteLater();
    ApiResponse envelope;
    if (unwrapReply(reply, &envelope,
                    [this](int code, const QString &message) { emit userInfoUpdateFailed(code, message); }))
        emit userInfoUpdateSuccess();
}

void UserApi::handleChangePasswordResponse()
{
    QNetworkReply *reply = senderReply();
    if (!reply)
        return;
    reply->deleteLater();
    ApiResponse envelope;
    const bool ok = unwrapReply(reply, &envelope, [this](int code, const QString &message) {
        if (code == 2038)
            emit passwordChangeFailed(code, tr("原始密码输入错误"));
        else if (code == 2042)
            emit passwordChangeFailed(code, tr("修改失败"));
        else
            emit passwordChangeFailed(code, message);
    });
    if (ok)
        emit passwordChanged();
}

void UserApi::handleChangeAccountResponse()
{
    QNetworkReply *reply = senderReply();
    if (!reply)
        return;
    reply->deleteLater();
    ApiResponse envelope;
    if (unwrapReply(reply, &envelope,
                    [this](int code, const QString &message) { emit accountChangeFailed(code, message); }))
        emit accountChanged(envelope.message);
}

bool UserApi::readSessionEndReply(QNetworkReply *reply, const FailureReporter &fail)
{
    if (reportNetworkFailure(reply, fail))
        return false;
    const QByteArray body = reply->readAll().trimmed();
    if (!body.isEmpty() && reportEnvelopeFailure(parseResponse(body), fail))
        return false;
    setToken(QString());
    return true;
}

void UserApi::handleLogoutResponse()
{
    QNetworkReply *reply = senderReply();
    if (!reply)
        return;
    reply->deleteLater();
    if (readSessionEndReply(reply, [this](int code, const QString &message) { emit logoutFailed(code, message); }))
        emit loggedOut();
}

void UserApi::handleDeleteAccountResponse()
{
    QNetworkReply *reply = senderReply();
    if (!reply)
        return;
    reply->deleteLater();
    if (readSessionEndReply(reply,
                            [this](int code, const QString &message) { emit accountDeleteFailed(code, message); }))
        emit accountDeleted();
}

void UserApi::handleProfilePictureUploadResponse()
{
    QNetworkReply *reply = senderReply();
    if (!reply)
        return;
    reply->deleteLater();
    ApiResponse envelope;
    if (!unwrapReply(reply, &envelope,
                     [this](int code, const QString &message) { emit profilePictureUploadFailed(code, message); }))
        return;
    const QString url = envelope.data.toObject().value(QLatin1String("path")).toString().trimmed();
    if (url.isEmpty()) {
        emit profilePictureUploadFailed(-2, tr("服务器未返回图片地址"));
        return;
    }
    emit profilePictureUploaded(url);
}

} // namespace EarphoneApi
