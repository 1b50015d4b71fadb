#pragma once

#include "ota/OtaSessionTimings.h"

#include <cstdint>

// The waits of a firmware flow of the program, in one record so that tests
// can shorten them. The defaults are the ones the devices need.
struct OtaFlowDurations
{
    // From the release of the program's HID access to the start of the
    // update: the receiver must be free before the engine opens it.
    int firstPhaseDelayMs = 2500;
    // The same before a retry within one flow, with the access still released.
    int laterPhaseDelayMs = 1500;
    // Manual update: the whole download of the image.
    int downloadTimeoutMs = 120000;
    // Recovery: an unanswered prompt counts as declined.
    int recoveryPromptTimeoutMs = 900000;
    // Between two looks for the receiver in its update mode.
    std::int32_t postModeReopenDelayMs = 2000;
    // The session's own settle and retry waits.
    OtaModule::OtaSessionTimings session;
};
