// The fake API server must refuse what a faulty client sends, or the client
// tests prove nothing. Requests here are written by hand on a raw socket.
#include "CloudTestSupport.h"

#include "tests/support/fakeapi/FakeApiServer.h"
#include "tests/support/fakeapi/HttpRequestParser.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTest>

using namespace FakeApi;

namespace {

struct RawReply
{
    int status = 0;
    QByteArray head;
    QByteArray body;
    int errorCode() const { return QJsonDocument::fromJson(body).object().value("errorCode").toInt(-999); }
};

RawReply exchange(quint16 port, const QByteArray &request)
{
    // The server runs on this thread, so the client must not block it.
    QTcpSocket socket;
    QByteArray all;
    bool closed = false;
    QObject::connect(&socket, &QTcpSocket::connected, [&] { socket.write(request); });
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { all += socket.readAll(); });
    QObject::connect(&socket, &QTcpSocket::disconnected, [&] { closed = true; });
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!QTest::qWaitFor([&] { return closed; }, 5000))
        return {};
    all += socket.readAll();
    RawReply reply;
    const QList<QByteArray> statusLine = all.left(all.indexOf("\r\n")).split(' ');
    reply.status = statusLine.value(1).toInt();
    reply.head = all.left(all.indexOf("\r\n\r\n"));
    reply.body = all.mid(all.indexOf("\r\n\r\n") + 4);
    return reply;
}

QByteArray formPost(const QString &route, const QList<QPair<QByteArray, QByteArray>> &headers, const QByteArray &body)
{
    QByteArray r = "POST /index.php/" + route.toUtf8() + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    for (const auto &[name, value] : headers)
        r += name + ": " + value + "\r\n";
    r += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " + QByteArray::number(body.size())
         + "\r\n\r\n" + body;
    return r;
}

QByteArray nowText(qint64 offset = 0)
{
    return QByteArray::number(QDateTime::currentSecsSinceEpoch() + offset);
}

QByteArray signFor(const QByteArray &ts)
{
    const QByteArray key = SignScheme().secret.toUtf8();
    return CloudTest::hmacSha1Hex(key + ts, key).toUtf8();
}

} // namespace

class TestFakeApiServer : public QObject
{
    Q_OBJECT

private slots:
    void chunkedRequestFedInPieces();
    void oversizedOrMalformedRequests_data();
    void oversizedOrMalformedRequests();
    void formDecoding();
    void multipartDecoding();
    void signingAndTokenChecks_data();
    void signingAndTokenChecks();
    void loginRefusesClearPassword();
    void answersOfAnyLength_data();
    void answersOfAnyLength();
    void floodsAsFastAsTheClientReads_data();
    void floodsAsFastAsTheClientReads();
    void endlessFloodStopsWhenTheClientGoes();
};

void TestFakeApiServer::chunkedRequestFedInPieces()
{
    const QByteArray raw = "POST /index.php/home/x HTTP/1.1\r\nTransfer-Encoding: chunked\r\n"
                           "Content-Type: application/x-www-form-urlencoded\r\n\r\n"
                           "4\r\na=1&\r\n3\r\nb=2\r\n0\r\n\r\n";
    HttpRequestParser parser;
    for (int i = 0; i < raw.size() - 1; ++i)
        QCOMPARE(parser.feed(raw.mid(i, 1)), HttpRequestParser::State::NeedMore);
    QCOMPARE(parser.feed(raw.right(1)), HttpRequestParser::State::Complete);
    QCOMPARE(parser.request().body, QByteArray("a=1&b=2"));
    QCOMPARE(parser.request().field("b"), QStringLiteral("2"));
}

void TestFakeApiServer::oversizedOrMalformedRequests_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::newRow("bad request line") << QByteArray("HELLO\r\n\r\n");
    QTest::newRow("huge length") << QByteArray("POST / HTTP/1.1\r\nContent-Length: 999999999999\r\n\r\n");
    QTest::newRow("negative length") << QByteArray("POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n");
    QTest::newRow("bad chunk") << QByteArray("POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n");
}

void TestFakeApiServer::oversizedOrMalformedRequests()
{
    QFETCH(QByteArray, raw);
    FakeApiServer server;
    QVERIFY(server.start());
    QCOMPARE(exchange(server.port(), raw).status, 400);
    QCOMPARE(server.requests().size(), 0);
}

void TestFakeApiServer::formDecoding()
{
    const auto fields = HttpRequestParser::decodeForm("a=x+y%2B%E4%B8%AD&empty=&flag");
    QCOMPARE(fields.size(), 3);
    QCOMPARE(fields.at(0).second, QStringLiteral("x y+中"));
    QCOMPARE(fields.at(1).second, QString());
    QCOMPARE(fields.at(2).first, QStringLiteral("flag"));
}

void TestFakeApiServer::multipartDecoding()
{
    const QByteArray body = "--B\r\nContent-Disposition: form-data; name=\"pid\"\r\n\r\n49678\r\n"
                            "--B\r\nContent-Disposition: form-data; name=\"image\"; filename=\"a.png\"\r\n"
                            "Content-Type: image/png\r\n\r\n\x89PNG\r\n\r\n--B--\r\n";
    QList<MultipartPart> parts;
    QVERIFY(HttpRequestParser::decodeMultipart(body, "B", &parts));
    QCOMPARE(parts.size(), 2);
    QCOMPARE(parts.at(0).name, QStringLiteral("pid"));
    QCOMPARE(parts.at(0).body, QByteArray("49678"));
    QCOMPARE(parts.at(1).fileName, QStringLiteral("a.png"));
    QCOMPARE(parts.at(1).contentType, QByteArray("image/png"));
    QCOMPARE(parts.at(1).body, QByteArray("\x89PNG\r\n"));
    QVERIFY(!HttpRequestParser::decodeMultipart(body, "X", &parts));
}

void TestFakeApiServer::signingAndTokenChecks_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<QByteArray>("timestamp");
    QTest::addColumn<QByteArray>("sign");
    QTest::addColumn<QByteArray>("token");
    QTest::addColumn<int>("code");

    const QByteArray ts = nowText();
    QTest::newRow("valid") << "home/account/sendVerify" << ts << signFor(ts) << QByteArray() << 0;
    QTest::newRow("no timestamp") << "home/account/sendVerify" << QByteArray() << signFor(ts) << QByteArray() << 1008;
    QTest::newRow("milliseconds") << "home/account/sendVerify" << ts + "000" << signFor(ts + "000") << QByteArray()
                                  << 1008;
    QTest::newRow("stale") << "home/account/sendVerify" << nowText(-3600) << signFor(nowText(-3600)) << QByteArray()
                           << 1010;
    QTest::newRow("no sign") << "home/account/sendVerify" << ts << QByteArray() << QByteArray() << 1009;
    QTest::newRow("wrong sign") << "home/account/sendVerify" << ts << QByteArray(40, 'a') << QByteArray() << 1010;
    QTest::newRow("upper-case sign") << "home/account/sendVerify" << ts << signFor(ts).toUpper() << QByteArray() << 1010;
    QTest::newRow("token missing") << "home/user/logout" << ts << signFor(ts) << QByteArray() << 1002;
    QTest::newRow("token unknown") << "home/user/logout" << ts << signFor(ts) << QByteArray("nope") << 1003;
    QTest::newRow("token expired") << "home/user/logout" << ts << signFor(ts) << QByteArray("expired") << 1004;
    QTest::newRow("token valid") << "home/user/logout" << ts << signFor(ts) << QByteArray("valid") << 0;
}

void TestFakeApiServer::signingAndTokenChecks()
{
    QFETCH(QString, route);
    QFETCH(QByteArray, timestamp);
    QFETCH(QByteArray, sign);
    QFETCH(QByteArray, token);
    QFETCH(int, code);

    FakeApiServer server;
    QVERIFY(server.start());
    server.backend().addUser(QStringLiteral("u"), QStringLiteral("p"));
    const QString valid = server.backend().issueToken(QStringLiteral("u"));
    const QString expired = server.backend().issueToken(QStringLiteral("u"));
    server.backend().expireToken(expired);
    if (token == "valid")
        token = valid.toUtf8();
    else if (token == "expired")
        token = expired.toUtf8();

    QList<QPair<QByteArray, QByteArray>> headers;
    if (!timestamp.isEmpty())
        headers.append({"timestamp", timestamp});
    if (!sign.isEmpty())
        headers.append({"sign", sign});
    headers.append({QByteArray("lang"), QByteArray("zh")});
    if (!token.isEmpty())
        headers.append({"token", token});

    const RawReply reply = exchange(server.port(), formPost(route, headers, "userName=u&vcodeType=1"));
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.errorCode(), code);
}

void TestFakeApiServer::loginRefusesClearPassword()
{
    FakeApiServer server;
    QVERIFY(server.start());
    server.backend().addUser(QStringLiteral("u"), QStringLiteral("p"));
    const QByteArray ts = nowText();
    const QList<QPair<QByteArray, QByteArray>> headers = {{"timestamp", ts}, {"sign", signFor(ts)}};
    QCOMPARE(exchange(server.port(), formPost("home/account/login", headers, "userName=u&password=p")).errorCode(), 2025);
    const QByteArray hash = server.backend().passwordHash(QStringLiteral("p")).toUtf8();
    QCOMPARE(exchange(server.port(), formPost("home/account/login", headers, "userName=u&password=" + hash)).errorCode(), 0);
}

void TestFakeApiServer::answersOfAnyLength_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QByteArray>("length"); // the Content-Length line, empty when none is sent
    QTest::addColumn<int>("bodyBytes");
    QTest::addColumn<bool>("closes");
    QTest::newRow("stream padded to 300000") << Fault::stream(300000, 4096) << QByteArray() << 300000 << true;
    Fault trickle = Fault::trickle(1, 3000);
    trickle.chunkBytes = 100;
    QTest::newRow("trickle padded to 3000") << trickle << QByteArray("3000") << 3000 << true;
    QTest::newRow("overstated") << Fault::overstate(999999) << QByteArray("999999") << -1 << false;
}

void TestFakeApiServer::answersOfAnyLength()
{
    QFETCH(Fault, fault);
    QFETCH(QByteArray, length);
    QFETCH(int, bodyBytes);
    QFETCH(bool, closes);
    FakeApiServer server;
    QVERIFY(server.start());
    server.setFault(QStringLiteral("home/x"), fault);
    QTcpSocket socket;
    QByteArray all;
    bool closed = false;
    connect(&socket, &QTcpSocket::connected, this,
            [&] { socket.write(formPost(QStringLiteral("home/x"), {}, "a=1")); });
    connect(&socket, &QTcpSocket::readyRead, this, [&] { all += socket.readAll(); });
    connect(&socket, &QTcpSocket::disconnected, this, [&] { closed = true; });
    socket.connectToHost(QHostAddress::LocalHost, server.port());
    const auto envelopeDone = [&] {
        const QByteArray body = all.mid(all.indexOf("\r\n\r\n") + 4);
        return all.contains("\r\n\r\n") && QJsonDocument::fromJson(body.trimmed()).isObject();
    };
    QVERIFY(QTest::qWaitFor([&] { return closes ? closed : envelopeDone(); }, 10000));
    const QByteArray head = all.left(all.indexOf("\r\n\r\n"));
    const QByteArray body = all.mid(head.size() + 4);
    QCOMPARE(head.contains("\r\nContent-Length: " + length), !length.isEmpty());
    if (bodyBytes >= 0)
        QCOMPARE(body.size(), bodyBytes);
    // The envelope first, then only blanks.
    QVERIFY(QJsonDocument::fromJson(body.trimmed()).isObject());
    QCOMPARE(socket.state() == QAbstractSocket::ConnectedState, !closes);
}

namespace {

// Undoes chunked framing; false when the framing is broken or not ended.
bool unchunk(const QByteArray &framed, QByteArray *body)
{
    qsizetype at = 0;
    for (;;) {
        const qsizetype eol = framed.indexOf("\r\n", at);
        if (eol < 0)
            return false;
        bool ok = false;
        const qsizetype size = framed.mid(at, eol - at).toLongLong(&ok, 16);
        if (!ok || framed.size() < eol + 2 + size + 2 || framed.mid(eol + 2 + size, 2) != "\r\n")
            return false;
        if (size == 0)
            return eol + 4 == framed.size();
        body->append(framed.mid(eol + 2, size));
        at = eol + 2 + size + 2;
    }
}

} // namespace

void TestFakeApiServer::floodsAsFastAsTheClientReads_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("bodyBytes");
    QTest::newRow("ended by the close") << Fault::flood(Fault::Framing::UntilClose, 3000000) << 3000000;
    QTest::newRow("chunked") << Fault::flood(Fault::Framing::Chunked, 3000000) << 3000000;
    QTest::newRow("no more than the envelope") << Fault::flood(Fault::Framing::Chunked, 0) << -1;
}

void TestFakeApiServer::floodsAsFastAsTheClientReads()
{
    QFETCH(Fault, fault);
    QFETCH(int, bodyBytes);
    FakeApiServer server;
    QVERIFY(server.start());
    server.setFault(QStringLiteral("home/x"), fault);
    const RawReply reply = exchange(server.port(), formPost(QStringLiteral("home/x"), {}, "a=1"));
    QCOMPARE(reply.status, 200);
    QVERIFY(!reply.head.contains("Content-Length"));
    QCOMPARE(reply.head.contains("\r\nTransfer-Encoding: chunked"), fault.chunked);
    QByteArray body = reply.body;
    if (fault.chunked) {
        body.clear();
        QVERIFY(unchunk(reply.body, &body));
    }
    if (bodyBytes >= 0)
        QCOMPARE(body.size(), bodyBytes);
    // The envelope first, then only blanks.
    QVERIFY(QJsonDocument::fromJson(body.trimmed()).isObject());
    QCOMPARE(server.floodedBytes(), qint64(body.size()));
    QTRY_COMPARE(server.activeFloods(), 0);
}

void TestFakeApiServer::endlessFloodStopsWhenTheClientGoes()
{
    FakeApiServer server;
    QVERIFY(server.start());
    server.setFault(QStringLiteral("home/x"), Fault::flood(Fault::Framing::UntilClose));
    QTcpSocket socket;
    qint64 received = 0;
    connect(&socket, &QTcpSocket::connected, this, [&] { socket.write(formPost(QStringLiteral("home/x"), {}, "a=1")); });
    connect(&socket, &QTcpSocket::readyRead, this, [&] { received += socket.readAll().size(); });
    socket.connectToHost(QHostAddress::LocalHost, server.port());
    QTRY_VERIFY_WITH_TIMEOUT(received > 16 * 1024 * 1024, 30000);
    QCOMPARE(server.activeFloods(), 1);
    socket.abort();
    QTRY_COMPARE_WITH_TIMEOUT(server.activeFloods(), 0, 10000);
}

QTEST_MAIN(TestFakeApiServer)
#include "tst_fakeapiserver.moc"
