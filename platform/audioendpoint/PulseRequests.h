#pragma once

#include "platform/audioendpoint/AudioEndpointTypes.h"
#include "platform/audioendpoint/PulseRecords.h"

#include <QByteArray>

#include <optional>
#include <vector>

namespace Platform {

class PulseClient;

// The introspection and control requests this layer makes, each awaited with
// the client's bound. nullopt / false when not connected, refused or late.
class PulseRequests
{
public:
    explicit PulseRequests(PulseClient &client);

    // Sinks for playback, sources (monitors included) for recording.
    std::optional<std::vector<PulseDeviceRecord>> devices(AudioDirection direction);
    std::optional<PulseDeviceRecord> device(AudioDirection direction, const QByteArray &name);
    std::optional<std::vector<PulseCardRecord>> cards();
    std::optional<PulseServerRecord> server();

    bool setVolume(AudioDirection direction, const QByteArray &name, const pa_cvolume &volume);
    bool setMute(AudioDirection direction, const QByteArray &name, bool muted);

    // `connection` receives the number of the connection the list belongs to.
    std::optional<std::vector<PulseModuleRecord>> modules(uint64_t &connection);
    std::optional<uint32_t> loadModule(const QByteArray &name, const QByteArray &argument);
    // Refused unless `connection` is still the current one: on another server
    // the index may name another module.
    bool unloadModule(uint32_t index, uint64_t connection);

private:
    PulseClient &m_client;
};

} // namespace Platform
