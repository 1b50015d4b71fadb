#include "HandlerFixture.h"

#include "protocol/FrameCodec.h"
#include "protocol/TlvParser.h"

#include <QSignalSpy>
#include <QTest>

using namespace HeadsetProtocol;

namespace {

constexpr quint16 TestNotify = 0x50; // a notify the handler passes on without decoding

QByteArray notifyFrame(const QByteArray &payload, quint8 seq = 0)
{
    return HandlerFixture::deviceFrame(TestNotify, CommandType::Notify, seq, payload);
}

QByteArray tlv(quint8 type, const QByteArray &value)
{
    QByteArray out;
    appendTlv(out, type, value);
    return out;
}

// Payloads of the notifications that reached notifyReceived, the drain sentinel left out.
QList<QByteArray> testNotifies(const QSignalSpy &spy)
{
    QList<QByteArray> out;
    for (const QList<QVariant> &args : spy) {
        if (args.at(0).value<ushort>() == TestNotify)
            out << args.at(1).toByteArray();
    }
    return out;
}

QStringList strings(const QSignalSpy &spy, int column = 0)
{
    QStringList out;
    for (const QList<QVariant> &args : spy)
        out << args.at(column).toString();
    return out;
}

} // namespace

class TestProtocolHandlerReceive : public QObject
{
    Q_OBJECT

private slots:
    void resynchronisation_data()
    {
        QTest::addColumn<QList<QByteArray>>("reports");
        QTest::addColumn<QList<QByteArray>>("dispatched");
        QTest::addColumn<QString>("logLine");

        const QByteArray a = notifyFrame("A"), b = notifyFrame("BB"), full = notifyFrame(QByteArray(53, 'F'));
        QTest::newRow("garbage before the sync byte") << QList<QByteArray>{QByteArray::fromHex("010203") + a}
                                                      << QList<QByteArray>{"A"} << QString();
        QTest::newRow("data without a sync byte") << QList<QByteArray>{QByteArray(20, '\x01'), a} << QList<QByteArray>{"A"}
                                                  << QString();
        QTest::newRow("two frames in one report") << QList<QByteArray>{a + b} << QList<QByteArray>{"A", "BB"} << QString();
        QTest::newRow("frame with zero padding") << QList<QByteArray>{a + QByteArray(53, '\0'), b}
                                                 << QList<QByteArray>{"A", "BB"} << QString();
        QTest::newRow("short padding waits for the next frame") << QList<QByteArray>{a + QByteArray(5, '\0'), b}
                                                               << QList<QByteArray>{"A", "BB"} << QString();
        QTest::newRow("frame across two reports") << QList<QByteArray>{full.left(30), full.mid(30)}
                                                  << QList<QByteArray>{QByteArray(53, 'F')} << QString();
        QTest::newRow("length 54 loses only its sync byte")
            << QList<QByteArray>{QByteArray::fromHex("FE0050000300013600") + a} << QList<QByteArray>{"A"}
            << "[WARN] Invalid frame length 54, skipping sync byte";
        // Claims 5 payload bytes but carries 2: the cut swallows the head of the next frame.
        QTest::newRow("length past the frame")
            << QList<QByteArray>{QByteArray::fromHex("FE005000030001050001 02AAAA") + a} << QList<QByteArray>{}
            << "[ERROR] CRC verification failed";
    }

    void resynchronisation()
    {
        QFETCH(QList<QByteArray>, reports);
        QFETCH(QList<QByteArray>, dispatched);
        QFETCH(QString, logLine);
        HandlerFixture f;
        QSignalSpy notifies(&f.handler, &ProtocolHandler::notifyReceived);
        for (const QByteArray &report : reports)
            f.feed(report);
        QVERIFY(f.drain());
        QCOMPARE(testNotifies(notifies), dispatched);
        if (!logLine.isEmpty())
            QVERIFY2(f.hasLog(logLine), qPrintable(f.logLines().join('\n')));
    }

    void reportIdStripping()
    {
        // A frame split over two reports that each carry the report-id byte 0x00.
        const QByteArray frame = notifyFrame(QByteArray(40, 'R'));
        const QList<QByteArray> reports{'\0' + frame.left(25), '\0' + frame.mid(25)};
        for (const bool strip : {true, false}) {
            HandlerFixture f;
            f.handler.setStripReportId(strip);
            QSignalSpy notifies(&f.handler, &ProtocolHandler::notifyReceived);
            QSignalSpy errors(&f.handler, &ProtocolHandler::errorOccurred);
            for (const QByteArray &report : reports)
                f.feed(report);
            f.feed(QByteArray(1, '\0')); // a bare report id
            QVERIFY(f.drain());
            QCOMPARE(testNotifies(notifies).size(), strip ? 1 : 0);
            QCOMPARE(strings(errors).contains("CRC verification failed"), !strip);
            QVERIFY(!strings(errors).contains("Received empty data"));
        }
    }

    void badFrames_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QStringList>("errors");
        QTest::addColumn<bool>("received"); // frameReceived emitted
        QByteArray corrupt = notifyFrame("CRC");
        corrupt[10] = char(corrupt[10] ^ 0x40);
        QByteArray encrypted = notifyFrame("E");
        encrypted[1] = char(0x80);
        const quint16 crc = FrameCodec::crc16(encrypted.left(encrypted.size() - 2));
        encrypted[encrypted.size() - 2] = char(crc >> 8);
        encrypted[encrypted.size() - 1] = char(crc & 0xFF);
        QTest::newRow("crc corrupted") << corrupt << QStringList{"CRC verification failed"} << false;
        QTest::newRow("encrypted bit") << encrypted << QStringList{"Invalid frame, discarding"} << false;
        QTest::newRow("type 4") << HandlerFixture::deviceFrame(0x10, CommandType(4), 0, "x")
                                << QStringList{"Invalid command type: 4"} << true;
        QTest::newRow("empty data") << QByteArray() << QStringList{"Received empty data"} << false;
    }

    void badFrames()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QStringList, errors);
        QFETCH(bool, received);
        HandlerFixture f;
        QSignalSpy errorSpy(&f.handler, &ProtocolHandler::errorOccurred);
        QSignalSpy crcSpy(&f.handler, &ProtocolHandler::crcError);
        QSignalSpy receivedSpy(&f.handler, &ProtocolHandler::frameReceived);
        f.feed(frame);
        QVERIFY(f.drain());
        QCOMPARE(strings(errorSpy), errors);
        QCOMPARE(crcSpy.size(), errors.first().startsWith("CRC") ? 1 : 0);
        if (!crcSpy.isEmpty())
            QCOMPARE(crcSpy.at(0).at(0).toByteArray(), frame);
        QCOMPARE(receivedSpy.size(), received ? 2 : 1); // the sentinel is received too
        QVERIFY(f.hasLog("[ERROR] " + errors.first()));
    }

    void statusBytes_data()
    {
        QTest::addColumn<quint16>("cmd");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("failure"); // empty: no commandFailed
        QTest::addColumn<QString>("logLine");

        QTest::newRow("0x23 success") << quint16(0x23) << QByteArray::fromHex("00") << 0 << QByteArray() << QString()
                                      << "[INFO] Command 0x23 executed successfully";
        QTest::newRow("0x23 error code") << quint16(0x23) << QByteArray::fromHex("012A") << 1 << QByteArray::fromHex("2A")
                                         << "Command 0x23 failed with error code: 0x2a"
                                         << "[WARN] Response with status. Cmd: 0x23, Status: Failure";
        QTest::newRow("0x23 bad status") << quint16(0x23) << QByteArray::fromHex("05") << 1 << QByteArray::fromHex("05")
                                         << "Command 0x23 failed with error code: 0x5"
                                         << "[ERROR] Invalid status code in response for cmd 0x23: 0x5";
        QTest::newRow("0x23 failure, no data") << quint16(0x23) << QByteArray::fromHex("01") << 1 << QByteArray()
                                               << "Command 0x23 failed" << "[ERROR] Command 0x23 failed";
        QTest::newRow("0x23 empty payload") << quint16(0x23) << QByteArray() << 0 << QByteArray() << QString()
                                            << "[INFO] Command 0x23 executed successfully";
        QTest::newRow("0x22 reason text") << quint16(0x22) << QByteArray("\x01name busy") << 1 << QByteArray("name busy")
                                          << "Command 0x22 failed: name busy" << QString();
        QTest::newRow("0x22 long data") << quint16(0x22) << QByteArray(1, '\x01') + QByteArray(120, 'x') << 1
                                        << QByteArray(120, 'x') << "Command 0x22 failed (payload: 120 bytes)" << QString();
        QTest::newRow("0x25 success") << quint16(0x25) << QByteArray::fromHex("00") << 0 << QByteArray() << QString()
                                      << "[INFO] Surround sound command executed successfully";
        QTest::newRow("0x10 keeps a leading zero") << quint16(0x10) << QByteArray::fromHex("000105") << 0
                                                   << QByteArray::fromHex("000105") << QString() << QString();
    }

    void statusBytes()
    {
        QFETCH(quint16, cmd);
        QFETCH(QByteArray, payload);
        QFETCH(int, status);
        QFETCH(QByteArray, data);
        QFETCH(QString, failure);
        QFETCH(QString, logLine);
        HandlerFixture f;
        QSignalSpy responses(&f.handler, &ProtocolHandler::responseReceived);
        QSignalSpy failed(&f.handler, &ProtocolHandler::commandFailed);
        QSignalSpy infos(&f.handler, &ProtocolHandler::deviceInfoReceived);
        const int seq = f.handler.sendRequest(cmd, CommandType::Request, QByteArray(1, '\x01'));
        QCOMPARE(seq, 0);
        for (const QByteArray &frame : HandlerFixture::deviceMessage(cmd, CommandType::Response, quint8(seq), payload))
            f.feed(frame);
        QVERIFY(responses.wait(5000));
        QCOMPARE(responses.size(), 1);
        QCOMPARE(responses.at(0).at(2).value<ResponseStatus>(), ResponseStatus(status));
        QCOMPARE(responses.at(0).at(3).toByteArray(), data);
        QCOMPARE(strings(failed, 1), failure.isEmpty() ? QStringList() : QStringList{failure});
        if (!logLine.isEmpty())
            QVERIFY2(f.hasLog(logLine), qPrintable(f.logLines().join('\n')));
        if (cmd == 0x10)
            QCOMPARE(infos.size(), 1); // the whole payload went to the TLV parser
        QVERIFY(f.hasLog(QStringLiteral("[INFO] Response received. Cmd: 0x%1, Seq: 0, Status: %2, Elapsed: 0ms, Info: "
                                        "Cmd:0x%1, Payload:1 bytes")
                             .arg(cmd, 0, 16)
                             .arg(status == 0 ? "Success" : "Failure")));
    }

    void unmatchedResponses()
    {
        HandlerFixture f;
        QSignalSpy responses(&f.handler, &ProtocolHandler::responseReceived);
        QSignalSpy errors(&f.handler, &ProtocolHandler::errorOccurred);
        QByteArray long40(40, '\0');
        for (int i = 0; i < 40; ++i)
            long40[i] = char(i + 0xA0);
        f.feed(HandlerFixture::response(0x20, 9, long40));
        f.feed(HandlerFixture::response(0x21, 3, {}));
        f.feed(HandlerFixture::response(0x27, 1, {}));
        QVERIFY(f.drain());
        QVERIFY(responses.isEmpty());
        QVERIFY(errors.isEmpty());
        QVERIFY(f.hasLog("[WARN] Received response for unknown request. Cmd: 0x20, Seq: 9, PayloadLen:40, PayloadPreview:" +
                         QString::fromLatin1(long40.left(32).toHex(' ').toUpper())));
        QVERIFY(f.hasLog("[WARN] Received response for unknown request. Cmd: 0x21, Seq: 3, PayloadLen:0, PayloadPreview:-"));
        QVERIFY(f.hasLog("[WARN] Heartbeat 0x27: device sent Response (ignored, host does not await ack)"));
    }

    void basicInfoReply()
    {
        HandlerFixture f;
        QList<QString> order;
        connect(&f.handler, &ProtocolHandler::deviceInfoReceived, this, [&] { order << "device"; });
        connect(&f.handler, &ProtocolHandler::firmwareInfoReceived, this, [&] { order << "firmware"; });
        connect(&f.handler, &ProtocolHandler::deviceIdInfoReceived, this, [&] { order << "ids"; });
        connect(&f.handler, &ProtocolHandler::surroundSoundConfigReceived, this, [&] { order << "surround"; });
        connect(&f.handler, &ProtocolHandler::notifyDongleHeadsetLinkReceived, this, [&] { order << "link"; });
        QSignalSpy infos(&f.handler, &ProtocolHandler::deviceInfoReceived);

        const QByteArray payload = tlv(0x01, QByteArray::fromHex("5A")) + tlv(0x02, "Nova") +
                                   tlv(0x05, tlv(0x01, "1.0.4")) + tlv(0x08, tlv(0x01, QByteArray(1, 2))) +
                                   tlv(0x09, QByteArray(1, 0)) +
                                   tlv(0xFF, tlv(0x01, QByteArray::fromHex("0823")) + tlv(0x02, QByteArray::fromHex("0300")));
        f.handler.sendGetBasicInfo(0xFF);
        f.feed(HandlerFixture::response(0x10, 0, payload));
        QVERIFY(infos.wait(5000));
        QCOMPARE(order, (QList<QString>{"device", "firmware", "ids", "surround"}));
        const DeviceInfo info = infos.at(0).at(0).value<DeviceInfo>();
        QCOMPARE(info.name, QStringLiteral("Nova"));
        QCOMPARE(info.battery.left, quint8(0x5A));
        QCOMPARE(info.firmware->headsetVersion, QStringLiteral("1.0.4"));
        QCOMPARE(info.deviceIdInfo->cid, quint16(0x2308));
        QCOMPARE(*info.dongleHeadsetLink, quint8(0));
        QVERIFY(f.hasLog("[INFO] Dongle/headset link connected (GetBasicInfo(TLV0x09))"));
    }

    void badBasicInfoReplies_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("logLine");
        QTest::addColumn<bool>("emitted");
        QTest::newRow("broken TLV") << QByteArray::fromHex("0105AA") << "[ERROR] Failed to parse device info TLV" << false;
        QTest::newRow("battery above 100%") << tlv(0x01, QByteArray::fromHex("65"))
                                            << "[WARN] Received incomplete or invalid device info" << true;
    }

    void badBasicInfoReplies()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QString, logLine);
        QFETCH(bool, emitted);
        HandlerFixture f;
        QSignalSpy infos(&f.handler, &ProtocolHandler::deviceInfoReceived);
        QSignalSpy responses(&f.handler, &ProtocolHandler::responseReceived);
        f.handler.sendGetBasicInfo(0x01);
        f.feed(HandlerFixture::response(0x10, 0, payload));
        QVERIFY(responses.wait(5000));
        QCOMPARE(infos.size(), emitted ? 1 : 0);
        QVERIFY(f.hasLog(logLine));
    }

    void eqReply()
    {
        HandlerFixture f;
        QSignalSpy eqs(&f.handler, &ProtocolHandler::eqDataReceived);
        EQData eq;
        eq.index = 101;
        eq.bandCount = 6;
        eq.frequencies = {32, 64, 125, 250, 500, 1000};
        const QByteArray body = serializeEQData(eq);
        f.handler.sendEqSettings(eq);
        f.feed(HandlerFixture::response(0x20, 0, body));
        QVERIFY(eqs.wait(5000));
        QVERIFY(eqs.at(0).at(0).value<EQData>() == eq);
    }

    void reassembly_data()
    {
        QTest::addColumn<QList<int>>("order");
        QTest::addColumn<bool>("dispatched");
        QTest::newRow("in order") << QList<int>{0, 1, 2} << true;
        QTest::newRow("with a duplicate") << QList<int>{0, 1, 1, 2} << true;
        // The link keeps the device's order: an index below the last one is a new message.
        QTest::newRow("2, 0, 1") << QList<int>{2, 0, 1} << false;
    }

    void reassembly()
    {
        QFETCH(QList<int>, order);
        QFETCH(bool, dispatched);
        HandlerFixture f;
        QSignalSpy notifies(&f.handler, &ProtocolHandler::notifyReceived);
        QByteArray payload(130, Qt::Uninitialized);
        for (int i = 0; i < payload.size(); ++i)
            payload[i] = char(i);
        const auto frames = HandlerFixture::deviceMessage(TestNotify, CommandType::Notify, 4, payload);
        QCOMPARE(int(frames.size()), 3);
        for (int index : order)
            f.feed(frames[size_t(index)]);
        QVERIFY(f.drain());
        QVERIFY(f.hasLog("[INFO] Started reassembly buffer. Cmd: 0x50, Seq: 4, Total frames: 3"));
        QCOMPARE(f.countLog("[WARN] Duplicate frame received. Seq: 1"), order.count(1) - 1);
        if (!dispatched) {
            QVERIFY(testNotifies(notifies).isEmpty());
            QVERIFY(f.hasLog("[WARN] Stale partial message dropped, a new one began. Cmd: 0x50, Seq: 4, Frames: 1/3, "
                             "last: 3, new: 1/3"));
            return;
        }
        QCOMPARE(testNotifies(notifies), QList<QByteArray>{payload});
        QVERIFY(f.hasLog("[INFO] All frames received for command 0x50. Total size: 130 bytes"));
    }

    void messagesOfOtherTypeOrSequenceDoNotMix()
    {
        HandlerFixture f;
        QSignalSpy notifies(&f.handler, &ProtocolHandler::notifyReceived);
        QSignalSpy requests(&f.handler, &ProtocolHandler::requestReceived);
        const QByteArray p1(60, 'a'), p2(60, 'b');
        const auto notify = HandlerFixture::deviceMessage(TestNotify, CommandType::Notify, 1, p1);
        const auto request = HandlerFixture::deviceMessage(TestNotify, CommandType::Request, 1, p2);
        f.feed(notify[0]);
        f.feed(request[0]);
        f.feed(notify[1]);
        f.feed(request[1]);
        QVERIFY(f.drain());
        QCOMPARE(testNotifies(notifies), QList<QByteArray>{p1});
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.at(0).at(2).toByteArray(), p2);
    }

    // A reply that lost a frame stays partial until the sweep drops it. When the
    // sequence number comes round to the same command again, the new reply must
    // not be completed with the old reply's frames.
    void newRequestDropsTheStalePartialReply()
    {
        HandlerFixture f;
        QSignalSpy responses(&f.handler, &ProtocolHandler::responseReceived);
        QCOMPARE(f.handler.sendGetBasicInfo(0xFF), 0);
        const auto old = HandlerFixture::deviceMessage(0x10, CommandType::Response, 0, QByteArray(120, 'o'));
        f.feed(old[0]);
        f.feed(old[2]);
        QVERIFY(f.drain());
        f.nowMs += 3001;
        f.handler.cleanupTimeouts(); // the request is given up; two of three frames stay buffered

        for (int seq = 1; seq < 16; ++seq)
            QCOMPARE(f.handler.sendRequest(0x27, CommandType::Request, {}), seq);
        QCOMPARE(f.handler.sendGetBasicInfo(0xFF), 0);
        const QByteArray fresh(120, 'n');
        for (const QByteArray &frame : HandlerFixture::deviceMessage(0x10, CommandType::Response, 0, fresh))
            f.feed(frame);
        QVERIFY(f.drain());
        QCOMPARE(responses.size(), 1);
        QCOMPARE(responses.at(0).at(3).toByteArray(), fresh);
    }

    void frameIndexBeyondTotal()
    {
        HandlerFixture f;
        QSignalSpy errors(&f.handler, &ProtocolHandler::errorOccurred);
        f.feed(HandlerFixture::deviceFrame(TestNotify, CommandType::Notify, 2, "x", 3, 3));
        QVERIFY(f.drain());
        QCOMPARE(strings(errors), QStringList{"Invalid frame sequence number: 3 (max: 2)"});
    }

    // Partial messages age in read time: one goes once a frame read more than
    // the limit after its last fragment has been processed, whatever the
    // handler's own clock says (a quiet link, or frames still on their way).
    void sweepDropsStalePartialMessages()
    {
        HandlerFixture f;
        QSignalSpy errors(&f.handler, &ProtocolHandler::errorOccurred);
        QSignalSpy notifies(&f.handler, &ProtocolHandler::notifyReceived);
        const auto few = HandlerFixture::deviceMessage(TestNotify, CommandType::Notify, 1, QByteArray(150, 'f'));
        const auto most = HandlerFixture::deviceMessage(TestNotify, CommandType::Notify, 2, QByteArray(150, 'm'));
        const qint64 start = f.nowMs;
        f.feed(few[0]);
        f.feed(most[0]);
        f.feed(most[1]);
        QVERIFY(f.drain());

        f.nowMs = start + 60000;
        f.handler.cleanupTimeouts();
        QVERIFY(errors.isEmpty());

        QVERIFY(f.drainReadAt(start + 5000));
        f.handler.cleanupTimeouts();
        QVERIFY(errors.isEmpty());
        QVERIFY(f.drainReadAt(start + 5001)); // one of three frames: half the limit is enough
        f.handler.cleanupTimeouts();
        QCOMPARE(strings(errors), QStringList{"Frame reassembly timeout or incomplete"});
        QVERIFY(f.hasLog("[WARN] Frame reassembly timeout/incomplete. Cmd: 0x50, Seq: 1, Frames: 1/3"));
        QVERIFY(f.hasLog("[WARN] Cleanup completed. Removed timed out requests/buffers"));

        QVERIFY(f.drainReadAt(start + 10000)); // two of three: the full limit
        f.handler.cleanupTimeouts();
        QCOMPARE(errors.size(), 1);
        QVERIFY(f.drainReadAt(start + 10001));
        f.handler.cleanupTimeouts();
        QCOMPARE(errors.size(), 2);
        QVERIFY(f.hasLog("[WARN] Frame reassembly timeout/incomplete. Cmd: 0x50, Seq: 2, Frames: 2/3"));

        // The last fragment, late, starts a new message instead of completing the dropped one.
        f.feed(most[2]);
        QVERIFY(f.drain());
        QVERIFY(testNotifies(notifies).isEmpty());
    }

    void timeoutReportedOnce()
    {
        HandlerFixture f;
        QSignalSpy timeouts(&f.handler, &ProtocolHandler::timeoutError);
        QSignalSpy dequeued(&f.handler, &ProtocolHandler::requestDequeued);
        for (int i = 0; i < 6; ++i)
            f.handler.sendSetToneVolume(5);
        f.nowMs += 3000;
        f.handler.cleanupTimeouts();
        QVERIFY(timeouts.isEmpty());
        f.nowMs += 1;
        f.handler.cleanupTimeouts();
        QCOMPARE(timeouts.size(), 5);
        QCOMPARE(timeouts.at(0).at(2).toString(), QStringLiteral("Cmd:0x23, Payload:1 bytes"));
        QCOMPARE(dequeued.size(), 1); // the freed slots serve the queue
        f.nowMs += 1000;
        f.handler.cleanupTimeouts();
        QCOMPARE(timeouts.size(), 5);
        f.nowMs += 3000;
        f.handler.cleanupTimeouts();
        QCOMPARE(timeouts.size(), 6); // the one sent from the queue
    }

    // A sweep that gives up on several requests frees several slots, and a
    // heartbeat taken from the queue occupies none: what waits behind must go
    // out now, not expire later with the link idle.
    void freedSlotsServeTheWholeQueue()
    {
        HandlerFixture f;
        QSignalSpy dequeued(&f.handler, &ProtocolHandler::requestDequeued);
        QSignalSpy failed(&f.handler, &ProtocolHandler::commandFailed);
        for (int i = 0; i < 5; ++i)
            f.handler.sendFactoryReset();
        QCOMPARE(f.handler.sendRequest(0x27, CommandType::Request, {}), 254);
        QCOMPARE(f.handler.sendSetToneVolume(2), 254);
        QCOMPARE(f.handler.sendReceiverUnbind(), 254);

        f.nowMs += 3001;
        f.handler.cleanupTimeouts();
        QList<ushort> commands;
        for (const QList<QVariant> &args : dequeued)
            commands << args.at(0).value<ushort>();
        QCOMPARE(commands, (QList<ushort>{0x27, 0x23, 0x26}));

        f.nowMs += 2001;
        f.handler.cleanupTimeouts();
        QVERIFY(strings(failed, 1).filter("not sent").isEmpty());
    }

    void queuedRequestExpires()
    {
        HandlerFixture f;
        QSignalSpy failed(&f.handler, &ProtocolHandler::commandFailed);
        for (int i = 0; i < 5; ++i)
            f.handler.sendFactoryReset();
        f.nowMs += 10;
        QCOMPARE(f.handler.sendSetToneVolume(2), 254);
        // The queue is swept before it is served: the old request expires instead of going out.
        f.nowMs += 5001;
        f.handler.cleanupTimeouts();
        const QString text = QStringLiteral("Queued request timed out after 5000ms (not sent). Cmd:0x23");
        QVERIFY(strings(failed, 1).contains(text));
    }

    void retriesResendWithTheSameSequence()
    {
        ProtocolHandlerSettings settings;
        settings.maxRetries = 1;
        HandlerFixture f(settings);
        QSignalSpy timeouts(&f.handler, &ProtocolHandler::timeoutError);
        f.handler.sendSetToneVolume(6);
        f.nowMs += 3001;
        f.handler.cleanupTimeouts();
        QCOMPARE(f.sentFrames.size(), 2);
        QCOMPARE(f.sentFrames[1], f.sentFrames[0]);
        QCOMPARE(f.countLog("[WARN] Frame sent. Cmd: 0x23, Seq: 0, Size: 12 bytes"), 1);
        QVERIFY(f.hasLog("[WARN] Request retry 1/1. Cmd: 0x23, Seq: 0"));
        QVERIFY(timeouts.isEmpty());
        f.nowMs += 3001;
        f.handler.cleanupTimeouts();
        QCOMPARE(timeouts.size(), 1);
    }

    void deviceNotify()
    {
        HandlerFixture f;
        QStringList order;
        connect(&f.handler, &ProtocolHandler::notifyBatteryReceived, this, [&] { order << "battery"; });
        connect(&f.handler, &ProtocolHandler::notifyEqAutoReport, this, [&] { order << "eq"; });
        connect(&f.handler, &ProtocolHandler::surroundSoundConfigReceived, this, [&] { order << "surround"; });
        connect(&f.handler, &ProtocolHandler::notifyNameAndHeadsetFirmwareReceived, this, [&] { order << "name"; });
        connect(&f.handler, &ProtocolHandler::notifyDongleHeadsetLinkReceived, this, [&] { order << "link"; });
        QSignalSpy battery(&f.handler, &ProtocolHandler::notifyBatteryReceived);
        QSignalSpy link(&f.handler, &ProtocolHandler::notifyDongleHeadsetLinkReceived);

        EQData eq;
        eq.index = 2;
        eq.bandCount = 6;
        eq.frequencies = {31, 62, 125, 250, 500, 1000};
        const QByteArray all = tlv(0x04, QByteArray(1, 1)) + tlv(0x03, tlv(0x02, "Nova")) +
                               tlv(0x07, tlv(0x02, QByteArray(1, 4))) + tlv(0x02, serializeEQData(eq)) +
                               tlv(0x01, QByteArray::fromHex("E45A"));
        f.feed(HandlerFixture::deviceFrame(0x11, CommandType::Notify, 0, all));
        f.feed(HandlerFixture::deviceFrame(0x11, CommandType::Notify, 1, tlv(0x04, QByteArray(1, 2))));
        f.feed(HandlerFixture::deviceFrame(0x11, CommandType::Notify, 2, tlv(0x04, {}) + tlv(0x01, {})));
        f.feed(HandlerFixture::deviceFrame(0x11, CommandType::Notify, 3, tlv(0x03, QByteArray::fromHex("000100"))));
        f.feed(HandlerFixture::deviceFrame(0x11, CommandType::Notify, 4, QByteArray::fromHex("0405")));
        QVERIFY(f.drain());

        QCOMPARE(order, (QStringList{"battery", "eq", "surround", "name", "link", "battery"}));
        const BatteryInfo first = battery.at(0).at(0).value<BatteryInfo>();
        QVERIFY((first == BatteryInfo{0xE4, 0x5A, true, 0, false}));
        QVERIFY((battery.at(1).at(0).value<BatteryInfo>() == BatteryInfo{}));
        QCOMPARE(link.size(), 1);
        QCOMPARE(link.at(0).at(0).value<uchar>(), uchar(1));
        QVERIFY(f.hasLog("[INFO] Dongle/headset link disconnected (Notify(TLV0x04)), heartbeat paused"));
        QVERIFY(f.hasLog("[WARN] 0x11 TLV 0x04 invalid value: 0x02"));
        QVERIFY(f.hasLog("[WARN] 0x11 TLV 0x04 present but empty"));
        QVERIFY(f.hasLog("[WARN] 0x11 TLV 0x03 present but parseNotifyNameAndHeadsetFirmware failed"));
        QVERIFY(f.hasLog("[WARN] Failed to parse device notify TLV"));
    }

    void receiveBufferOverflow_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QStringList>("errors");
        QTest::addColumn<QString>("logLine");
        // After the first report one frame is cut; the rest stays buffered until the next turn.
        const QByteArray a = notifyFrame("A");
        QTest::newRow("no sync left") << a + QByteArray(30, '\x01')
                                      << QStringList{"Receive buffer overflow and no sync found, cleared",
                                                     "Receive buffer overflow, trimmed"}
                                      << "[ERROR] Receive buffer overflow and no sync found, cleared";
        QTest::newRow("trimmed to the last sync") << a + QByteArray::fromHex("0101FE") + QByteArray(27, '\x01')
                                                  << QStringList{"Receive buffer overflow, trimmed"}
                                                  << "[WARN] Receive buffer trimmed to last sync. New size: 28";
    }

    void receiveBufferOverflow()
    {
        QFETCH(QByteArray, first);
        QFETCH(QStringList, errors);
        QFETCH(QString, logLine);
        ProtocolHandlerSettings settings;
        settings.maxReceiveBufferBytes = 100;
        HandlerFixture f(settings);
        QSignalSpy errorSpy(&f.handler, &ProtocolHandler::errorOccurred);
        f.feed(first);
        f.feed(QByteArray(80, '\x02'));
        QCOMPARE(strings(errorSpy), errors);
        QVERIFY(f.hasLog(logLine));
        QVERIFY(f.drain());
    }
};

QTEST_GUILESS_MAIN(TestProtocolHandlerReceive)
#include "tst_protocolhandler_receive.moc"
