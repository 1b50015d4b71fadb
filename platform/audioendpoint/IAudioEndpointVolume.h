#pragma once

#include "platform/audioendpoint/AudioEndpointTypes.h"

#include <memory>
#include <optional>

namespace Platform {

// Volume and mute of one active endpoint. Every call may talk to the audio
// service and fails (nullopt / false) when it cannot; none blocks longer than
// the implementation's own bound.
class IAudioEndpointVolume
{
public:
    virtual ~IAudioEndpointVolume() = default;

    // The loudest channel as a 0.0..1.0 scalar on the desktop's volume scale.
    virtual std::optional<float> masterScalar() = 0;
    // Sets every channel so that the loudest is at `level` (0.0..1.0), keeping the balance.
    virtual bool setMasterScalar(float level) = 0;
    virtual std::optional<bool> isMuted() = 0;
    virtual bool setMuted(bool muted) = 0;

    // The listener is held until unregistered. Once unregisterListener returns,
    // no call to it is running and none will come.
    virtual bool registerListener(std::shared_ptr<AudioVolumeListener> listener) = 0;
    virtual void unregisterListener(const std::shared_ptr<AudioVolumeListener> &listener) = 0;
};

} // namespace Platform
