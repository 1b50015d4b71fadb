#pragma once

#include "platform/audioendpoint/IAudioEndpointSystem.h"

#include <QObject>
#include <QString>

#include <memory>

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

    // Which headset to look for; takes effect at the next rebind.
    void setPreferredDeviceName(bool wired, bool wireless, const QString &name);
    // Rebinds unless the default endpoints are still the bound ones, the
    // playback volume is readable and the headset looked for is unchanged;
    // returns whether a playback endpoint is bound.
    bool refreshEndpoints();

    bool hasSystemEndpoint() const;
    bool hasMicrophoneEndpoint() const;
    int systemVolume() const;
    int microphoneVolume() const;
    bool setSystemVolume(int percent);
    bool setMicrophoneVolume(int percent);
    bool isSystemMuted() const;
    bool isMicrophoneMuted() const;
    bool setSystemMuted(bool muted);
    bool setMicrophoneMuted(bool muted);
    // True when the headset's playback / recording endpoint exists but cannot
    // be used (switched off, gone, unplugged), or, without a headset, when the
    // default one cannot.
    bool isSystemEndpointDisabled() const;
    bool isMicrophoneEndpointDisabled() const;
    bool setListenEnabled(bool on);
    bool openSoundControlPanel();

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

public slots:
    void onSystemEndpointVolumeChanged(float level, bool muted);
    void onCaptureEndpointVolumeChanged(float level, bool muted);
    void onAudioDeviceTopologyChanged();

private:
    struct Private;
    struct Binding;

    bool bindEndpoints();
    void releaseEndpoints();
    void bindOne(Binding &binding, Platform::AudioDirection direction);
    std::optional<QString> findHeadsetEndpoint(Platform::AudioDirection direction) const;
    void emitCurrentState();
    void onDebounceTimeout();
    int volumeOf(const Binding &binding) const;
    bool setVolumeOf(Binding &binding, int percent);
    bool isMutedOf(const Binding &binding) const;
    bool setMutedOf(Binding &binding, bool muted);

    std::unique_ptr<Private> d;
};
