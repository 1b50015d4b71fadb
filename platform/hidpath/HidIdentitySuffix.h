#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace Platform {

// The USB identity of a HID interface as Windows interface paths spell it:
// "#vid_3654&pid_6901&mi_03" (lower-case hex, "&mi_NN" only for a known
// interface). Both the program's HID layer and the OTA engine append it to a
// hidraw node, so the two must spell it alike.
std::string hidIdentitySuffix(std::uint16_t vendorId, std::uint16_t productId,
                              std::optional<std::uint8_t> interfaceNumber);

} // namespace Platform
