// The bounded GET of the server's pictures against the fake server: a body
// within both bounds arrives whole; one past the size limit, however it is
// sent, or one that keeps trickling past the time-out ends as a failure
// with no body.
#include "CloudTestSupport.h"

#include "cloud/BoundedGet.h"
#include "tests/support/fakeapi/FakeApiServer.h"
#include "tests/support/testenv/MessageLog.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

using FakeApi::Fault;

class TestBoundedGet : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { CloudTest::bypassProxy(); }
    void bounds_data();
    void bounds();
};

void TestBoundedGet::bounds_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("useFault");
    QTest::addColumn<int>("fileBytes");
    QTest::addColumn<QString>("warning"); // start of the line that tells why it ended; empty when it did not
    const int limit = 64 * 1024;
    QTest::newRow("exactly the limit") << Fault() << false << limit << "";
    QTest::newRow("announced past the limit") << Fault() << false << limit + 1 << "bytes seen, over the limit";
    QTest::newRow("flood, chunked") << Fault::flood(Fault::Framing::Chunked) << true << 10 << "bytes seen, over the limit";
    QTest::newRow("flood, until the close") << Fault::flood(Fault::Framing::UntilClose) << true << 10
                                            << "bytes seen, over the limit";
    QTest::newRow("trickling past the time-out") << Fault::trickle(20, limit) << true << 10 << "not done within 400 ms";
}

void TestBoundedGet::bounds()
{
    QFETCH(Fault, fault);
    QFETCH(bool, useFault);
    QFETCH(int, fileBytes);
    QFETCH(QString, warning);
    MessageLog log;
    FakeApi::FakeApiServer server;
    QVERIFY(server.start());
    const QByteArray file(fileBytes, 'b');
    server.backend().setFile(QStringLiteral("p.png"), file);
    if (useFault)
        server.setFault(QStringLiteral("files/p.png"), fault);
    QNetworkAccessManager manager;
    QNetworkReply *reply = BoundedGet::get(&manager, server.fileUrl(QStringLiteral("p.png")), 64 * 1024, 400);
    QVERIFY(reply);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    QVERIFY(finished.wait(30000));
    const bool taken = !useFault && fileBytes <= 64 * 1024;
    QCOMPARE(reply->error() == QNetworkReply::NoError, taken);
    QCOMPARE(BoundedGet::body(reply), taken ? file : QByteArray());
    const QStringList warnings = log.lines(QtWarningMsg).filter(QStringLiteral("[Net][Get] "));
    if (warning.isEmpty()) {
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
    } else {
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings.first().contains(warning), qPrintable(warnings.first()));
    }
    delete reply;
}

QTEST_GUILESS_MAIN(TestBoundedGet)
#include "tst_boundedget.moc"
