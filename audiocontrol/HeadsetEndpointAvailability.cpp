#include "audiocontrol/HeadsetEndpointAvailability.h"

#include "audiocontrol/HeadsetEndpointMatcher.h"

namespace HeadsetEndpointAvailability {

namespace State = Platform::AudioEndpointState;

namespace {

// True when the state does not allow playing or recording now.
bool isUnusable(unsigned state)
{
    return (state & (State::Disabled | State::NotPresent | State::Unplugged)) || !(state & State::Active);
}

bool isDisabledWithoutHeadset(Platform::IAudioEndpointSystem &system, const std::optional<QString> &boundId,
                              Platform::AudioDirection direction)
{
    if (boundId) {
        const auto bound = system.endpoint(direction, *boundId);
        if (bound && isUnusable(bound->state))
            return true;
    }
    // Without a usable default there is nothing the controls could act on.
    const auto defaultId = system.defaultEndpointId(direction);
    if (!defaultId)
        return true;
    const auto fallback = system.endpoint(direction, *defaultId);
    return fallback && isUnusable(fallback->state);
}

} // namespace

bool isDisabled(Platform::IAudioEndpointSystem &system, const HeadsetEndpointMatcher &matcher,
                const std::optional<QString> &boundId, Platform::AudioDirection direction)
{
    if (!matcher.isSearching())
        return isDisabledWithoutHeadset(system, boundId, direction);

    // The headset's endpoint was switched off and nothing of it is active.
    if (const auto endpoints = system.endpoints(direction)) {
        bool matched = false;
        bool anyDisabled = false;
        bool anyActive = false;
        for (const auto &endpoint : *endpoints) {
            if (!matcher.matches(endpoint.name))
                continue;
            matched = true;
            anyDisabled = anyDisabled || (endpoint.state & State::Disabled);
            anyActive = anyActive || (endpoint.state & State::Active);
        }
        if (matched && anyDisabled && !anyActive)
            return true;
    }
    if (boundId) {
        const auto bound = system.endpoint(direction, *boundId);
        if (bound && matcher.matches(bound->name) && isUnusable(bound->state))
            return true;
    }
    // A default endpoint that is not the headset's says nothing about the headset.
    const auto defaultId = system.defaultEndpointId(direction);
    if (!defaultId)
        return false;
    const auto fallback = system.endpoint(direction, *defaultId);
    return fallback && matcher.matches(fallback->name) && isUnusable(fallback->state);
}

} // namespace HeadsetEndpointAvailability
