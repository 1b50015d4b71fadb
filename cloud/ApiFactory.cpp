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
    if (SettingsStore::contains(settings, keyBaseUrl))
        m_config.baseUrl = SettingsStore::value(settings, keyBaseUrl).toString();
    if (SettingsStore::contains(settings, keySecretKey))
        m_config.secretKey = SettingsStore::value(settings, keySecretKey).toString();
    if (SettingsStore::contains(settings, keyLanguage))
        m_config.language = SettingsStore::value(settings, keyLanguage).toString();
    if (SettingsStore::contains(settings, keyDefaultAreaCode))
        m_config.defaultAreaCode = SettingsStore::value(settings, keyDefaultAreaCode).toString();
    if (SettingsStore::contains(settings, keySignAlgorithm))
        m_config.signAlgorithm = signAlgorithmFromName(SettingsStore::value(settings, keySignAlgorithm).toString());
    if (SettingsStore::contains(settings, keyCustomSignKey))
        m_config.customSignKey = SettingsStore::value(settings, keyCustomSignKey).toString();
    if (SettingsStore::contains(settings, keyFixedSignValue))
        m_config.fixedSignValue = SettingsStore::value(settings, keyFixedSignValue).toString();

    if (SettingsStore::contains(settings, keyTokenRequiredEndpoints)) {
        const QVariant stored = SettingsStore::value(settings, keyTokenRequiredEndpoints);
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

    if (SettingsStore::contains(settings, keyRequestTimeoutMs)) {
        bool ok = false;
        const int timeoutMs = SettingsStore::value(settings, keyRequestTimeoutMs).toInt(&ok);
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
    SettingsStore::setValue(settings, keyBaseUrl, m_config.baseUrl);
    SettingsStore::setValue(settings, keySecretKey,
                            m_secretKeyFromEnvironment ? m_storedSecretKey : m_config.secretKey);
    SettingsStore::setValue(settings, keyLanguage, m_config.language);
    SettingsStore::setValue(settings, keyDefaultAreaCode, m_config.defaultAreaCode);
    SettingsStore::setValue(settings, keySignAlgorithm, signAlgorithmName(m_config.signAlgorithm));
    SettingsStore::setValue(settings, keyCustomSignKey, m_config.customSignKey);
    SettingsStore::setValue(settings, keyFixedSignValue, m_config.fixedSignValue);
    SettingsStore::setValue(settings, keyTokenRequiredEndpoints, m_config.tokenRequiredEndpoints);
    SettingsStore::setValue(settings, keyRequestTimeoutMs, m_config.requestTimeoutMs);
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
