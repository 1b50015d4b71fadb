#include "HandlerFixture.h"

#include "protocol/FrameCodec.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

using namespace HeadsetProtocol;

namespace {

QString firstArg(const QSignalSpy &spy, int index = 0)
{
    return spy.isEmpty() ? QString() : spy.at(index).at(0).toString();
}

ParsedFrame parsed(const QByteArray &frame)
{
    return FrameCodec::parseFrame(frame, false, {}, {});
}

EQData sixBandEq()
{
    EQData eq;
    eq.index = 3;
    eq.bandCount = 6;
    eq.frequencies = {60, 150, 400, 1000, 2400, 15000};
    eq.gains = {300, 100, 0, -100, 200, 400};
    return eq;
}

} // namespace

class TestProtocolHandlerSend : public QObject
{
    Q_OBJECT

private slots:
    void logLineFormat()
    {
        HandlerFixture f;
        f.handler.sendFactoryReset();
        const QStringList raw = f.log.lines();
        QVERIFY(!raw.isEmpty());
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} \\[INFO\\] Request sent\\. "
                                                  "Cmd: 0x21, Seq: 0, Payload: 0 bytes$"))
                    .match(raw.filter("Request sent").value(0))
                    .hasMatch());
        QVERIFY(f.hasLog("[WARN] Frame sent. Cmd: 0x21, Seq: 0, Size: 11 bytes"));
    }

    void commandOperations_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QVariant>("arg");
        QTest::addColumn<int>("cmd");       // -1: refused
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("refusal");

        const QString name31 = QString(10, QChar(0x58F0)) + QStringLiteral("A");   // 10 x 3 bytes + 1
        const QString name32 = QString(10, QChar(0x58F0)) + QStringLiteral("AB");  // 32 bytes
        QTest::newRow("tone 0") << 0 << QVariant(0) << -1 << QByteArray() << "Tone volume level must be 1-7, got: 0";
        QTest::newRow("tone 8") << 0 << QVariant(8) << -1 << QByteArray() << "Tone volume level must be 1-7, got: 8";
        QTest::newRow("tone 1") << 0 << QVariant(1) << 0x23 << QByteArray::fromHex("01") << QString();
        QTest::newRow("tone 7") << 0 << QVariant(7) << 0x23 << QByteArray::fromHex("07") << QString();
        QTest::newRow("name 31 bytes") << 1 << QVariant(name31) << 0x22 << name31.toUtf8() << QString();
        QTest::newRow("name 32 bytes") << 1 << QVariant(name32) << -1 << QByteArray()
                                       << "Invalid Bluetooth name UTF-8 length: 32 (max 31 bytes)";
        QTest::newRow("name empty") << 1 << QVariant(QString()) << -1 << QByteArray()
                                    << "Invalid Bluetooth name UTF-8 length: 0 (max 31 bytes)";
        QTest::newRow("info 0x00") << 2 << QVariant(0x00) << -1 << QByteArray() << "Invalid info type: 0x0";
        QTest::newRow("info 0x0a") << 2 << QVariant(0x0A) << -1 << QByteArray() << "Invalid info type: 0xa";
        QTest::newRow("info 0x0c") << 2 << QVariant(0x0C) << -1 << QByteArray() << "Invalid info type: 0xc";
        QTest::newRow("info 0xfe") << 2 << QVariant(0xFE) << -1 << QByteArray() << "Invalid info type: 0xfe";
        for (int type : {0x01, 0x05, 0x09, 0x0B, 0xFF}) {
            QTest::addRow("info 0x%02x", type) << 2 << QVariant(type) << 0x10 << QByteArray(1, char(type)).append('\0')
                                               << QString();
        }
        QTest::newRow("factory reset") << 3 << QVariant() << 0x21 << QByteArray() << QString();
        QTest::newRow("receiver unbind") << 4 << QVariant() << 0x26 << QByteArray() << QString();
    }

    void commandOperations()
    {
        QFETCH(int, op);
        QFETCH(QVariant, arg);
        QFETCH(int, cmd);
        QFETCH(QByteArray, payload);
        QFETCH(QString, refusal);
        HandlerFixture f;
        QSignalSpy validation(&f.handler, &ProtocolHandler::validationError);
        QSignalSpy rejected(&f.handler, &ProtocolHandler::requestRejected);
        int result = -1;
        switch (op) {
        case 0: result = f.handler.sendSetToneVolume(quint8(arg.toInt())); break;
        case 1: result = f.handler.sendSetBluetoothName(arg.toString()); break;
        case 2: result = f.handler.sendGetBasicInfo(quint8(arg.toInt())); break;
        case 3: result = f.handler.sendFactoryReset(); break;
        case 4: result = f.handler.sendReceiverUnbind(); break;
        }
        if (cmd < 0) {
            QCOMPARE(result, 255);
            QCOMPARE(validation.size(), 1);
            QCOMPARE(firstArg(validation), refusal);
            QVERIFY(rejected.isEmpty()); // argument refusals go through validationError only
            QVERIFY(f.sentFrames.isEmpty());
            return;
        }
        QCOMPARE(result, 0);
        QVERIFY(validation.isEmpty());
        QCOMPARE(f.sentFrames.size(), 1);
        const ParsedFrame frame = parsed(f.sentFrames[0]);
        QVERIFY(frame.valid);
        QCOMPARE(frame.cmd, quint16(cmd));
        QCOMPARE(frame.type, CommandType::Request);
        QCOMPARE(frame.payload, payload);
    }

    void eqSettings()
    {
        HandlerFixture f;
        QSignalSpy validation(&f.handler, &ProtocolHandler::validationError);
        QCOMPARE(f.handler.sendEqSettings(sixBandEq()), 0);
        QCOMPARE(parsed(f.sentFrames.at(0)).payload, serializeEQData(sixBandEq()));

        EQData bad = sixBandEq();
        bad.bandCount = 5;
        QTest::ignoreMessage(QtWarningMsg, "Invalid band count: 5 (expect 6-10, or QOR custom 1-8)");
        QCOMPARE(f.handler.sendEqSettings(bad), 255);
        QCOMPARE(firstArg(validation), QStringLiteral("Invalid EQ data"));
        QCOMPARE(f.sentFrames.size(), 1);
    }

    void commandTableRefusals_data()
    {
        QTest::addColumn<quint16>("cmd");
        QTest::addColumn<QString>("text");
        QTest::newRow("device-only notify") << quint16(0x11) << "Command 0x11 not allowed to send from host";
        QTest::newRow("unregistered") << quint16(0x30) << "Command not registered: 0x30";
    }

    void commandTableRefusals()
    {
        QFETCH(quint16, cmd);
        QFETCH(QString, text);
        HandlerFixture f;
        QSignalSpy errors(&f.handler, &ProtocolHandler::errorOccurred);
        QSignalSpy validation(&f.handler, &ProtocolHandler::validationError);
        QSignalSpy rejected(&f.handler, &ProtocolHandler::requestRejected);
        QCOMPARE(f.handler.sendRequest(cmd, CommandType::Request, {}), 255);
        QCOMPARE(firstArg(errors), text);
        QCOMPARE(firstArg(validation), text);
        QCOMPARE(rejected.size(), 1);
        QCOMPARE(rejected.at(0).at(0).value<ushort>(), cmd);
        QCOMPARE(rejected.at(0).at(1).toString(), text);
        QVERIFY(f.hasLog("[ERROR] " + text));
        QVERIFY(f.sentFrames.isEmpty());
    }

    void fiveInFlightThenQueueThenFull()
    {
        HandlerFixture f;
        QSignalSpy queued(&f.handler, &ProtocolHandler::requestQueued);
        QSignalSpy failed(&f.handler, &ProtocolHandler::commandFailed);
        QSignalSpy rejected(&f.handler, &ProtocolHandler::requestRejected);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(f.handler.sendSetToneVolume(3), i);
        QCOMPARE(f.handler.sendSetToneVolume(3), 254);
        QCOMPARE(queued.size(), 1);
        QVERIFY(f.hasLog("[INFO] Request queued. Cmd: 0x23, Queue size: 1"));
        for (int i = 1; i < 200; ++i)
            QCOMPARE(f.handler.sendFactoryReset(), 254);
        QCOMPARE(queued.size(), 200);
        QCOMPARE(f.sentFrames.size(), 5);

        QCOMPARE(f.handler.sendReceiverUnbind(), 255);
        const QString full = QStringLiteral("Request queue full. Cmd:0x26, Max:200");
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(0).value<ushort>(), ushort(0x26));
        QCOMPARE(failed.at(0).at(1).toString(), full);
        QCOMPARE(rejected.at(0).at(1).toString(), full);
        QVERIFY(f.hasLog("[ERROR] " + full));
    }

    void matchedResponseServesTheQueue()
    {
        HandlerFixture f;
        QSignalSpy dequeued(&f.handler, &ProtocolHandler::requestDequeued);
        QSignalSpy sent(&f.handler, &ProtocolHandler::requestSent);
        for (int i = 0; i < 5; ++i)
            f.handler.sendSetToneVolume(2);
        QCOMPARE(f.handler.sendFactoryReset(), 254);
        f.feed(HandlerFixture::response(0x23, 2, QByteArray::fromHex("00")));
        QVERIFY(dequeued.wait(5000));
        QCOMPARE(dequeued.at(0).at(0).value<ushort>(), ushort(0x21));
        QCOMPARE(dequeued.at(0).at(1).value<uchar>(), uchar(5));
        QCOMPARE(sent.last().at(0).value<ushort>(), ushort(0x21)); // requestSent came first
        QCOMPARE(parsed(f.sentFrames.last()).cmd, quint16(0x21));
        QVERIFY(f.hasLog("[INFO] Dequeued request. Cmd: 0x21, Seq: 5, Queue size now: 0"));
    }

    void oversizedPayloadIsAborted()
    {
        HandlerFixture f;
        QSignalSpy failed(&f.handler, &ProtocolHandler::commandFailed);
        QSignalSpy rejected(&f.handler, &ProtocolHandler::requestRejected);
        QSignalSpy errors(&f.handler, &ProtocolHandler::errorOccurred);
        QCOMPARE(f.handler.sendRequest(0x20, CommandType::Request, QByteArray(13516, 'x')), 255);
        const QStringList lines = f.logLines();
        const qsizetype split = lines.indexOf("[ERROR] Too many frames required: 256 (max: 255), payload size: 13516 bytes");
        QVERIFY(split >= 0);
        QCOMPARE(lines.value(split + 1), QStringLiteral("[ERROR] Failed to split data into frames"));
        QCOMPARE(firstArg(errors), QStringLiteral("Failed to split data into frames"));
        const QString aborted = QStringLiteral("Send aborted: frame build failed or no sequence (Cmd:0x20)");
        QCOMPARE(failed.at(0).at(1).toString(), aborted);
        QCOMPARE(rejected.at(0).at(1).toString(), aborted);
        QVERIFY(f.sentFrames.isEmpty());
        QCOMPARE(f.handler.sendFactoryReset(), 0); // no sequence number was used
    }

    void heartbeatSendsQuietly()
    {
        HandlerFixture f;
        QSignalSpy sent(&f.handler, &ProtocolHandler::requestSent);
        QCOMPARE(f.handler.sendRequest(0x27, CommandType::Request, {}), 0);
        QCOMPARE(f.sentFrames.size(), 1);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.at(0).at(0).value<ushort>(), ushort(0x27));
        QVERIFY(f.hasLog("[INFO] 已发送心跳包"));
        for (const char *quiet : {"Created frame", "Frame sent", "Heartbeat sent (no response expected)"})
            QVERIFY2(f.logLines().filter(QString::fromLatin1(quiet)).isEmpty(), quiet);
        // Not tracked: five more requests still fit in flight.
        for (int i = 0; i < 5; ++i)
            QVERIFY(f.handler.sendFactoryReset() < 16);
    }

    void foreignThreadIsRefused()
    {
        QThread protocolThread;
        auto *handler = new ProtocolHandler;
        handler->moveToThread(&protocolThread);
        connect(&protocolThread, &QThread::finished, handler, &QObject::deleteLater);
        protocolThread.start();

        QSignalSpy rejected(handler, &ProtocolHandler::requestRejected); // emitted on this thread
        QList<QByteArray> frames; // arrive queued from the protocol thread
        connect(handler, &ProtocolHandler::frameReady, this, [&frames](const QByteArray &frame) { frames.append(frame); });
        QCOMPARE(handler->sendRequest(0x20, CommandType::Request, QByteArray("x")), 255);
        QCOMPARE(rejected.size(), 1);
        const QString text = rejected.at(0).at(1).toString();
        QVERIFY2(QRegularExpression(QStringLiteral("^Thread contract violation in sendRequest\\. "
                                                   "CurrentThread=0x[0-9a-f]+, OwnerThread=0x[0-9a-f]+, Cmd:0x20$"))
                     .match(text)
                     .hasMatch(),
                 qPrintable(text));
        QCOMPARE(rejected.at(0).at(0).value<ushort>(), ushort(0x20));

        handler->setHeartbeatEnabled(true);
        QCOMPARE(rejected.size(), 2);
        QVERIFY(rejected.at(1).at(1).toString().startsWith("Thread contract violation in setHeartbeatEnabled."));
        QVERIFY(!rejected.at(1).at(1).toString().contains("Cmd:"));
        handler->onIncomingData(QByteArray(11, '\x01'));
        QVERIFY(rejected.at(2).at(1).toString().startsWith("Thread contract violation in processData."));

        // The same call made the proper way, queued onto the protocol thread, goes out.
        QMetaObject::invokeMethod(handler, [handler] { handler->sendFactoryReset(); }, Qt::QueuedConnection);
        QTRY_COMPARE_WITH_TIMEOUT(frames.size(), 1, 5000);

        protocolThread.quit();
        QVERIFY(protocolThread.wait(5000));
    }

    // Slots connected directly may call back into the handler from any of its
    // signals; with the mutex held during an emission this would deadlock.
    void signalsMayReenterTheHandler()
    {
        ProtocolHandlerSettings settings;
        settings.maxInFlight = 1;
        settings.maxReceiveBufferBytes = 40;
        HandlerFixture f(settings);
        ProtocolHandler &h = f.handler;
        int reentered = 0;
        bool answer = true;
        // Outgoing frames are answered at once, from inside frameReady.
        connect(&h, &ProtocolHandler::frameReady, this, [&](const QByteArray &frame) {
            if (!answer)
                return;
            const ParsedFrame request = parsed(frame);
            h.onIncomingData(HandlerFixture::response(request.cmd, request.seq, QByteArray(1, '\0')));
        });
        connect(&h, &ProtocolHandler::requestQueued, this, [&] { ++reentered, h.setHeartbeatIntervalMs(300); });
        connect(&h, &ProtocolHandler::responseReceived, this, [&](ushort cmd) {
            if (cmd == 0x21)
                ++reentered, h.sendSetToneVolume(2);
        });
        connect(&h, &ProtocolHandler::errorOccurred, this, [&](const QString &error) {
            if (error == QLatin1String("Receive buffer overflow, trimmed"))
                ++reentered, h.onIncomingData(QByteArray(3, '\x01'));
        });
        connect(&h, &ProtocolHandler::timeoutError, this, [&] { ++reentered, h.resetTransportState(); });

        QSignalSpy responses(&h, &ProtocolHandler::responseReceived);
        h.sendFactoryReset();
        h.sendReceiverUnbind(); // queued behind it
        QTRY_COMPARE_WITH_TIMEOUT(responses.size(), 3, 5000);

        // A frame head that waits for 64 bytes, then a piece that overflows the buffer.
        h.onIncomingData(QByteArray::fromHex("FE0050000300013500") + QByteArray(30, '\x01'));
        h.onIncomingData(QByteArray(5, '\x01'));

        answer = false;
        h.sendSetToneVolume(3);
        f.nowMs += 3001;
        h.cleanupTimeouts();
        QCOMPARE(reentered, 4);
        QCOMPARE(h.sendFactoryReset(), 4); // the reset inside timeoutError left the handler usable
    }

    void resetDropsRequestsSilently()
    {
        HandlerFixture f;
        QSignalSpy timeouts(&f.handler, &ProtocolHandler::timeoutError);
        QSignalSpy responses(&f.handler, &ProtocolHandler::responseReceived);
        f.handler.sendSetToneVolume(4);
        f.handler.sendFactoryReset();
        f.handler.resetTransportState();
        f.nowMs += 60'000;
        f.handler.cleanupTimeouts();
        QVERIFY(timeouts.isEmpty());

        f.feed(HandlerFixture::response(0x23, 0, QByteArray::fromHex("00")));
        QVERIFY(f.drain());
        QVERIFY(responses.isEmpty());
        QVERIFY(f.hasLog("[WARN] Received response for unknown request. Cmd: 0x23, Seq: 0, PayloadLen:1, PayloadPreview:00"));
        QCOMPARE(f.handler.sendFactoryReset(), 2); // the counter keeps running
    }
};

QTEST_GUILESS_MAIN(TestProtocolHandlerSend)
#include "tst_protocolhandler_send.moc"
