#include "HidApiCompat.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace Platform {

namespace {

// Recursive: one thread's calls never race each other, and a call made from
// inside another (a test double's open hook) must not deadlock.
std::recursive_mutex &globalCallMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}

// Callers stop their scanning thread before they shut hidapi down, so only a
// scan stuck inside the system still holds the lock then.
constexpr std::chrono::milliseconds exitLockWait{1000};

} // namespace

int HidApiCompat::init()
{
    std::lock_guard lock(globalCallMutex());
    return hid_init();
}

int HidApiCompat::exit()
{
    // Polled rather than a timed lock: thread checkers do not see timed locks.
    std::unique_lock lock(globalCallMutex(), std::try_to_lock);
    const auto deadline = std::chrono::steady_clock::now() + exitLockWait;
    while (!lock.owns_lock() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        lock.try_lock();
    }
    if (!lock.owns_lock())
        return -1; // hidapi stays up rather than being torn down under that scan
    return hid_exit();
}

hid_device_info *HidApiCompat::enumerate(unsigned short vendorId, unsigned short productId)
{
    std::lock_guard lock(globalCallMutex());
    return hid_enumerate(vendorId, productId);
}

hid_device *HidApiCompat::openPath(const char *path, std::wstring &error)
{
    std::lock_guard lock(globalCallMutex());
    hid_device *device = hid_open_path(path);
    error.clear();
    if (!device) {
        if (const wchar_t *text = hid_error(nullptr))
            error = text;
    }
    return device;
}

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
    // Only report id 0 has a length we know; a numbered report keeps its own
    // length from the device's descriptor and goes out as given.
    if (length > 0 && data[0] == 0x00 && length < reportLength) {
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
