#include "ReassemblyScript.h"

#include "tests/support/virtualheadset/HeadsetWire.h"

#include <QStringList>

namespace Wire = VirtualDevices::HeadsetWire;

namespace ReassemblyScript {

namespace {

constexpr quint8 Seq = 5;

QByteArray pattern(int size, char first)
{
    QByteArray out(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        out[i] = char(first + i % 23);
    return out;
}

quint8 seqOf(QChar message)
{
    return message == QLatin1Char('F') ? Seq + 1 : message == QLatin1Char('N') ? Seq + 2 : Seq;
}

} // namespace

QByteArray payloadOf(QChar message)
{
    const QByteArray a = pattern(3 * 53 - 20, 'a');
    switch (message.toLatin1()) {
    case 'A':
        return a;
    case 'B':
        return pattern(3 * 53 - 7, 'B');
    case 'C':
        return a.left(53) + pattern(2 * 53 - 30, 'c');
    case 'D':
        return pattern(53 + 17, 'D');
    case 'E':
        return pattern(3 * 53 + 9, 'E');
    case 'F':
        return pattern(3 * 53 - 1, 'F');
    case 'N':
        return QByteArray("single");
    default:
        qFatal("no message %c in a reassembly script", message.toLatin1());
    }
}

std::vector<QByteArray> framesOf(QChar message, HeadsetProtocol::CommandType type)
{
    const QByteArray payload = payloadOf(message);
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(payload.constData());
    std::vector<QByteArray> out;
    for (const VirtualDevices::Bytes &frame :
         Wire::encodeMessage(Command, Wire::FrameType(type), seqOf(message), {bytes, size_t(payload.size())}))
        out.push_back(QByteArray(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size())));
    return out;
}

void run(const QString &script, const Walk &walk)
{
    QChar previous;
    bool paused = false;
    for (const QString &group : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (group.startsWith(QLatin1Char('+'))) {
            walk.advance(group.mid(1).toLongLong());
            paused = true;
            continue;
        }
        bool together = false;
        for (const QString &step : group.split(QLatin1Char(','))) {
            const QChar message = step.at(0);
            if (!previous.isNull() && !paused && !together)
                walk.advance(message == previous ? walk.fragmentGapMs : walk.messageGapMs);
            walk.feed(framesOf(message, walk.type).at(size_t(step.mid(1).toInt())));
            previous = message;
            paused = false;
            together = true;
        }
    }
}

} // namespace ReassemblyScript
