#pragma once

#include <QString>

namespace Platform {

// Playback endpoints play to the user (speakers, headphones); recording
// endpoints capture (microphones).
enum class AudioDirection { Playback, Recording };

// State bits of an endpoint. An endpoint the user can use right now is Active;
// the others say why it cannot be used.
namespace AudioEndpointState {
constexpr unsigned Active = 0x1;
constexpr unsigned Disabled = 0x2;   // switched off by the user (e.g. its card profile is "off")
constexpr unsigned NotPresent = 0x4; // its hardware is gone
constexpr unsigned Unplugged = 0x8;  // present, but nothing is plugged into its jack
} // namespace AudioEndpointState

struct AudioEndpointInfo
{
    QString id;   // stable while the endpoint exists; opaque to callers
    QString name; // the name the desktop shows to the user
    unsigned state = 0;
};

enum class AudioTopologyEvent { StateChanged, Added, Removed, DefaultChanged };

// Told when endpoints come, go, change state, or another default is chosen.
// Called on a thread of the audio system: return quickly, only hand the call
// over to your own thread, and never call back into the audio system from here.
class AudioTopologyListener
{
public:
    virtual ~AudioTopologyListener() = default;
    virtual void onTopologyChanged(AudioTopologyEvent event) = 0;
};

struct AudioVolumeNotification
{
    float masterScalar = 0.0f; // 0.0 to 1.0
    bool muted = false;
};

// Told when the volume or mute of one endpoint changes, whoever changed it
// (this program included). Same threading rules as AudioTopologyListener.
class AudioVolumeListener
{
public:
    virtual ~AudioVolumeListener() = default;
    virtual void onVolumeNotify(const AudioVolumeNotification &notification) = 0;
};

} // namespace Platform
