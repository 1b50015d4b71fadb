// The waits the program runs with. Every EQ and device test shortens them, so
// only this test sees a wrong default: each is read where it lives, in the
// window's own settings and in the collaborator of a window built with them.
#include "app/DeviceStateController.h"
#include "app/EqDownlinkController.h"
#include "app/FirmwareUpdateCheck.h"
#include "app/HeadphonesDevice.h"
#include "platform/installer/RecordingProcessLauncher.h"
#include "tests/app/TestEnvironment.h"
#include "tests/app/WindowTestSupport.h"

#include <QTest>

#include <memory>

class TestProductionTimings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void defaults_data();
    void defaults();

private:
    TestEnvironment m_env;
    RecordingProcessLauncher m_launcher;
    std::unique_ptr<HeadphonesDevice> m_window;
};

void TestProductionTimings::initTestCase()
{
    m_env.clearSettings();
    m_window = std::make_unique<HeadphonesDevice>();
    WindowTest::isolateUpdater(*m_window, m_launcher);
}

void TestProductionTimings::cleanupTestCase()
{
    m_window.reset();
}

void TestProductionTimings::defaults_data()
{
    QTest::addColumn<int>("actual");
    QTest::addColumn<int>("expected");

    const HeadphonesDeviceTimings window;
    const auto *downlink = m_window->findChild<EqDownlinkController *>();
    const auto *state = m_window->findChild<DeviceStateController *>();
    const auto *firmware = m_window->findChild<FirmwareUpdateCheck *>();
    QVERIFY(downlink && state && firmware);

    // The active EQ waits for the link: a 55 ms tick, at most 140 of them.
    QTest::newRow("EQ retry interval, window") << window.eqRetryIntervalMs << 55;
    QTest::newRow("EQ retry interval, downlink") << downlink->timings().retryIntervalMs << 55;
    QTest::newRow("EQ retry ticks, window") << window.eqRetryTicks << 140;
    QTest::newRow("EQ retry ticks, downlink") << downlink->timings().retryTicks << 140;
    // Edits of the active custom slot go 200 ms after the last one.
    QTest::newRow("realtime debounce, window") << window.realtimeEqDebounceMs << 200;
    QTest::newRow("realtime debounce, downlink") << downlink->timings().realtimeDebounceMs << 200;
    // The device page follows a change of the device once more after 400 ms.
    QTest::newRow("device page refresh, window") << window.devicePageRefreshMs << 400;
    QTest::newRow("device page refresh, device state") << state->timings().devicePageRefreshMs << 400;
    // Basic-information requests of the device page at least 2000 ms apart.
    QTest::newRow("basic info spacing, window") << window.basicInfoThrottleMs << 2000;
    QTest::newRow("basic info spacing, device state") << state->timings().basicInfoThrottleMs << 2000;
    // The firmware offer: checked every 30 minutes, automatic checks at least 30 minutes apart.
    QTest::newRow("firmware check period, window") << window.firmwareCheckPeriodMs << 1800000;
    QTest::newRow("firmware check period, check") << firmware->periodMs() << 1800000;
    QTest::newRow("firmware check spacing, window") << window.firmwareCheckThrottleMs << 1800000;
    QTest::newRow("firmware check spacing, check") << firmware->throttleMs() << 1800000;
    // After a successful update the versions are read back 800 ms and 2500 ms later.
    QTest::newRow("firmware read-backs, window") << int(window.firmwareReadbackDelaysMs.size()) << 2;
    QTest::newRow("firmware read-backs, check") << int(firmware->readbackDelaysMs().size()) << 2;
    QTest::newRow("first read-back, window") << window.firmwareReadbackDelaysMs.value(0) << 800;
    QTest::newRow("first read-back, check") << firmware->readbackDelaysMs().value(0) << 800;
    QTest::newRow("second read-back, window") << window.firmwareReadbackDelaysMs.value(1) << 2500;
    QTest::newRow("second read-back, check") << firmware->readbackDelaysMs().value(1) << 2500;
}

void TestProductionTimings::defaults()
{
    QFETCH(int, actual);
    QFETCH(int, expected);
    QCOMPARE(actual, expected);
}

QTEST_MAIN(TestProductionTimings)
#include "tst_productiontimings.moc"
