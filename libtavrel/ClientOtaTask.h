#pragma once

#include "libtavrel/Executor.h"
#include "libtavrel/OtaReporter.h"

#include <memory>
#include <span>

namespace libtavrel {

// Updates the headset on `channel`: target check, optional loader with a
// reconnect, the device-driven image transfer, status, reboot and reconnect.
// Every end but success reports exactly one error.
Task clientOtaTask(Executor &executor, int channel, std::span<const std::uint8_t> image, bool authenticateFirst,
                   bool authenticateAfterReconnect, std::shared_ptr<OtaReporter> reporter);

} // namespace libtavrel
