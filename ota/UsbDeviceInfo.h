#pragma once

#include <string>

namespace OtaModule {

// One HID interface as the engine lists it.
struct UsbDeviceInfo
{
    std::string hardwareId;
    std::string path; // what the engine opens
    std::string name;
};

} // namespace OtaModule
