// The HID manager facade over both workers and the hidapi double: the link's
// life as the layers above see it, and the firmware updater's exclusive phase.
#include "HidApiLockHolder.h"
#include "HidTestDevices.h"
#include "tests/support/testenv/MessageLog.h"

#include "hid/HidManager.h"
#include "tests/support/hidapidouble/EchoResponder.h"

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

private slots:
    void init()
    {
        resetDouble();
        api().addDevice(headset().hid, std::make_shared<VirtualDevices::EchoResponder>());
        api().addDevice(receiver().hid);
    }

    void bytesTravelThroughTheFacade()
    {
        auto m = makeManager();
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
        QVERIFY(m->connectDevice(headset().id).success);
        QSignalSpy received(m.get(), &HidManager::dataReceived);
        m->sendData(QStringLiteral("protocol"), QByteArray(64, '\1'), true);
        QVERIFY(received.wait());

        // Nothing was left half suspended: the next phase releases hidapi.
        QVERIFY(m->suspendForExclusiveOta());
        QCOMPARE(api().exitCalls(), 1);
        QCOMPARE(api().openHandles(), 0);
        m->resumeAfterExclusiveOta();
        QCOMPARE(api().initCalls(), 2);
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
