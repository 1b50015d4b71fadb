#pragma once

#include <QString>

class QThread;

// Stops a worker thread the one way the HID stack allows: ask, wait a bounded
// number of times with a warning after each timed-out wait, then a critical
// line and one longer wait. A thread is never terminated.
class HidThreadStopper
{
public:
    struct Texts
    {
        QString waitTimedOut;   // warning, %1: number of the wait, from 1
        QString stillRunning;   // critical, %1: number of waits
        QString extraWaitFailed; // critical, %1: the extra wait in ms
    };

    // Returns whether the thread has finished.
    static bool stop(QThread &thread, int waitMs, int attempts, const Texts &texts);
};
