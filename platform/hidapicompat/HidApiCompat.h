#pragma once

#include <hidapi/hidapi.h>

#include <cstddef>

namespace Platform {

// Small differences between hidapi versions and between the Windows HID stack
// and Linux hidraw, kept out of the HID stack itself.
class HidApiCompat
{
public:
    // Text of the last read error on `device`. hidapi 0.15 keeps read errors
    // apart (hid_read_error); older versions report them through hid_error.
    // May return null.
    static const wchar_t *readErrorText(hid_device *device);

    // Writes one output report. Windows pads a write to the device's output
    // report length; hidraw sends exactly what it is given. Shorter writes are
    // padded with zeros to `reportLength` so the device sees the same bytes on
    // every system. Returns hid_write's result.
    static int writeReport(hid_device *device, const unsigned char *data, std::size_t length,
                           std::size_t reportLength);
};

} // namespace Platform
