#include "cloud/AccountApi.h"

#include <QJsonObject>
#include <QNetworkReply>

namespace EarphoneApi {

AccountApi::AccountApi(QObject *parent) : ApiManager(parent) {}

AccountApi::~AccountApi() = default;

QString AccountApi::hashedPassword(const QString &password) const
{
    return hmacSha1Hex(password, secretKey());
}

QNetworkReply *AccountApi::login(const QString &userName, const QString &password, const QString &areaCode)
{
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("loginType"), QStringLiteral("1"));
    form.addQueryItem(QStringLiteral("areaCode"), areaCode.isEmpty() ? defaultAreaCode() : areaCode);
    form.addQueryItem(QStringLiteral("userName"), userName);
    form.addQueryItem(QStringLiteral("password"), hashedPassword(password));
    QNetworkReply *reply = postForm(QStringLiteral("home/account/login"), form, -1);
    if (!reply) {
        emit loginFailed(-1, QString());
        return nullptr;
    }
    connect(reply, &QNetworkReply::finished, this, &AccountApi::handleLoginResponse);
    return reply;
}

QNetworkReply *AccountApi::registerAccount(const QString &userName, const QString &vcode, const QString &password)
{
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("userName"), userName);
    form.addQueryItem(QStringLiteral("vcode"), vcode);
    form.addQueryItem(QStringLiteral("password"), hashedPassword(password));
    QNetworkReply *reply = postForm(QStringLiteral("home/account/register"), form, -1);
    if (!reply) {
        emit registerFailed(-1, QString());
        return nullptr;
    }
    connect(reply, &QNetworkReply::finished, this, &AccountApi::handleRegisterResponse);
    return reply;
}

QNetworkReply *AccountApi::sendVerificationCode(const QString &userName, int vcodeType, const QString &areaCode)
{
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("userName"), userName);
    form.addQueryItem(QStringLiteral("vcodeType"), QString::number(vcodeType));
    const QString area = areaCode.trimmed();
    if (!area.isEmpty())
        form.addQueryItem(QStringLiteral("areaCode"), area);
    QNetworkReply *reply = postForm(QStringLiteral("home/account/sendVerify"), form, -1);
    if (!reply) {
        emit verificationCodeSendFailed(-1, QString());
        return nullptr;
    }
    connect(reply, &QNetworkReply::finished, this, &AccountApi::handleVerificationCodeResponse);
    return reply;
}

QNetworkReply *AccountApi::forgetPassword(const QString &userName, const QString &vcode, const QString &password,
                                          const QString &surePassword)
{
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("userName"), userName);
    form.addQueryItem(QStringLiteral("vcode"), vcode);
    form.addQueryItem(QStringLiteral("password"), hashedPassword(password));
    form.addQueryItem(QStringLiteral("surePassword"), hashedPassword(surePassword));
    QNetworkReply *reply = postForm(QStringLiteral("home/account/forgetPwd"), form, -1);
    if (!reply) {
        emit passwordResetFailed(-1, QString());
        return nullptr;
    }
    connect(reply, &QNetworkReply::finished, this, &AccountApi::handleForgetPasswordResponse);
    return reply;
}

bool AccountApi::readLoginReply(QNetworkReply *reply, const FailureReporter &fail, LoginResponse *response)
{
    ApiResponse envelope;
    if (!unwrapReply(reply, &envelope, fail))
        return false;
    *response = parseLoginResponse(envelope.data.toObject());
    if (response->token.trimmed().isEmpty()) {
        fail(-1, QString());
        return false;
    }
    setToken(response->token);
    return true;
}

void AccountApi::handleLoginResponse()
{
    QNetworkReply *reply = senderReply();
    if (!reply)
        return;
    reply->deleteLater();
    LoginResponse response;
    if (readLoginReply(reply, [this](int code, const QString &message) { emit loginFailed(code, message); },
                       &response))
        emit loginSuccess(response);
}

void AccountApi::handleThirdPartyLoginResponse()
{
    QNetworkReply *reply = senderReply();
    if (!reply)
        return;
    reply->deleteLater();
    LoginResponse response;
    if (readLoginReply(reply, [this](int code, const QString &message) { emit thirdPartyLoginFailed(code, message); },
                       &response)) {
        emit thirdPartyLoginSuccess(response);
        emit loginSuccess(response);
    }
}

void AccountApi::handleRegisterResponse()
{
    QNetworkReply *reply = senderReply();
    if (!reply)
        return;
    reply->deleteLater();
    ApiResponse envelope;
    if (!unwrapReply(reply, &envelope, [this](int code, const QString &message) { emit registerFailed(code, message); }))
        return;

    const QJsonObject data = envelope.data.toObject();
    const QJsonValue nested = data.value(QLatin1String("userInfo"));
    const UserInfo userInfo = parseUserInfo(nested.isObject() ? nested.toObject() : data);
    const QString token = data.value(QLatin1String("token")).toString().trimmed();
    if (data.contains(QLatin1String("token")) && !token.isEmpty()) {
        // The server opened a session with the registration.
        setToken(token);
        emit loginSuccess(LoginResponse{token, userInfo});
    }
    emit registerSuccess(userInfo);
}

void AccountApi::handleVerificationCodeResponse()
{
    QNetworkReply *reply = senderReply();
    if (!reply)
        return;
    reply->deleteLater();
    ApiResponse envelope;
    if (unwrapReply(reply, &envelope,
                    [this](int code, const QString &message) { emit verificationCodeSendFailed(code, message); }))
        emit verificationCodeSent();
}

void AccountApi::handleForgetPasswordResponse()
{
    QNetworkReply *reply = senderReply();
    if (!reply)
        return;
    reply->deleteLater();
    ApiResponse envelope;
    if (unwrapReply(reply, &envelope,
                    [this](int code, const QString &message) { emit passwordResetFailed(code, message); }))
        emit passwordResetSuccess();
}

} // namespace EarphoneApi
