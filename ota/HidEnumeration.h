#pragma once

#include "ota/UsbDeviceInfo.h"

#include <string>
#include <vector>

namespace OtaModule {

// Every HID interface the engine lists, in its order; empty when the list
// changed between the engine's counting and filling calls.
std::vector<UsbDeviceInfo> enumerateHidDevices();

// The devices whose path contains `filter`, both compared in lower case; an
// empty filter keeps every device.
std::vector<UsbDeviceInfo> filterDevicesByPath(const std::vector<UsbDeviceInfo> &devices, const std::string &filter);

} // namespace OtaModule
