// The main window's own dialogs (the firmware question, the update question,
// the update failure box, the check failure box and the receipt message)
// come up without a loop of their own. While each is up, a real unplug of
// the virtual receiver and an answer of the fake API server reach the window
// on their ordinary road; answering the dialog afterwards, or the window
// going away under it, is safe.
#include "app/HeadphonesDevice.h"
#include "app/dialogs/UpdateAvailableDialog.h"
#include "cloud/FirmwareApi.h"
#include "cloud/LoginController.h"
#include "cloud/RemoteUpdater.h"
#include "devicepages/EquipmentSettingsBar.h"
#include "devicepages/MoreSettingsMenuItem.h"
#include "hid/HidProtocolService.h"
#include "tests/app/DeviceWindowRig.h"
#include "tests/app/TestEnvironment.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/cloud/CloudTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using DeviceWindowTest::DeviceWindowRig;

namespace {

enum class Dialog { FirmwareQuestion, UpdateQuestion, UpdateFailure, CheckFailure, Receipt };

// The validated product id of the virtual receiver.
const QString kPid = QString::number(0x6901);

QJsonObject offer(const QString &headset)
{
    const auto entry = [](const QString &version, const QString &url) {
        return QJsonObject{{QStringLiteral("version"), version}, {QStringLiteral("url"), url}};
    };
    return {{QStringLiteral("firmware1"), entry(headset, QStringLiteral("http://fw.example/h.bin"))},
            {QStringLiteral("firmware2"), entry(QStringLiteral("0.0.1"), QStringLiteral("http://fw.example/r.bin"))}};
}

// The dialog of `kind` when it is the one up.
QWidget *dialogUp(Dialog kind)
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return nullptr;
    if (kind == Dialog::FirmwareQuestion || kind == Dialog::UpdateQuestion) {
        auto *question = qobject_cast<UpdateAvailableDialog *>(modal);
        if (!question)
            return nullptr;
        const bool firmware =
            question->findChild<QLabel *>(QStringLiteral("titleLabel"))->text().contains(QStringLiteral("固件"));
        return firmware == (kind == Dialog::FirmwareQuestion) ? question : nullptr;
    }
    return qobject_cast<QMessageBox *>(modal);
}

void writeReceipt()
{
    const QString path = RemoteUpdate::installReceiptPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(R"({"status":"installer_started"})");
}

} // namespace

Q_DECLARE_METATYPE(Dialog)

class TestMainWindowDialogs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void dialogs_data();
    void deviceAndNetworkWhileTheDialogIsUp_data() { dialogs_data(); }
    void deviceAndNetworkWhileTheDialogIsUp();
    void windowGoesAwayUnderTheDialog_data() { dialogs_data(); }
    void windowGoesAwayUnderTheDialog();

private:
    // The window with a linked headset and `kind` up over it; null when it never came.
    QWidget *openDialog(Dialog kind);
    bool redDot() { return m_rig->window().sidebar()->moreItem()->isRedDotVisible(); }

    TestEnvironment m_env;
    std::unique_ptr<DeviceWindowRig> m_rig;
};

void TestMainWindowDialogs::initTestCase()
{
    CloudTest::bypassProxy();
}

void TestMainWindowDialogs::init()
{
    m_env.clearSettings();
    QFile::remove(RemoteUpdate::installReceiptPath());
    m_rig = std::make_unique<DeviceWindowRig>();
    QVERIFY(m_rig->serverStarted());
}

void TestMainWindowDialogs::cleanup()
{
    m_rig.reset();
    QFile::remove(RemoteUpdate::installReceiptPath());
    QTRY_VERIFY(!QApplication::activeModalWidget());
}

void TestMainWindowDialogs::dialogs_data()
{
    QTest::addColumn<Dialog>("kind");
    QTest::newRow("firmware question") << Dialog::FirmwareQuestion;
    QTest::newRow("update question") << Dialog::UpdateQuestion;
    QTest::newRow("update failure") << Dialog::UpdateFailure;
    QTest::newRow("check failure") << Dialog::CheckFailure;
    QTest::newRow("receipt") << Dialog::Receipt;
}

QWidget *TestMainWindowDialogs::openDialog(Dialog kind)
{
    VirtualDevices::HeadsetState state;
    state.headsetFirmware = "1.2.9";
    m_rig->plugReceiver(state);
    // Only the firmware question's own row finds an offer before its dialog is up.
    if (kind == Dialog::FirmwareQuestion)
        m_rig->server().backend().setFirmwareInfo(kPid, offer(QStringLiteral("1.3.0")));
    if (kind == Dialog::Receipt)
        writeReceipt();
    HeadphonesDeviceTimings timings = DeviceWindowTest::fastTimings();
    timings.installReceiptDelayMs = 10;
    HeadphonesDevice &window = m_rig->build(timings);
    if (!m_rig->show() || !m_rig->waitUsable(20000))
        return nullptr;
    // The device page asks the headset for its versions; the firmware check then asks the server.
    window.enterDevicePage();
    if (!QTest::qWaitFor([&window] { return window.canCheckFirmware(); }, 20000))
        return nullptr;
    switch (kind) {
    case Dialog::FirmwareQuestion: break;
    case Dialog::UpdateQuestion: {
        RemoteUpdate::UpdateInfo info;
        info.latestVersion = QStringLiteral("9.0.0");
        window.showUpdateDialog(info);
        break;
    }
    case Dialog::UpdateFailure: window.onUpdateFailure(QStringLiteral("x")); break;
    case Dialog::CheckFailure: window.startUserUpdateCheck(); break;
    case Dialog::Receipt: break;
    }
    QWidget *dialog = nullptr;
    QTest::qWaitFor([&dialog, kind] { return (dialog = dialogUp(kind)) != nullptr; }, 20000);
    return dialog;
}

void TestMainWindowDialogs::deviceAndNetworkWhileTheDialogIsUp()
{
    QFETCH(Dialog, kind);
    QPointer<QWidget> dialog = openDialog(kind);
    QVERIFY(dialog);
    HeadphonesDevice &window = m_rig->window();
    WindowTest::ToastRecorder toasts;

    // A network answer: the server's (newer) firmware offer reaches the window and is applied.
    m_rig->server().backend().setFirmwareInfo(kPid, offer(QStringLiteral("1.4.0")));
    QSignalSpy answered(window.loginController()->firmwareApi(), &EarphoneApi::FirmwareApi::pcFirmwareInfoReceived);
    window.requestFirmwareInfo();
    QVERIFY(window.isFirmwareCheckInFlight());
    QVERIFY(answered.wait(10000));
    QVERIFY(!window.isFirmwareCheckInFlight());
    QVERIFY(redDot());
    // No question over the one that is up.
    QCOMPARE(dialogUp(kind), dialog.data());
    const bool question = kind == Dialog::FirmwareQuestion || kind == Dialog::UpdateQuestion;
    QCOMPARE(window.findChildren<UpdateAvailableDialog *>().size(), question ? 1 : 0);

    // The device goes: the window follows at once, the dialog still up.
    QSignalSpy presence(&m_rig->service(), &HidProtocolService::targetDevicePresentChanged);
    QVERIFY(m_rig->unplugReceiver());
    QTRY_VERIFY_WITH_TIMEOUT(!presence.isEmpty() && !presence.last().at(0).toBool(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!window.isDeviceUsable(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(window.currentPage(), int(HeadphonesDevice::BootPage), 5000);
    QVERIFY(!redDot());
    QVERIFY(!window.canCheckFirmware());
    QVERIFY(dialog && dialog->isVisible());

    // Answered afterwards.
    if (auto *question = qobject_cast<UpdateAvailableDialog *>(dialog.data())) {
        const bool firmware = kind == Dialog::FirmwareQuestion;
        question->findChild<QPushButton *>(firmware ? QStringLiteral("confirmButton") : QStringLiteral("cancelButton"))
            ->click();
        if (firmware) {
            // Going to update without a device says so instead.
            QTRY_VERIFY(toasts.texts.contains(QStringLiteral("请先连接设备后再升级固件。")));
            QCOMPARE(window.currentPage(), int(HeadphonesDevice::BootPage));
        } else {
            QVERIFY(window.isUpdateBadgeShown());
        }
    } else {
        auto *box = qobject_cast<QMessageBox *>(dialog.data());
        QAbstractButton *answer = box->buttons().first();
        for (QAbstractButton *button : box->buttons()) {
            if (box->buttonRole(button) == QMessageBox::RejectRole)
                answer = button;
        }
        answer->click();
    }
    QTRY_VERIFY(!dialog);
    // The firmware question held back for the dialog went with the device.
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(!window.isQuitting());
}

void TestMainWindowDialogs::windowGoesAwayUnderTheDialog()
{
    QFETCH(Dialog, kind);
    QPointer<QWidget> dialog = openDialog(kind);
    QVERIFY(dialog);
    // The device goes too, on its way out.
    QVERIFY(m_rig->unplugReceiver());
    m_rig.reset();
    QVERIFY(!dialog);
    QCoreApplication::processEvents();
    QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(TestMainWindowDialogs)
#include "tst_mainwindowdialogs.moc"
