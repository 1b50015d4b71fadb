#pragma once

#include "cloud/ApiConfig.h"

#include <QObject>

class QSettings;

namespace EarphoneApi {

class AccountApi;
class ApiManager;
class EqApi;
class FirmwareApi;
class UserApi;

// Process-wide holder of the API configuration ("api/..." settings, with the
// signing key's environment fallback) and maker of the API objects.
// Created once at start-up; GUI thread only.
class ApiFactory : public QObject
{
    Q_OBJECT
public:
    // The first call creates the factory with `parent` and loads the
    // application's settings; later calls return it and ignore `parent`.
    static ApiFactory *instance(QObject *parent = nullptr);
    // The factory if one exists, without creating it.
    static ApiFactory *existingInstance();

    ~ApiFactory() override;

    void loadConfig(QSettings &settings);
    void saveConfig(QSettings &settings) const;
    // False when the settings store refused the write (it is logged); the
    // configuration holds for this session only.
    bool saveConfig() const;

    void setLanguage(const QString &language) { m_config.language = language; }
    QString language() const { return m_config.language; }
    bool hasBaseUrl() const;
    const ApiConfig &config() const { return m_config; }

    static SignAlgorithm signAlgorithmFromName(const QString &name);
    static QString signAlgorithmName(SignAlgorithm algorithm);

    void applyConfig(ApiManager *api) const;

    AccountApi *createAccountApi(QObject *parent) const;
    UserApi *createUserApi(QObject *parent) const;
    EqApi *createEqApi(QObject *parent) const;
    FirmwareApi *createFirmwareApi(QObject *parent) const;

private:
    explicit ApiFactory(QObject *parent);

    ApiConfig m_config;
    // The key came from the environment; it is never written to the store,
    // which keeps what it held before.
    bool m_secretKeyFromEnvironment = false;
    QString m_storedSecretKey;
};

} // namespace EarphoneApi
