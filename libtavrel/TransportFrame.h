#pragma once

#include "libtavrel/WriteDataRequest.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace libtavrel {

// Transport frame: 4A 4C, channel << 4, 00, length L (big-endian, payload + 1),
// kind, payload, ED.
namespace TransportFrame {
inline constexpr std::uint8_t kMagic0 = 0x4A;
inline constexpr std::uint8_t kMagic1 = 0x4C;
inline constexpr std::uint8_t kEnd = 0xED;
inline constexpr std::size_t kHeaderSize = 7; // up to and including the kind
inline constexpr std::size_t kOverhead = 8;   // header and end byte
inline constexpr int kMaxChannel = 15;        // the channel has four bits

// Any L from 1 up is legal: long client lists and target-information replies
// do come, so a frame always waits for all the bytes it announces.
inline constexpr std::size_t kMaxLength = 0xFFFF;
inline constexpr std::size_t kMaxFrameSize = kMaxLength + 7;

// Largest payload that fits the 16-bit length field.
inline constexpr std::size_t kMaxPayload = kMaxLength - 1;

// Receiver commands go out on channel 0, their replies come back on channel 1.
inline constexpr int kCommandChannel = 0;
inline constexpr int kReplyChannel = 1;
} // namespace TransportFrame

// Null when the channel does not fit four bits or the payload the length field.
std::shared_ptr<WriteDataRequest> makeTransportFrame(int channel, int kind, const std::uint8_t *payload,
                                                     std::size_t n);

} // namespace libtavrel
