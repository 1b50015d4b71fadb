// The firmware update check on a plain widget with the More-settings page and
// the sidebar beside it: what the server offers against what the device
// reports, the question once per new version shown without a loop of its
// own over the window's blurred backdrop, and what happens when the device
// goes or the window quits while the question is up.
#include "app/FirmwareUpdateCheck.h"
#include "app/dialogs/UpdateAvailableDialog.h"
#include "devicepages/EquipmentSettingsBar.h"
#include "devicepages/MoreSettingsContent.h"
#include "devicepages/MoreSettingsMenuItem.h"
#include "tests/app/TestEnvironment.h"
#include "widgets/WindowBlurBackdrop.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <memory>

using EarphoneApi::PcFirmwareInfoResult;

namespace {

PcFirmwareInfoResult answer(const QString &headset, const QString &receiver = QStringLiteral("1.0.0"),
                            const QString &headsetUrl = QStringLiteral("http://fw.example/h.bin"),
                            const QString &pid = QStringLiteral("1"))
{
    PcFirmwareInfoResult result;
    result.pid = pid;
    result.firmware1 = {headset, headsetUrl};
    result.firmware2 = {receiver, QStringLiteral("http://fw.example/r.bin")};
    return result;
}

HeadsetProtocol::FirmwareInfo versions(const QString &headset, const QString &receiver = QStringLiteral("1.0.0"))
{
    HeadsetProtocol::FirmwareInfo info;
    info.headsetVersion = headset;
    info.dongleVersion = receiver;
    return info;
}

UpdateAvailableDialog *question()
{
    auto *dialog = qobject_cast<UpdateAvailableDialog *>(QApplication::activeModalWidget());
    return dialog && dialog->isVisible() ? dialog : nullptr;
}

QString title(UpdateAvailableDialog *dialog)
{
    return dialog->findChild<QLabel *>(QStringLiteral("titleLabel"))->text();
}

QString message(UpdateAvailableDialog *dialog)
{
    return dialog->findChild<QLabel *>(QStringLiteral("messageLabel"))->text();
}

void press(UpdateAvailableDialog *dialog, const char *name)
{
    dialog->findChild<QPushButton *>(QLatin1String(name))->click();
}

} // namespace

class TestFirmwareUpdateCheck : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void offer_data();
    void offer();
    void askedOncePerVersion();
    void confirmAsksForMoreSettings();
    void deviceLostWhileTheQuestionIsUp();
    void newerOfferWhileTheQuestionIsUpWaits_data();
    void newerOfferWhileTheQuestionIsUpWaits();
    void blockedQuestionWaitsForTheScreen();
    void quittingWhileTheQuestionIsUp();
    void windowGoesAwayWithTheQuestionUp();
    void answerForAnotherProductDropped();
    void successfulUpdateReadsVersionsBack();

private:
    // The device reports its versions and the server answers.
    void report(const QString &headset, const PcFirmwareInfoResult &result);
    bool redDot() const { return m_sidebar->moreItem()->isRedDotVisible(); }
    bool blurred() const { return WindowBlurBackdrop::of(m_window.get()) != nullptr; }

    TestEnvironment m_env;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<MoreSettingsContent> m_more;
    std::unique_ptr<EquipmentSettingsBar> m_sidebar;
    FirmwareUpdateCheck *m_check = nullptr;
    QString m_pid;
    bool m_deviceReady = true;
    bool m_quitting = false;
    bool m_blocked = false;
};

void TestFirmwareUpdateCheck::init()
{
    m_env.clearSettings();
    m_pid = QStringLiteral("1");
    m_deviceReady = true;
    m_quitting = false;
    m_blocked = false;
    m_more = std::make_unique<MoreSettingsContent>();
    m_sidebar = std::make_unique<EquipmentSettingsBar>();
    m_window = std::make_unique<QWidget>();
    m_window->resize(400, 300);
    m_check = new FirmwareUpdateCheck(m_window.get());
    m_check->setPages(m_more.get(), m_sidebar.get());
    m_check->setProductIdSource([this] { return m_pid; });
    m_check->setDeviceGate([this] { return m_deviceReady; });
    m_check->setQuittingProbe([this] { return m_quitting; });
    m_check->setPromptBlocker([this] { return m_blocked; });
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestFirmwareUpdateCheck::cleanup()
{
    m_window.reset();
    m_more.reset();
    m_sidebar.reset();
    QTRY_VERIFY(!QApplication::activeModalWidget());
}

void TestFirmwareUpdateCheck::report(const QString &headset, const PcFirmwareInfoResult &result)
{
    m_check->onDeviceFirmwareInfo(versions(headset));
    m_check->onInfoReceived(result);
}

void TestFirmwareUpdateCheck::offer_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("deviceReceiver");
    QTest::addColumn<PcFirmwareInfoResult>("server");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("shownVersion");
    QTest::newRow("newer by number, not by text")
        << "1.2.9" << "1.0.0" << answer(QStringLiteral("V1.2.10")) << "发现耳机固件新版本" << "V.1.2.10";
    QTest::newRow("same version") << "1.2.9" << "1.0.0" << answer(QStringLiteral("v1.2.9")) << "" << "";
    QTest::newRow("older version") << "1.3.0" << "1.0.0" << answer(QStringLiteral("1.2.9")) << "" << "";
    QTest::newRow("version without address")
        << "1.2.9" << "1.0.0" << answer(QStringLiteral("1.3.0"), QStringLiteral("1.0.0"), QString()) << "" << "";
    QTest::newRow("receiver only") << "1.2.9" << "0.9.0" << answer(QStringLiteral("1.2.9"))
                                   << "发现接收器固件新版本" << "V.1.0.0";
    QTest::newRow("both") << "1.2.8" << "0.9.0" << answer(QStringLiteral("1.2.9")) << "发现固件新版本" << "";
}

void TestFirmwareUpdateCheck::offer()
{
    QFETCH(QString, device);
    QFETCH(QString, deviceReceiver);
    QFETCH(PcFirmwareInfoResult, server);
    QFETCH(QString, asked);
    QFETCH(QString, shownVersion);

    m_check->onDeviceFirmwareInfo(versions(device, deviceReceiver));
    QVERIFY(m_check->canCheck());
    m_check->onInfoReceived(server);
    QVERIFY(m_check->isServerInfoHeld());
    QCOMPARE(redDot(), !asked.isEmpty());
    UpdateAvailableDialog *dialog = question();
    if (asked.isEmpty()) {
        QVERIFY(!dialog);
        QVERIFY(!blurred());
        return;
    }
    // Back at once, with the question up over the window blurred.
    QVERIFY(dialog);
    QVERIFY(blurred());
    QCOMPARE(m_check->promptDialog(), dialog);
    QCOMPARE(title(dialog), asked);
    if (!shownVersion.isEmpty())
        QVERIFY2(message(dialog).contains(shownVersion), qPrintable(message(dialog)));
    QCOMPARE(dialog->findChild<QPushButton *>(QStringLiteral("cancelButton"))->text(), QStringLiteral("稍后"));
    QCOMPARE(dialog->findChild<QPushButton *>(QStringLiteral("confirmButton"))->text(), QStringLiteral("前往升级"));
}

void TestFirmwareUpdateCheck::askedOncePerVersion()
{
    QSignalSpy toMore(m_check, &FirmwareUpdateCheck::moreSettingsRequested);
    report(QStringLiteral("1.2.9"), answer(QStringLiteral("1.3.0")));
    QVERIFY(question());
    press(question(), "cancelButton");
    QVERIFY(!m_check->promptDialog());
    QVERIFY(!blurred());
    QCOMPARE(toMore.size(), 0);

    // The same version again: not asked; a newer one is.
    m_check->onInfoReceived(answer(QStringLiteral("1.3.0")));
    QVERIFY(!question());
    QVERIFY(redDot());
    m_check->onInfoReceived(answer(QStringLiteral("1.3.1")));
    QVERIFY(question());
    QVERIFY(blurred());
    QVERIFY(message(question()).contains(QStringLiteral("V.1.3.1")));
}

void TestFirmwareUpdateCheck::confirmAsksForMoreSettings()
{
    QSignalSpy toMore(m_check, &FirmwareUpdateCheck::moreSettingsRequested);
    report(QStringLiteral("1.2.9"), answer(QStringLiteral("1.3.0")));
    QPointer<UpdateAvailableDialog> dialog = question();
    QVERIFY(dialog);
    press(dialog, "confirmButton");
    QCOMPARE(toMore.size(), 1);
    // It goes once it has closed.
    QTRY_VERIFY(!dialog);
}

void TestFirmwareUpdateCheck::deviceLostWhileTheQuestionIsUp()
{
    QSignalSpy toMore(m_check, &FirmwareUpdateCheck::moreSettingsRequested);
    report(QStringLiteral("1.2.9"), answer(QStringLiteral("1.3.0")));
    UpdateAvailableDialog *dialog = question();
    QVERIFY(dialog);

    // Unplugged under the question: the check forgets the device at once.
    m_deviceReady = false;
    m_check->clearDeviceState();
    m_check->updatePeriodicTimer();
    QVERIFY(!m_check->canCheck());
    QVERIFY(!m_check->isServerInfoHeld());
    QVERIFY(!m_check->periodicTimer()->isActive());

    // Answered afterwards: the answer is still taken (the window decides it cannot go there).
    press(dialog, "confirmButton");
    QCOMPARE(toMore.size(), 1);

    // Plugged in again: the same version is news to this device session.
    m_deviceReady = true;
    report(QStringLiteral("1.2.9"), answer(QStringLiteral("1.3.0")));
    QVERIFY(question());
    QCOMPARE(title(question()), QStringLiteral("发现耳机固件新版本"));
}

void TestFirmwareUpdateCheck::newerOfferWhileTheQuestionIsUpWaits_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("toMoreSettings");
    QTest::newRow("not now") << QStringLiteral("cancelButton") << 0;
    QTest::newRow("go to update") << QStringLiteral("confirmButton") << 1;
}

void TestFirmwareUpdateCheck::newerOfferWhileTheQuestionIsUpWaits()
{
    QFETCH(QString, button);
    QFETCH(int, toMoreSettings);
    QSignalSpy toMore(m_check, &FirmwareUpdateCheck::moreSettingsRequested);
    report(QStringLiteral("1.2.9"), answer(QStringLiteral("1.3.0")));
    QPointer<UpdateAvailableDialog> first = question();
    QVERIFY(first);
    m_check->onInfoReceived(answer(QStringLiteral("1.3.1")));
    // No second question over the first.
    QCOMPARE(m_window->findChildren<UpdateAvailableDialog *>().size(), 1);
    QCOMPARE(question(), first.data());
    QVERIFY(m_check->isPromptDeferred());
    // Closing the first question asks the waiting one: nothing else has to.
    press(first, qPrintable(button));
    QCOMPARE(toMore.size(), toMoreSettings);
    QVERIFY(!m_check->isPromptDeferred());
    QTRY_VERIFY(question() && question() != first);
    QVERIFY(message(question()).contains(QStringLiteral("V.1.3.1")));
    // Asked from the first one's answer, over a backdrop of its own.
    QVERIFY(blurred());
    // Once per version: closing that one asks nothing more.
    press(question(), "cancelButton");
    QTRY_VERIFY(!question());
    QTRY_VERIFY(!first);
    QVERIFY(!blurred());
}

void TestFirmwareUpdateCheck::blockedQuestionWaitsForTheScreen()
{
    m_blocked = true;
    report(QStringLiteral("1.2.9"), answer(QStringLiteral("1.3.0")));
    QVERIFY(redDot());
    QVERIFY(!question());
    QVERIFY(m_check->isPromptDeferred());
    m_blocked = false;
    m_check->resumeDeferredPrompt();
    QVERIFY(!m_check->isPromptDeferred());
    QVERIFY(question());
    // Resuming again finds nothing waiting.
    press(question(), "cancelButton");
    m_check->resumeDeferredPrompt();
    QVERIFY(!question());
}

void TestFirmwareUpdateCheck::quittingWhileTheQuestionIsUp()
{
    QSignalSpy toMore(m_check, &FirmwareUpdateCheck::moreSettingsRequested);
    report(QStringLiteral("1.2.9"), answer(QStringLiteral("1.3.0")));
    QVERIFY(question());
    m_quitting = true;
    press(question(), "confirmButton");
    QCOMPARE(toMore.size(), 0);
    QVERIFY(!m_check->canCheck());
}

void TestFirmwareUpdateCheck::windowGoesAwayWithTheQuestionUp()
{
    report(QStringLiteral("1.2.9"), answer(QStringLiteral("1.3.0")));
    QPointer<UpdateAvailableDialog> dialog = question();
    QPointer<FirmwareUpdateCheck> check(m_check);
    QVERIFY(dialog);
    m_window.reset();
    QVERIFY(!dialog);
    QVERIFY(!check);
    QCoreApplication::processEvents();
}

void TestFirmwareUpdateCheck::answerForAnotherProductDropped()
{
    m_check->onDeviceFirmwareInfo(versions(QStringLiteral("1.2.9")));
    // The product changed while the answer for product 1 was on its way.
    m_pid = QStringLiteral("2");
    m_check->onInfoReceived(answer(QStringLiteral("1.3.0")));
    QVERIFY(!m_check->isServerInfoHeld());
    QVERIFY(!redDot());
    QVERIFY(!question());
}

void TestFirmwareUpdateCheck::successfulUpdateReadsVersionsBack()
{
    m_check->setTimings(1800000, 1800000, {10, 30});
    report(QStringLiteral("1.2.9"), answer(QStringLiteral("1.3.0")));
    press(question(), "cancelButton");
    QSignalSpy refresh(m_check, &FirmwareUpdateCheck::moreSettingsRefreshRequested);
    QSignalSpy asks(m_check, &FirmwareUpdateCheck::basicInfoRequested);
    m_check->onManualUpgradeFinished(true, ManualFirmwareOtaCoordinator::Headset);
    QCOMPARE(m_check->currentHeadsetVersion(), QStringLiteral("1.3.0"));
    QCOMPARE(refresh.size(), 1);
    QTRY_COMPARE(asks.size(), 2);
    // The updated part first.
    QCOMPARE(asks.at(0).at(0).value<QList<quint8>>(), (QList<quint8>{0x05, 0x04}));
    QCOMPARE(asks.at(1).at(0).value<QList<quint8>>(), (QList<quint8>{0x05, 0x04}));

}

QTEST_MAIN(TestFirmwareUpdateCheck)
#include "tst_firmwareupdatecheck.moc"
