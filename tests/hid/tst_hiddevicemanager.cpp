// HidDeviceManager over the hidapi double: enumeration by filter, the cache and
// its signals, connecting, hidapi start-up, hot-plug scans.
#include "HidTestDevices.h"
#include "tests/support/testenv/MessageLog.h"

#include "hid/HidDeviceManager.h"
#include "hid/HidDeviceScanner.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <chrono>
#include <future>
#include <thread>

using namespace HidTestDevices;
using VirtualDevices::VirtualHidDevice;

namespace {

QStringList ids(const QList<HIDTypes::HidDeviceInfo> &devices)
{
    QStringList result;
    for (const auto &d : devices)
        result.append(d.path);
    return result;
}

QStringList requestsText()
{
    QStringList result;
    for (const auto &[vid, pid] : api().enumerateRequests())
        result.append(QStringLiteral("%1:%2").arg(vid, 0, 16).arg(pid, 0, 16));
    result.sort();
    return result;
}

Device headsetOtherInterface()
{
    Device d = headset();
    d.hid.path = "/dev/hidraw3";
    d.hid.interfaceNumber = 0;
    d.id = QStringLiteral("/dev/hidraw3#vid_3654&pid_5055&mi_00");
    return d;
}

// One ordered record of the manager's two signals.
struct SignalOrder
{
    explicit SignalOrder(HidDeviceManager &manager)
    {
        QObject::connect(&manager, &HidDeviceManager::deviceHandleChanged, &manager,
                         [this](const QString &id, std::shared_ptr<hid_device> handle) {
                             events.append(QStringLiteral("handle %1 %2").arg(id, handle ? "open" : "empty"));
                         });
        QObject::connect(&manager, &HidDeviceManager::deviceListUpdated, &manager,
                         [this](const QList<HIDTypes::HidDeviceInfo> &devices) {
                             events.append(QStringLiteral("list %1").arg(ids(devices).join(',')));
                         });
    }
    QStringList events;
};

} // namespace

class TestHidDeviceManager : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        resetDouble();
        for (const Device &d : {headset(), receiver(), qor(), mouse(), headsetOtherInterface()})
            api().addDevice(d.hid);
    }

    void enumerationIsNarrowedByTheFilters_data()
    {
        QTest::addColumn<QList<HIDTypes::TargetDeviceFilter>>("filters");
        QTest::addColumn<QStringList>("requests");
        QTest::addColumn<QStringList>("expected");

        const QString h = headset().id, r = receiver().id, q = qor().id, m = mouse().id,
                      h0 = headsetOtherInterface().id;
        QTest::newRow("no filters") << QList<HIDTypes::TargetDeviceFilter>{} << QStringList{} << QStringList{};
        QTest::newRow("vendor only") << QList{filter(0x3654)} << QStringList{"3654:0"} << QStringList{h, r, h0};
        QTest::newRow("one call per distinct vendor")
            << QList{filter(0x3654, 0x5055, 3), filter(0x3654, 0x6901, 3), filter(0x3302, 0xc20e)}
            << QStringList{"3302:0", "3654:0"} << QStringList{h, r, q};
        QTest::newRow("product ids when a vendor is missing")
            << QList{filter(-1, 0x5055), filter(-1, -1, 3)} << QStringList{"0:5055"} << QStringList{h, h0};
        QTest::newRow("mixed: per product id")
            << QList{filter(0x3654, 0x5055, 3), filter(-1, 0xc20e)} << QStringList{"0:5055", "0:c20e"}
            << QStringList{h, q};
        QTest::newRow("nothing narrows: whole bus")
            << QList{filter(-1, -1, 0)} << QStringList{"0:0"} << QStringList{m, h0, q};
    }

    void enumerationIsNarrowedByTheFilters()
    {
        QFETCH(QList<HIDTypes::TargetDeviceFilter>, filters);
        QFETCH(QStringList, requests);
        QFETCH(QStringList, expected);
        QVERIFY(hid_init() == 0);

        QStringList found = ids(HidDeviceScanner::scan(filters));
        found.sort();
        expected.sort();
        QCOMPARE(found, expected);
        QCOMPARE(requestsText(), requests);
    }

    void scanRecordsCarryIdentityAndStartDisconnected()
    {
        HidDeviceManager manager(nullptr, fastConfig());
        QSignalSpy listed(&manager, &HidDeviceManager::deviceListUpdated);
        manager.addTargetDevice(filter(0x3654, 0x5055));
        QVERIFY(listed.wait());
        const auto devices = listed.at(0).at(0).value<QList<HIDTypes::HidDeviceInfo>>();
        QCOMPARE(ids(devices), (QStringList{headset().id, headsetOtherInterface().id})); // path order
        const HIDTypes::HidDeviceInfo &d = devices.at(0);
        QCOMPARE(d.vendorId, quint16(0x3654));
        QCOMPARE(d.productId, quint16(0x5055));
        QCOMPARE(d.interfaceNumber, 3);
        QCOMPARE(d.productName, QStringLiteral("Headset"));
        QCOMPARE(d.serialNumber, QStringLiteral("SN-20565"));
        QCOMPARE(d.state, HIDTypes::Disconnected);
        QVERIFY(!d.lastSeen.isValid());
    }

    void rescanWithTheSamePathsIsSilentButRefreshesTheCache()
    {
        HidDeviceManager manager(nullptr, fastConfig());
        QSignalSpy listed(&manager, &HidDeviceManager::deviceListUpdated);
        manager.addTargetDevice(filter(0x3654, 0x5055, 3));
        QVERIFY(listed.wait());
        QVERIFY(manager.connectDevice(headset().id).success);

        Device renamed = headset();
        renamed.hid.productName = L"Renamed";
        api().addDevice(renamed.hid);
        const int scans = api().enumerateCalls();
        QVERIFY(lastHotplugSource()->raise());
        QTRY_COMPARE(api().enumerateCalls(), scans + 1);
        // A later change of paths is reported; the rename scan before it was not.
        Device second = headset();
        second.hid.path = "/dev/hidraw9";
        api().addDevice(second.hid);
        QVERIFY(lastHotplugSource()->raise());
        QVERIFY(listed.wait());
        QCOMPARE(listed.count(), 2);

        const auto devices = manager.enumerateDevices();
        QCOMPARE(devices.at(0).productName, QStringLiteral("Renamed"));
        QCOMPARE(devices.at(0).state, HIDTypes::Connected); // state survives the rescans
        QVERIFY(devices.at(0).lastSeen.isValid());
    }

    // Filters added one after another, then a device connected at once (as
    // the device service's probe does): the worker's scans taken before it had
    // the last filter must not drop the connected device.
    void scansOlderThanTheLastFilterKeepTheConnectedDevice()
    {
        HidDeviceManager manager(nullptr, fastConfig());
        SignalOrder order(manager);
        manager.addTargetDevice(filter(0x3654, 0x5055, 3));
        manager.addTargetDevice(filter(0x3654, 0x6901, 3));
        QCOMPARE(ids(manager.enumerateDevices()), (QStringList{headset().id, receiver().id}));
        QVERIFY(manager.connectDevice(receiver().id).success);
        QTRY_VERIFY(order.events.contains(QStringLiteral("list %1,%2").arg(headset().id, receiver().id)));
        QTest::qWait(50); // nothing later may take the receiver away
        QCOMPARE(order.events, (QStringList{QStringLiteral("handle %1 open").arg(receiver().id),
                                            QStringLiteral("list %1,%2").arg(headset().id, receiver().id)}));
        manager.disconnectAll(); // while `order` still listens
    }

    void unplugEmptiesTheHandleBeforeTheListChanges()
    {
        HidDeviceManager manager(nullptr, fastConfig());
        QSignalSpy listed(&manager, &HidDeviceManager::deviceListUpdated);
        manager.addTargetDevice(filter(0x3654, -1, 3));
        QVERIFY(listed.wait());
        QVERIFY(manager.connectDevice(headset().id).success);

        SignalOrder order(manager);
        api().unplug(headset().hid.path);
        QVERIFY(lastHotplugSource()->raise());
        QVERIFY(listed.wait());
        QCOMPARE(order.events,
                 (QStringList{QStringLiteral("handle %1 empty").arg(headset().id),
                              QStringLiteral("list %1").arg(receiver().id)}));
    }

    // A device only a synchronous enumeration saw (the background scans never
    // listed it) that goes away must still reach the list's listeners.
    void deviceSeenOnlyBySyncEnumerationIsReportedGone()
    {
        resetDouble();
        api().addDevice(receiver().hid);
        HidDeviceManager manager(nullptr, fastConfig());
        QSignalSpy listed(&manager, &HidDeviceManager::deviceListUpdated);
        manager.addTargetDevice(filter(0x3654, -1, 3));
        QVERIFY(listed.wait());
        QCOMPARE(ids(listed.last().at(0).value<QList<HIDTypes::HidDeviceInfo>>()), QStringList{receiver().id});

        api().addDevice(headset().hid);
        QCOMPARE(ids(manager.enumerateDevices()), (QStringList{headset().id, receiver().id}));
        QVERIFY(manager.connectDevice(headset().id).success);
        SignalOrder order(manager);
        api().unplug(headset().hid.path);
        QVERIFY(lastHotplugSource()->raise());
        QVERIFY(listed.wait());
        QCOMPARE(order.events, (QStringList{QStringLiteral("handle %1 empty").arg(headset().id),
                                            QStringLiteral("list %1").arg(receiver().id)}));
    }

    void syncEnumerationDropsVanishedDevicesWithoutListSignal()
    {
        HidDeviceManager manager(nullptr, fastConfig());
        QVERIFY(manager.enumerateDevices().isEmpty()); // no filters yet
        manager.addTargetDevice(filter(0x3654, 0x5055, 3));
        QCOMPARE(ids(manager.enumerateDevices()), QStringList{headset().id});
        QVERIFY(manager.connectDevice(headset().id).success);

        SignalOrder order(manager);
        api().unplug(headset().hid.path);
        QVERIFY(manager.enumerateDevices().isEmpty());
        QCOMPARE(order.events, QStringList{QStringLiteral("handle %1 empty").arg(headset().id)});
    }

    void connectFailures_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<int>("stateAfter"); // -1: no entry

        const QString h = headset().id;
        QTest::newRow("unknown id") << "unknown" << QStringLiteral("设备不存在：/dev/hidraw7")
                                    << QStringLiteral("[HidDeviceManager] 连接失败：设备不存在：/dev/hidraw7") << -1;
        QTest::newRow("already connected")
            << "connected" << QStringLiteral("设备已处于连接中或已连接状态")
            << QStringLiteral("[HidDeviceManager] 设备 %1 设备已处于连接中或已连接状态").arg(h) << int(HIDTypes::Connected);
        QTest::newRow("open fails with a reason")
            << "openFails" << QStringLiteral("Permission denied")
            << QStringLiteral("[HidDeviceManager] 设备 %1 连接失败：Permission denied").arg(h) << int(HIDTypes::Error);
        QTest::newRow("open fails without a reason")
            << "openFailsSilently" << QStringLiteral("打开设备路径失败")
            << QStringLiteral("[HidDeviceManager] 设备 %1 连接失败：打开设备路径失败").arg(h) << int(HIDTypes::Error);
        QTest::newRow("non-blocking mode refused")
            << "nonblocking" << QStringLiteral("设置非阻塞模式失败")
            << QStringLiteral("[HidDeviceManager] 设备 %1 设置非阻塞模式失败").arg(h) << int(HIDTypes::Error);
        QTest::newRow("unplugged while opening")
            << "vanishes" << QStringLiteral("设备已从列表移除，请重新枚举后再连接")
            << QStringLiteral("[HidDeviceManager] 连接失败：枚举期间设备 %1 已从缓存移除").arg(h) << -1;
    }

    void connectFailures()
    {
        QFETCH(QString, setup);
        QFETCH(QString, message);
        QFETCH(QString, warning);
        QFETCH(int, stateAfter);

        HidDeviceManager manager(nullptr, fastConfig());
        manager.addTargetDevice(filter(0x3654, 0x5055, 3));
        manager.enumerateDevices();
        const QString id = setup == "unknown" ? QStringLiteral("/dev/hidraw7") : headset().id;
        const std::string path = headset().hid.path;
        if (setup == "connected")
            QVERIFY(manager.connectDevice(id).success);
        else if (setup == "openFails")
            api().failOpen(path, L"Permission denied");
        else if (setup == "openFailsSilently")
            api().failOpen(path, L"");
        else if (setup == "nonblocking")
            api().failSetNonblocking(path, true);
        else if (setup == "vanishes")
            api().setOpenHook([&](const std::string &) {
                api().unplug(path);
                manager.enumerateDevices();
            });

        QSignalSpy handles(&manager, &HidDeviceManager::deviceHandleChanged);
        MessageLog log;
        const HIDTypes::ConnectResult result = manager.connectDevice(id);
        QVERIFY(!result.success);
        QCOMPARE(result.message, message);
        QCOMPARE(log.lines(QtWarningMsg), QStringList{warning});
        QCOMPARE(handles.count(), 0);
        QCOMPARE(api().openHandles(), 0); // a half-opened device is closed; a refused one untouched

        const auto devices = manager.enumerateDevices();
        const auto entry = std::find_if(devices.begin(), devices.end(), [&](const auto &d) { return d.path == id; });
        QCOMPARE(entry == devices.end() ? -1 : int(entry->state), stateAfter);

        if (stateAfter == HIDTypes::Error) { // a failed device can be connected again
            api().clearOpenFailure(path);
            api().failSetNonblocking(path, false);
            QVERIFY(manager.connectDevice(id).success);
        }
    }

    void anOpenAndAScanNeverOverlapInHidapi()
    {
        // hidapi's open and enumerate share one unguarded error text: the
        // enumeration thread must wait while the GUI thread opens a device.
        HidDeviceManager manager(nullptr, fastConfig());
        manager.addTargetDevice(filter(0x3654, 0x5055, 3));
        manager.enumerateDevices();
        std::promise<QList<HIDTypes::HidDeviceInfo>> scanned;
        std::future<QList<HIDTypes::HidDeviceInfo>> scan = scanned.get_future();
        std::thread scanner; // not std::async: ThreadSanitizer checks this thread's body
        const struct Join {
            std::thread &thread;
            ~Join()
            {
                if (thread.joinable())
                    thread.join();
            }
        } join{scanner};
        api().setOpenHook([&](const std::string &) {
            scanner = std::thread([&scanned] { scanned.set_value(HidDeviceScanner::scan({filter(0x3654)})); });
            scan.wait_for(std::chrono::milliseconds(100)); // time enough for an unguarded scan to run
        });
        QVERIFY(manager.connectDevice(headset().id).success);
        api().setOpenHook(nullptr);
        QVERIFY(scanner.joinable()); // the scan started within the open
        QCOMPARE(scan.get().size(), 3);
        QCOMPARE(api().misuse(), std::vector<std::string>{});
    }

    void disconnectEmitsOnlyForConnectedDevices()
    {
        HidDeviceManager manager(nullptr, fastConfig());
        manager.addTargetDevice(filter(0x3654, -1, 3));
        manager.enumerateDevices();
        QVERIFY(manager.connectDevice(receiver().id).success);
        QVERIFY(manager.connectDevice(headset().id).success);

        SignalOrder order(manager);
        manager.disconnectDevice(receiver().id);
        manager.disconnectDevice(receiver().id); // already disconnected: nothing
        manager.disconnectAll();
        QCOMPARE(order.events, (QStringList{QStringLiteral("handle %1 empty").arg(receiver().id),
                                            QStringLiteral("handle %1 empty").arg(headset().id)}));
        QCOMPARE(api().openHandles(), 0); // the manager keeps no copy of a handle
    }

    void hidInitRetries_data()
    {
        QTest::addColumn<int>("failures");
        QTest::addColumn<int>("retryCount");
        QTest::addColumn<int>("initCalls");
        QTest::addColumn<bool>("initialized");

        QTest::newRow("first attempt") << 0 << 3 << 1 << true;
        QTest::newRow("third attempt") << 2 << 3 << 3 << true;
        QTest::newRow("never") << 10 << 3 << 3 << false;
        QTest::newRow("no attempts allowed") << 0 << 0 << 0 << false;
    }

    void hidInitRetries()
    {
        QFETCH(int, failures);
        QFETCH(int, retryCount);
        QFETCH(int, initCalls);
        QFETCH(bool, initialized);
        HIDTypes::HidManagerConfig config = fastConfig();
        config.initRetryCount = retryCount;
        config.initRetryDelayMs = 20;
        api().failInit(failures);

        MessageLog log;
        QElapsedTimer clock;
        clock.start();
        HidDeviceManager manager(nullptr, config);
        const int failed = std::min(failures, retryCount);
        QVERIFY(clock.elapsed() >= failed * 20); // a sleep follows every failed attempt, the last one too
        QCOMPARE(api().initCalls(), initCalls);
        QCOMPARE(manager.isInitialized(), initialized);
        QCOMPARE(log.count(QtWarningMsg, QStringLiteral("[HidDeviceManager] HID系统初始化失败")), failed);
        QCOMPARE(log.lines(QtCriticalMsg),
                 initialized ? QStringList{}
                             : QStringList{QStringLiteral("[HidDeviceManager] HID系统初始化失败（重试%1次）").arg(retryCount)});
        if (initialized)
            return;

        // Without hidapi there is no notifier and no worker: nothing scans, nothing connects.
        QCOMPARE(lastHotplugSource(), nullptr);
        manager.addTargetDevice(filter(0x3654));
        QVERIFY(manager.enumerateDevices().isEmpty());
        const HIDTypes::ConnectResult result = manager.connectDevice(headset().id);
        QCOMPARE(result.message, QStringLiteral("HID未初始化，无法连接设备"));
        QCOMPARE(api().enumerateCalls(), 0);
        QVERIFY(log.count(QtWarningMsg, QStringLiteral("[HidDeviceManager] HID未初始化，无法枚举设备")) == 1);
    }

    void hotplugRawEventLeadsToARescan()
    {
        HidDeviceManager manager(nullptr, fastConfig());
        QSignalSpy listed(&manager, &HidDeviceManager::deviceListUpdated);
        manager.addTargetDevice(filter(0x3302));
        QVERIFY(listed.wait());
        QVERIFY(lastHotplugSource()->isStarted()); // registered at construction

        Device plugged = qor();
        plugged.hid.path = VirtualHidDevice::windowsPath(0x3302, 0xc20e, 1, "8&0&0001");
        api().addDevice(plugged.hid);
        const int scansBefore = api().enumerateCalls();
        lastHotplugSource()->raise();
        lastHotplugSource()->raise();
        QVERIFY(listed.wait());
        QCOMPARE(ids(listed.last().at(0).value<QList<HIDTypes::HidDeviceInfo>>()).size(), 2);
        QCOMPARE(api().enumerateCalls(), scansBefore + 1); // a burst is one scan
    }

    void hidApiLifeFollowsTheManager()
    {
        {
            HidDeviceManager manager(nullptr, fastConfig());
            manager.addTargetDevice(filter(0x3654, 0x5055, 3));
            manager.enumerateDevices();
            QVERIFY(manager.connectDevice(headset().id).success);
            QCOMPARE(api().exitCalls(), 0);
        }
        QCOMPARE(api().initCalls(), 1);
        QCOMPARE(api().exitCalls(), 1);
        QCOMPARE(api().misuse(), std::vector<std::string>{});
    }
};

QTEST_GUILESS_MAIN(TestHidDeviceManager)
#include "tst_hiddevicemanager.moc"
