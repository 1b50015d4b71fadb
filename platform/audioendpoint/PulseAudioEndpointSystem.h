#pragma once

#include "platform/audioendpoint/IAudioEndpointSystem.h"
#include "platform/audioendpoint/PulseClient.h"

#include <cstdint>
#include <memory>
#include <set>

namespace Platform {

struct PulseBackend;

// The audio endpoints of a PulseAudio server (PipeWire's PulseAudio service
// included). Sinks are the playback endpoints and sources the recording ones;
// monitor sources are no microphones and are left out. A card whose profile
// the user switched off shows as one disabled endpoint per direction it lost.
// "Listen to this device" is a loopback module from the source to the default
// sink; like the server's other runtime changes it lasts until the server restarts.
class PulseAudioEndpointSystem : public IAudioEndpointSystem
{
public:
    explicit PulseAudioEndpointSystem(const PulseClient::Options &options = {});
    ~PulseAudioEndpointSystem() override;

    bool isConnected();

    void prepare() override;

    std::optional<std::vector<AudioEndpointInfo>> endpoints(AudioDirection direction) override;
    std::optional<QString> defaultEndpointId(AudioDirection direction) override;
    std::optional<AudioEndpointInfo> endpoint(AudioDirection direction, const QString &id) override;
    std::unique_ptr<IAudioEndpointVolume> activateVolume(AudioDirection direction, const QString &id) override;
    bool registerTopologyListener(std::shared_ptr<AudioTopologyListener> listener) override;
    void unregisterTopologyListener(const std::shared_ptr<AudioTopologyListener> &listener) override;
    std::optional<bool> isListenEnabled(const QString &recordingId) override;
    bool setListenEnabled(const QString &recordingId, bool on) override;
    bool openSoundSettings() override;

private:
    // Loopback modules whose source is `source`; nullopt when the list is
    // unreadable. `connection` receives the connection the indices belong to.
    std::optional<std::vector<uint32_t>> loopbacksOf(const QByteArray &source, uint64_t &connection);

    std::shared_ptr<PulseBackend> m_backend;
    // The server acknowledges an unload before the module is gone from its
    // list; a server never reuses an index, so these are simply left out. A
    // restarted server counts from the start again, so they hold only for the
    // connection they were unloaded on.
    struct UnloadedModules
    {
        uint64_t connection = 0;
        std::set<uint32_t> indices;
    };
    UnloadedModules m_unloaded;
};

} // namespace Platform
