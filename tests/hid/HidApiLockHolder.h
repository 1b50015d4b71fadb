#pragma once

#include <hidapi/hidapi.h>

#include <future>
#include <string>
#include <thread>

// Holds hidapi's process-wide lock from a thread of its own, as a call stuck
// inside the system would: an open of `path` that does not return until
// release() (or a bound of ten seconds, so nothing hangs for good). The
// device is closed again once the open has returned.
class HidApiLockHolder
{
public:
    explicit HidApiLockHolder(const std::string &path);
    ~HidApiLockHolder();
    HidApiLockHolder(const HidApiLockHolder &) = delete;
    HidApiLockHolder &operator=(const HidApiLockHolder &) = delete;

    // Lets the open return and waits for it.
    void release();

private:
    std::promise<void> m_entered;
    std::promise<void> m_release;
    std::thread m_opener;
    hid_device *m_device = nullptr;
    bool m_released = false;
};
