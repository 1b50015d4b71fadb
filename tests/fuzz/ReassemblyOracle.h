#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QtGlobal>

#include <vector>

// Judges the receive path's reassembly from the outside, from the frames the
// handler took (its frameReceived, in processing order), the truth about each
// (which message it belongs to and when it was read, from the generator) and
// the messages it dispatched, with a frame decoder of its own:
// - a dispatched multi-frame message is exactly the fragments 0..n-1 fed one
//   after the other under its (type, command, sequence), joined in that order;
//   repeats of the fragment before do not count;
// - it is the fragments of one message, unless each was read no more than
//   `boundMs` after the one before: then nothing in the frames can tell two
//   messages apart (the first lost its tail, the next its head);
// - a device request or notification whose fragments all came that way, of
//   one message, none empty and each read no more than `boundMs` after the one
//   before, is dispatched when its last fragment is processed, however late
//   the handler got to them.
// Each call returns what is wrong, or an empty string.
class ReassemblyOracle
{
public:
    // Fragments read further apart than this belong to two messages.
    static constexpr qint64 boundMs = 1000;

    // A frame the handler took as valid; `readMs` is when the report that
    // completed it was read, `message` the message it belongs to. Ends the
    // frame before it first (see settle).
    QString frameReceived(const QByteArray &frame, qint64 readMs, int message);
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
        qint64 readMs = 0;
        int message = 0;
    };
    using History = std::vector<Fragment>;

    static quint32 keyOf(quint8 type, quint16 cmd, quint8 seq);
    // Whether the history ends in the fragments 0..n-1 of one n-frame message.
    static bool endsInWholeMessage(const History &history);
    static std::size_t firstOfLast(const History &history) { return history.size() - history.back().total; }
    static QByteArray joinLast(const History &history);
    // Whether each of the last n fragments was read within the bound of the one before.
    static bool readBackToBack(const History &history);
    static bool ofOneMessage(const History &history);

    // Fragments per key since that key's last dispatched message.
    QHash<quint32, History> m_history;
    bool m_open = false;       // a frame is being processed
    bool m_fragment = false;   // ...and it is a fragment of a multi-frame message
    bool m_mustDispatch = false;
    bool m_dispatchSeen = false;
    quint32 m_key = 0;
};
