#pragma once

#include "app/HeadphonesDevice.h"
#include "platform/installer/RecordingProcessLauncher.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/service/ServiceRig.h"
#include "tests/support/fakeapi/FakeApiServer.h"

#include <QStringList>

#include <memory>

class HidProtocolService;
class MoreSettingsContent;

namespace VirtualDevices {
class VirtualQorDevice;
}

// The main window with its device service on the hidapi double (a virtual
// receiver and headset when plugged), its API on the fake server and every
// wait of the service shortened. Settings and files live in the test's
// environment, which the test sets up before building a rig.
namespace DeviceWindowTest {

HeadphonesDeviceTimings fastTimings();

using MessageLog = WindowTest::MessageLog;

class DeviceWindowRig
{
public:
    DeviceWindowRig();
    ~DeviceWindowRig();
    DeviceWindowRig(const DeviceWindowRig &) = delete;
    DeviceWindowRig &operator=(const DeviceWindowRig &) = delete;

    bool serverStarted() const { return m_serverStarted; }
    FakeApi::FakeApiServer &server() { return *m_server; }

    // The receiver with its headset on the bus before the window looks.
    std::shared_ptr<VirtualDevices::VirtualHeadset> plugReceiver(const VirtualDevices::HeadsetState &state = {});
    bool unplugReceiver() { return m_devices.unplugReceiver(); }
    void replugReceiver() { m_devices.replugReceiver(); }
    VirtualDevices::VirtualHeadset &headset() { return m_devices.headset(); }
    // The wired Qor decoder on the bus before the window looks.
    std::shared_ptr<VirtualDevices::VirtualQorDevice> plugQor();
    LogCapture &log() { return m_devices.log(); }

    // The device service's durations for the next build (ServiceTest::fastDurations() unless set).
    void setServiceDurations(const HidProtocolServiceDurations &durations) { m_durations = durations; }
    HeadphonesDevice &build(const HeadphonesDeviceTimings &timings = fastTimings());
    HeadphonesDevice &window() { return *m_window; }
    HidProtocolService &service();
    MoreSettingsContent &moreSettings();
    // Shown, as the firmware question wants it.
    bool show();
    // Waits until the window takes the device as usable (validated, link up).
    bool waitUsable(int timeoutMs = 10000);

private:
    std::unique_ptr<FakeApi::FakeApiServer> m_server;
    bool m_serverStarted = false;
    ServiceTest::ServiceRig m_devices; // for the bus only; the window builds its own service
    HidProtocolServiceDurations m_durations = ServiceTest::fastDurations();
    RecordingProcessLauncher m_launcher;
    std::unique_ptr<HeadphonesDevice> m_window;
};

} // namespace DeviceWindowTest
