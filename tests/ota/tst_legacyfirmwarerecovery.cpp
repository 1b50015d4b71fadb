// LegacyFirmwareRecoveryCoordinator end to end: an old headset fails the
// device service's validation on the hidapi double, the prompt offers the
// recovery, the engine reflashes headset and receiver from the firmware
// folder over the virtual bus, and the updated device validates afterwards.
#include "ota/LegacyFirmwareRecoveryCoordinator.h"
#include "ota/ui/LegacyRecoveryDialog.h"
#include "tests/ota/CoordinatorRig.h"
#include "tests/ota/ModalScript.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <algorithm>
#include <fstream>

using namespace ServiceTest;
using HidTestDevices::api;
using Coordinator = LegacyFirmwareRecoveryCoordinator;

namespace {

LegacyRecoveryDialog *prompt()
{
    return ModalScript::visible<LegacyRecoveryDialog>();
}

LegacyRecoveryDialog *asPrompt(QDialog *dialog)
{
    return static_cast<LegacyRecoveryDialog *>(dialog);
}

QLabel *label(QDialog *dialog, const char *name)
{
    return dialog->findChild<QLabel *>(QLatin1String(name));
}

QProgressBar *bar(QDialog *dialog)
{
    return dialog->findChild<QProgressBar *>(QStringLiteral("progressBar"));
}

// A headset that rejects the validation (an old firmware), or passes it.
std::shared_ptr<VirtualDevices::VirtualHeadset> headset(bool current)
{
    VirtualDevices::HeadsetState state;
    if (!current)
        state.cid = 0x1111;
    return std::make_shared<VirtualDevices::VirtualHeadset>(VirtualDevices::VirtualHeadsetConfig{}, state);
}

void writeFile(const QString &path, const std::vector<std::uint8_t> &bytes)
{
    std::ofstream(path.toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

const QString kHeadsetId = QStringLiteral("/dev/hidraw1#vid_3654&pid_5055&mi_03");

} // namespace

class TestLegacyFirmwareRecovery : public QObject
{
    Q_OBJECT

private slots:
    void recoversAnOldHeadset();
    void declinedPromptGivesTheDeviceBack_data();
    void declinedPromptGivesTheDeviceBack();
    void failureShowsTheSessionMessage();
    void coordinatorDestroyedDuringTheUpdate();
    void onlyOldHeadsetsAreOffered_data();
    void onlyOldHeadsetsAreOffered();
    void productId_data();
    void productId();
    void barNeverMovesBack();
    void englishCatalogue();

private:
    // The old headset on both buses: on the hidapi double it fails the
    // validation, on the engine's bus it is the receiver with a headset
    // behind it, under the same path.
    struct Recovery
    {
        CoordinatorRig rig;
        QTemporaryDir firmware;
        QWidget window;
        std::unique_ptr<Coordinator> coordinator;
        QList<Coordinator::State> states;

        explicit Recovery(bool images = true)
        {
            api().addDevice(HidTestDevices::headset().hid, headset(false));
            rig.plugOtaReceiver(HidTestDevices::headset().hid.path, 0x5055);
            rig.addHeadset(3, rig.headsetImage, true);
            rig.receiver().setOwnFirmware(VirtualDevices::testFirmware(rig.receiverImage, true));
            if (images) {
                writeFile(firmware.filePath(QStringLiteral("headset_v2.ufw")), rig.headsetImage);
                writeFile(firmware.filePath(QStringLiteral("receiver_dongle_v2.ufw")), rig.receiverImage);
            }
            rig.service().start();
            coordinator = std::make_unique<Coordinator>(&rig.service().service(), &window);
            coordinator->setDurations(CoordinatorRig::fastDurations());
            coordinator->setFirmwareDirectory(firmware.path());
        }
        ~Recovery() { coordinator.reset(); }

        // The device now answers as a current firmware does.
        static void updateHidDevice() { api().attachResponder(HidTestDevices::headset().hid.path, headset(true)); }
    };
};

void TestLegacyFirmwareRecovery::recoversAnOldHeadset()
{
    Recovery recovery;
    CoordinatorRig &rig = recovery.rig;
    Coordinator &coordinator = *recovery.coordinator;

    QString title, message;
    Coordinator::State whilePrompting = Coordinator::Idle;
    bool hidHeldWhilePrompting = false;
    bool hidReleasedDuringUpdate = false;
    bool closeRefused = false;
    QList<int> seen;
    QString resultTitle, resultText, confirmText;
    int barAtEnd = -1;
    ModalScript script(&prompt);
    script.observe([&](QDialog *dialog) {
        if (bar(dialog)->isVisible() && (seen.isEmpty() || seen.last() != bar(dialog)->value()))
            seen.append(bar(dialog)->value());
    });
    script
        .then("prompt", [](QDialog *) { return true; },
              [&](QDialog *dialog) {
                  title = dialog->windowTitle();
                  message = label(dialog, "messageLabel")->text();
                  whilePrompting = coordinator.state();
                  hidHeldWhilePrompting = api().isInitialized();
                  // A second failure while the prompt is up is ignored.
                  coordinator.onProtocolValidationFailed(kHeadsetId);
                  QTest::mouseClick(asPrompt(dialog)->upgradeButton(), Qt::LeftButton);
              })
        .then("progress", [](QDialog *d) { return bar(d)->isVisible() && bar(d)->value() > 0; },
              [&](QDialog *dialog) {
                  hidReleasedDuringUpdate = !api().isInitialized() && api().openHandles() == 0;
                  closeRefused = !dialog->close();
                  QTest::keyClick(dialog, Qt::Key_Escape);
                  closeRefused = closeRefused && dialog->isVisible();
              })
        .then("result", [](QDialog *d) { return label(d, "resultLabel")->isVisible(); },
              [&](QDialog *dialog) {
                  resultTitle = dialog->windowTitle();
                  resultText = label(dialog, "resultLabel")->text();
                  confirmText = asPrompt(dialog)->confirmButton()->text();
                  barAtEnd = bar(dialog)->value();
                  Recovery::updateHidDevice();
                  QTest::mouseClick(asPrompt(dialog)->confirmButton(), Qt::LeftButton);
              });
    script.start();

    const int from = rig.service().events().all().size();
    QTRY_VERIFY_WITH_TIMEOUT(script.done() || !script.failure().isEmpty(), 60000);
    QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    QTRY_COMPARE_WITH_TIMEOUT(coordinator.state(), Coordinator::Idle, 5000);

    QCOMPARE(title, QStringLiteral("固件升级提示"));
    QVERIFY(message.startsWith(QStringLiteral("检测到您的固件版本过低，请按以下步骤完成升级：\n\n升级前准备")));
    QCOMPARE(whilePrompting, Coordinator::Prompting);
    QVERIFY(hidHeldWhilePrompting); // released only when the update begins
    QVERIFY(hidReleasedDuringUpdate);
    QVERIFY(closeRefused);
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    QCOMPARE(resultTitle, QStringLiteral("升级完成"));
    QCOMPARE(resultText, QStringLiteral("升级完成。\n固件升级成功，请等手动重启耳机进行连接。"));
    QCOMPARE(confirmText, QStringLiteral("确定"));
    QCOMPARE(barAtEnd, 100);
    QVERIFY(!prompt());

    // Headset and receiver took the images of the firmware folder.
    QVERIFY(rig.receiver().imageMatches(3));
    QVERIFY(rig.receiver().imageMatches(2));

    // One release, one restore, and the updated device passes the validation.
    QCOMPARE(api().exitCalls(), 1);
    QCOMPARE(api().initCalls(), 2);
    LogCapture &log = rig.service().log();
    QCOMPARE(log.count(QStringLiteral("[HID][State] auto-reconnect-suspended changed=1")), 1);
    QCOMPARE(log.count(QStringLiteral("[HID][State] auto-reconnect-suspended changed=0")), 1);
    QCOMPARE(log.count(QStringLiteral("[HID][State] exclusive-ota-session changed=1")), 1);
    QCOMPARE(log.count(QStringLiteral("[HID][State] exclusive-ota-session changed=0")), 1);
    QVERIFY(rig.service().events().waitFor(QStringLiteral("validated(1)"), 5000, from));
    QCOMPARE(api().misuse(), std::vector<std::string>{});
}

// "稍后", the close box or no answer in time: no update, the suspension
// ends and the device service connects again, and the next failure of the
// same device prompts again.
void TestLegacyFirmwareRecovery::declinedPromptGivesTheDeviceBack_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("not now") << "later";
    QTest::newRow("close box") << "close";
    QTest::newRow("no answer") << "timeout";
}

void TestLegacyFirmwareRecovery::declinedPromptGivesTheDeviceBack()
{
    QFETCH(QString, how);
    Recovery recovery;
    CoordinatorRig &rig = recovery.rig;
    Coordinator &coordinator = *recovery.coordinator;
    if (how == QLatin1String("timeout")) {
        OtaFlowDurations durations = CoordinatorRig::fastDurations();
        durations.recoveryPromptTimeoutMs = 100;
        coordinator.setDurations(durations);
    }

    QPointer<QDialog> first;
    const auto decline = [how](QDialog *dialog) {
        if (how == QLatin1String("later"))
            QTest::mouseClick(asPrompt(dialog)->laterButton(), Qt::LeftButton);
        else if (how == QLatin1String("close"))
            dialog->close();
    };
    ModalScript script(&prompt);
    script
        .then("first prompt", [](QDialog *) { return true; },
              [&](QDialog *dialog) {
                  first = dialog;
                  decline(dialog);
              })
        .then("prompt again", [&](QDialog *) { return !first; },
              [&](QDialog *dialog) {
                  // This time the device is current: the decline ends the prompting.
                  Recovery::updateHidDevice();
                  decline(dialog);
              });
    script.start();

    QTRY_VERIFY_WITH_TIMEOUT(script.done() || !script.failure().isEmpty(), 60000);
    QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    QTRY_COMPARE_WITH_TIMEOUT(coordinator.state(), Coordinator::Idle, 5000);
    QVERIFY(rig.service().events().waitFor(QStringLiteral("validated(1)"), 5000));

    QCOMPARE(api().exitCalls(), 0);
    QCOMPARE(rig.otaOpens(), 0);
    QCOMPARE(rig.service().log().count(QStringLiteral("[HID][State] auto-reconnect-suspended changed=1")), 2);
    QCOMPARE(rig.service().log().count(QStringLiteral("[HID][State] auto-reconnect-suspended changed=0")), 2);
}

// Without images the session ends with its own message, shown on the
// failure page; the device is given back all the same.
void TestLegacyFirmwareRecovery::failureShowsTheSessionMessage()
{
    Recovery recovery(false);
    CoordinatorRig &rig = recovery.rig;

    QString resultTitle, resultText, closeText;
    bool barHidden = false;
    ModalScript script(&prompt);
    script
        .then("prompt", [](QDialog *) { return true; },
              [](QDialog *dialog) { QTest::mouseClick(asPrompt(dialog)->upgradeButton(), Qt::LeftButton); })
        .then("result", [](QDialog *d) { return label(d, "resultLabel")->isVisible(); },
              [&](QDialog *dialog) {
                  resultTitle = dialog->windowTitle();
                  resultText = label(dialog, "resultLabel")->text();
                  closeText = asPrompt(dialog)->confirmButton()->text();
                  barHidden = !bar(dialog)->isVisible() && !label(dialog, "messageLabel")->isVisible();
                  Recovery::updateHidDevice();
                  QTest::mouseClick(asPrompt(dialog)->confirmButton(), Qt::LeftButton);
              });
    script.start();

    QTRY_VERIFY_WITH_TIMEOUT(script.done() || !script.failure().isEmpty(), 60000);
    QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    QTRY_COMPARE_WITH_TIMEOUT(recovery.coordinator->state(), Coordinator::Idle, 5000);

    QCOMPARE(resultTitle, QStringLiteral("升级失败"));
    QCOMPARE(resultText, QStringLiteral("升级未成功：\nfirmware package invalid or not found"));
    QCOMPARE(closeText, QStringLiteral("关闭"));
    QVERIFY(barHidden);
    QVERIFY(!rig.receiver().imageMatches(3));
    QCOMPARE(api().exitCalls(), 1);
    QCOMPARE(api().initCalls(), 2);
    QVERIFY(rig.service().events().waitFor(QStringLiteral("validated(1)"), 5000));
}

// The main window goes while the recovery runs: the coordinator waits for
// its worker, the prompt closes, and nothing touches the coordinator or the
// device service afterwards.
void TestLegacyFirmwareRecovery::coordinatorDestroyedDuringTheUpdate()
{
    Recovery recovery;
    CoordinatorRig &rig = recovery.rig;

    ModalScript script(&prompt);
    script
        .then("prompt", [](QDialog *) { return true; },
              [](QDialog *dialog) { QTest::mouseClick(asPrompt(dialog)->upgradeButton(), Qt::LeftButton); })
        .then("progress", [](QDialog *d) { return bar(d)->isVisible() && bar(d)->value() > 0; },
              [&](QDialog *) { recovery.coordinator.reset(); });
    script.start();

    QTRY_VERIFY_WITH_TIMEOUT(script.done() || !script.failure().isEmpty(), 60000);
    QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    QTRY_VERIFY_WITH_TIMEOUT(!prompt(), 5000);
    QVERIFY(recovery.window.findChildren<LegacyRecoveryDialog *>().isEmpty());

    // The worker had run to its end before the coordinator went.
    QVERIFY(rig.receiver().imageMatches(3));
    QVERIFY(rig.receiver().imageMatches(2));
    // The service was left as it stood: still released.
    QCOMPARE(api().exitCalls(), 1);
    QCOMPARE(api().initCalls(), 1);
}

void TestLegacyFirmwareRecovery::onlyOldHeadsetsAreOffered_data()
{
    QTest::addColumn<QString>("deviceId");
    QTest::newRow("another vendor") << "/dev/hidraw5#vid_1234&pid_5055&mi_03";
    QTest::newRow("the receiver") << "/dev/hidraw2#vid_3654&pid_6901&mi_03";
    QTest::newRow("no digit after PID_") << "/dev/hidraw5#vid_3654&pid_&mi_03";
    QTest::newRow("empty") << "";
}

void TestLegacyFirmwareRecovery::onlyOldHeadsetsAreOffered()
{
    QFETCH(QString, deviceId);
    CoordinatorRig rig;
    rig.service().start();
    QWidget window;
    Coordinator coordinator(&rig.service().service(), &window);

    coordinator.onProtocolValidationFailed(deviceId);

    QCOMPARE(coordinator.state(), Coordinator::Idle);
    QVERIFY(!rig.service().log().containsSubstring(QStringLiteral("auto-reconnect-suspended")));

    // The same call with an old headset's id is taken up, in any letter case.
    coordinator.onProtocolValidationFailed(kHeadsetId.toUpper());
    QCOMPARE(coordinator.state(), Coordinator::PromptQueued);
}

void TestLegacyFirmwareRecovery::productId_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("productId");
    QTest::newRow("headset") << kHeadsetId << 0x5055;
    QTest::newRow("lower-case hex") << "/dev/hidraw0#vid_3302&pid_c20e" << 0xC20E;
    QTest::newRow("windows path") << "\\\\?\\HID#VID_3654&PID_6901&MI_03#7&0" << 0x6901;
    QTest::newRow("cut to 16 bits") << "PID_123456" << 0x3456;
    QTest::newRow("no digit") << "vid_3654&pid_" << 0;
    QTest::newRow("no hex digit") << "vid_3654&pid_xyz" << 0;
    QTest::newRow("no pid") << "/dev/hidraw1" << 0;
    QTest::newRow("empty") << "" << 0;
}

void TestLegacyFirmwareRecovery::productId()
{
    QFETCH(QString, path);
    QFETCH(int, productId);
    QCOMPARE(int(Coordinator::productIdFromPath(path)), productId);
}

void TestLegacyFirmwareRecovery::barNeverMovesBack()
{
    LegacyRecoveryDialog dialog;
    dialog.showProgress();
    QProgressBar *progress = bar(&dialog);
    dialog.raiseProgress(60);
    dialog.raiseProgress(40); // a receiver stage that starts over
    QCOMPARE(progress->value(), 60);
    dialog.raiseProgress(250);
    QCOMPARE(progress->value(), 100);
    dialog.showProgress();
    QCOMPARE(progress->value(), 0);
}

// The texts of both firmware flows as the English catalogue has them.
void TestLegacyFirmwareRecovery::englishCatalogue()
{
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/i18n/VELKORA_en_US.qm")));
    QVERIFY(QCoreApplication::installTranslator(&english));
    LegacyRecoveryDialog dialog;
    const QString title = dialog.windowTitle();
    const QString upgrade = dialog.upgradeButton()->text();
    const QString later = dialog.laterButton()->text();
    const QString message = label(&dialog, "messageLabel")->text();
    dialog.showResult(false, QStringLiteral("x"));
    const QString failed = label(&dialog, "resultLabel")->text();
    const auto manual = [](const char *text) {
        return QCoreApplication::translate("ManualFirmwareOtaCoordinator", text);
    };
    const QStringList manualTexts{manual("升级失败"), manual("固件下载失败"), manual("升级未开始。"), manual("未知错误")};
    QCoreApplication::removeTranslator(&english);

    QCOMPARE(title, QStringLiteral("Firmware Update Available"));
    QCOMPARE(upgrade, QStringLiteral("One-Tap Update"));
    QCOMPARE(later, QStringLiteral("Not Now"));
    QVERIFY(message.startsWith(QStringLiteral("A new firmware version is available.")));
    QCOMPARE(failed, QStringLiteral("Update did not finish:\nx"));
    QCOMPARE(dialog.confirmButton()->text(), QStringLiteral("Close"));
    QCOMPARE(manualTexts, (QStringList{QStringLiteral("Update failed"), QStringLiteral("Firmware download failed"),
                                       QStringLiteral("Update did not start."), QStringLiteral("Unknown error")}));
}

QTEST_MAIN(TestLegacyFirmwareRecovery)
#include "tst_legacyfirmwarerecovery.moc"
