#pragma once

#include "protocol/ProtocolTypes.h"

#include <QByteArray>
#include <QChar>
#include <QString>

#include <functional>
#include <vector>

// Scripts of multi-frame messages as the headset would send them, cut by
// the virtual headset's own codec. All messages use one command; A to E and
// G share one sequence number too:
//   A, B  three frames, other bytes     C  three frames, the first one A's
//   D, G  two frames, other bytes       E  four frames
//   F     three frames, the next sequence number
//   N     one frame, a sequence number of its own
namespace ReassemblyScript {

inline constexpr quint16 Command = 0x50; // passed on without decoding

QByteArray payloadOf(QChar message);
std::vector<QByteArray> framesOf(QChar message, HeadsetProtocol::CommandType type);
// What a list of dispatched messages should hold: a letter is that whole
// message, "[A0B1B2]" the named fragments joined, e.g. "N[A0B1B2]F".
QList<QByteArray> expectedPayloads(const QString &dispatched);

// Walks a script of "<message><frame index>" steps, e.g. "A0 A2 B0 B1 B2",
// on two clocks: when each frame is read off the device, and when the handler
// gets to it. Before a frame of the message read last `fragmentGapMs` of read
// time pass, before one of another message `messageGapMs`; a step "+<ms>"
// lets that much pass in place of the gap (the link is quiet). The handler
// gets to each frame `processingDelayMs` after the one before, or once it is
// read if that is later; a step "~<ms>" adds that much to the wait for the
// next frame. Steps joined by commas ("A0,F0") are read and taken together.
struct Walk
{
    HeadsetProtocol::CommandType type = HeadsetProtocol::CommandType::Notify;
    qint64 fragmentGapMs = 0;
    qint64 messageGapMs = 0;
    qint64 processingDelayMs = 0;
    qint64 startMs = 0; // both clocks at the start
    // The frames of a message; empty: framesOf(message, type).
    std::function<std::vector<QByteArray>(QChar message)> frames;
    // Lets the handler's clock run on by `ms`.
    std::function<void(qint64 ms)> advance;
    std::function<void(const QByteArray &frame, qint64 readMs, QChar message)> feed;
};
void run(const QString &script, const Walk &walk);

} // namespace ReassemblyScript
