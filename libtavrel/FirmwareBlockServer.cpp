#include "libtavrel/FirmwareBlockServer.h"

#include "libtavrel/RcpFrame.h"
#include "libtavrel/TransportFrame.h"

#include <algorithm>

namespace libtavrel {

namespace {

std::uint32_t be32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

} // namespace

Task firmwareBlockServer(Executor &executor, int channel, std::span<const std::uint8_t> image,
                         std::shared_ptr<OtaReporter> reporter, int progressStart, int progressEnd)
{
    std::uint64_t total = 0;
    std::uint64_t sent = 0;
    for (;;) {
        const auto package = co_await executor.reply(channel, executor.timeouts().reply);
        if (!package || package->payload.size() < 9)
            co_return false;
        RcpFrame request;
        if (!parseRcpFrame(package->payload.data(), package->payload.size(), request) || request.isResponse)
            co_return false;

        std::shared_ptr<RcpCommand> response;
        if (request.opcode == Rcp::kTransferSize) {
            if (request.payloadLength < 4)
                co_return false;
            const std::uint32_t totalSize = be32(request.payload);
            const std::uint32_t startOffset = request.payloadLength == 8 ? be32(request.payload + 4) : 0;
            if (startOffset > totalSize)
                co_return false;
            response = makeRcpResponse(Rcp::kTransferSize, request.sequence, nullptr, 0);
            auto frame = makeTransportFrame(channel, 0, response->bytes.data(), response->bytes.size());
            if (!co_await executor.write(std::move(frame), executor.timeouts().write))
                co_return false;
            reporter->progress(progressStart);
            total = totalSize - startOffset;
            continue;
        }

        if (request.opcode != Rcp::kBlockRequest || request.payloadLength < 6)
            co_return false;
        const std::uint32_t offset = be32(request.payload);
        const std::uint16_t length = std::uint16_t(request.payload[4] << 8 | request.payload[5]);
        if (offset == 0 && length == 0)
            co_return true; // the device has all it wanted
        if (std::uint64_t(offset) + length > image.size())
            co_return false;
        sent = std::min(total, sent + length);
        if (total != 0)
            reporter->progress(int(progressStart + std::int64_t(progressEnd - progressStart) * std::int64_t(sent)
                                                       / std::int64_t(total)));
        response = makeRcpResponse(Rcp::kBlockRequest, request.sequence, image.data() + offset, length);
        auto frame = response ? makeTransportFrame(channel, 0, response->bytes.data(), response->bytes.size())
                              : nullptr;
        if (!frame) // a block too large for one frame
            co_return false;
        if (!co_await executor.write(std::move(frame), executor.timeouts().write))
            co_return false;
    }
}

} // namespace libtavrel
