#pragma once

#include <QtGlobal>

#include <functional>

namespace HIDTypes {

// The one settings record of the HID stack. The device service fills it once;
// the facade's implementation copies it into both workers. Defaults are the
// values the program runs with.
struct HidManagerConfig
{
    qint32 reservedIntervalMs = 3000; // read by no part of the stack
    qint32 initRetryCount = 3;        // hid_init attempts at construction
    qint32 initRetryDelayMs = 100;    // sleep after each failed attempt
    qint32 scanThreadStopWaitMs = 5000;
    qint32 maxQueueSize = 100;
    qint32 queueFullPolicy = 0; // 1: drop the oldest queued packet; otherwise refuse the new one
    qint32 pollIntervalMs = 50; // idle sleep of the I/O loop
    qint32 commThreadStopWaitMs = 3000;
    qint32 reportSize = 65;   // read buffer and default write limit; outside 1..1024 means 65
    qint32 maxWriteSize = 0;  // write limit when 1..1024, else reportSize applies
    qint32 readTimeoutMs = 10; // below 1: reads do not block
    qint32 maxConsecutiveReadFailures = 3;  // at least 1
    qint32 maxConsecutiveWriteFailures = 3; // at least 1
    bool notifyTruncation = false;          // report truncated sends as non-fatal commError
    qint32 threadStopAttempts = 3;          // timed waits before the extra wait (at least 1)
    qint32 stopReadTimeoutMs = 50;          // read time-out cap while the I/O thread stops

    // Other waits of the stack, here so that tests can shorten them.
    qint32 hotplugDebounceMs = 200;      // quiet time after the last raw device-change event
    qint32 errorReportIntervalMs = 1000; // rate limit of repeated error and truncation reports
    // Stamps each report as it is read; empty: the protocol handler's monotonic
    // clock. Tests share a hand-driven clock with the handler.
    std::function<qint64()> readClock;
};

} // namespace HIDTypes
