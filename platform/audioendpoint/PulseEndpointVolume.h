#pragma once

#include "platform/audioendpoint/IAudioEndpointVolume.h"

#include <QByteArray>

#include <cstdint>
#include <memory>

namespace Platform {

struct PulseBackend;

// Volume and mute of one sink or source, addressed by name; change events are
// matched by the server index it had when it was activated.
class PulseEndpointVolume : public IAudioEndpointVolume
{
public:
    PulseEndpointVolume(std::shared_ptr<PulseBackend> backend, AudioDirection direction, QByteArray name,
                        uint32_t index);
    ~PulseEndpointVolume() override;

    std::optional<float> masterScalar() override;
    bool setMasterScalar(float level) override;
    std::optional<bool> isMuted() override;
    bool setMuted(bool muted) override;
    bool registerListener(std::shared_ptr<AudioVolumeListener> listener) override;
    void unregisterListener(const std::shared_ptr<AudioVolumeListener> &listener) override;

private:
    std::shared_ptr<PulseBackend> m_backend;
    AudioDirection m_direction;
    QByteArray m_name;
    uint32_t m_index;
};

} // namespace Platform
