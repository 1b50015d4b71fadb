#pragma once

#include "ota/OtaSessionTimings.h"

#include <cstdint>
#include <string>
#include <vector>

// Which HID interfaces belong to the product, where images are found, and
// how long to look for the receiver after it switched into its update mode.
struct OtaDeviceMatchSettings
{
    std::string devicePathFilter = "vid_3654&pid_5055"; // lower-case part of a matching path; empty: all
    std::string firmwareDirectory;                     // searched when no image is given in memory
    std::string postModePathFilter = "vid_3654";       // part of the receiver's path in its update mode
    std::int32_t postModeReopenAttempts = 5;           // below 1: the post step fails at once
    std::int32_t postModeReopenDelayMs = 2000;
    std::int32_t cooldownBaseMs = 2000;
    std::int32_t cooldownMaxMs = 30000;
};

// Everything an update session is told by its caller.
struct OtaSessionRunnerConfig : OtaDeviceMatchSettings
{
    // 0: headsets only, 1: receiver only, 2: headsets first, then the receiver.
    std::uint32_t mode = 2;
    std::vector<std::uint8_t> remoteImage; // headset image in memory; empty: look in firmwareDirectory
    std::vector<std::uint8_t> dongleImage; // receiver image in memory
    std::string deviceHint;                // HID path the caller prefers
    bool authenticateFirst = true;
    bool authenticateAfterReconnect = true;
    OtaModule::OtaSessionTimings timings;
};

struct OtaSessionRunnerResult
{
    bool success = false;
    std::string message; // empty on success
};
