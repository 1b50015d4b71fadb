#pragma once

#include <hidapi/hidapi.h>

#include <cstddef>
#include <string>

namespace Platform {

// Small differences between hidapi versions and between the Windows HID stack
// and Linux hidraw, kept out of the HID stack itself; and hidapi's global
// calls made safe to use from more than one thread.
class HidApiCompat
{
public:
    // hid_init, hid_exit, hid_enumerate and hid_open_path free and replace
    // hidapi's one process-wide error text without a lock, so two of them at
    // once on different threads (the enumeration thread scans while the GUI
    // thread opens a device) can free it twice. These run them one at a time.
    // Nothing else is called while the lock is held. exit waits a bounded
    // time for a running call and returns -1 without shutting down when it
    // does not end.
    static int init();
    static int exit();
    static hid_device_info *enumerate(unsigned short vendorId, unsigned short productId);
    // hid_open_path; on failure `error` receives hidapi's text for it (empty
    // when it has none), read before another call can replace it.
    static hid_device *openPath(const char *path, std::wstring &error);

    // Text of the last read error on `device`. hidapi 0.15 keeps read errors
    // apart (hid_read_error); older versions report them through hid_error.
    // May return null.
    static const wchar_t *readErrorText(hid_device *device);

    // Writes one output report. Windows pads a write to the device's output
    // report length; hidraw sends exactly what it is given. Shorter writes of
    // report id 0 are padded with zeros to `reportLength` so the device sees the
    // same bytes on every system; a numbered report (first byte not 0) is sent
    // as given. Returns hid_write's result.
    static int writeReport(hid_device *device, const unsigned char *data, std::size_t length,
                           std::size_t reportLength);
};

} // namespace Platform
