#pragma once

#include "platform/audioendpoint/AudioEndpointTypes.h"

#include <QString>

#include <optional>
#include <vector>

// Tells the connected headset's audio endpoints apart by their friendly names.
// The USB decoder of the Qor model names itself with the brand and "QOR"; a
// 2.4G headset either carries the name the headset reported or the brand and
// the receiver's product word.
class HeadsetEndpointMatcher
{
public:
    HeadsetEndpointMatcher() = default;
    // `wired` wins over `wireless`; `preferredName` is trimmed.
    HeadsetEndpointMatcher(bool wired, bool wireless, const QString &preferredName);

    bool isWired() const { return m_wired; }
    bool isWireless() const { return m_wireless; }
    // Without a mode there is no headset to look for.
    bool isSearching() const { return m_wired || m_wireless; }

    bool matches(const QString &friendlyName) const;
    bool operator==(const HeadsetEndpointMatcher &other) const = default;

    // The first active match, else the first match in another state, else
    // nothing; nothing at all while not searching.
    std::optional<Platform::AudioEndpointInfo> pick(const std::vector<Platform::AudioEndpointInfo> &endpoints) const;

private:
    bool m_wired = false;
    bool m_wireless = false;
    QString m_preferredName;
};
