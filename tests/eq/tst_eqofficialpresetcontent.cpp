// The official preset page: building the two groups from a delivered list,
// names in both languages, reporting clicks to and following the active
// selection, when the list is fetched, and the records handed to the main window.
#include "widgets/StyledButton.h"
#include "widgets/StyledButtonGroup.h"
#include "widgets/WindowRadioButtonStyleTwo.h"
#include "cloud/EqApi.h"
#include "eq/EQActiveProfileCoordinator.h"
#include "eq/EQOfficialPresetContent.h"
#include "eq/EQSoundEffectTestWidget.h"
#include "eq/EQSoundListController.h"
#include "tests/eq/EqTestEnvironment.h"
#include "language/AppLanguageManager.h"
#include "tests/support/fakeapi/FakeApiServer.h"
#include "tests/support/testenv/ReadOnlySettingsFile.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QNetworkProxy>
#include <QSettings>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTranslator>

#include <memory>

using EarphoneApi::EQEffect;
using Source = EQActiveProfileCoordinator::Source;

namespace {

const QString soundListRoute = QStringLiteral("home/common/soundList");

EQEffect effect(const QString &id, const QString &name, const QString &enname = QString(),
                const QString &image = QString())
{
    EQEffect e;
    e.id = id;
    e.name = name;
    e.enname = enname;
    e.image = image;
    e.sound = {1, 2};
    return e;
}

QStringList buttonTexts(const StyledButtonGroup *group)
{
    QStringList out;
    for (const StyledButton *button : group->buttons())
        out.append(button->text());
    return out;
}

} // namespace

class TestEqOfficialPresetContent : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void buildsBothGroups();
    void repeatedAndMissingKeys();
    void displayName_data();
    void displayName();
    void localImagePath_data();
    void localImagePath();
    void gamePicturesOnlyFromDisk();
    void clicksSelectThroughTheCoordinator();
    void followsTheActiveSelection_data();
    void followsTheActiveSelection();
    void highlightSurvivesRebuild();
    void announcesASelectionItsListChanges_data();
    void announcesASelectionItsListChanges();
    void findEffectRules();
    void fetchesOnShowAndProductChange();
    void languageChange();
    void soundTestOfThePage();
    void namesFollowTheChosenLanguageInEveryStore_data();
    void namesFollowTheChosenLanguageInEveryStore();

private:
    void deliver(const QList<EQEffect> &basic, const QList<EQEffect> &game);

    std::unique_ptr<EqTestEnvironment> m_env;
    std::unique_ptr<EQActiveProfileCoordinator> m_coordinator;
    std::unique_ptr<EQOfficialPresetContent> m_page;
};

void TestEqOfficialPresetContent::initTestCase()
{
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
}

void TestEqOfficialPresetContent::init()
{
    m_env = std::make_unique<EqTestEnvironment>();
    QSettings().setValue("ui/locale", "zh_CN");
    m_coordinator = std::make_unique<EQActiveProfileCoordinator>();
    m_page = std::make_unique<EQOfficialPresetContent>();
    m_page->resize(1100, 600);
}

void TestEqOfficialPresetContent::cleanup()
{
    m_page.reset();
    m_coordinator.reset();
    m_env.reset();
}

void TestEqOfficialPresetContent::deliver(const QList<EQEffect> &basic, const QList<EQEffect> &game)
{
    emit m_page->soundList()->officialSoundsLoaded(basic, game);
}

void TestEqOfficialPresetContent::buildsBothGroups()
{
    QVERIFY(m_page->basicTab()->isChecked());
    QVERIFY(!m_page->gameTab()->isChecked());
    QCOMPARE(m_page->pages()->currentIndex(), 0);
    QCOMPARE(m_page->pid(), QStringLiteral("1"));

    deliver({effect("1", "流行", "Pop"), effect("2", " 摇滚 ")}, {effect("11", "射击", "FPS")});
    QCOMPARE(buttonTexts(m_page->basicGroup()), (QStringList{"流行", "摇滚"}));
    QCOMPARE(buttonTexts(m_page->gameGroup()), QStringList{"射击"});
    QVERIFY(m_page->basicGroup()->buttonById("1")->property("eqBasic").toBool());
    QVERIFY(!m_page->gameGroup()->buttonById("11")->property("eqBasic").toBool());
    QCOMPARE(m_page->basicOrder(), (QStringList{"1", "2"}));
    QCOMPARE(m_page->firstBasicPresetId(), QStringLiteral("1"));

    // A new delivery replaces everything.
    deliver({effect("5", "Jazz")}, {});
    QCOMPARE(buttonTexts(m_page->basicGroup()), QStringList{"Jazz"});
    QVERIFY(m_page->gameGroup()->buttons().isEmpty());
    EQEffect out;
    QVERIFY(!m_page->findEffect(EQActiveProfileCoordinator::OfficialBasic, "1", out));
    QVERIFY(!m_page->findEffect(EQActiveProfileCoordinator::OfficialGame, "11", out));
}

void TestEqOfficialPresetContent::repeatedAndMissingKeys()
{
    EQEffect first = effect("7", "Old");
    EQEffect second = effect("7", "New");
    second.note = "later";
    deliver({effect("", "  "), first, second, effect("", "Vocal")}, {});
    // The blank one still gets a button; the group refuses the repeated id.
    QCOMPARE(m_page->basicGroup()->buttons().size(), 3);
    QCOMPARE(m_page->basicOrder(), (QStringList{"7", "7", "Vocal"}));
    QCOMPARE(m_page->firstBasicPresetId(), QStringLiteral("7"));
    EQEffect out;
    QVERIFY(m_page->findEffect(EQActiveProfileCoordinator::OfficialBasic, " 7 ", out));
    QCOMPARE(out.note, QStringLiteral("later"));
    QVERIFY(m_page->findEffect(EQActiveProfileCoordinator::OfficialBasic, "Vocal", out));
    QCOMPARE(out.name, QStringLiteral("Vocal"));
}

void TestEqOfficialPresetContent::displayName_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("enname");
    QTest::addColumn<QString>("shown");
    QTest::newRow("English") << "en_US" << "1" << "流行" << " Pop " << "Pop";
    QTest::newRow("English, lower case code") << "en" << "1" << "流行" << "Pop" << "Pop";
    QTest::newRow("English without enname") << "en_US" << "1" << "流行" << "  " << "流行";
    QTest::newRow("Chinese ignores enname") << "zh_CN" << "1" << "流行" << "Pop" << "流行";
    QTest::newRow("no names: the id") << "zh_CN" << " 9 " << "" << "" << "9";
}

void TestEqOfficialPresetContent::displayName()
{
    QFETCH(QString, language);
    QFETCH(QString, id);
    QFETCH(QString, name);
    QFETCH(QString, enname);
    QFETCH(QString, shown);
    QCOMPARE(EQOfficialPresetContent::displayNameFor(effect(id, name, enname), language), shown);
}

void TestEqOfficialPresetContent::localImagePath_data()
{
    QTest::addColumn<QString>("image");
    QTest::addColumn<bool>("local");
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blank") << "   " << false;
    QTest::newRow("http") << "http://x/a.png" << false;
    QTest::newRow("HTTPS in capitals") << "HTTPS://x/a.png" << false;
    QTest::newRow("file with blanks around") << "  /tmp/cache/a.png " << true;
    QTest::newRow("resource") << ":/images/a.png" << true;
}

void TestEqOfficialPresetContent::localImagePath()
{
    QFETCH(QString, image);
    QFETCH(bool, local);
    QCOMPARE(EQOfficialPresetContent::isLocalImagePath(image), local);
}

void TestEqOfficialPresetContent::gamePicturesOnlyFromDisk()
{
    const QString picture = QDir(m_env->home()).filePath("fps.png");
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(picture));
    deliver({}, {effect("11", "FPS", {}, picture), effect("12", "MOBA", {}, "https://cdn/moba.png")});
    QCOMPARE(m_page->gameGroup()->buttonById("11")->kind(), int(StyledButton::IconCard));
    QCOMPARE(m_page->gameGroup()->buttonById("12")->kind(), int(StyledButton::TextButton));
}

void TestEqOfficialPresetContent::clicksSelectThroughTheCoordinator()
{
    m_page->setActiveProfileCoordinator(m_coordinator.get());
    deliver({effect("1", "Pop"), effect("2", "Rock")}, {effect("11", "FPS")});
    QSignalSpy told(m_coordinator.get(), &EQActiveProfileCoordinator::activeSelectionChanged);

    m_page->basicGroup()->buttonById("2")->click();
    QCOMPARE(told.size(), 1);
    QCOMPARE(m_coordinator->activeSource(), EQActiveProfileCoordinator::OfficialBasic);
    QCOMPARE(m_coordinator->activeId(), QStringLiteral("2"));

    m_page->basicGroup()->buttonById("2")->click(); // already highlighted: nothing new
    QCOMPARE(told.size(), 1);
    QVERIFY(m_page->basicGroup()->buttonById("2")->isChecked());

    m_page->onGameCustomClicked();
    m_page->gameGroup()->buttonById("11")->click();
    QCOMPARE(told.size(), 2);
    QCOMPARE(m_coordinator->activeSource(), EQActiveProfileCoordinator::OfficialGame);
    QVERIFY(!m_page->basicGroup()->buttonById("2")->isChecked());
}

void TestEqOfficialPresetContent::followsTheActiveSelection_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("gameTab");
    QTest::addColumn<QString>("basicHighlight");
    QTest::addColumn<QString>("gameHighlight");
    QTest::newRow("basic preset") << int(EQActiveProfileCoordinator::OfficialBasic) << "2" << false << "2" << "";
    QTest::newRow("game preset") << int(EQActiveProfileCoordinator::OfficialGame) << "11" << true << "" << "11";
    QTest::newRow("game tab with nothing") << int(EQActiveProfileCoordinator::OfficialGame) << " " << true << "" << "";
    QTest::newRow("cloud: tab stays") << int(EQActiveProfileCoordinator::CloudDownload) << "5" << false << "" << "";
    QTest::newRow("custom: tab stays") << int(EQActiveProfileCoordinator::Custom) << "3" << false << "" << "";
}

void TestEqOfficialPresetContent::followsTheActiveSelection()
{
    QFETCH(int, source);
    QFETCH(QString, id);
    QFETCH(bool, gameTab);
    QFETCH(QString, basicHighlight);
    QFETCH(QString, gameHighlight);
    deliver({effect("1", "Pop"), effect("2", "Rock")}, {effect("11", "FPS")});
    m_coordinator->setActiveSelection(EQActiveProfileCoordinator::OfficialBasic, "1");
    m_page->setActiveProfileCoordinator(m_coordinator.get());
    QVERIFY(m_page->basicGroup()->buttonById("1")->isChecked());

    QSignalSpy told(m_coordinator.get(), &EQActiveProfileCoordinator::activeSelectionChanged);
    m_coordinator->setActiveSelection(static_cast<Source>(source), id);
    QCOMPARE(told.size(), 1); // not echoed back
    QCOMPARE(m_page->gameTab()->isChecked(), gameTab);
    QCOMPARE(m_page->basicTab()->isChecked(), !gameTab);
    QCOMPARE(m_page->pages()->currentIndex(), gameTab ? 1 : 0);
    const auto highlighted = [](StyledButtonGroup *group) {
        return group->currentButton() ? group->buttons().indexOf(group->currentButton()) : -1;
    };
    QCOMPARE(highlighted(m_page->basicGroup()),
             basicHighlight.isEmpty() ? -1 : m_page->basicGroup()->buttons().indexOf(m_page->basicGroup()->buttonById(basicHighlight)));
    QCOMPARE(highlighted(m_page->gameGroup()), gameHighlight.isEmpty() ? -1 : 0);
}

void TestEqOfficialPresetContent::highlightSurvivesRebuild()
{
    m_page->setActiveProfileCoordinator(m_coordinator.get());
    m_coordinator->setActiveSelection(EQActiveProfileCoordinator::OfficialGame, "12");
    QSignalSpy told(m_coordinator.get(), &EQActiveProfileCoordinator::activeSelectionChanged);
    deliver({effect("1", "Pop")}, {effect("11", "FPS"), effect("12", "MOBA")});
    QVERIFY(m_page->gameGroup()->buttonById("12")->isChecked());
    QVERIFY(m_page->gameTab()->isChecked());
    // Announced once, for the list that brought it (see announcesASelectionItsListChanges).
    QCOMPARE(told.size(), 1);
    deliver({effect("1", "Pop")}, {effect("11", "FPS"), effect("12", "MOBA")});
    QVERIFY(m_page->gameGroup()->buttonById("12")->isChecked());
    QCOMPARE(told.size(), 1);
}

void TestEqOfficialPresetContent::announcesASelectionItsListChanges_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("id");
    // Each step: "list:<ids>" delivers basic presets with those ids (":loud" gives one another sound),
    // "pid:<pid>" changes the product; the number after "=" is how often the selection was announced by then.
    QTest::addColumn<QStringList>("steps");
    const int basic = int(EQActiveProfileCoordinator::OfficialBasic);
    QTest::newRow("listed at once, then published again")
        << basic << "1" << QStringList{"list:1,2=1", "list:1,2=1", "list:2,1=1"};
    // The first list decides, with it or without it; later it shows up.
    QTest::newRow("missing, then listed") << basic << "7" << QStringList{"list:1=1", "list:1=1", "list:1,7=2"};
    QTest::newRow("listed, then gone") << basic << "1" << QStringList{"list:1=1", "list:2=2"};
    QTest::newRow("its sound changes") << basic << "1" << QStringList{"list:1=1", "list:1:loud=2"};
    QTest::newRow("another preset's sound changes") << basic << "1" << QStringList{"list:1,2=1", "list:1,2:loud=1"};
    QTest::newRow("another product's list") << basic << "1" << QStringList{"list:1=1", "pid:7=1", "list:1=2"};
    QTest::newRow("a custom slot is no concern of the page")
        << int(EQActiveProfileCoordinator::Custom) << "3" << QStringList{"list:1=0", "list:3=0"};
}

// A pick made before its list arrived could not be sent: the page announces
// it again when the list changes what it holds for it, and only then.
void TestEqOfficialPresetContent::announcesASelectionItsListChanges()
{
    QFETCH(int, source);
    QFETCH(QString, id);
    QFETCH(QStringList, steps);
    m_coordinator->setActiveSelection(Source(source), id);
    m_page->setActiveProfileCoordinator(m_coordinator.get());
    QSignalSpy told(m_coordinator.get(), &EQActiveProfileCoordinator::activeSelectionChanged);
    for (const QString &step : steps) {
        const QString action = step.section(QLatin1Char('='), 0, 0);
        const int expected = step.section(QLatin1Char('='), 1).toInt();
        const QString arg = action.section(QLatin1Char(':'), 1);
        if (action.startsWith(QLatin1String("pid:"))) {
            m_page->setPid(arg);
            QVERIFY(!m_page->hasList());
        } else {
            QList<EQEffect> list;
            for (const QString &key : arg.split(QLatin1Char(','))) {
                EQEffect e = effect(key.section(QLatin1Char(':'), 0, 0), QStringLiteral("preset"));
                if (key.endsWith(QLatin1String(":loud")))
                    e.sound = {6, 6};
                list.append(e);
            }
            deliver(list, {});
            QVERIFY(m_page->hasList());
        }
        QVERIFY2(told.size() == expected,
                 qPrintable(QStringLiteral("%1: announced %2 times").arg(step).arg(told.size())));
        for (const QList<QVariant> &announced : told) {
            QCOMPARE(announced.at(0).value<Source>(), Source(source));
            QCOMPARE(announced.at(1).toString(), id);
        }
    }
}

void TestEqOfficialPresetContent::findEffectRules()
{
    deliver({effect("1", "Pop")}, {effect("11", "FPS")});
    EQEffect out = effect("keep", "me");
    QVERIFY(!m_page->findEffect(EQActiveProfileCoordinator::OfficialBasic, "  ", out));
    QVERIFY(!m_page->findEffect(EQActiveProfileCoordinator::OfficialBasic, "11", out));
    QVERIFY(!m_page->findEffect(EQActiveProfileCoordinator::CloudDownload, "1", out));
    QVERIFY(!m_page->findEffect(EQActiveProfileCoordinator::Custom, "1", out));
    QCOMPARE(out.id, QStringLiteral("keep"));
    QVERIFY(m_page->findEffect(EQActiveProfileCoordinator::OfficialGame, "11", out));
    QCOMPARE(out.name, QStringLiteral("FPS"));
    QCOMPARE(out.sound, (QList<double>{1, 2}));
}

void TestEqOfficialPresetContent::fetchesOnShowAndProductChange()
{
    FakeApi::FakeApiServer server;
    QVERIFY(server.start());
    server.backend().eqCloud().setSoundList(
        "49678", QJsonArray{QJsonObject{{"id", 1}, {"name", "Pop"}, {"gain", "1"}, {"sort", 1}}});
    EarphoneApi::EqApi api;
    api.setBaseUrl(server.baseUrl());

    m_page->setEqApi(nullptr);
    m_page->setEqApi(&api);
    m_page->setPid("49678");
    QCOMPARE(server.requestCount(soundListRoute), 0); // hidden: nothing yet
    QSignalSpy loaded(m_page->soundList(), &EQSoundListController::officialSoundsLoaded);
    m_page->show();
    QTRY_COMPARE(server.requestCount(soundListRoute), 1);
    QCOMPARE(server.lastRequest(soundListRoute).field("pid"), QStringLiteral("49678"));
    QTRY_COMPARE(buttonTexts(m_page->basicGroup()), QStringList{"Pop"});

    m_page->setPid(" 49678 ");
    m_page->setPid("   ");
    m_page->hide();
    m_page->show();
    QCOMPARE(server.requestCount(soundListRoute), 1);

    m_page->setPid("777"); // visible: at once
    QTRY_COMPARE(server.requestCount(soundListRoute), 2);
    QCOMPARE(server.lastRequest(soundListRoute).field("pid"), QStringLiteral("777"));

    m_page->hide();
    m_page->setPid("888"); // hidden: on the next show
    QCOMPARE(server.requestCount(soundListRoute), 2);
    m_page->show();
    QTRY_COMPARE(server.requestCount(soundListRoute), 3);
    QCOMPARE(server.lastRequest(soundListRoute).field("pid"), QStringLiteral("888"));
    m_page.reset(); // before the API it listens to
}

void TestEqOfficialPresetContent::languageChange()
{
    deliver({effect("1", "流行", "Pop")}, {effect("11", "射击", "FPS")});
    QSignalSpy failed(m_page->soundList(), &EQSoundListController::fetchFailed);
    QSettings().setValue("ui/locale", "en_US");
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/i18n/VELKORA_en_US.qm")));
    QCoreApplication::installTranslator(&english);
    QTRY_COMPARE(m_page->basicTab()->buttonText(), QStringLiteral("Default"));
    QCOMPARE(m_page->gameTab()->buttonText(), QStringLiteral("Game"));
    QCOMPARE(buttonTexts(m_page->basicGroup()), QStringList{"Pop"});
    QCOMPARE(buttonTexts(m_page->gameGroup()), QStringList{"FPS"});
    // The list of the new language is asked for (no API here: the service reports that).
    QTRY_VERIFY(!failed.isEmpty());
    QCoreApplication::removeTranslator(&english);
}

void TestEqOfficialPresetContent::soundTestOfThePage()
{
    EQSoundEffectTestWidget *test = m_page->soundTest();
    QCOMPARE(test->pageKind(), int(EQSoundEffectTestWidget::OfficialPage));
    QVERIFY(!test->trackButton(3));
    m_page->setSoundTestState(false, true, " Rider ");
    QVERIFY(test->isWireless());
    QCOMPARE(test->wirelessDeviceName(), QStringLiteral("Rider"));
}

void TestEqOfficialPresetContent::namesFollowTheChosenLanguageInEveryStore_data()
{
    QTest::addColumn<SettingsStoreKind>("store");
    for (const auto &[store, name] : settingsStoreKinds())
        QTest::newRow(name) << store;
}

// The language the user picks names the presets for the rest of the session,
// also when the store could not keep it.
void TestEqOfficialPresetContent::namesFollowTheChosenLanguageInEveryStore()
{
    QFETCH(SettingsStoreKind, store);
    {
        // The system's language until the user picks one.
        QSettings settings;
        settings.remove("ui/locale");
        settings.setValue("Device/pid", "1");
    }
    const bool englishFirst = AppLanguageManager::systemDefaultLanguageCode() == QLatin1String("en_US");
    const QString chosen = englishFirst ? QStringLiteral("zh_CN") : QStringLiteral("en_US");
    const QStringList basicBefore{englishFirst ? "Pop" : "流行"};
    const QStringList basicAfter{englishFirst ? "流行" : "Pop"};
    const QStringList gameAfter{englishFirst ? "射击" : "FPS"};
    const QList<EQEffect> basic{effect("1", "流行", "Pop")};
    const QList<EQEffect> game{effect("11", "射击", "FPS")};
    deliver(basic, game);
    QCOMPARE(buttonTexts(m_page->basicGroup()), basicBefore);

    const std::unique_ptr<ReadOnlySettingsFile> locked = lockSettingsStore(store);
    if (locked)
        QVERIFY2(locked->isValid(), qPrintable(locked->path()));
    QCOMPARE(AppLanguageManager::saveLanguageCode(chosen), !locked);
    AppLanguageManager::applyLanguage(chosen);
    QTRY_COMPARE(buttonTexts(m_page->basicGroup()), basicAfter);
    QCOMPARE(buttonTexts(m_page->gameGroup()), gameAfter);
    // The list of the new language builds the page anew in it.
    deliver(basic, game);
    QCOMPARE(buttonTexts(m_page->basicGroup()), basicAfter);
    QCOMPARE(buttonTexts(m_page->gameGroup()), gameAfter);
    AppLanguageManager::applyLanguage(QStringLiteral("zh_CN"));
}

QTEST_MAIN(TestEqOfficialPresetContent)
#include "tst_eqofficialpresetcontent.moc"
