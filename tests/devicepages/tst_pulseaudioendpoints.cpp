#include "platform/audioendpoint/AudioEndpointThread.h"
#include "platform/audioendpoint/PulseAudioEndpointSystem.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <signal.h>

using namespace Platform;

namespace {

const QString kSink = QStringLiteral("velkora_test_sink");
const QString kSecondSink = QStringLiteral("velkora_second_sink");
const QString kSource = QStringLiteral("velkora_test_mic");

// Collects what the layer reports from its own thread.
class Recorder : public AudioTopologyListener, public AudioVolumeListener
{
public:
    void onTopologyChanged(AudioTopologyEvent event) override
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(event);
        m_threads.push_back(std::this_thread::get_id());
        m_changed.notify_all();
    }

    void onVolumeNotify(const AudioVolumeNotification &notification) override
    {
        std::lock_guard lock(m_mutex);
        m_volumes.push_back(notification);
        m_threads.push_back(std::this_thread::get_id());
        m_changed.notify_all();
    }

    // Waits until some reported volume satisfies `match`.
    template <typename Match>
    bool waitForVolume(Match match, int timeoutMs = 5000)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return std::any_of(m_volumes.begin(), m_volumes.end(), match); });
    }

    bool waitForEvent(AudioTopologyEvent event, int count = 1, int timeoutMs = 5000)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return std::count(m_events.begin(), m_events.end(), event) >= count; });
    }

    int eventCount(AudioTopologyEvent event)
    {
        std::lock_guard lock(m_mutex);
        return int(std::count(m_events.begin(), m_events.end(), event));
    }

    bool calledOnlyFrom(std::thread::id notThis)
    {
        std::lock_guard lock(m_mutex);
        return !m_threads.empty() && std::find(m_threads.begin(), m_threads.end(), notThis) == m_threads.end();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<AudioTopologyEvent> m_events;
    std::vector<AudioVolumeNotification> m_volumes;
    std::vector<std::thread::id> m_threads;
};

bool near(float a, float b)
{
    return std::abs(a - b) < 0.002f;
}

} // namespace

// Runs against a private PulseAudio server with two null sinks and a null
// source, reached through its own socket; skips where none can be started.
class TestPulseAudioEndpoints : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void unreachableServerFailsFast();
    void enumeratesWithoutMonitors();
    void volumeAndMuteRoundTrip();
    void changesByAnotherClientAreNotified();
    void defaultAndNewSinksAreNotified();
    void listenLoadsOneLoopback();
    void listenFollowsServerRestart();
    void serverRestartIsFollowed();
    void serverStartingLateIsFollowed();
    void stuckServerIsDropped();
    void stuckServerNeverHoldsUpTheAskingThread();
    void connectionIsAwaitedOnTheAudioThread();

private:
    bool startServer();
    void stopServer();
    bool requireServer();
    // Runs pactl against the private server; its output, or nullopt when it failed.
    std::optional<QByteArray> pactl(const QStringList &arguments);
    std::unique_ptr<PulseAudioEndpointSystem> connect(int operationTimeoutMs = 1500);
    // Indices of the server's loopback modules, nullopt when pactl cannot tell.
    std::optional<QList<QByteArray>> loopbackModules();

    QTemporaryDir m_dir;
    QProcess m_server;
    bool m_started = false;
    QString m_whyNot;
};

QByteArray serverAddress(const QTemporaryDir &dir)
{
    return "unix:" + QFile::encodeName(dir.filePath(QStringLiteral("native")));
}

void TestPulseAudioEndpoints::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // The client library keeps its cookie here rather than in the user's home.
    qputenv("PULSE_COOKIE", QFile::encodeName(m_dir.filePath(QStringLiteral("cookie"))));
    if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty()) {
        m_whyNot = QStringLiteral("pulseaudio is not installed");
        return;
    }
    QDir(m_dir.path()).mkpath(QStringLiteral("runtime"));
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
    if (!startServer())
        m_whyNot = QStringLiteral("the PulseAudio server did not start");
}

void TestPulseAudioEndpoints::cleanupTestCase()
{
    stopServer();
}

bool TestPulseAudioEndpoints::startServer()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_dir.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    env.remove(QStringLiteral("PULSE_SERVER"));
    m_server.setProcessEnvironment(env);
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.setStandardOutputFile(QProcess::nullDevice());
    const QString socket = m_dir.filePath(QStringLiteral("native"));
    QFile::remove(socket);
    m_server.start(QStringLiteral("pulseaudio"),
                   {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                    QStringLiteral("--use-pid-file=no"), QStringLiteral("--system=no"), QStringLiteral("--log-level=0"),
                    QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=") + socket,
                    QStringLiteral("--load=module-null-sink sink_name=%1 "
                                   "sink_properties=device.description=VELKORA_Test_Speakers")
                        .arg(kSink),
                    QStringLiteral("--load=module-null-sink sink_name=") + kSecondSink,
                    QStringLiteral("--load=module-null-source source_name=%1 "
                                   "description=VELKORA_Test_Mic")
                        .arg(kSource)});
    if (!m_server.waitForStarted(5000))
        return false;
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(socket) && m_server.state() == QProcess::Running && waited.elapsed() < 10000)
        m_server.waitForFinished(50); // returns early only when the server dies
    m_started = QFile::exists(socket) && m_server.state() == QProcess::Running;
    return m_started;
}

void TestPulseAudioEndpoints::stopServer()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    if (!m_server.waitForFinished(5000)) {
        m_server.kill();
        m_server.waitForFinished(5000);
    }
    m_started = false;
}

bool TestPulseAudioEndpoints::requireServer()
{
    return m_started;
}

std::unique_ptr<PulseAudioEndpointSystem> TestPulseAudioEndpoints::connect(int operationTimeoutMs)
{
    PulseClient::Options options;
    options.operationTimeoutMs = operationTimeoutMs;
    options.server = serverAddress(m_dir);
    options.reconnectIntervalMs = 100;
    // The constructor waits (bounded) for the connection; the server is up.
    return std::make_unique<PulseAudioEndpointSystem>(options);
}

std::optional<QByteArray> TestPulseAudioEndpoints::pactl(const QStringList &arguments)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty())
        return std::nullopt;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PULSE_SERVER"), QString::fromUtf8(serverAddress(m_dir)));
    env.insert(QStringLiteral("HOME"), m_dir.path());
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("pactl"), arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput().trimmed();
}

std::optional<QList<QByteArray>> TestPulseAudioEndpoints::loopbackModules()
{
    const auto modules = pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("modules")});
    if (!modules)
        return std::nullopt;
    QList<QByteArray> indices;
    for (const QByteArray &line : modules->split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() > 1 && fields.at(1) == "module-loopback")
            indices.append(fields.at(0));
    }
    return indices;
}

#define REQUIRE_SERVER()                                                                                              \
    do {                                                                                                              \
        if (!requireServer())                                                                                         \
            QSKIP(qPrintable(m_whyNot));                                                                              \
    } while (false)

void TestPulseAudioEndpoints::unreachableServerFailsFast()
{
    PulseClient::Options options;
    options.server = "unix:" + QFile::encodeName(QDir::temp().filePath(QStringLiteral("no-such-velkora-socket")));
    QElapsedTimer elapsed;
    elapsed.start();
    PulseAudioEndpointSystem system(options);
    QVERIFY(elapsed.elapsed() < options.connectTimeoutMs + 1000);
    QVERIFY(!system.isConnected());
    QVERIFY(!system.endpoints(AudioDirection::Playback));
    QVERIFY(!system.defaultEndpointId(AudioDirection::Recording));
    QVERIFY(!system.activateVolume(AudioDirection::Playback, kSink));
    QVERIFY(!system.setListenEnabled(kSource, true));
}

void TestPulseAudioEndpoints::enumeratesWithoutMonitors()
{
    REQUIRE_SERVER();
    auto system = connect();
    QVERIFY(system->isConnected());

    const auto sinks = system->endpoints(AudioDirection::Playback);
    QVERIFY(sinks);
    QCOMPARE(sinks->size(), size_t(2));
    QCOMPARE(sinks->at(0).id, kSink);
    QCOMPARE(sinks->at(0).name, QStringLiteral("VELKORA_Test_Speakers"));
    QCOMPARE(sinks->at(0).state, AudioEndpointState::Active);

    const auto sources = system->endpoints(AudioDirection::Recording);
    QVERIFY(sources);
    QCOMPARE(sources->size(), size_t(1)); // the sinks' monitors are no microphones
    QCOMPARE(sources->at(0).id, kSource);

    QCOMPARE(system->defaultEndpointId(AudioDirection::Playback), std::optional<QString>(kSink));
    QCOMPARE(system->defaultEndpointId(AudioDirection::Recording), std::optional<QString>(kSource));
    QVERIFY(!system->endpoint(AudioDirection::Recording, kSink + ".monitor"));
    QVERIFY(!system->activateVolume(AudioDirection::Recording, kSink + ".monitor"));
    QVERIFY(!system->activateVolume(AudioDirection::Playback, QStringLiteral("no_such_sink")));
}

void TestPulseAudioEndpoints::volumeAndMuteRoundTrip()
{
    REQUIRE_SERVER();
    auto system = connect();
    for (const auto &[direction, id] : {std::pair{AudioDirection::Playback, kSink},
                                        std::pair{AudioDirection::Recording, kSource}}) {
        auto volume = system->activateVolume(direction, id);
        QVERIFY(volume);
        QVERIFY(volume->setMasterScalar(0.3f));
        QVERIFY(near(volume->masterScalar().value_or(-1), 0.3f));
        QVERIFY(volume->setMasterScalar(1.7f)); // limited to the full scale
        QVERIFY(near(volume->masterScalar().value_or(-1), 1.0f));
        QVERIFY(volume->setMuted(true));
        QCOMPARE(volume->isMuted(), std::optional<bool>(true));
        QVERIFY(volume->setMuted(false));
        QCOMPARE(volume->isMuted(), std::optional<bool>(false));
    }
}

void TestPulseAudioEndpoints::changesByAnotherClientAreNotified()
{
    REQUIRE_SERVER();
    auto watcher = connect();
    auto other = connect();
    auto recorder = std::make_shared<Recorder>();
    auto volume = watcher->activateVolume(AudioDirection::Playback, kSink);
    QVERIFY(volume);
    QVERIFY(volume->registerListener(recorder));

    auto theirs = other->activateVolume(AudioDirection::Playback, kSink);
    QVERIFY(theirs);
    QVERIFY(theirs->setMasterScalar(0.6f));
    QVERIFY(recorder->waitForVolume([](const auto &n) { return near(n.masterScalar, 0.6f) && !n.muted; }));
    QVERIFY(theirs->setMuted(true));
    QVERIFY(recorder->waitForVolume([](const auto &n) { return near(n.masterScalar, 0.6f) && n.muted; }));
    // Changes made through the watcher itself come back too.
    QVERIFY(volume->setMasterScalar(0.25f));
    QVERIFY(recorder->waitForVolume([](const auto &n) { return near(n.masterScalar, 0.25f); }));
    QVERIFY(recorder->calledOnlyFrom(std::this_thread::get_id()));

    // Once unregistered, nothing more arrives; a second listener still registered
    // shows when the change has been passed on.
    volume->unregisterListener(recorder);
    auto later = std::make_shared<Recorder>();
    QVERIFY(volume->registerListener(later));
    QVERIFY(theirs->setMuted(false));
    const auto unmuted = [](const auto &n) { return near(n.masterScalar, 0.25f) && !n.muted; };
    QVERIFY(later->waitForVolume(unmuted));
    QVERIFY(!recorder->waitForVolume(unmuted, 0));
    volume->unregisterListener(later);
}

void TestPulseAudioEndpoints::defaultAndNewSinksAreNotified()
{
    REQUIRE_SERVER();
    if (QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty())
        QSKIP("pactl is not installed");
    auto system = connect();
    auto recorder = std::make_shared<Recorder>();
    QVERIFY(system->registerTopologyListener(recorder));

    QVERIFY(pactl({QStringLiteral("set-default-sink"), kSecondSink}));
    QVERIFY(recorder->waitForEvent(AudioTopologyEvent::DefaultChanged));
    QCOMPARE(system->defaultEndpointId(AudioDirection::Playback), std::optional<QString>(kSecondSink));
    QVERIFY(pactl({QStringLiteral("set-default-sink"), kSink}));
    QVERIFY(recorder->waitForEvent(AudioTopologyEvent::DefaultChanged, 2));

    const auto module = pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                               QStringLiteral("sink_name=velkora_plugged_in")});
    QVERIFY(module);
    QVERIFY(recorder->waitForEvent(AudioTopologyEvent::Added));
    QVERIFY(pactl({QStringLiteral("unload-module"), QString::fromLatin1(*module)}));
    QVERIFY(recorder->waitForEvent(AudioTopologyEvent::Removed));
    system->unregisterTopologyListener(recorder);
}

void TestPulseAudioEndpoints::listenLoadsOneLoopback()
{
    REQUIRE_SERVER();
    auto system = connect();
    QVERIFY(system->isConnected());
    const auto before = system->isListenEnabled(kSource);
    QVERIFY2(before.has_value(), "module list unreadable");
    QVERIFY2(!*before, "loopback present");
    QVERIFY(system->setListenEnabled(kSource, true));
    QVERIFY(system->setListenEnabled(kSource, true)); // already on: no second loopback
    QCOMPARE(system->isListenEnabled(kSource), std::optional<bool>(true));
    if (const auto modules = pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("modules")}))
        QCOMPARE(modules->count("module-loopback"), 1);

    // Switching on again at once is not fooled by the module the server is still unloading.
    QVERIFY(system->setListenEnabled(kSource, false));
    QCOMPARE(system->isListenEnabled(kSource), std::optional<bool>(false));
    QVERIFY(system->setListenEnabled(kSource, true));
    QCOMPARE(system->isListenEnabled(kSource), std::optional<bool>(true));
    QVERIFY(system->setListenEnabled(kSource, false));

    QVERIFY(!system->setListenEnabled(kSink + ".monitor", true));
    QVERIFY(!system->setListenEnabled(QStringLiteral("x source=evil"), true));
}

void TestPulseAudioEndpoints::listenFollowsServerRestart()
{
    REQUIRE_SERVER();
    if (QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty())
        QSKIP("pactl is not installed");
    // A fresh server gives the first module loaded at run time the same index each time.
    stopServer();
    QVERIFY(startServer());
    auto system = connect();
    QVERIFY(system->setListenEnabled(kSource, true));
    const auto first = loopbackModules();
    QVERIFY(first && first->size() == 1);
    QVERIFY(system->setListenEnabled(kSource, false));

    stopServer();
    QVERIFY(startServer());
    QTRY_VERIFY_WITH_TIMEOUT(system->isConnected(), 10000);
    QVERIFY(system->setListenEnabled(kSource, true));
    const auto second = loopbackModules();
    QVERIFY(second && second->size() == 1);
    QCOMPARE(second->front(), first->front()); // the restarted server reused the index

    // The index unloaded on the old server says nothing about the new one.
    QCOMPARE(system->isListenEnabled(kSource), std::optional<bool>(true));
    QVERIFY(system->setListenEnabled(kSource, false));
    QTRY_COMPARE_WITH_TIMEOUT(loopbackModules().value_or(QList<QByteArray>{"?"}).size(), 0, 5000);
}

void TestPulseAudioEndpoints::serverRestartIsFollowed()
{
    REQUIRE_SERVER();
    auto system = connect();
    auto recorder = std::make_shared<Recorder>();
    QVERIFY(system->registerTopologyListener(recorder));

    stopServer();
    QVERIFY(recorder->waitForEvent(AudioTopologyEvent::StateChanged));
    QVERIFY(!system->endpoints(AudioDirection::Playback));

    QVERIFY(startServer());
    QVERIFY(recorder->waitForEvent(AudioTopologyEvent::StateChanged, 2, 10000));
    QTRY_VERIFY_WITH_TIMEOUT(system->endpoints(AudioDirection::Playback).has_value(), 5000);
    system->unregisterTopologyListener(recorder);
}

void TestPulseAudioEndpoints::serverStartingLateIsFollowed()
{
    REQUIRE_SERVER();
    stopServer();
    auto restart = qScopeGuard([this] {
        if (!m_started)
            startServer();
    });
    auto system = connect();
    QVERIFY(!system->isConnected());
    auto recorder = std::make_shared<Recorder>();
    QVERIFY(system->registerTopologyListener(recorder));

    QVERIFY(startServer());
    QVERIFY(recorder->waitForEvent(AudioTopologyEvent::StateChanged, 1, 10000));
    QVERIFY(system->endpoints(AudioDirection::Playback).has_value());
    system->unregisterTopologyListener(recorder);
}

void TestPulseAudioEndpoints::stuckServerIsDropped()
{
    REQUIRE_SERVER();
    auto system = connect(300);
    QVERIFY(system->isConnected());
    auto recorder = std::make_shared<Recorder>();
    QVERIFY(system->registerTopologyListener(recorder));

    const auto pid = pid_t(m_server.processId());
    QCOMPARE(::kill(pid, SIGSTOP), 0);
    auto resume = qScopeGuard([pid] { ::kill(pid, SIGCONT); });

    QVERIFY(!system->endpoints(AudioDirection::Playback)); // waits out the operation time-out once
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(!system->defaultEndpointId(AudioDirection::Playback));
    QVERIFY(!system->activateVolume(AudioDirection::Playback, kSink));
    QVERIFY2(elapsed.elapsed() < 250, "later calls waited for the stuck server");
    QVERIFY(recorder->waitForEvent(AudioTopologyEvent::StateChanged));

    resume.dismiss();
    QCOMPARE(::kill(pid, SIGCONT), 0);
    QVERIFY(recorder->waitForEvent(AudioTopologyEvent::StateChanged, 2, 10000));
    QTRY_VERIFY_WITH_TIMEOUT(system->endpoints(AudioDirection::Playback).has_value(), 5000);
    system->unregisterTopologyListener(recorder);
}

void TestPulseAudioEndpoints::stuckServerNeverHoldsUpTheAskingThread()
{
    REQUIRE_SERVER();
    std::shared_ptr<PulseAudioEndpointSystem> system = connect(1500);
    QVERIFY(system->isConnected());
    AudioEndpointThread audio(system);

    const auto pid = pid_t(m_server.processId());
    QCOMPARE(::kill(pid, SIGSTOP), 0);
    auto resume = qScopeGuard([pid] { ::kill(pid, SIGCONT); });

    std::optional<bool> listed;
    audio.request<bool>(
        this, [](IAudioEndpointSystem &s) { return s.endpoints(AudioDirection::Playback).has_value(); },
        [&](bool ok) { listed = ok; });
    // The asking thread keeps handling its events while the server keeps silent.
    int ticksWhileAsking = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, this, [&] {
        if (audio.pendingRequests() > 0)
            ++ticksWhileAsking;
    });
    ticker.start(5);
    QTRY_VERIFY_WITH_TIMEOUT(listed.has_value(), 10000);
    QVERIFY2(ticksWhileAsking >= 3, qPrintable(QString::number(ticksWhileAsking)));
    QVERIFY(!*listed); // the server did not answer within the operation time-out

    resume.dismiss();
    QCOMPARE(::kill(pid, SIGCONT), 0);
    // Reconnected in the background, the same thread answers again.
    const auto listsAgain = [&] {
        auto again = std::make_shared<std::optional<bool>>();
        audio.request<bool>(
            this, [](IAudioEndpointSystem &s) { return s.endpoints(AudioDirection::Playback).has_value(); },
            [again](bool ok) { *again = ok; });
        return QTest::qWaitFor([&] { return again->has_value(); }, 5000) && **again;
    };
    QTRY_VERIFY_WITH_TIMEOUT(listsAgain(), 10000);
}

void TestPulseAudioEndpoints::connectionIsAwaitedOnTheAudioThread()
{
    REQUIRE_SERVER();
    PulseClient::Options options;
    options.server = serverAddress(m_dir);
    options.awaitConnectionInConstructor = false;
    auto system = std::make_shared<PulseAudioEndpointSystem>(options);
    AudioEndpointThread audio(system);
    // prepare() runs first on the audio thread, so the first request finds the connection.
    std::optional<QString> defaultSink;
    bool answered = false;
    audio.request<std::optional<QString>>(
        this, [](IAudioEndpointSystem &s) { return s.defaultEndpointId(AudioDirection::Playback); },
        [&](std::optional<QString> id) {
            defaultSink = id;
            answered = true;
        });
    QTRY_VERIFY_WITH_TIMEOUT(answered, 10000);
    QCOMPARE(defaultSink, std::optional<QString>(kSink));
}

QTEST_GUILESS_MAIN(TestPulseAudioEndpoints)
#include "tst_pulseaudioendpoints.moc"
