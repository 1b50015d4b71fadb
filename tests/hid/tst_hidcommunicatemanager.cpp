// HidCommunicateManager's I/O thread against the hidapi double: what reaches
// the device, the queue, failure thresholds and their reports, handle changes
// and stopping.
#include "HidTestDevices.h"
#include "tests/support/testenv/MessageLog.h"

#include "hid/HidCommunicateManager.h"
#include "protocol/MonotonicClock.h"
#include "tests/support/hidapidouble/EchoResponder.h"

#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <memory>

using namespace HidTestDevices;
using VirtualDevices::HidApiDouble;
using VirtualDevices::Report;

namespace {

const QString dev = QStringLiteral("dev");

// Every signal of the manager, in arrival order on the test's thread.
class CommRecorder : public QObject
{
public:
    explicit CommRecorder(HidCommunicateManager &m)
    {
        connect(&m, &HidCommunicateManager::dataSent, this, [this](const QString &id, bool ok, int n) {
            events.append(QStringLiteral("sent %1 %2 %3").arg(id).arg(ok).arg(n));
        });
        connect(&m, &HidCommunicateManager::commError, this, [this](const QString &id, const QString &e, bool fatal) {
            events.append(QStringLiteral("error %1 %2 %3").arg(id, e).arg(fatal));
        });
        connect(&m, &HidCommunicateManager::dataReceived, this,
                [this](const QString &id, const QByteArray &data, qint64 readMs) {
                    events.append(QStringLiteral("received %1 %2").arg(id, QString::fromLatin1(data.toHex())));
                    readTimes.append(readMs);
                });
        connect(&m, &HidCommunicateManager::deviceDisconnected, this,
                [this](const QString &id) { events.append(QStringLiteral("disconnected %1").arg(id)); });
    }
    int count(const QString &prefix) const
    {
        return static_cast<int>(std::count_if(events.begin(), events.end(),
                                              [&](const QString &e) { return e.startsWith(prefix); }));
    }
    QStringList events;
    QList<qint64> readTimes; // of the data received, in order
};

QByteArray bytes(const Report &r)
{
    return QByteArray(reinterpret_cast<const char *>(r.data()), static_cast<qsizetype>(r.size()));
}

QByteArray pattern(int length, int start = 0)
{
    QByteArray data(length, '\0');
    for (int i = 0; i < length; ++i)
        data[i] = static_cast<char>(start + i);
    return data;
}

QString writeError(int count)
{
    return QStringLiteral("发送失败：hid_write: write error (injected)（错误码：-1，连续 %1 次）").arg(count);
}

QString readError(int count)
{
    return QStringLiteral("读取失败：read error (injected)（错误码：-1，连续 %1 次）").arg(count);
}

} // namespace

class TestHidCommunicateManager : public QObject
{
    Q_OBJECT

    std::string path() const { return headset().hid.path; }

    // Opened the way the device manager opens it.
    HidDeviceHandle open() const
    {
        hid_device *device = hid_open_path(path().c_str());
        hid_set_nonblocking(device, 1);
        return HIDTypes::wrapHidDevice(device);
    }

    // The manager bound to the headset, with the connect notice already out of the way.
    void bind(HidCommunicateManager &m, CommRecorder &r) const
    {
        m.setCurrentDeviceId(dev);
        m.setDeviceHandle(dev, open());
        QCOMPARE(r.events, QStringList{QStringLiteral("error dev 设备已连接，通讯恢复 0")});
        r.events.clear();
    }

private slots:
    void init()
    {
        resetDouble();
        api().addDevice(headset().hid);
        QCOMPARE(hid_init(), 0);
    }

    void writesReachTheDeviceAsReports_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("prependReportId");
        QTest::addColumn<int>("reportSize");
        QTest::addColumn<int>("maxWriteSize");
        QTest::addColumn<QByteArray>("written");

        const QByteArray frame(64, '\xA5');
        const QByteArray qorReport = QByteArray("\x4B\x01", 2) + QByteArray(62, '\x11');
        QTest::newRow("frame with report id: 65 bytes") << frame << true << 65 << 0 << QByteArray(1, '\0') + frame;
        QTest::newRow("numbered 64-byte report: sent as given") << qorReport << false << 65 << 0 << qorReport;
        QTest::newRow("short packet: zero padded")
            << QByteArray("\x01\x02", 2) << true << 65 << 0 << QByteArray("\x00\x01\x02", 3) + QByteArray(62, '\0');
        QTest::newRow("too long: cut to 65") << pattern(70) << false << 65 << 0 << pattern(65);
        QTest::newRow("report size out of range means 65") << frame << true << 2000 << 0 << QByteArray(1, '\0') + frame;
        QTest::newRow("write limit from maxWriteSize") << frame << false << 65 << 33 << frame.left(33);
        QTest::newRow("maxWriteSize out of range: reportSize applies") << pattern(70) << false << 65 << 4096
                                                                        << pattern(65);
    }

    void writesReachTheDeviceAsReports()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, prependReportId);
        QFETCH(int, reportSize);
        QFETCH(int, maxWriteSize);
        QFETCH(QByteArray, written);
        HIDTypes::HidManagerConfig config = fastConfig();
        config.reportSize = reportSize;
        config.maxWriteSize = maxWriteSize;

        HidCommunicateManager m(nullptr, config);
        CommRecorder r(m);
        bind(m, r);
        m.sendData(QStringLiteral("protocol"), data, prependReportId);
        QVERIFY(api().waitForWrites(path(), 1, std::chrono::seconds(5)));
        QCOMPARE(bytes(api().writes(path()).at(0)), written);
        QTRY_VERIFY(r.count("sent") == 1);
        QCOMPARE(r.events.at(0), QStringLiteral("sent protocol 1 %1").arg(written.size()));
    }

    void repliesArriveAsReceivedData_data()
    {
        QTest::addColumn<int>("readTimeoutMs");
        QTest::newRow("reads with a time-out") << 10;
        QTest::newRow("non-blocking reads") << 0;
    }

    void repliesArriveAsReceivedData()
    {
        QFETCH(int, readTimeoutMs);
        auto echo = std::make_shared<VirtualDevices::EchoResponder>();
        api().attachResponder(path(), echo);
        HIDTypes::HidManagerConfig config = fastConfig();
        config.readTimeoutMs = readTimeoutMs;
        HidCommunicateManager m(nullptr, config);
        CommRecorder r(m);
        bind(m, r);

        const QByteArray frame = pattern(64, 1);
        m.sendData(QStringLiteral("protocol"), frame, true);
        echo->pushDeviceReport({0x11, 0x22}); // an unsolicited notification
        QTRY_COMPARE(r.count("received"), 2);
        QVERIFY(r.events.contains(QStringLiteral("received dev 1122")));
        QVERIFY(r.events.contains(QStringLiteral("received dev 00") + QString::fromLatin1(frame.toHex())));
    }

    // Each report is stamped once, as it comes off the device, with the
    // configured clock; by default the one the protocol handler runs on.
    void reportsCarryTheirReadTime()
    {
        auto echo = std::make_shared<VirtualDevices::EchoResponder>();
        api().attachResponder(path(), echo);
        std::atomic<int> stamps = 0;
        HIDTypes::HidManagerConfig config = fastConfig();
        config.readClock = [&stamps] { return qint64(1000) * ++stamps; };
        {
            HidCommunicateManager m(nullptr, config);
            CommRecorder r(m);
            bind(m, r);
            echo->pushDeviceReport({0x11});
            echo->pushDeviceReport({0x22});
            QTRY_COMPARE(r.count("received"), 2);
            QCOMPARE(r.readTimes, (QList<qint64>{1000, 2000}));
        }
        QCOMPARE(stamps.load(), 2); // empty reads take no time stamp

        HidCommunicateManager m(nullptr, fastConfig());
        CommRecorder r(m);
        bind(m, r);
        const qint64 before = HeadsetProtocol::MonotonicClock::nowMs();
        echo->pushDeviceReport({0x33});
        QTRY_COMPARE(r.count("received"), 1);
        const qint64 after = HeadsetProtocol::MonotonicClock::nowMs();
        const qint64 readMs = r.readTimes.at(0);
        QVERIFY2(readMs >= before && readMs <= after,
                 qPrintable(QStringLiteral("%1 not in %2..%3").arg(readMs).arg(before).arg(after)));
    }

    void truncationIsLoggedAndOptionallyReported_data()
    {
        QTest::addColumn<bool>("notify");
        QTest::addColumn<bool>("writesFail");
        QTest::addColumn<int>("notices");
        QTest::newRow("not reported") << false << false << 0;
        // A successful write re-arms the notice; failing writes leave it rate-limited.
        QTest::newRow("reported per successful write") << true << false << 2;
        QTest::newRow("rate-limited while writes fail") << true << true << 1;
    }

    void truncationIsLoggedAndOptionallyReported()
    {
        QFETCH(bool, notify);
        QFETCH(bool, writesFail);
        QFETCH(int, notices);
        HIDTypes::HidManagerConfig config = fastConfig();
        config.notifyTruncation = notify;
        config.maxConsecutiveWriteFailures = 10;
        if (writesFail)
            api().queueWriteFaults(path(), HidApiDouble::WriteFault::Error, 2);

        MessageLog log;
        HidCommunicateManager m(nullptr, config);
        CommRecorder r(m);
        bind(m, r);
        m.sendData(QStringLiteral("big"), pattern(70), false);
        m.sendData(QStringLiteral("big"), pattern(70), false);
        QTRY_COMPARE(r.count("sent"), 2);
        QCOMPARE(r.count(QStringLiteral("error dev 发送已截断：70 → 65 字节 0")), notices);
        QCOMPARE(log.count(QtWarningMsg,
                           QStringLiteral("[HidCommunicateManager] 数据长度超过最大包长，已从 70 截断至 65 字节（ID：big）")),
                 2);
    }

    void fullQueue_data()
    {
        QTest::addColumn<int>("policy");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("writtenIds");

        // A full queue is back-pressure: the packet is lost, the link stays up.
        QTest::newRow("refuse the new packet")
            << 0 << QStringList{QStringLiteral("error dev 发送队列已满（3/3） 0"), QStringLiteral("sent p4 0 0")}
            << QStringList{"p1", "p2", "p3"};
        QTest::newRow("drop the oldest") << 1 << QStringList{QStringLiteral("sent p1 0 0")}
                                         << QStringList{"p2", "p3", "p4"};
    }

    void fullQueue()
    {
        QFETCH(int, policy);
        QFETCH(QStringList, events);
        QFETCH(QStringList, writtenIds);
        HIDTypes::HidManagerConfig config = fastConfig();
        config.maxQueueSize = 3;
        config.queueFullPolicy = policy;

        HidCommunicateManager m(nullptr, config);
        CommRecorder r(m);
        m.setCurrentDeviceId(dev); // no handle yet: packets wait
        for (int i = 1; i <= 4; ++i)
            m.sendData(QStringLiteral("p%1").arg(i), QByteArray(1, char(i)), false);
        QCOMPARE(r.events, events);

        r.events.clear();
        m.setDeviceHandle(dev, open());
        QVERIFY(api().waitForWrites(path(), 3, std::chrono::seconds(5)));
        QStringList written;
        for (const Report &w : api().writes(path()))
            written.append(QStringLiteral("p%1").arg(w.at(0)));
        QCOMPARE(written, writtenIds);
        QTRY_COMPARE(r.count("sent"), 3);
        QCOMPARE(r.count("disconnected"), 0);
    }

    void consecutiveWriteErrorsBecomeFatal()
    {
        api().queueWriteFaults(path(), HidApiDouble::WriteFault::Error, 3);
        MessageLog log;
        HidCommunicateManager m(nullptr, fastConfig());
        CommRecorder r(m);
        bind(m, r);
        for (const char *id : {"p1", "p2", "p3"})
            m.sendData(QString::fromLatin1(id), pattern(64), true);
        QTRY_COMPARE(r.count("disconnected"), 1);
        QCOMPARE(r.events, (QStringList{QStringLiteral("sent p1 0 0"), QStringLiteral("error dev %1 0").arg(writeError(1)),
                                        // the second error falls inside the report interval
                                        QStringLiteral("sent p2 0 0"), QStringLiteral("error dev %1 1").arg(writeError(3)),
                                        QStringLiteral("sent p3 0 0"), QStringLiteral("disconnected dev")}));
        QCOMPARE(log.lines(QtWarningMsg),
                 (QStringList{QStringLiteral("[HidCommunicateManager] %1（ID：p1)").arg(writeError(1)),
                              QStringLiteral("[HidCommunicateManager] %1（ID：p3)").arg(writeError(3))}));

        // Blocked: nothing more is written until a new handle arrives.
        m.sendData(QStringLiteral("p4"), pattern(64), true);
        const int attempts = api().writeAttempts(path());
        QCOMPARE(attempts, 3);
        m.setDeviceHandle(dev, open());
        QVERIFY(api().waitForWrites(path(), 1, std::chrono::seconds(5)));
        QCOMPARE(api().writeAttempts(path()), 4);
    }

    void repeatedErrorsAreReportedAgainAfterTheInterval()
    {
        HIDTypes::HidManagerConfig config = fastConfig();
        config.maxConsecutiveWriteFailures = 10;
        config.errorReportIntervalMs = 30;
        api().queueWriteFaults(path(), HidApiDouble::WriteFault::Error, 3);
        HidCommunicateManager m(nullptr, config);
        CommRecorder r(m);
        bind(m, r);
        m.sendData(QStringLiteral("p1"), pattern(8), true);
        m.sendData(QStringLiteral("p2"), pattern(8), true);
        QTRY_COMPARE(r.count("sent"), 2);
        QTest::qWait(40); // let the report interval pass
        m.sendData(QStringLiteral("p3"), pattern(8), true);
        QTRY_COMPARE(r.count("sent"), 3);
        QCOMPARE(r.count("error"), 2);
        QCOMPARE(r.events.last(), QStringLiteral("error dev %1 0").arg(writeError(3)));
    }

    void zeroByteWritesAreNeverFatal()
    {
        api().queueWriteFaults(path(), HidApiDouble::WriteFault::Zero, 5);
        HidCommunicateManager m(nullptr, fastConfig());
        CommRecorder r(m);
        bind(m, r);
        for (int i = 1; i <= 6; ++i)
            m.sendData(QStringLiteral("p%1").arg(i), pattern(64), true);
        QTRY_COMPARE(r.count("sent"), 6);
        QCOMPARE(r.count("sent p"), 6);
        QCOMPARE(r.count(QStringLiteral("sent p6 1 65")), 1);
        QCOMPARE(r.events.filter("error"), QStringList{QStringLiteral("error dev 发送返回 0 字节（可能为暂时性缓冲/背压） 0")});
        QCOMPARE(r.count("disconnected"), 0);
    }

    void consecutiveReadErrorsBecomeFatal()
    {
        MessageLog log;
        HidCommunicateManager m(nullptr, fastConfig());
        CommRecorder r(m);
        api().failReads(path(), 3);
        bind(m, r);
        QTRY_COMPARE(r.count("disconnected"), 1);
        QCOMPARE(r.events, (QStringList{QStringLiteral("error dev %1 0").arg(readError(1)),
                                        QStringLiteral("error dev %1 1").arg(readError(3)),
                                        QStringLiteral("disconnected dev")}));
        QCOMPARE(log.lines(QtWarningMsg), (QStringList{QStringLiteral("[HidCommunicateManager] ") + readError(1),
                                                       QStringLiteral("[HidCommunicateManager] ") + readError(3)}));
    }

    void anEmptyReadResetsTheReadErrorCount()
    {
        HidCommunicateManager m(nullptr, fastConfig());
        CommRecorder r(m);
        bind(m, r);
        for (int round = 0; round < 2; ++round) {
            const int calls = api().readCalls(path());
            api().failReads(path(), 2);
            // Two failed reads, then an empty one, then the next has begun.
            QTRY_VERIFY(api().readCalls(path()) >= calls + 4);
        }
        QTRY_COMPARE(r.count("error"), 2);
        QCOMPARE(r.events, (QStringList{QStringLiteral("error dev %1 0").arg(readError(1)),
                                        QStringLiteral("error dev %1 0").arg(readError(1))}));
    }

    void handleForAnotherDeviceIsIgnored()
    {
        HidCommunicateManager m(nullptr, fastConfig());
        CommRecorder r(m);
        m.setCurrentDeviceId(dev);
        m.setDeviceHandle(QStringLiteral("other"), open());
        m.setDeviceHandle(QStringLiteral("other"), nullptr);
        QCOMPARE(r.events, QStringList{});
        QCOMPARE(api().openHandles(), 0); // not kept either
    }

    void changingTheDeviceDropsQueuedPacketsSilently()
    {
        HidCommunicateManager m(nullptr, fastConfig());
        CommRecorder r(m);
        m.setCurrentDeviceId(QStringLiteral("A"));
        m.sendData(QStringLiteral("p1"), QByteArray(1, '\1'), false);
        m.sendData(QStringLiteral("p2"), QByteArray(1, '\2'), false);
        m.setCurrentDeviceId(QStringLiteral("B"));
        m.setDeviceHandle(QStringLiteral("B"), open());
        m.sendData(QStringLiteral("p3"), QByteArray(1, '\3'), false);
        QTRY_COMPARE(r.count("sent"), 1);
        QCOMPARE(r.events, (QStringList{QStringLiteral("error B 设备已连接，通讯恢复 0"), QStringLiteral("sent p3 1 1")}));
        QCOMPARE(api().writes(path()).size(), std::size_t(1));
        QCOMPARE(api().writes(path()).at(0).at(0), 3);
    }

    void withdrawnHandleDropsTheQueue()
    {
        MessageLog log;
        HidCommunicateManager m(nullptr, fastConfig());
        CommRecorder r(m);
        bind(m, r);
        // Hold the loop inside a read so that packets stay queued.
        api().stallReads(path(), true);
        QTRY_COMPARE(api().stalledReads(path()), 1);
        m.sendData(QStringLiteral("p1"), pattern(4), false);
        m.setDeviceHandle(dev, nullptr);
        QCOMPARE(r.events, QStringList{QStringLiteral("error dev 设备已断开连接 0")});
        QCOMPARE(log.lines(QtWarningMsg), QStringList{QStringLiteral("[HidCommunicateManager] 设备 dev 句柄已失效")});
        api().stallReads(path(), false);
        // The loop's copy of the handle goes with its pass: the device closes.
        QTRY_COMPARE(api().openHandles(), 0);
        QCOMPARE(api().writeAttempts(path()), 0);
    }

    void stoppingWaitsBoundedAndNeverTerminates()
    {
        HIDTypes::HidManagerConfig config = fastConfig();
        config.commThreadStopWaitMs = 20;
        config.threadStopAttempts = 2;
        auto m = std::make_unique<HidCommunicateManager>(nullptr, config);
        CommRecorder r(*m);
        bind(*m, r);
        api().stallReads(path(), true); // a read that ignores its time-out, like a hung driver
        QTRY_COMPARE(api().stalledReads(path()), 1);

        MessageLog log;
        log.setObserver([this](const MessageLog::Entry &e) {
            if (e.type == QtCriticalMsg) // the driver comes back during the extra wait
                api().stallReads(path(), false);
        });
        m.reset();
        QCOMPARE(log.lines(QtWarningMsg),
                 QStringList{QStringLiteral("[HidCommunicateManager] 通讯线程第 1 次等待超时，继续等待…")});
        QCOMPARE(log.lines(QtCriticalMsg),
                 QStringList{QStringLiteral("[HidCommunicateManager] 通讯线程在 2 轮等待后仍未退出（未使用 terminate）。"
                                            "将执行一次额外阻塞等待，避免析构时线程仍在运行。")});
        QCOMPARE(api().openHandles(), 0);
    }

    // A loop stuck in a read past the stop waits has not been suspended: the
    // owner must not hand hidapi away. Restarted meanwhile, the loop comes
    // back once that read has returned, not never.
    void suspendOfAStuckLoopFailsAndItsRestartWaitsForIt()
    {
        HIDTypes::HidManagerConfig config = fastConfig();
        config.commThreadStopWaitMs = 20;
        config.threadStopAttempts = 1;
        HidCommunicateManager m(nullptr, config);
        CommRecorder r(m);
        bind(m, r);
        api().stallReads(path(), true);
        QTRY_COMPARE(api().stalledReads(path()), 1);

        MessageLog log;
        QVERIFY(!m.suspendThread());
        QCOMPARE(log.lines(QtWarningMsg),
                 QStringList{QStringLiteral("[HidCommunicateManager] 通讯线程未能停止，仍占用设备")});
        QCOMPARE(log.lines(QtCriticalMsg).size(), 2); // the stop's last wait, and its failure
        m.restartThread();
        m.sendData(QStringLiteral("p1"), pattern(4), false);
        // The device is handed in again while the old loop still hangs: the
        // handle belongs to the next run, which the old loop's end must not spoil.
        m.setDeviceHandle(dev, open());
        m.sendData(QStringLiteral("p2"), pattern(4, 8), false);
        QCOMPARE(api().writeAttempts(path()), 0);
        api().stallReads(path(), false);
        // The restart reaches the owner's thread as a queued call: spin its loop.
        QTRY_COMPARE(api().writes(path()).size(), std::size_t(2));
        QCOMPARE(api().writes(path()).at(0).at(0), 0);
        QCOMPARE(api().writes(path()).at(1).at(0), 8);
        QVERIFY(m.suspendThread());
    }

    void suspendedThreadKeepsItsQueueUntilRestarted()
    {
        HidCommunicateManager m(nullptr, fastConfig());
        CommRecorder r(m);
        bind(m, r);
        m.suspendThread();
        m.suspendThread(); // idempotent
        m.sendData(QStringLiteral("p1"), pattern(4), false);
        QCOMPARE(api().writeAttempts(path()), 0);
        // A finished thread leaves the handle unusable until it is handed in again.
        m.restartThread();
        m.setDeviceHandle(dev, open());
        QVERIFY(api().waitForWrites(path(), 1, std::chrono::seconds(5)));
    }
};

QTEST_GUILESS_MAIN(TestHidCommunicateManager)
#include "tst_hidcommunicatemanager.moc"
