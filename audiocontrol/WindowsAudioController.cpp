#include "audiocontrol/WindowsAudioController.h"

#include "audiocontrol/HeadsetEndpointAvailability.h"
#include "audiocontrol/HeadsetEndpointMatcher.h"

#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <mutex>

using Platform::AudioDirection;

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

} // namespace

struct WindowsAudioController::Binding
{
    std::optional<QString> device; // the bound endpoint's id
    std::unique_ptr<Platform::IAudioEndpointVolume> volume;
    std::shared_ptr<EndpointVolumeNotify> notify;

    QString id() const { return device.value_or(QString()); }
};

struct WindowsAudioController::Private
{
    std::shared_ptr<Platform::IAudioEndpointSystem> system; // null: inert
    std::shared_ptr<NotifyTarget> target = std::make_shared<NotifyTarget>();
    std::shared_ptr<DeviceNotify> deviceNotify;
    Binding render;
    Binding capture;
    HeadsetEndpointMatcher matcher;
    // The headset looked for changed since the last binding.
    bool matcherChanged = false;
    Timings timings;
    QTimer *debounce = nullptr;
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
    if (!d->system)
        return;

    auto notify = std::make_shared<DeviceNotify>(d->target);
    if (d->system->registerTopologyListener(notify))
        d->deviceNotify = std::move(notify);

    if (bindEndpoints())
        QTimer::singleShot(0, this, &WindowsAudioController::emitCurrentState);
}

WindowsAudioController::~WindowsAudioController()
{
    {
        std::lock_guard lock(d->target->mutex);
        d->target->controller = nullptr;
    }
    if (d->system && d->deviceNotify)
        d->system->unregisterTopologyListener(d->deviceNotify);
    d->deviceNotify.reset();
    releaseEndpoints();
}

void WindowsAudioController::setPreferredDeviceName(bool wired, bool wireless, const QString &name)
{
    const HeadsetEndpointMatcher matcher(wired, wireless, name);
    if (matcher == d->matcher)
        return;
    d->matcher = matcher;
    d->matcherChanged = true;
}

void WindowsAudioController::releaseEndpoints()
{
    for (Binding *binding : {&d->render, &d->capture}) {
        if (binding->volume && binding->notify)
            binding->volume->unregisterListener(binding->notify);
        binding->notify.reset();
        binding->volume.reset();
        binding->device.reset();
    }
}

bool WindowsAudioController::bindEndpoints()
{
    releaseEndpoints();
    if (!d->system)
        return false;
    d->matcherChanged = false;
    if (d->matcher.isSearching()) {
        d->render.device = findHeadsetEndpoint(AudioDirection::Playback);
        d->capture.device = findHeadsetEndpoint(AudioDirection::Recording);
    }
    if (!d->render.device)
        d->render.device = d->system->defaultEndpointId(AudioDirection::Playback);
    if (!d->capture.device)
        d->capture.device = d->system->defaultEndpointId(AudioDirection::Recording);
    bindOne(d->render, AudioDirection::Playback);
    bindOne(d->capture, AudioDirection::Recording);
    // A headset without a microphone is still a headset.
    return d->render.volume != nullptr;
}

void WindowsAudioController::bindOne(Binding &binding, AudioDirection direction)
{
    if (!binding.device)
        return;
    binding.volume = d->system->activateVolume(direction, *binding.device);
    if (!binding.volume)
        return;
    auto notify = std::make_shared<EndpointVolumeNotify>(d->target, direction == AudioDirection::Playback);
    if (binding.volume->registerListener(notify))
        binding.notify = std::move(notify);
}

std::optional<QString> WindowsAudioController::findHeadsetEndpoint(AudioDirection direction) const
{
    const auto endpoints = d->system->endpoints(direction);
    if (!endpoints)
        return std::nullopt;
    if (const auto best = d->matcher.pick(*endpoints))
        return best->id;
    return std::nullopt;
}

void WindowsAudioController::emitCurrentState()
{
    if (d->render.volume) {
        if (const auto scalar = d->render.volume->masterScalar())
            emit systemVolumeChanged(percentFromScalar(*scalar));
        if (const auto muted = d->render.volume->isMuted())
            emit systemMuteChanged(*muted);
    }
    if (d->capture.volume) {
        if (const auto scalar = d->capture.volume->masterScalar())
            emit microphoneVolumeChanged(percentFromScalar(*scalar));
        if (const auto muted = d->capture.volume->isMuted())
            emit microphoneMuteChanged(*muted);
    }
}

bool WindowsAudioController::refreshEndpoints()
{
    if (!d->system)
        return false;
    const QString render = d->system->defaultEndpointId(AudioDirection::Playback).value_or(QString());
    const QString capture = d->system->defaultEndpointId(AudioDirection::Recording).value_or(QString());
    // Unchanged defaults say nothing about a headset that was only just named.
    if (!d->matcherChanged && render == d->render.id() && capture == d->capture.id() && d->render.volume
        && d->render.volume->masterScalar())
        return true;
    const bool bound = bindEndpoints();
    emit endpointsRebound();
    return bound;
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
    if (!d->system)
        return;
    const bool bound = bindEndpoints();
    emit endpointsRebound();
    if (bound)
        emitCurrentState();
}

void WindowsAudioController::onSystemEndpointVolumeChanged(float level, bool muted)
{
    emit systemVolumeChanged(percentFromScalar(level));
    emit systemMuteChanged(muted);
}

void WindowsAudioController::onCaptureEndpointVolumeChanged(float level, bool muted)
{
    emit microphoneVolumeChanged(percentFromScalar(level));
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

int WindowsAudioController::volumeOf(const Binding &binding) const
{
    if (!binding.volume)
        return -1;
    const auto scalar = binding.volume->masterScalar();
    return scalar ? percentFromScalar(*scalar) : -1;
}

bool WindowsAudioController::setVolumeOf(Binding &binding, int percent)
{
    return binding.volume && binding.volume->setMasterScalar(scalarFromPercent(percent));
}

bool WindowsAudioController::isMutedOf(const Binding &binding) const
{
    return binding.volume && binding.volume->isMuted().value_or(false);
}

bool WindowsAudioController::setMutedOf(Binding &binding, bool muted)
{
    return binding.volume && binding.volume->setMuted(muted);
}

bool WindowsAudioController::hasSystemEndpoint() const
{
    return volumeOf(d->render) >= 0;
}

bool WindowsAudioController::hasMicrophoneEndpoint() const
{
    return volumeOf(d->capture) >= 0;
}

int WindowsAudioController::systemVolume() const
{
    return volumeOf(d->render);
}

int WindowsAudioController::microphoneVolume() const
{
    return volumeOf(d->capture);
}

bool WindowsAudioController::setSystemVolume(int percent)
{
    return setVolumeOf(d->render, percent);
}

bool WindowsAudioController::setMicrophoneVolume(int percent)
{
    return setVolumeOf(d->capture, percent);
}

bool WindowsAudioController::isSystemMuted() const
{
    return isMutedOf(d->render);
}

bool WindowsAudioController::isMicrophoneMuted() const
{
    return isMutedOf(d->capture);
}

bool WindowsAudioController::setSystemMuted(bool muted)
{
    return setMutedOf(d->render, muted);
}

bool WindowsAudioController::setMicrophoneMuted(bool muted)
{
    return setMutedOf(d->capture, muted);
}

bool WindowsAudioController::isSystemEndpointDisabled() const
{
    return d->system && HeadsetEndpointAvailability::isDisabled(*d->system, d->matcher, d->render.device,
                                                                AudioDirection::Playback);
}

bool WindowsAudioController::isMicrophoneEndpointDisabled() const
{
    return d->system && HeadsetEndpointAvailability::isDisabled(*d->system, d->matcher, d->capture.device,
                                                                AudioDirection::Recording);
}

bool WindowsAudioController::setListenEnabled(bool on)
{
    if (!d->system || !d->capture.device)
        return false;
    const QString bound = *d->capture.device;
    if (on) {
        // Only one of the brand's microphones should play back at a time.
        if (const auto endpoints = d->system->endpoints(AudioDirection::Recording)) {
            for (const auto &endpoint : *endpoints) {
                if (endpoint.id != bound && endpoint.name.contains(QStringLiteral("VELKORA"), Qt::CaseInsensitive)
                    && !d->matcher.matches(endpoint.name))
                    d->system->setListenEnabled(endpoint.id, false);
            }
        }
    }
    return d->system->setListenEnabled(bound, on);
}

bool WindowsAudioController::openSoundControlPanel()
{
    return d->system && d->system->openSoundSettings();
}
