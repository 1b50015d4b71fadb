// The firmware versions of the headset and the receiver against the server's
// offer: the comparison, the red dot, the question once per version, answers
// for another product, and the page after an update.
#include "app/HeadphonesDevice.h"
#include "app/dialogs/UpdateAvailableDialog.h"
#include "app/dialogs/UpdateDownloadProgressDialog.h"
#include "cloud/UpdateInfo.h"
#include "cloud/FirmwareApi.h"
#include "cloud/LoginController.h"
#include "devicepages/EquipmentSettingsBar.h"
#include "devicepages/MoreSettingsContent.h"
#include "devicepages/MoreSettingsMenuItem.h"
#include "hid/HidProtocolService.h"
#include "tests/app/DeviceWindowRig.h"
#include "tests/app/TestEnvironment.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/cloud/CloudTestSupport.h"

#include <QApplication>
#include <QJsonObject>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

using DeviceWindowTest::DeviceWindowRig;

namespace {
QJsonObject entry(const QString &version, const QString &url)
{
    return {{QStringLiteral("version"), version}, {QStringLiteral("url"), url}};
}

QJsonObject offer(const QString &headset, const QString &headsetUrl = QStringLiteral("http://fw.example/h.bin"))
{
    return {{QStringLiteral("firmware1"), entry(headset, headsetUrl)},
            {QStringLiteral("firmware2"), entry(QStringLiteral("1.0.0"), QStringLiteral("http://fw.example/r.bin"))}};
}

// The question asked while `trigger` runs, declined; empty when none was asked.
QStringList questionDuring(const std::function<void()> &trigger)
{
    QStringList texts;
    const auto take = [&texts] {
        auto *dialog = qobject_cast<UpdateAvailableDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        for (const QLabel *label : dialog->findChildren<QLabel *>())
            texts.append(label->text());
        dialog->reject();
    };
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, take);
    poll.start();
    trigger();
    // The question opens without a loop of its own: it may have come up just as the trigger returned.
    take();
    return texts;
}

// Records the title of the next firmware question of `window` and declines it; empty until one came.
std::shared_ptr<QString> declineFirmwareQuestion(HeadphonesDevice &window)
{
    // Tied to its window: a poll left from an earlier test never takes this one's question.
    const auto isFirmware = [owner = QPointer<HeadphonesDevice>(&window)](QWidget *widget) {
        auto *dialog = qobject_cast<UpdateAvailableDialog *>(widget);
        return owner && dialog && dialog->parentWidget() == owner
            && dialog->findChild<QLabel *>(QStringLiteral("titleLabel"))->text().contains(QStringLiteral("固件"));
    };
    auto title = std::make_shared<QString>();
    WindowTest::whenModalWidget(isFirmware, [title](QWidget *dialog) {
        *title = dialog->findChild<QLabel *>(QStringLiteral("titleLabel"))->text();
        dialog->findChild<QPushButton *>(QStringLiteral("cancelButton"))->click();
    });
    return title;
}
} // namespace

class TestMainWindowFirmware : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void displayText_data();
    void displayText();
    void newerVersionOfferedOnce();
    void entryWithoutAddressOffersNothing();
    void answerForAnotherProductDropped();
    void successfulUpdateShowsServerVersion();
    void successfulUpdateReadsVersionsBack();
    void questionWaitsForSelfUpdate_data();
    void questionWaitsForSelfUpdate();

private:
    // The device validated and reporting its versions; returns once the server answered.
    bool reportVersions(const QString &headset, const QString &receiver = QStringLiteral("1.0.0"));
    // More settings opened: asks the server again, without the half-hour spacing.
    bool openMoreSettings();
    bool redDot() { return m_rig->window().sidebar()->moreItem()->isRedDotVisible(); }
    QPushButton *headsetUpgradeButton();

    TestEnvironment m_env;
    std::unique_ptr<DeviceWindowRig> m_rig;
};

void TestMainWindowFirmware::initTestCase()
{
    CloudTest::bypassProxy();
}

void TestMainWindowFirmware::init()
{
    m_env.clearSettings();
    m_rig = std::make_unique<DeviceWindowRig>();
    QVERIFY(m_rig->serverStarted());
    m_rig->build();
    QVERIFY(m_rig->show());
}

void TestMainWindowFirmware::cleanup()
{
    m_rig.reset();
}

bool TestMainWindowFirmware::reportVersions(const QString &headset, const QString &receiver)
{
    HidProtocolService &s = m_rig->service();
    QSignalSpy answered(m_rig->window().loginController()->firmwareApi(),
                        &EarphoneApi::FirmwareApi::pcFirmwareInfoReceived);
    emit s.targetDevicePresentChanged(true);
    emit s.protocolValidatedChanged(true);
    HeadsetProtocol::FirmwareInfo info;
    info.headsetVersion = headset;
    info.dongleVersion = receiver;
    emit s.firmwareInfoChanged(info);
    return answered.wait(5000);
}

bool TestMainWindowFirmware::openMoreSettings()
{
    QSignalSpy answered(m_rig->window().loginController()->firmwareApi(),
                        &EarphoneApi::FirmwareApi::pcFirmwareInfoReceived);
    m_rig->window().onMoreSettingsClicked();
    return answered.wait(5000);
}

QPushButton *TestMainWindowFirmware::headsetUpgradeButton()
{
    QWidget *card = m_rig->moreSettings().findChild<QWidget *>(QStringLiteral("headphoneFirmwareCard"));
    return card ? card->findChild<QPushButton *>(QStringLiteral("upgradeButton")) : nullptr;
}

void TestMainWindowFirmware::displayText_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("shown");
    QTest::newRow("leading V") << "V1.2.10" << "V.1.2.10";
    QTest::newRow("plain") << " 1.0 " << "V.1.0";
    QTest::newRow("empty") << "  " << "-";
}

void TestMainWindowFirmware::displayText()
{
    QFETCH(QString, version);
    QFETCH(QString, shown);
    QCOMPARE(HeadphonesDevice::firmwareVersionDisplayText(version), shown);
}

void TestMainWindowFirmware::newerVersionOfferedOnce()
{
    FakeApi::Backend &server = m_rig->server().backend();
    server.setFirmwareInfo(QStringLiteral("1"), offer(QStringLiteral("V1.2.10")));

    // 1.2.10 is newer than 1.2.9 by number, not by text.
    QStringList question = questionDuring([&] { QVERIFY(reportVersions(QStringLiteral("1.2.9"))); });
    QVERIFY(question.contains(QStringLiteral("发现耳机固件新版本")));
    QVERIFY(question.join(' ').contains(QStringLiteral("V.1.2.10")));
    QVERIFY(redDot());
    QVERIFY(!headsetUpgradeButton()->isHidden());

    // Declined: the same version is not asked about again while the device stays.
    question = questionDuring([&] { QVERIFY(openMoreSettings()); });
    QVERIFY(question.isEmpty());
    QVERIFY(redDot());

    server.setFirmwareInfo(QStringLiteral("1"), offer(QStringLiteral("1.2.11")));
    question = questionDuring([&] { QVERIFY(openMoreSettings()); });
    QVERIFY(question.join(' ').contains(QStringLiteral("V.1.2.11")));

    // Unplugged and back: the same version is news again.
    emit m_rig->service().targetDevicePresentChanged(false);
    QVERIFY(!redDot());
    question = questionDuring([&] { QVERIFY(reportVersions(QStringLiteral("1.2.9"))); });
    QVERIFY(question.join(' ').contains(QStringLiteral("V.1.2.11")));
}

void TestMainWindowFirmware::entryWithoutAddressOffersNothing()
{
    m_rig->server().backend().setFirmwareInfo(QStringLiteral("1"), offer(QStringLiteral("1.3.0"), QString()));
    const QStringList question = questionDuring([&] { QVERIFY(reportVersions(QStringLiteral("1.2.9"), QStringLiteral("1.0.0"))); });
    QVERIFY(question.isEmpty());
    QVERIFY(!redDot());
    QVERIFY(headsetUpgradeButton()->isHidden());
}

void TestMainWindowFirmware::answerForAnotherProductDropped()
{
    m_rig->server().backend().setFirmwareInfo(QStringLiteral("1"), offer(QStringLiteral("1.3.0")));
    const QStringList question = questionDuring([&] {
        QSignalSpy answered(m_rig->window().loginController()->firmwareApi(),
                            &EarphoneApi::FirmwareApi::pcFirmwareInfoReceived);
        HidProtocolService &s = m_rig->service();
        emit s.targetDevicePresentChanged(true);
        emit s.protocolValidatedChanged(true);
        HeadsetProtocol::FirmwareInfo info;
        info.headsetVersion = QStringLiteral("1.2.9");
        info.dongleVersion = QStringLiteral("1.0.0");
        emit s.firmwareInfoChanged(info);
        // The product changes while the question for product 1 is on its way.
        QSettings().setValue(QStringLiteral("Device/pid"), QStringLiteral("2"));
        QVERIFY(answered.wait(5000));
        QCOMPARE(answered.first().first().value<EarphoneApi::PcFirmwareInfoResult>().pid, QStringLiteral("1"));
    });
    QVERIFY(question.isEmpty());
    QVERIFY(!redDot());
}

void TestMainWindowFirmware::successfulUpdateShowsServerVersion()
{
    m_rig->server().backend().setFirmwareInfo(QStringLiteral("1"), offer(QStringLiteral("1.3.0")));
    questionDuring([&] { QVERIFY(reportVersions(QStringLiteral("1.2.9"))); });
    QVERIFY(redDot());

    // The server still offers 1.3.0; the headset now runs it, so nothing is offered.
    QSignalSpy answered(m_rig->window().loginController()->firmwareApi(),
                        &EarphoneApi::FirmwareApi::pcFirmwareInfoReceived);
    m_rig->window().onManualUpgradeFinished(true, ManualFirmwareOtaCoordinator::Headset);
    QWidget *card = m_rig->moreSettings().findChild<QWidget *>(QStringLiteral("headphoneFirmwareCard"));
    QVERIFY(card->findChild<QLabel *>(QStringLiteral("currentVersion"))->text().contains(QStringLiteral("1.3.0")));
    QVERIFY(answered.wait(5000));
    QVERIFY(!redDot());
    QVERIFY(headsetUpgradeButton()->isHidden());
}

void TestMainWindowFirmware::successfulUpdateReadsVersionsBack()
{
    using namespace std::chrono_literals;
    m_rig.reset();
    m_rig = std::make_unique<DeviceWindowRig>();
    QVERIFY(m_rig->serverStarted());
    // The validated product id of the virtual receiver.
    m_rig->server().backend().setFirmwareInfo(QString::number(0x6901), offer(QStringLiteral("1.3.0")));
    VirtualDevices::HeadsetState state;
    state.headsetFirmware = "1.2.9";
    m_rig->plugReceiver(state);
    HeadphonesDeviceTimings timings = DeviceWindowTest::fastTimings();
    timings.firmwareReadbackDelaysMs = {150, 400};
    HeadphonesDevice &window = m_rig->build(timings);
    QVERIFY(m_rig->show());
    const auto asked = declineFirmwareQuestion(window);
    QVERIFY(m_rig->waitUsable());
    window.enterDevicePage(); // asks the headset for its versions
    QTRY_VERIFY_WITH_TIMEOUT(!asked->isEmpty(), 10000);
    QVERIFY(redDot());

    // The headset restarts with the new firmware; the page shows it before the headset says so.
    VirtualDevices::VirtualHeadset &headset = m_rig->headset();
    headset.updateState([](VirtualDevices::HeadsetState &s) { s.headsetFirmware = "1.3.0"; });
    headset.clearLog();
    const auto askedAgain = declineFirmwareQuestion(window);
    const auto finished = std::chrono::steady_clock::now();
    window.onManualUpgradeFinished(true, ManualFirmwareOtaCoordinator::Headset);
    QWidget *card = m_rig->moreSettings().findChild<QWidget *>(QStringLiteral("headphoneFirmwareCard"));
    QVERIFY(card->findChild<QLabel *>(QStringLiteral("currentVersion"))->text().contains(QStringLiteral("1.3.0")));

    // Both versions are asked for once after each read-back delay.
    QTRY_VERIFY_WITH_TIMEOUT(headset.basicInfoCount(0x04) == 2 && headset.basicInfoCount(0x05) == 2, 10000);
    std::vector<std::chrono::steady_clock::time_point> asks;
    for (const VirtualDevices::HostRequest &request : headset.requests()) {
        if (request.command == 0x10 && !request.payload.empty() && (request.payload[0] == 0x04 || request.payload[0] == 0x05))
            asks.push_back(request.receivedAt);
    }
    QCOMPARE(asks.size(), std::size_t(4));
    std::sort(asks.begin(), asks.end());
    QVERIFY(asks[0] - finished >= 150ms);
    QVERIFY(asks[2] - finished >= 400ms);
    QTRY_VERIFY_WITH_TIMEOUT(!redDot(), 5000);
    QVERIFY(card->findChild<QLabel *>(QStringLiteral("currentVersion"))->text().contains(QStringLiteral("1.3.0")));
    // The version just installed is never offered again.
    QCOMPARE(*askedAgain, QString());
}

void TestMainWindowFirmware::questionWaitsForSelfUpdate_data()
{
    QTest::addColumn<bool>("progressFailure");
    QTest::newRow("self-update question declined") << false;
    QTest::newRow("download failure dismissed") << true;
}

// A firmware answer that arrives while the program's own update holds the
// screen waits, and is asked once that update is given up.
void TestMainWindowFirmware::questionWaitsForSelfUpdate()
{
    QFETCH(bool, progressFailure);
    m_rig->server().backend().setFirmwareInfo(QStringLiteral("1"), offer(QStringLiteral("1.3.0")));
    HeadphonesDevice &window = m_rig->window();
    const auto asked = declineFirmwareQuestion(window);
    const auto answerUnderneath = [&] {
        QVERIFY(reportVersions(QStringLiteral("1.2.9")));
        QVERIFY(redDot());
        QVERIFY(asked->isEmpty());
    };

    if (progressFailure) {
        window.onUpdateDownloadStarted();
        window.onUpdateFailure(QString());
        QPointer<UpdateDownloadProgressDialog> progress = window.updateProgressDialog();
        QVERIFY(progress && progress->isFailureShown());
        answerUnderneath();
        QTest::keyClick(progress, Qt::Key_Escape);
    } else {
        const auto declined = WindowTest::whenModal<UpdateAvailableDialog>([&](UpdateAvailableDialog *dialog) {
            answerUnderneath();
            dialog->findChild<QPushButton *>(QStringLiteral("cancelButton"))->click();
        });
        RemoteUpdate::UpdateInfo info;
        info.latestVersion = QStringLiteral("9.0.0");
        window.showUpdateDialog(info);
        QTRY_VERIFY_WITH_TIMEOUT(*declined, 10000);
    }
    QTRY_COMPARE_WITH_TIMEOUT(*asked, QStringLiteral("发现耳机固件新版本"), 5000);
}

QTEST_MAIN(TestMainWindowFirmware)
#include "tst_mainwindowfirmware.moc"
