#include "tests/support/virtualreceiver/VirtualHidBackend.h"

#include "tests/support/virtualreceiver/VirtualPortDevice.h"

namespace VirtualDevices {

VirtualHidBackend::VirtualHidBackend(VirtualHidBus &bus)
    : bus_(bus)
{
}

std::vector<libtavrel::HidDeviceRecord> VirtualHidBackend::enumerate()
{
    return bus_.enumerate();
}

std::shared_ptr<libtavrel::IHidDevice> VirtualHidBackend::open(const std::string &devicePath)
{
    auto port = bus_.find(devicePath);
    if (!port)
        return nullptr;
    std::optional<libtavrel::WaitScales> scales;
    {
        std::lock_guard lock(port->mutex);
        if (port->openFails)
            return nullptr;
        ++port->opens;
        scales = port->waitScales;
    }
    return std::make_shared<VirtualPortDevice>(port, scales.value_or(bus_.waitScales()));
}

} // namespace VirtualDevices
