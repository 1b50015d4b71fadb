// The device as the main window sees it: presence, validation and link from
// the device service, the cached values, which main page shows, how the
// connection is presented (the wired Qor model or a wireless headset), the
// product id of the EQ pages and the rename request.
#include "app/HeadphonesDevice.h"

#include "app/CustomTitleBar.h"
#include "devicepages/CustomDeviceConnection.h"
#include "devicepages/EquipmentContentsBar.h"
#include "devicepages/EquipmentSettingsBar.h"
#include "devicepages/MoreSettingsContent.h"
#include "eq/EQCustomContent.h"
#include "eq/EQOfficialPresetContent.h"
#include "eqcloud/EQCloudSharingContent.h"
#include "hid/HidProtocolService.h"
#include "hid/QorDeviceConnectionUiController.h"

#include <QSettings>
#include <QTimer>

namespace {
const QString kQorProductIdText = QStringLiteral("49678"); // 0xC20E
const QString kQorSidebarName = QStringLiteral("VELKORA QOR");
constexpr quint8 kBasicInfoEq = 0x03;
} // namespace

bool HeadphonesDevice::isQorConnectionHeld() const
{
    return m_qorController && m_qorController->isBypassActive();
}

bool HeadphonesDevice::isQorMode() const
{
    return m_serviceQorSessionActive || (m_deviceService && m_deviceService->isQorTargetDevice());
}

bool HeadphonesDevice::isDeviceUsable() const
{
    if (isQorConnectionHeld())
        return m_device.targetDevicePresent;
    return m_device.targetDevicePresent && m_device.protocolValidated && m_device.linkKnown
        && m_device.headsetLinkConnected;
}

bool HeadphonesDevice::isDeviceReadyForEq() const
{
    if (m_serviceQorSessionActive && m_device.targetDevicePresent)
        return true;
    return isDeviceUsable();
}

void HeadphonesDevice::startEqRetryForBootstrap()
{
    if (m_eq.bootstrapPending && !m_eq.bootstrapDone && !m_eq.bootstrapInFlight)
        startEqDownlinkRetry();
}

void HeadphonesDevice::clearBootstrapUnlessQorHeld()
{
    if (isQorConnectionHeld() && m_device.targetDevicePresent)
        return;
    m_eq.bootstrapPending = false;
    m_eq.bootstrapInFlight = false;
}

void HeadphonesDevice::switchReturnModeOffUnlessOnOwnPage()
{
    if (!m_titleBar || !m_pageStack)
        return;
    if (m_currentPage == SettingsPage || m_currentPage == ProfilePage)
        return;
    m_titleBar->setReturnMode(false, QString());
}

void HeadphonesDevice::resetLinkValues()
{
    m_device.headsetLinkConnected = false;
    m_device.linkKnown = false;
    m_device.shownBatteryLevel = -1;
    m_device.shownDeviceName.clear();
    m_device.batteryLevel = -1;
    m_device.deviceName.clear();
    m_device.renamePending = false;
    m_device.requestedName.clear();
    m_device.previousName.clear();
    m_device.factoryResetPending = false;
    m_device.receiverUnbindPending = false;
    m_device.toneLevel = -1;
    m_device.toneChangePending = false;
    m_device.requestedToneLevel = -1;
    m_device.previousToneLevel = -1;
}

void HeadphonesDevice::resetDeviceValues()
{
    m_device.protocolValidated = false;
    resetLinkValues();
    m_device.lastProductIdText.clear();
    clearFirmwareCheckState();
}

void HeadphonesDevice::onPresenceLostResetPages()
{
    if (m_sidebar)
        m_sidebar->setMoreSettingsRedDotVisible(false);
    if (MoreSettingsContent *more = m_contentBar ? m_contentBar->moreSettingsPage() : nullptr) {
        more->setHeadphoneOtaAvailable(false, QString());
        more->setReceiverOtaAvailable(false, QString());
        more->setHeadphoneUpgradeButtonVisible(false);
        more->setReceiverUpgradeButtonVisible(false);
        more->setHeadphoneOtaRowVisible(false);
        more->setReceiverOtaRowVisible(false);
    }
    switchReturnModeOffUnlessOnOwnPage();
}

void HeadphonesDevice::onTargetDevicePresentChanged(bool present)
{
    if (m_quitting)
        return;
    m_device.targetDevicePresent = present;
    if (present) {
        if (!m_eq.bootstrapDone)
            m_eq.bootstrapPending = true;
        startEqRetryForBootstrap();
    } else {
        m_eq.bootstrapPending = false;
        m_eq.bootstrapInFlight = false;
        m_eq.bootstrapDone = false;
        stopEqDownlinkRetry();
        abandonEqSendInFlight(QStringLiteral("device-lost"));
        m_eq.lastAppliedHeld = false; // a device that comes back holds what it holds
        // A preview is for the moment it was asked; replayed at the next plug-in it would
        // replace the restored selection.
        m_eq.ephemeralPending = false;
        resetDeviceValues();
        onPresenceLostResetPages();
    }
    refreshConnectionState();
    selectMainPageForDeviceState(false);
    updatePeriodicFirmwareCheckTimer();
}

void HeadphonesDevice::onProtocolValidatedChanged(bool validated)
{
    if (m_quitting)
        return;
    m_device.protocolValidated = validated;
    if (!validated) {
        stopEqDownlinkRetry();
        clearBootstrapUnlessQorHeld();
        if (isQorConnectionHeld()) {
            refreshConnectionState();
            selectMainPageForDeviceState(false);
            return;
        }
        // A request of the lost session is never answered.
        abandonEqSendInFlight(QStringLiteral("validation-lost"));
        m_eq.lastAppliedHeld = false;
        resetLinkValues();
        switchReturnModeOffUnlessOnOwnPage();
        m_device.lastProductIdText.clear();
    } else {
        pushProductIdToEqPages();
        startEqRetryForBootstrap();
    }
    refreshConnectionState();
    selectMainPageForDeviceState(false);
}

void HeadphonesDevice::onHeadsetLinkChanged(bool up)
{
    if (m_quitting)
        return;
    m_device.linkKnown = true;
    m_device.headsetLinkConnected = up;
    if (up) {
        startEqRetryForBootstrap();
    } else {
        stopEqDownlinkRetry();
        clearBootstrapUnlessQorHeld();
        switchReturnModeOffUnlessOnOwnPage();
    }
    refreshConnectionState();
    selectMainPageForDeviceState(false);
    if (up && m_deviceService)
        m_deviceService->queryBasicInfo({kBasicInfoEq});
}

void HeadphonesDevice::onQorBypassSessionChanged()
{
    if (m_quitting)
        return;
    if (!m_eq.bootstrapDone)
        m_eq.bootstrapPending = true;
    startEqRetryForBootstrap();
    applyConnectionModeToSidebar();
}

void HeadphonesDevice::refreshConnectionState()
{
    if (m_quitting || !m_connectionPage)
        return;
    const bool usable = isDeviceUsable();
    m_connectionPage->setConnected(usable);
    // Also schedules the device page's refresh.
    applyConnectionModeToSidebar();
    pushProductIdToEqPages();
    bootstrapPersistedEq();
    startEqRetryForBootstrap();
    if (!usable)
        return;
    if (!m_device.deviceName.isEmpty() && m_device.deviceName != m_device.shownDeviceName) {
        m_connectionPage->setDeviceName(m_device.deviceName);
        m_device.shownDeviceName = m_device.deviceName;
    }
    if (m_device.batteryLevel >= 0 && m_device.batteryLevel != m_device.shownBatteryLevel) {
        m_connectionPage->setBatteryLevel(m_device.batteryLevel);
        m_device.shownBatteryLevel = m_device.batteryLevel;
    }
}

void HeadphonesDevice::selectMainPageForDeviceState(bool force)
{
    if (m_quitting || !m_pageStack)
        return;
    if (!force && (m_currentPage == SettingsPage || m_currentPage == ProfilePage))
        return;
    const bool stayOnDevicePage = m_currentPage == DevicePage && m_device.headsetLinkConnected;
    int target = BootPage;
    if (isQorConnectionHeld()) {
        if (m_device.targetDevicePresent) {
            if (stayOnDevicePage)
                return;
            target = ConnectionPage;
        }
    } else if (m_device.targetDevicePresent && m_device.protocolValidated) {
        // Validated, but whether the headset answers the receiver is not known yet.
        if (!m_device.linkKnown) {
            refreshEqPages();
            showPage(BootPage);
            return;
        }
        if (stayOnDevicePage)
            return;
        target = ConnectionPage;
    }
    refreshEqPages();
    showPage(target);
}

void HeadphonesDevice::applyConnectionModeToSidebar()
{
    if (m_quitting || !m_sidebar)
        return;
    const bool qor = isQorMode();
    if (qor) {
        m_sidebar->setDeviceName(kQorSidebarName);
        m_sidebar->setBatteryVisible(false);
        m_sidebar->setWiredConnection(true);
    } else {
        m_sidebar->setBatteryVisible(true);
        m_sidebar->setWiredConnection(false);
        m_sidebar->setDeviceName(m_device.deviceName.trimmed());
        if (m_device.batteryLevel >= 0)
            m_sidebar->setBatteryLevel(m_device.batteryLevel);
    }
    // The custom page reloads its slots on a mode change only.
    if (EQCustomContent *custom = m_contentBar ? m_contentBar->customPage() : nullptr) {
        if (custom->isQorMode() != qor)
            custom->setQorMode(qor);
    }
    if (EQActiveProfileCoordinator *coordinator = eqCoordinator())
        coordinator->setQorMode(qor);
    m_sidebar->setMoreSettingsVisible(!qor);
    if (qor && m_contentBar && m_contentBar->currentPage() == EquipmentContentsBar::MoreSettingsPage)
        m_contentBar->setCurrentPage(EquipmentContentsBar::AudioPage);
    scheduleDevicePageRefresh();
}

void HeadphonesDevice::pushConnectionModeToPages()
{
    if (!m_contentBar)
        return;
    bool wired = false;
    bool wireless = false;
    QString name;
    if (m_device.targetDevicePresent && m_deviceService) {
        if (isQorMode()) {
            wired = true;
        } else {
            wireless = true;
            name = m_device.deviceName.trimmed();
        }
    }
    m_contentBar->setConnectionMode(wired, wireless, name);
}

void HeadphonesDevice::scheduleDevicePageRefresh()
{
    if (m_quitting || !m_contentBar)
        return;
    if (!m_devicePageRefreshTimer) {
        m_devicePageRefreshTimer = new QTimer(this);
        m_devicePageRefreshTimer->setSingleShot(true);
        connect(m_devicePageRefreshTimer, &QTimer::timeout, this, [this] {
            if (m_quitting || !m_contentBar)
                return;
            pushConnectionModeToPages();
            m_contentBar->refreshAudioEndpoints();
        });
    }
    pushConnectionModeToPages();
    m_devicePageRefreshTimer->start(m_timings.devicePageRefreshMs);
}

QString HeadphonesDevice::currentProductIdText() const
{
    if (isQorConnectionHeld())
        return kQorProductIdText;
    if (m_deviceService) {
        if (const quint16 pid = m_deviceService->protocolProductId())
            return QString::number(pid);
    }
    const QString stored = QSettings().value(QStringLiteral("Device/pid"), QStringLiteral("1")).toString().trimmed();
    return stored.isEmpty() ? QStringLiteral("1") : stored;
}

void HeadphonesDevice::pushProductIdToEqPages()
{
    if (m_quitting || !m_contentBar)
        return;
    const QString pid = currentProductIdText();
    if (pid != m_device.lastProductIdText)
        setEqPagesPid(pid);
}

void HeadphonesDevice::setEqPagesPid(const QString &pid)
{
    if (!m_contentBar)
        return;
    m_device.lastProductIdText = pid;
    if (EQOfficialPresetContent *official = m_contentBar->officialPresetPage())
        official->setPid(pid);
    if (EQCloudSharingContent *cloud = m_contentBar->cloudSharingPage())
        cloud->setPid(pid);
    if (EQCustomContent *custom = m_contentBar->customPage())
        custom->setPid(pid);
}

void HeadphonesDevice::requestDeviceRename(const QString &name)
{
    if (m_quitting || !m_deviceService)
        return;
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return;
    if (wanted == m_device.deviceName && !m_device.renamePending)
        return;
    MoreSettingsContent *more = m_contentBar ? m_contentBar->moreSettingsPage() : nullptr;
    if (m_device.renamePending) {
        // One rename at a time: the field shows the name still on its way.
        if (more && !m_device.requestedName.isEmpty())
            more->setDeviceName(m_device.requestedName);
        return;
    }
    m_device.previousName = m_device.deviceName;
    if (m_deviceService->setDeviceName(wanted)) {
        m_device.renamePending = true;
        m_device.requestedName = wanted;
        m_device.deviceName = wanted;
        refreshConnectionState();
        return;
    }
    if (more && !m_device.previousName.isEmpty())
        more->setDeviceName(m_device.previousName);
}
