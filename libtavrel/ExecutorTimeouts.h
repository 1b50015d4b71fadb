#pragma once

#include "platform/tavrelhid/IHidDevice.h"

#include <chrono>

namespace libtavrel {

// Every fixed wait of the engine in one record, so that a simulated device
// can run them faster. Defaults are the real device's timings.
struct ExecutorTimeouts
{
    using Duration = std::chrono::nanoseconds;

    Duration write = std::chrono::milliseconds(2000);         // a frame reaches the device
    Duration reply = std::chrono::milliseconds(10000);        // RCP replies, slow receiver commands
    Duration receiverReply = std::chrono::milliseconds(1000); // quick receiver commands
    // Lock waits: a holder keeps a lock for at most one write and one reply
    // wait, so a longer bound only ends waits on a holder gone wrong.
    Duration lock = std::chrono::milliseconds(120000);
    Duration reconnectPoll = std::chrono::milliseconds(500);  // between client-list polls
    Duration loaderSettle = std::chrono::milliseconds(200);   // after the loader reports ready

    // Each wait multiplied by its own factor; one not above 0 leaves the wait as it is.
    ExecutorTimeouts scaled(const WaitScales &factors) const;
};

} // namespace libtavrel
