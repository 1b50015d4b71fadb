#pragma once

#include <cstdint>
#include <string>

namespace VirtualDevices {

// One HID interface as hid_enumerate lists it.
struct VirtualHidDevice
{
    std::string path; // "/dev/hidraw3" or a Windows interface path; see linuxPath / windowsPath
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    int interfaceNumber = -1;
    std::wstring productName;
    std::wstring manufacturer;
    std::wstring serialNumber;
    std::uint16_t releaseNumber = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;

    // "/dev/hidraw<node>", what hidapi's hidraw backend reports.
    static std::string linuxPath(int node);

    // "\\?\hid#vid_XXXX&pid_XXXX&mi_NN#<instance>#{4d1e55b2-f16f-11cf-88cb-001111000030}",
    // the shape of a Windows HID interface path (no "&mi_NN" when interface < 0).
    static std::string windowsPath(std::uint16_t vendorId, std::uint16_t productId, int interfaceNumber,
                                   const std::string &instance = "7&1a2b3c4d&0&0000");
};

} // namespace VirtualDevices
