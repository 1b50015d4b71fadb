#include "ota/UpgradeCooldown.h"

#include <algorithm>
#include <string>

namespace OtaModule {

UpgradeCooldown::UpgradeCooldown(std::function<Clock::time_point()> now)
    : now_(std::move(now))
{
}

bool UpgradeCooldown::allows(const OtaLogFunction &log)
{
    std::int64_t remainingMs = 0;
    {
        std::lock_guard lock(mutex_);
        const auto now = now_();
        if (now >= deadline_)
            return true;
        remainingMs = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - now).count();
    }
    logSafely(log, "Auto upgrade blocked by cooldown: retry after " + std::to_string(remainingMs) + " ms");
    return false;
}

std::int64_t UpgradeCooldown::delayMs(std::int32_t consecutiveFailures, std::int32_t baseMs, std::int32_t capMs)
{
    const std::int64_t cap = std::max<std::int32_t>(capMs, 0);
    std::int64_t delay = std::max<std::int32_t>(baseMs, 0);
    for (std::int32_t i = 1; i < consecutiveFailures; ++i) {
        if (delay >= cap / 2)
            return cap;
        if (delay == 0)
            break;
        delay *= 2;
    }
    return std::min(cap, delay);
}

void UpgradeCooldown::recordOutcome(bool success, std::int32_t baseMs, std::int32_t capMs, const OtaLogFunction &log)
{
    std::string line;
    {
        std::lock_guard lock(mutex_);
        if (success) {
            consecutiveFailures_ = 0;
            deadline_ = Clock::time_point::min();
            return;
        }
        if (consecutiveFailures_ < INT32_MAX)
            ++consecutiveFailures_;
        const std::int64_t delay = delayMs(consecutiveFailures_, baseMs, capMs);
        deadline_ = now_() + std::chrono::milliseconds(delay);
        line = "Auto upgrade cooldown armed: " + std::to_string(delay) + " ms (consecutive failures="
               + std::to_string(consecutiveFailures_) + ")";
    }
    logSafely(log, line);
}

std::int32_t UpgradeCooldown::consecutiveFailures() const
{
    std::lock_guard lock(mutex_);
    return consecutiveFailures_;
}

} // namespace OtaModule
