// Only in the preloadable build: fills the registry from the environment when
// the library is loaded, so a real program run can be pointed at virtual devices:
//
//   VELKORA_HIDAPI_DOUBLE_DEVICES="/dev/hidraw0,3654,5055,3,Headset,echo;..."
//
// One device per ';': path, vendor id and product id in hex, interface number,
// optional product name, optional responder: "headset" (the simulated
// receiver and headset), "echo", or none.
//
// VELKORA_HIDAPI_DOUBLE_TRACE=1 makes each virtual headset write the commands
// it takes to stderr, one "[VirtualHeadset] ..." line each.
//
// velkora_hidapi_double_install_firmware (C, looked up with dlsym by another
// double in the same process, e.g. the virtual receiver of the OTA engine):
// the virtual headsets report these firmware versions from now on, as after
// an update.
#include "EchoResponder.h"
#include "HeadsetTraceResponder.h"
#include "HidApiDouble.h"
#include "tests/support/virtualheadset/VirtualHeadset.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::mutex g_headsetsMutex;
std::vector<std::shared_ptr<VirtualDevices::VirtualHeadset>> g_headsets;

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, separator))
        parts.push_back(part);
    return parts;
}

std::wstring widen(const std::string &text)
{
    std::wstring wide(text.size() + 1, L'\0');
    const std::size_t n = std::mbstowcs(wide.data(), text.c_str(), wide.size());
    if (n == static_cast<std::size_t>(-1))
        return std::wstring(text.begin(), text.end());
    wide.resize(n);
    return wide;
}

__attribute__((constructor)) void loadDevicesFromEnvironment()
{
    const char *listing = std::getenv("VELKORA_HIDAPI_DOUBLE_DEVICES");
    if (!listing)
        return;
    const char *trace = std::getenv("VELKORA_HIDAPI_DOUBLE_TRACE");
    const bool traced = trace && std::string(trace) == "1";
    for (const std::string &entry : split(listing, ';')) {
        const auto fields = split(entry, ',');
        if (fields.size() < 4)
            continue;
        VirtualDevices::VirtualHidDevice device;
        device.path = fields[0];
        device.vendorId = static_cast<std::uint16_t>(std::strtoul(fields[1].c_str(), nullptr, 16));
        device.productId = static_cast<std::uint16_t>(std::strtoul(fields[2].c_str(), nullptr, 16));
        device.interfaceNumber = std::atoi(fields[3].c_str());
        if (fields.size() > 4)
            device.productName = widen(fields[4]);
        std::shared_ptr<VirtualDevices::IReportResponder> responder;
        const std::string kind = fields.size() > 5 ? fields[5] : std::string();
        if (kind == "echo")
            responder = std::make_shared<VirtualDevices::EchoResponder>();
        else if (kind == "headset") {
            auto headset = std::make_shared<VirtualDevices::VirtualHeadset>();
            {
                std::lock_guard lock(g_headsetsMutex);
                g_headsets.push_back(headset);
            }
            if (traced)
                responder = std::make_shared<VirtualDevices::HeadsetTraceResponder>(headset, stderr);
            else
                responder = headset;
        }
        VirtualDevices::HidApiDouble::instance().addDevice(device, responder);
    }
}

} // namespace

// Null or empty: that version stays.
extern "C" __attribute__((visibility("default"))) void velkora_hidapi_double_install_firmware(const char *headset,
                                                                                                const char *receiver)
{
    std::lock_guard lock(g_headsetsMutex);
    for (const auto &device : g_headsets) {
        device->updateState([&](VirtualDevices::HeadsetState &state) {
            if (headset && *headset)
                state.headsetFirmware = headset;
            if (receiver && *receiver)
                state.receiverFirmware = receiver;
        });
    }
}
