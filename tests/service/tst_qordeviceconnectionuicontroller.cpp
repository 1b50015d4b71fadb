// QorDeviceConnectionUiController: the connection page follows the Qor
// bypass session and the target device's presence.
#include "hid/HidProtocolService.h"
#include "hid/QorDeviceConnectionUiController.h"
#include "tests/hid/HidTestDevices.h"
#include "tests/support/virtualqor/VirtualQorDevice.h"

#include "ServiceRig.h"

#include <QTest>

#include <memory>

namespace {

// The page as the controller sees it; records every call, callbacks included.
class FakePage : public QObject, public QorDeviceConnectionUiController::ConnectionView
{
public:
    void setWiredConnection(bool wired) override { calls.append(QStringLiteral("wired(%1)").arg(wired)); }
    void applyThemeImage(const QString &path, bool save) override
    {
        calls.append(QStringLiteral("apply(%1,%2)").arg(path).arg(save));
    }
    void loadThemeImage() override { calls.append(QStringLiteral("load")); }
    QObject *asQObject() override { return this; }

    QStringList calls;
};

struct Rig
{
    Rig()
    {
        HidTestDevices::resetDouble();
        HidProtocolServiceDurations durations = ServiceTest::fastDurations();
        durations.firstProbeDelayMs = 600000; // the service stays idle; the tests drive its signals
        service = std::make_unique<HidProtocolService>(nullptr, durations, HidTestDevices::fastConfig(),
                                                       ServiceTest::fastHandlerSettings());
    }

    std::unique_ptr<QorDeviceConnectionUiController> make(QorDeviceConnectionUiController::ConnectionView *view,
                                                          bool withCallbacks = true)
    {
        if (!withCallbacks)
            return std::make_unique<QorDeviceConnectionUiController>(view, nullptr, nullptr, nullptr);
        return std::make_unique<QorDeviceConnectionUiController>(
            view, [this](bool active) { page.calls.append(QStringLiteral("session(%1)").arg(active)); },
            [this] { page.calls.append(QStringLiteral("refreshConnection")); },
            [this] { page.calls.append(QStringLiteral("refreshPage")); });
    }

    FakePage page;
    std::unique_ptr<HidProtocolService> service;
};

const QString kQorImage = QStringLiteral(":/images/VOZedod.png");

} // namespace

class TestQorDeviceConnectionUiController : public QObject
{
    Q_OBJECT

private slots:
    void followsTheSession()
    {
        Rig rig;
        auto controller = rig.make(&rig.page);
        controller->bind(rig.service.get());

        emit rig.service->qorQaspBypassSessionChanged(true);
        QVERIFY(controller->isBypassActive());
        QCOMPARE(rig.page.calls, (QStringList{"session(1)", "wired(1)", "apply(" + kQorImage + ",0)",
                                              "refreshConnection", "refreshPage"}));
        rig.page.calls.clear();
        // Active twice: the picture is applied twice; the page skips an unchanged one.
        emit rig.service->qorQaspBypassSessionChanged(true);
        QCOMPARE(rig.page.calls.count("apply(" + kQorImage + ",0)"), 1);
        rig.page.calls.clear();

        emit rig.service->qorQaspBypassSessionChanged(false);
        QVERIFY(!controller->isBypassActive());
        QCOMPARE(rig.page.calls, (QStringList{"session(0)", "wired(0)", "load", "refreshConnection", "refreshPage"}));
    }

    // The target device vanishing resets the page even if the session signal
    // never says false; a device appearing changes nothing.
    void targetGoneResetsThePage()
    {
        Rig rig;
        auto controller = rig.make(&rig.page);
        controller->bind(rig.service.get());
        emit rig.service->qorQaspBypassSessionChanged(true);
        rig.page.calls.clear();

        emit rig.service->targetDevicePresentChanged(true);
        QCOMPARE(rig.page.calls, QStringList{});
        emit rig.service->targetDevicePresentChanged(false);
        QVERIFY(!controller->isBypassActive());
        QCOMPARE(rig.page.calls, (QStringList{"session(0)", "wired(0)", "load", "refreshConnection", "refreshPage"}));
    }

    void unboundLeavesThePageAlone_data()
    {
        QTest::addColumn<bool>("withService");
        QTest::addColumn<bool>("withPage");
        QTest::newRow("no service") << false << true;
        QTest::newRow("no page") << true << false;
    }

    void unboundLeavesThePageAlone()
    {
        QFETCH(bool, withService);
        QFETCH(bool, withPage);
        Rig rig;
        auto controller = rig.make(withPage ? &rig.page : nullptr);
        controller->bind(withService ? rig.service.get() : nullptr);
        emit rig.service->qorQaspBypassSessionChanged(true);
        emit rig.service->targetDevicePresentChanged(false);
        QCOMPARE(rig.page.calls, QStringList{});
        QVERIFY(!controller->isBypassActive());
    }

    void emptyCallbacksAreSkipped()
    {
        Rig rig;
        auto controller = rig.make(&rig.page, false);
        controller->bind(rig.service.get());
        emit rig.service->qorQaspBypassSessionChanged(true);
        emit rig.service->targetDevicePresentChanged(false);
        QCOMPARE(rig.page.calls, (QStringList{"wired(1)", "apply(" + kQorImage + ",0)", "wired(0)", "load"}));
    }

    void aPageThatIsGoneIsNotTouched()
    {
        Rig rig;
        auto page = std::make_unique<FakePage>();
        auto controller = std::make_unique<QorDeviceConnectionUiController>(page.get(), nullptr, nullptr, nullptr);
        controller->bind(rig.service.get());
        page.reset();
        emit rig.service->qorQaspBypassSessionChanged(true); // must not reach the deleted page
        QVERIFY(controller->isBypassActive());
    }

    // With the real decoder attached the page turns wired, and back when it is unplugged.
    void followsARealDecoder()
    {
        HidTestDevices::resetDouble();
        HidTestDevices::api().addDevice(HidTestDevices::qor().hid, std::make_shared<VirtualDevices::VirtualQorDevice>());
        HidProtocolService service(nullptr, ServiceTest::fastDurations(), HidTestDevices::fastConfig(),
                                   ServiceTest::fastHandlerSettings());
        LogCapture log;
        log.attach(&service, &HidProtocolService::logMessage);
        FakePage page;
        QorDeviceConnectionUiController controller(&page, nullptr, nullptr, nullptr);
        controller.bind(&service);
        QTRY_VERIFY(controller.isBypassActive());
        QCOMPARE(page.calls, (QStringList{"wired(1)", "apply(" + kQorImage + ",0)"}));
        // The enumeration thread has listed the decoder, so its loss changes the list.
        QVERIFY(log.waitForSubstring(QStringLiteral("[HID] hotplug: device list updated")));

        HidTestDevices::api().unplug(HidTestDevices::qor().hid.path);
        HidTestDevices::lastHotplugSource()->raise();
        QTRY_COMPARE(page.calls.size(), 6);
        QVERIFY(!controller.isBypassActive());
        QCOMPARE(page.calls.mid(2), (QStringList{"wired(0)", "load", "wired(0)", "load"}));
    }
};

QTEST_GUILESS_MAIN(TestQorDeviceConnectionUiController)
#include "tst_qordeviceconnectionuicontroller.moc"
