#pragma once

#include "platform/audioendpoint/IAudioEndpointSystem.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <utility>

namespace Platform {

// Runs an audio endpoint system on a thread of its own, so a slow or stuck
// audio service never holds up the thread that drives the controls. Calls
// return at once; jobs run one at a time in the order they were posted, and
// a request's answer is handed back, queued, to the thread this object lives on.
class AudioEndpointThread : public QObject
{
    Q_OBJECT
public:
    using Job = std::function<void(IAudioEndpointSystem &)>;

    // From now on only the audio thread calls `system` (prepare() first),
    // except for what its interface allows from any thread. Not null.
    explicit AudioEndpointThread(std::shared_ptr<IAudioEndpointSystem> system, QObject *parent = nullptr);
    // Stops as stop() does, without a final job.
    ~AudioEndpointThread() override;

    void post(Job job);

    // Runs `job` on the audio thread; `done` gets its result on this object's
    // thread, unless `receiver` is gone by then.
    template <typename Result>
    void request(QObject *receiver, std::function<Result(IAudioEndpointSystem &)> job,
                 std::function<void(Result)> done)
    {
        ++m_pending;
        QPointer<QObject> target(receiver);
        post([this, shared = m_shared, target, job = std::move(job),
              done = std::move(done)](IAudioEndpointSystem &system) mutable {
            auto result = std::make_shared<Result>(job(system));
            // Runs only while this object exists: its queued calls go with it.
            deliver(shared, [this, target, result, done = std::move(done)] {
                answered();
                if (target)
                    done(std::move(*result));
            });
        });
    }

    // Requests whose answer has not been handed over yet.
    int pendingRequests() const { return m_pending; }

    // Drops the jobs that have not begun and hands the thread `finalJob` to
    // run after the running one; returns at once, without waiting for a
    // stuck audio service. The thread then ends on its own and frees what it
    // holds (the system included); no answer reaches this object any more.
    // Later posts are dropped.
    void stop(Job finalJob);

    // Audio threads of this process that have not ended yet, also those still
    // ending after their object went.
    static int runningThreads();

signals:
    // The last pending request was answered.
    void settled();

private:
    struct Shared;

    // Queues `call` to the owner's thread; dropped once the owner is going.
    static void deliver(const std::shared_ptr<Shared> &shared, std::function<void()> call);
    void answered();

    std::shared_ptr<Shared> m_shared;
    int m_pending = 0;
};

} // namespace Platform
