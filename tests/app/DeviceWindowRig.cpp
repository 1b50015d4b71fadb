#include "tests/app/DeviceWindowRig.h"

#include "devicepages/EquipmentContentsBar.h"
#include "devicepages/MoreSettingsContent.h"
#include "hid/HidProtocolService.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/hid/HidTestDevices.h"
#include "tests/support/virtualqor/VirtualQorDevice.h"

#include <QSettings>
#include <QTest>

namespace DeviceWindowTest {

HeadphonesDeviceTimings fastTimings()
{
    HeadphonesDeviceTimings t;
    t.realtimeEqDebounceMs = 50;
    t.firmwareReadbackDelaysMs = {10, 20};
    return t;
}

DeviceWindowRig::DeviceWindowRig() : m_server(std::make_unique<FakeApi::FakeApiServer>())
{
    m_serverStarted = m_server->start();
    m_server->backend().setRootUrl(m_server->rootUrl());
    QSettings settings;
    settings.setValue("api/baseUrl", m_server->baseUrl());
    settings.sync();
}

DeviceWindowRig::~DeviceWindowRig()
{
    m_window.reset();
    m_server.reset();
}

std::shared_ptr<VirtualDevices::VirtualHeadset> DeviceWindowRig::plugReceiver(const VirtualDevices::HeadsetState &state)
{
    return m_devices.plugReceiver({}, state);
}

HeadphonesDevice &DeviceWindowRig::build(const HeadphonesDeviceTimings &timings)
{
    HeadphonesDeviceServiceSetup setup;
    setup.durations = m_durations;
    setup.hidConfig = HidTestDevices::fastConfig();
    setup.handlerSettings = ServiceTest::fastHandlerSettings();
    // How long an answer may take is the program's own: a shortened one turns
    // a slow (loaded) machine into failed sends the window then acts on.
    setup.durations.validationTimeoutMs = HidProtocolServiceDurations{}.validationTimeoutMs;
    setup.handlerSettings.requestTimeoutMs = HeadsetProtocol::ProtocolHandlerSettings{}.requestTimeoutMs;
    setup.handlerSettings.queuedTimeoutMs = HeadsetProtocol::ProtocolHandlerSettings{}.queuedTimeoutMs;
    m_window = std::make_unique<HeadphonesDevice>(nullptr, timings, setup);
    WindowTest::isolateUpdater(*m_window, m_launcher);
    m_devices.log().attach(m_window->deviceService(), &HidProtocolService::logMessage);
    return *m_window;
}

std::shared_ptr<VirtualDevices::VirtualQorDevice> DeviceWindowRig::plugQor()
{
    auto decoder = std::make_shared<VirtualDevices::VirtualQorDevice>();
    HidTestDevices::api().addDevice(HidTestDevices::qor().hid, decoder);
    return decoder;
}

HidProtocolService &DeviceWindowRig::service()
{
    return *m_window->deviceService();
}

MoreSettingsContent &DeviceWindowRig::moreSettings()
{
    return *m_window->contentBar()->moreSettingsPage();
}

bool DeviceWindowRig::show()
{
    return WindowTest::showWindow(*m_window, false);
}

bool DeviceWindowRig::waitUsable(int timeoutMs)
{
    return QTest::qWaitFor([this] { return m_window->isDeviceUsable(); }, timeoutMs);
}

} // namespace DeviceWindowTest
