#include "ota/SteadySleep.h"

#include <thread>

namespace OtaModule {

void sleepSteady(std::chrono::milliseconds duration)
{
    using Clock = std::chrono::steady_clock;
    const auto until = Clock::now() + duration;
    while (Clock::now() < until)
        std::this_thread::sleep_until(until);
}

} // namespace OtaModule
