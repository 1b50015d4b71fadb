// The main window's picture of the headset: which page shows, how the
// connection is presented, and the device commands of the More-settings and
// connection pages with what the headset answers.
#include "app/CustomTitleBar.h"
#include "app/HeadphonesDevice.h"
#include "devicepages/CustomDeviceConnection.h"
#include "devicepages/DeviceInfoItem.h"
#include "devicepages/DeviceInfoWidget.h"
#include "devicepages/EquipmentContentsBar.h"
#include "devicepages/EquipmentSettingsBar.h"
#include "devicepages/MoreSettingsContent.h"
#include "devicepages/MoreSettingsMenuItem.h"
#include "eq/EQOfficialPresetContent.h"
#include "eqcloud/EQCloudSharingContent.h"
#include "hid/HidProtocolService.h"
#include "tests/app/DeviceWindowRig.h"
#include "tests/app/TestEnvironment.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/cloud/CloudTestSupport.h"

#include <QSignalSpy>
#include <QSlider>
#include <QStackedWidget>
#include <QTest>

#include <memory>

using DeviceWindowTest::DeviceWindowRig;

namespace {
constexpr std::uint16_t kFactoryReset = 0x21;
constexpr std::uint16_t kSetName = 0x22;
constexpr std::uint16_t kSetTone = 0x23;
constexpr std::uint16_t kReceiverUnbind = 0x26;

enum class DeviceEvent { ValidatedAgain, LinkUpAgain, LinkDown, DeviceGone, Nothing };
} // namespace

Q_DECLARE_METATYPE(DeviceEvent)

class TestMainWindowDevice : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void bootScreenUntilLinkKnown();
    void devicePageFollowsLink_data();
    void devicePageFollowsLink();
    void ownPagesKeepTheirPlace();
    void qorModelShownWithoutValidation();
    void returnFromSettings_data();
    void returnFromSettings();
    void batteryShownAgainAfterLoss();
    void cloudSharingPageAsksForLogin();

    void renameSendsOnlyNewNames();
    void refusedRenameShowsPreviousName();
    void toneChangeWhilePending();
    void refusedToneChangeRestoresSlider();
    void toneLevelOutOfRangeIgnored_data();
    void toneLevelOutOfRangeIgnored();
    void secondRequestWhilePendingSendsNothing_data();
    void secondRequestWhilePendingSendsNothing();
    void devicePageEntriesThrottleBasicInfo();

private:
    // The window's flags driven straight through the service's signals.
    void emitState(bool present, bool validated, int link);
    void emitEvent(DeviceEvent event);
    // The receiver linked, the window on the device page and its tone level known.
    bool startLinked(std::uint8_t toneVolume = 3);
    QSlider *toneSlider();

    TestEnvironment m_env;
    std::unique_ptr<DeviceWindowRig> m_rig;
};

void TestMainWindowDevice::initTestCase()
{
    CloudTest::bypassProxy();
}

void TestMainWindowDevice::init()
{
    m_env.clearSettings();
    m_rig = std::make_unique<DeviceWindowRig>();
    QVERIFY(m_rig->serverStarted());
}

void TestMainWindowDevice::cleanup()
{
    m_rig.reset();
}

void TestMainWindowDevice::emitState(bool present, bool validated, int link)
{
    HidProtocolService &s = m_rig->service();
    emit s.targetDevicePresentChanged(present);
    emit s.protocolValidatedChanged(validated);
    if (link >= 0)
        emit s.headsetLinkChanged(link == 1);
}

void TestMainWindowDevice::emitEvent(DeviceEvent event)
{
    HidProtocolService &s = m_rig->service();
    switch (event) {
    case DeviceEvent::ValidatedAgain: emit s.protocolValidatedChanged(true); break;
    case DeviceEvent::LinkUpAgain: emit s.headsetLinkChanged(true); break;
    case DeviceEvent::LinkDown: emit s.headsetLinkChanged(false); break;
    case DeviceEvent::DeviceGone: emit s.targetDevicePresentChanged(false); break;
    case DeviceEvent::Nothing: break;
    }
}

bool TestMainWindowDevice::startLinked(std::uint8_t toneVolume)
{
    VirtualDevices::HeadsetState state;
    state.toneVolume = toneVolume;
    m_rig->plugReceiver(state);
    HeadphonesDevice &window = m_rig->build();
    if (!m_rig->waitUsable())
        return false;
    QSignalSpy toneReported(&m_rig->service(), &HidProtocolService::headsetToneVolumeChanged);
    window.enterDevicePage();
    const MoreSettingsContent &more = m_rig->moreSettings();
    return window.currentPage() == HeadphonesDevice::DevicePage
        && QTest::qWaitFor([&] { return !toneReported.isEmpty() && !more.deviceName().isEmpty(); }, 5000)
        && more.promptToneLevel() == toneVolume;
}

QSlider *TestMainWindowDevice::toneSlider()
{
    return m_rig->moreSettings().findChild<QSlider *>(QStringLiteral("promptToneSlider"));
}

void TestMainWindowDevice::bootScreenUntilLinkKnown()
{
    HeadphonesDevice &window = m_rig->build();
    emitState(true, true, -1);
    QCOMPARE(window.currentPage(), int(HeadphonesDevice::BootPage));
    QVERIFY(!window.connectionPage()->isConnected());
    emit m_rig->service().headsetLinkChanged(true);
    QCOMPARE(window.currentPage(), int(HeadphonesDevice::ConnectionPage));
    QVERIFY(window.connectionPage()->isConnected());
}

void TestMainWindowDevice::devicePageFollowsLink_data()
{
    QTest::addColumn<DeviceEvent>("event");
    QTest::addColumn<int>("page");
    QTest::newRow("validated again") << DeviceEvent::ValidatedAgain << int(HeadphonesDevice::DevicePage);
    QTest::newRow("link up again") << DeviceEvent::LinkUpAgain << int(HeadphonesDevice::DevicePage);
    QTest::newRow("link down") << DeviceEvent::LinkDown << int(HeadphonesDevice::ConnectionPage);
}

void TestMainWindowDevice::devicePageFollowsLink()
{
    QFETCH(DeviceEvent, event);
    QFETCH(int, page);
    HeadphonesDevice &window = m_rig->build();
    emitState(true, true, 1);
    window.enterDevicePage();
    QCOMPARE(window.currentPage(), int(HeadphonesDevice::DevicePage));
    emitEvent(event);
    QCOMPARE(window.currentPage(), page);
}

void TestMainWindowDevice::ownPagesKeepTheirPlace()
{
    HeadphonesDevice &window = m_rig->build();
    emit window.titleBar()->settingClicked();
    QCOMPARE(window.currentPage(), int(HeadphonesDevice::SettingsPage));
    emitState(true, true, 1);
    QCOMPARE(window.currentPage(), int(HeadphonesDevice::SettingsPage));
    for (DeviceEvent event : {DeviceEvent::LinkDown, DeviceEvent::LinkUpAgain, DeviceEvent::DeviceGone}) {
        emitEvent(event);
        QCOMPARE(window.currentPage(), int(HeadphonesDevice::SettingsPage));
        QVERIFY(window.titleBar()->isReturnMode());
    }
}

void TestMainWindowDevice::qorModelShownWithoutValidation()
{
    HeadphonesDevice &window = m_rig->build();
    HidProtocolService &s = m_rig->service();
    emit s.targetDevicePresentChanged(true);
    emit s.qorQaspBypassSessionChanged(true);
    QCOMPARE(window.currentPage(), int(HeadphonesDevice::ConnectionPage));
    QVERIFY(window.isDeviceUsable());
    QVERIFY(window.connectionPage()->isWired());

    EquipmentSettingsBar *sidebar = window.sidebar();
    QCOMPARE(sidebar->deviceItem()->deviceName(), QStringLiteral("VELKORA QOR"));
    QVERIFY(sidebar->deviceItem()->statusWidget()->isWired());
    QVERIFY(sidebar->moreItem()->isHidden());
    QCOMPARE(window.currentProductIdText(), QStringLiteral("49678"));
    QCOMPARE(window.contentBar()->officialPresetPage()->pid(), QStringLiteral("49678"));

    // The session's end leaves the wired look; the receiver that follows waits for its link report.
    emit s.qorQaspBypassSessionChanged(false);
    emit s.protocolValidatedChanged(true);
    QCOMPARE(window.currentPage(), int(HeadphonesDevice::BootPage));
    QVERIFY(!sidebar->moreItem()->isHidden());
}

void TestMainWindowDevice::returnFromSettings_data()
{
    QTest::addColumn<DeviceEvent>("event");
    QTest::addColumn<int>("page");
    QTest::newRow("still usable") << DeviceEvent::Nothing << int(HeadphonesDevice::DevicePage);
    QTest::newRow("link lost") << DeviceEvent::LinkDown << int(HeadphonesDevice::ConnectionPage);
    QTest::newRow("device gone") << DeviceEvent::DeviceGone << int(HeadphonesDevice::BootPage);
}

void TestMainWindowDevice::returnFromSettings()
{
    QFETCH(DeviceEvent, event);
    QFETCH(int, page);
    HeadphonesDevice &window = m_rig->build();
    emitState(true, true, 1);
    window.enterDevicePage();
    emit window.titleBar()->settingClicked();
    emitEvent(event);
    QCOMPARE(window.currentPage(), int(HeadphonesDevice::SettingsPage));
    emit window.titleBar()->returnClicked();
    QCOMPARE(window.currentPage(), page);
}

void TestMainWindowDevice::batteryShownAgainAfterLoss()
{
    HeadphonesDevice &window = m_rig->build();
    HidProtocolService &s = m_rig->service();
    auto *shown = window.connectionPage()->findChild<DeviceInfoWidget *>();
    QVERIFY(shown);
    emitState(true, true, 1);
    emit s.headsetBatteryChanged(50);
    QCOMPARE(shown->batteryLevel(), 50);

    emit s.targetDevicePresentChanged(false);
    emitState(true, true, 1);
    emit s.headsetBatteryChanged(0);
    QCOMPARE(shown->batteryLevel(), 0);
    QCOMPARE(window.sidebar()->deviceItem()->statusWidget()->batteryLevel(), 0);
}

void TestMainWindowDevice::cloudSharingPageAsksForLogin()
{
    HeadphonesDevice &window = m_rig->build();
    QVERIFY(m_rig->show());
    WindowTest::ToastRecorder toasts;
    EquipmentContentsBar *content = window.contentBar();
    emit window.sidebar()->eqSubItemClicked(EquipmentContentsBar::CloudSharingPage);
    // Logged out: the page shows all the same, with the reason it stays empty.
    QCOMPARE(content->currentPage(), int(EquipmentContentsBar::EqPage));
    QCOMPARE(content->eqStack()->currentWidget(), content->cloudSharingPage());
    QTRY_VERIFY(toasts.texts.contains(QStringLiteral("该功能需要登录，请先登录。")));
}

void TestMainWindowDevice::renameSendsOnlyNewNames()
{
    QVERIFY(startLinked());
    MoreSettingsContent &more = m_rig->moreSettings();
    QSignalSpy named(&m_rig->service(), &HidProtocolService::deviceNameSetSucceeded);
    QCOMPARE(more.deviceName(), QStringLiteral("Velkora H1"));

    emit more.deviceNameChanged(QStringLiteral("Velkora H1"));
    emit more.deviceNameChanged(QStringLiteral(" Alpha "));
    // A second name while the first is on its way is not sent; the field keeps the first.
    emit more.deviceNameChanged(QStringLiteral("Beta"));
    QCOMPARE(more.deviceName(), QStringLiteral("Alpha"));

    QVERIFY(named.wait(5000));
    QCOMPARE(m_rig->headset().commandCount(kSetName), 1);
    QCOMPARE(m_rig->headset().state().name, std::string("Alpha"));
    QCOMPARE(m_rig->window().sidebar()->deviceItem()->deviceName(), QStringLiteral("Alpha"));
}

void TestMainWindowDevice::refusedRenameShowsPreviousName()
{
    QVERIFY(startLinked());
    m_rig->headset().scriptFault({.command = kSetName}, VirtualDevices::ReplyFault::failureStatus());
    QSignalSpy failed(&m_rig->service(), &HidProtocolService::deviceNameSetFailed);
    emit m_rig->moreSettings().deviceNameChanged(QStringLiteral("Alpha"));
    QCOMPARE(m_rig->window().sidebar()->deviceItem()->deviceName(), QStringLiteral("Alpha"));

    QVERIFY(failed.wait(5000));
    QCOMPARE(m_rig->moreSettings().deviceName(), QStringLiteral("Velkora H1"));
    QCOMPARE(m_rig->window().sidebar()->deviceItem()->deviceName(), QStringLiteral("Velkora H1"));
}

void TestMainWindowDevice::toneChangeWhilePending()
{
    QVERIFY(startLinked(3));
    QSignalSpy confirmed(&m_rig->service(), &HidProtocolService::toneVolumeSetSucceeded);
    toneSlider()->setValue(5);
    toneSlider()->setValue(6);
    QCOMPARE(m_rig->moreSettings().promptToneLevel(), 5);

    QVERIFY(confirmed.wait(5000));
    QCOMPARE(m_rig->headset().commandCount(kSetTone), 1);
    QCOMPARE(int(m_rig->headset().state().toneVolume), 5);
    QCOMPARE(m_rig->moreSettings().promptToneLevel(), 5);

    // Confirmed: the next change goes out.
    toneSlider()->setValue(6);
    QVERIFY(confirmed.wait(5000));
    QCOMPARE(int(m_rig->headset().state().toneVolume), 6);
}

void TestMainWindowDevice::refusedToneChangeRestoresSlider()
{
    QVERIFY(startLinked(3));
    m_rig->headset().scriptFault({.command = kSetTone}, VirtualDevices::ReplyFault::failureStatus());
    QSignalSpy failed(&m_rig->service(), &HidProtocolService::toneVolumeSetFailed);
    toneSlider()->setValue(5);
    QVERIFY(failed.wait(5000));
    QCOMPARE(m_rig->moreSettings().promptToneLevel(), 3);
}

void TestMainWindowDevice::toneLevelOutOfRangeIgnored_data()
{
    QTest::addColumn<bool>("fromPage");
    QTest::addColumn<int>("level");
    QTest::newRow("page 0") << true << 0;
    QTest::newRow("page 8") << true << 8;
    QTest::newRow("headset 0") << false << 0;
    QTest::newRow("headset 8") << false << 8;
}

void TestMainWindowDevice::toneLevelOutOfRangeIgnored()
{
    QFETCH(bool, fromPage);
    QFETCH(int, level);
    QVERIFY(startLinked(3));
    if (fromPage)
        emit m_rig->moreSettings().promptToneVolumeChanged(level);
    else
        emit m_rig->service().headsetToneVolumeChanged(level);
    QCOMPARE(m_rig->moreSettings().promptToneLevel(), 3);

    // The window still takes 3 as the current level and has nothing pending: 5 goes out alone.
    QSignalSpy confirmed(&m_rig->service(), &HidProtocolService::toneVolumeSetSucceeded);
    toneSlider()->setValue(5);
    QVERIFY(confirmed.wait(5000));
    QCOMPARE(m_rig->headset().commandCount(kSetTone), 1);
}

void TestMainWindowDevice::secondRequestWhilePendingSendsNothing_data()
{
    QTest::addColumn<bool>("reset");
    QTest::newRow("factory reset") << true;
    QTest::newRow("receiver unbind") << false;
}

void TestMainWindowDevice::secondRequestWhilePendingSendsNothing()
{
    QFETCH(bool, reset);
    QVERIFY(startLinked());
    HidProtocolService &s = m_rig->service();
    QSignalSpy done(&s, reset ? &HidProtocolService::factoryResetSucceeded : &HidProtocolService::receiverUnbindSucceeded);
    for (int i = 0; i < 2; ++i) {
        if (reset)
            emit m_rig->moreSettings().restoreFactoryRequested();
        else
            emit m_rig->window().connectionPage()->receiverUnbindRequested();
    }
    QVERIFY(done.wait(5000));
    QCOMPARE(m_rig->headset().commandCount(reset ? kFactoryReset : kReceiverUnbind), 1);
}

void TestMainWindowDevice::devicePageEntriesThrottleBasicInfo()
{
    QVERIFY(startLinked());
    HeadphonesDevice &window = m_rig->window();
    const auto toneQueries = [this] { return m_rig->headset().basicInfoCount(0x06); };
    const int before = toneQueries();
    emit window.titleBar()->returnClicked();
    QCOMPARE(window.currentPage(), int(HeadphonesDevice::ConnectionPage));
    window.enterDevicePage();
    QCOMPARE(window.currentPage(), int(HeadphonesDevice::DevicePage));

    // Past the spacing the next entry asks again.
    HeadphonesDeviceTimings timings = DeviceWindowTest::fastTimings();
    timings.basicInfoThrottleMs = 0;
    window.setTimings(timings);
    emit window.titleBar()->returnClicked();
    window.enterDevicePage();
    QVERIFY(QTest::qWaitFor([&] { return toneQueries() == before + 1; }, 5000));
    // A round trip after both entries: whatever they asked has been asked by now.
    QSignalSpy confirmed(&m_rig->service(), &HidProtocolService::toneVolumeSetSucceeded);
    toneSlider()->setValue(5);
    QVERIFY(confirmed.wait(5000));
    QCOMPARE(toneQueries(), before + 1);
}

QTEST_MAIN(TestMainWindowDevice)
#include "tst_mainwindowdevice.moc"
