#pragma once

#include "protocol/ProtocolHandler.h"
#include "tests/support/testlog/LogCapture.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <vector>

// A ProtocolHandler on the test's own thread with a hand-driven clock, its
// outgoing frames and its log lines recorded.
class HandlerFixture
{
public:
    static constexpr quint16 SentinelCmd = 0x7E;

    explicit HandlerFixture(HeadsetProtocol::ProtocolHandlerSettings settings = {});

    qint64 nowMs = 1'000'000;
    HeadsetProtocol::ProtocolHandler handler;
    LogCapture log;
    QList<QByteArray> sentFrames;

    // Log lines as "[TAG] message"; a line whose time stamp is malformed stays whole.
    QStringList logLines() const;
    bool hasLog(const QString &taggedLine) const;
    int countLog(const QString &taggedLine) const;

    void feed(const QByteArray &data);
    void feed(const QByteArray &data, qint64 readMs);
    // Feeds a notify frame of an unused command and waits until it is dispatched;
    // frames are handled in arrival order, so everything fed before is done too.
    bool drain(int timeoutMs = 5000);
    // The same with a sentinel read at `readMs`: frames up to it have been read.
    bool drainReadAt(qint64 readMs, int timeoutMs = 5000);

    // One frame the device could send (a single-frame message unless index/total say otherwise).
    static QByteArray deviceFrame(quint16 cmd, HeadsetProtocol::CommandType type, quint8 seq, const QByteArray &payload,
                                  quint8 frameIndex = 0, quint8 totalFrames = 1);
    static std::vector<QByteArray> deviceMessage(quint16 cmd, HeadsetProtocol::CommandType type, quint8 seq,
                                                 const QByteArray &payload);
    static QByteArray response(quint16 cmd, quint8 seq, const QByteArray &payload);

private:
    static HeadsetProtocol::ProtocolHandlerSettings withClock(HeadsetProtocol::ProtocolHandlerSettings settings,
                                                              const qint64 *now);
};
