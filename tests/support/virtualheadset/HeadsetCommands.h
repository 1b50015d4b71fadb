#pragma once

#include "tests/support/virtualheadset/HeadsetPayloads.h"
#include "tests/support/virtualheadset/HeadsetState.h"
#include "tests/support/virtualheadset/HostReportDecoder.h"
#include "tests/support/virtualheadset/VirtualHeadsetConfig.h"

#include <optional>
#include <vector>

namespace VirtualDevices {

struct CommandOutcome
{
    std::optional<Bytes> reply;       // response payload; empty: the device stays silent
    std::vector<NotifyItem> followUp; // a notification the device sends after the reply
};

// What the device does with one host request. `factory` holds the settings a
// factory reset restores (name, EQ, tone volume, volume lock, surround).
CommandOutcome runHostCommand(HeadsetState &state, const HeadsetState &factory,
                              const VirtualHeadsetConfig &config, const HostRequest &request);

} // namespace VirtualDevices
