// The EQ downlink on its own: a fake device link that records each record it
// is handed and answers when the test says so, custom slots from a table and
// the real active-profile coordinator over a private settings store.
#include "app/DeviceStateController.h"
#include "app/EqDownlinkController.h"
#include "eq/EQActiveProfileCoordinator.h"
#include "tests/app/TestEnvironment.h"
#include "tests/app/WindowTestSupport.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using Source = EQActiveProfileCoordinator::Source;
using WindowTest::MessageLog;

namespace {

// A custom slot whose record carries index 100 + slot; eight bands, so that
// the Qor model takes it too. Slot 9 has nine, more than a Qor slot may hold.
QJsonObject customSlot(int slot)
{
    QJsonArray freq{62, 125, 250, 500, 1000, 2000, 4000, 8000};
    QJsonArray q{1, 1, 1, 1, 1, 1, 1, 1};
    QJsonArray sound{slot, 0, 0, 0, 0, 0, 0, 0};
    QJsonArray type{"2", "2", "2", "2", "2", "2", "2", "2"};
    if (slot == 9) {
        freq.append(16000);
        q.append(1);
        sound.append(0);
        type.append("2");
    }
    QJsonObject json;
    json.insert(QStringLiteral("sort"), slot);
    json.insert(QStringLiteral("name"), QStringLiteral("slot %1").arg(slot));
    json.insert(QStringLiteral("freq"), freq);
    json.insert(QStringLiteral("q"), q);
    json.insert(QStringLiteral("sound"), sound);
    json.insert(QStringLiteral("type"), type);
    json.insert(QStringLiteral("main_gain"), 0);
    return json;
}

struct FakeLink
{
    bool ready = true;
    bool accepts = true;
    bool qorSession = false;
    QString qorError;
    QList<int> sentIndices; // record index of every send handed over
};

} // namespace

class TestEqDownlinkController : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void failureWithNothingWaitingRestores();
    void pickWaitingDuringASend_data();
    void pickWaitingDuringASend();
    void refusedSendFailsAtOnce_data();
    void refusedSendFailsAtOnce();
    void deviceLossForgetsWhatTheDeviceHeld();
    void waitingPickSurvivesTheLinkGoing_data();
    void waitingPickSurvivesTheLinkGoing();
    void bootstrapSendsTheStoredRecord();
    void editDuringASendGoesAfterIt();

private:
    void build();
    void select(int slot) { m_coordinator->setActiveSelection(EQActiveProfileCoordinator::Custom, QString::number(slot)); }
    // Slot 0 sent and acknowledged.
    void startApplied();
    QString selectedId() const { return m_coordinator->activeId(); }

    TestEnvironment m_env;
    FakeLink m_link;
    std::unique_ptr<EQActiveProfileCoordinator> m_coordinator;
    std::unique_ptr<EqDownlinkController> m_downlink;
};

void TestEqDownlinkController::init()
{
    m_env.clearSettings();
    m_link = FakeLink{};
    build();
}

void TestEqDownlinkController::cleanup()
{
    m_downlink.reset();
    m_coordinator.reset();
}

void TestEqDownlinkController::build()
{
    m_coordinator = std::make_unique<EQActiveProfileCoordinator>();
    m_downlink = std::make_unique<EqDownlinkController>();
    EqDownlinkController::Timings timings;
    timings.retryIntervalMs = 3600000; // ticks come from the test only
    timings.realtimeDebounceMs = 10;
    m_downlink->setTimings(timings);
    FakeLink *link = &m_link;
    m_downlink->setDeviceLink({
        .readyForCommands = [link] { return link->ready; },
        .sendFramed =
            [link](const HeadsetProtocol::EQData &record) {
                link->sentIndices.append(record.index);
                return link->accepts;
            },
        .sendQorChain =
            [link](const HeadsetProtocol::EQData &record, QString *error) {
                link->sentIndices.append(record.index);
                *error = link->qorError;
                return link->accepts;
            },
        .serviceQorSession = [link] { return link->qorSession; },
        .qorMode = [link] { return link->qorSession; },
        .readyForEq = [link] { return link->ready; },
    });
    m_downlink->setPages({
        .findOfficialEffect = [](Source, const QString &, EarphoneApi::EQEffect &) { return false; },
        .findCloudItem = [](const QString &, EarphoneApi::CloudEQItem &) { return false; },
        .customSlot =
            [](int slot, QJsonObject &out) {
                if (slot < 0 || slot > 9)
                    return false;
                out = customSlot(slot);
                return true;
            },
    });
    m_downlink->setCoordinator(m_coordinator.get());
    connect(m_coordinator.get(), &EQActiveProfileCoordinator::activeSelectionChanged, m_downlink.get(),
            &EqDownlinkController::onActiveSelectionChanged);
}

void TestEqDownlinkController::startApplied()
{
    select(0);
    QVERIFY(m_downlink->isSendInFlight());
    m_downlink->onSendSucceeded();
    QCOMPARE(m_link.sentIndices, QList<int>{100});
    QCOMPARE(m_downlink->lastAppliedId(), QStringLiteral("0"));
}

void TestEqDownlinkController::failureWithNothingWaitingRestores()
{
    startApplied();
    QSignalSpy toasts(m_downlink.get(), &EqDownlinkController::failureToastRequested);
    select(1);
    m_downlink->onSendFailed(QStringLiteral("eq command timeout"));
    QCOMPARE(selectedId(), QStringLiteral("0"));
    QCOMPARE(toasts.size(), 1);
    QCOMPARE(toasts.at(0).at(0).toString(), QStringLiteral("设备下发失败，已恢复上次配置"));
    // Restored, not sent: the device still holds slot 0.
    QVERIFY(!m_downlink->isSendInFlight());
    QVERIFY(!m_downlink->isRetryRunning());
    QCOMPARE(m_link.sentIndices, (QList<int>{100, 101}));
}

void TestEqDownlinkController::pickWaitingDuringASend_data()
{
    QTest::addColumn<int>("laterPick");
    QTest::addColumn<bool>("firstSucceeds");
    QTest::addColumn<QList<int>>("sends");
    // The device keeps slot 0 after the failure: a pick back to it needs no send.
    QTest::newRow("another slot, send fails") << 2 << false << QList<int>{100, 101, 102};
    QTest::newRow("back to the applied slot, send fails") << 0 << false << QList<int>{100, 101};
    QTest::newRow("another slot, send succeeds") << 2 << true << QList<int>{100, 101, 102};
    QTest::newRow("back to the applied slot, send succeeds") << 0 << true << QList<int>{100, 101, 100};
}

void TestEqDownlinkController::pickWaitingDuringASend()
{
    QFETCH(int, laterPick);
    QFETCH(bool, firstSucceeds);
    QFETCH(QList<int>, sends);
    startApplied();
    QSignalSpy toasts(m_downlink.get(), &EqDownlinkController::failureToastRequested);
    select(1);
    select(laterPick);
    QVERIFY(m_downlink->isRetryRunning());
    if (firstSucceeds)
        m_downlink->onSendSucceeded();
    else
        m_downlink->onSendFailed(QStringLiteral("eq command timeout"));
    // The user's last pick stands, and is what the next tick sends when the device lacks it.
    QCOMPARE(selectedId(), QString::number(laterPick));
    for (int tick = 0; tick < 3 && m_downlink->isRetryRunning(); ++tick) {
        m_downlink->onRetryTimeout();
        if (m_downlink->isSendInFlight())
            m_downlink->onSendSucceeded();
    }
    QVERIFY(!m_downlink->isRetryRunning());
    QCOMPARE(m_link.sentIndices, sends);
    QCOMPARE(selectedId(), QString::number(laterPick));
    QCOMPARE(m_downlink->lastAppliedId(), QString::number(laterPick));
    QVERIFY(toasts.isEmpty());
}

void TestEqDownlinkController::refusedSendFailsAtOnce_data()
{
    QTest::addColumn<bool>("qor");
    QTest::addColumn<bool>("accepts");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QList<int>>("sends");
    QTest::newRow("framed") << false << false << 1 << QStringLiteral("id=1 reason=transport not ready")
                            << QList<int>{100, 101};
    QTest::newRow("qor chain without a reason")
        << true << false << 1 << QStringLiteral("id=1 reason=qor eq chain failed") << QList<int>{100, 101};
    // The mapping refuses it: nothing reaches the device, and the user hears of it all the same.
    QTest::newRow("qor slot the mapping refuses")
        << true << true << 9 << QStringLiteral("id=9 reason=QOR custom EQ: band count must be 1..8")
        << QList<int>{100};
}

void TestEqDownlinkController::refusedSendFailsAtOnce()
{
    QFETCH(bool, qor);
    QFETCH(bool, accepts);
    QFETCH(int, slot);
    QFETCH(QString, reason);
    QFETCH(QList<int>, sends);
    m_link.qorSession = qor;
    startApplied();
    MessageLog log;
    QSignalSpy toasts(m_downlink.get(), &EqDownlinkController::failureToastRequested);
    m_link.accepts = accepts;
    select(slot);
    QVERIFY(!m_downlink->isSendInFlight());
    QVERIFY(!m_downlink->isRetryRunning());
    QCOMPARE(selectedId(), QStringLiteral("0"));
    QCOMPARE(m_downlink->lastAppliedId(), QStringLiteral("0"));
    QCOMPARE(toasts.size(), 1);
    QCOMPARE(toasts.at(0).at(0).toString(), QStringLiteral("设备下发失败，已恢复上次配置"));
    QVERIFY(log.contains(QStringLiteral("[EQ][Send] apply failed source=4 ") + reason));
    QCOMPARE(m_link.sentIndices, sends);
}

void TestEqDownlinkController::deviceLossForgetsWhatTheDeviceHeld()
{
    startApplied();
    select(1);
    m_downlink->onDeviceLost();
    QVERIFY(!m_downlink->isSendInFlight());
    // The outcome of the lost request never counts.
    m_downlink->onSendSucceeded();
    QCOMPARE(m_downlink->lastAppliedId(), QStringLiteral("0"));

    // Back to slot 0 before the device is ready again: a returning device may hold anything, so it is sent.
    m_link.ready = false;
    m_link.sentIndices.clear();
    select(0);
    QVERIFY(m_downlink->isRetryRunning());
    m_link.ready = true;
    m_downlink->onRetryTimeout();
    QVERIFY(m_downlink->isSendInFlight());
    QCOMPARE(m_link.sentIndices, QList<int>{100});
}

void TestEqDownlinkController::waitingPickSurvivesTheLinkGoing_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<int>>("sends");
    // Slot 0 is applied, slot 1 on its way, slot 2 picked meanwhile; then the link goes and comes back.
    // Gone with the device: the plug-in restores what the user picked last.
    QTest::newRow("device lost")
        << QStringList{"pick:2", "gone", "present", "validated", "link:1"} << QList<int>{100, 101, 102};
    // Validation lost and back with the device still plugged: the send on its way is dropped.
    QTest::newRow("validation lost")
        << QStringList{"pick:2", "unvalidated", "validated", "link:1"} << QList<int>{100, 101, 102};
    // The headset's link down while slot 1 is on its way, which the headset still takes.
    QTest::newRow("link lost, send succeeds meanwhile")
        << QStringList{"pick:2", "link:0", "succeeded", "link:1"} << QList<int>{100, 101, 102};
    // Nothing picked meanwhile: the dropped send's own selection goes once the link is back.
    QTest::newRow("validation lost, nothing picked meanwhile")
        << QStringList{"unvalidated", "validated", "link:1"} << QList<int>{100, 101, 101};
}

void TestEqDownlinkController::waitingPickSurvivesTheLinkGoing()
{
    QFETCH(QStringList, steps);
    QFETCH(QList<int>, sends);
    // The window's device state drives the downlink as in the program.
    DeviceStateController state;
    state.setEqDownlink(m_downlink.get());
    state.onTargetDevicePresentChanged(true);
    state.onProtocolValidatedChanged(true);
    state.onHeadsetLinkChanged(true);
    startApplied();
    select(1);
    QVERIFY(m_downlink->isSendInFlight());

    QString lastPick = QStringLiteral("1");
    for (const QString &step : steps) {
        const QString arg = step.section(QLatin1Char(':'), 1);
        if (step.startsWith(QLatin1String("pick:"))) {
            select(arg.toInt());
            lastPick = arg;
        } else if (step == QLatin1String("gone") || step == QLatin1String("present")) {
            m_link.ready = step == QLatin1String("present");
            state.onTargetDevicePresentChanged(m_link.ready);
        } else if (step == QLatin1String("unvalidated") || step == QLatin1String("validated")) {
            m_link.ready = step == QLatin1String("validated");
            state.onProtocolValidatedChanged(m_link.ready);
        } else if (step.startsWith(QLatin1String("link:"))) {
            m_link.ready = arg == QLatin1String("1");
            state.onHeadsetLinkChanged(m_link.ready);
        } else if (step == QLatin1String("succeeded")) {
            m_downlink->onSendSucceeded();
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown step %1").arg(step)));
        }
    }
    QVERIFY(m_downlink->isRetryRunning());
    for (int tick = 0; tick < 5 && m_downlink->isRetryRunning(); ++tick) {
        m_downlink->onRetryTimeout();
        if (m_downlink->isSendInFlight())
            m_downlink->onSendSucceeded();
    }
    QVERIFY(!m_downlink->isRetryRunning());
    QCOMPARE(m_link.sentIndices, sends);
    QCOMPARE(selectedId(), lastPick);
    QCOMPARE(m_downlink->lastAppliedId(), lastPick);
}

void TestEqDownlinkController::bootstrapSendsTheStoredRecord()
{
    HeadsetProtocol::EQData stored;
    stored.index = 107;
    stored.bandCount = 10;
    for (int i = 0; i < 10; ++i) {
        stored.frequencies.push_back(quint16(100 * (i + 1)));
        stored.gains.push_back(qint16(50 * i));
        stored.qValues.push_back(100);
        stored.filterTypes.push_back(1);
    }
    m_link.ready = false;
    select(3);
    m_coordinator->saveDownlinkSnapshot(false, EqDownlinkController::buildDownlinkSnapshot(stored),
                                        EQActiveProfileCoordinator::Custom, QStringLiteral("3"));
    m_downlink->armBootstrap();
    m_link.ready = true;
    QVERIFY(!EqDownlinkController::buildDownlinkSnapshot(stored).isEmpty());
    m_downlink->bootstrapPersistedEq();
    // The record of the last successful send, not what the pages hold now.
    QCOMPARE(m_link.sentIndices, QList<int>{107});
    m_downlink->onSendSucceeded();
    QVERIFY(m_downlink->isBootstrapDone());
    // Once per device session.
    m_downlink->armBootstrap();
    QVERIFY(!m_downlink->isBootstrapPending());
}

void TestEqDownlinkController::editDuringASendGoesAfterIt()
{
    startApplied();
    m_link.sentIndices.clear();
    select(1);
    m_downlink->scheduleRealtimeSend(EQActiveProfileCoordinator::Custom, QStringLiteral("1"));
    QVERIFY(m_downlink->isRealtimePending());
    // Its quiet time ends while the send is on its way: it waits on.
    m_downlink->sendRealtimeEq();
    QVERIFY(m_downlink->isRealtimePending());
    QCOMPARE(m_link.sentIndices, QList<int>{101});
    m_downlink->onSendSucceeded();
    QTRY_COMPARE(m_link.sentIndices, (QList<int>{101, 101}));
    m_downlink->onSendSucceeded();
    QVERIFY(!m_downlink->isRealtimePending());
}

QTEST_MAIN(TestEqDownlinkController)
#include "tst_eqdownlinkcontroller.moc"
