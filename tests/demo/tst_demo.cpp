// velkora-demo started headless (on a private Xvfb display): the program
// connects to the virtual headset and, once the user opens the device and its
// EQ page (clicks played with xdotool), shows the official list from the
// seeded fake API; however it is stopped, nothing of it keeps running and
// nothing of it stays on disk.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRect>
#include <QScopeGuard>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kStartTimeoutMs = 90000; // a sanitizer build starts slowly on a busy machine
constexpr int kStopTimeoutMs = 20000;

// Processes whose parent is this test, by pid.
QList<qint64> childrenOfThisProcess()
{
    QList<qint64> children;
    const QString self = QString::number(::getpid());
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        QFile status(QStringLiteral("/proc/%1/status").arg(entry));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromLatin1(status.readAll());
        const auto match = QRegularExpression(QStringLiteral("^PPid:\\s*(\\d+)$"), QRegularExpression::MultilineOption)
                               .match(text);
        if (match.hasMatch() && match.captured(1) == self)
            children.append(pid);
    }
    return children;
}

bool processExists(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0 || errno != ESRCH;
}

// Runs xdotool on `display`; its standard output.
QString xdotool(const QString &display, const QStringList &arguments)
{
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral("xdotool"), arguments);
    tool.waitForFinished(10000);
    return QString::fromUtf8(tool.readAllStandardOutput());
}

// The program centres its 1280 x 720 main window on the 1600 x 1000 screen.
const QRect kWindow(160, 140, 1280, 720);

// A click at a point of the main window's own layout.
void click(const QString &display, const QRect &window, int x, int y)
{
    xdotool(display, {QStringLiteral("mousemove"), QString::number(window.x() + x), QString::number(window.y() + y),
                      QStringLiteral("click"), QStringLiteral("1")});
}

} // namespace

class TestDemo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void runsAndStopsCleanly_data();
    void runsAndStopsCleanly();

private:
    QProcess m_xvfb;
    QString m_display;

    QString captured(const QString &output, const QString &pattern) const
    {
        return QRegularExpression(pattern).match(output).captured(1);
    }
};

void TestDemo::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("needs Xvfb and xdotool (scripts/setup.sh installs them)");
    // An orphan of the launcher comes to this process, where it can be seen.
    QVERIFY(::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0);
    // A display of its own, of a known size; Xvfb writes its number when ready.
    m_xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                          QStringLiteral("0"), QStringLiteral("1600x1000x24"),
                                          QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QVERIFY(m_xvfb.waitForStarted());
    QString number;
    QTRY_VERIFY_WITH_TIMEOUT(!(number += QString::fromLatin1(m_xvfb.readAllStandardOutput())).trimmed().isEmpty()
                                 && number.endsWith(QLatin1Char('\n')),
                             20000);
    m_display = QStringLiteral(":") + number.trimmed();
}

void TestDemo::cleanupTestCase()
{
    if (m_xvfb.state() != QProcess::NotRunning) {
        m_xvfb.terminate();
        m_xvfb.waitForFinished(10000);
    }
}

void TestDemo::runsAndStopsCleanly_data()
{
    QTest::addColumn<QString>("stop");
    QTest::newRow("SIGTERM to the launcher") << "launcher-term";
    QTest::newRow("Ctrl+C to the launcher") << "launcher-int";
    QTest::newRow("the program ends") << "program-term";
}

void TestDemo::runsAndStopsCleanly()
{
    QFETCH(QString, stop);
    // The user's own folders: nothing may be written there.
    QTemporaryDir userHome;
    QVERIFY(userHome.isValid());

    QProcess demo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), userHome.path());
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        env.insert(QLatin1String(name), QDir(userHome.path()).filePath(QLatin1String(name)));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.remove(QStringLiteral("XAUTHORITY"));
    demo.setProcessEnvironment(env);
    demo.setProcessChannelMode(QProcess::MergedChannels);
    QString output;
    connect(&demo, &QProcess::readyRead, this, [&] { output += QString::fromUtf8(demo.readAll()); });
    demo.start(QStringLiteral(VELKORA_DEMO_LAUNCHER), {});
    QVERIFY2(demo.waitForStarted(), qPrintable(demo.errorString()));
    auto diagnostics = [&] { return qPrintable(output.right(6000)); };
    // A failed check leaves nothing running either.
    const auto stopDemo = qScopeGuard([&] {
        if (demo.state() != QProcess::NotRunning) {
            ::kill(pid_t(demo.processId()), SIGTERM);
            demo.waitForFinished(kStopTimeoutMs);
        }
    });

    // Connected: the program validated the headset and read its battery and name.
    QTRY_VERIFY2_WITH_TIMEOUT(output.contains(QLatin1String("[VirtualHeadset] asked for battery: 80%")), diagnostics(),
                              kStartTimeoutMs);
    QTRY_VERIFY2_WITH_TIMEOUT(output.contains(QLatin1String("[VirtualHeadset] asked for name: Velkora H1")),
                              diagnostics(), kStartTimeoutMs);
    // The user opens the device (its versions are read and checked with the
    // server), waves the update question away and opens the EQ page: the
    // official list is asked for the virtual headset's product and read, as
    // the game presets' pictures are fetched from it.
    const QRect window = kWindow;
    click(m_display, window, 640, 378);
    QTRY_VERIFY2_WITH_TIMEOUT(output.contains(QLatin1String("[VirtualHeadset] asked for headset firmware: 1.2.3")),
                              diagnostics(), kStartTimeoutMs);
    QTRY_VERIFY2_WITH_TIMEOUT(output.contains(QLatin1String("[FakeApi] POST home/common/pcFirmwareInfo\n")),
                              diagnostics(), kStartTimeoutMs);
    // The question shows once its answer is in; until the EQ page opens,
    // "Not now" and "EQ" are clicked again.
    const auto listAsked = [&] { return output.contains(QLatin1String("[FakeApi] POST home/common/soundList\n")); };
    for (int attempt = 0; attempt < 20 && !listAsked(); ++attempt) {
        click(m_display, window, 565, 360);
        click(m_display, window, 81, 138);
        if (QTest::qWaitFor(listAsked, 3000))
            break;
    }
    QVERIFY2(listAsked(), diagnostics());
    QTRY_VERIFY2_WITH_TIMEOUT(output.contains(QLatin1String("[FakeApi] GET files/demo/cover-")), diagnostics(),
                              kStartTimeoutMs);
    QVERIFY2(!output.contains(QLatin1String("(unsigned)")), diagnostics());

    const qint64 programPid = captured(output, QStringLiteral("velkora started, pid (\\d+)")).toLongLong();
    const quint16 apiPort = captured(output, QStringLiteral("fake API at http://127\\.0\\.0\\.1:(\\d+)/")).toUShort();
    const QString dataFolder = captured(output, QStringLiteral("settings and data in (\\S+)"));
    QVERIFY(programPid > 0);
    QVERIFY(apiPort > 0);
    QVERIFY(QFileInfo(dataFolder).isDir());
    QVERIFY(!dataFolder.startsWith(userHome.path()));

    if (stop == QLatin1String("launcher-term"))
        ::kill(pid_t(demo.processId()), SIGTERM);
    else if (stop == QLatin1String("launcher-int"))
        ::kill(pid_t(demo.processId()), SIGINT);
    else
        ::kill(pid_t(programPid), SIGTERM);
    QVERIFY2(demo.waitForFinished(kStopTimeoutMs), diagnostics());
    QCOMPARE(demo.exitStatus(), QProcess::NormalExit);
    QVERIFY2(output.contains(QLatin1String("[Demo] velkora ended")), diagnostics());

    // Nothing left: no program, no orphan of the launcher, no fake API, no folder.
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    QList<qint64> children = childrenOfThisProcess();
    children.removeAll(m_xvfb.processId());
    QCOMPARE(children, QList<qint64>());
    QVERIFY(!processExists(programPid));
    QTcpSocket probe;
    probe.connectToHost(QStringLiteral("127.0.0.1"), apiPort);
    QVERIFY(!probe.waitForConnected(2000));
    QVERIFY(!QFileInfo::exists(dataFolder));
    QCOMPARE(QDir(userHome.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

QTEST_GUILESS_MAIN(TestDemo)
#include "tst_demo.moc"
