#include "tests/support/virtualreceiver/DeviceRcp.h"

#include <algorithm>

namespace VirtualDevices::DeviceRcp {

std::optional<Message> read(const std::vector<std::uint8_t> &bytes)
{
    if (bytes.size() < 9 || bytes[0] != 0xFE || bytes[1] != 0xDC || bytes[2] != 0xBA || bytes.back() != 0xEF)
        return std::nullopt;
    const std::size_t declared = std::size_t(bytes[5]) * 256 + bytes[6];
    if (bytes.size() != declared + 8)
        return std::nullopt;
    Message m;
    m.command = (bytes[3] & 0x80) != 0;
    m.opcode = bytes[4];
    const std::size_t header = m.command ? 8 : 9;
    if (declared + 7 < header)
        return std::nullopt;
    if (m.command) {
        m.sequence = bytes[7];
    } else {
        m.status = bytes[7];
        m.sequence = bytes[8];
    }
    m.body.assign(bytes.begin() + std::ptrdiff_t(header), bytes.end() - 1);
    return m;
}

namespace {

std::vector<std::uint8_t> frame(std::uint8_t flags, std::uint8_t opcode, std::vector<std::uint8_t> lead,
                                const std::vector<std::uint8_t> &body)
{
    const std::size_t declared = lead.size() + body.size();
    std::vector<std::uint8_t> out(7 + declared + 1);
    out[0] = 0xFE;
    out[1] = 0xDC;
    out[2] = 0xBA;
    out[3] = flags;
    out[4] = opcode;
    out[5] = std::uint8_t(declared / 256);
    out[6] = std::uint8_t(declared % 256);
    auto at = std::copy(lead.begin(), lead.end(), out.begin() + 7);
    std::copy(body.begin(), body.end(), at);
    out.back() = 0xEF;
    return out;
}

} // namespace

std::vector<std::uint8_t> command(std::uint8_t opcode, std::uint8_t sequence, const std::vector<std::uint8_t> &body)
{
    return frame(0xC0, opcode, {sequence}, body);
}

std::vector<std::uint8_t> response(std::uint8_t opcode, std::uint8_t status, std::uint8_t sequence,
                                   const std::vector<std::uint8_t> &body)
{
    return frame(0x00, opcode, {status, sequence}, body);
}

} // namespace VirtualDevices::DeviceRcp
