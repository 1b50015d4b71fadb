// ProtocolProxy: calls cross to the handler's thread, frames and signals come
// back on the GUI thread in the order the handler produced them.
#include "hid/ProtocolProxy.h"

#include "protocol/FrameCodec.h"
#include "protocol/ProtocolHandler.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

namespace FrameCodec = HeadsetProtocol::FrameCodec;

class TestProtocolProxy : public QObject
{
    Q_OBJECT

    QThread *m_thread = nullptr;
    HeadsetProtocol::ProtocolHandler *m_handler = nullptr;

private slots:
    void init()
    {
        m_handler = new HeadsetProtocol::ProtocolHandler;
        m_thread = new QThread;
        m_handler->moveToThread(m_thread);
        connect(m_thread, &QThread::finished, m_handler, &QObject::deleteLater);
        m_thread->start();
    }

    void cleanup()
    {
        m_thread->quit();
        QVERIFY(m_thread->wait(5000));
        delete m_thread;
    }

    void nullHandlerIsInert()
    {
        ProtocolProxy proxy(nullptr);
        QSignalSpy frames(&proxy, &ProtocolProxy::outgoingFrame);
        proxy.start();
        proxy.setStripReportId(true);
        proxy.setHeartbeatEnabled(true);
        proxy.setHeartbeatIntervalMs(1000);
        proxy.resetTransportState();
        proxy.sendFactoryReset();
        proxy.sendReceiverUnbind();
        proxy.sendSetToneVolume(3);
        proxy.sendSetBluetoothName(QStringLiteral("x"));
        proxy.sendGetBasicInfo(1);
        proxy.sendEqSettings({});
        QVERIFY(!frames.wait(100));
    }

    // Arguments are shaped on the way: the tone volume is clamped, the info
    // type cut to its low byte. Frames arrive in order on the proxy's thread.
    void callsReachTheHandlerInOrder()
    {
        ProtocolProxy proxy(m_handler);
        QList<QByteArray> frames;
        bool onGuiThread = true;
        connect(&proxy, &ProtocolProxy::outgoingFrame, this, [&](const QByteArray &frame) {
            onGuiThread = onGuiThread && QThread::currentThread() == thread();
            frames.append(frame);
        });
        QSignalSpy sent(&proxy, &ProtocolProxy::requestSent);
        proxy.start();
        proxy.sendSetToneVolume(0);
        proxy.sendSetToneVolume(9);
        proxy.sendGetBasicInfo(-1);
        proxy.sendGetBasicInfo(11);
        proxy.sendSetBluetoothName(QStringLiteral("Desk"));
        QTRY_COMPARE(frames.size(), 5);
        QVERIFY(onGuiThread);

        QList<QPair<quint16, QByteArray>> got;
        for (const QByteArray &frame : frames) {
            const HeadsetProtocol::ParsedFrame parsed = FrameCodec::parseFrame(frame, false, {}, {});
            QVERIFY(parsed.valid);
            got.append({parsed.cmd, parsed.payload});
        }
        const QList<QPair<quint16, QByteArray>> expected{
            {0x23, QByteArray(1, '\x01')},
            {0x23, QByteArray(1, '\x07')},
            {0x10, QByteArray("\xFF\x00", 2)},
            {0x10, QByteArray("\x0B\x00", 2)},
            {0x22, QByteArrayLiteral("Desk")},
        };
        QCOMPARE(got, expected);
        // Each requestSent follows its frame, queued: the last may still be on its way.
        QTRY_COMPARE(sent.size(), 5);
    }

    // A reply given to the handler comes back as the proxy's signals.
    void handlerSignalsAreRepeated()
    {
        ProtocolProxy proxy(m_handler);
        QSignalSpy responses(&proxy, &ProtocolProxy::responseReceived);
        QSignalSpy infos(&proxy, &ProtocolProxy::deviceInfoReceived);
        QSignalSpy logs(&proxy, &ProtocolProxy::logMessage);
        QSignalSpy frames(&proxy, &ProtocolProxy::outgoingFrame);
        proxy.sendGetBasicInfo(6);
        QVERIFY(frames.wait());
        const auto request = FrameCodec::parseFrame(frames.at(0).at(0).toByteArray(), false, {}, {});
        // The device's answer: TLV item 0x06 = 5.
        const auto reply = FrameCodec::splitIntoFrames(0x10, HeadsetProtocol::CommandType::Response, request.seq,
                                                       QByteArray("\x06\x01\x05", 3), false, {}, {});
        QMetaObject::invokeMethod(m_handler, "onIncomingData", Qt::QueuedConnection, Q_ARG(QByteArray, reply.front()));
        QVERIFY(infos.wait());
        QCOMPARE(responses.size(), 1);
        QCOMPARE(responses.at(0).at(0).value<ushort>(), ushort(0x10));
        QCOMPARE(infos.at(0).at(0).value<HeadsetProtocol::DeviceInfo>().toneVolume, quint8(5));
        QVERIFY(!logs.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestProtocolProxy)
#include "tst_protocolproxy.moc"
