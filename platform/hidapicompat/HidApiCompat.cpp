#include "HidApiCompat.h"

#include <algorithm>
#include <vector>

namespace Platform {

const wchar_t *HidApiCompat::readErrorText(hid_device *device)
{
#if defined(HID_API_VERSION) && HID_API_VERSION >= HID_API_MAKE_VERSION(0, 15, 0)
    return hid_read_error(device);
#else
    return hid_error(device);
#endif
}

int HidApiCompat::writeReport(hid_device *device, const unsigned char *data, std::size_t length,
                              std::size_t reportLength)
{
#ifndef _WIN32
    if (length < reportLength) {
        std::vector<unsigned char> padded(reportLength, 0);
        std::copy(data, data + length, padded.begin());
        return hid_write(device, padded.data(), padded.size());
    }
#else
    (void)reportLength;
#endif
    return hid_write(device, data, length);
}

} // namespace Platform
