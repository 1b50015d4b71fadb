#include "hid/HidProtocolServiceQorDelivery.h"

void HidProtocolServiceQorDelivery::beginChain(const QString &deviceId, bool refusalHitsOldest)
{
    m_chains.push_back(Chain{deviceId});
    m_handingOver = true;
    m_refusalHitsOldest = refusalHitsOldest;
    m_handOverOutcome = {};
}

HidProtocolServiceQorDelivery::Outcome HidProtocolServiceQorDelivery::reportWritten(bool delivered)
{
    if (m_chains.empty())
        return {}; // a report of a chain given up on already
    if (m_handingOver) {
        // A full queue refuses the packet being handed now, or drops its
        // oldest one. That one belongs to the oldest chain that still has
        // reports in the queue, which need not be the oldest open chain: the
        // outcomes of reports already written may still be on their way.
        Chain &chain = m_refusalHitsOldest ? m_chains.front() : m_chains.back();
        const Outcome outcome = settle(chain, delivered);
        if (m_refusalHitsOldest && !delivered) {
            // Any open chain may have lost it: none of them may pass as
            // delivered. Each is reported failed when it completes.
            for (Chain &open : m_chains)
                open.failed = true;
        }
        if (outcome.result != Result::None && &chain == &m_chains.back())
            m_handOverOutcome = outcome; // told when the hand-over ends
        else if (outcome.result != Result::None)
            return outcome;
        return {};
    }
    Outcome outcome = settle(m_chains.front(), delivered);
    const Outcome completed = popIfComplete();
    return outcome.result != Result::None ? outcome : completed;
}

HidProtocolServiceQorDelivery::Outcome HidProtocolServiceQorDelivery::endChain(int handed, bool alreadyReported)
{
    m_handingOver = false;
    Chain &chain = m_chains.back();
    chain.expected = handed;
    if (alreadyReported) {
        chain.failed = true;
        chain.reported = true;
    }
    Outcome outcome = m_handOverOutcome;
    m_handOverOutcome = {};
    // A chain all of whose writes were answered during the hand-over (or
    // that handed nothing) is complete already.
    if (chain.settled >= chain.expected) {
        const Chain done = chain;
        m_chains.pop_back();
        if (outcome.result == Result::None && !done.reported)
            outcome = {done.failed ? Result::Failed : Result::Delivered, done.deviceId};
    }
    return outcome;
}

std::deque<QString> HidProtocolServiceQorDelivery::abandonAll()
{
    std::deque<QString> unreported;
    for (const Chain &chain : m_chains) {
        if (!chain.reported)
            unreported.push_back(chain.deviceId);
    }
    m_chains.clear();
    m_handingOver = false;
    m_handOverOutcome = {};
    return unreported;
}

std::deque<QString> HidProtocolServiceQorDelivery::abandonOthers(const QString &deviceId)
{
    std::deque<QString> unreported;
    std::deque<Chain> kept;
    for (const Chain &chain : m_chains) {
        if (chain.deviceId == deviceId)
            kept.push_back(chain);
        else if (!chain.reported)
            unreported.push_back(chain.deviceId);
    }
    m_chains = std::move(kept);
    return unreported;
}

HidProtocolServiceQorDelivery::Outcome HidProtocolServiceQorDelivery::settle(Chain &chain, bool delivered)
{
    ++chain.settled;
    if (delivered || chain.failed)
        return {};
    chain.failed = true;
    if (chain.reported)
        return {};
    chain.reported = true;
    return {Result::Failed, chain.deviceId};
}

HidProtocolServiceQorDelivery::Outcome HidProtocolServiceQorDelivery::popIfComplete()
{
    if (m_chains.empty())
        return {};
    const Chain &front = m_chains.front();
    if (front.expected < 0 || front.settled < front.expected)
        return {};
    const Chain done = front;
    m_chains.pop_front();
    if (done.reported)
        return {};
    return {done.failed ? Result::Failed : Result::Delivered, done.deviceId};
}
