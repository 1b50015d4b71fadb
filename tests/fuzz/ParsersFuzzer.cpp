// libFuzzer target over everything the OTA engine parses from a device: the
// transport stream (fed in report-sized chunks), the RCP frames inside it, the
// receiver's client list and the devices' target information.
#include "libtavrel/OnlineClient.h"
#include "libtavrel/RcpFrame.h"
#include "libtavrel/TargetInfo.h"
#include "libtavrel/TransportFrame.h"
#include "libtavrel/TransportStreamBuffer.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace libtavrel;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void parsePayload(const ReadDataPackage &package)
{
    check(package.channel >= 0 && package.channel <= TransportFrame::kMaxChannel);
    check(package.payload.size() <= TransportFrame::kMaxPayload);

    std::vector<OnlineClient> clients;
    parseClientList(package.payload, clients);
    check(clients.size() <= 255);
    for (const auto &client : clients)
        check(client.online && client.name.size() <= 255);

    RcpFrame frame;
    if (parseRcpFrame(package.payload.data(), package.payload.size(), frame)) {
        // Replies are read from exact-size copies so that any read past them shows.
        std::vector<std::uint8_t> reply(frame.payload, frame.payload + frame.payloadLength);
        TargetInfo::parse(reply.data(), reply.size());
        const std::uint8_t *begin = package.payload.data();
        const std::uint8_t *end = begin + package.payload.size();
        check(frame.payload >= begin && frame.payload + frame.payloadLength <= end);
        // What parses must come back the same when rebuilt.
        std::uint8_t sequence = frame.sequence;
        const auto rebuilt = frame.isResponse
            ? makeRcpResponse(frame.opcode, frame.sequence, frame.payload, frame.payloadLength)
            : makeRcpCommand(sequence, frame.opcode, frame.payload, frame.payloadLength);
        check(rebuilt != nullptr);
        RcpFrame again;
        check(parseRcpFrame(rebuilt->bytes.data(), rebuilt->bytes.size(), again));
        check(again.opcode == frame.opcode && again.sequence == frame.sequence
              && again.payloadLength == frame.payloadLength
              && std::memcmp(again.payload, frame.payload, frame.payloadLength) == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The first byte picks the report size, so splits fall everywhere.
    if (size == 0)
        return 0;
    const std::size_t chunk = 1 + data[0] % 64;
    ++data;
    --size;

    TransportStreamBuffer stream;
    ReadDataPackage package;
    for (std::size_t offset = 0; offset < size; offset += chunk) {
        stream.append(data + offset, std::min(chunk, size - offset));
        while (stream.extractFrame(package)) {
            parsePayload(package);
            // A frame rebuilt from what was extracted extracts to the same.
            const auto request = makeTransportFrame(package.channel, package.kind, package.payload.data(),
                                                    package.payload.size());
            check(request != nullptr);
            TransportStreamBuffer again;
            again.append(request->bytes().data(), request->bytes().size());
            ReadDataPackage copy;
            check(again.extractFrame(copy) && copy.channel == package.channel && copy.kind == package.kind
                  && copy.payload == package.payload);
        }
        // Nothing piles up beyond one frame that still waits for its bytes.
        check(stream.size() < TransportFrame::kMaxFrameSize);
        check(stream.capacity() <= TransportStreamBuffer::kMaxBuffered);
    }
    // The RCP parser on its own, over the raw input.
    RcpFrame frame;
    parseRcpFrame(data, size, frame);
    return 0;
}
