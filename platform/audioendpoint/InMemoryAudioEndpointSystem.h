#pragma once

#include "platform/audioendpoint/IAudioEndpointSystem.h"

#include <QStringList>

#include <memory>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace Platform {

// Test double: endpoints kept in memory, notifications delivered from a thread
// of its own as a real audio service does. A volume or mute written through it
// comes back as a notification, like one made by another program. Every
// method may be called from any thread.
class InMemoryAudioEndpointSystem : public IAudioEndpointSystem
{
public:
    enum class Failure {
        Enumerate,
        DefaultEndpoint,
        ReadEndpoint,
        ReadVolume,
        WriteVolume,
        ReadMute,
        WriteMute,
        RegisterTopology,
        RegisterVolume,
        WriteListen,
    };

    struct Endpoint
    {
        AudioDirection direction = AudioDirection::Playback;
        QString id;
        QString name;
        unsigned state = AudioEndpointState::Active;
        float scalar = 0.5f;
        bool muted = false;
        bool listen = false;
    };

    InMemoryAudioEndpointSystem();
    ~InMemoryAudioEndpointSystem() override;

    // Ids are unique across both directions. Endpoints keep the order they were added in.
    void addEndpoint(const Endpoint &endpoint);
    void removeEndpoint(const QString &id);
    void setEndpointState(const QString &id, unsigned state);
    // An empty id means no default.
    void setDefaultEndpoint(AudioDirection direction, const QString &id);
    void setFailing(Failure failure, bool failing);
    // A stalled system is a server that does not answer: every call to it and
    // to its volumes waits until it is released (or the double goes away).
    void setStalled(bool stalled);
    // Calls waiting in a stall right now.
    int stalledCalls() const;
    void setSoundSettingsResult(bool started);

    // Another program changed the endpoint: stored, then its volume listeners are told.
    void changeVolumeFromOutside(const QString &id, float scalar, bool muted);
    // Tells every topology listener, as the system does after a device change.
    void raiseTopologyChange(AudioTopologyEvent event = AudioTopologyEvent::StateChanged);
    // Waits until every notification raised so far has been delivered; false on time-out.
    bool waitForDelivery(int timeoutMs = 5000) const;

    std::optional<Endpoint> record(const QString &id) const;
    int volumeWrites(const QString &id) const;
    int muteWrites(const QString &id) const;
    // Every setListenEnabled that reached an endpoint, in order.
    std::vector<std::pair<QString, bool>> listenWrites() const;
    int soundSettingsOpened() const;
    int topologyListenerCount() const;
    int volumeListenerCount() const;
    std::thread::id notifierThread() const;

    std::optional<std::vector<AudioEndpointInfo>> endpoints(AudioDirection direction) override;
    std::optional<QString> defaultEndpointId(AudioDirection direction) override;
    std::optional<AudioEndpointInfo> endpoint(AudioDirection direction, const QString &id) override;
    std::unique_ptr<IAudioEndpointVolume> activateVolume(AudioDirection direction, const QString &id) override;
    bool registerTopologyListener(std::shared_ptr<AudioTopologyListener> listener) override;
    void unregisterTopologyListener(const std::shared_ptr<AudioTopologyListener> &listener) override;
    std::optional<bool> isListenEnabled(const QString &recordingId) override;
    bool setListenEnabled(const QString &recordingId, bool on) override;
    bool openSoundSettings() override;

    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    std::thread m_notifier;
};

} // namespace Platform
