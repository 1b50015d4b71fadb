#pragma once

#include "platform/tavrelhid/HidDeviceRecord.h"
#include "platform/tavrelhid/IHidDevice.h"

#include <memory>
#include <string>
#include <vector>

namespace libtavrel {

// The operating system's HID interfaces as the OTA engine sees them.
class IHidBackend
{
public:
    virtual ~IHidBackend() = default;

    // Every present interface, in the system's order.
    virtual std::vector<HidDeviceRecord> enumerate() = 0;

    // Opens the interface for report I/O; null when it can't be opened.
    virtual std::shared_ptr<IHidDevice> open(const std::string &devicePath) = 0;
};

} // namespace libtavrel
