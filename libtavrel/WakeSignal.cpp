#include "libtavrel/WakeSignal.h"

namespace libtavrel {

void WakeSignal::notify()
{
    {
        std::lock_guard lock(mutex_);
        pending_ = true;
    }
    condition_.notify_one();
}

bool WakeSignal::waitUntil(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock lock(mutex_);
    const bool woken = condition_.wait_until(lock, deadline, [this] { return pending_; });
    pending_ = false;
    return woken;
}

} // namespace libtavrel
