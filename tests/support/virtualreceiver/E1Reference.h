#pragma once

#include <array>
#include <cstdint>

namespace VirtualDevices {

// A second, separately written implementation of the authentication cipher
// (SAFER+ in the E1 arrangement), used by the virtual devices and to make the
// engine's known-answer vectors. Shares only the constants with the engine.
namespace E1Reference {

using Block = std::array<std::uint8_t, 16>;

Block cipher(const Block &challenge);

// [0x01, cipher(challenge bytes 1-16)]
std::array<std::uint8_t, 17> answer(const std::uint8_t *challenge17);

} // namespace E1Reference

} // namespace VirtualDevices
