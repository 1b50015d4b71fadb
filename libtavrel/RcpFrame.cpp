#include "libtavrel/RcpFrame.h"

#include <cstring>

namespace libtavrel {

namespace {

std::shared_ptr<RcpCommand> build(std::uint8_t flags, std::uint8_t opcode, std::size_t lengthField,
                                  std::initializer_list<std::uint8_t> lead, int sequence,
                                  const std::uint8_t *payload, std::size_t n)
{
    if (lengthField > 0xFFFF)
        return nullptr;
    auto command = std::make_shared<RcpCommand>();
    command->sequence = sequence;
    auto &b = command->bytes;
    b.resize(7 + lead.size() + n + 1);
    std::memcpy(b.data(), Rcp::kPrefix, 3);
    b[3] = flags;
    b[4] = opcode;
    b[5] = std::uint8_t(lengthField >> 8);
    b[6] = std::uint8_t(lengthField);
    std::size_t at = 7;
    for (std::uint8_t byte : lead)
        b[at++] = byte;
    if (n != 0)
        std::memcpy(b.data() + at, payload, n);
    b.back() = Rcp::kEnd;
    return command;
}

} // namespace

std::shared_ptr<RcpCommand> makeRcpCommand(std::uint8_t &counter, std::uint8_t opcode,
                                           const std::uint8_t *payload, std::size_t n)
{
    const std::uint8_t sequence = counter;
    auto command = build(Rcp::kFlagCommand | Rcp::kFlagResponseWanted, opcode, n + 1, {sequence}, sequence,
                         payload, n);
    if (command)
        ++counter;
    return command;
}

std::shared_ptr<RcpCommand> makeRcpResponse(std::uint8_t opcode, std::uint8_t sequence,
                                            const std::uint8_t *payload, std::size_t n)
{
    return build(0x00, opcode, n + 2, {0x00, sequence}, sequence, payload, n);
}

bool parseRcpFrame(const std::uint8_t *bytes, std::size_t size, RcpFrame &out)
{
    if (size <= 8 || std::memcmp(bytes, Rcp::kPrefix, 3) != 0 || bytes[size - 1] != Rcp::kEnd)
        return false;
    const std::uint8_t flags = bytes[3];
    const std::size_t declared = std::size_t(bytes[5]) << 8 | bytes[6];
    // Bytes between the declared payload and the buffer's final end byte are
    // left alone: devices that pad their frames still answer.
    if (size < declared + 8)
        return false;

    RcpFrame frame;
    frame.isResponse = (flags & Rcp::kFlagCommand) == 0;
    frame.responseWanted = (flags & Rcp::kFlagResponseWanted) != 0;
    frame.opcode = bytes[4];
    if (!frame.isResponse) {
        if (declared < 1)
            return false;
        frame.sequence = bytes[7];
        frame.payload = bytes + 8;
        frame.payloadLength = declared - 1;
    } else {
        if (declared < 2)
            return false;
        frame.status = bytes[7];
        frame.sequence = bytes[8];
        frame.payload = bytes + 9;
        frame.payloadLength = declared - 2;
    }
    out = frame;
    return true;
}

} // namespace libtavrel
