#include "cloud/LoginController.h"

#include "cloud/AccountApi.h"
#include "cloud/ApiFactory.h"
#include "cloud/EqApi.h"
#include "cloud/FirmwareApi.h"
#include "cloud/FriendlyErrorText.h"
#include "cloud/LoginWindowInterface.h"
#include "cloud/UserApi.h"
#include "language/SettingsStore.h"
#include "platform/tokenprotect/KeyFileTokenProtector.h"

#include <QSettings>
#include <QTimer>

using EarphoneApi::AccountApi;

LoginController::LoginController(QObject *parent) : LoginController(Options(), parent) {}

LoginController::LoginController(const Options &options, QObject *parent) : QObject(parent), m_options(options)
{
    if (options.protector) {
        m_protector = options.protector;
    } else {
        m_ownedProtector = std::make_unique<KeyFileTokenProtector>();
        m_protector = m_ownedProtector.get();
    }

    createApis();

    // The firmware group's expired token does not end the session.
    for (EarphoneApi::ApiManager *api : apis()) {
        if (api && api != m_firmwareApi)
            connect(api, &EarphoneApi::ApiManager::tokenInvalid, this, &LoginController::onApiTokenInvalid);
    }

    // One read of the store: unsealing means a key file read and a decryption.
    if (const QString token = storedSessionToken(); !token.trimmed().isEmpty())
        setSessionToken(token);

    if (m_userApi) {
        connect(m_userApi, &EarphoneApi::UserApi::userInfoUpdated, this, &LoginController::onUserInfoUpdated);
        connect(m_userApi, &EarphoneApi::UserApi::getUserInfoFailed, this, &LoginController::onGetUserInfoFailed);
    }

    QTimer::singleShot(0, this, &LoginController::refreshProfile);
    applyApiLanguage();
}

LoginController::~LoginController() = default;

std::array<EarphoneApi::ApiManager *, 4> LoginController::apis() const
{
    return {m_accountApi, m_userApi, m_eqApi, m_firmwareApi};
}

void LoginController::createApis()
{
    const EarphoneApi::ApiFactory *factory = EarphoneApi::ApiFactory::existingInstance();
    if (factory && factory->hasBaseUrl()) {
        m_accountApi = factory->createAccountApi(this);
        m_userApi = factory->createUserApi(this);
        m_eqApi = factory->createEqApi(this);
        m_firmwareApi = factory->createFirmwareApi(this);
        return;
    }

    QString baseUrl;
    QString secret;
    {
        const QSettings settings;
        baseUrl = SettingsStore::value(settings, QStringLiteral("api/baseUrl")).toString();
        secret = SettingsStore::value(settings, QStringLiteral("api/secretKey")).toString();
    }
    if (baseUrl.isEmpty())
        baseUrl = qEnvironmentVariable("VELKORA_API_BASE_URL");
    if (secret.isEmpty())
        secret = qEnvironmentVariable("VELKORA_API_SECRET_KEY");
    if (baseUrl.isEmpty())
        baseUrl = EarphoneApi::ApiManager::builtInBaseUrl();
    if (secret.isEmpty())
        secret = EarphoneApi::ApiManager::builtInSecretKey();

    m_accountApi = new EarphoneApi::AccountApi(this);
    m_userApi = new EarphoneApi::UserApi(this);
    m_eqApi = new EarphoneApi::EqApi(this);
    m_firmwareApi = new EarphoneApi::FirmwareApi(this);
    for (EarphoneApi::ApiManager *api : apis()) {
        api->setBaseUrl(baseUrl);
        api->setSecretKey(secret);
    }
}

QString LoginController::friendlyApiErrorText(int errorCode)
{
    return EarphoneApi::friendlyApiErrorText(errorCode);
}

QString LoginController::friendlyNetworkErrorText(const QString &errorText)
{
    return EarphoneApi::friendlyNetworkErrorText(errorText);
}

QString LoginController::friendlyUpdateErrorText(const QString &errorText)
{
    return EarphoneApi::friendlyUpdateErrorText(errorText);
}

void LoginController::applyApiLanguage()
{
    const EarphoneApi::ApiFactory *factory = EarphoneApi::ApiFactory::existingInstance();
    if (!factory)
        return;
    const QString language = factory->language();
    for (EarphoneApi::ApiManager *api : apis()) {
        if (api)
            api->setLanguage(language);
    }
}

void LoginController::setSessionToken(const QString &token)
{
    for (EarphoneApi::ApiManager *api : apis()) {
        if (api)
            api->setToken(token);
    }
    if (token != m_currentToken) {
        m_currentToken = token;
        emit sessionTokenChanged(token);
    }
}

// ---- The login window ------------------------------------------------------

void LoginController::bindLoginWindow(LoginWindowInterface *window)
{
    if (!window || !m_accountApi)
        return;
    if (m_loginWindow)
        disconnect(m_loginWindow, nullptr, this, nullptr);
    disconnectAccountReplies();
    m_loginWindow = window;
    connect(window, &LoginWindowInterface::loginRequested, this, &LoginController::onLoginRequested);
    connect(window, &LoginWindowInterface::registerRequested, this, &LoginController::onRegisterRequested);
    connect(window, &LoginWindowInterface::forgetPasswordRequested, this, &LoginController::onForgetPasswordRequested);
    connect(window, &LoginWindowInterface::getVerifyCodeRequested, this, &LoginController::onGetVerifyCodeRequested);
    connectAccountReplies();
}

void LoginController::disconnectAccountReplies()
{
    disconnect(m_accountApi, &AccountApi::loginSuccess, this, nullptr);
    disconnect(m_accountApi, &AccountApi::loginFailed, this, nullptr);
    disconnect(m_accountApi, &AccountApi::registerSuccess, this, nullptr);
    disconnect(m_accountApi, &AccountApi::registerFailed, this, nullptr);
    disconnect(m_accountApi, &AccountApi::verificationCodeSent, this, nullptr);
    disconnect(m_accountApi, &AccountApi::verificationCodeSendFailed, this, nullptr);
    disconnect(m_accountApi, &AccountApi::passwordResetSuccess, this, nullptr);
    disconnect(m_accountApi, &AccountApi::passwordResetFailed, this, nullptr);
}

void LoginController::connectAccountReplies()
{
    connect(m_accountApi, &AccountApi::loginSuccess, this, &LoginController::onLoginSuccess);
    connect(m_accountApi, &AccountApi::loginFailed, this, &LoginController::onLoginFailed);
    connect(m_accountApi, &AccountApi::registerSuccess, this, &LoginController::onRegisterSuccess);
    connect(m_accountApi, &AccountApi::registerFailed, this, &LoginController::onRegisterFailed);
    connect(m_accountApi, &AccountApi::verificationCodeSent, this, &LoginController::onVerificationCodeSent);
    connect(m_accountApi, &AccountApi::verificationCodeSendFailed, this,
            &LoginController::onVerificationCodeSendFailed);
    connect(m_accountApi, &AccountApi::passwordResetSuccess, this, &LoginController::onPasswordResetSuccess);
    connect(m_accountApi, &AccountApi::passwordResetFailed, this, &LoginController::onPasswordResetFailed);
}

bool LoginController::windowVisible() const
{
    return m_loginWindow && m_loginWindow->isVisible();
}

QString LoginController::failureText(int errorCode) const
{
    if (errorCode == -1)
        return tr("网络异常，请重试");
    return friendlyApiErrorText(errorCode);
}

void LoginController::onLoginRequested(int loginType, const QString &account, const QString &password)
{
    if (!m_loginWindow)
        return;
    const QString areaCode = loginType == 0 ? QStringLiteral("86") : QString();
    m_accountApi->login(account.trimmed(), password.trimmed(), areaCode);
}

void LoginController::onRegisterRequested(const QString &userName, const QString &vcode, const QString &password)
{
    if (!m_loginWindow)
        return;
    m_accountApi->registerAccount(userName.trimmed(), vcode.trimmed(), password.trimmed());
}

void LoginController::onForgetPasswordRequested(const QString &userName, const QString &vcode,
                                                const QString &newPassword, const QString &confirmPassword)
{
    if (!m_loginWindow)
        return;
    m_accountApi->forgetPassword(userName.trimmed(), vcode.trimmed(), newPassword.trimmed(),
                                 confirmPassword.trimmed());
}

void LoginController::onGetVerifyCodeRequested(const QString &userName, int vcodeType, const QString &areaCode)
{
    if (!m_loginWindow)
        return;
    m_lastVcodeType = vcodeType;
    const int sentType = vcodeType >= 1 && vcodeType <= 4 ? vcodeType : 1;
    m_accountApi->sendVerificationCode(userName.trimmed(), sentType, areaCode.trimmed());
}

void LoginController::onLoginSuccess(const EarphoneApi::LoginResponse &response)
{
    // A reply to a window the user has closed opens no session.
    if (!windowVisible())
        return;
    dropUserRecordAsks();
    saveSession(response);
    setSessionToken(response.token);
    emit loginSucceededUpdateUI(response.userInfo.iconUrl, response.userInfo.nickName);
    if (m_loginWindow)
        m_loginWindow->accept();
}

void LoginController::onLoginFailed(int errorCode, const QString &)
{
    if (m_loginWindow)
        m_loginWindow->setLoginError(failureText(errorCode));
}

void LoginController::onRegisterSuccess(const EarphoneApi::UserInfo &)
{
    if (!windowVisible())
        return;
    m_loginWindow->setRegisterError(QString());
    m_loginWindow->accept();
}

void LoginController::onRegisterFailed(int errorCode, const QString &)
{
    if (m_loginWindow)
        m_loginWindow->setRegisterError(failureText(errorCode));
}

void LoginController::onVerificationCodeSent()
{
    if (m_loginWindow)
        m_loginWindow->onVerifyCodeSendSuccess(m_lastVcodeType);
}

void LoginController::onVerificationCodeSendFailed(int errorCode, const QString &)
{
    if (!m_loginWindow)
        return;
    if (m_lastVcodeType == 1)
        m_loginWindow->setRegisterError(failureText(errorCode));
    else
        m_loginWindow->setForgetPasswordError(failureText(errorCode));
}

void LoginController::onPasswordResetSuccess()
{
    if (!m_loginWindow)
        return;
    if (!isLoggedIn()) {
        m_loginWindow->switchToLoginPage();
        return;
    }
    emit passwordResetSucceededWhileLoggedIn();
    if (m_loginWindow)
        m_loginWindow->accept();
}

void LoginController::onPasswordResetFailed(int errorCode, const QString &)
{
    if (m_loginWindow)
        m_loginWindow->setForgetPasswordError(failureText(errorCode));
}
