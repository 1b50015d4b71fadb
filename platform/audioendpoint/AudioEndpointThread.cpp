#include "platform/audioendpoint/AudioEndpointThread.h"

#include <QMetaObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace Platform {

namespace {

// Constant-initialised, so it outlives every thread at program exit.
std::atomic<int> g_runningThreads{0};

} // namespace

struct AudioEndpointThread::Shared
{
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Job> queue;
    bool stopping = false;
    bool finished = false;
    std::shared_ptr<IAudioEndpointSystem> system;
    std::thread thread;
    // Where answers go; cleared under `ownerMutex` before the owner goes, so an
    // answer is either queued to a living owner (whose end drops it) or not at all.
    std::mutex ownerMutex;
    QObject *owner = nullptr;

    void run()
    {
        system->prepare();
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [&] { return stopping || !queue.empty(); });
            if (queue.empty())
                break;
            Job job = std::move(queue.front());
            queue.pop_front();
            lock.unlock();
            job(*system);
            job = nullptr; // what the job holds goes here, not under the lock
            lock.lock();
        }
        finished = true;
        wake.notify_all();
    }
};

AudioEndpointThread::AudioEndpointThread(std::shared_ptr<IAudioEndpointSystem> system, QObject *parent)
    : QObject(parent), m_shared(std::make_shared<Shared>())
{
    m_shared->system = std::move(system);
    m_shared->owner = this;
    ++g_runningThreads;
    m_shared->thread = std::thread([shared = m_shared]() mutable {
        shared->run();
        // The system goes on the thread that used it, and before the count
        // says this thread is done.
        shared.reset();
        --g_runningThreads;
    });
}

AudioEndpointThread::~AudioEndpointThread()
{
    stop({});
}

void AudioEndpointThread::post(Job job)
{
    std::lock_guard lock(m_shared->mutex);
    if (m_shared->stopping)
        return;
    m_shared->queue.push_back(std::move(job));
    m_shared->wake.notify_all();
}

void AudioEndpointThread::stop(Job finalJob)
{
    {
        std::lock_guard owner(m_shared->ownerMutex);
        m_shared->owner = nullptr;
    }
    std::unique_lock lock(m_shared->mutex);
    if (!m_shared->thread.joinable())
        return;
    m_shared->stopping = true;
    // Dropped jobs may hold what must not go under the lock.
    std::deque<Job> dropped;
    dropped.swap(m_shared->queue);
    if (finalJob)
        m_shared->queue.push_back(std::move(finalJob));
    m_shared->wake.notify_all();
    const bool finished = m_shared->finished;
    lock.unlock();
    // A thread that has not finished is not waited for: its owner (the GUI
    // thread) must not hang on a stuck audio service. It ends on its own and
    // keeps the shared state until then. Only this side touches `thread`.
    if (finished)
        m_shared->thread.join();
    else
        m_shared->thread.detach();
}

int AudioEndpointThread::runningThreads()
{
    return g_runningThreads.load();
}

void AudioEndpointThread::deliver(const std::shared_ptr<Shared> &shared, std::function<void()> call)
{
    std::lock_guard owner(shared->ownerMutex);
    if (shared->owner)
        QMetaObject::invokeMethod(shared->owner, std::move(call), Qt::QueuedConnection);
}

void AudioEndpointThread::answered()
{
    if (m_pending > 0 && --m_pending == 0)
        emit settled();
}

} // namespace Platform
