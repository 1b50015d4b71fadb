#pragma once

#include "platform/tavrelhid/IHidBackend.h"
#include "tests/support/virtualreceiver/VirtualHidBus.h"

namespace VirtualDevices {

// The engine's HID backend over a virtual bus.
class VirtualHidBackend : public libtavrel::IHidBackend
{
public:
    explicit VirtualHidBackend(VirtualHidBus &bus = VirtualHidBus::instance());

    std::vector<libtavrel::HidDeviceRecord> enumerate() override;
    std::shared_ptr<libtavrel::IHidDevice> open(const std::string &devicePath) override;

private:
    VirtualHidBus &bus_;
};

} // namespace VirtualDevices
