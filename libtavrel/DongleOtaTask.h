#pragma once

#include "libtavrel/Executor.h"
#include "libtavrel/OtaReporter.h"

#include <memory>
#include <span>

namespace libtavrel {

// Updates the receiver through its own channel. A receiver that needs a
// loader is switched into its update mode; the task then ends with
// *switchedToPostMode set and the caller continues on the new interface.
Task dongleOtaTask(Executor &executor, int channel, std::span<const std::uint8_t> image, bool authenticateFirst,
                   bool authenticateAfterReconnect, std::shared_ptr<OtaReporter> reporter, bool *switchedToPostMode);

// The transfer of a receiver that already runs its update mode.
Task singlePostUpdateTask(Executor &executor, int channel, std::span<const std::uint8_t> image,
                          bool authenticateFirst, std::shared_ptr<OtaReporter> reporter);

} // namespace libtavrel
