#include "tests/fuzz/ReassemblyOracle.h"

namespace {

// Frame layout: 0xFE | flags (bits 0-3 sequence) | command LE16 | type |
// index | total | length LE16 | payload | CRC-16.
constexpr qsizetype HeaderSize = 9;
constexpr qsizetype Overhead = 11;
constexpr quint8 ResponseType = 2;
constexpr std::size_t MaxHistory = 512;

quint8 byteAt(const QByteArray &frame, qsizetype at)
{
    return static_cast<quint8>(frame[at]);
}

} // namespace

quint32 ReassemblyOracle::keyOf(quint8 type, quint16 cmd, quint8 seq)
{
    return (quint32(type) << 24) | (quint32(cmd) << 8) | seq;
}

bool ReassemblyOracle::endsInWholeMessage(const History &history)
{
    if (history.empty())
        return false;
    const std::size_t total = history.back().total;
    if (total < 2 || history.size() < total)
        return false;
    const std::size_t first = history.size() - total;
    for (std::size_t i = 0; i < total; ++i) {
        const Fragment &f = history[first + i];
        if (f.total != total || f.index != i)
            return false;
    }
    return true;
}

QByteArray ReassemblyOracle::joinLast(const History &history)
{
    QByteArray joined;
    for (std::size_t i = firstOfLast(history); i < history.size(); ++i)
        joined += history[i].payload;
    return joined;
}

bool ReassemblyOracle::readBackToBack(const History &history)
{
    for (std::size_t i = firstOfLast(history) + 1; i < history.size(); ++i) {
        if (history[i].readMs - history[i - 1].readMs > boundMs)
            return false;
    }
    return true;
}

bool ReassemblyOracle::ofOneMessage(const History &history)
{
    const int message = history.back().message;
    for (std::size_t i = firstOfLast(history); i < history.size(); ++i) {
        if (history[i].message != message)
            return false;
    }
    return true;
}

QString ReassemblyOracle::frameReceived(const QByteArray &frame, qint64 readMs, int message)
{
    const QString failure = settle();
    m_open = true;
    m_fragment = false;
    m_mustDispatch = false;
    m_dispatchSeen = false;
    if (frame.size() < Overhead)
        return failure;
    const quint8 seq = byteAt(frame, 1) & 0x0F;
    const quint16 cmd = quint16(byteAt(frame, 2) | (byteAt(frame, 3) << 8));
    const quint8 type = byteAt(frame, 4);
    Fragment fragment;
    fragment.index = byteAt(frame, 5);
    fragment.total = byteAt(frame, 6);
    const qsizetype length = byteAt(frame, 7) | (byteAt(frame, 8) << 8);
    fragment.payload = frame.mid(HeaderSize, std::min(length, frame.size() - Overhead));
    fragment.readMs = readMs;
    fragment.message = message;
    m_key = keyOf(type, cmd, seq);
    // Single frames, frames of unknown type and indices past their total are no fragments.
    if (type < 1 || type > 3 || fragment.total < 2 || fragment.index >= fragment.total)
        return failure;
    m_fragment = true;

    History &history = m_history[m_key];
    Fragment *last = history.empty() ? nullptr : &history.back();
    if (last && last->index == fragment.index && last->total == fragment.total && last->payload == fragment.payload) {
        // The same bytes again take the place of the fragment before, time and all.
        last->readMs = fragment.readMs;
        last->message = fragment.message;
        return failure;
    }
    history.push_back(std::move(fragment));
    if (history.size() > MaxHistory)
        history.erase(history.begin());

    if (type != ResponseType && endsInWholeMessage(history) && ofOneMessage(history) && readBackToBack(history)) {
        m_mustDispatch = true;
        for (std::size_t i = firstOfLast(history); i < history.size(); ++i)
            m_mustDispatch = m_mustDispatch && !history[i].payload.isEmpty();
    }
    return failure;
}

QString ReassemblyOracle::dispatched(quint8 type, quint16 cmd, int seq, const QByteArray &payload,
                                     bool statusByteMayBeStripped)
{
    if (!m_open || !m_fragment)
        return {}; // a single-frame message
    const quint8 keySeq = m_key & 0xFF;
    if (keyOf(type, cmd, seq < 0 ? keySeq : quint8(seq)) != m_key)
        return QStringLiteral("a message dispatched under another key than the fragment that completed it");
    if (m_dispatchSeen)
        return QStringLiteral("two messages dispatched for one fragment");
    m_dispatchSeen = true;
    History &history = m_history[m_key];
    if (!endsInWholeMessage(history)) {
        history.clear();
        return QStringLiteral("a message dispatched that is not the fragments 0..n-1 of one message fed in turn");
    }
    const QByteArray joined = joinLast(history);
    const bool mixedFarApart = !ofOneMessage(history) && !readBackToBack(history);
    history.clear();
    if (payload != joined && !(statusByteMayBeStripped && !joined.isEmpty() && payload == joined.mid(1)))
        return QStringLiteral("a dispatched message differs from the fragments fed");
    if (mixedFarApart)
        return QStringLiteral("a dispatched message mixes messages read more than a second apart");
    return {};
}

QString ReassemblyOracle::settle()
{
    const bool lost = m_open && m_mustDispatch && !m_dispatchSeen;
    m_open = false;
    m_mustDispatch = false;
    return lost ? QStringLiteral("a whole message fed in turn was not dispatched") : QString();
}
