#include "platform/audioendpoint/PulseChangeNotifier.h"

#include <pulse/introspect.h>

#include <algorithm>

namespace Platform {

namespace {

void forget(pa_operation *operation)
{
    if (operation)
        pa_operation_unref(operation);
}

} // namespace

void PulseChangeNotifier::addTopologyListener(std::shared_ptr<AudioTopologyListener> listener)
{
    m_topologyListeners.push_back(std::move(listener));
}

void PulseChangeNotifier::removeTopologyListener(const std::shared_ptr<AudioTopologyListener> &listener)
{
    std::erase(m_topologyListeners, listener);
}

void PulseChangeNotifier::addVolumeListener(AudioDirection direction, uint32_t index,
                                            std::shared_ptr<AudioVolumeListener> listener)
{
    m_volumeWatches.push_back(VolumeWatch{direction, index, std::move(listener), std::nullopt});
}

void PulseChangeNotifier::removeVolumeListener(const std::shared_ptr<AudioVolumeListener> &listener)
{
    std::erase_if(m_volumeWatches, [&](const VolumeWatch &watch) { return watch.listener == listener; });
}

void PulseChangeNotifier::onContextReady(pa_context *context, bool late)
{
    m_defaults.reset();
    requestServerInfo(context);
    // The owner saw no server, or the one before a restart: every endpoint and index may be new.
    if (late)
        notifyTopology(AudioTopologyEvent::StateChanged);
}

void PulseChangeNotifier::onContextLost()
{
    m_defaults.reset();
    notifyTopology(AudioTopologyEvent::StateChanged);
}

void PulseChangeNotifier::onEvent(pa_context *context, pa_subscription_event_type_t type, uint32_t index)
{
    const unsigned facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const unsigned kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    switch (facility) {
    case PA_SUBSCRIPTION_EVENT_SINK:
    case PA_SUBSCRIPTION_EVENT_SOURCE: {
        if (kind == PA_SUBSCRIPTION_EVENT_NEW) {
            notifyTopology(AudioTopologyEvent::Added);
            return;
        }
        if (kind == PA_SUBSCRIPTION_EVENT_REMOVE) {
            notifyTopology(AudioTopologyEvent::Removed);
            return;
        }
        const bool sink = facility == PA_SUBSCRIPTION_EVENT_SINK;
        if (!isWatched(sink ? AudioDirection::Playback : AudioDirection::Recording, index))
            return;
        forget(sink ? pa_context_get_sink_info_by_index(context, index, &PulseChangeNotifier::onSinkInfo, this)
                    : pa_context_get_source_info_by_index(context, index, &PulseChangeNotifier::onSourceInfo, this));
        return;
    }
    case PA_SUBSCRIPTION_EVENT_CARD:
        // Profile switches (a card turned off or on) and jack changes arrive here.
        notifyTopology(kind == PA_SUBSCRIPTION_EVENT_NEW      ? AudioTopologyEvent::Added
                       : kind == PA_SUBSCRIPTION_EVENT_REMOVE ? AudioTopologyEvent::Removed
                                                              : AudioTopologyEvent::StateChanged);
        return;
    case PA_SUBSCRIPTION_EVENT_SERVER:
        requestServerInfo(context);
        return;
    default:
        return;
    }
}

void PulseChangeNotifier::requestServerInfo(pa_context *context)
{
    forget(pa_context_get_server_info(context, &PulseChangeNotifier::onServerInfo, this));
}

void PulseChangeNotifier::onServerInfo(pa_context *, const pa_server_info *info, void *userdata)
{
    auto *self = static_cast<PulseChangeNotifier *>(userdata);
    if (!info)
        return;
    const PulseServerRecord now = PulseServerRecord::fromServer(*info);
    const bool changed = self->m_defaults
                         && (self->m_defaults->defaultSink != now.defaultSink
                             || self->m_defaults->defaultSource != now.defaultSource);
    self->m_defaults = now;
    if (changed)
        self->notifyTopology(AudioTopologyEvent::DefaultChanged);
}

void PulseChangeNotifier::onSinkInfo(pa_context *, const pa_sink_info *info, int eol, void *userdata)
{
    if (eol == 0 && info)
        static_cast<PulseChangeNotifier *>(userdata)->deliverVolume(AudioDirection::Playback,
                                                                    PulseDeviceRecord::fromSink(*info));
}

void PulseChangeNotifier::onSourceInfo(pa_context *, const pa_source_info *info, int eol, void *userdata)
{
    if (eol == 0 && info)
        static_cast<PulseChangeNotifier *>(userdata)->deliverVolume(AudioDirection::Recording,
                                                                    PulseDeviceRecord::fromSource(*info));
}

bool PulseChangeNotifier::isWatched(AudioDirection direction, uint32_t index) const
{
    return std::any_of(m_volumeWatches.begin(), m_volumeWatches.end(), [&](const VolumeWatch &watch) {
        return watch.direction == direction && watch.index == index;
    });
}

void PulseChangeNotifier::deliverVolume(AudioDirection direction, const PulseDeviceRecord &record)
{
    const AudioVolumeNotification now{record.masterScalar(), record.muted};
    std::vector<std::shared_ptr<AudioVolumeListener>> due;
    for (VolumeWatch &watch : m_volumeWatches) {
        if (watch.direction != direction || watch.index != record.index)
            continue;
        if (watch.last && watch.last->masterScalar == now.masterScalar && watch.last->muted == now.muted)
            continue;
        watch.last = now;
        due.push_back(watch.listener);
    }
    for (const auto &listener : due)
        listener->onVolumeNotify(now);
}

void PulseChangeNotifier::notifyTopology(AudioTopologyEvent event)
{
    const auto listeners = m_topologyListeners;
    for (const auto &listener : listeners)
        listener->onTopologyChanged(event);
}

} // namespace Platform
