#include "audiocontrol/WindowsAudioController.h"
#include "platform/audioendpoint/AudioEndpointThread.h"
#include "tests/devicepages/AudioTestEndpoints.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <cstdlib>
#include <limits>

using namespace AudioTestEndpoints;
using Platform::AudioDirection;
using Platform::InMemoryAudioEndpointSystem;
namespace State = Platform::AudioEndpointState;

using EndpointList = QList<Endpoint>;
using ListenWrites = std::vector<std::pair<QString, bool>>;
Q_DECLARE_METATYPE(EndpointList)

namespace {

std::shared_ptr<InMemoryAudioEndpointSystem> systemWith(const EndpointList &endpoints, const QString &defaultPlayback,
                                                        const QString &defaultRecording = QString())
{
    auto system = std::make_shared<InMemoryAudioEndpointSystem>();
    for (const Endpoint &endpoint : endpoints)
        system->addEndpoint(endpoint);
    system->setDefaultEndpoint(AudioDirection::Playback, defaultPlayback);
    system->setDefaultEndpoint(AudioDirection::Recording, defaultRecording);
    return system;
}

// Waits until every request of the controller has been answered.
bool settle(WindowsAudioController &controller)
{
    return QTest::qWaitFor([&] { return !controller.hasPendingRequests(); }, 5000);
}

// The playback endpoint a write through the controller reaches, or empty when none.
QString boundPlayback(WindowsAudioController &controller, const InMemoryAudioEndpointSystem &system,
                      const EndpointList &endpoints)
{
    if (!controller.setSystemVolume(77))
        return {};
    if (!settle(controller))
        return QStringLiteral("(no answer)");
    for (const Endpoint &endpoint : endpoints) {
        if (system.volumeWrites(endpoint.id) > 0)
            return endpoint.id;
    }
    return QStringLiteral("?");
}

// Records the controller's signals in order as "name:value".
QStringList *recordSignals(WindowsAudioController &controller)
{
    auto *log = new QStringList;
    QObject::connect(&controller, &QObject::destroyed, [log] { delete log; });
    QObject::connect(&controller, &WindowsAudioController::systemVolumeChanged,
                     [log](int v) { log->append(QStringLiteral("systemVolume:%1").arg(v)); });
    QObject::connect(&controller, &WindowsAudioController::systemMuteChanged,
                     [log](bool m) { log->append(QStringLiteral("systemMute:%1").arg(m)); });
    QObject::connect(&controller, &WindowsAudioController::microphoneVolumeChanged,
                     [log](int v) { log->append(QStringLiteral("microphoneVolume:%1").arg(v)); });
    QObject::connect(&controller, &WindowsAudioController::microphoneMuteChanged,
                     [log](bool m) { log->append(QStringLiteral("microphoneMute:%1").arg(m)); });
    QObject::connect(&controller, &WindowsAudioController::endpointsRebound,
                     [log] { log->append(QStringLiteral("rebound")); });
    return log;
}

const QString kSpeakers = QStringLiteral("Speakers (Realtek High Definition Audio)");
const QString kWiredHeadset = QStringLiteral("Headphones (VELKORA QOR)");

// Set in the environment of a child run of this program: it ends while its
// audio thread waits for a silent sound server, "stuck" or "released" just
// before the end.
constexpr const char *kExitChildVariable = "VELKORA_TEST_AUDIO_EXIT_CHILD";

int exitWhileAudioIsStuck(bool releaseAtExit)
{
    int argc = 1;
    char name[] = "tst_windowsaudiocontroller";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    auto system = systemWith({playback("spk", kSpeakers)}, QStringLiteral("spk"));
    auto *controller = new WindowsAudioController(system);
    if (!settle(*controller))
        return 3;
    system->setStalled(true);
    controller->refreshEndpoints();
    if (!QTest::qWaitFor([&] { return system->stalledCalls() > 0; }, 5000))
        return 4;
    delete controller;
    if (releaseAtExit)
        system->setStalled(false);
    return 0;
}

} // namespace

class TestWindowsAudioController : public QObject
{
    Q_OBJECT
public:
    static void initMain()
    {
        const QByteArray child = qgetenv(kExitChildVariable);
        if (!child.isEmpty())
            std::exit(exitWhileAudioIsStuck(child == "released"));
    }

private slots:
    void percentFromScalar_data();
    void percentFromScalar();
    void scalarFromPercent_data();
    void scalarFromPercent();
    void findHeadsetEndpointName_data();
    void findHeadsetEndpointName();

    void bindsHeadsetEndpoint_data();
    void bindsHeadsetEndpoint();
    void onlyDisabledHeadsetEndpoint();
    void disabledDetection_data();
    void disabledDetection();
    void headsetNamedAfterStartIsBoundAtRefresh();

    void constructionPostsCurrentState();
    void notificationsArriveOnOwnThread();
    void ownWritesComeBackAsNotifications();
    void topologyBurstRebindsOnceAfterLastNotification();
    void refreshWithUnchangedDefaultsDoesNothing();
    void refreshAfterDefaultChangeRebinds();
    void failedTopologyRegistrationLeavesControllerWorking();
    void inertWithoutAudioSystem();

    void listenSwitchesOtherBrandMicrophonesOff();
    void listenNeedsBoundMicrophone();
    void openSoundControlPanel_data();
    void openSoundControlPanel();

    void destructionWhileNotificationsAreInFlight();
    void stalledAudioSystemNeverHoldsUpTheCaller();
    void writeReachesOnlyTheEndpointOnShow_data();
    void writeReachesOnlyTheEndpointOnShow();
    void destructionDoesNotWaitForAStuckAudioSystem();
    void programEndsWhileAudioIsStuck_data();
    void programEndsWhileAudioIsStuck();
};

void TestWindowsAudioController::percentFromScalar_data()
{
    QTest::addColumn<float>("scalar");
    QTest::addColumn<int>("percent");
    QTest::newRow("half rounds away from zero") << 0.125f << 13;
    QTest::newRow("below half rounds down") << 0.504f << 50;
    QTest::newRow("full") << 1.0f << 100;
    QTest::newRow("silent") << 0.0f << 0;
    QTest::newRow("another exact half") << 0.375f << 38;
    QTest::newRow("above full") << 1.5f << 100;
    QTest::newRow("below silent") << -0.2f << 0;
    QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << 0;
}

void TestWindowsAudioController::percentFromScalar()
{
    QFETCH(float, scalar);
    QFETCH(int, percent);
    QCOMPARE(WindowsAudioController::percentFromScalar(scalar), percent);
}

void TestWindowsAudioController::scalarFromPercent_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<float>("scalar");
    QTest::newRow("above range") << 150 << 1.0f;
    QTest::newRow("below range") << -5 << 0.0f;
    QTest::newRow("inside") << 37 << 0.37f;
    QTest::newRow("full") << 100 << 1.0f;
}

void TestWindowsAudioController::scalarFromPercent()
{
    QFETCH(int, percent);
    QFETCH(float, scalar);
    QCOMPARE(WindowsAudioController::scalarFromPercent(percent), scalar);
}

void TestWindowsAudioController::findHeadsetEndpointName_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<bool>("wired");
    QTest::addColumn<bool>("wireless");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("found");
    QTest::newRow("wired decoder") << "Speakers (Velkora Qor Audio)" << true << false << "" << true;
    QTest::newRow("wired needs the model") << "Speakers (VELKORA Zarvex)" << true << false << "" << false;
    QTest::newRow("wired wins over wireless") << "Headset (my name)" << true << true << "my name" << false;
    QTest::newRow("wireless by its name") << "Headset (Studio One)" << false << true << "  studio one " << true;
    QTest::newRow("wireless by brand and receiver") << "VELKORA ZARVEX Dongle" << false << true << "" << true;
    QTest::newRow("wireless is never the decoder") << "VELKORA ZARVEX QOR" << false << true << "" << false;
    QTest::newRow("no mode") << "VELKORA QOR" << false << false << "" << false;
}

void TestWindowsAudioController::findHeadsetEndpointName()
{
    QFETCH(QString, description);
    QFETCH(bool, wired);
    QFETCH(bool, wireless);
    QFETCH(QString, name);
    QFETCH(bool, found);
    QCOMPARE(WindowsAudioController::findHeadsetEndpointName(description, wired, wireless, name), found);
}

void TestWindowsAudioController::bindsHeadsetEndpoint_data()
{
    QTest::addColumn<EndpointList>("endpoints");
    QTest::addColumn<bool>("wired");
    QTest::addColumn<bool>("wireless");
    QTest::addColumn<QString>("preferredName");
    QTest::addColumn<QString>("bound");

    const Endpoint speakers = playback("spk", kSpeakers);
    QTest::newRow("wired: brand and model in lower case")
        << EndpointList{speakers, playback("hs", "Kopfhörer (velkora qor)")} << true << false << "" << "hs";
    QTest::newRow("wireless: the wired decoder is rejected although it names the brand")
        << EndpointList{speakers, playback("hs", "velkora qor zarvex")} << false << true << "" << "spk";
    QTest::newRow("wireless: the reported name in another letter case")
        << EndpointList{speakers, playback("hs", "Headphones (My QOR Cans)")} << false << true << "  my qor cans "
        << "hs";
    QTest::newRow("wireless: brand alone is not enough")
        << EndpointList{speakers, playback("hs", "VELKORA Speakers")} << false << true << "" << "spk";
    QTest::newRow("wireless: brand and receiver word")
        << EndpointList{speakers, playback("hs", "Headset (Velkora Zarvex)")} << false << true << "" << "hs";
    QTest::newRow("the active match wins over an earlier disabled one")
        << EndpointList{speakers, playback("off", kWiredHeadset, State::Disabled), playback("on", kWiredHeadset)}
        << true << false << "" << "on";
    QTest::newRow("of two active matches the first wins")
        << EndpointList{speakers, playback("first", kWiredHeadset), playback("second", kWiredHeadset)} << true
        << false << "" << "first";
    QTest::newRow("without a mode the default is bound and no name is tested")
        << EndpointList{playback("hs", kWiredHeadset), speakers} << false << false << "" << "spk";
    QTest::newRow("wired wins over wireless")
        << EndpointList{speakers, playback("hs", kWiredHeadset)} << true << true << "Realtek" << "hs";
    QTest::newRow("no match falls back to the default")
        << EndpointList{speakers, playback("other", "USB Audio")} << true << false << "" << "spk";
}

void TestWindowsAudioController::bindsHeadsetEndpoint()
{
    QFETCH(EndpointList, endpoints);
    QFETCH(bool, wired);
    QFETCH(bool, wireless);
    QFETCH(QString, preferredName);
    QFETCH(QString, bound);

    auto system = systemWith(endpoints, QStringLiteral("spk"));
    WindowsAudioController controller(system);
    controller.setPreferredDeviceName(wired, wireless, preferredName);
    QVERIFY(controller.refreshEndpoints());
    QVERIFY(settle(controller));
    QCOMPARE(boundPlayback(controller, *system, endpoints), bound);
}

void TestWindowsAudioController::onlyDisabledHeadsetEndpoint()
{
    auto system = systemWith({playback("spk", kSpeakers), playback("hs", kWiredHeadset, State::Disabled)},
                             QStringLiteral("spk"));
    WindowsAudioController controller(system);
    controller.setPreferredDeviceName(true, false, QString());
    QSignalSpy rebound(&controller, &WindowsAudioController::endpointsRebound);
    QVERIFY(controller.refreshEndpoints()); // asked; what it bound comes back with endpointsRebound
    QVERIFY(rebound.wait());

    // The headset's own endpoint is bound, so the page shows it as disabled
    // rather than quietly driving the speakers.
    QCOMPARE(controller.systemVolume(), -1);
    QVERIFY(!controller.hasSystemEndpoint());
    QVERIFY(controller.isSystemEndpointDisabled());
    QVERIFY(!controller.setSystemMuted(true));
    QVERIFY(settle(controller));
    QCOMPARE(system->muteWrites(QStringLiteral("spk")), 0);
}

void TestWindowsAudioController::disabledDetection_data()
{
    QTest::addColumn<EndpointList>("endpoints");
    QTest::addColumn<QString>("defaultId");
    QTest::addColumn<bool>("wired");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<bool>("disabled");

    const Endpoint speakers = playback("spk", kSpeakers);
    QTest::newRow("no mode: active default") << EndpointList{speakers} << "spk" << false << true << false;
    QTest::newRow("no mode: no default at all") << EndpointList{speakers} << "" << false << true << true;
    QTest::newRow("no mode: unplugged default")
        << EndpointList{playback("spk", kSpeakers, State::Unplugged)} << "spk" << false << true << true;
    QTest::newRow("no mode: unreadable default counts as usable")
        << EndpointList{speakers} << "spk" << false << false << false;
    QTest::newRow("headset: switched off and nothing of it active")
        << EndpointList{speakers, playback("hs", kWiredHeadset, State::Disabled)} << "spk" << true << true << true;
    QTest::newRow("headset: one switched off, another active")
        << EndpointList{speakers, playback("off", kWiredHeadset, State::Disabled), playback("on", kWiredHeadset)}
        << "spk" << true << true << false;
    QTest::newRow("headset: bound endpoint gone")
        << EndpointList{speakers, playback("hs", kWiredHeadset, State::NotPresent)} << "spk" << true << true << true;
    QTest::newRow("headset: absent, unplugged default is someone else's")
        << EndpointList{playback("spk", kSpeakers, State::Unplugged)} << "spk" << true << true << false;
    QTest::newRow("headset: absent, no default") << EndpointList{speakers} << "" << true << true << false;
}

void TestWindowsAudioController::disabledDetection()
{
    QFETCH(EndpointList, endpoints);
    QFETCH(QString, defaultId);
    QFETCH(bool, wired);
    QFETCH(bool, readable);
    QFETCH(bool, disabled);

    auto system = systemWith(endpoints, defaultId);
    WindowsAudioController controller(system);
    controller.setPreferredDeviceName(wired, false, QString());
    QVERIFY(settle(controller));
    // Binding does not read single endpoints, so failing those reads first
    // binds as before; the availability is read after the binding.
    system->setFailing(InMemoryAudioEndpointSystem::Failure::ReadEndpoint, !readable);
    controller.refreshEndpoints();
    QVERIFY(settle(controller));
    QCOMPARE(controller.isSystemEndpointDisabled(), disabled);
}

void TestWindowsAudioController::headsetNamedAfterStartIsBoundAtRefresh()
{
    // The headset is recognised long after the controller bound the defaults;
    // the defaults themselves did not change.
    auto system = systemWith({playback("spk", kSpeakers, State::Active, 0.2f), playback("hs", kWiredHeadset)},
                             QStringLiteral("spk"));
    WindowsAudioController controller(system);
    QVERIFY(settle(controller));
    QCOMPARE(controller.systemVolume(), 20);
    QSignalSpy rebound(&controller, &WindowsAudioController::endpointsRebound);

    controller.setPreferredDeviceName(true, false, QString());
    QCOMPARE(controller.systemVolume(), 20); // naming alone does not rebind
    QVERIFY(settle(controller));
    QCOMPARE(controller.systemVolume(), 20);
    QVERIFY(controller.refreshEndpoints());
    QVERIFY(settle(controller));
    QCOMPARE(rebound.count(), 1);
    QCOMPARE(controller.systemVolume(), 50);
}

void TestWindowsAudioController::constructionPostsCurrentState()
{
    auto system = systemWith({playback("spk", kSpeakers, State::Active, 0.4f, true),
                              recording("mic", "Microphone", State::Active, 0.9f, false)},
                             QStringLiteral("spk"), QStringLiteral("mic"));
    WindowsAudioController controller(system);
    QStringList *log = recordSignals(controller);
    QVERIFY(log->isEmpty()); // posted, so whoever created it can connect first
    QTRY_COMPARE(log->size(), 4);
    QCOMPARE(*log, (QStringList{"systemVolume:40", "systemMute:1", "microphoneVolume:90", "microphoneMute:0"}));
}

void TestWindowsAudioController::notificationsArriveOnOwnThread()
{
    auto system = systemWith({playback("spk", kSpeakers), recording("mic", "Microphone")}, QStringLiteral("spk"),
                             QStringLiteral("mic"));
    WindowsAudioController controller(system);
    QVERIFY(settle(controller));
    QTRY_VERIFY(system->waitForDelivery());
    QCoreApplication::processEvents();

    QStringList *log = recordSignals(controller);
    QList<QThread *> threads;
    connect(&controller, &WindowsAudioController::systemVolumeChanged, this,
            [&threads] { threads.append(QThread::currentThread()); }, Qt::DirectConnection);
    connect(&controller, &WindowsAudioController::microphoneVolumeChanged, this,
            [&threads] { threads.append(QThread::currentThread()); }, Qt::DirectConnection);

    system->changeVolumeFromOutside(QStringLiteral("spk"), 0.3f, true);
    system->changeVolumeFromOutside(QStringLiteral("mic"), 0.615f, false);
    QTRY_COMPARE(log->size(), 4);
    QCOMPARE(*log, (QStringList{"systemVolume:30", "systemMute:1", "microphoneVolume:62", "microphoneMute:0"}));
    QCOMPARE(threads, (QList<QThread *>{controller.thread(), controller.thread()}));
}

void TestWindowsAudioController::ownWritesComeBackAsNotifications()
{
    auto system = systemWith({playback("spk", kSpeakers)}, QStringLiteral("spk"));
    WindowsAudioController controller(system);
    QSignalSpy volume(&controller, &WindowsAudioController::systemVolumeChanged);
    QVERIFY(volume.wait()); // the state posted at construction
    volume.clear();

    QVERIFY(controller.setSystemVolume(64));
    QVERIFY(volume.wait());
    QCOMPARE(volume.last().at(0).toInt(), 64);
    QCOMPARE(system->record(QStringLiteral("spk"))->scalar, 0.64f);
}

void TestWindowsAudioController::topologyBurstRebindsOnceAfterLastNotification()
{
    auto system = systemWith({playback("spk", kSpeakers)}, QStringLiteral("spk"));
    WindowsAudioController controller(system);
    QSignalSpy rebound(&controller, &WindowsAudioController::endpointsRebound);

    // Five changes 50 ms apart, each from the audio system's own thread.
    int raised = 0;
    QElapsedTimer sinceLast;
    QTimer pacer;
    pacer.setInterval(50);
    connect(&pacer, &QTimer::timeout, this, [&] {
        system->raiseTopologyChange(Platform::AudioTopologyEvent::Added);
        QVERIFY(system->waitForDelivery());
        sinceLast.start();
        if (++raised == 5)
            pacer.stop();
    });
    pacer.start();

    QVERIFY(rebound.wait(5000));
    QCOMPARE(raised, 5);
    QVERIFY2(sinceLast.elapsed() >= 190, qPrintable(QString::number(sinceLast.elapsed())));

    // Nothing else is pending: the debounce timer is idle and the system has delivered everything.
    QVERIFY(system->waitForDelivery());
    QCoreApplication::processEvents();
    const auto timers = controller.findChildren<QTimer *>();
    QCOMPARE(timers.size(), 1);
    QVERIFY(!timers.first()->isActive());
    QCOMPARE(rebound.count(), 1);
}

void TestWindowsAudioController::refreshWithUnchangedDefaultsDoesNothing()
{
    auto system = systemWith({playback("spk", kSpeakers), recording("mic", "Microphone")}, QStringLiteral("spk"),
                             QStringLiteral("mic"));
    WindowsAudioController controller(system);
    QVERIFY(settle(controller));
    QTRY_VERIFY(system->waitForDelivery());
    QCoreApplication::processEvents();
    QStringList *log = recordSignals(controller);
    const int listeners = system->volumeListenerCount();
    QSignalSpy read(&controller, &WindowsAudioController::endpointStateRead);

    QVERIFY(controller.refreshEndpoints());
    QVERIFY(settle(controller));
    QCoreApplication::processEvents();
    QCOMPARE(read.count(), 1); // the state was read again, nothing rebound
    QVERIFY(log->isEmpty());
    QCOMPARE(system->volumeListenerCount(), listeners);
}

void TestWindowsAudioController::refreshAfterDefaultChangeRebinds()
{
    auto system = systemWith({playback("spk", kSpeakers, State::Active, 0.1f),
                              playback("usb", "USB Audio", State::Active, 0.8f)},
                             QStringLiteral("spk"));
    WindowsAudioController controller(system);
    QVERIFY(settle(controller));
    QSignalSpy rebound(&controller, &WindowsAudioController::endpointsRebound);
    system->setDefaultEndpoint(AudioDirection::Playback, QStringLiteral("usb"));

    QVERIFY(controller.refreshEndpoints());
    QVERIFY(settle(controller));
    QCOMPARE(rebound.count(), 1);
    QCOMPARE(controller.systemVolume(), 80);
    // The listener of the old endpoint was handed back.
    QCOMPARE(system->volumeListenerCount(), 1);
}

void TestWindowsAudioController::failedTopologyRegistrationLeavesControllerWorking()
{
    auto system = std::make_shared<InMemoryAudioEndpointSystem>();
    system->addEndpoint(playback("spk", kSpeakers, State::Active, 0.25f));
    system->setDefaultEndpoint(AudioDirection::Playback, QStringLiteral("spk"));
    system->setFailing(InMemoryAudioEndpointSystem::Failure::RegisterTopology, true);

    WindowsAudioController controller(system);
    QVERIFY(settle(controller));
    QCOMPARE(system->topologyListenerCount(), 0);
    QCOMPARE(controller.systemVolume(), 25);
    QVERIFY(controller.setSystemMuted(true));
    QVERIFY(controller.isSystemMuted());
}

void TestWindowsAudioController::inertWithoutAudioSystem()
{
    WindowsAudioController controller(std::shared_ptr<Platform::IAudioEndpointSystem>{});
    QStringList *log = recordSignals(controller);

    QCOMPARE(controller.systemVolume(), -1);
    QCOMPARE(controller.microphoneVolume(), -1);
    QVERIFY(!controller.hasSystemEndpoint());
    QVERIFY(!controller.setSystemVolume(50));
    QVERIFY(!controller.setMicrophoneMuted(true));
    QVERIFY(!controller.isSystemMuted());
    QVERIFY(!controller.isSystemEndpointDisabled());
    QVERIFY(!controller.isMicrophoneEndpointDisabled());
    QVERIFY(!controller.refreshEndpoints());
    QVERIFY(!controller.setListenEnabled(true));
    QVERIFY(!controller.openSoundControlPanel());
    QCoreApplication::processEvents();
    QVERIFY(log->isEmpty());
}

void TestWindowsAudioController::listenSwitchesOtherBrandMicrophonesOff()
{
    auto system = systemWith({recording("qor", "Microphone (VELKORA QOR)"),
                              recording("zarvex", "Microphone (VELKORA ZARVEX)"),
                              recording("builtin", "Microphone (Realtek)")},
                             QString(), QStringLiteral("builtin"));
    WindowsAudioController controller(system);
    controller.setPreferredDeviceName(false, true, QString());
    controller.refreshEndpoints();
    QVERIFY(settle(controller));
    QSignalSpy switched(&controller, &WindowsAudioController::listenSwitched);

    QVERIFY(controller.setListenEnabled(true));
    QVERIFY(settle(controller));
    QCOMPARE(system->listenWrites(),
             (ListenWrites{{QStringLiteral("qor"), false}, {QStringLiteral("zarvex"), true}}));

    QVERIFY(controller.setListenEnabled(false));
    QVERIFY(settle(controller));
    QCOMPARE(system->listenWrites().back(), std::make_pair(QStringLiteral("zarvex"), false));
    QCOMPARE(system->listenWrites().size(), size_t(3));

    system->setFailing(InMemoryAudioEndpointSystem::Failure::WriteListen, true);
    QVERIFY(controller.setListenEnabled(true)); // asked; the failure comes back with the answer
    QVERIFY(settle(controller));
    QCOMPARE(switched.count(), 3);
    QCOMPARE(switched.at(0), (QVariantList{true, true}));
    QCOMPARE(switched.at(1), (QVariantList{false, true}));
    QCOMPARE(switched.at(2), (QVariantList{true, false}));
}

void TestWindowsAudioController::listenNeedsBoundMicrophone()
{
    auto system = systemWith({playback("spk", kSpeakers), recording("qor", "Microphone (VELKORA QOR)")},
                             QStringLiteral("spk"));
    WindowsAudioController controller(system);
    QVERIFY(settle(controller));
    QVERIFY(!controller.setListenEnabled(true));
    QVERIFY(settle(controller));
    QVERIFY(system->listenWrites().empty());
}

void TestWindowsAudioController::openSoundControlPanel_data()
{
    QTest::addColumn<bool>("started");
    QTest::newRow("started") << true;
    QTest::newRow("refused") << false;
}

void TestWindowsAudioController::openSoundControlPanel()
{
    QFETCH(bool, started);
    auto system = systemWith({}, QString());
    system->setSoundSettingsResult(started);
    WindowsAudioController controller(system);
    QCOMPARE(controller.openSoundControlPanel(), started);
    QCOMPARE(system->soundSettingsOpened(), 1);
}

void TestWindowsAudioController::destructionWhileNotificationsAreInFlight()
{
    auto system = systemWith({playback("spk", kSpeakers), recording("mic", "Microphone")}, QStringLiteral("spk"),
                             QStringLiteral("mic"));
    for (int round = 0; round < 50; ++round) {
        auto *controller = new WindowsAudioController(system);
        for (int i = 0; i < 20; ++i) {
            system->changeVolumeFromOutside(QStringLiteral("spk"), float(i) / 20.0f, i % 2 == 0);
            system->changeVolumeFromOutside(QStringLiteral("mic"), float(i) / 20.0f, i % 2 == 1);
            system->raiseTopologyChange();
        }
        if (round % 2)
            QCoreApplication::processEvents();
        delete controller;
        // Handed back by the audio thread's last job; the destructor does not
        // wait for it. A job under way may still register first, so the count
        // is read once the thread has ended.
        QTRY_COMPARE(Platform::AudioEndpointThread::runningThreads(), 0);
        QCOMPARE(system->topologyListenerCount(), 0);
        QCOMPARE(system->volumeListenerCount(), 0);
    }
    QVERIFY(system->waitForDelivery());
    QCoreApplication::processEvents();
}

void TestWindowsAudioController::stalledAudioSystemNeverHoldsUpTheCaller()
{
    auto system = systemWith({playback("spk", kSpeakers, State::Active, 0.3f, true)}, QStringLiteral("spk"));
    system->setStalled(true);
    auto release = qScopeGuard([&] { system->setStalled(false); });

    // Made, asked and written to while the audio system does not answer.
    WindowsAudioController controller(system);
    QSignalSpy volume(&controller, &WindowsAudioController::systemVolumeChanged);
    QVERIFY(controller.refreshEndpoints());
    QTRY_VERIFY(system->stalledCalls() > 0);
    QVERIFY(!controller.setSystemMuted(false)); // nothing is bound yet, so nothing is queued
    bool handled = false;
    QTimer::singleShot(0, this, [&] { handled = true; });
    QTRY_VERIFY(handled);
    QVERIFY(controller.hasPendingRequests());
    QCOMPARE(controller.systemVolume(), -1);
    QVERIFY(volume.isEmpty());

    release.dismiss();
    system->setStalled(false);
    QVERIFY(volume.wait());
    QCOMPARE(volume.at(0).at(0).toInt(), 30);
    QVERIFY(settle(controller));
    QCOMPARE(controller.systemVolume(), 30);
    QVERIFY(controller.isSystemMuted());
    QCOMPARE(system->muteWrites(QStringLiteral("spk")), 0);
}

void TestWindowsAudioController::writeReachesOnlyTheEndpointOnShow_data()
{
    QTest::addColumn<QString>("write");   // "volume" (to 77 %) or "mute"
    QTest::addColumn<QString>("during");  // what is under way when the write is made (below)
    QTest::addColumn<QString>("written"); // the endpoint the write reached; empty: none

    // The default endpoint moved from the speakers to the headset, and a rebind was
    // asked for by a refresh or by the debounced change notice but is not answered
    // yet: the page still shows the speakers, so the write must not reach the headset.
    QTest::newRow("volume during a refresh") << "volume" << "refresh" << "";
    QTest::newRow("mute during a refresh") << "mute" << "refresh" << "";
    QTest::newRow("volume during the debounced rebind") << "volume" << "debounce" << "";
    QTest::newRow("mute during the debounced rebind") << "mute" << "debounce" << "";
    // The debounce timer still runs: the speakers are bound and shown, and get it.
    QTest::newRow("volume while the debounce timer runs") << "volume" << "debounce timer" << "spk";
    QTest::newRow("mute while the debounce timer runs") << "mute" << "debounce timer" << "spk";
}

void TestWindowsAudioController::writeReachesOnlyTheEndpointOnShow()
{
    QFETCH(QString, write);
    QFETCH(QString, during);
    QFETCH(QString, written);

    auto system = systemWith({playback("spk", kSpeakers, State::Active, 0.2f, false),
                              playback("hs", kWiredHeadset, State::Active, 0.8f, false)},
                             QStringLiteral("spk"));
    WindowsAudioController::Timings timings;
    timings.topologyDebounceMs = during == "debounce timer" ? 1000 : 20;
    WindowsAudioController controller(system, nullptr, timings);
    QVERIFY(settle(controller));
    QVERIFY(system->waitForDelivery());
    QCoreApplication::processEvents();
    QCOMPARE(controller.systemVolume(), 20);
    QSignalSpy volume(&controller, &WindowsAudioController::systemVolumeChanged);
    QSignalSpy mute(&controller, &WindowsAudioController::systemMuteChanged);
    QSignalSpy rebound(&controller, &WindowsAudioController::endpointsRebound);
    auto release = qScopeGuard([&] { system->setStalled(false); });

    system->setDefaultEndpoint(AudioDirection::Playback, QStringLiteral("hs"));
    if (during == "refresh") {
        system->setStalled(true);
        QVERIFY(controller.refreshEndpoints());
        QTRY_VERIFY(system->stalledCalls() > 0);
    } else if (during == "debounce") {
        system->setStalled(true);
        system->raiseTopologyChange(Platform::AudioTopologyEvent::DefaultChanged);
        QTRY_VERIFY(system->stalledCalls() > 0);
    } else {
        system->raiseTopologyChange(Platform::AudioTopologyEvent::DefaultChanged);
        QTRY_VERIFY(controller.findChild<QTimer *>() && controller.findChild<QTimer *>()->isActive());
    }
    QVERIFY(write == "volume" ? controller.setSystemVolume(77) : controller.setSystemMuted(true));
    system->setStalled(false);
    QTRY_COMPARE(rebound.count(), 1);
    QVERIFY(settle(controller));
    QVERIFY(system->waitForDelivery());
    QCoreApplication::processEvents();

    for (const QString id : {"spk", "hs"}) {
        const int writes = write == "volume" ? system->volumeWrites(id) : system->muteWrites(id);
        QCOMPARE(writes, id == written ? 1 : 0);
    }
    // The headset is bound now; what the page is told is the headset's own level and mute.
    const auto headset = system->record(QStringLiteral("hs"));
    QCOMPARE(headset->scalar, 0.8f);
    QVERIFY(!headset->muted);
    QCOMPARE(controller.systemVolume(), 80);
    QVERIFY(!controller.isSystemMuted());
    QVERIFY(!volume.isEmpty() && !mute.isEmpty());
    QCOMPARE(volume.last().at(0).toInt(), 80);
    QCOMPARE(mute.last().at(0).toBool(), false);
}

void TestWindowsAudioController::destructionDoesNotWaitForAStuckAudioSystem()
{
    auto system = systemWith({playback("spk", kSpeakers), recording("mic", "Microphone")}, QStringLiteral("spk"),
                             QStringLiteral("mic"));
    // Audio threads of earlier tests end on their own, soon.
    QTRY_COMPARE(Platform::AudioEndpointThread::runningThreads(), 0);
    auto *controller = new WindowsAudioController(system);
    QVERIFY(settle(*controller));
    QCOMPARE(system->topologyListenerCount(), 1);
    QCOMPARE(system->volumeListenerCount(), 2);
    QCOMPARE(Platform::AudioEndpointThread::runningThreads(), 1);

    system->setStalled(true);
    auto release = qScopeGuard([&] { system->setStalled(false); });
    QVERIFY(controller->refreshEndpoints());
    QTRY_VERIFY(system->stalledCalls() > 0);
    QVERIFY(controller->setSystemVolume(10)); // queued behind the stuck job

    delete controller;
    // Back while the audio thread still waits for the silent server.
    QCOMPARE(system->stalledCalls(), 1);
    QCOMPARE(Platform::AudioEndpointThread::runningThreads(), 1);
    // What the system reports meanwhile reaches nobody.
    system->changeVolumeFromOutside(QStringLiteral("spk"), 0.9f, true);
    system->raiseTopologyChange();
    QVERIFY(system->waitForDelivery());
    QCoreApplication::processEvents();

    release.dismiss();
    system->setStalled(false);
    // The stuck job ends, the registrations are handed back, the thread ends
    // and lets go of the system; the write queued behind was dropped.
    QTRY_COMPARE(system->topologyListenerCount(), 0);
    QTRY_COMPARE(system->volumeListenerCount(), 0);
    QTRY_COMPARE(Platform::AudioEndpointThread::runningThreads(), 0);
    QCOMPARE(system->volumeWrites(QStringLiteral("spk")), 0);
    const std::weak_ptr<InMemoryAudioEndpointSystem> released = system;
    system.reset();
    QVERIFY(released.expired());
    // Nothing was posted to the controller that is gone.
    QCoreApplication::processEvents();
}

void TestWindowsAudioController::programEndsWhileAudioIsStuck_data()
{
    QTest::addColumn<QByteArray>("mode");
    QTest::newRow("server still silent at the end") << QByteArray("stuck");
    QTest::newRow("server answers as the program ends") << QByteArray("released");
}

void TestWindowsAudioController::programEndsWhileAudioIsStuck()
{
    QFETCH(QByteArray, mode);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kExitChildVariable), QString::fromLatin1(mode));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(30000));
    const QByteArray errors = child.readAllStandardError();
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QVERIFY2(child.exitCode() == 0, errors.constData());
    QVERIFY2(!errors.contains("Sanitizer") && !errors.contains("terminate"), errors.constData());
}

QTEST_MAIN(TestWindowsAudioController)
#include "tst_windowsaudiocontroller.moc"
