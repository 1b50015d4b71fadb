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
    addFormField(form, QStringLiteral("loginType"), QStringLiteral("1"));
    addFormField(form, QStringLiteral("areaCode"), areaCode.isEmpty() ? defaultAreaCode() : areaCode);
    addFormField(form, QStringLiteral("userName"), userName);
    addFormField(form, QStringLiteral("password"), hashedPassword(password));
    return watchReply(postForm(QStringLiteral("home/account/login"), form, -1), &AccountApi::handleLoginResponse,
                      failWith(&AccountApi::loginFailed));
}

QNetworkReply *AccountApi::registerAccount(const QString &userName, const QString &vcode, const QString &password)
{
    QUrlQuery form;
    addFormField(form, QStringLiteral("userName"), userName);
    addFormField(form, QStringLiteral("vcode"), vcode);
    addFormField(form, QStringLiteral("password"), hashedPassword(password));
    return watchReply(postForm(QStringLiteral("home/account/register"), form, -1),
                      &AccountApi::handleRegisterResponse, failWith(&AccountApi::registerFailed));
}

QNetworkReply *AccountApi::sendVerificationCode(const QString &userName, int vcodeType, const QString &areaCode)
{
    QUrlQuery form;
    addFormField(form, QStringLiteral("userName"), userName);
    addFormField(form, QStringLiteral("vcodeType"), QString::number(vcodeType));
    const QString area = areaCode.trimmed();
    if (!area.isEmpty())
        addFormField(form, QStringLiteral("areaCode"), area);
    return watchReply(postForm(QStringLiteral("home/account/sendVerify"), form, -1),
                      &AccountApi::handleVerificationCodeResponse, failWith(&AccountApi::verificationCodeSendFailed));
}

QNetworkReply *AccountApi::forgetPassword(const QString &userName, const QString &vcode, const QString &password,
                                          const QString &surePassword)
{
    QUrlQuery form;
    addFormField(form, QStringLiteral("userName"), userName);
    addFormField(form, QStringLiteral("vcode"), vcode);
    addFormField(form, QStringLiteral("password"), hashedPassword(password));
    addFormField(form, QStringLiteral("surePassword"), hashedPassword(surePassword));
    return watchReply(postForm(QStringLiteral("home/account/forgetPwd"), form, -1),
                      &AccountApi::handleForgetPasswordResponse, failWith(&AccountApi::passwordResetFailed));
}

std::optional<LoginResponse> AccountApi::takeLoginReply(const FailureReporter &fail)
{
    const std::optional<ApiResponse> envelope = takeReply(fail);
    if (!envelope)
        return std::nullopt;
    LoginResponse response = parseLoginResponse(envelope->data.toObject());
    if (response.token.trimmed().isEmpty()) {
        fail(-1, QString());
        return std::nullopt;
    }
    setToken(response.token);
    return response;
}

void AccountApi::handleLoginResponse()
{
    if (const auto response = takeLoginReply(failWith(&AccountApi::loginFailed)))
        emit loginSuccess(*response);
}

void AccountApi::handleThirdPartyLoginResponse()
{
    if (const auto response = takeLoginReply(failWith(&AccountApi::thirdPartyLoginFailed))) {
        emit thirdPartyLoginSuccess(*response);
        emit loginSuccess(*response);
    }
}

void AccountApi::handleRegisterResponse()
{
    const std::optional<ApiResponse> envelope = takeReply(failWith(&AccountApi::registerFailed));
    if (!envelope)
        return;
    const QJsonObject data = envelope->data.toObject();
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
    if (takeReply(failWith(&AccountApi::verificationCodeSendFailed)))
        emit verificationCodeSent();
}

void AccountApi::handleForgetPasswordResponse()
{
    if (takeReply(failWith(&AccountApi::passwordResetFailed)))
        emit passwordResetSuccess();
}

} // namespace EarphoneApi
