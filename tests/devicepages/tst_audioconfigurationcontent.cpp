#include "language/AppLanguageManager.h"
#include "widgets/CustomClickableLabel.h"
#include "widgets/WindowSlidingControl.h"
#include "widgets/WindowSwitchButton.h"
#include "devicepages/AudioConfigurationContent.h"
#include "devicepages/DevicePageStyles.h"
#include "audiocontrol/WindowsAudioController.h"
#include "tests/devicepages/AudioTestEndpoints.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace AudioTestEndpoints;
using Platform::AudioDirection;
using Platform::InMemoryAudioEndpointSystem;
namespace State = Platform::AudioEndpointState;

namespace {

const QString kSpeakers = QStringLiteral("Speakers (Realtek)");
const QString kHeadset = QStringLiteral("Headphones (VELKORA QOR)");

qreal opacityOf(QWidget *widget)
{
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(widget->graphicsEffect());
    return effect ? effect->opacity() : 1.0;
}

} // namespace

class TestAudioConfigurationContent : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void titlesBeforeFirstShow();
    void showingSynchronises();
    void playbackSwitchOffMutesAndDims();
    void playbackSwitchOnUnmutesAndTakesEndpointVolume();
    void outsideMuteMovesSwitchWithoutWritingBack();
    void sliderWritesVolume();
    void disabledPlaybackEndpointWritesNothing();
    void reenabledEndpointRestoresRow();
    void microphoneIsGatedByThePlaybackEndpoint_data();
    void microphoneIsGatedByThePlaybackEndpoint();
    void soundLinkOpensSettingsOnlyWhileUsable();
    void languageChangeRetranslates();
    void soundLinkIsNamedForThisPlatform();
    void stuckAudioServerLeavesThePageResponsive();

private:
    template <typename T>
    T *child(const char *name)
    {
        T *found = m_page->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }

    void addEndpoints(const QList<Endpoint> &endpoints, const QString &defaultPlayback,
                      const QString &defaultRecording);
    void showPage();
    // Waits until the controller's requests are answered and what they caused has been handled.
    void settle();

    std::shared_ptr<InMemoryAudioEndpointSystem> m_system;
    int m_controllersMade = 0;
    std::unique_ptr<AudioConfigurationContent> m_page;
};

void TestAudioConfigurationContent::init()
{
    m_system = std::make_shared<InMemoryAudioEndpointSystem>();
    m_controllersMade = 0;
    Platform::IAudioEndpointSystem::setFactory([this] {
        ++m_controllersMade;
        return m_system;
    });
    m_page = std::make_unique<AudioConfigurationContent>();
}

void TestAudioConfigurationContent::cleanup()
{
    m_page.reset();
    Platform::IAudioEndpointSystem::setFactory({});
    m_system.reset();
    AppLanguageManager::applyLanguage(QStringLiteral("zh_CN"));
}

void TestAudioConfigurationContent::addEndpoints(const QList<Endpoint> &endpoints, const QString &defaultPlayback,
                                                 const QString &defaultRecording)
{
    for (const Endpoint &endpoint : endpoints)
        m_system->addEndpoint(endpoint);
    m_system->setDefaultEndpoint(AudioDirection::Playback, defaultPlayback);
    m_system->setDefaultEndpoint(AudioDirection::Recording, defaultRecording);
}

void TestAudioConfigurationContent::showPage()
{
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    // The state the controller posts when it is made.
    settle();
}

void TestAudioConfigurationContent::settle()
{
    auto *controller = m_page->findChild<WindowsAudioController *>();
    if (!controller)
        return;
    // An answer may lead to another request (a slider taking a level writes it).
    for (int round = 0; round < 10; ++round) {
        QTRY_VERIFY(!controller->hasPendingRequests());
        QVERIFY(m_system->waitForDelivery());
        QCoreApplication::processEvents();
        if (!controller->hasPendingRequests())
            return;
    }
    QFAIL("the controller kept asking");
}

void TestAudioConfigurationContent::titlesBeforeFirstShow()
{
    addEndpoints({playback("hs", kHeadset, State::Disabled)}, QString(), QString());
    QCOMPARE(child<QLabel>("systemTitle")->text(), QStringLiteral("系统音量"));
    QCOMPARE(child<QLabel>("microphoneTitle")->text(), QStringLiteral("麦克风"));
    QCOMPARE(child<QLabel>("systemTitle")->styleSheet(), DevicePageStyles::title());
    QVERIFY(child<WindowSwitchButton>("systemSwitch")->isChecked());
    QVERIFY(child<WindowSlidingControl>("systemSlider")->isEnabled());
    QCOMPARE(m_controllersMade, 0);
}

void TestAudioConfigurationContent::showingSynchronises()
{
    addEndpoints({playback("spk", kSpeakers, State::Active, 0.42f, false),
                  recording("mic", "Microphone", State::Active, 0.7f, true)},
                 "spk", "mic");
    showPage();
    QCOMPARE(m_controllersMade, 1);
    QCOMPARE(child<WindowSlidingControl>("systemSlider")->value(), 42);
    QVERIFY(child<WindowSwitchButton>("systemSwitch")->isChecked());
    QCOMPARE(child<WindowSlidingControl>("microphoneSlider")->value(), 70);
    QVERIFY(!child<WindowSwitchButton>("microphoneSwitch")->isChecked());
    QVERIFY(!child<WindowSlidingControl>("microphoneSlider")->isEnabled());
    QCOMPARE(opacityOf(child<WindowSlidingControl>("microphoneSlider")), 0.38);
    // Bringing the page up to date wrote nothing back.
    QCOMPARE(m_system->volumeWrites("spk") + m_system->muteWrites("spk"), 0);
    QCOMPARE(m_system->volumeWrites("mic") + m_system->muteWrites("mic"), 0);
}

void TestAudioConfigurationContent::playbackSwitchOffMutesAndDims()
{
    addEndpoints({playback("spk", kSpeakers, State::Active, 0.42f, false)}, "spk", QString());
    showPage();
    auto *toggle = child<WindowSwitchButton>("systemSwitch");
    auto *slider = child<WindowSlidingControl>("systemSlider");

    QTest::mouseClick(toggle, Qt::LeftButton);
    settle();
    QVERIFY(!toggle->isChecked());
    QVERIFY(m_system->record("spk")->muted);
    QVERIFY(!slider->isEnabled());
    QCOMPARE(opacityOf(slider), 0.38);
    QCOMPARE(m_system->volumeWrites("spk"), 0);
}

void TestAudioConfigurationContent::playbackSwitchOnUnmutesAndTakesEndpointVolume()
{
    addEndpoints({playback("spk", kSpeakers, State::Active, 0.42f, true)}, "spk", QString());
    showPage();
    auto *toggle = child<WindowSwitchButton>("systemSwitch");
    auto *slider = child<WindowSlidingControl>("systemSlider");
    QVERIFY(!toggle->isChecked());

    // Another program changed the volume; its notification has not been handled yet.
    m_system->changeVolumeFromOutside("spk", 0.55f, true);
    QTest::mouseClick(toggle, Qt::LeftButton);
    settle();

    QVERIFY(!m_system->record("spk")->muted);
    QCOMPARE(slider->value(), 55);
    QVERIFY(slider->isEnabled());
    QCOMPARE(opacityOf(slider), 1.0);
    // The slider moved by itself and wrote the value it was given once.
    QCOMPARE(m_system->volumeWrites("spk"), 1);
    QCOMPARE(m_system->record("spk")->scalar, 0.55f);
}

void TestAudioConfigurationContent::outsideMuteMovesSwitchWithoutWritingBack()
{
    addEndpoints({playback("spk", kSpeakers, State::Active, 0.42f, false),
                  recording("mic", "Microphone", State::Active, 0.3f, false)},
                 "spk", "mic");
    showPage();

    m_system->changeVolumeFromOutside("spk", 0.2f, true);
    m_system->changeVolumeFromOutside("mic", 0.6f, true);
    QTRY_VERIFY(!child<WindowSwitchButton>("microphoneSwitch")->isChecked());
    QVERIFY(!child<WindowSwitchButton>("systemSwitch")->isChecked());
    QCOMPARE(child<WindowSlidingControl>("systemSlider")->value(), 20);
    QCOMPARE(child<WindowSlidingControl>("microphoneSlider")->value(), 60);
    QVERIFY(!child<WindowSlidingControl>("systemSlider")->isEnabled());

    for (const char *id : {"spk", "mic"}) {
        QCOMPARE(m_system->muteWrites(id), 0);
        QCOMPARE(m_system->volumeWrites(id), 0);
    }
}

void TestAudioConfigurationContent::sliderWritesVolume()
{
    addEndpoints({playback("spk", kSpeakers, State::Active, 0.42f, false),
                  recording("mic", "Microphone", State::Active, 0.3f, false)},
                 "spk", "mic");
    showPage();
    child<WindowSlidingControl>("systemSlider")->setValue(30);
    child<WindowSlidingControl>("microphoneSlider")->setValue(81);
    settle();
    QCOMPARE(m_system->record("spk")->scalar, 0.30f);
    QCOMPARE(m_system->record("mic")->scalar, 0.81f);
}

void TestAudioConfigurationContent::disabledPlaybackEndpointWritesNothing()
{
    addEndpoints({playback("spk", kSpeakers), playback("hs", kHeadset, State::Disabled)}, "spk", QString());
    m_page->setConnectionMode(true, false, QString());
    showPage();
    auto *title = child<QLabel>("systemTitle");
    auto *toggle = child<WindowSwitchButton>("systemSwitch");
    QCOMPARE(title->text(), QStringLiteral("检测到音量已被禁用"));
    QCOMPARE(title->styleSheet(), DevicePageStyles::disabledTitle());
    QVERIFY(!toggle->isEnabled());
    QVERIFY(!child<WindowSlidingControl>("systemSlider")->isEnabled());
    QVERIFY(!child<CustomClickableLabel>("soundLink")->isClickable());
    QCOMPARE(opacityOf(child<QWidget>("soundLinkRow")), 0.38);

    toggle->setChecked(false);
    settle();
    QCOMPARE(m_system->muteWrites("hs") + m_system->muteWrites("spk"), 0);
    QCOMPARE(title->text(), QStringLiteral("检测到音量已被禁用"));
}

void TestAudioConfigurationContent::reenabledEndpointRestoresRow()
{
    addEndpoints({playback("spk", kSpeakers), playback("hs", kHeadset, State::Disabled, 0.66f)}, "spk", QString());
    m_page->setConnectionMode(true, false, QString());
    showPage();
    QCOMPARE(child<QLabel>("systemTitle")->text(), QStringLiteral("检测到音量已被禁用"));

    // The user switches the headset back on in the desktop's settings.
    m_system->setEndpointState("hs", State::Active);
    m_system->raiseTopologyChange(Platform::AudioTopologyEvent::StateChanged);
    QTRY_COMPARE(child<QLabel>("systemTitle")->text(), QStringLiteral("系统音量"));
    QVERIFY(child<WindowSwitchButton>("systemSwitch")->isEnabled());
    QCOMPARE(child<WindowSlidingControl>("systemSlider")->value(), 66);
    QVERIFY(child<CustomClickableLabel>("soundLink")->isClickable());
    QCOMPARE(opacityOf(child<QWidget>("soundLinkRow")), 1.0);
}

void TestAudioConfigurationContent::microphoneIsGatedByThePlaybackEndpoint_data()
{
    QTest::addColumn<bool>("withPlayback");
    QTest::newRow("playback endpoint bound") << true;
    QTest::newRow("no playback endpoint") << false;
}

void TestAudioConfigurationContent::microphoneIsGatedByThePlaybackEndpoint()
{
    QFETCH(bool, withPlayback);
    if (withPlayback)
        addEndpoints({playback("spk", kSpeakers), recording("mic", "Microphone", State::Active, 0.3f, false)}, "spk",
                     "mic");
    else
        addEndpoints({recording("mic", "Microphone", State::Active, 0.3f, false)}, QString(), "mic");
    showPage();
    auto *toggle = child<WindowSwitchButton>("microphoneSwitch");
    auto *slider = child<WindowSlidingControl>("microphoneSlider");
    QCOMPARE(slider->value(), 30);

    slider->setValue(33);
    settle();
    QCOMPARE(m_system->record("mic")->scalar, withPlayback ? 0.33f : 0.3f);

    QTest::mouseClick(toggle, Qt::LeftButton);
    settle();
    QCOMPARE(m_system->record("mic")->muted, withPlayback);
    QCOMPARE(m_system->muteWrites("mic"), withPlayback ? 1 : 0);
    // Written or not, the slider follows the switch.
    QVERIFY(!toggle->isChecked());
    QVERIFY(!slider->isEnabled());
    QCOMPARE(opacityOf(slider), 0.38);
    QCOMPARE(child<QLabel>("microphoneTitle")->text(), QStringLiteral("麦克风"));

    QTest::mouseClick(toggle, Qt::LeftButton);
    settle();
    QVERIFY(toggle->isChecked());
    QVERIFY(slider->isEnabled());
    QCOMPARE(opacityOf(slider), 1.0);
    QVERIFY(!m_system->record("mic")->muted);
}

void TestAudioConfigurationContent::soundLinkOpensSettingsOnlyWhileUsable()
{
    addEndpoints({playback("spk", kSpeakers), playback("hs", kHeadset)}, "spk", QString());
    showPage();
    auto *link = child<CustomClickableLabel>("soundLink");
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(m_system->soundSettingsOpened(), 1);

    m_system->setEndpointState("hs", State::Disabled);
    m_page->setConnectionMode(true, false, QString());
    settle();
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(m_system->soundSettingsOpened(), 1);
}

void TestAudioConfigurationContent::languageChangeRetranslates()
{
    addEndpoints({playback("spk", kSpeakers), playback("hs", kHeadset, State::Disabled), recording("mic", "Microphone")},
                 "spk", "mic");
    showPage();
    QVERIFY(AppLanguageManager::applyLanguage(QStringLiteral("en_US")));
    QTRY_COMPARE(child<QLabel>("systemTitle")->text(), QStringLiteral("System Volume"));
    QCOMPARE(child<QLabel>("microphoneTitle")->text(), QStringLiteral("Mic"));
#ifdef Q_OS_WIN
    QCOMPARE(child<CustomClickableLabel>("soundLink")->text(), QStringLiteral("<u>Windows Audio Device</u>"));
#else
    QCOMPARE(child<CustomClickableLabel>("soundLink")->text(), QStringLiteral("<u>Sound Settings</u>"));
#endif

    m_page->setConnectionMode(true, false, QString());
    settle();
    QCOMPARE(child<QLabel>("systemTitle")->text(), QStringLiteral("Volume Muted"));
}

void TestAudioConfigurationContent::soundLinkIsNamedForThisPlatform()
{
    auto *link = child<CustomClickableLabel>("soundLink");
#ifdef Q_OS_WIN
    QCOMPARE(link->text(), QStringLiteral("<u>Windows 声音设备</u>"));
#else
    // What it opens is the desktop's own sound settings, not the Windows control panel.
    QCOMPARE(link->text(), QStringLiteral("<u>声音设置</u>"));
    QVERIFY(AppLanguageManager::applyLanguage(QStringLiteral("en_US")));
    QTRY_COMPARE(link->text(), QStringLiteral("<u>Sound Settings</u>"));
    QVERIFY(AppLanguageManager::applyLanguage(QStringLiteral("zh_CN")));
    QTRY_COMPARE(link->text(), QStringLiteral("<u>声音设置</u>"));
#endif
}

void TestAudioConfigurationContent::stuckAudioServerLeavesThePageResponsive()
{
    addEndpoints({playback("spk", kSpeakers, State::Active, 0.42f, false),
                  recording("mic", "Microphone", State::Active, 0.7f, false)},
                 "spk", "mic");
    m_system->setStalled(true);
    auto release = qScopeGuard([this] { m_system->setStalled(false); });

    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    QTRY_VERIFY(m_system->stalledCalls() > 0);
    // The server does not answer, yet the page's thread goes on handling events.
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
    ticker.start(5);
    QTRY_VERIFY(ticks >= 3);
    QTest::mouseClick(child<WindowSwitchButton>("systemSwitch"), Qt::LeftButton);
    QVERIFY(!child<WindowSwitchButton>("systemSwitch")->isChecked());
    QVERIFY(m_system->stalledCalls() > 0);
    QCOMPARE(child<QLabel>("systemTitle")->text(), QStringLiteral("系统音量"));

    release.dismiss();
    m_system->setStalled(false);
    settle();
    QCOMPARE(child<WindowSlidingControl>("systemSlider")->value(), 42);
    QCOMPARE(child<WindowSlidingControl>("microphoneSlider")->value(), 70);
    // The page takes the endpoint's state once it is known.
    QVERIFY(child<WindowSwitchButton>("systemSwitch")->isChecked());
    QCOMPARE(m_system->muteWrites("spk"), 0);
}

QTEST_MAIN(TestAudioConfigurationContent)
#include "tst_audioconfigurationcontent.moc"
