#pragma once

#include "ota/OtaFlowDurations.h"
#include "tests/service/ServiceRig.h"
#include "tests/support/fakeapi/FakeApiServer.h"
#include "tests/support/virtualreceiver/TestFirmware.h"
#include "tests/support/virtualreceiver/VirtualHidBus.h"
#include "tests/support/virtualreceiver/VirtualReceiver.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A firmware flow end to end: the device service over the hidapi double
// with the virtual headset (the program's own HID access), the OTA engine
// over the virtual HID bus with the virtual receiver and its headsets (the
// engine's access to the same device), and the fake API server for the
// download. The engine's pauses and the flow's own waits are cut short; the
// engine's waits for an answer last ten seconds or more, so that a loaded
// machine cannot end one before the answer is read.
class CoordinatorRig
{
public:
    static constexpr double kTimeScale = 0.03;

    CoordinatorRig();
    ~CoordinatorRig();
    CoordinatorRig(const CoordinatorRig &) = delete;
    CoordinatorRig &operator=(const CoordinatorRig &) = delete;

    ServiceTest::ServiceRig &service() { return m_service; }
    FakeApi::FakeApiServer &api() { return m_api; }
    VirtualDevices::VirtualReceiver &receiver() { return *m_receiver; }
    static VirtualDevices::VirtualHidBus &bus() { return VirtualDevices::VirtualHidBus::instance(); }

    // The receiver on the engine's bus under the node of a device of the
    // hidapi double, so that both name the same path.
    void plugOtaReceiver(const std::string &node, std::uint16_t productId = VirtualDevices::VirtualReceiver::kProductId);
    void addHeadset(int channel, const std::vector<std::uint8_t> &image, bool loader = false);
    // A silent receiver answers nothing: an engine that opens it meanwhile waits only briefly.
    void setReceiverSilent(bool silent);
    // How often the engine opened the receiver (in any of its modes).
    int otaOpens() const;

    static QByteArray bytes(const std::vector<std::uint8_t> &image);
    static OtaFlowDurations fastDurations();

    const std::vector<std::uint8_t> headsetImage = VirtualDevices::makeTestImage(6000, 11);
    const std::vector<std::uint8_t> receiverImage = VirtualDevices::makeTestImage(5000, 23);

private:
    ServiceTest::ServiceRig m_service;
    FakeApi::FakeApiServer m_api;
    std::shared_ptr<VirtualDevices::VirtualReceiver> m_receiver;
    std::vector<std::shared_ptr<VirtualDevices::VirtualPort>> m_ports;
};
