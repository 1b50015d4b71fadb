#pragma once

#include <QtGlobal>

#include <functional>

namespace HeadsetProtocol {

// Limits and durations of the protocol handler. The defaults are the values
// the program runs with; tests shorten them or inject a clock.
struct ProtocolHandlerSettings
{
    int requestTimeoutMs = 3000;
    int reassemblyTimeoutMs = 10000; // idle limit of an incomplete multi-frame message
    int maxInFlight = 5;
    int maxRetries = 0;
    int maxQueueSize = 200;
    int queuedTimeoutMs = 5000;
    int maxReceiveBufferBytes = 2048;
    int minLogLevel = 0;
    int cleanupIntervalMs = 1000;
    // Milliseconds for time-outs and reassembly ages; empty: a monotonic clock.
    std::function<qint64()> clock;
    // Runs a deferred receive step (processing the frame just cut, cutting the
    // next one) later on the handler's thread; empty: a 1 ms single-shot timer.
    // A harness that drives the handler synchronously queues and runs them itself.
    std::function<void(std::function<void()>)> deferStep;
};

} // namespace HeadsetProtocol
