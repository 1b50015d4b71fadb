#pragma once

#include "platform/audioendpoint/AudioEndpointTypes.h"
#include "platform/audioendpoint/IAudioEndpointVolume.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace Platform {

// The desktop's audio endpoints: what exists, which is the default, their
// volumes, the "listen to this device" switch of microphones, and the desktop's
// own sound settings. Use from one thread; listeners are called on others.
// Every call may wait for the audio service (bounded): keep them off a thread
// that must stay responsive (AudioEndpointThread runs them on its own).
class IAudioEndpointSystem
{
public:
    using Factory = std::function<std::shared_ptr<IAudioEndpointSystem>()>;

    virtual ~IAudioEndpointSystem() = default;

    // The system's implementation (PulseAudio on Linux) or what the installed
    // factory makes. Never null: without an audio service the object still
    // exists and its calls fail.
    static std::shared_ptr<IAudioEndpointSystem> create();
    // Routes every later create() to `factory`; an empty one restores the system's.
    static void setFactory(Factory factory);

    // Called once on the thread that will use the system, before any other
    // call; may wait (bounded) for the audio service to be reached.
    virtual void prepare() {}

    // Every endpoint of the direction in every state, in a stable order; nullopt when unreadable.
    virtual std::optional<std::vector<AudioEndpointInfo>> endpoints(AudioDirection direction) = 0;
    // The id of the endpoint the desktop uses by default; nullopt when there is none or it is unreadable.
    virtual std::optional<QString> defaultEndpointId(AudioDirection direction) = 0;
    // Name and state of one endpoint; nullopt when it is unknown or unreadable.
    virtual std::optional<AudioEndpointInfo> endpoint(AudioDirection direction, const QString &id) = 0;
    // The volume control of an active endpoint; null when the endpoint is not active or unknown.
    virtual std::unique_ptr<IAudioEndpointVolume> activateVolume(AudioDirection direction, const QString &id) = 0;

    // Same contract as IAudioEndpointVolume::registerListener.
    virtual bool registerTopologyListener(std::shared_ptr<AudioTopologyListener> listener) = 0;
    virtual void unregisterTopologyListener(const std::shared_ptr<AudioTopologyListener> &listener) = 0;

    // Whether the desktop plays what a recording endpoint captures back to the
    // default playback endpoint.
    virtual std::optional<bool> isListenEnabled(const QString &recordingId) = 0;
    virtual bool setListenEnabled(const QString &recordingId, bool on) = 0;

    // Opens the desktop's sound settings; true when a program was started.
    // Starts a local program and never talks to the audio service, so it may
    // be called from any thread.
    virtual bool openSoundSettings() = 0;
};

} // namespace Platform
