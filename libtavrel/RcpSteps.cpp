#include "libtavrel/RcpSteps.h"

#include "libtavrel/RcpFrame.h"
#include "libtavrel/TransportFrame.h"

namespace libtavrel {

RcpSession::RcpSession(Executor &executor, int channel, std::span<const std::uint8_t> image)
    : executor_(executor)
    , channel_(channel)
    , image_(image)
{
}

Task RcpSession::request(std::uint8_t opcode, std::vector<std::uint8_t> payload, std::size_t minPayload,
                         Silence silence, Reply *out)
{
    const auto command = makeRcpCommand(sequence_, opcode, payload.data(), payload.size());
    if (!command)
        co_return false;
    auto frame = makeTransportFrame(channel_, 0, command->bytes.data(), command->bytes.size());
    if (!frame || !co_await executor_.write(std::move(frame), executor_.timeouts().write))
        co_return false;
    const auto package = co_await executor_.reply(channel_, executor_.timeouts().reply);
    if (!package)
        co_return silence == Silence::Succeeds;
    RcpFrame response;
    if (!parseRcpFrame(package->payload.data(), package->payload.size(), response) || !response.isResponse
        || response.opcode != opcode || response.sequence != std::uint8_t(command->sequence)
        || response.payloadLength < minPayload)
        co_return false;
    if (out) {
        out->status = response.status;
        out->payload.assign(response.payload, response.payload + response.payloadLength);
    }
    co_return true;
}

Task RcpSession::queryTargetInfo(TargetInfo *out)
{
    Reply reply;
    std::vector<std::uint8_t> payload{0x00, 0x00, 0x03, 0x00, 0x00};
    // An empty reply is accepted and leaves every flag false.
    if (!co_await executor_.child(request(0x03, std::move(payload), 0, Silence::Fails, &reply)))
        co_return false;
    *out = TargetInfo::parse(reply.payload.data(), reply.payload.size());
    co_return true;
}

Task RcpSession::readFileOffset(std::uint32_t *offset, std::uint16_t *length)
{
    Reply reply;
    if (!co_await executor_.child(request(0xE1, std::vector<std::uint8_t>(), 6, Silence::Fails, &reply)))
        co_return false;
    const auto &p = reply.payload;
    *offset = std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
    *length = std::uint16_t(p[4] << 8 | p[5]);
    co_return true;
}

Task RcpSession::askUpdateAllowed(std::uint32_t offset, std::uint16_t length, std::uint8_t *refused)
{
    std::vector<std::uint8_t> payload;
    if (length == 0) {
        payload = {0x02};
    } else {
        if (std::uint64_t(offset) + length > image_.size())
            co_return false;
        payload.assign(image_.begin() + offset, image_.begin() + offset + length);
    }
    Reply reply;
    if (!co_await executor_.child(request(0xE2, std::move(payload), 1, Silence::Fails, &reply)))
        co_return false;
    *refused = reply.payload[0];
    co_return true;
}

Task RcpSession::enterUpdate()
{
    co_return co_await executor_.child(request(0xE3, std::vector<std::uint8_t>(), 1, Silence::Fails, nullptr));
}

Task RcpSession::readStatus(std::uint8_t *status)
{
    Reply reply;
    if (!co_await executor_.child(request(0xE6, std::vector<std::uint8_t>(), 1, Silence::Fails, &reply)))
        co_return false;
    *status = reply.payload[0];
    co_return true;
}

Task RcpSession::switchMode()
{
    // The device may leave the link before it answers.
    std::vector<std::uint8_t> payload{0x00, 0x00};
    co_return co_await executor_.child(request(0x0B, std::move(payload), 0, Silence::Succeeds, nullptr));
}

Task RcpSession::reboot()
{
    const std::uint8_t zero = 0;
    const auto command = makeRcpCommand(sequence_, 0xE7, &zero, 1);
    co_await executor_.write(makeTransportFrame(channel_, 0, command->bytes.data(), command->bytes.size()),
                             executor_.timeouts().write);
    co_return true; // the device reboots; whether the write got through shows when it comes back
}

} // namespace libtavrel
