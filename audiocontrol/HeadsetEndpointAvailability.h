#pragma once

#include "platform/audioendpoint/IAudioEndpointSystem.h"

#include <QString>

#include <optional>

class HeadsetEndpointMatcher;

// Whether the endpoint the audio controls of one direction stand for can be
// used. With a headset named, only the headset's own endpoints count: one that
// was switched off, is gone or unplugged makes the direction disabled, while
// an unusable default endpoint of another device does not. Without a headset
// the bound and the default endpoint decide, and no default at all is disabled.
namespace HeadsetEndpointAvailability {

bool isDisabled(Platform::IAudioEndpointSystem &system, const HeadsetEndpointMatcher &matcher,
                const std::optional<QString> &boundId, Platform::AudioDirection direction);

} // namespace HeadsetEndpointAvailability
