// CPU time that an executor burns while it waits: the scheduler sleeping in
// runAll() on a task's one-second sleep, and the I/O thread with a quiet device.
#include "libtavrel/Executor.h"
#include "tests/support/virtualreceiver/VirtualHidBus.h"
#include "tests/support/virtualreceiver/VirtualPortDevice.h"
#include "tests/support/virtualreceiver/VirtualReceiver.h"

#include "ProcessCpu.h"

#include <benchmark/benchmark.h>


using namespace libtavrel;

namespace {

Task sleepOneSecond(Executor &executor)
{
    co_await executor.sleep(std::chrono::seconds(1));
    co_return true;
}

Task waitForSilence(Executor &executor)
{
    co_await executor.reply(5, std::chrono::seconds(1));
    co_return true;
}

void idleExecutor(benchmark::State &state)
{
    VirtualDevices::VirtualHidBus bus;
    auto receiver = std::make_shared<VirtualDevices::VirtualReceiver>();
    auto port = bus.plug("/virtual/hidraw0", {0x3654, 0x6901, 0x0100, 3}, "Velkora Receiver", receiver);
    Executor executor(std::make_shared<VirtualDevices::VirtualPortDevice>(port));
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        const double cpuStart = processCpuSeconds();
        const auto wallStart = std::chrono::steady_clock::now();
        executor.addTask(state.range(0) == 0 ? sleepOneSecond(executor) : waitForSilence(executor));
        executor.runAll();
        cpu += processCpuSeconds() - cpuStart;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    }
    state.counters["cpu_ms_per_wall_s"] = 1000.0 * cpu / wall;
}

} // namespace

// 0: a sleeping task; 1: a reply wait on a silent device.
BENCHMARK(idleExecutor)->ArgName("reply_wait")->Arg(0)->Arg(1)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
