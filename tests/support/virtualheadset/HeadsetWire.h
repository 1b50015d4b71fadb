#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The headset's frame layout, written independently of the production codec:
//   0xFE | flags (bit 7 enciphered, bits 0-3 sequence) | command (LE16) | type |
//   frame index | total frames | payload length N (LE16) | N bytes | CRC-16 (BE)
// The CRC is CRC-16/CCITT-FALSE over everything before it.
namespace VirtualDevices {

using Bytes = std::vector<std::uint8_t>;

namespace HeadsetWire {

inline constexpr std::uint8_t kSync = 0xFE;
inline constexpr std::size_t kHeaderSize = 9;
inline constexpr std::size_t kFrameOverhead = 11;
inline constexpr std::size_t kMaxFramePayload = 53;
inline constexpr std::size_t kMaxFrames = 255;
inline constexpr std::size_t kReportSize = 64;

enum class FrameType : std::uint8_t { Request = 1, Response = 2, Notify = 3 };

struct Frame
{
    std::uint8_t sequence = 0;
    bool encrypted = false;
    std::uint16_t command = 0;
    std::uint8_t type = static_cast<std::uint8_t>(FrameType::Request);
    std::uint8_t frameIndex = 0;
    std::uint8_t totalFrames = 1;
    Bytes payload{};
};

struct DecodedFrame
{
    std::optional<Frame> frame{};
    std::string error{};     // why `frame` is empty
    std::size_t size = 0;  // bytes the frame occupies (11 + length) when the header was readable
};

std::uint16_t crc16(std::span<const std::uint8_t> data);

// Header, payload and CRC; the length field is the payload's size.
Bytes encodeFrame(const Frame &frame);

// Cuts one message into frames carrying at most `chunk` payload bytes each
// (clamped to 1-53); an empty payload still makes one frame. Empty result when
// the message would need more than 255 frames.
std::vector<Bytes> encodeMessage(std::uint16_t command, FrameType type, std::uint8_t sequence,
                                 std::span<const std::uint8_t> payload,
                                 std::size_t chunk = kMaxFramePayload);

// Decodes the frame that starts at data[0]. Bytes after its CRC are not read.
// Checks sync byte, size, CRC and that the length field stays within 0-53;
// the enciphered bit is reported, not judged.
DecodedFrame decodeFrame(std::span<const std::uint8_t> data);

// Rewrites the CRC of an encoded frame over all bytes before it (used after a
// deliberate change of a header field).
void resealFrame(Bytes &frame);

} // namespace HeadsetWire
} // namespace VirtualDevices
