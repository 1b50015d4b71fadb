#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace libtavrel {

// A sticky wake-up: a notify that comes while nobody waits ends the next wait
// at once, so no wake-up is lost between checking for work and going to sleep.
class WakeSignal
{
public:
    void notify();

    // Returns when notified (true) or at `deadline` (false); clears the signal.
    bool waitUntil(std::chrono::steady_clock::time_point deadline);

private:
    std::mutex mutex_;
    std::condition_variable condition_;
    bool pending_ = false;
};

} // namespace libtavrel
