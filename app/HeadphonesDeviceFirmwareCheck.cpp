// The headset's and the receiver's firmware against what the server offers:
// the check (on device reports, every half hour, when the program comes to
// the front and when More settings opens), its result on the More-settings
// page and the sidebar, the question once per new version, and the manual
// update that the page's buttons start.
#include "app/HeadphonesDevice.h"

#include "app/CustomTitleBar.h"
#include "app/dialogs/UpdateAvailableDialog.h"
#include "app/dialogs/UpdateDownloadProgressDialog.h"
#include "cloud/FirmwareApi.h"
#include "cloud/LoginController.h"
#include "cloud/UpdateVersion.h"
#include "devicepages/EquipmentContentsBar.h"
#include "devicepages/EquipmentSettingsBar.h"
#include "devicepages/MoreSettingsContent.h"
#include "hid/HidProtocolService.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QtDebug>

namespace {
constexpr quint8 kBasicInfoReceiverFirmware = 0x04;
constexpr quint8 kBasicInfoHeadsetFirmware = 0x05;

QString normalized(const QString &version)
{
    return EarphoneApi::FirmwareApi::normalizeVersion(version.trimmed());
}

bool offersUpgrade(const EarphoneApi::PcFirmwareEntry &entry, const QString &current)
{
    const QString latest = normalized(entry.version);
    const QString installed = normalized(current);
    return entry.isValid() && !latest.isEmpty() && !installed.isEmpty()
        && RemoteUpdate::isNewerVersion(latest, installed);
}
} // namespace

bool HeadphonesDevice::canCheckFirmware() const
{
    return !m_quitting && m_loginController && !isQorConnectionHeld() && m_deviceState->isProtocolValidated()
        && !m_firmware.currentHeadsetVersion.trimmed().isEmpty()
        && !m_firmware.currentReceiverVersion.trimmed().isEmpty();
}

void HeadphonesDevice::requestFirmwareInfo()
{
    EarphoneApi::FirmwareApi *api = m_loginController ? m_loginController->firmwareApi() : nullptr;
    if (!api)
        return;
    m_firmware.checkInFlight = true;
    api->requestPcFirmwareInfo(currentProductIdText());
}

bool HeadphonesDevice::firmwareCheckThrottled() const
{
    return m_firmware.serverInfoHeld && m_firmware.lastCheck.isValid()
        && m_firmware.lastCheck.elapsed() < m_timings.firmwareCheckThrottleMs;
}

void HeadphonesDevice::onAutomaticFirmwareCheck()
{
    if (!canCheckFirmware() || m_firmware.checkInFlight || !isVisible() || firmwareCheckThrottled())
        return;
    requestFirmwareInfo();
}

void HeadphonesDevice::ensurePeriodicFirmwareCheckTimer()
{
    if (m_firmware.periodicTimer)
        return;
    m_firmware.periodicTimer = new QTimer(this);
    m_firmware.periodicTimer->setInterval(m_timings.firmwareCheckPeriodMs);
    connect(m_firmware.periodicTimer, &QTimer::timeout, this, &HeadphonesDevice::onAutomaticFirmwareCheck);
}

void HeadphonesDevice::updatePeriodicFirmwareCheckTimer()
{
    ensurePeriodicFirmwareCheckTimer();
    const bool allowed = canCheckFirmware();
    if (allowed && !m_firmware.periodicTimer->isActive())
        m_firmware.periodicTimer->start();
    else if (!allowed && m_firmware.periodicTimer->isActive())
        m_firmware.periodicTimer->stop();
}

void HeadphonesDevice::clearFirmwareCheckState()
{
    // The server's last answer and the upgrade under way outlive the device.
    m_firmware.currentHeadsetVersion.clear();
    m_firmware.currentReceiverVersion.clear();
    m_firmware.serverInfoHeld = false;
    m_firmware.lastCheck.invalidate();
    m_firmware.checkInFlight = false;
    m_firmware.headsetAvailable = false;
    m_firmware.receiverAvailable = false;
    m_firmware.latestHeadsetVersion.clear();
    m_firmware.latestReceiverVersion.clear();
    m_firmware.lastPromptedHeadsetVersion.clear();
    m_firmware.lastPromptedReceiverVersion.clear();
    m_firmwarePromptDeferred = false;
}

void HeadphonesDevice::onDeviceFirmwareInfo(const HeadsetProtocol::FirmwareInfo &info)
{
    if (m_quitting)
        return;
    if (!info.headsetVersion.trimmed().isEmpty())
        m_firmware.currentHeadsetVersion = normalized(info.headsetVersion);
    if (!info.dongleVersion.trimmed().isEmpty())
        m_firmware.currentReceiverVersion = normalized(info.dongleVersion);
    refreshMoreSettingsPage();
    if (canCheckFirmware() && !m_firmware.checkInFlight && !firmwareCheckThrottled())
        requestFirmwareInfo();
    updatePeriodicFirmwareCheckTimer();
}

void HeadphonesDevice::onPcFirmwareInfoReceived(const EarphoneApi::PcFirmwareInfoResult &result)
{
    m_firmware.checkInFlight = false;
    // An answer for a product that is no longer connected says nothing about this one.
    if (result.pid != currentProductIdText())
        return;
    m_firmware.held = result;
    m_firmware.serverInfoHeld = true;
    m_firmware.lastCheck.start();
    applyFirmwareCheck();
}

void HeadphonesDevice::onPcFirmwareInfoFailed(int errorCode, const QString &message, const QString &requestPid)
{
    m_firmware.checkInFlight = false;
    if (requestPid != currentProductIdText())
        return;
    qWarning().noquote()
        << QStringLiteral("[FirmwareCheck] failed pid=%1 code=%2 msg=%3").arg(requestPid).arg(errorCode).arg(message);
}

void HeadphonesDevice::applyFirmwareCheck()
{
    MoreSettingsContent *more = m_contentBar ? m_contentBar->moreSettingsPage() : nullptr;
    if (!m_firmware.serverInfoHeld || !more || m_firmware.held.pid != currentProductIdText())
        return;
    const QString currentHeadset = m_firmware.currentHeadsetVersion.trimmed();
    const QString currentReceiver = m_firmware.currentReceiverVersion.trimmed();
    const QString latestHeadset = normalized(m_firmware.held.firmware1.version);
    const QString latestReceiver = normalized(m_firmware.held.firmware2.version);
    if (!currentHeadset.isEmpty())
        more->setHeadphoneFirmwareVersion(currentHeadset);
    if (!currentReceiver.isEmpty())
        more->setReceiverFirmwareVersion(currentReceiver);

    const bool headset = offersUpgrade(m_firmware.held.firmware1, currentHeadset);
    const bool receiver = offersUpgrade(m_firmware.held.firmware2, currentReceiver);
    more->setHeadphoneOtaAvailable(headset, latestHeadset);
    more->setReceiverOtaAvailable(receiver, latestReceiver);
    more->setHeadphoneUpgradeButtonVisible(headset);
    more->setReceiverUpgradeButtonVisible(receiver);
    more->setHeadphoneOtaRowVisible(headset);
    more->setReceiverOtaRowVisible(receiver);
    if (m_sidebar)
        m_sidebar->setMoreSettingsRedDotVisible(headset || receiver);

    m_firmware.headsetAvailable = headset;
    m_firmware.receiverAvailable = receiver;
    m_firmware.latestHeadsetVersion = latestHeadset;
    m_firmware.latestReceiverVersion = latestReceiver;
    promptFirmwareUpdate();
}

void HeadphonesDevice::promptFirmwareUpdate()
{
    if (m_quitting || m_firmware.manualUpgradeRunning)
        return;
    if (!m_firmware.headsetAvailable && !m_firmware.receiverAvailable)
        return;
    if (!isVisible())
        return;
    if (QApplication::activeModalWidget() || (m_updateProgressDialog && m_updateProgressDialog->isVisible())) {
        m_firmwarePromptDeferred = true;
        return;
    }
    const QString headsetVersion = normalized(m_firmware.latestHeadsetVersion);
    const QString receiverVersion = normalized(m_firmware.latestReceiverVersion);
    const bool headsetNew = m_firmware.headsetAvailable && !headsetVersion.isEmpty()
        && headsetVersion != m_firmware.lastPromptedHeadsetVersion;
    const bool receiverNew = m_firmware.receiverAvailable && !receiverVersion.isEmpty()
        && receiverVersion != m_firmware.lastPromptedReceiverVersion;
    if (!headsetNew && !receiverNew)
        return;

    QString title;
    QString message;
    if (headsetNew && receiverNew) {
        title = tr("发现固件新版本");
        message = tr("耳机和接收器均有新版本，是否前往「更多设置」升级？");
    } else if (receiverNew) {
        title = tr("发现接收器固件新版本");
        message = tr("可升级至 %1，是否前往「更多设置」升级？")
                      .arg(firmwareVersionDisplayText(m_firmware.latestReceiverVersion));
    } else {
        title = tr("发现耳机固件新版本");
        message = tr("可升级至 %1，是否前往「更多设置」升级？")
                      .arg(firmwareVersionDisplayText(m_firmware.latestHeadsetVersion));
    }

    const QPointer<HeadphonesDevice> self(this);
    UpdateAvailableDialog dialog(this);
    dialog.setContent(title, message, tr("稍后"), tr("前往升级"));
    dialog.exec();
    if (!self)
        return;
    // Offered once, whatever the answer, while the device stays connected.
    if (headsetNew)
        m_firmware.lastPromptedHeadsetVersion = headsetVersion;
    if (receiverNew)
        m_firmware.lastPromptedReceiverVersion = receiverVersion;
    if (dialog.choice() == UpdateAvailableDialog::Confirmed)
        openMoreSettingsForFirmware();
}

QString HeadphonesDevice::firmwareVersionDisplayText(const QString &version)
{
    const QString n = normalized(version);
    if (n.isEmpty())
        return QStringLiteral("-");
    if (n.startsWith(QLatin1Char('V'), Qt::CaseInsensitive))
        return n;
    return QStringLiteral("V.") + n;
}

void HeadphonesDevice::openMoreSettingsForFirmware()
{
    if (!isDeviceUsable()) {
        showFailureToast(tr("请先连接设备后再升级固件。"), 1000);
        return;
    }
    if (!m_pageStack || !m_titleBar)
        return;
    if (m_currentPage != DevicePage)
        showDevicePage();
    if (m_sidebar)
        m_sidebar->selectMoreSettings();
    onMoreSettingsClicked();
}

void HeadphonesDevice::startManualUpgrade(ManualFirmwareOtaCoordinator::Target target)
{
    if (m_quitting || !m_manualFirmware || !m_firmware.serverInfoHeld)
        return;
    const bool headset = target == ManualFirmwareOtaCoordinator::Headset;
    const EarphoneApi::PcFirmwareEntry entry = headset ? m_firmware.held.firmware1 : m_firmware.held.firmware2;
    if (entry.version.isEmpty() || entry.url.isEmpty())
        return;
    const QString current = headset ? m_firmware.currentHeadsetVersion : m_firmware.currentReceiverVersion;
    m_firmware.manualUpgradeRunning = true;
    const QPointer<HeadphonesDevice> self(this);
    const QPointer<ManualFirmwareOtaCoordinator> coordinator(m_manualFirmware);
    m_manualFirmware->startUpgrade(target, entry.url, entry.version, current, currentProductIdText());
    // The update has ended when this returns; one the coordinator refused never
    // reports, and must not hold back the firmware questions for good.
    if (self && coordinator && !coordinator->isBusy())
        m_firmware.manualUpgradeRunning = false;
}

void HeadphonesDevice::onManualUpgradeFinished(bool success, ManualFirmwareOtaCoordinator::Target target)
{
    if (m_quitting)
        return;
    if (success) {
        const bool headset = target == ManualFirmwareOtaCoordinator::Headset;
        (headset ? m_firmware.lastPromptedHeadsetVersion : m_firmware.lastPromptedReceiverVersion).clear();
        if (m_firmware.serverInfoHeld) {
            const EarphoneApi::PcFirmwareEntry &entry =
                headset ? m_firmware.held.firmware1 : m_firmware.held.firmware2;
            if (entry.isValid())
                (headset ? m_firmware.currentHeadsetVersion : m_firmware.currentReceiverVersion) =
                    normalized(entry.version);
            refreshMoreSettingsPage();
        }
        if (m_deviceService) {
            // The device reports its new versions once it has restarted. The updated
            // part is asked first: each answer carries the other part's version as
            // last known, which before then is the one from before the update and
            // would offer the update just installed once more.
            const QList<quint8> types = headset
                ? QList<quint8>{kBasicInfoHeadsetFirmware, kBasicInfoReceiverFirmware}
                : QList<quint8>{kBasicInfoReceiverFirmware, kBasicInfoHeadsetFirmware};
            for (const int delayMs : m_timings.firmwareReadbackDelaysMs) {
                QTimer::singleShot(delayMs, this, [this, types] {
                    if (!m_quitting && m_deviceService)
                        m_deviceService->queryBasicInfo(types);
                });
            }
        }
    }
    if (canCheckFirmware())
        requestFirmwareInfo();
}
