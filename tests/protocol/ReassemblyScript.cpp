#include "ReassemblyScript.h"

#include "tests/support/virtualheadset/HeadsetWire.h"

#include <QStringList>

#include <algorithm>

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

QByteArray fragmentOf(QChar message, int index)
{
    const QByteArray frame = framesOf(message, HeadsetProtocol::CommandType::Notify).at(size_t(index));
    const auto decoded =
        Wire::decodeFrame({reinterpret_cast<const std::uint8_t *>(frame.constData()), std::size_t(frame.size())});
    const Wire::Frame &f = *decoded.frame;
    return QByteArray(reinterpret_cast<const char *>(f.payload.data()), qsizetype(f.payload.size()));
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
    case 'G':
        return pattern(53 + 30, 'G');
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

QList<QByteArray> expectedPayloads(const QString &dispatched)
{
    QList<QByteArray> out;
    for (qsizetype i = 0; i < dispatched.size(); ++i) {
        if (dispatched.at(i) != QLatin1Char('[')) {
            out << payloadOf(dispatched.at(i));
            continue;
        }
        QByteArray joined;
        for (++i; dispatched.at(i) != QLatin1Char(']'); i += 2)
            joined += fragmentOf(dispatched.at(i), dispatched.at(i + 1).digitValue());
        out << joined;
    }
    return out;
}

void run(const QString &script, const Walk &walk)
{
    qint64 readMs = walk.startMs;
    qint64 processMs = walk.startMs;
    QChar previous;
    qint64 quietMs = -1; // a "+" step: the read gap before the next frame
    qint64 pauseMs = 0;  // "~" steps: added to the handler's wait for the next frame
    for (const QString &group : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (group.startsWith(QLatin1Char('+'))) {
            quietMs = group.mid(1).toLongLong();
            continue;
        }
        if (group.startsWith(QLatin1Char('~'))) {
            pauseMs += group.mid(1).toLongLong();
            continue;
        }
        const QChar first = group.at(0);
        if (!previous.isNull())
            readMs += quietMs >= 0 ? quietMs : first == previous ? walk.fragmentGapMs : walk.messageGapMs;
        if (!previous.isNull() || pauseMs > 0) {
            const qint64 due = std::max(processMs + walk.processingDelayMs + pauseMs, readMs);
            walk.advance(due - processMs);
            processMs = due;
        }
        quietMs = -1;
        pauseMs = 0;
        for (const QString &step : group.split(QLatin1Char(','))) {
            const QChar message = step.at(0);
            const std::vector<QByteArray> frames = walk.frames ? walk.frames(message) : framesOf(message, walk.type);
            walk.feed(frames.at(size_t(step.mid(1).toInt())), readMs, message);
            previous = message;
        }
    }
}

} // namespace ReassemblyScript
