#include "HandlerFixture.h"

#include "protocol/FrameCodec.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace HeadsetProtocol;

HeadsetProtocol::ProtocolHandlerSettings HandlerFixture::withClock(ProtocolHandlerSettings settings, const qint64 *now)
{
    settings.clock = [now] { return *now; };
    return settings;
}

HandlerFixture::HandlerFixture(ProtocolHandlerSettings settings) : handler(withClock(std::move(settings), &nowMs))
{
    log.attach(&handler, &ProtocolHandler::logMessage);
    QObject::connect(&handler, &ProtocolHandler::frameReady, &handler,
                     [this](const QByteArray &frame) { sentFrames.append(frame); });
}

QStringList HandlerFixture::logLines() const
{
    static const QRegularExpression stamp(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} (\\[.*)$"),
                                          QRegularExpression::DotMatchesEverythingOption);
    QStringList out;
    for (const QString &line : log.lines()) {
        const QRegularExpressionMatch m = stamp.match(line);
        out << (m.hasMatch() ? m.captured(1) : line);
    }
    return out;
}

bool HandlerFixture::hasLog(const QString &taggedLine) const
{
    return logLines().contains(taggedLine);
}

int HandlerFixture::countLog(const QString &taggedLine) const
{
    return int(logLines().count(taggedLine));
}

void HandlerFixture::feed(const QByteArray &data)
{
    handler.onIncomingData(data);
}

void HandlerFixture::feed(const QByteArray &data, qint64 readMs)
{
    handler.onIncomingData(data, readMs);
}

bool HandlerFixture::drain(int timeoutMs)
{
    return drainReadAt(nowMs, timeoutMs);
}

bool HandlerFixture::drainReadAt(qint64 readMs, int timeoutMs)
{
    QSignalSpy spy(&handler, &ProtocolHandler::notifyReceived);
    feed(deviceFrame(SentinelCmd, CommandType::Notify, 0, QByteArray("end")), readMs);
    return QTest::qWaitFor(
        [&] {
            for (const QList<QVariant> &args : spy) {
                if (args.at(0).value<ushort>() == SentinelCmd)
                    return true;
            }
            return false;
        },
        timeoutMs);
}

QByteArray HandlerFixture::deviceFrame(quint16 cmd, CommandType type, quint8 seq, const QByteArray &payload,
                                       quint8 frameIndex, quint8 totalFrames)
{
    QByteArray frame = FrameCodec::buildHeader(cmd, type, seq, frameIndex, totalFrames, quint16(payload.size()), false);
    frame += payload;
    const quint16 crc = FrameCodec::crc16(frame);
    frame.append(char(crc >> 8));
    frame.append(char(crc & 0xFF));
    return frame;
}

std::vector<QByteArray> HandlerFixture::deviceMessage(quint16 cmd, CommandType type, quint8 seq, const QByteArray &payload)
{
    return FrameCodec::splitIntoFrames(cmd, type, seq, payload, false, {}, {});
}

QByteArray HandlerFixture::response(quint16 cmd, quint8 seq, const QByteArray &payload)
{
    return deviceFrame(cmd, CommandType::Response, seq, payload);
}
