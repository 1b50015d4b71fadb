// Throughput of the frame codec (split + CRC + parse) and of the EQ TLV form.
#include "protocol/EQData.h"
#include "protocol/FrameCodec.h"

#include <benchmark/benchmark.h>

using namespace HeadsetProtocol;

namespace {

QByteArray payloadOf(qsizetype size)
{
    QByteArray p(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        p[i] = static_cast<char>(i * 31 + 7);
    return p;
}

EQData tenBandEq()
{
    EQData eq;
    eq.index = 101;
    eq.bandCount = 10;
    for (int i = 0; i < 10; ++i) {
        eq.frequencies.push_back(static_cast<quint16>(31 << i));
        eq.gains.push_back(static_cast<qint16>(i * 150 - 600));
        eq.qValues.push_back(static_cast<qint16>(70 + 10 * i));
        eq.filterTypes.push_back(1);
    }
    eq.totalGain = -35;
    return eq;
}

// Split a message, then check and parse every frame, as sender and receiver would.
void BM_SplitCrcParse(benchmark::State &state)
{
    const QByteArray payload = payloadOf(state.range(0));
    for (auto _ : state) {
        const auto frames = FrameCodec::splitIntoFrames(0x20, CommandType::Request, 3, payload, false, {}, {});
        qsizetype total = 0;
        for (const QByteArray &frame : frames) {
            const ParsedFrame parsed = FrameCodec::parseFrame(frame, false, {}, {});
            total += parsed.payload.size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * payload.size());
}
BENCHMARK(BM_SplitCrcParse)->Arg(53)->Arg(1024)->Arg(FrameCodec::MaxMessagePayload);

void BM_Crc16(benchmark::State &state)
{
    const QByteArray data = payloadOf(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(FrameCodec::crc16(data));
    state.SetBytesProcessed(state.iterations() * data.size());
}
BENCHMARK(BM_Crc16)->Arg(62)->Arg(4096);

void BM_EqSerialize(benchmark::State &state)
{
    const EQData eq = tenBandEq();
    for (auto _ : state)
        benchmark::DoNotOptimize(serializeEQData(eq));
}
BENCHMARK(BM_EqSerialize);

void BM_EqParse(benchmark::State &state)
{
    const QByteArray bytes = serializeEQData(tenBandEq());
    for (auto _ : state) {
        TlvParser parser(bytes);
        parser.parse();
        benchmark::DoNotOptimize(parseEQData(parser));
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_EqParse);

} // namespace
