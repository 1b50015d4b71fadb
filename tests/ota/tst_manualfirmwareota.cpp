// ManualFirmwareOtaCoordinator end to end: the image from the fake API
// server, the device service on the hidapi double letting go of the
// receiver, the engine updating it on the virtual bus, the progress dialog
// showing it, and the device coming back.
#include "ota/ui/FirmwareOtaProgressDialog.h"
#include "cloud/FirmwareApi.h"
#include "ota/ManualFirmwareOtaCoordinator.h"
#include "tests/support/testenv/MessageLog.h"
#include "tests/ota/CoordinatorRig.h"
#include "tests/ota/ModalScript.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>

#include <algorithm>

using namespace ServiceTest;
using HidTestDevices::api;
using Coordinator = ManualFirmwareOtaCoordinator;

namespace {

const QString kFile = QStringLiteral("firmware.ufw");
const QString kFileRoute = QStringLiteral("files/firmware.ufw");

FirmwareOtaProgressDialog *progressDialog()
{
    return ModalScript::visible<FirmwareOtaProgressDialog>();
}

int page(QDialog *dialog)
{
    return dialog->findChild<QStackedWidget *>(QStringLiteral("pageStack"))->currentIndex();
}

QString label(QDialog *dialog, const char *name)
{
    return dialog->findChild<QLabel *>(QLatin1String(name))->text();
}

void click(QDialog *dialog, const char *name)
{
    QTest::mouseClick(dialog->findChild<QPushButton *>(QLatin1String(name)), Qt::LeftButton);
}

// "升级中 37%" -> 37.
int shownPercent(QDialog *dialog)
{
    QString text = label(dialog, "progressLabel");
    text.remove(QStringLiteral("升级中 ")).remove(QLatin1Char('%'));
    return text.toInt();
}

// What the HID stack looked like at one moment.
struct HidSnapshot
{
    bool taken = false;
    bool initialized = true;
    int exits = -1;
    int openHandles = -1;

    void take()
    {
        taken = true;
        initialized = api().isInitialized();
        exits = api().exitCalls();
        openHandles = api().openHandles();
    }
};

struct Finished
{
    bool success;
    QString detail;
    Coordinator::Target target;
};

} // namespace

class TestManualFirmwareOta : public QObject
{
    Q_OBJECT

private slots:
    void updatesWithProgressAndGivesTheDeviceBack_data();
    void updatesWithProgressAndGivesTheDeviceBack();
    void failureThenRetryReusesTheImage();
    void failureClosedReportsTheSessionMessage();
    void downloadFailureLeavesHidAlone_data();
    void downloadFailureLeavesHidAlone();
    void retryAfterAFailedDownloadFetchesAgain();
    void dialogGoneBeforeThePhaseRan();
    void withoutAConnectionTheReceiverIsLookedFor();
    void coordinatorDestroyedDuringTheUpdate();
    void deviceIdentity_data();
    void deviceIdentity();

private:
    struct Flow
    {
        CoordinatorRig rig;
        EarphoneApi::FirmwareApi firmwareApi;
        QWidget window;
        std::unique_ptr<Coordinator> coordinator;
        QList<Finished> finished;

        // Once the service is up.
        void create()
        {
            coordinator = std::make_unique<Coordinator>(&rig.service().service(), &firmwareApi, &window);
            coordinator->setDurations(CoordinatorRig::fastDurations());
            QObject::connect(coordinator.get(), &Coordinator::upgradeFinished,
                             [this](bool ok, const QString &detail, Coordinator::Target target) {
                                 finished.append({ok, detail, target});
                             });
        }
        ~Flow() { coordinator.reset(); }

        QUrl url() { return rig.api().fileUrl(kFile); }
        void start(Coordinator::Target target)
        {
            coordinator->startUpgrade(target, url().toString(), QStringLiteral(" v1.1.0 "), QStringLiteral("1.0.9"),
                                      QStringLiteral("49678"));
        }
    };

    // The receiver on both buses, linked to the device service.
    static bool linkedReceiver(Flow &flow)
    {
        flow.rig.service().plugReceiver();
        flow.rig.plugOtaReceiver(HidTestDevices::receiver().hid.path);
        const bool linked = flow.rig.service().startLinked();
        flow.create();
        return linked;
    }
};

void TestManualFirmwareOta::updatesWithProgressAndGivesTheDeviceBack_data()
{
    QTest::addColumn<Coordinator::Target>("target");
    QTest::addColumn<QString>("title");
    QTest::newRow("headset") << Coordinator::Headset << "耳机固件升级";
    QTest::newRow("receiver") << Coordinator::Receiver << "接收器固件升级";
}

void TestManualFirmwareOta::updatesWithProgressAndGivesTheDeviceBack()
{
    QFETCH(Coordinator::Target, target);
    QFETCH(QString, title);
    Flow flow;
    CoordinatorRig &rig = flow.rig;
    QVERIFY(linkedReceiver(flow));
    const bool receiver = target == Coordinator::Receiver;
    // Both take the loader road: the headset restarts, the receiver re-enumerates.
    if (receiver)
        rig.receiver().setOwnFirmware(VirtualDevices::testFirmware(rig.receiverImage, true));
    else
        rig.addHeadset(3, rig.headsetImage, true);
    rig.api().backend().setFile(kFile, CoordinatorRig::bytes(receiver ? rig.receiverImage : rig.headsetImage));
    const int from = rig.service().events().all().size();

    HidSnapshot duringUpdate;
    QList<int> seen;
    QString titleShown, versionsShown, resultHint, resultVersion, finalProgress;
    bool closeRefused = false;
    int dialogsWhileBusy = 0;
    ModalScript script(&progressDialog);
    script.observe([&](QDialog *dialog) {
        if (page(dialog) == 0 && (seen.isEmpty() || seen.last() != shownPercent(dialog)))
            seen.append(shownPercent(dialog));
    });
    script
        .then("progress", [](QDialog *d) { return page(d) == 0 && shownPercent(d) > 0; },
              [&](QDialog *dialog) {
                  duringUpdate.take();
                  titleShown = label(dialog, "titleLabel");
                  versionsShown = label(dialog, "currentVersionLabel") + "|" + label(dialog, "versionHintLabel");
                  closeRefused = !dialog->close();
                  // Refused while one runs: no second dialog, no second signal.
                  flow.start(target);
                  const QWidgetList windows = QApplication::topLevelWidgets();
                  dialogsWhileBusy = int(std::count_if(windows.cbegin(), windows.cend(), [](QWidget *w) {
                      return qobject_cast<FirmwareOtaProgressDialog *>(w) && w->isVisible();
                  }));
                  // A retry while the worker runs changes nothing either.
                  emit static_cast<FirmwareOtaProgressDialog *>(dialog)->retryRequested();
              })
        .then("up to date", [](QDialog *d) { return page(d) == 1; },
              [&](QDialog *dialog) {
                  resultHint = label(dialog, "versionHintLabel");
                  finalProgress = label(dialog, "progressLabel");
                  resultVersion = label(dialog, "currentVersionLabel");
                  click(dialog, "closeButton");
              });
    script.start();

    flow.start(target);

    QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    QVERIFY(script.done());
    QCOMPARE(flow.finished.size(), 1);
    QVERIFY(flow.finished[0].success);
    QCOMPARE(flow.finished[0].detail, QString());
    QCOMPARE(flow.finished[0].target, target);
    QVERIFY(!flow.coordinator->isBusy());

    // The dialog: names the device and versions, showed progress, then the result.
    QCOMPARE(titleShown, title);
    QCOMPARE(versionsShown, QStringLiteral("当前版本：1.0.9|可更新版本：1.1.0"));
    QVERIFY(closeRefused);
    QCOMPARE(dialogsWhileBusy, 1);
    // The receiver's post step counts from its own start again (40 -> 39):
    // the dialog shows what the engine reports.
    if (!receiver)
        QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    QCOMPARE(finalProgress, QStringLiteral("升级中 100%"));
    QCOMPARE(resultHint, QStringLiteral("已是最新版本"));
    QCOMPARE(resultVersion, QStringLiteral("当前版本：1.1.0"));
    QVERIFY(!progressDialog());
    QVERIFY(flow.window.findChildren<FirmwareOtaProgressDialog *>().isEmpty());

    // The device took the image once.
    QVERIFY(rig.receiver().imageMatches(receiver ? 2 : 3));
    if (!receiver)
        QCOMPARE(rig.receiver().restarts(3), 2);
    QCOMPARE(rig.api().requestCount(kFileRoute), 1);

    // The program's HID access was gone during the update and came back once.
    QVERIFY(duringUpdate.taken);
    QVERIFY(!duringUpdate.initialized);
    QCOMPARE(duringUpdate.exits, 1);
    QCOMPARE(duringUpdate.openHandles, 0);
    QCOMPARE(api().exitCalls(), 1);
    QCOMPARE(api().initCalls(), 2);
    LogCapture &log = rig.service().log();
    QCOMPARE(log.count(QStringLiteral("[HID][State] exclusive-ota-session changed=1")), 1);
    QCOMPARE(log.count(QStringLiteral("[HID][State] exclusive-ota-session changed=0")), 1);
    QCOMPARE(log.count(QStringLiteral("[HID][State] auto-reconnect-suspended changed=1")), 1);
    QCOMPARE(log.count(QStringLiteral("[HID][State] auto-reconnect-suspended changed=0")), 1);
    QVERIFY(rig.service().events().waitFor(QStringLiteral("validated(1)"), 5000, from));
    QCOMPARE(rig.service().service().currentDeviceId(), rig.service().receiverId());
    QCOMPARE(api().misuse(), std::vector<std::string>{});
}

// The first run finds a silent receiver; the user retries on the failure
// page once it answers. The image is not fetched again and the HID access
// stays released in between.
void TestManualFirmwareOta::failureThenRetryReusesTheImage()
{
    Flow flow;
    CoordinatorRig &rig = flow.rig;
    QVERIFY(linkedReceiver(flow));
    rig.addHeadset(3, rig.headsetImage);
    rig.setReceiverSilent(true);
    rig.api().backend().setFile(kFile, CoordinatorRig::bytes(rig.headsetImage));
    MessageLog messages;

    QString failureText;
    bool closeEnabled = false;
    HidSnapshot betweenRuns;
    ModalScript script(&progressDialog);
    script
        .then("failure", [](QDialog *d) { return page(d) == 2; },
              [&](QDialog *dialog) {
                  failureText = label(dialog, "failureLabel");
                  closeEnabled = dialog->findChild<QPushButton *>(QStringLiteral("closeButton"))->isEnabled();
                  betweenRuns.take();
                  rig.setReceiverSilent(false);
                  click(dialog, "retryButton");
              })
        .then("up to date", [](QDialog *d) { return page(d) == 1; },
              [&](QDialog *dialog) { click(dialog, "closeButton"); });
    script.start();

    flow.start(Coordinator::Headset);

    QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    QCOMPARE(failureText, QStringLiteral("升级失败"));
    QVERIFY(closeEnabled);
    QVERIFY(!betweenRuns.initialized);
    QCOMPARE(messages.count(QtWarningMsg, QStringLiteral("[ManualOTA] failed: failed to open/read online devices")), 1);
    QCOMPARE(flow.finished.size(), 1);
    QVERIFY(flow.finished[0].success);
    QVERIFY(rig.receiver().imageMatches(3));
    QCOMPARE(rig.api().requestCount(kFileRoute), 1);
    QCOMPARE(api().exitCalls(), 1);
    QCOMPARE(api().initCalls(), 2);
    QCOMPARE(rig.service().log().count(QStringLiteral("[HID][State] exclusive-ota-session changed=1")), 1);
}

void TestManualFirmwareOta::failureClosedReportsTheSessionMessage()
{
    Flow flow;
    CoordinatorRig &rig = flow.rig;
    QVERIFY(linkedReceiver(flow));
    // Online, but the update is refused by the headset.
    auto behaviour = VirtualDevices::testFirmware(rig.headsetImage);
    behaviour.refuseUpdate = true;
    rig.receiver().addHeadset(VirtualDevices::ClientEntry{}, behaviour);
    rig.api().backend().setFile(kFile, CoordinatorRig::bytes(rig.headsetImage));
    MessageLog messages;
    const int from = rig.service().events().all().size();

    ModalScript script(&progressDialog);
    script.then("failure", [](QDialog *d) { return page(d) == 2; }, [](QDialog *dialog) { dialog->close(); });
    script.start();

    flow.start(Coordinator::Headset);

    QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    QCOMPARE(flow.finished.size(), 1);
    QVERIFY(!flow.finished[0].success);
    QVERIFY(!flow.finished[0].detail.isEmpty());
    QCOMPARE(messages.count(QtWarningMsg, QStringLiteral("[ManualOTA] failed: %1").arg(flow.finished[0].detail)), 1);
    QVERIFY(!rig.receiver().imageMatches(3));
    QCOMPARE(api().exitCalls(), 1);
    QCOMPARE(api().initCalls(), 2);
    QVERIFY(rig.service().events().waitFor(QStringLiteral("validated(1)"), 5000, from));
}

void TestManualFirmwareOta::downloadFailureLeavesHidAlone_data()
{
    QTest::addColumn<bool>("fileThere");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("warning");
    QTest::newRow("missing") << false << 0 << "[ManualOTA] download failed: HTTP 404";
    QTest::newRow("server error") << true << 500 << "[ManualOTA] download failed: HTTP 500";
    QTest::newRow("empty file") << true << -1 << "[ManualOTA] download failed: Empty firmware file";
}

void TestManualFirmwareOta::downloadFailureLeavesHidAlone()
{
    QFETCH(bool, fileThere);
    QFETCH(int, status);
    QFETCH(QString, warning);
    Flow flow;
    CoordinatorRig &rig = flow.rig;
    QVERIFY(linkedReceiver(flow));
    if (fileThere)
        rig.api().backend().setFile(kFile, status == -1 ? QByteArray() : QByteArray(100, 'x'));
    if (status > 0)
        rig.api().setFault(kFileRoute, FakeApi::Fault::status(status));
    MessageLog messages;

    QString failureText;
    bool upgrading = true;
    ModalScript script(&progressDialog);
    script.then("failure", [](QDialog *d) { return page(d) == 2; },
                [&](QDialog *dialog) {
                    failureText = label(dialog, "failureLabel");
                    upgrading = static_cast<FirmwareOtaProgressDialog *>(dialog)->isUpgrading();
                    click(dialog, "closeButton");
                });
    script.start();

    flow.start(Coordinator::Receiver);

    QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    QCOMPARE(failureText, QStringLiteral("升级失败"));
    QVERIFY(!upgrading);
    QCOMPARE(flow.finished.size(), 1);
    QVERIFY(!flow.finished[0].success);
    QCOMPARE(flow.finished[0].detail, QStringLiteral("固件下载失败"));
    QCOMPARE(flow.finished[0].target, Coordinator::Receiver);
    QCOMPARE(messages.count(QtWarningMsg, warning), 1);
    // The HID access was never taken; the reconnect suspension came and went.
    QCOMPARE(api().exitCalls(), 0);
    QCOMPARE(api().initCalls(), 1);
    QCOMPARE(rig.service().log().count(QStringLiteral("[HID][State] auto-reconnect-suspended changed=0")), 1);
    QCOMPARE(rig.service().service().currentDeviceId(), rig.service().receiverId());
    QCOMPARE(rig.otaOpens(), 0);
}

// The retry button on the failure page of a failed download fetches the
// image again; without one the update could never start and the dialog,
// busy on its progress page, could not be closed.
void TestManualFirmwareOta::retryAfterAFailedDownloadFetchesAgain()
{
    Flow flow;
    CoordinatorRig &rig = flow.rig;
    QVERIFY(linkedReceiver(flow));
    rig.addHeadset(3, rig.headsetImage);
    rig.api().backend().setFile(kFile, CoordinatorRig::bytes(rig.headsetImage));
    FakeApi::Fault once = FakeApi::Fault::status(503);
    once.times = 1;
    rig.api().setFault(kFileRoute, once);

    ModalScript script(&progressDialog);
    script
        .then("download failed", [](QDialog *d) { return page(d) == 2; },
              [&](QDialog *dialog) { click(dialog, "retryButton"); })
        .then("up to date", [](QDialog *d) { return page(d) == 1; },
              [&](QDialog *dialog) { click(dialog, "closeButton"); });
    script.start();

    flow.start(Coordinator::Headset);

    QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    QCOMPARE(rig.api().requestCount(kFileRoute), 2);
    QCOMPARE(flow.finished.size(), 1);
    QVERIFY(flow.finished[0].success);
    QVERIFY(rig.receiver().imageMatches(3));
    QCOMPARE(api().exitCalls(), 1);
    QCOMPARE(api().initCalls(), 2);
}

// The dialog goes (its owner closes it) while the phase still waits: the
// update never starts and the device comes back.
void TestManualFirmwareOta::dialogGoneBeforeThePhaseRan()
{
    Flow flow;
    CoordinatorRig &rig = flow.rig;
    QVERIFY(linkedReceiver(flow));
    rig.addHeadset(3, rig.headsetImage);
    rig.api().backend().setFile(kFile, CoordinatorRig::bytes(rig.headsetImage));
    OtaFlowDurations durations = CoordinatorRig::fastDurations();
    durations.firstPhaseDelayMs = 60000;
    flow.coordinator->setDurations(durations);
    const int from = rig.service().events().all().size();

    ModalScript script(&progressDialog);
    script.then("phase pending", [](QDialog *) { return !api().isInitialized(); },
                [](QDialog *dialog) { dialog->reject(); });
    script.start();

    flow.start(Coordinator::Headset);

    QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    QCOMPARE(flow.finished.size(), 1);
    QVERIFY(!flow.finished[0].success);
    QCOMPARE(flow.finished[0].detail, QStringLiteral("升级未开始。"));
    QCOMPARE(rig.otaOpens(), 0);
    QCOMPARE(api().exitCalls(), 1);
    QCOMPARE(api().initCalls(), 2);
    QVERIFY(rig.service().events().waitFor(QStringLiteral("validated(1)"), 5000, from));
}

// No device connection at the start: the receiver's identity is the filter
// and the engine finds it by itself.
void TestManualFirmwareOta::withoutAConnectionTheReceiverIsLookedFor()
{
    Flow flow;
    CoordinatorRig &rig = flow.rig;
    rig.service().start();
    flow.create();
    rig.plugOtaReceiver("/virtual/hidraw7");
    rig.addHeadset(3, rig.headsetImage);
    rig.api().backend().setFile(kFile, CoordinatorRig::bytes(rig.headsetImage));
    QCOMPARE(rig.service().service().currentDeviceId(), QString());

    ModalScript script(&progressDialog);
    script.then("up to date", [](QDialog *d) { return page(d) != 0; },
                [&](QDialog *dialog) { click(dialog, "closeButton"); });
    script.start();

    flow.start(Coordinator::Headset);

    QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    QCOMPARE(flow.finished.size(), 1);
    QVERIFY2(flow.finished[0].success, qPrintable(flow.finished[0].detail));
    QVERIFY(rig.receiver().imageMatches(3));
}

// The main window goes while an update runs: the coordinator waits for its
// worker and nothing touches it afterwards.
void TestManualFirmwareOta::coordinatorDestroyedDuringTheUpdate()
{
    Flow flow;
    CoordinatorRig &rig = flow.rig;
    QVERIFY(linkedReceiver(flow));
    rig.addHeadset(3, rig.headsetImage, true);
    rig.api().backend().setFile(kFile, CoordinatorRig::bytes(rig.headsetImage));

    ModalScript script(&progressDialog);
    script.then("progress", [](QDialog *d) { return page(d) == 0 && shownPercent(d) > 0; },
                [&](QDialog *) { flow.coordinator.reset(); });
    script.start();

    Coordinator *coordinator = flow.coordinator.get();
    coordinator->startUpgrade(Coordinator::Headset, flow.url().toString(), "1.1.0", "1.0.9", "49678");

    QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    QVERIFY(!flow.coordinator);
    QVERIFY(flow.finished.isEmpty());
    QVERIFY(!progressDialog());
    QVERIFY(flow.window.findChildren<FirmwareOtaProgressDialog *>().isEmpty());
    // The worker had run to its end before the coordinator went.
    QVERIFY(rig.receiver().imageMatches(3));
}

void TestManualFirmwareOta::deviceIdentity_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("identity");
    QTest::newRow("linux receiver") << "/dev/hidraw2#vid_3654&pid_6901&mi_03" << "vid_3654&pid_6901";
    QTest::newRow("windows headset interface") << "\\\\?\\hid#vid_3654&pid_5055&mi_03#7&1a2b&0&0000#{4d1e55b2}"
                                               << "vid_3654&pid_5055";
    QTest::newRow("hex letters upper-cased") << "/dev/hidraw0#vid_33a2&pid_c20e" << "vid_33A2&pid_C20E";
    QTest::newRow("no tokens") << "/dev/hidraw1" << "";
    QTest::newRow("no pid digit") << "HID\\VID_3654&PID_&MI_03" << "";
    QTest::newRow("no vid digit") << "vid_xyz&pid_6901" << "";
    QTest::newRow("only pid") << "pid_6901" << "";
    QTest::newRow("empty") << "" << "";
}

void TestManualFirmwareOta::deviceIdentity()
{
    QFETCH(QString, id);
    QFETCH(QString, identity);
    QCOMPARE(Coordinator::deviceIdentityFromId(id), identity);
}

QTEST_MAIN(TestManualFirmwareOta)
#include "tst_manualfirmwareota.moc"
