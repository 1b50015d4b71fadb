#pragma once

#include <QtGlobal>

#include <functional>

namespace HeadsetProtocol {

// Limits and durations of the protocol handler. The defaults are the values
// the program runs with; tests shorten them or inject a clock.
struct ProtocolHandlerSettings
{
    int requestTimeoutMs = 3000;
    int reassemblyTimeoutMs = 10000; // idle limit of an incomplete multi-frame message, in read time
    // A fragment read later than this after the last one stored under its key
    // begins a new message: the device sends a message's frames back to back.
    int maxFragmentGapMs = 1000;
    int maxInFlight = 5;
    int maxRetries = 0;
    int maxQueueSize = 200;
    int queuedTimeoutMs = 5000;
    int maxReceiveBufferBytes = 2048;
    int minLogLevel = 0;
    int cleanupIntervalMs = 1000;
    // Milliseconds for request time-outs, and the read time of data handed in
    // without one; empty: the monotonic clock the HID layer stamps reads with.
    std::function<qint64()> clock;
    // Runs a deferred receive step (processing the frame just cut, cutting the
    // next one) later on the handler's thread; empty: a 1 ms single-shot timer.
    // A harness that drives the handler synchronously queues and runs them itself.
    std::function<void(std::function<void()>)> deferStep;
};

} // namespace HeadsetProtocol
