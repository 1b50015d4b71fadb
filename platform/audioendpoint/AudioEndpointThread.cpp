#include "platform/audioendpoint/AudioEndpointThread.h"

#include <QMetaObject>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace Platform {

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
    m_shared->thread = std::thread([shared = m_shared] { shared->run(); });
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

bool AudioEndpointThread::stop(Job finalJob, int timeoutMs)
{
    {
        std::lock_guard owner(m_shared->ownerMutex);
        m_shared->owner = nullptr;
    }
    std::unique_lock lock(m_shared->mutex);
    if (!m_shared->thread.joinable())
        return m_shared->finished;
    if (!m_shared->stopping) {
        m_shared->stopping = true;
        m_shared->queue.clear();
        if (finalJob)
            m_shared->queue.push_back(std::move(finalJob));
        m_shared->wake.notify_all();
    }
    const bool ended = m_shared->wake.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                               [&] { return m_shared->finished; });
    lock.unlock();
    if (ended)
        m_shared->thread.join();
    else
        m_shared->thread.detach();
    return ended;
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
