// Firmware bytes per second through the C interface over a virtual link that
// carries one 64-byte report per millisecond each way, the headset asking for
// 512-byte blocks of a 256 KiB image. The bound is what the link allows for
// the block protocol (one request report and the response's reports per
// block, one after the other); the ratio shows how close the library gets,
// and the turnaround what the host adds per block. CPU is the whole process
// (library and simulated device) over the transfer.
#include "libtavrel/tavrel.h"
#include "tests/support/virtualreceiver/VirtualHidBus.h"
#include "tests/support/virtualreceiver/VirtualReceiver.h"

#include "ProcessCpu.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

using namespace VirtualDevices;

namespace {

struct Progress
{
    double cpuAtStart = -1;
    double cpuAtEnd = -1;
    bool failed = false;
};

void transfer(benchmark::State &state)
{
    constexpr std::size_t kImageSize = 256 * 1024;
    constexpr std::uint16_t kBlock = 512;
    const auto link = std::chrono::microseconds(state.range(0));

    std::mt19937 random(42);
    std::vector<std::uint8_t> image(kImageSize);
    for (auto &b : image)
        b = std::uint8_t(random());

    double seconds = 0;
    double cpu = 0;
    std::vector<double> turnarounds;
    for (auto _ : state) {
        auto &bus = VirtualHidBus::instance();
        bus.reset();
        auto receiver = std::make_shared<VirtualReceiver>();
        auto port = receiver->plugInto(bus);
        {
            std::lock_guard lock(port->mutex);
            port->hostToDevice = link;
            port->deviceToHost = link;
        }
        FirmwareBehaviour behaviour;
        behaviour.expectedImage = image;
        behaviour.blockSize = kBlock;
        ClientEntry client;
        client.channel = 3;
        receiver->addHeadset(client, behaviour);

        void *handle = CreateExecutorHandle(port->devicePath().c_str());
        Progress progress;
        OtaCallbacks callbacks{};
        callbacks.context = &progress;
        // CPU is counted from the first to the last block request.
        callbacks.onProgress = [](void *context, int done, int) {
            auto *p = static_cast<Progress *>(context);
            if (done == 4 && p->cpuAtStart < 0)
                p->cpuAtStart = processCpuSeconds();
            if (done == 98)
                p->cpuAtEnd = processCpuSeconds();
        };
        callbacks.onError = [](void *context, int, const char *) { static_cast<Progress *>(context)->failed = true; };
        ota_update_client(handle, 3, image.data(), int(image.size()), false, false, &callbacks);
        runAllTask(handle);
        DestroyExecutorHandle(handle);

        const auto time = receiver->imageTransferTime(3);
        if (progress.failed || !receiver->imageMatches(3) || !time) {
            state.SkipWithError("the transfer failed");
            return;
        }
        seconds += std::chrono::duration<double>(*time).count();
        cpu += progress.cpuAtEnd - progress.cpuAtStart;
        {
            std::lock_guard lock(port->mutex);
            for (auto t : port->hostTurnarounds)
                turnarounds.push_back(std::chrono::duration<double>(t).count());
        }
        bus.reset();
    }

    const double blocks = double(kImageSize / kBlock) * double(state.iterations());
    const double bytes = double(kImageSize) * double(state.iterations());
    // Per block: the request (one report) and the response (522-byte RCP frame in a 530-byte transport frame).
    const double reportsPerBlock = 1 + (530 + 63) / 64;
    const double boundSeconds = blocks * reportsPerBlock * std::chrono::duration<double>(link).count();
    state.counters["firmware_Bps"] = bytes / seconds;
    if (boundSeconds > 0) {
        state.counters["bound_Bps"] = bytes / boundSeconds;
        state.counters["ratio_to_bound"] = boundSeconds / seconds;
    }
    // Measured at the link: from a device report reaching the host to the host's next write.
    // Median and 99th percentile; the slow tail is the reconnect polling after the transfer.
    std::sort(turnarounds.begin(), turnarounds.end());
    if (!turnarounds.empty()) {
        state.counters["host_turnaround_ms_median"] = 1000.0 * turnarounds[turnarounds.size() / 2];
        state.counters["host_turnaround_ms_p90"] = 1000.0 * turnarounds[turnarounds.size() * 9 / 10];
    }
    // Everything above the bound: the host's turnaround plus the simulated link's timer jitter.
    state.counters["excess_ms_per_block"] = 1000.0 * (seconds - boundSeconds) / blocks;
    state.counters["cpu_percent"] = 100.0 * cpu / seconds;
}

} // namespace

// Link slot in microseconds: 1000 is the 1 ms report interval; 0 is an ideal
// link, where only the library and the simulation are left.
BENCHMARK(transfer)->ArgName("link_us")->Arg(1000)->Arg(0)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
