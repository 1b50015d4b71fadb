// The EQ downlink on its own: a fake device link that records each record it
// is handed and answers when the test says so, custom slots from a table and
// the real active-profile coordinator over a private settings store.
#include "app/DeviceStateController.h"
#include "app/EqDownlinkController.h"
#include "eq/EQActiveProfileCoordinator.h"
#include "tests/app/TestEnvironment.h"
#include "tests/app/WindowTestSupport.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>

#include <memory>

using Source = EQActiveProfileCoordinator::Source;
using WindowTest::MessageLog;

namespace {

// A custom slot whose record carries index 100 + slot and a first band of
// `slot` dB; eight bands, so that the Qor model takes it too. Slot 8's second
// band is a wide boost at 16 kHz that no Qor filter can hold. Slot 9 has nine
// bands, more than a Qor slot may hold.
QJsonObject customSlot(int slot, int firstBandGain)
{
    QJsonArray freq{62, 125, 250, 500, 1000, 2000, 4000, 8000};
    QJsonArray q{1, 1, 1, 1, 1, 1, 1, 1};
    QJsonArray sound{firstBandGain, 0, 0, 0, 0, 0, 0, 0};
    QJsonArray type{"2", "2", "2", "2", "2", "2", "2", "2"};
    if (slot == 8) {
        freq[1] = 16000;
        q[1] = 0.2;
        sound[1] = 10;
    }
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

QJsonObject customSlot(int slot)
{
    return customSlot(slot, slot);
}

struct FakeLink
{
    bool ready = true;
    bool accepts = true;
    bool qorSession = false;
    QString qorError;
    QList<int> sentIndices;   // record index of every send handed over
    QList<int> sentFirstGains; // and its first band's gain, in 0.01 dB
};

// The custom page: slots from the table, an edit replacing one, and what the downlink put back.
struct FakeCustomPage
{
    QHash<int, QJsonObject> edited;
    QList<QPair<int, QJsonObject>> restored;

    QJsonObject slot(int index) const { return edited.value(index, customSlot(index)); }
};

} // namespace

class TestEqDownlinkController : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void failureRestores_data();
    void failureRestores();
    void pickWaitingDuringASend_data();
    void pickWaitingDuringASend();
    void refusedSendFailsAtOnce_data();
    void refusedSendFailsAtOnce();
    void refusalToastInEnglish();
    void deviceLossForgetsWhatTheDeviceHeld();
    void waitingPickSurvivesTheLinkGoing_data();
    void waitingPickSurvivesTheLinkGoing();
    void failedResendWaitsForTheLink_data();
    void failedResendWaitsForTheLink();
    void bootstrapSendsTheStoredRecord();
    void editDuringASendGoesAfterIt();
    void failedEditGoesBack_data();
    void failedEditGoesBack();
    void officialPickBeforeItsList_data();
    void officialPickBeforeItsList();

private:
    void build();
    void select(int slot) { m_coordinator->setActiveSelection(EQActiveProfileCoordinator::Custom, QString::number(slot)); }
    // Slot 0 sent and acknowledged.
    void startApplied();
    QString selectedId() const { return m_coordinator->activeId(); }
    // The window's device state drives the downlink as in the program: present, validated, link up.
    void connectDeviceState(DeviceStateController &state);
    // One step of a table ("pick:2", "gone", "present", "unvalidated", "validated", "link:0", "link:1",
    // "succeeded", "ready"); false for an unknown one.
    bool applyStep(DeviceStateController &state, const QString &step, QString *lastPick);

    TestEnvironment m_env;
    FakeLink m_link;
    FakeCustomPage m_customPage;
    bool m_officialListLoaded = false;
    std::unique_ptr<EQActiveProfileCoordinator> m_coordinator;
    std::unique_ptr<EqDownlinkController> m_downlink;
};

void TestEqDownlinkController::init()
{
    m_env.clearSettings();
    m_link = FakeLink{};
    m_customPage = FakeCustomPage{};
    m_officialListLoaded = false;
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
                link->sentFirstGains.append(record.gains.empty() ? 0 : record.gains[0]);
                return link->accepts;
            },
        .sendQorChain =
            [link](const HeadsetProtocol::EQData &record, QString *error) {
                link->sentIndices.append(record.index);
                link->sentFirstGains.append(record.gains.empty() ? 0 : record.gains[0]);
                *error = link->qorError;
                return link->accepts;
            },
        .serviceQorSession = [link] { return link->qorSession; },
        .qorMode = [link] { return link->qorSession; },
        .readyForEq = [link] { return link->ready; },
    });
    FakeCustomPage *page = &m_customPage;
    bool *listLoaded = &m_officialListLoaded;
    m_downlink->setPages({
        .findOfficialEffect = [](Source, const QString &, EarphoneApi::EQEffect &) { return false; },
        .findCloudItem = [](const QString &, EarphoneApi::CloudEQItem &) { return false; },
        .customSlot =
            [page](int slot, QJsonObject &out) {
                if (slot < 0 || slot > 9)
                    return false;
                out = page->slot(slot);
                return true;
            },
        .officialListLoaded = [listLoaded] { return *listLoaded; },
        .restoreCustomSlot =
            [page](int slot, const QJsonObject &content) {
                page->restored.append({slot, content});
                page->edited.insert(slot, content);
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

void TestEqDownlinkController::connectDeviceState(DeviceStateController &state)
{
    state.setEqDownlink(m_downlink.get());
    state.onTargetDevicePresentChanged(true);
    state.onProtocolValidatedChanged(true);
    state.onHeadsetLinkChanged(true);
}

bool TestEqDownlinkController::applyStep(DeviceStateController &state, const QString &step, QString *lastPick)
{
    const QString arg = step.section(QLatin1Char(':'), 1);
    if (step.startsWith(QLatin1String("pick:"))) {
        select(arg.toInt());
        *lastPick = arg;
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
    } else if (step == QLatin1String("ready")) {
        m_link.ready = true; // the device service takes commands again, without a state change heard
    } else {
        return false;
    }
    return true;
}

void TestEqDownlinkController::failureRestores_data()
{
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("resendOutcome"); // "ok", "time-out", "after the link" or "" (no resend expected)
    QTest::addColumn<QList<int>>("sends");
    QTest::addColumn<QStringList>("toasts");
    const QStringList reverted{QStringLiteral("设备下发失败，已恢复上次配置")};
    // The answer came too late or not at all: the headset may hold slot 1, so slot 0 goes once more.
    QTest::newRow("time-out") << QStringLiteral("eq command timeout") << QStringLiteral("ok")
                              << QList<int>{100, 101, 100} << reverted;
    QTest::newRow("command failed") << QStringLiteral("eq command failed") << QStringLiteral("ok")
                                    << QList<int>{100, 101, 100} << reverted;
    // The link is down as the failure comes: slot 0 waits for it like a pick.
    QTest::newRow("time-out, link down") << QStringLiteral("eq command timeout") << QStringLiteral("after the link")
                                         << QList<int>{100, 101, 100} << reverted;
    // No further try while this link stays (slot 0 waits for its return: failedResendWaitsForTheLink),
    // and the user hears that the restore did not arrive.
    QTest::newRow("time-out, and the resend too")
        << QStringLiteral("eq command timeout") << QStringLiteral("time-out") << QList<int>{100, 101, 100}
        << reverted + QStringList{QStringLiteral("设备下发失败")};
    // The headset refused it and changed nothing.
    QTest::newRow("refused by the headset") << EqDownlinkController::deviceRejectedReason() << QString()
                                            << QList<int>{100, 101} << reverted;
}

void TestEqDownlinkController::failureRestores()
{
    QFETCH(QString, reason);
    QFETCH(QString, resendOutcome);
    QFETCH(QList<int>, sends);
    QFETCH(QStringList, toasts);
    startApplied();
    QSignalSpy toastSpy(m_downlink.get(), &EqDownlinkController::failureToastRequested);
    select(1);
    const bool afterTheLink = resendOutcome == QLatin1String("after the link");
    m_link.ready = !afterTheLink;
    m_downlink->onSendFailed(reason);
    QCOMPARE(selectedId(), QStringLiteral("0"));
    QCOMPARE(toastSpy.size(), 1);
    QCOMPARE(toastSpy.at(0).at(0).toString(), QStringLiteral("设备下发失败，已恢复上次配置"));
    QCOMPARE(m_downlink->isSendInFlight(), !resendOutcome.isEmpty() && !afterTheLink);
    if (afterTheLink) {
        QVERIFY(m_downlink->isRetryRunning());
        m_downlink->onRetryTimeout();
        QVERIFY(!m_downlink->isSendInFlight());
        m_link.ready = true;
        m_downlink->onRetryTimeout();
        QVERIFY(m_downlink->isSendInFlight());
        m_downlink->onSendSucceeded();
    }
    if (resendOutcome == QLatin1String("ok"))
        m_downlink->onSendSucceeded();
    else if (resendOutcome == QLatin1String("time-out"))
        m_downlink->onSendFailed(QStringLiteral("eq command timeout"));
    QVERIFY(!m_downlink->isSendInFlight());
    QVERIFY(!m_downlink->isRetryRunning());
    QCOMPARE(m_link.sentIndices, sends);
    QCOMPARE(selectedId(), QStringLiteral("0"));
    QCOMPARE(m_downlink->lastAppliedId(), QStringLiteral("0"));
    QStringList told;
    for (const QList<QVariant> &toast : toastSpy)
        told.append(toast.at(0).toString());
    QCOMPARE(told, toasts);
}

void TestEqDownlinkController::pickWaitingDuringASend_data()
{
    QTest::addColumn<int>("laterPick");
    QTest::addColumn<QString>("failure"); // empty: the send succeeds
    QTest::addColumn<QList<int>>("sends");
    const QString timeout = QStringLiteral("eq command timeout");
    QTest::newRow("another slot, send times out") << 2 << timeout << QList<int>{100, 101, 102};
    // The headset may hold slot 1: a pick back to slot 0 is sent.
    QTest::newRow("back to the applied slot, send times out") << 0 << timeout << QList<int>{100, 101, 100};
    // The headset refused slot 1 and kept slot 0: a pick back to it needs no send.
    QTest::newRow("back to the applied slot, send refused")
        << 0 << EqDownlinkController::deviceRejectedReason() << QList<int>{100, 101};
    QTest::newRow("another slot, send succeeds") << 2 << QString() << QList<int>{100, 101, 102};
    QTest::newRow("back to the applied slot, send succeeds") << 0 << QString() << QList<int>{100, 101, 100};
}

void TestEqDownlinkController::pickWaitingDuringASend()
{
    QFETCH(int, laterPick);
    QFETCH(QString, failure);
    QFETCH(QList<int>, sends);
    startApplied();
    QSignalSpy toasts(m_downlink.get(), &EqDownlinkController::failureToastRequested);
    select(1);
    select(laterPick);
    QVERIFY(m_downlink->isRetryRunning());
    if (failure.isEmpty())
        m_downlink->onSendSucceeded();
    else
        m_downlink->onSendFailed(failure);
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
    QTest::addColumn<QString>("toast");
    QTest::addColumn<int>("toastMs");
    const QString plain = QStringLiteral("设备下发失败，已恢复上次配置");
    QTest::newRow("framed") << false << false << 1 << QStringLiteral("id=1 reason=transport not ready")
                            << QList<int>{100, 101} << plain << 1000;
    QTest::newRow("qor chain without a reason")
        << true << false << 1 << QStringLiteral("id=1 reason=qor eq chain failed") << QList<int>{100, 101} << plain
        << 1000;
    // The chain refuses a band its filters cannot hold: the toast names it and says why.
    QTest::newRow("qor band the filters cannot hold")
        << true << false << 8 << QStringLiteral("id=8 reason=qor eq chain failed") << QList<int>{100, 108}
        << QStringLiteral("第2段（16000 Hz）超出耳机滤波器的范围：该频率下增益过高或 Q 值过小。已恢复上次配置") << 3000;
    // The mapping refuses it: nothing reaches the device, and the user hears of it all the same.
    QTest::newRow("qor slot the mapping refuses")
        << true << true << 9 << QStringLiteral("id=9 reason=QOR custom EQ: band count must be 1..8")
        << QList<int>{100} << plain << 1000;
}

void TestEqDownlinkController::refusedSendFailsAtOnce()
{
    QFETCH(bool, qor);
    QFETCH(bool, accepts);
    QFETCH(int, slot);
    QFETCH(QString, reason);
    QFETCH(QList<int>, sends);
    QFETCH(QString, toast);
    QFETCH(int, toastMs);
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
    QCOMPARE(toasts.at(0).at(0).toString(), toast);
    QCOMPARE(toasts.at(0).at(1).toInt(), toastMs);
    QVERIFY(log.contains(QStringLiteral("[EQ][Send] apply failed source=4 ") + reason));
    // Nothing reached the device: nothing is sent again.
    QCOMPARE(m_link.sentIndices, sends);
}

void TestEqDownlinkController::refusalToastInEnglish()
{
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/i18n/VELKORA_en_US.qm")));
    QVERIFY(QCoreApplication::installTranslator(&english));
    const auto uninstall = qScopeGuard([&] { QCoreApplication::removeTranslator(&english); });
    m_link.qorSession = true;
    m_coordinator->setQorMode(true);
    startApplied();
    QSignalSpy toasts(m_downlink.get(), &EqDownlinkController::failureToastRequested);
    m_link.accepts = false;
    select(8);
    QCOMPARE(toasts.size(), 1);
    QCOMPARE(toasts.at(0).at(0).toString(),
             QStringLiteral("Band 2 (16000 Hz) is beyond what the headset's filters can hold: the gain is too high or "
                            "the Q too low for this frequency. Reverted to previous configuration"));
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
    DeviceStateController state;
    connectDeviceState(state);
    startApplied();
    select(1);
    QVERIFY(m_downlink->isSendInFlight());

    QString lastPick = QStringLiteral("1");
    for (const QString &step : steps)
        QVERIFY2(applyStep(state, step, &lastPick), qPrintable(step));
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

void TestEqDownlinkController::failedResendWaitsForTheLink_data()
{
    QTest::addColumn<QString>("resendFailure"); // "not written": the link took nothing
    QTest::addColumn<bool>("readyAtFailure");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<int>>("sends");
    QTest::addColumn<QString>("ends"); // the selection, and what the device acknowledged last
    QTest::addColumn<bool>("toldNotDelivered");
    const QString timeout = QStringLiteral("eq command timeout");
    const QStringList linkBounce{"link:0", "link:1"};
    // Slot 0 is applied, slot 1 times out (the headset may hold it), and slot 0 once more fails as well.
    QTest::newRow("time-out, link down and up")
        << timeout << true << linkBounce << QList<int>{100, 101, 100, 100} << "0" << true;
    QTest::newRow("time-out, validation lost and back")
        << timeout << true << QStringList{"unvalidated", "validated", "link:1"} << QList<int>{100, 101, 100, 100}
        << "0" << true;
    QTest::newRow("command failed, link down and up")
        << QStringLiteral("eq command failed") << true << linkBounce << QList<int>{100, 101, 100, 100} << "0"
        << true;
    QTest::newRow("not written, link down and up")
        << QStringLiteral("not written") << true << linkBounce << QList<int>{100, 101, 100, 100} << "0" << true;
    // No link as it fails: the wait starts at once, like a pick that found no link.
    QTest::newRow("time-out, no link at the failure")
        << timeout << false << QStringList{"ready"} << QList<int>{100, 101, 100, 100} << "0" << true;
    // A pick meanwhile goes at once, and slot 0 does not follow it.
    QTest::newRow("time-out, picked meanwhile")
        << timeout << true << QStringList{"pick:2", "link:0", "link:1"} << QList<int>{100, 101, 100, 102} << "2"
        << true;
    // The headset refused slot 0 and changed nothing: nothing waits.
    QTest::newRow("refused by the headset")
        << EqDownlinkController::deviceRejectedReason() << true << linkBounce << QList<int>{100, 101, 100} << "0"
        << false;
}

void TestEqDownlinkController::failedResendWaitsForTheLink()
{
    QFETCH(QString, resendFailure);
    QFETCH(bool, readyAtFailure);
    QFETCH(QStringList, steps);
    QFETCH(QList<int>, sends);
    QFETCH(QString, ends);
    QFETCH(bool, toldNotDelivered);
    DeviceStateController state;
    connectDeviceState(state);
    startApplied();
    QSignalSpy toasts(m_downlink.get(), &EqDownlinkController::failureToastRequested);
    select(1);
    const bool notWritten = resendFailure == QLatin1String("not written");
    m_link.accepts = !notWritten;
    m_downlink->onSendFailed(QStringLiteral("eq command timeout"));
    m_link.accepts = true;
    QCOMPARE(m_downlink->isSendInFlight(), !notWritten);
    m_link.ready = readyAtFailure;
    if (!notWritten)
        m_downlink->onSendFailed(resendFailure);
    QVERIFY(!m_downlink->isSendInFlight());
    QCOMPARE(m_link.sentIndices, (QList<int>{100, 101, 100}));
    QCOMPARE(selectedId(), QStringLiteral("0"));
    // A link that failed twice gets no third try while it stays.
    QCOMPARE(m_downlink->isRetryRunning(), !readyAtFailure);

    QString lastPick = QStringLiteral("0");
    for (const QString &step : steps)
        QVERIFY2(applyStep(state, step, &lastPick), qPrintable(step));
    for (int tick = 0; tick < 5; ++tick) {
        if (m_downlink->isSendInFlight())
            m_downlink->onSendSucceeded();
        if (!m_downlink->isRetryRunning())
            break;
        m_downlink->onRetryTimeout();
    }
    QVERIFY(!m_downlink->isSendInFlight());
    QVERIFY(!m_downlink->isRetryRunning());
    QCOMPARE(m_link.sentIndices, sends);
    QCOMPARE(selectedId(), ends);
    QCOMPARE(m_downlink->lastAppliedId(), ends);
    QCOMPARE(toasts.size(), toldNotDelivered ? 2 : 1);
    if (toldNotDelivered)
        QCOMPARE(toasts.at(1).at(0).toString(), QStringLiteral("设备下发失败"));
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

void TestEqDownlinkController::failedEditGoesBack_data()
{
    QTest::addColumn<bool>("qor");
    QTest::addColumn<QString>("failure"); // empty: refused at once by the chain
    QTest::addColumn<QList<int>>("firstGains");
    // Slot 0 was applied with 0 dB in its first band; the edit makes it 5 dB.
    QTest::newRow("qor chain refuses the edit") << true << QString() << QList<int>{0, 500};
    QTest::newRow("headset refuses the edit") << false << EqDownlinkController::deviceRejectedReason()
                                              << QList<int>{0, 500};
    // The headset may hold the edit: the slot as it was goes once more.
    QTest::newRow("edit times out") << false << QStringLiteral("eq command timeout") << QList<int>{0, 500, 0};
}

// The toast says the last configuration is back: the slot is, on the page and in its file.
void TestEqDownlinkController::failedEditGoesBack()
{
    QFETCH(bool, qor);
    QFETCH(QString, failure);
    QFETCH(QList<int>, firstGains);
    m_link.qorSession = qor;
    m_coordinator->setQorMode(qor); // as the window's device state has it before the first send
    startApplied();
    QSignalSpy toasts(m_downlink.get(), &EqDownlinkController::failureToastRequested);
    m_customPage.edited.insert(0, customSlot(0, 5));
    m_link.accepts = !failure.isEmpty();
    m_downlink->scheduleRealtimeSend(EQActiveProfileCoordinator::Custom, QStringLiteral("0"));
    m_downlink->sendRealtimeEq();
    if (!failure.isEmpty()) {
        QVERIFY(m_downlink->isSendInFlight());
        m_downlink->onSendFailed(failure);
    }
    QCOMPARE(m_customPage.restored.size(), 1);
    QCOMPARE(m_customPage.restored.first().first, 0);
    QCOMPARE(m_customPage.restored.first().second, customSlot(0));
    QCOMPARE(toasts.size(), 1);
    QCOMPARE(selectedId(), QStringLiteral("0"));
    if (m_downlink->isSendInFlight())
        m_downlink->onSendSucceeded();
    QCOMPARE(m_link.sentFirstGains, firstGains);
    QVERIFY(!m_downlink->isRealtimePending());

    // The same edit again is tried again (and goes back again), not taken as what the device holds.
    m_customPage.edited.insert(0, customSlot(0, 5));
    m_downlink->scheduleRealtimeSend(EQActiveProfileCoordinator::Custom, QStringLiteral("0"));
    m_downlink->sendRealtimeEq();
    QCOMPARE(m_link.sentFirstGains.last(), 500);
}

void TestEqDownlinkController::officialPickBeforeItsList_data()
{
    QTest::addColumn<bool>("listLoaded");
    // Not listed yet: nothing to send and nothing failed; the pick stands for the list to bring it.
    QTest::newRow("list not here yet") << false;
    // The list came without it: a failure the user sees, and the selection goes back.
    QTest::newRow("list without it") << true;
}

void TestEqDownlinkController::officialPickBeforeItsList()
{
    QFETCH(bool, listLoaded);
    startApplied();
    m_officialListLoaded = listLoaded;
    MessageLog log;
    QSignalSpy toasts(m_downlink.get(), &EqDownlinkController::failureToastRequested);
    m_coordinator->setActiveSelection(EQActiveProfileCoordinator::OfficialBasic, QStringLiteral("pop"));
    QVERIFY(!m_downlink->isSendInFlight());
    QCOMPARE(m_link.sentIndices, QList<int>{100});
    QCOMPARE(toasts.size(), listLoaded ? 1 : 0);
    QCOMPARE(m_coordinator->activeSource(), listLoaded ? EQActiveProfileCoordinator::Custom
                                                       : EQActiveProfileCoordinator::OfficialBasic);
    QCOMPARE(log.contains(QStringLiteral("[EQ][Send] map failed source=1 id=pop error=official preset is not in "
                                         "the list")),
             listLoaded);
}

QTEST_MAIN(TestEqDownlinkController)
#include "tst_eqdownlinkcontroller.moc"
