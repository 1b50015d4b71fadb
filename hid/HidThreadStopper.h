#pragma once

#include <QString>

class QObject;
class QThread;

// Stops a worker thread the one way the HID stack allows: ask, wait a bounded
// number of times with a warning after a timed-out wait, then
// a critical line and one longer wait. A thread is never terminated: that
// would leave its mutexes and queues in an unknown state.
class HidThreadStopper
{
public:
    struct Texts
    {
        QString waitTimedOut;   // warning, %1: number of the wait, from 1
        QString stillRunning;   // critical, %1: number of waits
        QString extraWaitFailed; // critical, %1: the extra wait in ms
        // The HID managers stay quiet after the last timed wait (the critical
        // line follows at once); the protocol thread's stop warns after each.
        bool warnAfterLastWait = false;
    };

    // Returns whether the thread has finished. `extraWaitMs` is the last wait.
    static bool stop(QThread &thread, int waitMs, int attempts, int extraWaitMs, const Texts &texts);
    // The last wait of the HID managers: twice a wait, at least a second.
    static int doubledExtraWaitMs(int waitMs);

    // A thread that would not stop is still using its object: destroying the
    // object (and the QThread in it) would abort the program or pull memory
    // from under the thread. The object is kept, reachable, for the rest of
    // the process instead; `line` is logged as critical.
    static void park(QObject *object, const QString &line);
};
