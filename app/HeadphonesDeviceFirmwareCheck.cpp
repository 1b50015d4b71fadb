// The window's side of the firmware update check: FirmwareUpdateCheck holds
// the check, the question and the manual update; the window tells it about
// the device and opens More settings when it asks.
#include "app/HeadphonesDevice.h"

#include "app/CustomTitleBar.h"
#include "app/FirmwareUpdateCheck.h"
#include "app/dialogs/UpdateDownloadProgressDialog.h"
#include "cloud/LoginController.h"
#include "devicepages/EquipmentContentsBar.h"
#include "devicepages/EquipmentSettingsBar.h"
#include "hid/HidProtocolService.h"

void HeadphonesDevice::setupFirmwareCheck()
{
    m_firmwareCheck = new FirmwareUpdateCheck(this);
    m_firmwareCheck->setTimings(m_timings.firmwareCheckPeriodMs, m_timings.firmwareCheckThrottleMs,
                                m_timings.firmwareReadbackDelaysMs);
    m_firmwareCheck->setFirmwareApi(m_loginController ? m_loginController->firmwareApi() : nullptr);
    m_firmwareCheck->setPages(m_contentBar ? m_contentBar->moreSettingsPage() : nullptr, m_sidebar);
    m_firmwareCheck->setManualCoordinator(m_manualFirmware);
    m_firmwareCheck->setProductIdSource([this] { return currentProductIdText(); });
    m_firmwareCheck->setDeviceGate([this] {
        return !m_quitting && m_loginController && !isQorConnectionHeld() && m_deviceState->isProtocolValidated();
    });
    m_firmwareCheck->setQuittingProbe([this] { return m_quitting; });
    m_firmwareCheck->setPromptBlocker([this] {
        const UpdateDownloadProgressDialog *progress = updateProgressDialog();
        return progress && progress->isVisible();
    });
    connect(m_firmwareCheck, &FirmwareUpdateCheck::moreSettingsRequested, this,
            &HeadphonesDevice::openMoreSettingsForFirmware);
    connect(m_firmwareCheck, &FirmwareUpdateCheck::moreSettingsRefreshRequested, this,
            &HeadphonesDevice::refreshMoreSettingsPage);
    connect(m_firmwareCheck, &FirmwareUpdateCheck::basicInfoRequested, this, [this](const QList<quint8> &types) {
        if (!m_quitting && m_deviceService)
            m_deviceService->queryBasicInfo(types);
    });
}

bool HeadphonesDevice::canCheckFirmware() const
{
    return m_firmwareCheck->canCheck();
}

void HeadphonesDevice::requestFirmwareInfo()
{
    m_firmwareCheck->requestInfo();
}

void HeadphonesDevice::onAutomaticFirmwareCheck()
{
    m_firmwareCheck->onAutomaticCheck();
}

void HeadphonesDevice::ensurePeriodicFirmwareCheckTimer()
{
    m_firmwareCheck->ensurePeriodicTimer();
}

void HeadphonesDevice::updatePeriodicFirmwareCheckTimer()
{
    m_firmwareCheck->updatePeriodicTimer();
}

void HeadphonesDevice::clearFirmwareCheckState()
{
    m_firmwareCheck->clearDeviceState();
}

void HeadphonesDevice::onDeviceFirmwareInfo(const HeadsetProtocol::FirmwareInfo &info)
{
    m_firmwareCheck->onDeviceFirmwareInfo(info);
}

void HeadphonesDevice::onPcFirmwareInfoReceived(const EarphoneApi::PcFirmwareInfoResult &result)
{
    m_firmwareCheck->onInfoReceived(result);
}

void HeadphonesDevice::onPcFirmwareInfoFailed(int errorCode, const QString &message, const QString &requestPid)
{
    m_firmwareCheck->onInfoFailed(errorCode, message, requestPid);
}

void HeadphonesDevice::applyFirmwareCheck()
{
    m_firmwareCheck->apply();
}

void HeadphonesDevice::promptFirmwareUpdate()
{
    m_firmwareCheck->prompt();
}

void HeadphonesDevice::resumeDeferredFirmwarePrompt()
{
    m_firmwareCheck->resumeDeferredPrompt();
}

QString HeadphonesDevice::firmwareVersionDisplayText(const QString &version)
{
    return FirmwareUpdateCheck::versionDisplayText(version);
}

bool HeadphonesDevice::isFirmwareCheckInFlight() const
{
    return m_firmwareCheck->isCheckInFlight();
}

QTimer *HeadphonesDevice::periodicFirmwareCheckTimer() const
{
    return m_firmwareCheck->periodicTimer();
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
    m_firmwareCheck->startManualUpgrade(target);
}

void HeadphonesDevice::onManualUpgradeFinished(bool success, ManualFirmwareOtaCoordinator::Target target)
{
    m_firmwareCheck->onManualUpgradeFinished(success, target);
}
