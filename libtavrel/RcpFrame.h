#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace libtavrel {

// RCP frames ride in kind-0 transport frames.
// Command:  FE DC BA, flags C0, opcode, n + 1 (big-endian), sequence, payload, EF
// Response: FE DC BA, flags 00, opcode, n + 2 (big-endian), status, sequence, payload, EF
namespace Rcp {
inline constexpr std::uint8_t kPrefix[3] = {0xFE, 0xDC, 0xBA};
inline constexpr std::uint8_t kEnd = 0xEF;
inline constexpr std::uint8_t kFlagCommand = 0x80;
inline constexpr std::uint8_t kFlagResponseWanted = 0x40;

inline constexpr std::uint8_t kTargetInfo = 0x03;
inline constexpr std::uint8_t kSwitchMode = 0x0B;
inline constexpr std::uint8_t kFileOffset = 0xE1;
inline constexpr std::uint8_t kUpdateAllowed = 0xE2;
inline constexpr std::uint8_t kEnterUpdate = 0xE3;
inline constexpr std::uint8_t kBlockRequest = 0xE5;
inline constexpr std::uint8_t kUpdateStatus = 0xE6;
inline constexpr std::uint8_t kReboot = 0xE7;
inline constexpr std::uint8_t kTransferSize = 0xE8;
} // namespace Rcp

// A built frame with the sequence number it carries.
struct RcpCommand
{
    int sequence = 0;
    std::vector<std::uint8_t> bytes;
};

// Takes the counter's value as the sequence number and advances it.
// Null when the payload does not fit the 16-bit length field.
std::shared_ptr<RcpCommand> makeRcpCommand(std::uint8_t &counter, std::uint8_t opcode,
                                           const std::uint8_t *payload, std::size_t n);

// A response with status 0 that echoes the device's sequence number.
std::shared_ptr<RcpCommand> makeRcpResponse(std::uint8_t opcode, std::uint8_t sequence,
                                            const std::uint8_t *payload, std::size_t n);

// A parsed frame; `payload` points into the parsed bytes.
struct RcpFrame
{
    bool isResponse = false;
    bool responseWanted = false;
    std::uint8_t opcode = 0;
    std::uint8_t status = 0;
    std::uint8_t sequence = 0;
    const std::uint8_t *payload = nullptr;
    std::size_t payloadLength = 0;
};

bool parseRcpFrame(const std::uint8_t *bytes, std::size_t size, RcpFrame &out);

} // namespace libtavrel
