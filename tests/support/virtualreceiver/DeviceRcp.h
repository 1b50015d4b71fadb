#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace VirtualDevices {

// The device's own RCP reader and writer.
namespace DeviceRcp {

struct Message
{
    bool command = false;
    std::uint8_t opcode = 0;
    std::uint8_t status = 0;
    std::uint8_t sequence = 0;
    std::vector<std::uint8_t> body;
};

std::optional<Message> read(const std::vector<std::uint8_t> &bytes);
std::vector<std::uint8_t> command(std::uint8_t opcode, std::uint8_t sequence, const std::vector<std::uint8_t> &body);
std::vector<std::uint8_t> response(std::uint8_t opcode, std::uint8_t status, std::uint8_t sequence,
                                   const std::vector<std::uint8_t> &body);

} // namespace DeviceRcp

} // namespace VirtualDevices
