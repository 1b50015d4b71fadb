#include "app/CustomTitleBar.h"
#include "widgets/CustomizeWindowIconButton.h"
#include "tests/app/TestEnvironment.h"
#include "tests/support/fakeapi/FakeApiServer.h"

#include <QBuffer>
#include <QHBoxLayout>
#include <QLabel>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {
// A tiny HTTP server on 127.0.0.1: "/red/…" and "/blue/…" answer a solid PNG,
// "/garbage" bytes that are no image, "/oversized" a red PNG padded to 9 MiB,
// "/held/…" waits until released, and anything else 404. It counts the
// requests per path.
class LocalHttpServer : public QTcpServer
{
public:
    LocalHttpServer()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onRequest(socket); });
        });
        listen(QHostAddress::LocalHost, 0);
    }

    QString url(const QString &path) const { return QString("http://127.0.0.1:%1%2").arg(serverPort()).arg(path); }
    int requests(const QString &path) const { return m_counts.value(path); }
    int totalRequests() const
    {
        int total = 0;
        for (int n : m_counts)
            total += n;
        return total;
    }

    // Answers a held request as if it had asked for `asPath`.
    void release(const QString &path, const QString &asPath)
    {
        QTcpSocket *socket = m_held.take(path);
        if (socket)
            respond(socket, asPath);
    }

private:
    void onRequest(QTcpSocket *socket)
    {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        if (!buffer.contains("\r\n\r\n"))
            return;
        const QString path = QString::fromLatin1(buffer.split(' ').value(1));
        m_buffers.remove(socket);
        ++m_counts[path];
        if (path.startsWith("/held/")) {
            m_held.insert(path, socket);
            return;
        }
        respond(socket, path);
    }

    static QByteArray png(const QColor &colour)
    {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }

    void respond(QTcpSocket *socket, const QString &path)
    {
        QByteArray status = "200 OK";
        QByteArray body;
        if (path.startsWith("/red/"))
            body = png(Qt::red);
        else if (path.startsWith("/blue/"))
            body = png(Qt::blue);
        else if (path == "/garbage")
            body = "this is not a picture";
        else if (path == "/oversized")
            // A decodable picture, padded past what an avatar may take.
            body = png(Qt::red) + QByteArray(9 * 1024 * 1024, '\0');
        else
            status = "404 Not Found";
        socket->write("HTTP/1.1 " + status + "\r\nContent-Type: image/png\r\nCache-Control: no-store\r\n"
                      "Connection: close\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QHash<QString, int> m_counts;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QHash<QString, QTcpSocket *> m_held;
};

enum class Shown { Default, Red, Blue, Other };

Shown shownAvatar(CustomTitleBar &bar)
{
    auto *button = bar.findChild<QPushButton *>("avatarHeadButton");
    const QImage image = button->icon().pixmap(27, 27).toImage();
    const QColor c = image.pixelColor(13, 13);
    if (c.red() > 200 && c.green() < 50 && c.blue() < 50)
        return Shown::Red;
    if (c.blue() > 200 && c.red() < 50 && c.green() < 50)
        return Shown::Blue;
    if (qAbs(c.red() - c.green()) < 20 && qAbs(c.green() - c.blue()) < 20 && c.alpha() == 255)
        return Shown::Default;
    return Shown::Other;
}
} // namespace

class TestTitleBar : public QObject
{
    Q_OBJECT
private slots:
    void signalsOfTheControls();
    void blankSourceShowsDefaultWithoutRequest_data();
    void blankSourceShowsDefaultWithoutRequest();
    void capitalSchemeIsRemote();
    void sameUrlTwiceWhileLoadingMakesOneRequest();
    void lateReplyFillsCacheButKeepsNewerAvatar();
    void lateFailureKeepsNewerAvatar();
    void failuresFallBackToDefault_data();
    void failuresFallBackToDefault();
    void endlessAvatarFallsBackToDefault_data();
    void endlessAvatarFallsBackToDefault();
    void leastRecentlyShownIsEvicted();
    void hiddenUserControlsKeepLayoutAndTakeNoClicks();
    void returnModeMovesLeftMargin();
    void circularPixmap();

private:
    TestEnvironment m_env;
    LocalHttpServer m_server;
};

void TestTitleBar::signalsOfTheControls()
{
    CustomTitleBar bar(nullptr);
    QCOMPARE(bar.height(), 67);
    QSignalSpy min(&bar, &CustomTitleBar::minimizeClicked);
    QSignalSpy max(&bar, &CustomTitleBar::maximizeClicked);
    QSignalSpy close(&bar, &CustomTitleBar::closeClicked);
    QSignalSpy setting(&bar, &CustomTitleBar::settingClicked);
    QSignalSpy login(&bar, &CustomTitleBar::loginClicked);
    for (auto *button : bar.findChildren<CustomizeWindowIconButton *>())
        button->click();
    bar.findChild<QPushButton *>("loginButton")->click();
    bar.findChild<QPushButton *>("avatarHeadButton")->click();
    QCOMPARE(min.count(), 1);
    QCOMPARE(max.count(), 1);
    QCOMPARE(close.count(), 1);
    QCOMPARE(setting.count(), 1);
    QCOMPARE(login.count(), 1);
    QCOMPARE(bar.loginText(), QStringLiteral("点击登录"));
    bar.setLoginText(QStringLiteral("小明"));
    QCOMPARE(bar.findChild<QPushButton *>("loginButton")->text(), QStringLiteral("小明"));
}

void TestTitleBar::blankSourceShowsDefaultWithoutRequest_data()
{
    QTest::addColumn<QString>("source");
    QTest::newRow("empty") << "";
    QTest::newRow("blank") << "   ";
}

void TestTitleBar::blankSourceShowsDefaultWithoutRequest()
{
    QFETCH(QString, source);
    CustomTitleBar bar(nullptr);
    const int before = m_server.totalRequests();
    bar.setAvatarUrl(source);
    QCOMPARE(bar.avatarSource(), CustomTitleBar::defaultAvatarPath());
    QCOMPARE(shownAvatar(bar), Shown::Default);
    QCOMPARE(m_server.totalRequests(), before);
}

void TestTitleBar::capitalSchemeIsRemote()
{
    CustomTitleBar bar(nullptr);
    const QString url = m_server.url("/red/capital.png").replace("http://", "HTTP://");
    bar.setAvatarUrl(url);
    QCOMPARE(shownAvatar(bar), Shown::Default);
    QTRY_COMPARE(shownAvatar(bar), Shown::Red);
    QCOMPARE(m_server.requests("/red/capital.png"), 1);
}

void TestTitleBar::sameUrlTwiceWhileLoadingMakesOneRequest()
{
    CustomTitleBar bar(nullptr);
    const QString url = m_server.url("/held/twice");
    bar.setAvatarUrl(url);
    QTRY_COMPARE(m_server.requests("/held/twice"), 1);
    bar.setAvatarUrl(url);
    m_server.release("/held/twice", "/red/x");
    QTRY_COMPARE(shownAvatar(bar), Shown::Red);
    QCOMPARE(m_server.requests("/held/twice"), 1);

    // Cached now: showing it again asks nobody.
    bar.setAvatarUrl(QString());
    bar.setAvatarUrl(url);
    QCOMPARE(shownAvatar(bar), Shown::Red);
    QCOMPARE(m_server.requests("/held/twice"), 1);
}

void TestTitleBar::lateReplyFillsCacheButKeepsNewerAvatar()
{
    CustomTitleBar bar(nullptr);
    QSignalSpy finished(bar.findChild<QNetworkAccessManager *>(), &QNetworkAccessManager::finished);
    const QString a = m_server.url("/held/late-a");
    bar.setAvatarUrl(a);
    QTRY_COMPARE(m_server.requests("/held/late-a"), 1);
    bar.setAvatarUrl(m_server.url("/blue/late-b"));
    QTRY_COMPARE(shownAvatar(bar), Shown::Blue);

    finished.clear();
    m_server.release("/held/late-a", "/red/late");
    QVERIFY(finished.wait(5000));
    QCOMPARE(shownAvatar(bar), Shown::Blue);
    // A's picture went into the cache all the same.
    bar.setAvatarUrl(a);
    QCOMPARE(shownAvatar(bar), Shown::Red);
    QCOMPARE(m_server.requests("/held/late-a"), 1);
}

void TestTitleBar::lateFailureKeepsNewerAvatar()
{
    CustomTitleBar bar(nullptr);
    QSignalSpy finished(bar.findChild<QNetworkAccessManager *>(), &QNetworkAccessManager::finished);
    bar.setAvatarUrl(m_server.url("/held/fail-a"));
    QTRY_COMPARE(m_server.requests("/held/fail-a"), 1);
    bar.setAvatarUrl(m_server.url("/blue/fail-b"));
    QTRY_COMPARE(shownAvatar(bar), Shown::Blue);
    finished.clear();
    m_server.release("/held/fail-a", "/missing");
    QVERIFY(finished.wait(5000));
    QCOMPARE(shownAvatar(bar), Shown::Blue);
}

void TestTitleBar::failuresFallBackToDefault_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("not found") << "/missing";
    QTest::newRow("not an image") << "/garbage";
    QTest::newRow("too large") << "/oversized";
}

void TestTitleBar::failuresFallBackToDefault()
{
    QFETCH(QString, path);
    CustomTitleBar bar(nullptr);
    QSignalSpy finished(bar.findChild<QNetworkAccessManager *>(), &QNetworkAccessManager::finished);
    bar.setAvatarUrl(m_server.url("/red/before-failure"));
    QTRY_COMPARE(shownAvatar(bar), Shown::Red);
    finished.clear();
    const int before = m_server.requests(path);

    bar.setAvatarUrl(m_server.url(path));
    QCOMPARE(shownAvatar(bar), Shown::Default);
    QVERIFY(finished.wait(5000));
    QCOMPARE(m_server.requests(path), before + 1);
    QCOMPARE(shownAvatar(bar), Shown::Default);

    // Nothing retries by itself; asking again sends a new request.
    bar.setAvatarUrl(m_server.url(path));
    QVERIFY(finished.wait(5000));
    QCOMPARE(m_server.requests(path), before + 2);
}

void TestTitleBar::endlessAvatarFallsBackToDefault_data()
{
    QTest::addColumn<FakeApi::Fault>("fault");
    QTest::newRow("chunked") << FakeApi::Fault::flood(FakeApi::Fault::Framing::Chunked);
    QTest::newRow("until the close") << FakeApi::Fault::flood(FakeApi::Fault::Framing::UntilClose);
}

// A server writing as fast as it can: the body is cut off at the avatar cap,
// whatever the GUI thread's pace, and the default picture stays.
void TestTitleBar::endlessAvatarFallsBackToDefault()
{
    QFETCH(FakeApi::Fault, fault);
    FakeApi::FakeApiServer server;
    QVERIFY(server.start());
    server.backend().setFile(QStringLiteral("endless.png"), QByteArray(64, 'p'));
    server.setFault(QStringLiteral("files/endless.png"), fault);
    CustomTitleBar bar(nullptr);
    bar.setAvatarUrl(m_server.url("/red/before-endless"));
    QTRY_COMPARE(shownAvatar(bar), Shown::Red);

    bar.setAvatarUrl(server.fileUrl(QStringLiteral("endless.png")).toString());
    QTRY_COMPARE(server.requestCount(QStringLiteral("files/endless.png")), 1);
    QTRY_VERIFY_WITH_TIMEOUT(bar.findChildren<QNetworkReply *>().isEmpty(), 30000);
    QCOMPARE(shownAvatar(bar), Shown::Default);
    // Taken in: the cap, the network thread's read-ahead and the sockets' buffers, never the flood.
    QTRY_COMPARE(server.activeFloods(), 0);
    QVERIFY2(server.floodedBytes() < 32 * 1024 * 1024, qPrintable(QString::number(server.floodedBytes())));
}

void TestTitleBar::leastRecentlyShownIsEvicted()
{
    CustomTitleBar bar(nullptr);
    auto path = [](int i) { return QString("/red/lru-%1").arg(i); };
    auto show = [&](int i) {
        bar.setAvatarUrl(m_server.url(path(i)));
        return QTest::qWaitFor([&] { return shownAvatar(bar) == Shown::Red; }, 5000);
    };
    for (int i = 0; i < 200; ++i)
        QVERIFY(show(i));
    // Showing #0 again makes it the newest: #1 is now the oldest.
    QVERIFY(show(0));
    QCOMPARE(m_server.requests(path(0)), 1);
    QVERIFY(show(200));

    QVERIFY(show(0));
    QCOMPARE(m_server.requests(path(0)), 1);
    QVERIFY(show(1));
    QCOMPARE(m_server.requests(path(1)), 2);
}

void TestTitleBar::hiddenUserControlsKeepLayoutAndTakeNoClicks()
{
    QWidget window;
    auto *bar = new CustomTitleBar(&window);
    bar->resize(1280, 67);
    window.resize(1280, 67);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *close = bar->findChildren<CustomizeWindowIconButton *>().last();
    auto *setting = bar->findChildren<CustomizeWindowIconButton *>().first();
    QCOMPARE(setting->type(), CustomizeWindowIconButton::Setting);
    const QPoint closeAt = close->mapTo(bar, QPoint(0, 0));

    QSignalSpy settingClicks(bar, &CustomTitleBar::settingClicked);
    bar->setUserControlsVisible(false);
    QCoreApplication::processEvents();
    QCOMPARE(close->mapTo(bar, QPoint(0, 0)), closeAt);
    for (QWidget *w : {static_cast<QWidget *>(setting), static_cast<QWidget *>(bar->findChild<QPushButton *>("loginButton")),
                       static_cast<QWidget *>(bar->findChild<QPushButton *>("avatarHeadButton"))}) {
        QVERIFY(!w->isVisible());
        QVERIFY(!w->isEnabled());
        QVERIFY(w->testAttribute(Qt::WA_TransparentForMouseEvents));
    }
    QTest::mouseClick(setting, Qt::LeftButton);
    QCOMPARE(settingClicks.count(), 0);

    bar->setUserControlsVisible(true);
    QCoreApplication::processEvents();
    QCOMPARE(close->mapTo(bar, QPoint(0, 0)), closeAt);
    QVERIFY(setting->isVisible() && setting->isEnabled());
}

void TestTitleBar::returnModeMovesLeftMargin()
{
    CustomTitleBar bar(nullptr);
    auto *layout = qobject_cast<QHBoxLayout *>(bar.layout());
    QCOMPARE(layout->contentsMargins(), QMargins(40, 0, 40, 0));
    QVERIFY(!bar.isReturnMode());
    QSignalSpy back(&bar, &CustomTitleBar::returnClicked);

    bar.setReturnMode(true, QStringLiteral("设置"));
    QVERIFY(bar.isReturnMode());
    QCOMPARE(layout->contentsMargins(), QMargins(20, 0, 40, 0));
    auto *title = bar.findChild<QLabel *>("returnTitle");
    QCOMPARE(title->text(), QStringLiteral("设置"));

    bar.setReturnMode(false, QStringLiteral("ignored"));
    QVERIFY(!bar.isReturnMode());
    QCOMPARE(layout->contentsMargins(), QMargins(40, 0, 40, 0));
    QCOMPARE(title->text(), QStringLiteral("设置"));
}

void TestTitleBar::circularPixmap()
{
    QPixmap wide(40, 20);
    wide.fill(Qt::green);
    const QPixmap round = CustomTitleBar::makeCircularPixmap(wide, QSize(27, 30));
    QCOMPARE(round.size(), QSize(27, 27));
    const QImage image = round.toImage();
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
    QCOMPARE(image.pixelColor(13, 13), QColor(Qt::green));
    QVERIFY(CustomTitleBar::makeCircularPixmap(QPixmap(), QSize(27, 27)).isNull());
    QVERIFY(CustomTitleBar::makeCircularPixmap(wide, QSize(0, 27)).isNull());
}

QTEST_MAIN(TestTitleBar)
#include "tst_titlebar.moc"
