#include "platform/audioendpoint/PulseEndpointVolume.h"

#include "platform/audioendpoint/PulseBackend.h"

#include <algorithm>
#include <cmath>

namespace Platform {

PulseEndpointVolume::PulseEndpointVolume(std::shared_ptr<PulseBackend> backend, AudioDirection direction,
                                         QByteArray name, uint32_t index)
    : m_backend(std::move(backend)), m_direction(direction), m_name(std::move(name)), m_index(index)
{
}

PulseEndpointVolume::~PulseEndpointVolume() = default;

std::optional<float> PulseEndpointVolume::masterScalar()
{
    const auto record = m_backend->requests.device(m_direction, m_name);
    if (!record || !pa_cvolume_valid(&record->volume))
        return std::nullopt;
    return record->masterScalar();
}

bool PulseEndpointVolume::setMasterScalar(float level)
{
    if (!std::isfinite(level))
        return false;
    auto record = m_backend->requests.device(m_direction, m_name);
    if (!record || !pa_cvolume_valid(&record->volume))
        return false;
    const double clamped = std::clamp(double(level), 0.0, 1.0);
    const auto target = pa_volume_t(std::lround(clamped * double(PA_VOLUME_NORM)));
    pa_cvolume volume = record->volume;
    pa_cvolume_scale(&volume, target);
    return m_backend->requests.setVolume(m_direction, m_name, volume);
}

std::optional<bool> PulseEndpointVolume::isMuted()
{
    const auto record = m_backend->requests.device(m_direction, m_name);
    if (!record)
        return std::nullopt;
    return record->muted;
}

bool PulseEndpointVolume::setMuted(bool muted)
{
    return m_backend->requests.setMute(m_direction, m_name, muted);
}

bool PulseEndpointVolume::registerListener(std::shared_ptr<AudioVolumeListener> listener)
{
    if (!listener)
        return false;
    PulseClient::Lock lock(m_backend->client);
    m_backend->notifier.addVolumeListener(m_direction, m_index, std::move(listener));
    return true;
}

void PulseEndpointVolume::unregisterListener(const std::shared_ptr<AudioVolumeListener> &listener)
{
    PulseClient::Lock lock(m_backend->client);
    m_backend->notifier.removeVolumeListener(listener);
}

} // namespace Platform
