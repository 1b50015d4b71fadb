// Latency of the protocol handler on its own thread: a request call to its
// responseReceived against the virtual headset (no link delay), and the
// reassembly of a 255-frame message delivered one report per frame.
#include "bench/support/BenchmarkRun.h"
#include "protocol/FrameCodec.h"
#include "protocol/ProtocolHandler.h"
#include "tests/protocol/VirtualHeadsetHarness.h"
#include "tests/support/virtualheadset/VirtualHeadset.h"

#include <QCoreApplication>
#include <QSemaphore>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

using namespace HeadsetProtocol;
using SteadyClock = std::chrono::steady_clock;

namespace {

qint64 steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now().time_since_epoch()).count();
}

// The handler and the virtual headset on a protocol thread, as the program runs them.
class Link
{
public:
    explicit Link(bool logListener)
    {
        handler = new ProtocolHandler;
        new VirtualHeadsetHarness(handler, &engine, steadyMs, handler);
        if (logListener) // the device service always listens to the log
            QObject::connect(handler, &ProtocolHandler::logMessage, handler, [this](const QString &line, int) {
                logBytes += line.size();
            });
        handler->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, handler, &QObject::deleteLater);
        thread.start();
    }
    ~Link()
    {
        thread.quit();
        thread.wait();
    }

    VirtualDevices::VirtualHeadset engine;
    ProtocolHandler *handler = nullptr;
    QThread thread;
    qint64 logBytes = 0;
};

void addPercentiles(benchmark::State &state, std::vector<double> samples)
{
    if (samples.empty())
        return;
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) { return samples[static_cast<size_t>(q * double(samples.size() - 1))]; };
    state.counters["p50_us"] = at(0.50) * 1e6;
    state.counters["p99_us"] = at(0.99) * 1e6;
    state.counters["max_us"] = samples.back() * 1e6;
}

void BM_RequestToResponse(benchmark::State &state)
{
    Link link(state.range(0) != 0);
    QSemaphore answered;
    SteadyClock::time_point answeredAt;
    QObject::connect(link.handler, &ProtocolHandler::responseReceived, link.handler,
                     [&](ushort, uchar, ResponseStatus, const QByteArray &) {
                         answeredAt = SteadyClock::now();
                         answered.release();
                     },
                     Qt::DirectConnection);
    std::vector<double> samples;
    ProtocolHandler *handler = link.handler;
    for (auto _ : state) {
        const SteadyClock::time_point start = SteadyClock::now();
        QMetaObject::invokeMethod(handler, [handler] { handler->sendSetToneVolume(3); }, Qt::QueuedConnection);
        answered.acquire();
        const double seconds = std::chrono::duration<double>(answeredAt - start).count();
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
    }
    addPercentiles(state, std::move(samples));
}
BENCHMARK(BM_RequestToResponse)->ArgName("logListener")->Arg(0)->Arg(1)->UseManualTime()->Iterations(2000);

// The floor under the request latency: a queued call onto the protocol thread
// followed by one 1 ms single-shot timer, with nothing else in between.
void BM_QueuedCallAndOneMsHop(benchmark::State &state)
{
    QThread thread;
    QObject context;
    context.moveToThread(&thread);
    thread.start();
    QSemaphore fired;
    SteadyClock::time_point firedAt;
    std::vector<double> samples;
    for (auto _ : state) {
        const SteadyClock::time_point start = SteadyClock::now();
        QMetaObject::invokeMethod(&context, [&] {
            QTimer::singleShot(1, &context, [&] {
                firedAt = SteadyClock::now();
                fired.release();
            });
        }, Qt::QueuedConnection);
        fired.acquire();
        const double seconds = std::chrono::duration<double>(firedAt - start).count();
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
    }
    addPercentiles(state, std::move(samples));
    QMetaObject::invokeMethod(&context, [&] { context.moveToThread(QCoreApplication::instance()->thread()); },
                              Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
}
BENCHMARK(BM_QueuedCallAndOneMsHop)->UseManualTime()->Iterations(2000);

void BM_Reassemble255Frames(benchmark::State &state)
{
    Link link(state.range(0) != 0);
    QByteArray payload(FrameCodec::MaxMessagePayload, Qt::Uninitialized);
    for (int i = 0; i < payload.size(); ++i)
        payload[i] = char(i * 13);
    const std::vector<QByteArray> frames =
        FrameCodec::splitIntoFrames(0x11, CommandType::Notify, 0, payload, false, {}, {});

    QSemaphore done;
    SteadyClock::time_point doneAt;
    qsizetype received = 0;
    QObject::connect(link.handler, &ProtocolHandler::notifyReceived, link.handler,
                     [&](ushort, const QByteArray &message) {
                         received = message.size();
                         doneAt = SteadyClock::now();
                         done.release();
                     },
                     Qt::DirectConnection);
    std::vector<double> samples;
    ProtocolHandler *handler = link.handler;
    for (auto _ : state) {
        const SteadyClock::time_point start = SteadyClock::now();
        // One HID report per frame, back to back, as the read thread hands them up.
        QMetaObject::invokeMethod(handler, [handler, &frames] {
            for (const QByteArray &frame : frames)
                handler->onIncomingData(frame);
        }, Qt::QueuedConnection);
        done.acquire();
        const double seconds = std::chrono::duration<double>(doneAt - start).count();
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
    }
    if (received != payload.size())
        state.SkipWithError("message not reassembled whole");
    state.SetBytesProcessed(state.iterations() * payload.size());
    addPercentiles(state, std::move(samples));
}
BENCHMARK(BM_Reassemble255Frames)->ArgName("logListener")->Arg(0)->Arg(1)->UseManualTime()->Iterations(300);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
