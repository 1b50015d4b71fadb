#include "HidApiLockHolder.h"

#include "platform/hidapicompat/HidApiCompat.h"
#include "tests/support/hidapidouble/HidApiDouble.h"

#include <chrono>

HidApiLockHolder::HidApiLockHolder(const std::string &path)
{
    auto &api = VirtualDevices::HidApiDouble::instance();
    std::future<void> inside = m_entered.get_future();
    std::shared_future<void> released = m_release.get_future().share();
    api.setOpenHook([this, released](const std::string &) {
        m_entered.set_value();
        released.wait_for(std::chrono::seconds(10));
    });
    // A thread of its own rather than std::async, whose body ThreadSanitizer
    // would not check.
    m_opener = std::thread([this, path] {
        std::wstring error;
        m_device = Platform::HidApiCompat::openPath(path.c_str(), error);
    });
    inside.wait();
    api.setOpenHook(nullptr); // the hook runs once
}

HidApiLockHolder::~HidApiLockHolder()
{
    release();
}

void HidApiLockHolder::release()
{
    if (m_released)
        return;
    m_released = true;
    m_release.set_value();
    m_opener.join();
    if (m_device)
        hid_close(m_device);
}
