#pragma once

#include "libtavrel/Executor.h"
#include "libtavrel/OtaReporter.h"
#include "libtavrel/RcpSteps.h"

#include <memory>
#include <string>

namespace libtavrel {

// What each update task calls a failure of the three opening steps.
struct OpeningMessages
{
    const char *targetInfo;
    const char *fileOffset;
    const char *updateAllowed;
};

// 0x03, 0xE1 and 0xE2 with progress 1, 2 and 3: the device describes itself,
// names the part of the image it wants to see, and allows the update.
// Reports its own failure (code 3 with the task's message, 4 "not allow").
Task openUpdate(Executor &executor, RcpSession &rcp, OtaReporter &reporter, OpeningMessages messages,
                TargetInfo *target);

// The loader goes first: serve it (progress 3 to 39), check that it is ready
// (progress 40), let it settle and switch the device into it. Reports its
// own failure; `switchFailure` is the task's message for the last step.
Task installLoader(Executor &executor, RcpSession &rcp, std::shared_ptr<OtaReporter> reporter,
                   const char *switchFailure);

// The headset task's text, zero-padded: "update failed: status 0x05".
std::string updateStatusMessage(std::uint8_t status);
// The receiver tasks' text, padded with a blank as their callers have always
// read it: "update failed: status 0x 5".
std::string receiverUpdateStatusMessage(std::uint8_t status);

} // namespace libtavrel
