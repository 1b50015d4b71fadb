#include "tools/demo/DemoLauncher.h"

#include "tests/support/fakeapi/FakeApiServer.h"
#include "tests/support/virtualreceiver/TestFirmware.h"
#include "tools/demo/DemoSeed.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The virtual receiver's node, on both the program's HID bus and the engine's.
const QString kReceiverNode = QStringLiteral("/dev/hidraw0");
constexpr int kStopGraceMs = 5000;

int g_signalPipe[2] = {-1, -1};

void onUnixSignal(int signal)
{
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[0], &byte, 1);
}

QByteArray bytes(const std::vector<std::uint8_t> &image)
{
    return QByteArray(reinterpret_cast<const char *>(image.data()), qsizetype(image.size()));
}

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

} // namespace

DemoLauncher::DemoLauncher(Options options, QProcessEnvironment environment, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_baseEnvironment(std::move(environment))
    , m_folder(QDir::temp().filePath(QStringLiteral("velkora-demo-XXXXXX")))
    , m_api(std::make_unique<FakeApi::FakeApiServer>())
{
    m_folder.setAutoRemove(!m_options.keepData);
    m_program.setProcessChannelMode(QProcess::ForwardedChannels);
    m_program.setChildProcessModifier([] {
        // The program must not outlive a launcher that is killed outright.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    });
    connect(&m_program, &QProcess::finished, this, &DemoLauncher::onProgramFinished);
    m_killTimer = new QTimer(this);
    m_killTimer->setSingleShot(true);
    connect(m_killTimer, &QTimer::timeout, this, [this] {
        err() << "[Demo] velkora did not end; killing it" << Qt::endl;
        m_program.kill();
    });
}

DemoLauncher::~DemoLauncher()
{
    if (m_program.state() != QProcess::NotRunning) {
        m_program.kill();
        m_program.waitForFinished(kStopGraceMs);
    }
}

bool DemoLauncher::installSignalHandlers()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onUnixSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

bool DemoLauncher::prepareFolders()
{
    if (!m_folder.isValid()) {
        err() << "[Demo] cannot create a temporary folder: " << m_folder.errorString() << Qt::endl;
        return false;
    }
    QDir root(m_folder.path());
    for (const char *sub : {"home", "config", "data", "cache", "state", "tmp", "firmware"}) {
        if (!root.mkpath(QLatin1String(sub)))
            return false;
    }
    return true;
}

bool DemoLauncher::writeFirmwareImages()
{
    // Sizes of real images; the virtual devices take exactly these bytes.
    m_headsetImage = bytes(VirtualDevices::makeTestImage(96 * 1024, 6901));
    m_receiverImage = bytes(VirtualDevices::makeTestImage(64 * 1024, 6902));
    const QDir firmware(QDir(m_folder.path()).filePath(QStringLiteral("firmware")));
    for (const auto &[name, image] : {std::pair{QStringLiteral("headset.ufw"), &m_headsetImage},
                                      std::pair{QStringLiteral("receiver.ufw"), &m_receiverImage}}) {
        QFile file(firmware.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(*image) != image->size()) {
            err() << "[Demo] cannot write " << file.fileName() << Qt::endl;
            return false;
        }
    }
    return true;
}

void DemoLauncher::buildEnvironment()
{
    const QDir root(m_folder.path());
    QProcessEnvironment env = m_baseEnvironment;
    // X11 finds its cookie under HOME unless told where it is.
    if (!env.contains(QStringLiteral("XAUTHORITY")) && env.contains(QStringLiteral("HOME"))) {
        const QString cookie = QDir(env.value(QStringLiteral("HOME"))).filePath(QStringLiteral(".Xauthority"));
        if (QFileInfo::exists(cookie))
            env.insert(QStringLiteral("XAUTHORITY"), cookie);
    }
    // Settings, token key, caches, autostart entry and the single-instance
    // socket all land in the temporary folder. XDG_RUNTIME_DIR stays: the
    // display and sound servers live there.
    env.insert(QStringLiteral("HOME"), root.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), root.filePath(QStringLiteral("cache")));
    env.insert(QStringLiteral("XDG_STATE_HOME"), root.filePath(QStringLiteral("state")));
    env.insert(QStringLiteral("TMPDIR"), root.filePath(QStringLiteral("tmp")));
    if (!env.contains(QStringLiteral("XDG_RUNTIME_DIR"))) {
        const QString runtime = root.filePath(QStringLiteral("runtime"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    }

    env.insert(QStringLiteral("VELKORA_API_BASE_URL"), m_api->baseUrl());
    env.remove(QStringLiteral("VELKORA_API_SECRET_KEY"));

    // The program's HID stack: the receiver with the headset behind it.
    env.insert(QStringLiteral("VELKORA_HIDAPI_DOUBLE_DEVICES"),
               QStringLiteral("%1,3654,6901,3,Velkora Receiver,headset").arg(kReceiverNode));
    env.insert(QStringLiteral("VELKORA_HIDAPI_DOUBLE_TRACE"), QStringLiteral("1"));
    // The OTA engine's: the same receiver, with firmware that takes the offered images.
    const QDir firmware(root.filePath(QStringLiteral("firmware")));
    env.insert(QStringLiteral("VELKORA_TAVREL_VIRTUAL_RECEIVER"), kReceiverNode);
    env.insert(QStringLiteral("VELKORA_TAVREL_VIRTUAL_HEADSET_IMAGE"), firmware.filePath(QStringLiteral("headset.ufw")));
    env.insert(QStringLiteral("VELKORA_TAVREL_VIRTUAL_RECEIVER_IMAGE"),
               firmware.filePath(QStringLiteral("receiver.ufw")));
    // What they run once the update is through, so the program sees it done.
    env.insert(QStringLiteral("VELKORA_TAVREL_VIRTUAL_HEADSET_VERSION"), QLatin1String(DemoSeed::kHeadsetVersion));
    env.insert(QStringLiteral("VELKORA_TAVREL_VIRTUAL_RECEIVER_VERSION"), QLatin1String(DemoSeed::kReceiverVersion));
    // A radio link's pace, so that the progress can be watched.
    env.insert(QStringLiteral("VELKORA_TAVREL_VIRTUAL_LINK_US"), QStringLiteral("2500"));

    QStringList preload{m_options.hidapiPreload, m_options.tavrelPreload};
    if (const QString earlier = env.value(QStringLiteral("LD_PRELOAD")); !earlier.isEmpty())
        preload.append(earlier);
    env.insert(QStringLiteral("LD_PRELOAD"), preload.join(QLatin1Char(':')));
    // A sanitizer build's runtime then is not the first library; it works all the same.
    QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    if (!asan.contains(QStringLiteral("verify_asan_link_order")))
        asan += (asan.isEmpty() ? QString() : QStringLiteral(":")) + QStringLiteral("verify_asan_link_order=0");
    env.insert(QStringLiteral("ASAN_OPTIONS"), asan);
    m_programEnvironment = env;
}

bool DemoLauncher::start()
{
    for (const QString &file : {m_options.program, m_options.hidapiPreload, m_options.tavrelPreload}) {
        if (!QFileInfo::exists(file)) {
            err() << "[Demo] missing " << file << Qt::endl;
            return false;
        }
    }
    if (!prepareFolders() || !writeFirmwareImages())
        return false;
    if (!m_api->start(m_options.port)) {
        err() << "[Demo] the fake API cannot listen on port " << m_options.port << Qt::endl;
        return false;
    }
    DemoSeed(m_headsetImage, m_receiverImage).seed(*m_api);
    connect(m_api.get(), &FakeApi::FakeApiServer::requestReceived, this, [](const FakeApi::HttpRequest &r) {
        // Downloads carry no signature; only API routes must.
        const bool unsigned_ = !r.signatureValid && !r.route.startsWith(QLatin1String("files/"));
        out() << "[FakeApi] " << r.method << ' ' << r.route << (unsigned_ ? " (unsigned)" : "") << Qt::endl;
    });

    if (g_signalPipe[1] >= 0) {
        m_signalNotifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, this);
        connect(m_signalNotifier, &QSocketNotifier::activated, this, &DemoLauncher::onSignal);
    }

    buildEnvironment();
    out() << "[Demo] fake API at " << m_api->baseUrl() << Qt::endl
          << "[Demo] sign in with " << DemoSeed::kUserName << " / " << DemoSeed::kPassword << Qt::endl
          << "[Demo] " << DemoSeed::basicPresetCount() << " basic and " << DemoSeed::gamePresetCount()
          << " game presets for product " << DemoSeed::kProductId << ", " << DemoSeed::sharedEqCount()
          << " shared EQs, firmware offers headset " << DemoSeed::kHeadsetVersion << " and receiver "
          << DemoSeed::kReceiverVersion << Qt::endl
          << "[Demo] settings and data in " << m_folder.path()
          << (m_options.keepData ? " (kept)" : " (removed at the end)") << Qt::endl;

    m_program.setProcessEnvironment(m_programEnvironment);
    m_program.setWorkingDirectory(QDir(m_folder.path()).filePath(QStringLiteral("home")));
    m_program.start(m_options.program, m_options.arguments);
    if (!m_program.waitForStarted()) {
        err() << "[Demo] cannot start " << m_options.program << ": " << m_program.errorString() << Qt::endl;
        return false;
    }
    out() << "[Demo] velkora started, pid " << m_program.processId() << Qt::endl;
    return true;
}

void DemoLauncher::stop(const QString &why)
{
    if (m_stopping)
        return;
    m_stopping = true;
    out() << "[Demo] stopping: " << why << Qt::endl;
    if (m_program.state() == QProcess::NotRunning) {
        QCoreApplication::exit(0);
        return;
    }
    m_program.terminate();
    m_killTimer->start(kStopGraceMs);
}

void DemoLauncher::onSignal()
{
    char signal = 0;
    if (::read(g_signalPipe[1], &signal, 1) != 1)
        return;
    stop(QStringLiteral("signal %1").arg(int(signal)));
}

void DemoLauncher::onProgramFinished(int exitCode, QProcess::ExitStatus status)
{
    m_killTimer->stop();
    const bool crashed = status == QProcess::CrashExit;
    out() << "[Demo] velkora ended"
          << (crashed ? QStringLiteral(" by a signal") : QStringLiteral(" with code %1").arg(exitCode))
          << "; the fake API ends with it" << Qt::endl;
    // Ended on request, a signal is the expected way out.
    QCoreApplication::exit(crashed ? (m_stopping ? 0 : 1) : exitCode);
}
