// The active EQ on its way to the headset: the downlink snapshot, the wait
// for the link, the restore after a failed send, the quiet time of edits and
// a send lost with its device.
#include "app/EqDownlinkController.h"
#include "app/HeadphonesDevice.h"
#include "devicepages/EquipmentContentsBar.h"
#include "eq/EQActiveProfileCoordinator.h"
#include "eq/EQCustomContent.h"
#include "hid/HidProtocolService.h"
#include "protocol/EQData.h"
#include "eq/CustomEqSlotStore.h"
#include "eq/EQCurveEditor.h"
#include "eq/EQOfficialPresetContent.h"
#include "eq/EQSoundListController.h"
#include "eq/FloatingPointEditor.h"
#include "tests/hid/HidTestDevices.h"
#include "tests/support/virtualheadset/EqRecord.h"
#include "tests/support/virtualqor/VirtualQorDevice.h"
#include "tests/app/DeviceWindowRig.h"
#include "tests/app/TestEnvironment.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/cloud/CloudTestSupport.h"
#include "tests/support/testenv/ReadOnlySettingsFile.h"
#include "widgets/GradientButton.h"

#include <QDoubleSpinBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <memory>

using DeviceWindowTest::DeviceWindowRig;
using DeviceWindowTest::MessageLog;
using Source = EQActiveProfileCoordinator::Source;

namespace {
constexpr std::uint16_t kEqCommand = 0x20;

HeadsetProtocol::EQData tenBands()
{
    return ServiceTest::tenBandEq();
}

// An official preset as the server lists it for the Qor model: ten bands in
// the Qasp type codes, the last two of them shaping the sound.
EarphoneApi::EQEffect qorPreset(const QString &id, const QString &index, const QString &firstBandType,
                                double firstBandGain)
{
    EarphoneApi::EQEffect effect;
    effect.id = id;
    effect.name = QStringLiteral("preset %1").arg(id);
    effect.gain = index;
    effect.freq = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
    effect.sound = {-3, 2.5, -1, 0, -2, 1.5, -4, 2, -6, 3};
    effect.q = {0.7, 1, 1.4, 2, 1, 0.7, 1, 2, 1, 0.7};
    effect.type = QStringList(10, QStringLiteral("2"));
    effect.type[0] = firstBandType;
    effect.sound[0] = firstBandGain;
    effect.main_gain = -2;
    return effect;
}

// A ten-band official preset for the standard headsets, written with preset index `index`.
EarphoneApi::EQEffect standardPreset(const QString &id, const QString &index)
{
    EarphoneApi::EQEffect effect = qorPreset(id, index, QStringLiteral("1"), -3);
    effect.type = QStringList(10, QStringLiteral("1"));
    return effect;
}

QJsonObject slotFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
}

// A slot's curve: its four band arrays.
QJsonObject curveOf(const QJsonObject &slot)
{
    QJsonObject curve;
    for (const char *key : {"freq", "q", "sound", "type"})
        curve.insert(QLatin1String(key), slot.value(QLatin1String(key)));
    return curve;
}

HeadsetProtocol::EQData qorCustomBands()
{
    HeadsetProtocol::EQData eq;
    eq.index = 100;
    eq.bandCount = 3;
    eq.frequencies = {100, 1000, 8000};
    eq.gains = {300, -200, 450};
    eq.qValues = {71, 100, 71};
    eq.filterTypes = {1, 0, 2};
    eq.totalGain = 0;
    eq.qorCustom = true;
    return eq;
}
} // namespace

class TestMainWindowEq : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void snapshotRoundTrip_data();
    void snapshotRoundTrip();
    void damagedSnapshotRejected_data();
    void damagedSnapshotRejected();
    void damagedStoredSnapshotClearedAtConnect();
    void retryGivesUpAfterItsTicks();
    void failedSendRestoresSelection();
    void pickDuringAFailingSendWins();
    void editBurstGivesOneSend();
    void customIdMustBeASlotIndex();
    void sendLostWithTheDeviceDoesNotBlockTheNext();
    void pickReplacesWaitingPreview();
    void qorOfficialPresetWritesItsFirstEightBands();
    void qorPresetTheChainRefusesIsUndone();
    void qorTrebleShelfPresetIsWritten();
    void headsetEndsOnThePagesEq_data();
    void headsetEndsOnThePagesEq();
    void qorRefusedEditIsUndone();
    void officialPickWaitsForItsList_data();
    void officialPickWaitsForItsList();
    void unsavedPickSaysSoOnce_data();
    void unsavedPickSaysSoOnce();

private:
    EQActiveProfileCoordinator *coordinator() { return m_rig->window().contentBar()->activeProfileCoordinator(); }
    // The receiver linked and the window's first send of custom slot 0 confirmed.
    bool startWithCustomSlot();
    // The Qor decoder in its session, the official page holding `presets`, the window shown.
    std::shared_ptr<VirtualDevices::VirtualQorDevice> startWithQor(const QList<EarphoneApi::EQEffect> &presets);
    // The index of the EQ record the virtual headset holds, -1 for none.
    int heldIndex();

    TestEnvironment m_env;
    std::unique_ptr<DeviceWindowRig> m_rig;
};

void TestMainWindowEq::initTestCase()
{
    CloudTest::bypassProxy();
}

void TestMainWindowEq::init()
{
    m_env.clearSettings();
    m_rig = std::make_unique<DeviceWindowRig>();
    QVERIFY(m_rig->serverStarted());
}

void TestMainWindowEq::cleanup()
{
    m_rig.reset();
}

bool TestMainWindowEq::startWithCustomSlot()
{
    m_rig->plugReceiver();
    m_rig->build();
    if (!m_rig->waitUsable())
        return false;
    QSignalSpy sent(&m_rig->service(), &HidProtocolService::eqSendSucceeded);
    coordinator()->setActiveSelection(EQActiveProfileCoordinator::Custom, QStringLiteral("0"));
    return sent.wait(5000);
}

int TestMainWindowEq::heldIndex()
{
    const std::optional<VirtualDevices::EqRecord> held = VirtualDevices::decodeEqRecord(m_rig->headset().state().eq);
    return held ? int(held->index) : -1;
}

std::shared_ptr<VirtualDevices::VirtualQorDevice> TestMainWindowEq::startWithQor(
    const QList<EarphoneApi::EQEffect> &presets)
{
    // The official list is the test's alone: the server never answers for it.
    m_rig->server().setFault(QStringLiteral("home/common/soundList"), FakeApi::Fault::of(FakeApi::Fault::Kind::Stall));
    std::shared_ptr<VirtualDevices::VirtualQorDevice> decoder = m_rig->plugQor();
    HeadphonesDevice &window = m_rig->build();
    if (!m_rig->show() || !QTest::qWaitFor([&] { return window.isDeviceReadyForEq(); }, 10000))
        return nullptr;
    emit window.contentBar()->officialPresetPage()->soundList()->officialSoundsLoaded(presets, {});
    return decoder;
}

void TestMainWindowEq::snapshotRoundTrip_data()
{
    QTest::addColumn<HeadsetProtocol::EQData>("record");
    QTest::newRow("ten bands") << tenBands();
    // The TLV form does not carry the Qor flag; the snapshot's head does.
    QTest::newRow("qor custom") << qorCustomBands();
}

void TestMainWindowEq::snapshotRoundTrip()
{
    QFETCH(HeadsetProtocol::EQData, record);
    const QByteArray snapshot = HeadphonesDevice::buildDownlinkSnapshot(record);
    QVERIFY(snapshot.startsWith("DRQ1\x01"));
    const std::optional<HeadsetProtocol::EQData> back = HeadphonesDevice::parseDownlinkSnapshot(snapshot);
    QVERIFY(back);
    QVERIFY(*back == record);
}

void TestMainWindowEq::damagedSnapshotRejected_data()
{
    const QByteArray good = HeadphonesDevice::buildDownlinkSnapshot(tenBands());
    QTest::addColumn<QByteArray>("snapshot");
    QTest::newRow("five bytes") << good.left(5);
    QTest::newRow("other magic") << QByteArray("DRQ2").append(good.mid(4));
    QTest::newRow("version 2") << QByteArray(good).replace(4, 1, "\x02");
    QTest::newRow("cut record") << good.left(good.size() - 1);
}

void TestMainWindowEq::damagedSnapshotRejected()
{
    QFETCH(QByteArray, snapshot);
    QVERIFY(!HeadphonesDevice::parseDownlinkSnapshot(snapshot));
}

void TestMainWindowEq::damagedStoredSnapshotClearedAtConnect()
{
    {
        EQActiveProfileCoordinator stored;
        stored.setActiveSelection(EQActiveProfileCoordinator::Custom, QStringLiteral("0"));
        stored.saveDownlinkSnapshot(false, QByteArray("DRQ1\x02\x00garbage", 12), EQActiveProfileCoordinator::Custom,
                                    QStringLiteral("0"));
    }
    MessageLog log;
    m_rig->plugReceiver();
    m_rig->build();
    QSignalSpy sent(&m_rig->service(), &HidProtocolService::eqSendSucceeded);
    QVERIFY(QTest::qWaitFor(
        [&] { return log.contains(QStringLiteral("[EQ][PersistedBootstrap] snapshot corrupt, cleared source=4 id=0")); },
        10000));
    // The selection itself is sent from the pages instead, and its snapshot replaces the damaged one.
    QTRY_VERIFY_WITH_TIMEOUT(!sent.isEmpty(), 5000);
    QByteArray snapshot;
    QVERIFY(coordinator()->loadDownlinkSnapshot(false, EQActiveProfileCoordinator::Custom, QStringLiteral("0"), &snapshot));
    QVERIFY(HeadphonesDevice::parseDownlinkSnapshot(snapshot));
}

void TestMainWindowEq::retryGivesUpAfterItsTicks()
{
    HeadphonesDeviceTimings timings = DeviceWindowTest::fastTimings();
    timings.eqRetryIntervalMs = 3600000; // ticks come from the test only
    HeadphonesDevice &window = m_rig->build(timings);
    MessageLog log;
    coordinator()->setActiveSelection(EQActiveProfileCoordinator::Custom, QStringLiteral("0"));
    QVERIFY(window.isEqDownlinkRetryRunning());
    for (int tick = 1; tick < timings.eqRetryTicks; ++tick)
        window.onEqDownlinkRetryTimeout();
    QVERIFY(window.isEqDownlinkRetryRunning());
    QVERIFY(!log.contains(QStringLiteral("[EQ][DownlinkRetry] give up")));
    window.onEqDownlinkRetryTimeout();
    QVERIFY(!window.isEqDownlinkRetryRunning());
    QVERIFY(log.contains(QStringLiteral("[EQ][DownlinkRetry] give up reason=link-not-ready-after-wait")));
}

void TestMainWindowEq::failedSendRestoresSelection()
{
    QVERIFY(startWithCustomSlot());
    QVERIFY(m_rig->show());
    WindowTest::ToastRecorder toasts;
    m_rig->headset().scriptFault({.command = kEqCommand}, VirtualDevices::ReplyFault{.noAnswer = true});
    QSignalSpy failed(&m_rig->service(), &HidProtocolService::eqSendFailed);
    coordinator()->setActiveSelection(EQActiveProfileCoordinator::Custom, QStringLiteral("1"));
    QVERIFY(failed.wait(10000));
    QCOMPARE(coordinator()->activeSource(), EQActiveProfileCoordinator::Custom);
    QCOMPARE(coordinator()->activeId(), QStringLiteral("0"));
    QTRY_VERIFY(toasts.texts.contains(QStringLiteral("设备下发失败，已恢复上次配置")));
    // Slot 0 goes once more (see headsetEndsOnThePagesEq), and nothing after it.
    QTRY_VERIFY_WITH_TIMEOUT(!m_rig->window().isEqSendInFlight(), 10000);
    QVERIFY(!m_rig->window().isEqDownlinkRetryRunning());
}

void TestMainWindowEq::pickDuringAFailingSendWins()
{
    QVERIFY(startWithCustomSlot());
    HeadphonesDevice &window = m_rig->window();
    WindowTest::ToastRecorder toasts;
    m_rig->headset().clearLog();
    m_rig->headset().scriptFault({.command = kEqCommand}, VirtualDevices::ReplyFault{.noAnswer = true});
    QSignalSpy failed(&m_rig->service(), &HidProtocolService::eqSendFailed);
    QSignalSpy sent(&m_rig->service(), &HidProtocolService::eqSendSucceeded);
    coordinator()->setActiveSelection(EQActiveProfileCoordinator::Custom, QStringLiteral("1"));
    QVERIFY(window.isEqSendInFlight());
    // Picked while slot 1 is on its way; slot 1 then fails.
    coordinator()->setActiveSelection(EQActiveProfileCoordinator::Custom, QStringLiteral("2"));
    QVERIFY(failed.wait(10000));
    QVERIFY(sent.wait(5000));
    QTRY_VERIFY_WITH_TIMEOUT(!window.isEqSendInFlight() && !window.isEqDownlinkRetryRunning(), 5000);

    QCOMPARE(coordinator()->activeSource(), EQActiveProfileCoordinator::Custom);
    QCOMPARE(coordinator()->activeId(), QStringLiteral("2"));
    // Slot 1 and slot 2, and never slot 0 again, which the device had acknowledged.
    QCOMPARE(m_rig->headset().commandCount(kEqCommand), 2);
    QCOMPARE(sent.size(), 1);
    QJsonObject slot;
    QVERIFY(window.contentBar()->customPage()->customPresetJson(2, slot));
    const std::optional<VirtualDevices::EqRecord> held = VirtualDevices::decodeEqRecord(m_rig->headset().state().eq);
    QVERIFY(held);
    QCOMPARE(int(held->index), 100 + slot.value(QStringLiteral("sort")).toInt());
    // Nothing was reverted, so no toast says so.
    QVERIFY(!toasts.texts.contains(QStringLiteral("设备下发失败，已恢复上次配置")));
}

void TestMainWindowEq::editBurstGivesOneSend()
{
    QVERIFY(startWithCustomSlot());
    HeadphonesDevice &window = m_rig->window();
    m_rig->headset().clearLog();
    QSignalSpy sent(&m_rig->service(), &HidProtocolService::eqSendSucceeded);
    EQCustomContent *custom = window.contentBar()->customPage();
    // Settled: nothing waits for its quiet time and nothing is on its way.
    const auto settled = [&window] { return !window.isRealtimeEqPending() && !window.isEqSendInFlight(); };
    for (int i = 0; i < 3; ++i)
        emit custom->customPresetEdited(0);
    QVERIFY(sent.wait(5000));
    QTRY_VERIFY_WITH_TIMEOUT(settled(), 5000);
    QCOMPARE(m_rig->headset().commandCount(kEqCommand), 1);

    // The same content again has nothing new for the device; an edit of another slot is not the active EQ.
    emit custom->customPresetEdited(0);
    emit custom->customPresetEdited(1);
    QVERIFY(window.isRealtimeEqPending());
    QTRY_VERIFY_WITH_TIMEOUT(settled(), 5000);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(m_rig->headset().commandCount(kEqCommand), 1);

    // Re-imported with that same content, the active slot is sent all the same.
    emit custom->customPresetImported(0);
    QVERIFY(sent.wait(5000));
    QTRY_VERIFY_WITH_TIMEOUT(settled(), 5000);
    QCOMPARE(m_rig->headset().commandCount(kEqCommand), 2);
}

void TestMainWindowEq::customIdMustBeASlotIndex()
{
    HeadphonesDevice &window = m_rig->build();
    MessageLog log;
    window.sendActiveEq(EQActiveProfileCoordinator::Custom, QStringLiteral("x1"));
    QVERIFY(!window.isEqSendInFlight());
    QVERIFY(log.contains(
        QStringLiteral("[EQ][Send] map failed source=4 id=x1 error=custom active id is not a valid sort index")));
}

void TestMainWindowEq::sendLostWithTheDeviceDoesNotBlockTheNext()
{
    m_rig->plugReceiver();
    m_rig->build();
    QVERIFY(m_rig->waitUsable());
    m_rig->headset().scriptFault({.command = kEqCommand}, VirtualDevices::ReplyFault{.noAnswer = true});
    coordinator()->setActiveSelection(EQActiveProfileCoordinator::Custom, QStringLiteral("0"));
    QVERIFY(m_rig->window().isEqSendInFlight());
    QVERIFY(QTest::qWaitFor([this] { return m_rig->headset().commandCount(kEqCommand) == 1; }, 5000));
    // The device goes before it answers: the service drops the request's outcome.
    QSignalSpy presence(&m_rig->service(), &HidProtocolService::targetDevicePresentChanged);
    QVERIFY(m_rig->unplugReceiver());
    // Replugging before the removal was seen would look like no change at all.
    QTRY_VERIFY_WITH_TIMEOUT(!presence.isEmpty() && !presence.last().at(0).toBool(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_rig->window().isDeviceUsable(), 5000);
    QVERIFY(!m_rig->window().isEqSendInFlight());

    QSignalSpy sent(&m_rig->service(), &HidProtocolService::eqSendSucceeded);
    m_rig->replugReceiver();
    QVERIFY(sent.wait(10000));
    QCOMPARE(m_rig->headset().commandCount(kEqCommand), 2);
}

void TestMainWindowEq::pickReplacesWaitingPreview()
{
    m_rig->plugReceiver();
    HeadphonesDeviceTimings timings = DeviceWindowTest::fastTimings();
    timings.eqRetryIntervalMs = 3600000; // ticks come from the test only
    HeadphonesDevice &window = m_rig->build(timings);
    EarphoneApi::CloudEQItem preview;
    preview.id = QStringLiteral("77");
    preview.freq = QStringList{"100", "1000", "8000"};
    preview.q = QStringList{"0.7", "1", "0.7"};
    preview.sound = QStringList{"3", "-2", "4"};
    // Both wait for the link; the later pick is what the user wants to hear.
    window.applyEphemeralCloudEq(preview);
    coordinator()->setActiveSelection(EQActiveProfileCoordinator::Custom, QStringLiteral("0"));
    QSignalSpy sent(&m_rig->service(), &HidProtocolService::eqSendSucceeded);
    QVERIFY(m_rig->waitUsable());
    for (int tick = 0; tick < 3; ++tick) {
        QTRY_VERIFY_WITH_TIMEOUT(!window.isEqSendInFlight(), 5000);
        if (window.isEqDownlinkRetryRunning())
            window.onEqDownlinkRetryTimeout();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!window.isEqSendInFlight(), 5000);
    QCOMPARE(sent.count(), 1);
    QCOMPARE(m_rig->headset().commandCount(kEqCommand), 1);
    QCOMPARE(coordinator()->activeSource(), EQActiveProfileCoordinator::Custom);
    QCOMPARE(coordinator()->activeId(), QStringLiteral("0"));
}

void TestMainWindowEq::qorOfficialPresetWritesItsFirstEightBands()
{
    const EarphoneApi::EQEffect preset = qorPreset(QStringLiteral("pop"), QStringLiteral("4"), QStringLiteral("1"), -3);
    const std::shared_ptr<VirtualDevices::VirtualQorDevice> decoder = startWithQor({preset});
    QVERIFY(decoder);
    WindowTest::ToastRecorder toasts;
    QSignalSpy sent(&m_rig->service(), &HidProtocolService::eqSendSucceeded);
    coordinator()->setActiveSelection(EQActiveProfileCoordinator::OfficialBasic, QStringLiteral("pop"));
    QVERIFY(sent.wait(10000));

    QCOMPARE(decoder->completedWrites(), 1);
    QCOMPARE(decoder->errors(), std::vector<std::string>{});
    const auto held = decoder->filterSlots();
    for (int slot = 0; slot < VirtualDevices::VirtualQorDevice::kSlots; ++slot) {
        QCOMPARE(int(held[slot].eqNumber), 4);
        QCOMPARE(int(held[slot].fcHz), int(preset.freq[slot]));
        QCOMPARE(held[slot].gainDb(), preset.sound[slot]);
        QCOMPARE(int(held[slot].kind), slot == 0 ? 1 : 2);
    }
    QCOMPARE(decoder->overallGainDb(), -2.0);
    QVERIFY(m_rig->log().containsSubstring(
        QStringLiteral("[QOR][CbQasp][EQ][Src][LeftOut] bandCount=10 exceeds the 8 hardware filters; not written: "
                       "Band8(kind=2 freq=8000Hz gain=-6.00dB) Band9(kind=2 freq=16000Hz gain=3.00dB)")));
    QCOMPARE(coordinator()->activeId(), QStringLiteral("pop"));
    QVERIFY(!toasts.texts.contains(QStringLiteral("设备下发失败，已恢复上次配置")));
}

void TestMainWindowEq::qorPresetTheChainRefusesIsUndone()
{
    // "loud" opens with a wide boost at 16 kHz: its coefficients do not fit the decoder's words.
    EarphoneApi::EQEffect loud = qorPreset(QStringLiteral("loud"), QStringLiteral("5"), QStringLiteral("2"), 10);
    loud.freq[0] = 16000;
    loud.q[0] = 0.2;
    const std::shared_ptr<VirtualDevices::VirtualQorDevice> decoder =
        startWithQor({qorPreset(QStringLiteral("pop"), QStringLiteral("4"), QStringLiteral("1"), -3), loud});
    QVERIFY(decoder);
    HeadphonesDevice &window = m_rig->window();
    QSignalSpy sent(&m_rig->service(), &HidProtocolService::eqSendSucceeded);
    coordinator()->setActiveSelection(EQActiveProfileCoordinator::OfficialBasic, QStringLiteral("pop"));
    QVERIFY(sent.wait(10000));
    QCOMPARE(decoder->completedWrites(), 1);

    WindowTest::ToastRecorder toasts;
    MessageLog log;
    QSignalSpy selections(coordinator(), &EQActiveProfileCoordinator::activeSelectionChanged);
    coordinator()->setActiveSelection(EQActiveProfileCoordinator::OfficialBasic, QStringLiteral("loud"));
    // Refused before any report went out: the failure is at once, and the earlier pick comes back.
    QVERIFY(!window.isEqSendInFlight());
    QCOMPARE(coordinator()->activeId(), QStringLiteral("pop"));
    QCOMPARE(selections.size(), 2);
    QCOMPARE(selections.last().at(1).toString(), QStringLiteral("pop"));
    QTRY_VERIFY(toasts.texts.contains(
        QStringLiteral("第1段（16000 Hz）超出耳机滤波器的范围：该频率下增益过高或 Q 值过小。已恢复上次配置")));
    QVERIFY(log.contains(QStringLiteral("[EQ][Send] qor cb-qasp chain failed source=1 id=loud error=biquad out of "
                                        "range filter=0")));
    QCOMPARE(decoder->completedWrites(), 1);
    QCOMPARE(decoder->packetLog().size(), std::size_t(11));
    QCOMPARE(int(decoder->filterSlots()[0].kind), 1);
    QCOMPARE(sent.size(), 1);
}

void TestMainWindowEq::qorTrebleShelfPresetIsWritten()
{
    // A high-shelf boost of 3 dB at 31 Hz opens the preset: the whole curve reaches the decoder.
    const EarphoneApi::EQEffect preset = qorPreset(QStringLiteral("loud"), QStringLiteral("5"), QStringLiteral("3"), 3);
    const std::shared_ptr<VirtualDevices::VirtualQorDevice> decoder = startWithQor({preset});
    QVERIFY(decoder);
    WindowTest::ToastRecorder toasts;
    QSignalSpy sent(&m_rig->service(), &HidProtocolService::eqSendSucceeded);
    coordinator()->setActiveSelection(EQActiveProfileCoordinator::OfficialBasic, QStringLiteral("loud"));
    QVERIFY(sent.wait(10000));
    QCOMPARE(decoder->completedWrites(), 1);
    QCOMPARE(decoder->errors(), std::vector<std::string>{});
    // Written as the low-shelf cut it equals under a flat boost, which the overall gain carries.
    QCOMPARE(int(decoder->filterSlots()[0].kind), 1);
    QCOMPARE(decoder->filterSlots()[0].gainDb(), -3.0);
    QCOMPARE(decoder->overallGainDb(), -2.0 + 3.0);
    QCOMPARE(coordinator()->activeId(), QStringLiteral("loud"));
    QVERIFY(!toasts.texts.contains(QStringLiteral("设备下发失败，已恢复上次配置")));
}

void TestMainWindowEq::headsetEndsOnThePagesEq_data()
{
    QTest::addColumn<QString>("pickFault"); // what befalls slot 1: "stall", "lost answer" or "none"
    QTest::addColumn<bool>("resendLost");
    QTest::addColumn<bool>("linkBounce"); // the headset's link goes down and comes back at the end
    QTest::addColumn<int>("eqCommands");   // EQ commands the headset got from the pick on
    QTest::addColumn<QString>("pageId");
    QTest::addColumn<bool>("toldNotDelivered");
    // The receiver's reads hang past the request's time-out: slot 1's frames wait in the
    // send queue and reach the headset once the stall ends, after the failure was reported.
    QTest::newRow("read stall past the time-out") << "stall" << false << false << 2 << "0" << false;
    // The headset stores slot 1, and its answer is lost.
    QTest::newRow("lost answer") << "lost answer" << false << false << 2 << "0" << false;
    // Slot 0 once more is lost as well (a radio drop-out): it waits for the link, and goes when it is back.
    QTest::newRow("lost answer, resend lost, link down and up")
        << "lost answer" << true << true << 3 << "0" << true;
    // The resend arrived: the link's return sends nothing more.
    QTest::newRow("lost answer, link down and up") << "lost answer" << false << true << 2 << "0" << false;
    QTest::newRow("nothing lost, link down and up") << "none" << false << true << 1 << "1" << false;
}

// A send reported failed that the headset took all the same: the page goes
// back to slot 0, and so does the headset, at once or once its link is back.
void TestMainWindowEq::headsetEndsOnThePagesEq()
{
    QFETCH(QString, pickFault);
    QFETCH(bool, resendLost);
    QFETCH(bool, linkBounce);
    QFETCH(int, eqCommands);
    QFETCH(QString, pageId);
    QFETCH(bool, toldNotDelivered);
    // The program's heartbeat: at a test's pace it would use up the 16 sequence
    // numbers within the stall, and the resend would share slot 1's.
    HidProtocolServiceDurations durations = ServiceTest::fastDurations();
    durations.heartbeatIntervalMs = HidProtocolServiceDurations{}.heartbeatIntervalMs;
    m_rig->setServiceDurations(durations);
    QVERIFY(startWithCustomSlot());
    QVERIFY(m_rig->show());
    HeadphonesDevice &window = m_rig->window();
    VirtualDevices::VirtualHeadset &headset = m_rig->headset();
    const int commandsBefore = headset.commandCount(kEqCommand);
    const std::string receiver = HidTestDevices::receiver().hid.path;
    const auto release = qScopeGuard([&] { HidTestDevices::api().stallReads(receiver, false); });
    if (pickFault == QLatin1String("stall")) {
        HidTestDevices::api().stallReads(receiver, true);
        QTRY_COMPARE(HidTestDevices::api().stalledReads(receiver), 1);
    } else if (pickFault == QLatin1String("lost answer")) {
        headset.scriptFault({.command = kEqCommand}, VirtualDevices::ReplyFault{.noAnswer = true});
    }
    // Neither carried out nor answered: to the host, a request lost between receiver and headset.
    if (resendLost)
        headset.scriptFault({.command = kEqCommand},
                            VirtualDevices::ReplyFault{.noAnswer = true, .payload = VirtualDevices::Bytes{}});
    WindowTest::ToastRecorder toasts;
    QSignalSpy failed(&m_rig->service(), &HidProtocolService::eqSendFailed);
    QSignalSpy sent(&m_rig->service(), &HidProtocolService::eqSendSucceeded);
    coordinator()->setActiveSelection(EQActiveProfileCoordinator::Custom, QStringLiteral("1"));
    if (pickFault != QLatin1String("none")) {
        QVERIFY(failed.wait(10000));
        QCOMPARE(coordinator()->activeId(), QStringLiteral("0"));
        HidTestDevices::api().stallReads(receiver, false);
    }
    if (resendLost)
        QVERIFY(QTest::qWaitFor([&] { return failed.size() == 2; }, 10000));
    else
        QVERIFY(sent.wait(10000));
    QTRY_VERIFY_WITH_TIMEOUT(!window.isEqSendInFlight(), 5000);

    if (linkBounce) {
        const auto notifyLink = [&headset](std::uint8_t link) {
            headset.updateState([link](VirtualDevices::HeadsetState &s) { s.link = link; });
            headset.notify({VirtualDevices::NotifyItem::Link}, VirtualDevices::Clock::now());
        };
        notifyLink(1);
        QTRY_VERIFY_WITH_TIMEOUT(!window.isDeviceUsable(), 5000);
        notifyLink(0);
        QVERIFY(m_rig->waitUsable());
        // What the link's return started (a retry, its send) runs to its end; nothing else is due.
        QTRY_VERIFY_WITH_TIMEOUT(!window.isEqDownlinkRetryRunning() && !window.isEqSendInFlight(), 10000);
    }
    QCOMPARE(heldIndex(), 100 + pageId.toInt());
    QCOMPARE(headset.commandCount(kEqCommand) - commandsBefore, eqCommands);
    QCOMPARE(coordinator()->activeSource(), EQActiveProfileCoordinator::Custom);
    QCOMPARE(coordinator()->activeId(), pageId);
    QCOMPARE(toasts.texts.contains(QStringLiteral("设备下发失败，已恢复上次配置")), pickFault != QLatin1String("none"));
    // A restore that never arrived is not claimed as one.
    QCOMPARE(toasts.texts.contains(QStringLiteral("设备下发失败")), toldNotDelivered);
}

// Through the curve editor: an edit the Qor filters cannot hold is undone on
// the page and in the slot file, and the slot stays usable.
void TestMainWindowEq::qorRefusedEditIsUndone()
{
    const std::shared_ptr<VirtualDevices::VirtualQorDevice> decoder = startWithQor({});
    QVERIFY(decoder);
    m_rig->window().enterDevicePage();
    EquipmentContentsBar *bar = m_rig->window().contentBar();
    bar->setCurrentPage(EquipmentContentsBar::EqPage);
    bar->setCurrentEqPage(EquipmentContentsBar::CustomPage);
    EQCustomContent *custom = bar->customPage();
    custom->setTimings({.selectionDelayMs = 25, .editSaveDelayMs = 50});
    QSignalSpy sent(&m_rig->service(), &HidProtocolService::eqSendSucceeded);
    coordinator()->setActiveSelection(EQActiveProfileCoordinator::Custom, QStringLiteral("0"));
    QVERIFY(sent.wait(10000));
    EQCurveEditor *editor = custom->curveEditor();
    QTRY_VERIFY_WITH_TIMEOUT(editor->isVisible() && custom->pendingLoadIndex() < 0, 5000);
    const QPointF pointBefore = editor->bandPoint(1);
    const double qBefore = editor->bandQ(1);
    const QString path = custom->slotStore()->slotPath(0);
    const QJsonObject curveBefore = curveOf(slotFile(path));
    QVERIFY(!curveBefore.value(QLatin1String("freq")).toArray().isEmpty());

    WindowTest::ToastRecorder toasts;
    MessageLog log;
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, editor->pointViewportPos(1));
    FloatingPointEditor *floating = editor->floatingEditor();
    QVERIFY(floating && !floating->isPassive());
    floating->frequencyField()->setValue(16000);
    floating->qField()->setValue(0.2);
    floating->gainField()->setValue(10);
    QTRY_VERIFY_WITH_TIMEOUT(
        toasts.texts.contains(
            QStringLiteral("第2段（16000 Hz）超出耳机滤波器的范围：该频率下增益过高或 Q 值过小。已恢复上次配置")),
        5000);
    QVERIFY(log.contains(QStringLiteral("[EQ][Realtime] slot 0 back to the content last applied")));
    // The page, the file and the headset agree on the curve last applied.
    QCOMPARE(editor->bandPoint(1), pointBefore);
    QCOMPARE(editor->bandQ(1), qBefore);
    QCOMPARE(curveOf(slotFile(path)), curveBefore);
    QCOMPARE(decoder->completedWrites(), 1);
    QCOMPARE(decoder->packetLog().size(), std::size_t(11));
    QCOMPARE(coordinator()->activeId(), QStringLiteral("0"));

    // Picked again later, the slot is sent as it is.
    coordinator()->setActiveSelection(EQActiveProfileCoordinator::Custom, QStringLiteral("1"));
    QVERIFY(sent.wait(10000));
    coordinator()->setActiveSelection(EQActiveProfileCoordinator::Custom, QStringLiteral("0"));
    QVERIFY(sent.wait(10000));
    QCOMPARE(decoder->completedWrites(), 3);
    QCOMPARE(double(decoder->filterSlots()[1].fcHz), std::round(pointBefore.x()));
}

void TestMainWindowEq::officialPickWaitsForItsList_data()
{
    QTest::addColumn<bool>("listed");
    QTest::newRow("the list holds it") << true;
    QTest::newRow("the list comes without it") << false;
}

// The stored selection is an official preset, no snapshot of it is stored, and
// its list comes after the headset is ready.
void TestMainWindowEq::officialPickWaitsForItsList()
{
    QFETCH(bool, listed);
    {
        EQActiveProfileCoordinator stored;
        stored.setActiveSelection(EQActiveProfileCoordinator::OfficialBasic, QStringLiteral("pop"));
    }
    m_rig->server().setFault(QStringLiteral("home/common/soundList"), FakeApi::Fault::of(FakeApi::Fault::Kind::Stall));
    m_rig->plugReceiver();
    HeadphonesDevice &window = m_rig->build();
    MessageLog log;
    QVERIFY(m_rig->show());
    QVERIFY(m_rig->waitUsable());
    // The device is ready and the pick was tried: nothing to send for it yet.
    const EqDownlinkController *downlink = window.findChild<EqDownlinkController *>();
    QVERIFY(downlink);
    QTRY_VERIFY_WITH_TIMEOUT(!downlink->isBootstrapPending() && !window.isEqDownlinkRetryRunning(), 10000);
    QCOMPARE(m_rig->headset().commandCount(kEqCommand), 0);
    QCOMPARE(coordinator()->activeId(), QStringLiteral("pop"));

    WindowTest::ToastRecorder toasts;
    QSignalSpy sent(&m_rig->service(), &HidProtocolService::eqSendSucceeded);
    QList<EarphoneApi::EQEffect> list{standardPreset(QStringLiteral("rock"), QStringLiteral("5"))};
    if (listed)
        list.append(standardPreset(QStringLiteral("pop"), QStringLiteral("4")));
    emit window.contentBar()->officialPresetPage()->soundList()->officialSoundsLoaded(list, {});
    if (listed) {
        QVERIFY(sent.wait(10000));
        QCOMPARE(heldIndex(), 4);
        QCOMPARE(coordinator()->activeId(), QStringLiteral("pop"));
        QVERIFY(!toasts.texts.contains(QStringLiteral("设备下发失败，已恢复上次配置")));
    } else {
        QTRY_VERIFY(toasts.texts.contains(QStringLiteral("设备下发失败，已恢复上次配置")));
        QVERIFY(log.contains(QStringLiteral("[EQ][Send] map failed source=1 id=pop error=official preset is not in the "
                                            "list")));
        // Back to what the window started with, taken as what the headset holds: the same pick.
        QCOMPARE(coordinator()->activeId(), QStringLiteral("pop"));
    }
    // The list published again (its pictures, say) sends nothing more.
    emit window.contentBar()->officialPresetPage()->soundList()->officialSoundsLoaded(list, {});
    QTRY_VERIFY_WITH_TIMEOUT(!window.isEqSendInFlight() && !window.isEqDownlinkRetryRunning(), 5000);
    QCOMPARE(m_rig->headset().commandCount(kEqCommand), listed ? 1 : 0);
}

void TestMainWindowEq::unsavedPickSaysSoOnce_data()
{
    QTest::addColumn<bool>("headsetAnswers");
    // Then the snapshot of what the headset took is written.
    QTest::newRow("taken by the headset") << true;
    // Then the selection goes back to what the headset holds.
    QTest::newRow("lost on the way") << false;
}

// A pick the settings store refuses says so once; the writes that follow it
// (the snapshot, the restore after a failed send) are refused too, and only logged.
void TestMainWindowEq::unsavedPickSaysSoOnce()
{
    QFETCH(bool, headsetAnswers);
    QVERIFY(startWithCustomSlot());
    QVERIFY(m_rig->show());
    HeadphonesDevice &window = m_rig->window();
    ReadOnlySettingsFile readOnly;
    QVERIFY2(readOnly.isValid(), qPrintable(readOnly.path()));
    const QByteArray stored = readOnly.contents();
    if (!headsetAnswers)
        m_rig->headset().scriptFault({.command = kEqCommand}, VirtualDevices::ReplyFault{.noAnswer = true});
    WindowTest::ToastRecorder toasts;
    MessageLog log;
    QSignalSpy sent(&m_rig->service(), &HidProtocolService::eqSendSucceeded);
    QSignalSpy failed(&m_rig->service(), &HidProtocolService::eqSendFailed);

    window.contentBar()->customPage()->slotButton(1)->click();
    QVERIFY(log.contains(QStringLiteral("[Settings][Save]")));
    log.clear(); // what follows the pick comes from the event loop
    QVERIFY((headsetAnswers ? sent : failed).wait(10000));
    QTRY_VERIFY_WITH_TIMEOUT(!window.isEqSendInFlight(), 10000);
    QCOMPARE(coordinator()->activeId(), QString::fromLatin1(headsetAnswers ? "1" : "0"));

    const QString notSaved = QStringLiteral("设置文件无法写入，本次更改在重启后将失效");
    const QString failure = QStringLiteral("设备下发失败，已恢复上次配置");
    // The failure's message comes after the pick's, which is not repeated.
    if (!headsetAnswers)
        QTRY_VERIFY_WITH_TIMEOUT(toasts.texts.contains(failure), 5000);
    QVERIFY2(toasts.texts.value(0) == notSaved && toasts.texts.count(notSaved) == 1,
             qPrintable(toasts.texts.join(QStringLiteral(" | "))));
    if (headsetAnswers)
        QCOMPARE(toasts.texts, QStringList{notSaved});
    QVERIFY(log.contains(QStringLiteral("[Settings][Save]")));
    QCOMPARE(readOnly.contents(), stored);
}

QTEST_MAIN(TestMainWindowEq)
#include "tst_mainwindoweq.moc"
