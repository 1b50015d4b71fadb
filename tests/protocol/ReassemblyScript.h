#pragma once

#include "protocol/ProtocolTypes.h"

#include <QByteArray>
#include <QChar>
#include <QString>

#include <functional>
#include <vector>

// Scripts of multi-frame messages as the headset would send them, cut by
// the virtual headset's own codec. All messages use one command; A to E
// share one sequence number too:
//   A, B  three frames, other bytes     C  three frames, the first one A's
//   D     two frames                    E  four frames
//   F     three frames, the next sequence number
//   N     one frame, a sequence number of its own
namespace ReassemblyScript {

inline constexpr quint16 Command = 0x50; // passed on without decoding

QByteArray payloadOf(QChar message);
std::vector<QByteArray> framesOf(QChar message, HeadsetProtocol::CommandType type);

// Walks a script of "<message><frame index>" steps, e.g. "A0 A2 B0 B1 B2":
// feeds each frame, letting `fragmentGapMs` pass before a frame of the
// message fed last and `messageGapMs` before one of another message. Steps
// joined by commas ("A0,F0") are fed with no time between them. A step
// "+<ms>" lets that long pass in place of the gap before the next frame.
struct Walk
{
    HeadsetProtocol::CommandType type = HeadsetProtocol::CommandType::Notify;
    qint64 fragmentGapMs = 0;
    qint64 messageGapMs = 0;
    std::function<void(qint64 ms)> advance;
    std::function<void(const QByteArray &frame)> feed;
};
void run(const QString &script, const Walk &walk);

} // namespace ReassemblyScript
