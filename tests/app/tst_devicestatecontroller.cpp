// The device picture on its own: the device service's state signals played
// as slot calls, a page stack of one number, the connection page and the
// sidebar as real widgets, and the Qor connection controller without a page.
#include "app/DeviceStateController.h"
#include "devicepages/CustomDeviceConnection.h"
#include "devicepages/DeviceInfoItem.h"
#include "devicepages/EquipmentSettingsBar.h"
#include "devicepages/MoreSettingsMenuItem.h"
#include "hid/QorDeviceConnectionUiController.h"
#include "tests/app/TestEnvironment.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <memory>

class TestDeviceStateController : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void pageFollowsTheDevice_data();
    void pageFollowsTheDevice();
    void returnPage_data();
    void returnPage();
    void lossesResetWhatTheyOwn();
    void productIdText_data();
    void productIdText();
    void wiredSessionShowsTheQorModel();

private:
    // Steps: "present", "gone", "validated", "unvalidated", "link:0", "link:1", "qor:0", "qor:1",
    // "page:N" (the user is on page N).
    void play(const QStringList &steps);

    TestEnvironment m_env;
    int m_page = DeviceStateController::BootPage;
    std::unique_ptr<CustomDeviceConnection> m_connection;
    std::unique_ptr<EquipmentSettingsBar> m_sidebar;
    std::unique_ptr<DeviceStateController> m_state;
    std::unique_ptr<QorDeviceConnectionUiController> m_qor;
};

void TestDeviceStateController::init()
{
    m_env.clearSettings();
    m_page = DeviceStateController::BootPage;
    m_connection = std::make_unique<CustomDeviceConnection>();
    m_sidebar = std::make_unique<EquipmentSettingsBar>();
    m_state = std::make_unique<DeviceStateController>();
    DeviceStateController *state = m_state.get();
    // As the window builds it: the controller reports the wired session's link and asks for the page anew.
    m_qor = std::make_unique<QorDeviceConnectionUiController>(
        nullptr, [state](bool connected) { state->onQorConnectionLink(connected); },
        [state] { state->refreshConnectionState(); }, [state] { state->selectMainPageForDeviceState(false); });
    m_state->setQorConnectionController(m_qor.get());
    m_state->setPages(m_connection.get(), m_sidebar.get(), nullptr, nullptr);
    m_state->setPageStack({.currentPage = [this] { return m_page; }, .showPage = [this](int page) { m_page = page; }});
}

void TestDeviceStateController::cleanup()
{
    m_qor.reset();
    m_state.reset();
    m_sidebar.reset();
    m_connection.reset();
}

void TestDeviceStateController::play(const QStringList &steps)
{
    for (const QString &step : steps) {
        const QString arg = step.section(QLatin1Char(':'), 1);
        if (step == QLatin1String("present") || step == QLatin1String("gone")) {
            // The connection controller hears of it first, as it is bound to the service first.
            const bool present = step == QLatin1String("present");
            m_qor->onTargetDevicePresentChanged(present);
            m_state->onTargetDevicePresentChanged(present);
        } else if (step == QLatin1String("validated") || step == QLatin1String("unvalidated")) {
            m_state->onProtocolValidatedChanged(step == QLatin1String("validated"));
        } else if (step.startsWith(QLatin1String("link:"))) {
            m_state->onHeadsetLinkChanged(arg == QLatin1String("1"));
        } else if (step.startsWith(QLatin1String("qor:"))) {
            // The window's order: recorded, the connection controller, then the session bookkeeping.
            m_state->recordServiceQorSession(arg == QLatin1String("1"));
            m_qor->onBypassSessionChanged(arg == QLatin1String("1"));
            m_state->onQorBypassSessionChanged();
        } else if (step.startsWith(QLatin1String("page:"))) {
            m_page = arg.toInt();
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown step %1").arg(step)));
        }
    }
}

void TestDeviceStateController::pageFollowsTheDevice_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("usable");
    const QStringList linked{"present", "validated", "link:1"};
    QTest::newRow("validated, link not reported") << QStringList{"present", "validated"} << 0 << false;
    QTest::newRow("link up") << linked << 1 << true;
    QTest::newRow("link down") << QStringList{"present", "validated", "link:0"} << 1 << false;
    QTest::newRow("device page, validated again") << linked + QStringList{"page:3", "validated"} << 3 << true;
    QTest::newRow("device page, link up again") << linked + QStringList{"page:3", "link:1"} << 3 << true;
    QTest::newRow("device page, link down") << linked + QStringList{"page:3", "link:0"} << 1 << false;
    QTest::newRow("settings page, device gone") << linked + QStringList{"page:2", "gone"} << 2 << false;
    QTest::newRow("profile page, link down") << linked + QStringList{"page:4", "link:0"} << 4 << false;
    QTest::newRow("device gone") << linked + QStringList{"gone"} << 0 << false;
    QTest::newRow("validation lost") << linked + QStringList{"unvalidated"} << 0 << false;
    QTest::newRow("wired session, no validation") << QStringList{"present", "qor:1"} << 1 << true;
    QTest::newRow("wired session, device page") << QStringList{"present", "qor:1", "page:3", "link:1"} << 3 << true;
    // The wired session stood for the link; the receiver after it has reported none yet.
    QTest::newRow("wired session ends, receiver validated")
        << QStringList{"present", "qor:1", "validated", "qor:0"} << 0 << false;
    QTest::newRow("wired session ends, receiver link reported")
        << QStringList{"present", "qor:1", "validated", "qor:0", "link:1"} << 1 << true;
    QTest::newRow("wired session, device gone") << QStringList{"present", "qor:1", "gone"} << 0 << false;
}

void TestDeviceStateController::pageFollowsTheDevice()
{
    QFETCH(QStringList, steps);
    QFETCH(int, page);
    QFETCH(bool, usable);
    play(steps);
    QCOMPARE(m_page, page);
    QCOMPARE(m_state->isDeviceUsable(), usable);
    QCOMPARE(m_connection->isConnected(), usable);
}

void TestDeviceStateController::returnPage_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("saved");
    QTest::addColumn<int>("page");
    const QStringList linked{"present", "validated", "link:1"};
    QTest::newRow("to settings") << QStringList{} << 2 << 2;
    QTest::newRow("to the device page, usable") << linked << 3 << 3;
    QTest::newRow("to the device page, link down") << linked + QStringList{"link:0"} << 3 << 1;
    QTest::newRow("to the device page, device gone") << linked + QStringList{"gone"} << 3 << 0;
    QTest::newRow("link not reported") << QStringList{"present", "validated"} << 1 << 0;
    QTest::newRow("wired session") << QStringList{"present", "qor:1"} << 3 << 3;
}

void TestDeviceStateController::returnPage()
{
    QFETCH(QStringList, steps);
    QFETCH(int, saved);
    QFETCH(int, page);
    play(steps);
    QCOMPARE(m_state->returnPageFor(saved), page);
}

void TestDeviceStateController::lossesResetWhatTheyOwn()
{
    QSignalSpy reset(m_state.get(), &DeviceStateController::deviceValuesReset);
    QSignalSpy presence(m_state.get(), &DeviceStateController::presenceHandled);
    play({"present", "validated", "link:1"});
    m_state->onHeadsetBatteryChanged(0);
    m_state->onHeadsetNameChanged(QStringLiteral(" Velkora H1 "));
    m_state->onHeadsetToneVolumeChanged(5);
    QCOMPARE(m_state->batteryLevel(), 0);
    QCOMPARE(m_state->deviceName(), QStringLiteral("Velkora H1"));

    // Validation lost: the link and the values go, the firmware side stays.
    play({"unvalidated"});
    QCOMPARE(m_state->batteryLevel(), -1);
    QVERIFY(m_state->deviceName().isEmpty());
    QCOMPARE(m_state->toneLevel(), -1);
    QVERIFY(!m_state->isLinkKnown());
    QVERIFY(reset.isEmpty());

    // The device gone: everything goes.
    play({"validated", "link:1"});
    m_state->onHeadsetBatteryChanged(0);
    play({"gone"});
    QCOMPARE(reset.size(), 1);
    QCOMPARE(m_state->batteryLevel(), -1);
    QVERIFY(!m_state->isProtocolValidated());
    QCOMPARE(presence.last().at(0).toBool(), false);
}

void TestDeviceStateController::productIdText_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("pid");
    QTest::newRow("nothing stored") << QStringList{} << QVariant() << QStringLiteral("1");
    QTest::newRow("stored") << QStringList{} << QVariant(QStringLiteral(" 26881 ")) << QStringLiteral("26881");
    QTest::newRow("stored blank") << QStringList{} << QVariant(QStringLiteral("  ")) << QStringLiteral("1");
    QTest::newRow("wired session") << QStringList{"present", "qor:1"} << QVariant(QStringLiteral("26881"))
                                   << QStringLiteral("49678");
}

void TestDeviceStateController::productIdText()
{
    QFETCH(QStringList, steps);
    QFETCH(QVariant, stored);
    QFETCH(QString, pid);
    if (stored.isValid())
        QSettings().setValue(QStringLiteral("Device/pid"), stored);
    play(steps);
    QCOMPARE(m_state->currentProductIdText(), pid);
}

void TestDeviceStateController::wiredSessionShowsTheQorModel()
{
    play({"present", "validated", "link:1"});
    m_state->onHeadsetNameChanged(QStringLiteral("Velkora H1"));
    QCOMPARE(m_sidebar->deviceItem()->deviceName(), QStringLiteral("Velkora H1"));
    QVERIFY(!m_sidebar->moreItem()->isHidden());
    play({"qor:1"});
    QCOMPARE(m_sidebar->deviceItem()->deviceName(), QStringLiteral("VELKORA QOR"));
    QVERIFY(m_sidebar->moreItem()->isHidden());
    play({"qor:0"});
    QCOMPARE(m_sidebar->deviceItem()->deviceName(), QStringLiteral("Velkora H1"));
    QVERIFY(!m_sidebar->moreItem()->isHidden());
}

QTEST_MAIN(TestDeviceStateController)
#include "tst_devicestatecontroller.moc"
