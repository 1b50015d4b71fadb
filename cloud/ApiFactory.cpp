#include "cloud/ApiFactory.h"

#include "cloud/AccountApi.h"
#include "cloud/ApiManager.h"
#include "cloud/EqApi.h"
#include "cloud/FirmwareApi.h"
#include "cloud/UserApi.h"
#include "language/SettingsStore.h"

#include <QSettings>

#include <array>

namespace EarphoneApi {

namespace {

ApiFactory *g_instance = nullptr;

constexpr std::array<const char *, 6> signAlgorithmNames = {
    "hmac_sha1", "key_plus_timestamp_hmac", "md5_timestamp", "custom_formula", "fixed_value", "none",
};

const QString keyBaseUrl = QStringLiteral("api/baseUrl");
const QString keySecretKey = QStringLiteral("api/secretKey");
const QString keyLanguage = QStringLiteral("api/language");
const QString keyDefaultAreaCode = QStringLiteral("api/defaultAreaCode");
const QString keySignAlgorithm = QStringLiteral("api/signAlgorithm");
const QString keyCustomSignKey = QStringLiteral("api/customSignKey");
const QString keyFixedSignValue = QStringLiteral("api/fixedSignValue");
const QString keyTokenRequiredEndpoints = QStringLiteral("api/tokenRequiredEndpoints");
const QString keyRequestTimeoutMs = QStringLiteral("api/requestTimeoutMs");

} // namespace

ApiFactory::ApiFactory(QObject *parent) : QObject(parent) {}

ApiFactory::~ApiFactory()
{
    if (g_instance == this)
        g_instance = nullptr;
}

ApiFactory *ApiFactory::instance(QObject *parent)
{
    if (!g_instance) {
        g_instance = new ApiFactory(parent);
        QSettings settings;
        g_instance->loadConfig(settings);
    }
    return g_instance;
}

ApiFactory *ApiFactory::existingInstance()
{
    return g_instance;
}

void ApiFactory::loadConfig(QSettings &settings)
{
    if (settings.contains(keyBaseUrl))
        m_config.baseUrl = settings.value(keyBaseUrl).toString();
    if (settings.contains(keySecretKey))
        m_config.secretKey = settings.value(keySecretKey).toString();
    if (settings.contains(keyLanguage))
        m_config.language = settings.value(keyLanguage).toString();
    if (settings.contains(keyDefaultAreaCode))
        m_config.defaultAreaCode = settings.value(keyDefaultAreaCode).toString();
    if (settings.contains(keySignAlgorithm))
        m_config.signAlgorithm = signAlgorithmFromName(settings.value(keySignAlgorithm).toString());
    if (settings.contains(keyCustomSignKey))
        m_config.customSignKey = settings.value(keyCustomSignKey).toString();
    if (settings.contains(keyFixedSignValue))
        m_config.fixedSignValue = settings.value(keyFixedSignValue).toString();

    if (settings.contains(keyTokenRequiredEndpoints)) {
        const QVariant stored = settings.value(keyTokenRequiredEndpoints);
        if (stored.typeId() == QMetaType::QStringList) {
            m_config.tokenRequiredEndpoints = stored.toStringList();
        } else {
            const QString text = stored.toString().trimmed();
            if (!text.isEmpty()) {
                QStringList endpoints = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
                for (QString &endpoint : endpoints)
                    endpoint = endpoint.trimmed();
                m_config.tokenRequiredEndpoints = endpoints;
            }
        }
    }

    if (settings.contains(keyRequestTimeoutMs)) {
        bool ok = false;
        const int timeoutMs = settings.value(keyRequestTimeoutMs).toInt(&ok);
        if (ok && timeoutMs >= 1)
            m_config.requestTimeoutMs = timeoutMs;
    }

    m_storedSecretKey = m_config.secretKey;
    m_secretKeyFromEnvironment = false;
    if (m_config.secretKey.isEmpty()) {
        const QString fromEnv = qEnvironmentVariable("VELKORA_API_SECRET_KEY");
        if (!fromEnv.isEmpty()) {
            m_config.secretKey = fromEnv;
            m_secretKeyFromEnvironment = true;
        }
    }
}

void ApiFactory::saveConfig(QSettings &settings) const
{
    settings.setValue(keyBaseUrl, m_config.baseUrl);
    settings.setValue(keySecretKey, m_secretKeyFromEnvironment ? m_storedSecretKey : m_config.secretKey);
    settings.setValue(keyLanguage, m_config.language);
    settings.setValue(keyDefaultAreaCode, m_config.defaultAreaCode);
    settings.setValue(keySignAlgorithm, signAlgorithmName(m_config.signAlgorithm));
    settings.setValue(keyCustomSignKey, m_config.customSignKey);
    settings.setValue(keyFixedSignValue, m_config.fixedSignValue);
    settings.setValue(keyTokenRequiredEndpoints, m_config.tokenRequiredEndpoints);
    settings.setValue(keyRequestTimeoutMs, m_config.requestTimeoutMs);
}

bool ApiFactory::saveConfig() const
{
    QSettings settings;
    saveConfig(settings);
    return SettingsStore::commit(settings);
}

bool ApiFactory::hasBaseUrl() const
{
    return !m_config.baseUrl.trimmed().isEmpty();
}

SignAlgorithm ApiFactory::signAlgorithmFromName(const QString &name)
{
    const QString wanted = name.trimmed().toLower();
    for (std::size_t i = 0; i < signAlgorithmNames.size(); ++i) {
        if (wanted == QLatin1String(signAlgorithmNames[i]))
            return static_cast<SignAlgorithm>(i);
    }
    return KeyPlusTimestampHmac;
}

QString ApiFactory::signAlgorithmName(SignAlgorithm algorithm)
{
    const int index = static_cast<int>(algorithm);
    if (index < 0 || index >= static_cast<int>(signAlgorithmNames.size()))
        return QLatin1String(signAlgorithmNames[KeyPlusTimestampHmac]);
    return QLatin1String(signAlgorithmNames[static_cast<std::size_t>(index)]);
}

void ApiFactory::applyConfig(ApiManager *api) const
{
    if (!api)
        return;
    api->setBaseUrl(m_config.baseUrl);
    // An empty configured key would send password fields as empty texts and
    // requests unsigned; the object keeps its built-in key instead.
    if (!m_config.secretKey.isEmpty())
        api->setSecretKey(m_config.secretKey);
    api->setLanguage(m_config.language);
    api->setDefaultAreaCode(m_config.defaultAreaCode);
    api->setSignAlgorithm(m_config.signAlgorithm);
    api->setCustomSignKey(m_config.customSignKey);
    api->setFixedSignValue(m_config.fixedSignValue);
    api->setDefaultTimeoutMs(m_config.requestTimeoutMs > 0 ? m_config.requestTimeoutMs : ApiManager::builtInTimeoutMs);
    if (!m_config.tokenRequiredEndpoints.isEmpty())
        api->setTokenRequiredEndpoints(m_config.tokenRequiredEndpoints);
}

AccountApi *ApiFactory::createAccountApi(QObject *parent) const
{
    auto *api = new AccountApi(parent);
    applyConfig(api);
    return api;
}

UserApi *ApiFactory::createUserApi(QObject *parent) const
{
    auto *api = new UserApi(parent);
    applyConfig(api);
    return api;
}

EqApi *ApiFactory::createEqApi(QObject *parent) const
{
    auto *api = new EqApi(parent);
    applyConfig(api);
    return api;
}

FirmwareApi *ApiFactory::createFirmwareApi(QObject *parent) const
{
    auto *api = new FirmwareApi(parent);
    applyConfig(api);
    return api;
}

} // namespace EarphoneApi
