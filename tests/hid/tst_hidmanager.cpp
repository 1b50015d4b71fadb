// The HID manager facade over both workers and the hidapi double: the link's
// life as the layers above see it, and the firmware updater's exclusive phase.
#include "HidApiLockHolder.h"
#include "HidTestDevices.h"
#include "tests/support/testenv/MessageLog.h"

#include "hid/HidManager.h"
#include "tests/support/hidapidouble/EchoResponder.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace HidTestDevices;

namespace {

// The facade's signals in arrival order.
class FacadeRecorder : public QObject
{
public:
    explicit FacadeRecorder(HidManager &m)
    {
        connect(&m, &HidManager::commError, this, [this](const QString &id, const QString &e, bool fatal) {
            events.append(QStringLiteral("error %1 %2 %3").arg(id, e).arg(fatal));
        });
        connect(&m, &HidManager::deviceConnectionChanged, this, [this](const QString &id, bool connected) {
            events.append(QStringLiteral("connection %1 %2").arg(id).arg(connected));
        });
        connect(&m, &HidManager::deviceListUpdated, this, [this](const QList<HIDTypes::HidDeviceInfo> &devices) {
            QStringList ids;
            for (const auto &d : devices)
                ids.append(d.path);
            events.append(QStringLiteral("list %1").arg(ids.join(',')));
        });
    }
    QStringList events;
};

// Holds the next hot-plug scan inside hid_enumerate, as a scan stuck in the
// system would, until released (or a bound of ten seconds).
class StuckScan
{
public:
    StuckScan() = default;
    ~StuckScan() { release(); }
    StuckScan(const StuckScan &) = delete;
    StuckScan &operator=(const StuckScan &) = delete;

    // Raises a device change and returns once its scan is held.
    bool hold()
    {
        api().setEnumerateHook([entered = m_entered, released = m_released] {
            entered->release();
            released->tryAcquire(1, 10000);
        });
        lastHotplugSource()->raise();
        const bool held = QTest::qWaitFor([this] { return m_entered->available() > 0; }, 5000);
        api().setEnumerateHook(nullptr); // later scans run freely
        return held;
    }
    void release() { m_released->release(); }

private:
    // Shared with the held scan, which may outlive this object by a moment.
    std::shared_ptr<QSemaphore> m_entered = std::make_shared<QSemaphore>();
    std::shared_ptr<QSemaphore> m_released = std::make_shared<QSemaphore>();
};

} // namespace

class TestHidManager : public QObject
{
    Q_OBJECT

    // A manager that has listed the headset and the receiver.
    std::unique_ptr<HidManager> makeManager(const HIDTypes::HidManagerConfig &config = fastConfig())
    {
        auto m = std::make_unique<HidManager>(nullptr, config);
        QSignalSpy listed(m.get(), &HidManager::deviceListUpdated);
        m->addTargetDevice(filter(0x3654, -1, 3));
        if (!listed.wait())
            return nullptr;
        return m;
    }

    // Stop waits that a stuck thread runs past quickly.
    static HIDTypes::HidManagerConfig shortStopWaits(int attempts = 1)
    {
        HIDTypes::HidManagerConfig config = fastConfig();
        config.commThreadStopWaitMs = 20;
        config.scanThreadStopWaitMs = 20;
        config.threadStopAttempts = attempts;
        return config;
    }

    // A manager whose I/O thread hangs in a read of the connected headset.
    std::unique_ptr<HidManager> managerWithHungRead(const HIDTypes::HidManagerConfig &config)
    {
        auto m = makeManager(config);
        if (!m || !m->connectDevice(headset().id).success)
            return nullptr;
        api().stallReads(headset().hid.path, true);
        if (!QTest::qWaitFor([] { return api().stalledReads(headset().hid.path) == 1; }, 5000))
            return nullptr;
        return m;
    }

    // A manager whose enumeration thread is held in a scan by `scan`.
    std::unique_ptr<HidManager> managerWithStuckScan(StuckScan &scan)
    {
        auto m = makeManager(shortStopWaits());
        return m && scan.hold() ? std::move(m) : nullptr;
    }

    // After a refused firmware phase: the headset connects and echoes, and
    // nothing was left half suspended, so the next phase releases hidapi.
    static void worksAsBeforeTheRefusal(HidManager &m)
    {
        QVERIFY(m.connectDevice(headset().id).success);
        QSignalSpy received(&m, &HidManager::dataReceived);
        m.sendData(QStringLiteral("protocol"), QByteArray(64, '\1'), true);
        QVERIFY(received.wait());
        QVERIFY(m.suspendForExclusiveOta());
        QCOMPARE(api().exitCalls(), 1);
        QCOMPARE(api().openHandles(), 0);
        m.resumeAfterExclusiveOta();
        QCOMPARE(api().initCalls(), 2);
        QCOMPARE(api().misuse(), std::vector<std::string>{});
    }

private slots:
    void init()
    {
        resetDouble();
        api().addDevice(headset().hid, std::make_shared<VirtualDevices::EchoResponder>());
        api().addDevice(receiver().hid);
    }

    void bytesTravelThroughTheFacade()
    {
        HIDTypes::HidManagerConfig config = fastConfig();
        config.readClock = [] { return qint64(4242); };
        auto m = makeManager(config);
        QVERIFY(m);
        FacadeRecorder r(*m);
        QSignalSpy sent(m.get(), &HidManager::dataSent);
        QSignalSpy received(m.get(), &HidManager::dataReceived);

        const HIDTypes::ConnectResult result = m->connectDevice(headset().id);
        QVERIFY(result.success);
        QCOMPARE(result.message, QString());
        QCOMPARE(m->currentDeviceId(), headset().id);
        QCOMPARE(r.events, (QStringList{QStringLiteral("error %1 设备已连接，通讯恢复 0").arg(headset().id),
                                        QStringLiteral("connection %1 1").arg(headset().id)}));

        const QByteArray frame(64, '\x5A');
        m->sendData(QStringLiteral("protocol"), frame, true);
        QVERIFY(received.wait());
        QCOMPARE(received.at(0).at(0).toString(), headset().id);
        QCOMPARE(received.at(0).at(1).toByteArray(), QByteArray(1, '\0') + frame);
        QCOMPARE(received.at(0).at(2).toLongLong(), 4242); // when the I/O thread read it
        QCOMPARE(sent.count(), 1);
        QCOMPARE(sent.at(0), (QVariantList{QStringLiteral("protocol"), true, 65}));
    }

    void fatalFailureBecomesAnOrdinaryDisconnect()
    {
        auto m = makeManager();
        QVERIFY(m);
        QVERIFY(m->connectDevice(headset().id).success);
        FacadeRecorder r(*m);
        // Receivers may ask for the current device while an error is reported.
        QStringList currentAtError;
        connect(m.get(), &HidManager::commError, this,
                [&](const QString &, const QString &, bool) { currentAtError.append(m->currentDeviceId()); });

        api().failReads(headset().hid.path, 3);
        QTRY_COMPARE(r.events.size(), 4);
        const QString error = QStringLiteral("读取失败：read error (injected)（错误码：-1，连续 %1 次）");
        QCOMPARE(r.events, (QStringList{QStringLiteral("error %1 %2 0").arg(headset().id, error.arg(1)),
                                        QStringLiteral("error %1 %2 1").arg(headset().id, error.arg(3)),
                                        QStringLiteral("error %1 设备已断开连接 0").arg(headset().id),
                                        QStringLiteral("connection %1 0").arg(headset().id)}));
        QCOMPARE(currentAtError.size(), 3);
        QCOMPARE(m->currentDeviceId(), QString());
        QTRY_COMPARE(api().openHandles(), 0);
        // The device can be connected again.
        QVERIFY(m->connectDevice(headset().id).success);
    }

    void refusalsBeforeTheDeviceManagerIsAsked_data()
    {
        QTest::addColumn<int>("initFailures");
        QTest::addColumn<QString>("message");
        QTest::newRow("hidapi never started") << 99 << QStringLiteral("HID 子系统未初始化");
        QTest::newRow("unknown device") << 0 << QStringLiteral("设备不存在：/dev/hidraw9");
    }

    void refusalsBeforeTheDeviceManagerIsAsked()
    {
        QFETCH(int, initFailures);
        QFETCH(QString, message);
        api().failInit(initFailures);
        HidManager m(nullptr, fastConfig());
        const HIDTypes::ConnectResult result = m.connectDevice(QStringLiteral("/dev/hidraw9"));
        QVERIFY(!result.success);
        QCOMPARE(result.message, message);
    }

    void exclusiveFirmwarePhaseReleasesHidapi()
    {
        auto m = makeManager();
        QVERIFY(m);
        m->resumeAfterExclusiveOta(); // without a suspend: nothing
        QCOMPARE(api().initCalls(), 1);
        QVERIFY(m->connectDevice(headset().id).success);
        FacadeRecorder r(*m);

        m->suspendForExclusiveOta();
        QCOMPARE(r.events, (QStringList{QStringLiteral("error %1 设备已断开连接 0").arg(headset().id),
                                        QStringLiteral("connection %1 0").arg(headset().id)}));
        m->suspendForExclusiveOta(); // a second time: nothing
        QCOMPARE(api().exitCalls(), 1);
        QCOMPARE(api().openHandles(), 0);
        QVERIFY(!api().isInitialized());

        MessageLog log;
        QVERIFY(m->enumerateDevices().isEmpty());
        QCOMPARE(log.lines(QtWarningMsg), QStringList{QStringLiteral("[HidDeviceManager] HID未初始化，无法枚举设备")});
        QCOMPARE(m->connectDevice(headset().id).message, QStringLiteral("HID 子系统未初始化"));
        const int scans = api().enumerateCalls();
        lastHotplugSource()->raise(); // a device change while the updater holds the devices
        QTest::qWait(fastConfig().hotplugDebounceMs * 3);
        QCOMPARE(api().enumerateCalls(), scans); // no scan until the resume

        m->resumeAfterExclusiveOta();
        m->resumeAfterExclusiveOta();
        QCOMPARE(api().initCalls(), 2);
        QTRY_VERIFY(api().enumerateCalls() > scans); // a fresh scan
        QVERIFY(m->connectDevice(headset().id).success);
        QSignalSpy received(m.get(), &HidManager::dataReceived);
        m->sendData(QStringLiteral("protocol"), QByteArray(64, '\1'), true);
        QVERIFY(received.wait());
        QCOMPARE(api().misuse(), std::vector<std::string>{});
    }

    // hidapi cannot be shut down while a call stuck in the system holds it:
    // the phase is refused and the stack runs on as before.
    void exclusivePhaseIsRefusedWhileHidapiIsHeld()
    {
        auto m = makeManager();
        QVERIFY(m);
        QVERIFY(m->connectDevice(headset().id).success);
        MessageLog log;
        {
            HidApiLockHolder stuck(receiver().hid.path);
            QVERIFY(!m->suspendForExclusiveOta());
        }
        QCOMPARE(log.count(QtWarningMsg,
                           QStringLiteral("[HidDeviceManager] hidapi 释放失败：扫描仍占用 hidapi，保持初始化状态")),
                 1);
        QCOMPARE(api().exitCalls(), 0);
        QVERIFY(api().isInitialized());

        const int scans = api().enumerateCalls();
        lastHotplugSource()->raise();
        QTRY_VERIFY(api().enumerateCalls() > scans); // hot-plug scans are back
        worksAsBeforeTheRefusal(*m);
    }

    // The I/O thread hangs in a read past its stop waits: it still holds the
    // device, so hidapi is not shut down and the phase is refused. Its loop
    // comes back once that read returns.
    void exclusivePhaseIsRefusedWhileTheIoThreadHangs()
    {
        auto m = managerWithHungRead(shortStopWaits());
        QVERIFY(m);
        MessageLog log;
        QVERIFY(!m->suspendForExclusiveOta());
        QCOMPARE(api().exitCalls(), 0);
        QVERIFY(api().isInitialized());
        QCOMPARE(log.count(QtWarningMsg, QStringLiteral("[HidCommunicateManager] 通讯线程未能停止，仍占用设备")), 1);

        api().stallReads(headset().hid.path, false);
        QTRY_COMPARE(api().openHandles(), 0); // the device went with the read
        worksAsBeforeTheRefusal(*m);
    }

    // The I/O thread hangs in a read past every wait at teardown: it is
    // waited for once, then left alive with its object instead of being
    // destroyed while it runs; hidapi stays up under it.
    void teardownWithAHungReadWaitsOnceAndLeavesTheThreadAlive()
    {
        auto m = managerWithHungRead(shortStopWaits(2));
        QVERIFY(m);
        MessageLog log;
        m.reset();
        QCOMPARE(log.lines(QtWarningMsg).filter(QStringLiteral("通讯线程第")),
                 QStringList{QStringLiteral("[HidCommunicateManager] 通讯线程第 1 次等待超时，继续等待…")});
        QCOMPARE(log.lines(QtCriticalMsg),
                 (QStringList{QStringLiteral("[HidCommunicateManager] 通讯线程在 2 轮等待后仍未退出（未使用 terminate）。"
                                             "将执行一次额外阻塞等待，避免析构时线程仍在运行。"),
                              QStringLiteral("[HidCommunicateManager] 额外等待 1000ms 后线程仍未退出，可能导致程序异常结束。"),
                              QStringLiteral("[HidCommunicateManager] 通讯线程未能停止，保留其对象直至进程结束，不执行 hid_exit")}));
        QCOMPARE(api().exitCalls(), 0);

        api().stallReads(headset().hid.path, false);
        QTRY_COMPARE(api().openHandles(), 0); // the device goes with the read that held it
        QCOMPARE(api().misuse(), std::vector<std::string>{});
    }

    // A scan stuck inside hidapi at teardown: the enumeration thread is left
    // alive rather than destroyed while it runs, and hidapi is not shut down
    // under it.
    void teardownWithAStuckScanLeavesTheThreadAlive()
    {
        StuckScan scan;
        auto m = managerWithStuckScan(scan);
        QVERIFY(m);
        const int scans = api().enumerateCalls();

        MessageLog log;
        m.reset();
        QVERIFY(log.lines(QtCriticalMsg).contains(
            QStringLiteral("[HidDeviceManager] 热插拔监测线程未能停止，保留其线程对象直至进程结束")));
        QCOMPARE(api().exitCalls(), 0);

        scan.release();
        QTRY_COMPARE(api().enumerateCalls(), scans + 1); // the stuck scan ends
        QCOMPARE(api().misuse(), std::vector<std::string>{});
    }

    // The enumeration thread is stuck in a scan when the firmware phase
    // begins: hidapi stays up, and hot-plug scans come back once the scan ends.
    void scansComeBackAfterAPhaseRefusedForAStuckScan()
    {
        StuckScan scan;
        auto m = managerWithStuckScan(scan);
        QVERIFY(m);

        QVERIFY(!m->suspendForExclusiveOta());
        QCOMPARE(api().exitCalls(), 0);
        scan.release();

        FacadeRecorder r(*m);
        api().unplug(receiver().hid.path);
        lastHotplugSource()->raise();
        QTRY_VERIFY(r.events.contains(QStringLiteral("list %1").arg(headset().id)));
        QCOMPARE(api().misuse(), std::vector<std::string>{});
    }

    void failedReinitialisationLeavesHidapiDown()
    {
        auto m = makeManager();
        QVERIFY(m);
        m->suspendForExclusiveOta();
        api().failInit(1);
        MessageLog log;
        m->resumeAfterExclusiveOta();
        QCOMPARE(log.lines(QtWarningMsg), (QStringList{QStringLiteral("[HidDeviceManager] HID系统初始化失败"),
                                                       QStringLiteral("[HidDeviceManager] hidapi 恢复失败（OTA 独占结束后）")}));
        QCOMPARE(m->connectDevice(headset().id).message, QStringLiteral("HID 子系统未初始化"));

        // The next exclusive phase brings hidapi back, and hot-plug scans with it.
        m->suspendForExclusiveOta();
        m->resumeAfterExclusiveOta();
        QVERIFY(m->connectDevice(headset().id).success);
        const int scans = api().enumerateCalls();
        api().unplug(receiver().hid.path);
        lastHotplugSource()->raise();
        QTRY_VERIFY(api().enumerateCalls() > scans);
    }

    void destroyingWhileConnectedClosesTheDeviceBeforeExit()
    {
        auto m = makeManager();
        QVERIFY(m);
        QVERIFY(m->connectDevice(headset().id).success);
        m->sendData(QStringLiteral("protocol"), QByteArray(64, '\1'), true);
        m.reset();
        QCOMPARE(api().openHandles(), 0);
        QCOMPARE(api().exitCalls(), 1);
        QCOMPARE(api().misuse(), std::vector<std::string>{});
    }

    void unplugReportsTheLossBeforeTheList()
    {
        auto m = makeManager();
        QVERIFY(m);
        QVERIFY(m->connectDevice(headset().id).success);
        FacadeRecorder r(*m);
        api().unplug(headset().hid.path);
        lastHotplugSource()->raise();
        // The I/O thread usually notices first (its reads fail); either way
        // the link is down before the list changes.
        // A read that was already under way with the old handle may still
        // report its failure late, anywhere among these three.
        QTRY_VERIFY(r.events.contains(QStringLiteral("list %1").arg(receiver().id)));
        const QStringList loss{QStringLiteral("error %1 设备已断开连接 0").arg(headset().id),
                               QStringLiteral("connection %1 0").arg(headset().id),
                               QStringLiteral("list %1").arg(receiver().id)};
        QStringList seen;
        for (const QString &event : r.events) {
            if (loss.contains(event))
                seen.append(event);
        }
        QCOMPARE(seen, loss);
        QCOMPARE(m->currentDeviceId(), QString());
    }

    void losingAnotherDeviceKeepsTheCurrentOne()
    {
        auto m = makeManager();
        QVERIFY(m);
        QVERIFY(m->connectDevice(receiver().id).success);
        QVERIFY(m->connectDevice(headset().id).success);
        FacadeRecorder r(*m);
        m->disconnectDevice(receiver().id);
        QCOMPARE(r.events, QStringList{QStringLiteral("connection %1 0").arg(receiver().id)});
        QCOMPARE(m->currentDeviceId(), headset().id);
    }
};

QTEST_GUILESS_MAIN(TestHidManager)
#include "tst_hidmanager.moc"
