// The hot-plug notifier: raw device-change events in, one debounced event out.
#include "HidTestDevices.h"

#include "hid/WinHidHotplugNotifier.h"
#include "platform/hotplug/UdevDeviceChangeSource.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace HidTestDevices;

class TestWinHidHotplugNotifier : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetDouble(); }

    void aBurstBecomesOneEventAfterTheQuietInterval()
    {
        WinHidHotplugNotifier notifier; // the default 200 ms
        QVERIFY(notifier.tryRegister());
        Platform::ManualDeviceChangeSource *source = lastHotplugSource();
        QSignalSpy events(&notifier, &WinHidHotplugNotifier::hotplugEvent);

        // Five raw events 50 ms apart.
        int raised = 0;
        QElapsedTimer sinceLast;
        QTimer ticker;
        ticker.setInterval(50);
        connect(&ticker, &QTimer::timeout, this, [&] {
            source->raise();
            sinceLast.start();
            if (++raised == 5)
                ticker.stop();
        });
        ticker.start();
        QTRY_COMPARE_WITH_TIMEOUT(raised, 5, 5000);
        QCOMPARE(events.count(), 0);
        QVERIFY(events.wait(2000));
        QVERIFY(sinceLast.elapsed() >= 200);
        QVERIFY(!events.wait(300)); // and only one
        QCOMPARE(events.count(), 1);
    }

    void registrationIsRetriedUntilTheSystemAccepts()
    {
        int created = 0;
        Platform::ManualDeviceChangeSource *source = nullptr;
        Platform::DeviceChangeSource::setFactory([&](QObject *parent) {
            source = new Platform::ManualDeviceChangeSource(parent);
            source->failStarts(2);
            ++created;
            return source;
        });
        WinHidHotplugNotifier notifier(nullptr, 10);
        QSignalSpy events(&notifier, &WinHidHotplugNotifier::hotplugEvent);
        QVERIFY(!notifier.tryRegister());
        QVERIFY(!source->raise()); // not watching yet: the system tells nobody
        QTRY_VERIFY_WITH_TIMEOUT(notifier.isRegistered(), 2000); // on a 200 ms retry tick
        QCOMPARE(source->startAttempts(), 3);
        QVERIFY(source->raise());
        QVERIFY(events.wait());
        QCOMPARE(created, 1);
    }

    void udevMonitorStartsOnThisSystem()
    {
        // The real source: no device can appear here, but watching must start
        // (or be refused cleanly) and stop without leaks.
        Platform::UdevDeviceChangeSource source;
        const bool started = source.start();
        QCOMPARE(source.isStarted(), started);
        if (started)
            QVERIFY(source.start()); // a second start changes nothing
    }
};

QTEST_GUILESS_MAIN(TestWinHidHotplugNotifier)
#include "tst_winhidhotplugnotifier.moc"
