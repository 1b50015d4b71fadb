#pragma once

#include "libtavrel/Executor.h"
#include "libtavrel/TargetInfo.h"

#include <cstdint>
#include <span>
#include <vector>

namespace libtavrel {

// The RCP conversation of one update task with the device on `channel`:
// every step sends a command with the task's sequence counter and checks the
// device's response. Each step is a child task with result true on success.
class RcpSession
{
public:
    RcpSession(Executor &executor, int channel, std::span<const std::uint8_t> image);

    void resetSequence() { sequence_ = 0; }
    int channel() const { return channel_; }
    std::span<const std::uint8_t> image() const { return image_; }

    Task queryTargetInfo(TargetInfo *out);                       // 0x03
    Task readFileOffset(std::uint32_t *offset, std::uint16_t *length); // 0xE1
    // 0xE2 with the image bytes named by 0xE1 (or 0x02 for length 0). A range
    // past the end of the image fails without sending.
    Task askUpdateAllowed(std::uint32_t offset, std::uint16_t length, std::uint8_t *refused);
    Task enterUpdate();                                          // 0xE3
    Task readStatus(std::uint8_t *status);                       // 0xE6
    Task switchMode();                                           // 0x0B, silence counts as success
    Task reboot();                                               // 0xE7, nothing awaited

private:
    struct Reply
    {
        std::uint8_t status = 0;
        std::vector<std::uint8_t> payload;
    };
    enum class Silence { Fails, Succeeds };
    Task request(std::uint8_t opcode, std::vector<std::uint8_t> payload, std::size_t minPayload, Silence silence,
                 Reply *out);

    Executor &executor_;
    int channel_;
    std::span<const std::uint8_t> image_;
    std::uint8_t sequence_ = 0;
};

} // namespace libtavrel
