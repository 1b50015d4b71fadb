#pragma once

#include <chrono>

namespace OtaModule {

// The fixed waits of an update session, in one record so that tests can
// shorten them. The defaults are the ones the devices need.
struct OtaSessionTimings
{
    // After the receiver was opened and read, before the update starts: the
    // radio link settles, then the list is read again.
    std::chrono::milliseconds settleBeforeUpgrade{2500};
    std::chrono::milliseconds settleBetweenReads{1500};
    // Between two open-and-read attempts of the precheck recovery.
    std::chrono::milliseconds precheckRetryWait{300};
    // After each open-and-read of the recovery from a failed headset update.
    std::chrono::milliseconds recoveryReadWait{300};
};

} // namespace OtaModule
