#include "ServiceFaultSetup.h"

#include "ServiceRig.h"
#include "tests/hid/HidTestDevices.h"
#include "tests/support/virtualqor/VirtualQorDevice.h"

#include <memory>
#include <vector>

namespace ServiceTest {

HidProtocolServiceDurations faultDurations()
{
    HidProtocolServiceDurations d = patientDurations();
    d.heartbeatIntervalMs = 600000;
    d.commFaultReconnectDelaysMs = {50, 100, 200};
    d.commFaultHealthyPeriodMs = 600000;
    return d;
}

HeadsetProtocol::ProtocolHandlerSettings faultHandlerSettings()
{
    HeadsetProtocol::ProtocolHandlerSettings s = patientHandlerSettings();
    s.requestTimeoutMs = 2000;
    return s;
}

HIDTypes::HidManagerConfig faultHidConfig()
{
    HIDTypes::HidManagerConfig c = HidTestDevices::fastConfig();
    c.maxConsecutiveWriteFailures = 2;
    return c;
}

HeadsetProtocol::EQData otherEq()
{
    HeadsetProtocol::EQData eq = tenBandEq();
    eq.index = 0x66;
    eq.gains = {-300, -200, 0, 150, 300, 0, -100, 0, 200, -450};
    return eq;
}

bool holds(const VirtualDevices::VirtualHeadset &headset, const HeadsetProtocol::EQData &eq)
{
    const auto stored = VirtualDevices::decodeEqRecord(headset.state().eq);
    return stored && stored->index == eq.index
        && stored->gains == std::vector<std::int16_t>(eq.gains.begin(), eq.gains.end());
}

const std::string &receiverPath()
{
    static const std::string path = HidTestDevices::receiver().hid.path;
    return path;
}

HeadsetProtocol::EQData qorEq()
{
    return qorEq({{250, -300, 100, 2}, {4000, 200, 141, 2}});
}

void plugQor(bool announce)
{
    HidTestDevices::api().addDevice(HidTestDevices::qor().hid, std::make_shared<VirtualDevices::VirtualQorDevice>());
    if (auto *source = HidTestDevices::lastHotplugSource(); announce && source)
        source->raise();
}

void unplugQor()
{
    HidTestDevices::api().unplug(HidTestDevices::qor().hid.path);
    if (auto *source = HidTestDevices::lastHotplugSource())
        source->raise();
}

} // namespace ServiceTest
