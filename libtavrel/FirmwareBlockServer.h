#pragma once

#include "libtavrel/Executor.h"
#include "libtavrel/OtaReporter.h"

#include <cstdint>
#include <memory>
#include <span>

namespace libtavrel {

// Serves the blocks of the image that the device asks for (0xE8 announces the
// size, 0xE5 asks for a block) until it asks for offset 0 with length 0.
// Progress runs from progressStart to progressEnd as blocks are requested.
// A request outside the image, a start beyond the announced size, silence or
// an unexpected frame ends it with false.
Task firmwareBlockServer(Executor &executor, int channel, std::span<const std::uint8_t> image,
                         std::shared_ptr<OtaReporter> reporter, int progressStart, int progressEnd);

} // namespace libtavrel
