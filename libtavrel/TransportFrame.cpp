#include "libtavrel/TransportFrame.h"

#include <cstring>

namespace libtavrel {

std::shared_ptr<WriteDataRequest> makeTransportFrame(int channel, int kind, const std::uint8_t *payload,
                                                     std::size_t n)
{
    if (channel < 0 || channel > TransportFrame::kMaxChannel || n > TransportFrame::kMaxPayload)
        return nullptr;
    const std::size_t length = n + 1;
    std::vector<std::uint8_t> bytes(n + TransportFrame::kOverhead);
    bytes[0] = TransportFrame::kMagic0;
    bytes[1] = TransportFrame::kMagic1;
    bytes[2] = std::uint8_t(channel << 4);
    bytes[3] = 0x00;
    bytes[4] = std::uint8_t(length >> 8);
    bytes[5] = std::uint8_t(length);
    bytes[6] = std::uint8_t(kind);
    if (n != 0)
        std::memcpy(bytes.data() + TransportFrame::kHeaderSize, payload, n);
    bytes.back() = TransportFrame::kEnd;
    return std::make_shared<WriteDataRequest>(std::move(bytes));
}

} // namespace libtavrel
