#pragma once

#include "tests/support/virtualreceiver/VirtualFirmware.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace VirtualDevices {

// `size` bytes of noise, the same for the same seed.
std::vector<std::uint8_t> makeTestImage(std::size_t size, unsigned seed);

// A device that takes `image` in 512-byte blocks; with a loader it first
// takes the image's first 2048 bytes and restarts into its update mode.
FirmwareBehaviour testFirmware(const std::vector<std::uint8_t> &image, bool loader = false);

} // namespace VirtualDevices
