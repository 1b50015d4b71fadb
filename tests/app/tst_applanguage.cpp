#include "app/AppStartup.h"
#include "language/AppLanguageManager.h"
#include "cloud/ApiFactory.h"
#include "tests/app/TestEnvironment.h"

#include <QApplication>
#include <QLabel>
#include <QSettings>
#include <QTest>

// Retranslates on a language change, as every page does.
class LanguageProbe : public QLabel
{
public:
    int languageChanges = 0;

protected:
    void changeEvent(QEvent *event) override
    {
        if (event->type() == QEvent::LanguageChange) {
            ++languageChanges;
            setText(QCoreApplication::translate("CustomTitleBar", "点击登录"));
        }
        QLabel::changeEvent(event);
    }
};

class TestAppLanguage : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_env.clearSettings(); }

    void normalize_data();
    void normalize();
    void storedLocaleIsReadNormalised_data();
    void storedLocaleIsReadNormalised();
    void localeDecidesDefault_data();
    void localeDecidesDefault();
    void absentKeyFollowsSystem();
    void savedCodeIsStoredNormalised();
    void applyingLanguageTranslatesWidgets();
    void startUpTellsTheCloudApiTheLanguage();

private:
    TestEnvironment m_env;
};

void TestAppLanguage::normalize_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("ui");
    QTest::addColumn<QString>("api");
    QTest::newRow("en_US") << "en_US" << "en_US" << "en";
    QTest::newRow("EN_gb") << "EN_gb" << "en_US" << "en";
    QTest::newRow("bare en") << "en" << "en_US" << "en";
    QTest::newRow("zh_CN") << "zh_CN" << "zh_CN" << "zh";
    QTest::newRow("zh_TW") << "zh_TW" << "zh_CN" << "zh";
    QTest::newRow("french") << "fr_FR" << "zh_CN" << "zh";
    QTest::newRow("empty") << "" << "zh_CN" << "zh";
    QTest::newRow("leading blank is not english") << " en_US" << "zh_CN" << "zh";
}

void TestAppLanguage::normalize()
{
    QFETCH(QString, code);
    QFETCH(QString, ui);
    QFETCH(QString, api);
    QCOMPARE(AppLanguageManager::normalizeLanguageCode(code), ui);
    QCOMPARE(AppLanguageManager::apiLanguageCode(code), api);
}

void TestAppLanguage::storedLocaleIsReadNormalised_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");
    QTest::newRow("EN_gb with blanks") << "  EN_gb  " << "en_US";
    QTest::newRow("french") << "fr_FR" << "zh_CN";
    QTest::newRow("chinese") << "zh_CN" << "zh_CN";
    QTest::newRow("empty value") << "" << "zh_CN";
}

void TestAppLanguage::storedLocaleIsReadNormalised()
{
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    {
        QSettings settings;
        settings.setValue("ui/locale", stored);
    }
    QCOMPARE(AppLanguageManager::currentLanguageCode(), expected);
}

void TestAppLanguage::localeDecidesDefault_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("simplified chinese") << QLocale(QLocale::Chinese, QLocale::China) << "zh_CN";
    QTest::newRow("traditional chinese") << QLocale(QLocale::Chinese, QLocale::Taiwan) << "zh_CN";
    QTest::newRow("english") << QLocale(QLocale::English, QLocale::UnitedKingdom) << "en_US";
    QTest::newRow("german") << QLocale(QLocale::German, QLocale::Germany) << "en_US";
    QTest::newRow("C locale") << QLocale::c() << "en_US";
}

void TestAppLanguage::localeDecidesDefault()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    QCOMPARE(AppLanguageManager::languageCodeForLocale(locale), expected);
}

void TestAppLanguage::absentKeyFollowsSystem()
{
    QVERIFY(!QSettings().contains("ui/locale"));
    QCOMPARE(AppLanguageManager::currentLanguageCode(), AppLanguageManager::languageCodeForLocale(QLocale::system()));
}

void TestAppLanguage::savedCodeIsStoredNormalised()
{
    AppLanguageManager::saveLanguageCode(" en-gb ");
    QCOMPARE(QSettings().value("ui/locale").toString(), QStringLiteral("en_US"));
    AppLanguageManager::saveLanguageCode("de_DE");
    QCOMPARE(QSettings().value("ui/locale").toString(), QStringLiteral("zh_CN"));
}

void TestAppLanguage::applyingLanguageTranslatesWidgets()
{
    LanguageProbe probe;
    QVERIFY(AppLanguageManager::applyLanguage("en_US"));
    QCOMPARE(QLocale().language(), QLocale::English);
    // Widgets hear of the change through the event loop.
    QTRY_VERIFY(probe.languageChanges > 0);
    QTRY_COMPARE(probe.text(), QStringLiteral("Log In"));

    QVERIFY(AppLanguageManager::applyLanguage("zh_CN"));
    QCOMPARE(QLocale().language(), QLocale::Chinese);
    QTRY_COMPARE(probe.text(), QStringLiteral("点击登录"));

    // The stored choice is applied at start.
    AppLanguageManager::saveLanguageCode("en_US");
    AppLanguageManager::initializeFromSettings();
    QTRY_COMPARE(probe.text(), QStringLiteral("Log In"));
    AppLanguageManager::applyLanguage("zh_CN");
}

void TestAppLanguage::startUpTellsTheCloudApiTheLanguage()
{
    QSettings().setValue("ui/locale", " EN_gb");
    AppStartup::configureServices(*qApp);
    auto *factory = EarphoneApi::ApiFactory::existingInstance();
    QVERIFY(factory);
    QCOMPARE(factory->parent(), qApp);
    QCOMPARE(factory->language(), QStringLiteral("en"));
    QCOMPARE(QSettings().value("api/language").toString(), QStringLiteral("en"));
    QTRY_COMPARE(QLocale().language(), QLocale::English);
    AppLanguageManager::applyLanguage("zh_CN");
}

QTEST_MAIN(TestAppLanguage)
#include "tst_applanguage.moc"
