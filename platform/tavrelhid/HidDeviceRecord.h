#pragma once

#include <string>

namespace libtavrel {

// One present HID interface, texts in UTF-8.
struct HidDeviceRecord
{
    std::string hardwareId; // e.g. "HID\VID_3654&PID_6901&REV_0100&MI_03"
    std::string devicePath; // what IHidBackend::open takes
    std::string name;       // friendly name, else a description
};

} // namespace libtavrel
