#include "app/CloseBehavior.h"
#include "app/StartupOptions.h"
#include "cloud/ApiFactory.h"
#include "language/AppLanguageManager.h"
#include "platform/autostart/InMemoryAutoRunEntry.h"
#include "platform/autostart/XdgAutostartEntry.h"
#include "tests/app/TestEnvironment.h"
#include "tests/support/testenv/ReadOnlySettingsFile.h"

#include <memory>

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTest>

class TestStartupOptions : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void entryText_data();
    void entryText();
    void entryIsRemovedAndRemovingNothingSucceeds();
    void entryWriteFailsOnUnwritableFolder();
    void saveKeepsRegistryAndSettingsInStep();
    void turningAutoRunOffClearsStartMinimized();
    void loadForcesStartMinimizedOffWithoutAutoRun();
    void syncFollowsStoredPreferences();
    void startupSwitchIsFound_data();
    void startupSwitchIsFound();
    void closeBehaviorRoundTrip();
    void preferenceWritesTellWhetherStored_data();
    void preferenceWritesTellWhetherStored();

private:
    TestEnvironment m_env;
    InMemoryAutoRunEntry m_entry;
};

void TestStartupOptions::init()
{
    m_env.clearSettings();
    m_entry = InMemoryAutoRunEntry();
    StartupOptions::setAutoRunEntryOverride(&m_entry);
}

void TestStartupOptions::cleanup()
{
    StartupOptions::setAutoRunEntryOverride(nullptr);
}

void TestStartupOptions::entryText_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("minimized");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain path") << "/opt/velkora/velkora" << false << "/opt/velkora/velkora";
    QTest::newRow("plain path, minimised") << "/opt/velkora/velkora" << true
                                           << "/opt/velkora/velkora --startup-minimized";
    QTest::newRow("blank in folder, minimised") << "/home/a b/My Apps/velkora" << true
                                                << "\"/home/a b/My Apps/velkora\" --startup-minimized";
    QTest::newRow("blank in folder") << "/home/a b/velkora" << false << "\"/home/a b/velkora\"";
    // Characters the Exec key reserves are quoted and, where needed, escaped.
    QTest::newRow("dollar and quote") << "/opt/$x \"q\"/velkora" << false << "\"/opt/\\$x \\\"q\\\"/velkora\"";
    QTest::newRow("percent") << "/opt/100%/velkora" << false << "/opt/100%%/velkora";
}

void TestStartupOptions::entryText()
{
    QFETCH(QString, program);
    QFETCH(bool, minimized);
    QFETCH(QString, exec);

    const QString path = m_env.home() + "/autostart-test/velkora.desktop";
    XdgAutostartEntry entry(path);
    StartupOptions::applyAutoRun(entry, program, true, minimized);
    QCOMPARE(entry.commandLine(), exec);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY(text.startsWith("[Desktop Entry]\n"));
    QVERIFY(text.contains("\nType=Application\n"));
    // The desktop-file string escaping doubles every backslash of the Exec value.
    QVERIFY2(text.contains("\nExec=" + QString(exec).replace("\\", "\\\\") + "\n"), qPrintable(text));
}

void TestStartupOptions::entryIsRemovedAndRemovingNothingSucceeds()
{
    XdgAutostartEntry entry(m_env.home() + "/autostart-remove/velkora.desktop");
    QVERIFY(entry.remove());
    QVERIFY(entry.write("/opt/velkora", {}));
    QVERIFY(QFile::exists(entry.filePath()));
    StartupOptions::applyAutoRun(entry, "/opt/velkora", false, true);
    QVERIFY(!QFile::exists(entry.filePath()));
    QVERIFY(entry.commandLine().isEmpty());
}

void TestStartupOptions::entryWriteFailsOnUnwritableFolder()
{
    // A file where the folder should be: nothing can be written below it.
    const QString blocker = m_env.home() + "/blocked";
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    XdgAutostartEntry entry(blocker + "/velkora.desktop");
    QVERIFY(!entry.write("/opt/velkora", {}));
    QVERIFY(entry.commandLine().isEmpty());
}

void TestStartupOptions::saveKeepsRegistryAndSettingsInStep()
{
    StartupOptions::save(true, true);
    QSettings settings;
    QCOMPARE(settings.value("startup/autoRunEnabled").toBool(), true);
    QCOMPARE(settings.value("startup/startMinimized").toBool(), true);
    QVERIFY(m_entry.present);
    QCOMPARE(m_entry.program, QCoreApplication::applicationFilePath());
    QCOMPARE(m_entry.arguments, QStringList{"--startup-minimized"});

    StartupOptions::save(true, false);
    QVERIFY(m_entry.present);
    QVERIFY(m_entry.arguments.isEmpty());
}

void TestStartupOptions::turningAutoRunOffClearsStartMinimized()
{
    StartupOptions::save(true, true);
    StartupOptions::save(false, true);
    QSettings settings;
    QCOMPARE(settings.value("startup/autoRunEnabled").toBool(), false);
    QCOMPARE(settings.value("startup/startMinimized").toBool(), false);
    QVERIFY(!m_entry.present);
    QCOMPARE(m_entry.removals, 1);
}

void TestStartupOptions::loadForcesStartMinimizedOffWithoutAutoRun()
{
    {
        QSettings settings;
        settings.setValue("startup/autoRunEnabled", false);
        settings.setValue("startup/startMinimized", true);
    }
    bool autoRun = true;
    bool minimized = true;
    StartupOptions::load(autoRun, minimized);
    QVERIFY(!autoRun);
    QVERIFY(!minimized);

    m_env.clearSettings();
    StartupOptions::load(autoRun, minimized);
    QVERIFY(!autoRun);
    QVERIFY(!minimized);
}

void TestStartupOptions::syncFollowsStoredPreferences()
{
    {
        QSettings settings;
        settings.setValue("startup/autoRunEnabled", true);
        settings.setValue("startup/startMinimized", true);
    }
    StartupOptions::syncAutoRunFromSettings();
    QVERIFY(m_entry.present);
    QCOMPARE(m_entry.arguments, QStringList{"--startup-minimized"});

    {
        QSettings settings;
        settings.setValue("startup/autoRunEnabled", false);
    }
    StartupOptions::syncAutoRunFromSettings();
    QVERIFY(!m_entry.present);
}

void TestStartupOptions::startupSwitchIsFound_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("found");
    QTest::newRow("none") << QStringList{"/opt/velkora"} << false;
    QTest::newRow("after program") << QStringList{"/opt/velkora", "--startup-minimized"} << true;
    QTest::newRow("twice, any position") << QStringList{"/opt/velkora", "-x", "--startup-minimized", "--startup-minimized"}
                                         << true;
    QTest::newRow("as program path") << QStringList{"--startup-minimized"} << true;
    QTest::newRow("other case") << QStringList{"/opt/velkora", "--Startup-Minimized"} << false;
    QTest::newRow("part of argument") << QStringList{"/opt/velkora", "--startup-minimized=1"} << false;
}

void TestStartupOptions::startupSwitchIsFound()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, found);
    QCOMPARE(StartupOptions::hasStartupMinimizedArgument(arguments), found);
}

void TestStartupOptions::closeBehaviorRoundTrip()
{
    QCOMPARE(CloseBehavior::exitOnClose(), false);
    CloseBehavior::setExitOnClose(true);
    QCOMPARE(QSettings().value("close/exitOnClose").toBool(), true);
    QCOMPARE(CloseBehavior::exitOnClose(), true);
    CloseBehavior::setExitOnClose(false);
    QCOMPARE(CloseBehavior::exitOnClose(), false);
}

QTEST_GUILESS_MAIN(TestStartupOptions)
#include "tst_startupoptions.moc"

namespace {
enum class Writer { Language, ApiLanguage, Startup, Close };
}
Q_DECLARE_METATYPE(Writer)

void TestStartupOptions::preferenceWritesTellWhetherStored_data()
{
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<bool>("readOnlyStore");
    QTest::addColumn<bool>("entryRefused");
    QTest::addColumn<bool>("stored");
    QTest::newRow("language") << Writer::Language << false << false << true;
    QTest::newRow("language, read-only store") << Writer::Language << true << false << false;
    // The cloud API's copy of the language, written in the same change.
    QTest::newRow("api language") << Writer::ApiLanguage << false << false << true;
    QTest::newRow("api language, read-only store") << Writer::ApiLanguage << true << false << false;
    QTest::newRow("start-up") << Writer::Startup << false << false << true;
    QTest::newRow("start-up, read-only store") << Writer::Startup << true << false << false;
    QTest::newRow("start-up, auto-run entry refused") << Writer::Startup << false << true << false;
    QTest::newRow("close") << Writer::Close << false << false << true;
    QTest::newRow("close, read-only store") << Writer::Close << true << false << false;
}

void TestStartupOptions::preferenceWritesTellWhetherStored()
{
    QFETCH(Writer, writer);
    QFETCH(bool, readOnlyStore);
    QFETCH(bool, entryRefused);
    QFETCH(bool, stored);
    QSettings().setValue("ui/locale", "zh_CN"); // the store's file exists with something in it
    QSettings().sync();
    m_entry.failWrites = entryRefused;
    std::unique_ptr<ReadOnlySettingsFile> readOnly;
    if (readOnlyStore) {
        readOnly = std::make_unique<ReadOnlySettingsFile>();
        QVERIFY2(readOnly->isValid(), qPrintable(readOnly->path()));
    }
    const QByteArray before = readOnly ? readOnly->contents() : QByteArray();

    bool result = !stored;
    switch (writer) {
    case Writer::Language: result = AppLanguageManager::saveLanguageCode("en_US"); break;
    case Writer::ApiLanguage: {
        QObject owner;
        auto *factory = EarphoneApi::ApiFactory::instance(&owner);
        factory->setLanguage(QStringLiteral("en"));
        result = factory->saveConfig();
        break;
    }
    case Writer::Startup: result = StartupOptions::save(true, false); break;
    case Writer::Close: result = CloseBehavior::setExitOnClose(true); break;
    }
    QCOMPARE(result, stored);
    // The auto-run entry follows the choice for this session either way.
    if (writer == Writer::Startup && !entryRefused)
        QVERIFY(m_entry.present);
    if (readOnly)
        QCOMPARE(readOnly->contents(), before);
}
