#pragma once

#include "platform/audioendpoint/InMemoryAudioEndpointSystem.h"

#include <QString>

// Endpoint records for the in-memory audio system.
namespace AudioTestEndpoints {

using Endpoint = Platform::InMemoryAudioEndpointSystem::Endpoint;

inline Endpoint playback(const QString &id, const QString &name,
                         unsigned state = Platform::AudioEndpointState::Active, float scalar = 0.5f,
                         bool muted = false)
{
    return {Platform::AudioDirection::Playback, id, name, state, scalar, muted, false};
}

inline Endpoint recording(const QString &id, const QString &name,
                          unsigned state = Platform::AudioEndpointState::Active, float scalar = 0.5f,
                          bool muted = false)
{
    return {Platform::AudioDirection::Recording, id, name, state, scalar, muted, false};
}

} // namespace AudioTestEndpoints
