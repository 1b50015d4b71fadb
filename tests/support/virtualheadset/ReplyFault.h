#pragma once

#include "tests/support/virtualheadset/HeadsetWire.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace VirtualDevices {

// Which host requests a scripted fault applies to; empty fields match all.
struct RequestMatch
{
    std::optional<std::uint16_t> command{};
    std::optional<std::uint8_t> infoType{}; // first payload byte of GetBasicInfo (0x10)

    bool matches(std::uint16_t requestCommand, const Bytes &payload) const;
};

// What goes wrong with one device message. Fields combine; the default is a
// clean message. Built with designated initialisers, e.g.
// ReplyFault{.delay = 4s} or ReplyFault{.frameOrder = {2, 0, 1}}.
struct ReplyFault
{
    bool noAnswer = false;               // the command is carried out, its reply is lost
    std::chrono::milliseconds delay{0};  // reply becomes due this much later
    // Replaces the reply payload, e.g. {0x01, 0x2A} for a failure status with
    // error code 0x2A. The device then refuses: the command changes nothing.
    std::optional<Bytes> payload{};
    std::optional<std::uint8_t> sequence{}; // sequence number the host never used

    // Frames go out in this order of frame indices; an index may repeat
    // (duplicate) or be left out (lost). Empty: 0, 1, 2, ...
    std::vector<std::uint8_t> frameOrder{};
    // > 0: every frame longer than this is cut into two reports at that byte;
    // the first part is sent unpadded so the host's buffer joins them.
    std::size_t splitAt = 0;
    Bytes garbageBeforeSync{};             // bytes in front of the first frame

    // Damage to the frame with index `damagedFrame`:
    std::uint8_t damagedFrame = 0;
    bool corruptCrc = false;             // CRC no longer matches
    std::optional<std::uint16_t> lengthField{}; // claimed payload length; CRC resealed over the bytes sent
    bool encryptedBit = false;           // bit 7 of byte 1 set, CRC resealed

    // Shorthand for a refusal: status byte 0x01 followed by `detail`. Only the replies to 0x21-0x26
    // carry a status byte; an EQ (0x20) reply is the record itself, so this is no refusal there.
    static ReplyFault failureStatus(Bytes detail = {});
};

} // namespace VirtualDevices
