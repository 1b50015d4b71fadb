#include "platform/audioendpoint/InMemoryAudioEndpointSystem.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>

namespace Platform {

struct InMemoryAudioEndpointSystem::Shared
{
    struct VolumeWatch
    {
        QString id;
        std::shared_ptr<AudioVolumeListener> listener;
    };

    mutable std::mutex mutex;
    std::vector<Endpoint> endpoints;
    QString defaultPlayback;
    QString defaultRecording;
    std::set<Failure> failing;
    bool soundSettingsResult = true;
    int soundSettingsOpened = 0;
    std::map<QString, int> volumeWrites;
    std::map<QString, int> muteWrites;
    std::vector<std::pair<QString, bool>> listenWrites;
    std::vector<std::shared_ptr<AudioTopologyListener>> topologyListeners;
    std::vector<VolumeWatch> volumeWatches;

    // Notifier thread: jobs run one at a time while `dispatching` is held, so
    // removing a listener and then taking `dispatching` waits out a running call.
    std::deque<std::function<void()>> queue;
    mutable std::condition_variable wake;
    bool stopping = false;
    bool busy = false;
    std::mutex dispatching;
    std::thread::id notifierId;

    bool stalled = false;
    int stalledCalls = 0;

    bool fails(Failure failure) const { return failing.count(failure) > 0; }

    // Every call that talks to the "server" passes here first.
    void answerWhenReleased()
    {
        std::unique_lock lock(mutex);
        if (!stalled)
            return;
        ++stalledCalls;
        wake.notify_all();
        wake.wait(lock, [&] { return !stalled || stopping; });
        --stalledCalls;
    }

    Endpoint *find(const QString &id)
    {
        auto it = std::find_if(endpoints.begin(), endpoints.end(), [&](const Endpoint &e) { return e.id == id; });
        return it == endpoints.end() ? nullptr : &*it;
    }

    Endpoint *findActive(const QString &id)
    {
        Endpoint *e = find(id);
        return e && (e->state & AudioEndpointState::Active) ? e : nullptr;
    }

    // Call with `mutex` held.
    void post(std::function<void()> job)
    {
        if (stopping)
            return;
        queue.push_back(std::move(job));
        wake.notify_all();
    }

    // Call with `mutex` held: the listeners are picked when the job runs.
    void postVolume(const QString &id, AudioVolumeNotification notification)
    {
        post([this, id, notification] {
            std::vector<std::shared_ptr<AudioVolumeListener>> due;
            {
                std::lock_guard lock(mutex);
                for (const VolumeWatch &watch : volumeWatches) {
                    if (watch.id == id)
                        due.push_back(watch.listener);
                }
            }
            for (const auto &listener : due)
                listener->onVolumeNotify(notification);
        });
    }

    void run()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [&] { return stopping || !queue.empty(); });
            if (stopping)
                return;
            std::function<void()> job = std::move(queue.front());
            queue.pop_front();
            busy = true;
            lock.unlock();
            {
                std::lock_guard dispatch(dispatching);
                job();
            }
            lock.lock();
            busy = false;
            wake.notify_all();
        }
    }

    // Once this returns, no listener call that started before it is running.
    void waitOutDispatch()
    {
        std::lock_guard dispatch(dispatching);
    }
};

namespace {

using Shared = InMemoryAudioEndpointSystem::Shared;
using Failure = InMemoryAudioEndpointSystem::Failure;

class InMemoryEndpointVolume : public IAudioEndpointVolume
{
public:
    InMemoryEndpointVolume(std::shared_ptr<Shared> shared, QString id) : m_shared(std::move(shared)), m_id(std::move(id))
    {
    }

    std::optional<float> masterScalar() override
    {
        m_shared->answerWhenReleased();
        std::lock_guard lock(m_shared->mutex);
        const auto *e = m_shared->findActive(m_id);
        if (!e || m_shared->fails(Failure::ReadVolume))
            return std::nullopt;
        return e->scalar;
    }

    bool setMasterScalar(float level) override
    {
        m_shared->answerWhenReleased();
        std::lock_guard lock(m_shared->mutex);
        auto *e = m_shared->findActive(m_id);
        if (!e || m_shared->fails(Failure::WriteVolume))
            return false;
        e->scalar = std::clamp(level, 0.0f, 1.0f);
        ++m_shared->volumeWrites[m_id];
        m_shared->postVolume(m_id, {e->scalar, e->muted});
        return true;
    }

    std::optional<bool> isMuted() override
    {
        m_shared->answerWhenReleased();
        std::lock_guard lock(m_shared->mutex);
        const auto *e = m_shared->findActive(m_id);
        if (!e || m_shared->fails(Failure::ReadMute))
            return std::nullopt;
        return e->muted;
    }

    bool setMuted(bool muted) override
    {
        m_shared->answerWhenReleased();
        std::lock_guard lock(m_shared->mutex);
        auto *e = m_shared->findActive(m_id);
        if (!e || m_shared->fails(Failure::WriteMute))
            return false;
        e->muted = muted;
        ++m_shared->muteWrites[m_id];
        m_shared->postVolume(m_id, {e->scalar, e->muted});
        return true;
    }

    bool registerListener(std::shared_ptr<AudioVolumeListener> listener) override
    {
        m_shared->answerWhenReleased();
        std::lock_guard lock(m_shared->mutex);
        if (!listener || m_shared->fails(Failure::RegisterVolume))
            return false;
        m_shared->volumeWatches.push_back({m_id, std::move(listener)});
        return true;
    }

    void unregisterListener(const std::shared_ptr<AudioVolumeListener> &listener) override
    {
        m_shared->answerWhenReleased();
        {
            std::lock_guard lock(m_shared->mutex);
            std::erase_if(m_shared->volumeWatches,
                          [&](const Shared::VolumeWatch &watch) { return watch.listener == listener; });
        }
        m_shared->waitOutDispatch();
    }

private:
    std::shared_ptr<Shared> m_shared;
    QString m_id;
};

AudioEndpointInfo infoOf(const InMemoryAudioEndpointSystem::Endpoint &e)
{
    return {e.id, e.name, e.state};
}

} // namespace

InMemoryAudioEndpointSystem::InMemoryAudioEndpointSystem() : m_shared(std::make_shared<Shared>())
{
    m_notifier = std::thread([shared = m_shared] { shared->run(); });
    std::lock_guard lock(m_shared->mutex);
    m_shared->notifierId = m_notifier.get_id();
}

InMemoryAudioEndpointSystem::~InMemoryAudioEndpointSystem()
{
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->stopping = true;
        m_shared->queue.clear();
        m_shared->wake.notify_all();
    }
    m_notifier.join();
}

void InMemoryAudioEndpointSystem::addEndpoint(const Endpoint &endpoint)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->endpoints.push_back(endpoint);
}

void InMemoryAudioEndpointSystem::removeEndpoint(const QString &id)
{
    std::lock_guard lock(m_shared->mutex);
    std::erase_if(m_shared->endpoints, [&](const Endpoint &e) { return e.id == id; });
}

void InMemoryAudioEndpointSystem::setEndpointState(const QString &id, unsigned state)
{
    std::lock_guard lock(m_shared->mutex);
    if (Endpoint *e = m_shared->find(id))
        e->state = state;
}

void InMemoryAudioEndpointSystem::setDefaultEndpoint(AudioDirection direction, const QString &id)
{
    std::lock_guard lock(m_shared->mutex);
    (direction == AudioDirection::Playback ? m_shared->defaultPlayback : m_shared->defaultRecording) = id;
}

void InMemoryAudioEndpointSystem::setFailing(Failure failure, bool failing)
{
    std::lock_guard lock(m_shared->mutex);
    if (failing)
        m_shared->failing.insert(failure);
    else
        m_shared->failing.erase(failure);
}

void InMemoryAudioEndpointSystem::setStalled(bool stalled)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->stalled = stalled;
    m_shared->wake.notify_all();
}

int InMemoryAudioEndpointSystem::stalledCalls() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->stalledCalls;
}

void InMemoryAudioEndpointSystem::setSoundSettingsResult(bool started)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->soundSettingsResult = started;
}

void InMemoryAudioEndpointSystem::changeVolumeFromOutside(const QString &id, float scalar, bool muted)
{
    std::lock_guard lock(m_shared->mutex);
    Endpoint *e = m_shared->find(id);
    if (!e)
        return;
    e->scalar = scalar;
    e->muted = muted;
    m_shared->postVolume(id, {scalar, muted});
}

void InMemoryAudioEndpointSystem::raiseTopologyChange(AudioTopologyEvent event)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->post([shared = m_shared.get(), event] {
        std::vector<std::shared_ptr<AudioTopologyListener>> due;
        {
            std::lock_guard lock(shared->mutex);
            due = shared->topologyListeners;
        }
        for (const auto &listener : due)
            listener->onTopologyChanged(event);
    });
}

bool InMemoryAudioEndpointSystem::waitForDelivery(int timeoutMs) const
{
    std::unique_lock lock(m_shared->mutex);
    return m_shared->wake.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return m_shared->queue.empty() && !m_shared->busy; });
}

std::optional<InMemoryAudioEndpointSystem::Endpoint> InMemoryAudioEndpointSystem::record(const QString &id) const
{
    std::lock_guard lock(m_shared->mutex);
    if (const Endpoint *e = m_shared->find(id))
        return *e;
    return std::nullopt;
}

int InMemoryAudioEndpointSystem::volumeWrites(const QString &id) const
{
    std::lock_guard lock(m_shared->mutex);
    const auto it = m_shared->volumeWrites.find(id);
    return it == m_shared->volumeWrites.end() ? 0 : it->second;
}

int InMemoryAudioEndpointSystem::muteWrites(const QString &id) const
{
    std::lock_guard lock(m_shared->mutex);
    const auto it = m_shared->muteWrites.find(id);
    return it == m_shared->muteWrites.end() ? 0 : it->second;
}

std::vector<std::pair<QString, bool>> InMemoryAudioEndpointSystem::listenWrites() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->listenWrites;
}

int InMemoryAudioEndpointSystem::soundSettingsOpened() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->soundSettingsOpened;
}

int InMemoryAudioEndpointSystem::topologyListenerCount() const
{
    std::lock_guard lock(m_shared->mutex);
    return int(m_shared->topologyListeners.size());
}

int InMemoryAudioEndpointSystem::volumeListenerCount() const
{
    std::lock_guard lock(m_shared->mutex);
    return int(m_shared->volumeWatches.size());
}

std::thread::id InMemoryAudioEndpointSystem::notifierThread() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->notifierId;
}

std::optional<std::vector<AudioEndpointInfo>> InMemoryAudioEndpointSystem::endpoints(AudioDirection direction)
{
    m_shared->answerWhenReleased();
    std::lock_guard lock(m_shared->mutex);
    if (m_shared->fails(Failure::Enumerate))
        return std::nullopt;
    std::vector<AudioEndpointInfo> list;
    for (const Endpoint &e : m_shared->endpoints) {
        if (e.direction == direction)
            list.push_back(infoOf(e));
    }
    return list;
}

std::optional<QString> InMemoryAudioEndpointSystem::defaultEndpointId(AudioDirection direction)
{
    m_shared->answerWhenReleased();
    std::lock_guard lock(m_shared->mutex);
    if (m_shared->fails(Failure::DefaultEndpoint))
        return std::nullopt;
    const QString id = direction == AudioDirection::Playback ? m_shared->defaultPlayback : m_shared->defaultRecording;
    const Endpoint *e = m_shared->find(id);
    if (!e || e->direction != direction)
        return std::nullopt;
    return id;
}

std::optional<AudioEndpointInfo> InMemoryAudioEndpointSystem::endpoint(AudioDirection direction, const QString &id)
{
    m_shared->answerWhenReleased();
    std::lock_guard lock(m_shared->mutex);
    const Endpoint *e = m_shared->find(id);
    if (!e || e->direction != direction || m_shared->fails(Failure::ReadEndpoint))
        return std::nullopt;
    return infoOf(*e);
}

std::unique_ptr<IAudioEndpointVolume> InMemoryAudioEndpointSystem::activateVolume(AudioDirection direction,
                                                                                 const QString &id)
{
    m_shared->answerWhenReleased();
    std::lock_guard lock(m_shared->mutex);
    const Endpoint *e = m_shared->findActive(id);
    if (!e || e->direction != direction)
        return nullptr;
    return std::make_unique<InMemoryEndpointVolume>(m_shared, id);
}

bool InMemoryAudioEndpointSystem::registerTopologyListener(std::shared_ptr<AudioTopologyListener> listener)
{
    m_shared->answerWhenReleased();
    std::lock_guard lock(m_shared->mutex);
    if (!listener || m_shared->fails(Failure::RegisterTopology))
        return false;
    m_shared->topologyListeners.push_back(std::move(listener));
    return true;
}

void InMemoryAudioEndpointSystem::unregisterTopologyListener(const std::shared_ptr<AudioTopologyListener> &listener)
{
    m_shared->answerWhenReleased();
    {
        std::lock_guard lock(m_shared->mutex);
        std::erase(m_shared->topologyListeners, listener);
    }
    m_shared->waitOutDispatch();
}

std::optional<bool> InMemoryAudioEndpointSystem::isListenEnabled(const QString &recordingId)
{
    m_shared->answerWhenReleased();
    std::lock_guard lock(m_shared->mutex);
    const Endpoint *e = m_shared->find(recordingId);
    if (!e || e->direction != AudioDirection::Recording)
        return std::nullopt;
    return e->listen;
}

bool InMemoryAudioEndpointSystem::setListenEnabled(const QString &recordingId, bool on)
{
    m_shared->answerWhenReleased();
    std::lock_guard lock(m_shared->mutex);
    Endpoint *e = m_shared->find(recordingId);
    if (!e || e->direction != AudioDirection::Recording || m_shared->fails(Failure::WriteListen))
        return false;
    e->listen = on;
    m_shared->listenWrites.emplace_back(recordingId, on);
    return true;
}

bool InMemoryAudioEndpointSystem::openSoundSettings()
{
    std::lock_guard lock(m_shared->mutex);
    ++m_shared->soundSettingsOpened;
    return m_shared->soundSettingsResult;
}

} // namespace Platform
