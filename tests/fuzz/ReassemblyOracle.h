#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QtGlobal>

#include <vector>

// Judges the receive path's reassembly from the outside, from the frames the
// handler took (its frameReceived, in processing order) and the messages it
// dispatched, with a frame decoder of its own:
// - a dispatched multi-frame message is exactly the fragments 0..n-1 of one
//   message, fed one after the other under its (type, command, sequence),
//   joined in that order; repeats of the fragment before do not count;
// - a device request or notification whose fragments all came that way, none
//   empty and none more than `sweepSafeGapMs` after the one before (no sweep
//   may drop it then), is dispatched when its last fragment is processed.
// Each call returns what is wrong, or an empty string.
class ReassemblyOracle
{
public:
    // The partial-message sweep drops nothing idle for this long or less.
    static constexpr qint64 sweepSafeGapMs = 5000;

    // A frame the handler took as valid, at the handler's clock. Ends the
    // frame before it first (see settle).
    QString frameReceived(const QByteArray &frame, qint64 nowMs);
    // A message the handler dispatched while processing the last frame; `seq`
    // -1 where the signal does not carry it. A response's data may lack the
    // status byte that led its payload.
    QString dispatched(quint8 type, quint16 cmd, int seq, const QByteArray &payload,
                       bool statusByteMayBeStripped = false);
    // Ends the last frame: a whole message it completed must have been dispatched.
    QString settle();

private:
    struct Fragment
    {
        quint8 index = 0;
        quint8 total = 0;
        QByteArray payload;
        qint64 atMs = 0;
    };
    using History = std::vector<Fragment>;

    static quint32 keyOf(quint8 type, quint16 cmd, quint8 seq);
    // Whether the history ends in the fragments 0..n-1 of one n-frame message.
    static bool endsInWholeMessage(const History &history);
    static QByteArray joinLast(const History &history);

    // Fragments per key since that key's last dispatched message.
    QHash<quint32, History> m_history;
    bool m_open = false;       // a frame is being processed
    bool m_fragment = false;   // ...and it is a fragment of a multi-frame message
    bool m_mustDispatch = false;
    bool m_dispatchSeen = false;
    quint32 m_key = 0;
};
