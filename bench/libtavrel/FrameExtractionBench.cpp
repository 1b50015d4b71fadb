// Frames extracted per second from a byte stream that arrives in 64-byte reports.
#include "libtavrel/RcpFrame.h"
#include "libtavrel/TransportFrame.h"
#include "libtavrel/TransportStreamBuffer.h"

#include <benchmark/benchmark.h>

using namespace libtavrel;

namespace {

std::vector<std::uint8_t> makeStream(std::size_t payloadSize, std::size_t frames, bool padded)
{
    std::vector<std::uint8_t> stream;
    std::uint8_t sequence = 0;
    const std::vector<std::uint8_t> block(payloadSize, 0x5A);
    for (std::size_t i = 0; i < frames; ++i) {
        const auto rcp = makeRcpCommand(sequence, Rcp::kBlockRequest, block.data(), block.size());
        const auto frame = makeTransportFrame(3, 0, rcp->bytes.data(), rcp->bytes.size());
        stream.insert(stream.end(), frame->bytes().begin(), frame->bytes().end());
        if (padded) // each frame ends its report, the rest is zeros
            stream.resize((stream.size() + 63) / 64 * 64, 0);
    }
    return stream;
}

void extractFrames(benchmark::State &state)
{
    const auto payload = std::size_t(state.range(0));
    const bool padded = state.range(1) != 0;
    constexpr std::size_t kFrames = 1000;
    const auto stream = makeStream(payload, kFrames, padded);
    std::size_t extracted = 0;
    for (auto _ : state) {
        TransportStreamBuffer buffer;
        ReadDataPackage package;
        for (std::size_t offset = 0; offset < stream.size(); offset += 64) {
            buffer.append(stream.data() + offset, std::min<std::size_t>(64, stream.size() - offset));
            while (buffer.extractFrame(package))
                ++extracted;
        }
        benchmark::DoNotOptimize(package);
    }
    if (extracted != kFrames * state.iterations())
        state.SkipWithError("lost frames");
    state.SetItemsProcessed(std::int64_t(extracted));
    state.SetBytesProcessed(std::int64_t(stream.size() * state.iterations()));
}

} // namespace

// Small device requests (E5/E8-sized) and 512-byte payloads, packed and padded.
BENCHMARK(extractFrames)->ArgNames({"payload", "padded"})->Args({6, 0})->Args({6, 1})->Args({512, 0})->Args({512, 1});
