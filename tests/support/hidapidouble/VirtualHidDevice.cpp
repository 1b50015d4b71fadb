#include "VirtualHidDevice.h"

#include <cstdio>

namespace VirtualDevices {

std::string VirtualHidDevice::linuxPath(int node)
{
    return "/dev/hidraw" + std::to_string(node);
}

std::string VirtualHidDevice::windowsPath(std::uint16_t vendorId, std::uint16_t productId, int interfaceNumber,
                                          const std::string &instance)
{
    char ids[32];
    if (interfaceNumber >= 0)
        std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x&mi_%02x", vendorId, productId, interfaceNumber & 0xff);
    else
        std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x", vendorId, productId);
    return std::string("\\\\?\\hid#") + ids + "#" + instance + "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

} // namespace VirtualDevices
