#pragma once

#include "ota/OtaLog.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

namespace OtaModule {

// Keeps the automatic upgrade from being retried at once after it failed:
// each failure in a row doubles the wait from the base up to the cap; a
// success clears it.
class UpgradeCooldown
{
public:
    using Clock = std::chrono::steady_clock;

    explicit UpgradeCooldown(std::function<Clock::time_point()> now = &Clock::now);

    // False, with a log line, while the cooldown runs.
    bool allows(const OtaLogFunction &log);
    // Negative delays count as 0.
    void recordOutcome(bool success, std::int32_t baseMs, std::int32_t capMs, const OtaLogFunction &log);
    std::int32_t consecutiveFailures() const;

    // The wait after the given number of failures in a row.
    static std::int64_t delayMs(std::int32_t consecutiveFailures, std::int32_t baseMs, std::int32_t capMs);

private:
    std::function<Clock::time_point()> now_;
    mutable std::mutex mutex_;
    std::int32_t consecutiveFailures_ = 0;
    Clock::time_point deadline_ = Clock::time_point::min(); // min: no cooldown
};

} // namespace OtaModule
