#include "HandlerFixture.h"

#include "protocol/HeartbeatController.h"

#include <QSignalSpy>
#include <QTest>

using namespace HeadsetProtocol;

namespace {

HeartbeatController *controllerOf(ProtocolHandler &handler)
{
    return handler.findChild<HeartbeatController *>();
}

QList<ushort> sentCommands(const QSignalSpy &spy)
{
    QList<ushort> out;
    for (const QList<QVariant> &args : spy)
        out << args.at(0).value<ushort>();
    return out;
}

} // namespace

class TestHeartbeat : public QObject
{
    Q_OBJECT

private slots:
    void offUntilEnabled()
    {
        HandlerFixture f;
        HeartbeatController *hb = controllerOf(f.handler);
        QVERIFY(hb);
        QVERIFY(!hb->isEnabled());
        QVERIFY(!hb->isTimerActive());
        QCOMPARE(hb->intervalMs(), 1500);
        QVERIFY(!hb->isSuppressed()); // no link state reported yet

        f.handler.setHeartbeatEnabled(true);
        QVERIFY(hb->isTimerActive());
        QVERIFY(hb->remainingTimeMs() > 1400);
        QVERIFY(f.hasLog("[INFO] Heartbeat (0x27) enabled, interval 1500 ms"));
        f.handler.setHeartbeatEnabled(false);
        QVERIFY(!hb->isTimerActive());
        QVERIFY(f.hasLog("[INFO] Heartbeat (0x27) disabled"));
    }

    void intervalClamping_data()
    {
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("stored");
        QTest::newRow("50") << 50 << 200;
        QTest::newRow("200") << 200 << 200;
        QTest::newRow("negative") << -5 << 200;
        QTest::newRow("600000") << 600000 << 600000;
        QTest::newRow("1000000") << 1000000 << 600000;
    }

    void intervalClamping()
    {
        QFETCH(int, requested);
        QFETCH(int, stored);
        HandlerFixture f;
        HeartbeatController *hb = controllerOf(f.handler);
        f.handler.setHeartbeatIntervalMs(requested);
        QCOMPARE(hb->intervalMs(), stored);
        QVERIFY(!hb->isTimerActive()); // changing it while off starts nothing
    }

    void idleHeartbeatGoesOut()
    {
        HandlerFixture f;
        QSignalSpy sent(&f.handler, &ProtocolHandler::requestSent);
        f.handler.setHeartbeatIntervalMs(200);
        f.handler.setHeartbeatEnabled(true);
        QVERIFY(sent.wait(5000));
        QCOMPARE(sentCommands(sent), QList<ushort>{0x27});
        QVERIFY(sent.wait(5000)); // and again while idle
        QCOMPARE(sentCommands(sent), (QList<ushort>{0x27, 0x27}));
        QVERIFY(f.hasLog("[INFO] 已发送心跳包"));
    }

    void otherTrafficRestartsTheIdleTimer()
    {
        HandlerFixture f;
        HeartbeatController *hb = controllerOf(f.handler);
        QSignalSpy due(hb, &HeartbeatController::heartbeatDue);
        f.handler.setHeartbeatIntervalMs(600000);
        f.handler.setHeartbeatEnabled(true);
        f.handler.setHeartbeatIntervalMs(1000);
        QVERIFY(hb->isTimerActive());
        QVERIFY(hb->remainingTimeMs() <= 1050); // a coarse timer may run up to 5 % long

        // Wait until the timer has visibly run down, then send: it starts over.
        QTRY_VERIFY_WITH_TIMEOUT(hb->remainingTimeMs() < 700, 5000);
        f.handler.sendFactoryReset();
        QVERIFY(hb->remainingTimeMs() > 900);

        // The heartbeat's own send does not restart it.
        QTRY_VERIFY_WITH_TIMEOUT(hb->remainingTimeMs() < 700, 5000);
        f.handler.sendRequest(0x27, CommandType::Request, {});
        QVERIFY(hb->remainingTimeMs() < 750);
        QVERIFY(due.isEmpty());
    }

    void linkStates()
    {
        HandlerFixture f;
        HeartbeatController *hb = controllerOf(f.handler);
        QSignalSpy due(hb, &HeartbeatController::heartbeatDue);
        f.handler.setHeartbeatEnabled(true);

        QCOMPARE(hb->updateLinkState(2), int(HeartbeatController::LinkIgnored));
        QVERIFY(hb->isTimerActive());

        const QByteArray down = HandlerFixture::deviceFrame(0x11, CommandType::Notify, 0, QByteArray::fromHex("040101"));
        const QByteArray up = HandlerFixture::deviceFrame(0x11, CommandType::Notify, 1, QByteArray::fromHex("040100"));
        const QString paused = "[INFO] Dongle/headset link disconnected (Notify(TLV0x04)), heartbeat paused";
        const QString resumed = "[INFO] Dongle/headset link connected (Notify(TLV0x04)), heartbeat resumed";
        f.feed(down);
        f.feed(down);
        QVERIFY(f.drain());
        QVERIFY(!hb->isTimerActive());
        QVERIFY(hb->isSuppressed());
        QCOMPARE(f.countLog(paused), 1);

        // A due tick while suppressed sends nothing.
        QMetaObject::invokeMethod(hb, "onTimeout");
        QVERIFY(due.isEmpty());

        f.feed(up);
        QVERIFY(f.drain());
        QVERIFY(hb->isTimerActive());
        QCOMPARE(f.countLog(resumed), 1);
        QCOMPARE(hb->updateLinkState(0), int(HeartbeatController::LinkUnchanged));
    }

    void enablingWhileLinkIsDown()
    {
        HandlerFixture f;
        HeartbeatController *hb = controllerOf(f.handler);
        QSignalSpy sent(&f.handler, &ProtocolHandler::requestSent);
        f.handler.setHeartbeatIntervalMs(200);
        QCOMPARE(hb->updateLinkState(1), int(HeartbeatController::LinkBecameDown));
        f.handler.setHeartbeatEnabled(true);
        QVERIFY(f.hasLog("[INFO] Heartbeat (0x27) suppressed: dongle/headset link is disconnected"));
        QVERIFY(!hb->isTimerActive());
        QMetaObject::invokeMethod(&f.handler, "onHeartbeatTimer");
        QVERIFY(sent.isEmpty());

        QCOMPARE(hb->updateLinkState(0), int(HeartbeatController::LinkBecameUp));
        QVERIFY(sent.wait(5000));
        QCOMPARE(sentCommands(sent), QList<ushort>{0x27});
    }

    void resetSwitchesItOff()
    {
        HandlerFixture f;
        HeartbeatController *hb = controllerOf(f.handler);
        f.handler.setHeartbeatEnabled(true);
        f.log.clear();
        f.handler.resetTransportState();
        QVERIFY(!hb->isEnabled());
        QVERIFY(!hb->isTimerActive());
        QVERIFY(f.logLines().filter("Heartbeat").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHeartbeat)
#include "tst_heartbeat.moc"
