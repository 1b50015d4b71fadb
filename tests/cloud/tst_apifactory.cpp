// The "api/..." settings, the signing key's environment fallback, applying
// the configuration to API objects, and the factory's lifetime.
#include "CloudTestSupport.h"

#include "cloud/AccountApi.h"
#include "cloud/ApiFactory.h"
#include "cloud/FirmwareApi.h"
#include "cloud/UserApi.h"
#include "tests/support/fakeapi/FakeApiServer.h"

#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using EarphoneApi::ApiConfig;
using EarphoneApi::ApiFactory;
using EarphoneApi::ApiManager;
using EarphoneApi::SignAlgorithm;

namespace {

const char *secretEnv = "VELKORA_API_SECRET_KEY";

// A factory made through instance(), destroyed with its parent at scope end.
struct FactoryHandle
{
    std::unique_ptr<QObject> owner = std::make_unique<QObject>();
    ApiFactory *factory = ApiFactory::instance(owner.get());
};

} // namespace

class TestApiFactory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { CloudTest::bypassProxy(); }
    void init();
    void cleanup();

    void emptyStoreGivesInitialValuesAndSaveWritesAllKeys();
    void roundTrip();
    void signAlgorithmNames_data();
    void signAlgorithmNames();
    void signAlgorithmWrittenForOutOfRange();
    void storedEndpointText_data();
    void storedEndpointText();
    void storedTimeout_data();
    void storedTimeout();
    void environmentKeyIsUsedButNotStored_data();
    void environmentKeyIsUsedButNotStored();
    void storedKeyWinsOverEnvironment();
    void applyKeepsBuiltInsWhereConfigIsEmpty();
    void applyCopiesConfiguredValues();
    void hasBaseUrlIgnoresBlanks();
    void instanceIsSingleAndClearedOnDestruction();
    void createdApisReachTheConfiguredServer();

private:
    std::unique_ptr<CloudTest::SettingsScope> m_scope;
};

void TestApiFactory::init()
{
    qunsetenv(secretEnv);
    m_scope = std::make_unique<CloudTest::SettingsScope>();
}

void TestApiFactory::cleanup()
{
    m_scope.reset();
    qunsetenv(secretEnv);
}

void TestApiFactory::emptyStoreGivesInitialValuesAndSaveWritesAllKeys()
{
    FactoryHandle h;
    const ApiConfig &c = h.factory->config();
    QCOMPARE(c.baseUrl, QString());
    QCOMPARE(c.secretKey, QString());
    QCOMPARE(c.language, QStringLiteral("zh"));
    QCOMPARE(c.defaultAreaCode, QStringLiteral("86"));
    QCOMPARE(c.signAlgorithm, EarphoneApi::KeyPlusTimestampHmac);
    QCOMPARE(c.tokenRequiredEndpoints, QStringList());
    QCOMPARE(c.requestTimeoutMs, 30000);

    h.factory->saveConfig();
    QSettings settings;
    const QStringList keys = {"api/baseUrl",       "api/secretKey",     "api/language",
                              "api/defaultAreaCode", "api/signAlgorithm", "api/customSignKey",
                              "api/fixedSignValue", "api/tokenRequiredEndpoints", "api/requestTimeoutMs"};
    for (const QString &key : keys)
        QVERIFY2(settings.contains(key), qPrintable(key));
    QCOMPARE(settings.value("api/signAlgorithm").toString(), QStringLiteral("key_plus_timestamp_hmac"));
    QCOMPARE(settings.value("api/requestTimeoutMs").toInt(), 30000);
}

void TestApiFactory::roundTrip()
{
    {
        QSettings settings;
        settings.setValue("api/baseUrl", "http://example.test/index.php/");
        settings.setValue("api/secretKey", "k-1");
        settings.setValue("api/language", "en");
        settings.setValue("api/defaultAreaCode", "852");
        settings.setValue("api/signAlgorithm", "custom_formula");
        settings.setValue("api/customSignKey", "ck");
        settings.setValue("api/fixedSignValue", "321");
        settings.setValue("api/tokenRequiredEndpoints", QStringList{"home/a", "home/b"});
        settings.setValue("api/requestTimeoutMs", 4500);
    }
    ApiConfig first;
    {
        FactoryHandle h;
        first = h.factory->config();
        QCOMPARE(first.signAlgorithm, EarphoneApi::CustomFormula);
        QCOMPARE(first.tokenRequiredEndpoints, (QStringList{"home/a", "home/b"}));
        QCOMPARE(first.requestTimeoutMs, 4500);
        h.factory->setLanguage(QStringLiteral("zh"));
        h.factory->saveConfig();
    }
    FactoryHandle again;
    const ApiConfig &c = again.factory->config();
    QCOMPARE(c.baseUrl, first.baseUrl);
    QCOMPARE(c.secretKey, first.secretKey);
    QCOMPARE(c.language, QStringLiteral("zh"));
    QCOMPARE(c.defaultAreaCode, first.defaultAreaCode);
    QCOMPARE(c.signAlgorithm, first.signAlgorithm);
    QCOMPARE(c.customSignKey, first.customSignKey);
    QCOMPARE(c.fixedSignValue, first.fixedSignValue);
    QCOMPARE(c.tokenRequiredEndpoints, first.tokenRequiredEndpoints);
    QCOMPARE(c.requestTimeoutMs, first.requestTimeoutMs);
}

void TestApiFactory::signAlgorithmNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("mode");
    QTest::newRow("hmac_sha1") << "hmac_sha1" << 0;
    QTest::newRow("key_plus_timestamp_hmac") << "key_plus_timestamp_hmac" << 1;
    QTest::newRow("md5_timestamp") << "md5_timestamp" << 2;
    QTest::newRow("custom_formula") << "custom_formula" << 3;
    QTest::newRow("fixed_value") << "fixed_value" << 4;
    QTest::newRow("none") << "none" << 5;
    QTest::newRow("case and blanks") << "  MD5_Timestamp \t" << 2;
    QTest::newRow("digit") << "2" << 1;
    QTest::newRow("unknown word") << "sha256" << 1;
    QTest::newRow("empty") << "" << 1;
}

void TestApiFactory::signAlgorithmNames()
{
    QFETCH(QString, name);
    QFETCH(int, mode);
    QCOMPARE(static_cast<int>(ApiFactory::signAlgorithmFromName(name)), mode);
    QCOMPARE(ApiFactory::signAlgorithmFromName(ApiFactory::signAlgorithmName(static_cast<SignAlgorithm>(mode))),
             static_cast<SignAlgorithm>(mode));

    QSettings().setValue("api/signAlgorithm", name);
    FactoryHandle h;
    QCOMPARE(static_cast<int>(h.factory->config().signAlgorithm), mode);
}

void TestApiFactory::signAlgorithmWrittenForOutOfRange()
{
    QCOMPARE(ApiFactory::signAlgorithmName(static_cast<SignAlgorithm>(9)), QStringLiteral("key_plus_timestamp_hmac"));
    QCOMPARE(ApiFactory::signAlgorithmName(static_cast<SignAlgorithm>(-1)), QStringLiteral("key_plus_timestamp_hmac"));
    QCOMPARE(ApiFactory::signAlgorithmName(EarphoneApi::None), QStringLiteral("none"));
}

void TestApiFactory::storedEndpointText_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QStringList>("endpoints");
    QTest::newRow("three with blanks and a doubled comma")
        << QVariant("home/a, home/b,, home/c ") << QStringList{"home/a", "home/b", "home/c"};
    QTest::newRow("blank between commas") << QVariant(", ,") << QStringList{""};
    QTest::newRow("blanks only") << QVariant("   ") << QStringList();
    QTest::newRow("one path") << QVariant("home/user/logout") << QStringList{"home/user/logout"};
    QTest::newRow("string list") << QVariant(QStringList{" home/a", "home/b"}) << QStringList{" home/a", "home/b"};
}

void TestApiFactory::storedEndpointText()
{
    QFETCH(QVariant, stored);
    QFETCH(QStringList, endpoints);
    QSettings().setValue("api/tokenRequiredEndpoints", stored);
    FactoryHandle h;
    QCOMPARE(h.factory->config().tokenRequiredEndpoints, endpoints);

    ApiManager api;
    h.factory->applyConfig(&api);
    QCOMPARE(api.tokenRequiredEndpoints(), endpoints.isEmpty() ? ApiManager::defaultTokenRequiredEndpoints() : endpoints);
}

void TestApiFactory::storedTimeout_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("timeoutMs");
    QTest::newRow("zero") << QVariant(0) << 30000;
    QTest::newRow("negative") << QVariant(-5) << 30000;
    QTest::newRow("not a number") << QVariant("soon") << 30000;
    QTest::newRow("one") << QVariant(1) << 1;
    QTest::newRow("text number") << QVariant("2500") << 2500;
}

void TestApiFactory::storedTimeout()
{
    QFETCH(QVariant, stored);
    QFETCH(int, timeoutMs);
    QSettings().setValue("api/requestTimeoutMs", stored);
    FactoryHandle h;
    QCOMPARE(h.factory->config().requestTimeoutMs, timeoutMs);
}

void TestApiFactory::environmentKeyIsUsedButNotStored_data()
{
    QTest::addColumn<bool>("storedEmpty");
    QTest::newRow("stored empty") << true;
    QTest::newRow("never stored (first start)") << false;
}

void TestApiFactory::environmentKeyIsUsedButNotStored()
{
    QFETCH(bool, storedEmpty);
    if (storedEmpty)
        QSettings().setValue("api/secretKey", QString());
    qputenv(secretEnv, "env-key-123");
    FactoryHandle h;
    QCOMPARE(h.factory->config().secretKey, QStringLiteral("env-key-123"));

    ApiManager api;
    h.factory->applyConfig(&api);
    QCOMPARE(api.secretKey(), QStringLiteral("env-key-123"));

    h.factory->saveConfig();
    QSettings settings;
    QVERIFY(settings.contains("api/secretKey"));
    QCOMPARE(settings.value("api/secretKey").toString(), QString());
    // Nowhere else in the store either.
    QFile store(settings.fileName());
    settings.sync();
    QVERIFY(store.open(QIODevice::ReadOnly));
    QVERIFY(!store.readAll().contains("env-key-123"));
}

void TestApiFactory::storedKeyWinsOverEnvironment()
{
    QSettings().setValue("api/secretKey", "stored-key");
    qputenv(secretEnv, "env-key-123");
    FactoryHandle h;
    QCOMPARE(h.factory->config().secretKey, QStringLiteral("stored-key"));
    h.factory->saveConfig();
    QCOMPARE(QSettings().value("api/secretKey").toString(), QStringLiteral("stored-key"));
}

void TestApiFactory::applyKeepsBuiltInsWhereConfigIsEmpty()
{
    FactoryHandle h;
    auto *api = h.factory->createAccountApi(h.owner.get());
    QCOMPARE(api->parent(), h.owner.get());
    QCOMPARE(api->defaultTimeoutMs(), 30000);
    // No key configured: the built-in one stays, so passwords are never sent as empty texts.
    QCOMPARE(api->secretKey(), ApiManager::builtInSecretKey());
    QCOMPARE(api->tokenRequiredEndpoints(), ApiManager::defaultTokenRequiredEndpoints());
    QCOMPARE(api->baseUrl(), QStringLiteral("/"));
    QCOMPARE(api->token(), QString());

    // Objects built without the factory keep the core's own time-out.
    EarphoneApi::AccountApi plain;
    QCOMPARE(plain.defaultTimeoutMs(), 10000);
}

void TestApiFactory::applyCopiesConfiguredValues()
{
    {
        QSettings settings;
        settings.setValue("api/baseUrl", "http://example.test/index.php");
        settings.setValue("api/secretKey", "cfg-key");
        settings.setValue("api/language", "en");
        settings.setValue("api/defaultAreaCode", "1");
        settings.setValue("api/signAlgorithm", "fixed_value");
        settings.setValue("api/customSignKey", "ck");
        settings.setValue("api/fixedSignValue", "555");
        settings.setValue("api/tokenRequiredEndpoints", QStringList{"home/x", "home/y"});
        settings.setValue("api/requestTimeoutMs", 1234);
    }
    FactoryHandle h;
    EarphoneApi::UserApi api;
    api.setToken(QStringLiteral("session"));
    h.factory->applyConfig(&api);
    QCOMPARE(api.baseUrl(), QStringLiteral("http://example.test/index.php/"));
    QCOMPARE(api.secretKey(), QStringLiteral("cfg-key"));
    QCOMPARE(api.language(), QStringLiteral("en"));
    QCOMPARE(api.defaultAreaCode(), QStringLiteral("1"));
    QCOMPARE(api.signAlgorithm(), EarphoneApi::FixedValue);
    QCOMPARE(api.customSignKey(), QStringLiteral("ck"));
    QCOMPARE(api.fixedSignValue(), QStringLiteral("555"));
    QCOMPARE(api.tokenRequiredEndpoints(), (QStringList{"home/x", "home/y"}));
    QCOMPARE(api.defaultTimeoutMs(), 1234);
    QCOMPARE(api.token(), QStringLiteral("session"));

    h.factory->applyConfig(nullptr);
}

void TestApiFactory::hasBaseUrlIgnoresBlanks()
{
    QSettings().setValue("api/baseUrl", "   ");
    FactoryHandle h;
    QVERIFY(!h.factory->hasBaseUrl());
}

void TestApiFactory::instanceIsSingleAndClearedOnDestruction()
{
    QCOMPARE(ApiFactory::existingInstance(), nullptr);
    {
        FactoryHandle h;
        QCOMPARE(h.factory->parent(), h.owner.get());
        QObject other;
        QCOMPARE(ApiFactory::instance(&other), h.factory);
        QCOMPARE(ApiFactory::existingInstance(), h.factory);
        QCOMPARE(h.factory->parent(), h.owner.get());
    }
    QCOMPARE(ApiFactory::existingInstance(), nullptr);
}

void TestApiFactory::createdApisReachTheConfiguredServer()
{
    FakeApi::FakeApiServer server;
    QVERIFY(server.start());
    FakeApi::SignScheme scheme;
    scheme.mode = 0;
    scheme.secret = QStringLiteral("site-key");
    server.backend().setSignScheme(scheme);
    server.backend().addUser(QStringLiteral("alice"), QStringLiteral("pw"));
    {
        QSettings settings;
        settings.setValue("api/baseUrl", server.baseUrl());
        settings.setValue("api/secretKey", "site-key");
        settings.setValue("api/signAlgorithm", "hmac_sha1");
    }
    FactoryHandle h;
    QVERIFY(h.factory->hasBaseUrl());
    auto *account = h.factory->createAccountApi(h.owner.get());
    auto *firmware = h.factory->createFirmwareApi(h.owner.get());
    QVERIFY(firmware->baseUrl() == server.baseUrl());

    QSignalSpy ok(account, &EarphoneApi::AccountApi::loginSuccess);
    QVERIFY(account->login(QStringLiteral("alice"), QStringLiteral("pw"), QString()));
    QVERIFY(ok.wait(5000));
    QVERIFY(server.lastRequest(QStringLiteral("home/account/login")).signatureValid);
}

QTEST_MAIN(TestApiFactory)
#include "tst_apifactory.moc"
