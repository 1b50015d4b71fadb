#include "ota/HidEnumeration.h"

#include "libtavrel/tavrel.h"
#include "ota/AsciiText.h"

namespace OtaModule {

namespace {

// The engine's strings go back to the engine however the copying ends.
struct EngineDeviceList
{
    std::vector<HidDeviceEntry> entries;
    ~EngineDeviceList() { DestroyDeviceInfo(entries.data(), int(entries.size())); }
};

std::string copyText(const char *text)
{
    return text ? std::string(text) : std::string();
}

} // namespace

std::vector<UsbDeviceInfo> enumerateHidDevices()
{
    const int count = iterAllHidDevice(nullptr);
    if (count < 1)
        return {};
    EngineDeviceList list;
    list.entries.assign(std::size_t(count), HidDeviceEntry{nullptr, nullptr, nullptr});
    if (iterAllHidDevice(list.entries.data()) != count)
        return {};

    std::vector<UsbDeviceInfo> devices;
    devices.reserve(list.entries.size());
    for (const HidDeviceEntry &entry : list.entries)
        devices.push_back({copyText(entry.hardwareId), copyText(entry.devicePath), copyText(entry.name)});
    return devices;
}

std::vector<UsbDeviceInfo> filterDevicesByPath(const std::vector<UsbDeviceInfo> &devices, const std::string &filter)
{
    const std::string wanted = lowerAscii(filter);
    std::vector<UsbDeviceInfo> matched;
    for (const UsbDeviceInfo &device : devices)
        if (containsText(lowerAscii(device.path), wanted))
            matched.push_back(device);
    return matched;
}

} // namespace OtaModule
