#include "app/SingleInstance.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
constexpr int kProcessTimeoutMs = 30000;

// A Unix socket bound at `path`; listening only when asked.
int bindUnixSocket(const QString &path, bool listening, int backlog = 5)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    qstrncpy(address.sun_path, bytes.constData(), sizeof(address.sun_path));
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    if (listening)
        ::listen(fd, backlog);
    return fd;
}

int connectUnixSocket(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof(address.sun_path));
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}
} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void secondProgramActivatesRunningOneAndExits();
    void secondProgramLeavesRunningProgram();
    void staleSocketFileIsReclaimed();
    void liveOwnerThatIsSlowKeepsItsSocket();
    void activationBytes_data();
    void activationBytes();
    void messageSplitAcrossReadsActivates();

private:
    QProcessEnvironment childEnvironment() const;
    QLocalServer *startCountingServer();

    QTemporaryDir m_runtime;
    QTemporaryDir m_home;
    QWidget *m_owner = nullptr;
    int m_activations = 0;
};

void TestSingleInstance::initTestCase()
{
    QVERIFY(m_runtime.isValid());
    // A private runtime folder: the socket of this test cannot meet another's.
    qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
    QVERIFY(SingleInstance::endpoint().startsWith(m_runtime.path()));
}

void TestSingleInstance::init()
{
    m_owner = new QWidget;
    m_activations = 0;
    QLocalServer::removeServer(SingleInstance::endpoint());
}

void TestSingleInstance::cleanup()
{
    delete m_owner;
    m_owner = nullptr;
    QLocalServer::removeServer(SingleInstance::endpoint());
}

QProcessEnvironment TestSingleInstance::childEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", m_runtime.path());
    env.insert("HOME", m_home.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

QLocalServer *TestSingleInstance::startCountingServer()
{
    return SingleInstance::startServer(m_owner, [this] { ++m_activations; });
}

void TestSingleInstance::secondProgramActivatesRunningOneAndExits()
{
    QVERIFY(startCountingServer());

    QProcess second;
    second.setProcessEnvironment(childEnvironment());
    second.start(VELKORA_BINARY, {});
    QVERIFY(second.waitForFinished(kProcessTimeoutMs));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(m_activations, 1, 5000);
}

void TestSingleInstance::secondProgramLeavesRunningProgram()
{
    QProcess first;
    first.setProcessEnvironment(childEnvironment());
    first.start(VELKORA_BINARY, {});
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(SingleInstance::endpoint()), kProcessTimeoutMs);

    QProcess second;
    second.setProcessEnvironment(childEnvironment());
    second.start(VELKORA_BINARY, {"--startup-minimized"});
    QVERIFY(second.waitForFinished(kProcessTimeoutMs));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);

    first.terminate();
    QVERIFY(first.waitForFinished(kProcessTimeoutMs));
}

void TestSingleInstance::staleSocketFileIsReclaimed()
{
    // What a crashed instance leaves behind: the socket file, nobody listening.
    const int fd = bindUnixSocket(SingleInstance::endpoint(), false);
    QVERIFY(fd >= 0);
    ::close(fd);
    QVERIFY(QFile::exists(SingleInstance::endpoint()));

    QVERIFY(!SingleInstance::notifyRunningInstance());
    QVERIFY(startCountingServer());
    // A later start reaches the new server.
    QVERIFY(SingleInstance::notifyRunningInstance());
    QTRY_COMPARE(m_activations, 1);
}

void TestSingleInstance::liveOwnerThatIsSlowKeepsItsSocket()
{
    const QString path = SingleInstance::endpoint();
    // An owner that listens but does not accept; one waiting client fills its queue.
    const int owner = bindUnixSocket(path, true, 0);
    QVERIFY(owner >= 0);
    const int waiting = connectUnixSocket(path);
    QVERIFY(waiting >= 0);

    QVERIFY(!SingleInstance::startServer(m_owner, [] {}, SingleInstance::serverName(), 200));
    QVERIFY(QFile::exists(path));

    // The owner still has its socket: once it catches up, new clients reach it.
    const int accepted = ::accept(owner, nullptr, nullptr);
    QVERIFY(accepted >= 0);
    const int later = connectUnixSocket(path);
    QVERIFY(later >= 0);

    ::close(later);
    ::close(accepted);
    ::close(waiting);
    ::close(owner);
}

void TestSingleInstance::activationBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("activations");
    QTest::newRow("exact") << QByteArray("activate") << 1;
    QTest::newRow("inside other text") << QByteArray("xxactivateyy") << 1;
    QTest::newRow("other text") << QByteArray("hello") << 0;
    QTest::newRow("other case") << QByteArray("ACTIVATE") << 0;
}

void TestSingleInstance::activationBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, activations);
    QLocalServer *server = startCountingServer();
    QVERIFY(server);

    QLocalSocket client;
    client.connectToServer(SingleInstance::endpoint());
    QVERIFY(client.waitForConnected(1000));
    client.write(bytes);
    QVERIFY(client.waitForBytesWritten(1000));
    QTRY_VERIFY(server->findChild<QLocalSocket *>());
    client.disconnectFromServer();
    // The server's socket goes once it has read everything and seen the disconnect.
    QTRY_VERIFY(!server->findChild<QLocalSocket *>());
    QTRY_COMPARE(m_activations, activations);
    QCoreApplication::processEvents();
    QCOMPARE(m_activations, activations);
}

void TestSingleInstance::messageSplitAcrossReadsActivates()
{
    QLocalServer *server = startCountingServer();
    QVERIFY(server);
    QLocalSocket client;
    client.connectToServer(SingleInstance::endpoint());
    QVERIFY(client.waitForConnected(1000));
    QTRY_VERIFY(server->findChild<QLocalSocket *>());
    auto *serverSide = server->findChild<QLocalSocket *>();
    QSignalSpy reads(serverSide, &QLocalSocket::readyRead);

    client.write("acti");
    QVERIFY(client.waitForBytesWritten(1000));
    QVERIFY(reads.wait(2000));
    QCOMPARE(m_activations, 0);
    client.write("vate");
    QVERIFY(client.waitForBytesWritten(1000));
    QTRY_COMPARE(m_activations, 1);
}

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
