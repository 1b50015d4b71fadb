#include "audiocontrol/HeadsetEndpointMatcher.h"

namespace {

const QString kBrand = QStringLiteral("VELKORA");
const QString kWiredModel = QStringLiteral("QOR");
const QString kReceiverWord = QStringLiteral("ZARVEX");

bool has(const QString &name, const QString &word)
{
    return name.contains(word, Qt::CaseInsensitive);
}

} // namespace

HeadsetEndpointMatcher::HeadsetEndpointMatcher(bool wired, bool wireless, const QString &preferredName)
    : m_wired(wired), m_wireless(wireless && !wired), m_preferredName(preferredName.trimmed())
{
}

bool HeadsetEndpointMatcher::matches(const QString &friendlyName) const
{
    if (m_wired)
        return has(friendlyName, kBrand) && has(friendlyName, kWiredModel);
    if (!m_wireless)
        return false;
    if (!m_preferredName.isEmpty() && has(friendlyName, m_preferredName))
        return true;
    // The wired decoder names the brand too; it is never the 2.4G headset.
    if (has(friendlyName, kWiredModel))
        return false;
    return has(friendlyName, kBrand) && has(friendlyName, kReceiverWord);
}

std::optional<Platform::AudioEndpointInfo>
HeadsetEndpointMatcher::pick(const std::vector<Platform::AudioEndpointInfo> &endpoints) const
{
    if (!isSearching())
        return std::nullopt;
    std::optional<Platform::AudioEndpointInfo> best;
    int bestScore = 0;
    for (const auto &endpoint : endpoints) {
        if (!matches(endpoint.name))
            continue;
        const int score = (endpoint.state & Platform::AudioEndpointState::Active) ? 2 : 1;
        if (score > bestScore) {
            best = endpoint;
            bestScore = score;
        }
    }
    return best;
}
