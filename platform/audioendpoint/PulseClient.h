#pragma once

#include <QByteArray>

#include <pulse/context.h>
#include <pulse/mainloop-api.h>
#include <pulse/operation.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>

#include <cstdint>
#include <functional>

namespace Platform {

// One connection to the PulseAudio server on a threaded main loop. The first
// connection is awaited (bounded) in the constructor or in
// awaitFirstConnection(); a lost or refused one is
// tried again on the loop's thread every reconnect interval, so the object
// follows a server that starts late or restarts. Calls from the owner's thread
// wait for their answer at most the operation time-out; a server that lets one
// run out is taken for stuck and the connection is dropped, so the calls after
// it fail at once instead of each waiting again.
class PulseClient
{
public:
    struct Options
    {
        QByteArray server;              // empty: the user's default server
        QByteArray applicationName = "VELKORA";
        int connectTimeoutMs = 2000;    // how long the first connection is waited for
        // False: the constructor returns at once and awaitFirstConnection() waits.
        bool awaitConnectionInConstructor = true;
        int operationTimeoutMs = 1500;  // how long call() waits for an answer
        int reconnectIntervalMs = 2000; // pause between connection attempts
    };

    // Told about the connection; runs on the loop's thread with the lock held.
    class Observer
    {
    public:
        virtual ~Observer() = default;
        // `late` is false only for the first connection while it is awaited; a
        // later one (a reconnection, or a server that came up after the
        // constructor gave up) may change what the owner has already seen.
        virtual void onContextReady(pa_context *context, bool late) = 0;
        // A connection that was ready is gone.
        virtual void onContextLost() = 0;
        virtual void onEvent(pa_context *context, pa_subscription_event_type_t type, uint32_t index) = 0;
    };

    // Holds the loop's lock; never taken on the loop's own thread.
    class Lock
    {
    public:
        explicit Lock(PulseClient &client);
        ~Lock();
        Lock(const Lock &) = delete;
        Lock &operator=(const Lock &) = delete;

    private:
        pa_threaded_mainloop *m_loop;
    };

    // `observer` must outlive the client.
    PulseClient(Observer *observer, Options options);
    ~PulseClient();
    PulseClient(const PulseClient &) = delete;
    PulseClient &operator=(const PulseClient &) = delete;

    bool isReady();
    // Waits for the first connection (bounded by connectTimeoutMs) unless
    // that wait is over already. Not on the loop's thread.
    void awaitFirstConnection();

    // Starts an operation on the ready context and waits for it to finish.
    // `issue` runs with the lock held and returns the operation, or null when it
    // could not be started. False when not connected, not started, cancelled
    // (the connection dropped) or not answered in time (then cancelled, so its
    // callbacks never run afterwards).
    bool call(const std::function<pa_operation *(pa_context *)> &issue);
    // Counts the connections that became ready. The server's indices (of
    // modules, sinks, ...) hold only for the connection they were learnt on: a
    // restarted server counts from the start again. Read it with the lock held,
    // as inside call()'s `issue`.
    uint64_t connectionNumber() const { return m_connection; }

private:
    static void onStateChanged(pa_context *context, void *self);
    static void onSubscriptionEvent(pa_context *context, pa_subscription_event_type_t type, uint32_t index,
                                    void *self);
    static void onReconnectDue(pa_mainloop_api *api, pa_time_event *event, const struct timeval *tv, void *self);
    static void onStalled(pa_mainloop_api *api, pa_time_event *event, const struct timeval *tv, void *self);

    void startConnecting();
    void dropContext();
    void scheduleReconnect();
    // Runs `callback` on the loop's thread as soon as it can.
    pa_time_event *soon(pa_time_event_cb_t callback);
    struct Deadline
    {
        pa_threaded_mainloop *loop = nullptr;
        bool expired = false;
    };
    // The event refers to `deadline` until it is freed.
    pa_time_event *armDeadline(int timeoutMs, Deadline *deadline);
    static void onDeadline(pa_mainloop_api *api, pa_time_event *event, const struct timeval *tv, void *deadline);
    bool waitFor(pa_operation *operation);

    Observer *m_observer;
    Options m_options;
    pa_threaded_mainloop *m_loop = nullptr;
    pa_mainloop_api *m_api = nullptr;
    pa_context *m_context = nullptr;
    pa_time_event *m_reconnectEvent = nullptr;
    pa_time_event *m_stallEvent = nullptr;
    bool m_running = false;
    bool m_stopping = false;
    bool m_everReady = false;
    bool m_constructed = false; // nobody waits for the first connection any more
    uint64_t m_connection = 0;
    bool m_ready = false;
    bool m_stalled = false; // an answer was late; the connection is about to be dropped
    bool m_attemptEnded = false;
};

} // namespace Platform
