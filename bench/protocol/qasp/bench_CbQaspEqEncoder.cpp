#include "protocol/CbQaspEqEncoder.h"
#include "protocol/EQData.h"
#include "protocol/IHidTransport.h"

#include <benchmark/benchmark.h>

namespace {

const QString kDevice = QStringLiteral("\\\\?\\hid#vid_3302&pid_c20e&mi_00#bench");

// Takes the reports and drops them, so the figure is the encoder's alone.
class DiscardingTransport : public HeadsetProtocol::IHidTransport
{
public:
    HIDTypes::ConnectResult connectDevice(const QString &) override { return {true, {}}; }
    void disconnectDevice(const QString &) override {}
    void disconnectAll() override {}
    void sendData(const QString &, const QByteArray &data, bool) override { bytes += data.size(); }
    QString currentDeviceId() const override { return kDevice; }

    qint64 bytes = 0;
};

HeadsetProtocol::EQData eightBands()
{
    HeadsetProtocol::EQData eq;
    eq.index = 120;
    eq.qorCustom = true;
    eq.bandCount = 8;
    eq.frequencies = {32, 64, 125, 500, 2000, 6000, 12000, 18000};
    eq.gains = {600, -350, 275, -1200, 425, -800, -300, 0};
    eq.qValues = {71, 150, 300, 1000, 50, 71, 200, 71};
    eq.filterTypes = {1, 2, 2, 2, 2, 3, 2, 4};
    eq.totalGain = -35;
    return eq;
}

// Design + quantise + build, self-check and hand over all eleven reports (no log sink).
void BM_BuildChain8Bands(benchmark::State &state)
{
    DiscardingTransport transport;
    const HeadsetProtocol::EQData eq = eightBands();
    QString error;
    for (auto _ : state) {
        const bool ok = CbQaspEqEncoder::buildChain(&transport, kDevice, eq, &error, {});
        benchmark::DoNotOptimize(ok);
        if (!ok)
            state.SkipWithError(qPrintable(error));
    }
    state.counters["chains/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BuildChain8Bands)->Unit(benchmark::kMicrosecond);

// The same with the full dump log collected, as the device service runs it.
void BM_BuildChain8BandsWithLog(benchmark::State &state)
{
    DiscardingTransport transport;
    const HeadsetProtocol::EQData eq = eightBands();
    qsizetype logged = 0;
    const auto log = [&logged](const QString &line) { logged += line.size(); };
    for (auto _ : state)
        benchmark::DoNotOptimize(CbQaspEqEncoder::buildChain(&transport, kDevice, eq, nullptr, log));
    benchmark::DoNotOptimize(logged);
}
BENCHMARK(BM_BuildChain8BandsWithLog)->Unit(benchmark::kMicrosecond);

// The numeric core alone: eight designs into Q2.30 words.
void BM_DesignEightBiquads(benchmark::State &state)
{
    const HeadsetProtocol::EQData eq = eightBands();
    qint32 words[8][5];
    for (auto _ : state) {
        for (int i = 0; i < 8; ++i) {
            quint16 fc = eq.frequencies[i];
            double q = eq.qValues[i] / 100.0;
            double gain = eq.gains[i] / 100.0;
            CbQaspEqEncoder::snapWireValues(fc, q, gain);
            CbQaspEqEncoder::designBiquad(96000, CbQaspEqEncoder::kindForFilterByte(eq, eq.filterTypes[i]), fc, q,
                                          gain, words[i]);
        }
        benchmark::DoNotOptimize(words);
    }
}
BENCHMARK(BM_DesignEightBiquads)->Unit(benchmark::kMicrosecond);

} // namespace
