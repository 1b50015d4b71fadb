#include "audiocontrol/WindowsAudioController.h"

#include "audiocontrol/HeadsetEndpointAvailability.h"
#include "audiocontrol/HeadsetEndpointMatcher.h"
#include "platform/audioendpoint/AudioEndpointThread.h"

#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <mutex>

using Platform::AudioDirection;
using Platform::IAudioEndpointSystem;

// The endpoints' state as last read on the audio thread.
struct AudioEndpointSnapshot
{
    std::optional<QString> renderId; // the bound endpoints' ids
    std::optional<QString> captureId;
    bool renderBound = false; // a volume control is bound
    bool captureBound = false;
    int systemVolume = -1;
    int microphoneVolume = -1;
    std::optional<bool> systemMuted;
    std::optional<bool> microphoneMuted;
    bool systemDisabled = false;
    bool microphoneDisabled = false;
};

namespace {

// The weak reference the notification objects hold: the controller clears it
// under the mutex before it goes, so a notification either posts to a living
// controller (whose destruction then drops the posted call) or finds nothing.
struct NotifyTarget
{
    std::mutex mutex;
    QObject *controller = nullptr;
};

class DeviceNotify final : public Platform::AudioTopologyListener
{
public:
    explicit DeviceNotify(std::shared_ptr<NotifyTarget> target) : m_target(std::move(target)) {}

    void onTopologyChanged(Platform::AudioTopologyEvent) override
    {
        std::lock_guard lock(m_target->mutex);
        if (m_target->controller)
            QMetaObject::invokeMethod(m_target->controller, "onAudioDeviceTopologyChanged", Qt::QueuedConnection);
    }

private:
    std::shared_ptr<NotifyTarget> m_target;
};

class EndpointVolumeNotify final : public Platform::AudioVolumeListener
{
public:
    EndpointVolumeNotify(std::shared_ptr<NotifyTarget> target, bool isRender)
        : m_target(std::move(target)), m_isRender(isRender)
    {
    }

    void onVolumeNotify(const Platform::AudioVolumeNotification &notification) override
    {
        std::lock_guard lock(m_target->mutex);
        if (!m_target->controller)
            return;
        QMetaObject::invokeMethod(m_target->controller,
                                  m_isRender ? "onSystemEndpointVolumeChanged" : "onCaptureEndpointVolumeChanged",
                                  Qt::QueuedConnection, Q_ARG(float, notification.masterScalar),
                                  Q_ARG(bool, notification.muted));
    }

private:
    std::shared_ptr<NotifyTarget> m_target;
    bool m_isRender;
};

struct Binding
{
    std::optional<QString> device; // the bound endpoint's id
    std::unique_ptr<Platform::IAudioEndpointVolume> volume;
    std::shared_ptr<EndpointVolumeNotify> notify;

    QString id() const { return device.value_or(QString()); }
};

int volumeOf(const Binding &binding)
{
    if (!binding.volume)
        return -1;
    const auto scalar = binding.volume->masterScalar();
    return scalar ? WindowsAudioController::percentFromScalar(*scalar) : -1;
}

// What the controller keeps on the audio thread: the bound endpoints and the
// listener registrations. Touched by the audio thread's jobs only.
struct Session
{
    std::shared_ptr<NotifyTarget> target;
    std::shared_ptr<DeviceNotify> deviceNotify;
    Binding render;
    Binding capture;

    Binding &of(AudioDirection direction) { return direction == AudioDirection::Playback ? render : capture; }

    void registerTopology(IAudioEndpointSystem &system)
    {
        auto notify = std::make_shared<DeviceNotify>(target);
        if (system.registerTopologyListener(notify))
            deviceNotify = std::move(notify);
    }

    void release(IAudioEndpointSystem &system)
    {
        if (deviceNotify)
            system.unregisterTopologyListener(deviceNotify);
        deviceNotify.reset();
        releaseEndpoints();
    }

    void releaseEndpoints()
    {
        for (Binding *binding : {&render, &capture}) {
            if (binding->volume && binding->notify)
                binding->volume->unregisterListener(binding->notify);
            binding->notify.reset();
            binding->volume.reset();
            binding->device.reset();
        }
    }

    // True when a playback endpoint is bound: a headset without a microphone is still a headset.
    bool bind(IAudioEndpointSystem &system, const HeadsetEndpointMatcher &matcher)
    {
        releaseEndpoints();
        if (matcher.isSearching()) {
            render.device = findHeadsetEndpoint(system, matcher, AudioDirection::Playback);
            capture.device = findHeadsetEndpoint(system, matcher, AudioDirection::Recording);
        }
        if (!render.device)
            render.device = system.defaultEndpointId(AudioDirection::Playback);
        if (!capture.device)
            capture.device = system.defaultEndpointId(AudioDirection::Recording);
        bindOne(system, render, AudioDirection::Playback);
        bindOne(system, capture, AudioDirection::Recording);
        return render.volume != nullptr;
    }

    void bindOne(IAudioEndpointSystem &system, Binding &binding, AudioDirection direction)
    {
        if (!binding.device)
            return;
        binding.volume = system.activateVolume(direction, *binding.device);
        if (!binding.volume)
            return;
        auto notify = std::make_shared<EndpointVolumeNotify>(target, direction == AudioDirection::Playback);
        if (binding.volume->registerListener(notify))
            binding.notify = std::move(notify);
    }

    static std::optional<QString> findHeadsetEndpoint(IAudioEndpointSystem &system,
                                                      const HeadsetEndpointMatcher &matcher,
                                                      AudioDirection direction)
    {
        const auto endpoints = system.endpoints(direction);
        if (!endpoints)
            return std::nullopt;
        if (const auto best = matcher.pick(*endpoints))
            return best->id;
        return std::nullopt;
    }

    // Unchanged defaults say nothing about a headset that was only just named (`force`).
    bool needsRebind(IAudioEndpointSystem &system, bool force)
    {
        if (force || !render.volume)
            return true;
        const QString defaultRender = system.defaultEndpointId(AudioDirection::Playback).value_or(QString());
        const QString defaultCapture = system.defaultEndpointId(AudioDirection::Recording).value_or(QString());
        return defaultRender != render.id() || defaultCapture != capture.id() || !render.volume->masterScalar();
    }

    AudioEndpointSnapshot read(IAudioEndpointSystem &system, const HeadsetEndpointMatcher &matcher) const
    {
        AudioEndpointSnapshot out;
        out.renderId = render.device;
        out.captureId = capture.device;
        out.renderBound = render.volume != nullptr;
        out.captureBound = capture.volume != nullptr;
        out.systemVolume = volumeOf(render);
        out.microphoneVolume = volumeOf(capture);
        if (render.volume)
            out.systemMuted = render.volume->isMuted();
        if (capture.volume)
            out.microphoneMuted = capture.volume->isMuted();
        out.systemDisabled =
            HeadsetEndpointAvailability::isDisabled(system, matcher, render.device, AudioDirection::Playback);
        out.microphoneDisabled =
            HeadsetEndpointAvailability::isDisabled(system, matcher, capture.device, AudioDirection::Recording);
        return out;
    }

    bool setListen(IAudioEndpointSystem &system, const HeadsetEndpointMatcher &matcher, bool on)
    {
        if (!capture.device)
            return false;
        const QString bound = *capture.device;
        if (on) {
            // Only one of the brand's microphones should play back at a time.
            if (const auto endpoints = system.endpoints(AudioDirection::Recording)) {
                for (const auto &endpoint : *endpoints) {
                    if (endpoint.id != bound
                        && endpoint.name.contains(QStringLiteral("VELKORA"), Qt::CaseInsensitive)
                        && !matcher.matches(endpoint.name))
                        system.setListenEnabled(endpoint.id, false);
                }
            }
        }
        return system.setListenEnabled(bound, on);
    }
};

// A (re)binding or a fresh look at the bound endpoints.
struct Reading
{
    bool rebound = false;
    bool bound = false;
    AudioEndpointSnapshot snapshot;
};

// An endpoint read right after a write to it, or instead of one.
struct AfterWrite
{
    bool written = false;
    // The endpoint bound when the write ran was not the one it was meant
    // for: nothing was written, and the bound one was read back.
    bool dropped = false;
    int volume = -1;
    std::optional<bool> muted;
};

// Reads the bound endpoint in place of a write meant for another one.
AfterWrite dropWrite(const Binding &binding)
{
    AfterWrite after;
    after.dropped = true;
    after.volume = volumeOf(binding);
    if (binding.volume)
        after.muted = binding.volume->isMuted();
    return after;
}

} // namespace

struct WindowsAudioController::Private
{
    std::shared_ptr<IAudioEndpointSystem> system; // null: inert
    Platform::AudioEndpointThread *audio = nullptr;
    std::shared_ptr<NotifyTarget> target = std::make_shared<NotifyTarget>();
    std::shared_ptr<Session> session = std::make_shared<Session>();
    AudioEndpointSnapshot state;
    HeadsetEndpointMatcher matcher;
    // The headset looked for changed since the last binding.
    bool matcherChanged = false;
    Timings timings;
    QTimer *debounce = nullptr;

    template <typename Result>
    void request(QObject *receiver, std::function<Result(Session &, IAudioEndpointSystem &)> job,
                 std::function<void(Result)> done)
    {
        audio->request<Result>(
            receiver, [session = session, job = std::move(job)](IAudioEndpointSystem &s) { return job(*session, s); },
            std::move(done));
    }
};

WindowsAudioController::WindowsAudioController(QObject *parent)
    : WindowsAudioController(Platform::IAudioEndpointSystem::create(), parent)
{
}

WindowsAudioController::WindowsAudioController(std::shared_ptr<Platform::IAudioEndpointSystem> system,
                                               QObject *parent, Timings timings)
    : QObject(parent), d(std::make_unique<Private>())
{
    d->system = std::move(system);
    d->timings = timings;
    d->target->controller = this;
    d->session->target = d->target;
    if (!d->system)
        return;

    d->audio = new Platform::AudioEndpointThread(d->system, this);
    const HeadsetEndpointMatcher matcher = d->matcher;
    d->request<Reading>(
        this,
        [matcher](Session &session, IAudioEndpointSystem &system) {
            session.registerTopology(system);
            Reading reading;
            reading.bound = session.bind(system, matcher);
            reading.rebound = true;
            reading.snapshot = session.read(system, matcher);
            return reading;
        },
        [this](Reading reading) {
            d->state = reading.snapshot;
            if (reading.bound)
                emitCurrentState();
        });
}

WindowsAudioController::~WindowsAudioController()
{
    {
        std::lock_guard lock(d->target->mutex);
        d->target->controller = nullptr;
    }
    if (d->audio) {
        // Hands the registrations back on the audio thread (a job not begun
        // yet registered nothing) and returns at once: a stuck sound server
        // must not hold up the GUI thread. The job holds the session only.
        d->audio->stop([session = d->session](IAudioEndpointSystem &system) { session->release(system); });
    }
}

void WindowsAudioController::setPreferredDeviceName(bool wired, bool wireless, const QString &name)
{
    const HeadsetEndpointMatcher matcher(wired, wireless, name);
    if (matcher == d->matcher)
        return;
    d->matcher = matcher;
    d->matcherChanged = true;
    if (!d->audio)
        return;
    d->request<AudioEndpointSnapshot>(
        this, [matcher](Session &session, IAudioEndpointSystem &system) { return session.read(system, matcher); },
        [this](AudioEndpointSnapshot snapshot) {
            d->state = snapshot;
            emit endpointStateRead();
        });
}

bool WindowsAudioController::refreshEndpoints()
{
    if (!d->audio)
        return false;
    const HeadsetEndpointMatcher matcher = d->matcher;
    const bool force = d->matcherChanged;
    d->matcherChanged = false;
    d->request<Reading>(
        this,
        [matcher, force](Session &session, IAudioEndpointSystem &system) {
            Reading reading;
            if (session.needsRebind(system, force)) {
                reading.bound = session.bind(system, matcher);
                reading.rebound = true;
            }
            reading.snapshot = session.read(system, matcher);
            return reading;
        },
        [this](Reading reading) {
            d->state = reading.snapshot;
            if (reading.rebound)
                emit endpointsRebound();
            else
                emit endpointStateRead();
        });
    return true;
}

void WindowsAudioController::emitCurrentState()
{
    const AudioEndpointSnapshot &state = d->state;
    if (state.renderBound) {
        if (state.systemVolume >= 0)
            emit systemVolumeChanged(state.systemVolume);
        if (state.systemMuted)
            emit systemMuteChanged(*state.systemMuted);
    }
    if (state.captureBound) {
        if (state.microphoneVolume >= 0)
            emit microphoneVolumeChanged(state.microphoneVolume);
        if (state.microphoneMuted)
            emit microphoneMuteChanged(*state.microphoneMuted);
    }
}

void WindowsAudioController::onAudioDeviceTopologyChanged()
{
    if (!d->debounce) {
        d->debounce = new QTimer(this);
        d->debounce->setSingleShot(true);
        connect(d->debounce, &QTimer::timeout, this, &WindowsAudioController::onDebounceTimeout);
    }
    d->debounce->start(d->timings.topologyDebounceMs);
}

void WindowsAudioController::onDebounceTimeout()
{
    if (!d->audio)
        return;
    const HeadsetEndpointMatcher matcher = d->matcher;
    d->matcherChanged = false;
    d->request<Reading>(
        this,
        [matcher](Session &session, IAudioEndpointSystem &system) {
            Reading reading;
            reading.bound = session.bind(system, matcher);
            reading.rebound = true;
            reading.snapshot = session.read(system, matcher);
            return reading;
        },
        [this](Reading reading) {
            d->state = reading.snapshot;
            emit endpointsRebound();
            if (reading.bound)
                emitCurrentState();
        });
}

void WindowsAudioController::onSystemEndpointVolumeChanged(float level, bool muted)
{
    d->state.systemVolume = percentFromScalar(level);
    d->state.systemMuted = muted;
    emit systemVolumeChanged(d->state.systemVolume);
    emit systemMuteChanged(muted);
}

void WindowsAudioController::onCaptureEndpointVolumeChanged(float level, bool muted)
{
    d->state.microphoneVolume = percentFromScalar(level);
    d->state.microphoneMuted = muted;
    emit microphoneVolumeChanged(d->state.microphoneVolume);
    emit microphoneMuteChanged(muted);
}

bool WindowsAudioController::findHeadsetEndpointName(const QString &description, bool wired, bool wireless,
                                                     const QString &wirelessName)
{
    return HeadsetEndpointMatcher(wired, wireless, wirelessName).matches(description);
}

int WindowsAudioController::percentFromScalar(float scalar)
{
    if (!std::isfinite(scalar))
        return 0;
    // lround rounds halves away from zero: 0.125 reads as 13.
    return std::clamp(int(std::lround(double(scalar) * 100.0)), 0, 100);
}

float WindowsAudioController::scalarFromPercent(int percent)
{
    return std::clamp(float(percent) / 100.0f, 0.0f, 1.0f);
}

bool WindowsAudioController::setVolumeOf(AudioDirection direction, int percent)
{
    const bool playback = direction == AudioDirection::Playback;
    if (!d->audio || !(playback ? d->state.renderBound : d->state.captureBound))
        return false;
    const float scalar = scalarFromPercent(percent);
    (playback ? d->state.systemVolume : d->state.microphoneVolume) = percentFromScalar(scalar);
    // Meant for the endpoint on show; a rebind asked for earlier may have
    // bound another one by the time the write runs.
    const std::optional<QString> shown = playback ? d->state.renderId : d->state.captureId;
    d->request<AfterWrite>(
        this,
        [direction, scalar, shown](Session &session, IAudioEndpointSystem &) {
            Binding &binding = session.of(direction);
            if (binding.device != shown)
                return dropWrite(binding);
            AfterWrite after;
            after.written = binding.volume && binding.volume->setMasterScalar(scalar);
            // A written level comes back as a notification; a failed write is read back.
            if (!after.written)
                after.volume = volumeOf(binding);
            return after;
        },
        [this, playback](AfterWrite after) {
            if (after.dropped)
                takeReadBack(playback, after.volume, after.muted);
            else if (!after.written)
                (playback ? d->state.systemVolume : d->state.microphoneVolume) = after.volume;
        });
    return true;
}

bool WindowsAudioController::setMutedOf(AudioDirection direction, bool muted)
{
    const bool playback = direction == AudioDirection::Playback;
    if (!d->audio || !(playback ? d->state.renderBound : d->state.captureBound))
        return false;
    (playback ? d->state.systemMuted : d->state.microphoneMuted) = muted;
    const std::optional<QString> shown = playback ? d->state.renderId : d->state.captureId;
    d->request<AfterWrite>(
        this,
        [direction, muted, shown](Session &session, IAudioEndpointSystem &) {
            Binding &binding = session.of(direction);
            if (binding.device != shown)
                return dropWrite(binding);
            AfterWrite after;
            after.written = binding.volume && binding.volume->setMuted(muted);
            after.volume = volumeOf(binding);
            if (binding.volume)
                after.muted = binding.volume->isMuted();
            return after;
        },
        [this, playback, muted](AfterWrite after) {
            if (after.dropped) {
                takeReadBack(playback, after.volume, after.muted);
                return;
            }
            (playback ? d->state.systemVolume : d->state.microphoneVolume) = after.volume;
            if (after.muted)
                (playback ? d->state.systemMuted : d->state.microphoneMuted) = *after.muted;
            if (playback)
                emit systemMuteWritten(muted, after.volume);
            else
                emit microphoneMuteWritten(muted, after.volume);
        });
    return true;
}

void WindowsAudioController::takeReadBack(bool playback, int volume, std::optional<bool> muted)
{
    // The write was meant for an endpoint no longer bound: what is on show
    // becomes the bound endpoint's own level and mute again.
    (playback ? d->state.systemVolume : d->state.microphoneVolume) = volume;
    (playback ? d->state.systemMuted : d->state.microphoneMuted) = muted;
    if (playback) {
        if (volume >= 0)
            emit systemVolumeChanged(volume);
        if (muted)
            emit systemMuteChanged(*muted);
    } else {
        if (volume >= 0)
            emit microphoneVolumeChanged(volume);
        if (muted)
            emit microphoneMuteChanged(*muted);
    }
}

bool WindowsAudioController::hasSystemEndpoint() const
{
    return systemVolume() >= 0;
}

bool WindowsAudioController::hasMicrophoneEndpoint() const
{
    return microphoneVolume() >= 0;
}

int WindowsAudioController::systemVolume() const
{
    return d->state.renderBound ? d->state.systemVolume : -1;
}

int WindowsAudioController::microphoneVolume() const
{
    return d->state.captureBound ? d->state.microphoneVolume : -1;
}

bool WindowsAudioController::setSystemVolume(int percent)
{
    return setVolumeOf(AudioDirection::Playback, percent);
}

bool WindowsAudioController::setMicrophoneVolume(int percent)
{
    return setVolumeOf(AudioDirection::Recording, percent);
}

bool WindowsAudioController::isSystemMuted() const
{
    return d->state.renderBound && d->state.systemMuted.value_or(false);
}

bool WindowsAudioController::isMicrophoneMuted() const
{
    return d->state.captureBound && d->state.microphoneMuted.value_or(false);
}

bool WindowsAudioController::setSystemMuted(bool muted)
{
    return setMutedOf(AudioDirection::Playback, muted);
}

bool WindowsAudioController::setMicrophoneMuted(bool muted)
{
    return setMutedOf(AudioDirection::Recording, muted);
}

bool WindowsAudioController::isSystemEndpointDisabled() const
{
    return d->system && d->state.systemDisabled;
}

bool WindowsAudioController::isMicrophoneEndpointDisabled() const
{
    return d->system && d->state.microphoneDisabled;
}

bool WindowsAudioController::setListenEnabled(bool on)
{
    if (!d->audio || !d->state.captureId)
        return false;
    const HeadsetEndpointMatcher matcher = d->matcher;
    d->request<bool>(
        this,
        [matcher, on](Session &session, IAudioEndpointSystem &system) { return session.setListen(system, matcher, on); },
        [this, on](bool succeeded) { emit listenSwitched(on, succeeded); });
    return true;
}

bool WindowsAudioController::openSoundControlPanel()
{
    // Starts a local program; the audio service is not involved.
    return d->system && d->system->openSoundSettings();
}

bool WindowsAudioController::hasPendingRequests() const
{
    return d->audio && d->audio->pendingRequests() > 0;
}
