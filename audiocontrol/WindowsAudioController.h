#pragma once

#include "platform/audioendpoint/IAudioEndpointSystem.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace Platform {
class AudioEndpointThread;
}
struct AudioEndpointSnapshot;

struct WindowsAudioControllerTimings
{
    int topologyDebounceMs = 200; // a burst of endpoint changes leads to one rebind this long after the last
};

// The desktop's playback (system) and recording (microphone) volume and mute
// of the connected headset's audio endpoints, the "listen to this device"
// switch of its microphone, and the desktop's sound settings. Follows endpoint
// changes that the audio system reports on its own threads; those reports only
// post queued calls to this object's thread.
//
// The audio system is only ever called on a thread of its own, so a slow or
// stuck sound server never holds up this object's thread: the getters answer
// from the state last read, requests return at once, and what they find comes
// back as this object's signals.
//
// Volumes are whole percentages 0..100; -1 means no endpoint or an unreadable level.
class WindowsAudioController : public QObject
{
    Q_OBJECT
public:
    using Timings = WindowsAudioControllerTimings;

    // Uses the desktop's audio system (Platform::IAudioEndpointSystem::create()).
    explicit WindowsAudioController(QObject *parent = nullptr);
    // A null system leaves the controller inert: getters -1 / false, setters false, no signals.
    WindowsAudioController(std::shared_ptr<Platform::IAudioEndpointSystem> system, QObject *parent = nullptr,
                           Timings timings = {});
    ~WindowsAudioController() override;

    // Which headset to look for; takes effect at the next rebind. Whether the
    // headset's endpoints are disabled is read again (endpointStateRead).
    void setPreferredDeviceName(bool wired, bool wireless, const QString &name);
    // Rebinds unless the default endpoints are still the bound ones, the
    // playback volume is readable and the headset looked for is unchanged:
    // endpointsRebound when it rebound, else endpointStateRead with the state
    // read afresh. False when inert (nothing asked).
    bool refreshEndpoints();

    // The state last read.
    bool hasSystemEndpoint() const;
    bool hasMicrophoneEndpoint() const;
    int systemVolume() const;
    int microphoneVolume() const;
    bool isSystemMuted() const;
    bool isMicrophoneMuted() const;
    // True when the headset's playback / recording endpoint exists but cannot
    // be used (switched off, gone, unplugged), or, without a headset, when the
    // default one cannot.
    bool isSystemEndpointDisabled() const;
    bool isMicrophoneEndpointDisabled() const;

    // Writes to the bound endpoint; false, and nothing written, without one.
    // The written value is taken as the state until the endpoint's own
    // notification (or a failed write) says otherwise. A write that finds
    // another endpoint bound than the one on show when it was made (a rebind
    // was under way) writes nothing; the bound endpoint's level and mute are
    // read back and reported with the ...Changed signals.
    bool setSystemVolume(int percent);
    bool setMicrophoneVolume(int percent);
    // Answered with systemMuteWritten / microphoneMuteWritten.
    bool setSystemMuted(bool muted);
    bool setMicrophoneMuted(bool muted);
    // Needs a bound recording endpoint; answered with listenSwitched.
    bool setListenEnabled(bool on);
    bool openSoundControlPanel();

    // Requests whose answer has not arrived yet.
    bool hasPendingRequests() const;

    // Whether an audio device description names the connected headset: the
    // wired Qor decoder, or the 2.4G headset by its reported name or by the
    // brand and receiver words. Case-insensitive substring tests.
    static bool findHeadsetEndpointName(const QString &description, bool wired, bool wireless,
                                        const QString &wirelessName);
    static int percentFromScalar(float scalar);
    static float scalarFromPercent(int percent);

signals:
    void systemVolumeChanged(int volume);
    void systemMuteChanged(bool muted);
    void microphoneVolumeChanged(int volume);
    void microphoneMuteChanged(bool muted);
    void endpointsRebound();
    // The endpoints' state was read afresh without a rebind.
    void endpointStateRead();
    // A mute write finished; `volume` is the endpoint's level read after it (-1 unreadable).
    void systemMuteWritten(bool muted, int volume);
    void microphoneMuteWritten(bool muted, int volume);
    void listenSwitched(bool on, bool succeeded);

public slots:
    void onSystemEndpointVolumeChanged(float level, bool muted);
    void onCaptureEndpointVolumeChanged(float level, bool muted);
    void onAudioDeviceTopologyChanged();

private:
    struct Private;

    void emitCurrentState();
    void onDebounceTimeout();
    // A write carries the id of the endpoint on show; when another one is
    // bound by the time it runs it is dropped and the bound one read back.
    bool setVolumeOf(Platform::AudioDirection direction, int percent);
    bool setMutedOf(Platform::AudioDirection direction, bool muted);
    void takeReadBack(bool playback, int volume, std::optional<bool> muted);

    std::unique_ptr<Private> d;
};
