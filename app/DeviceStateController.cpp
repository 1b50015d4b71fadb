#include "app/DeviceStateController.h"

#include "app/CustomTitleBar.h"
#include "app/EqDownlinkController.h"
#include "devicepages/CustomDeviceConnection.h"
#include "devicepages/EquipmentContentsBar.h"
#include "devicepages/EquipmentSettingsBar.h"
#include "devicepages/MoreSettingsContent.h"
#include "eq/EQActiveProfileCoordinator.h"
#include "eq/EQCustomContent.h"
#include "eq/EQOfficialPresetContent.h"
#include "eqcloud/EQCloudSharingContent.h"
#include "hid/HidProtocolService.h"
#include "hid/QorDeviceConnectionUiController.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTimer>

namespace {
const QString kQorProductIdText = QStringLiteral("49678"); // 0xC20E
const QString kQorSidebarName = QStringLiteral("VELKORA QOR");
constexpr quint8 kBasicInfoEq = 0x03;

bool isToneLevel(int level)
{
    return level >= 1 && level <= 7;
}

// The window's texts keep the window's translation context.
QString windowText(const char *text)
{
    return QCoreApplication::translate("HeadphonesDevice", text);
}
} // namespace

DeviceStateController::DeviceStateController(QObject *parent) : QObject(parent) {}

DeviceStateController::~DeviceStateController() = default;

void DeviceStateController::setService(HidProtocolService *service)
{
    m_service = service;
}

void DeviceStateController::setQorConnectionController(QorDeviceConnectionUiController *controller)
{
    m_qorController = controller;
}

void DeviceStateController::setEqDownlink(EqDownlinkController *downlink)
{
    m_downlink = downlink;
}

void DeviceStateController::setPages(CustomDeviceConnection *connectionPage, EquipmentSettingsBar *sidebar,
                                     EquipmentContentsBar *contentBar, CustomTitleBar *titleBar)
{
    m_connectionPage = connectionPage;
    m_sidebar = sidebar;
    m_contentBar = contentBar;
    m_titleBar = titleBar;
}

void DeviceStateController::setPageStack(PageStack stack)
{
    m_stack = std::move(stack);
}

void DeviceStateController::setTimings(const Timings &timings)
{
    m_timings = timings;
}

void DeviceStateController::setQuittingProbe(std::function<bool()> quitting)
{
    m_quitting = std::move(quitting);
}

bool DeviceStateController::quitting() const
{
    return m_quitting && m_quitting();
}

int DeviceStateController::currentPage() const
{
    return m_stack.currentPage ? m_stack.currentPage() : BootPage;
}

MoreSettingsContent *DeviceStateController::moreSettingsPage() const
{
    return m_contentBar ? m_contentBar->moreSettingsPage() : nullptr;
}

void DeviceStateController::refreshEqPages()
{
    if (m_contentBar)
        m_contentBar->refreshEqPages();
}

// ---- The device picture ------------------------------------------------------------------------

bool DeviceStateController::isQorConnectionHeld() const
{
    return m_qorController && m_qorController->isBypassActive();
}

bool DeviceStateController::isQorMode() const
{
    return m_serviceQorSessionActive || (m_service && m_service->isQorTargetDevice());
}

bool DeviceStateController::isDeviceUsable() const
{
    if (isQorConnectionHeld())
        return m_targetDevicePresent;
    return m_targetDevicePresent && m_protocolValidated && m_linkKnown && m_headsetLinkConnected;
}

bool DeviceStateController::isDeviceReadyForEq() const
{
    if (m_serviceQorSessionActive && m_targetDevicePresent)
        return true;
    return isDeviceUsable();
}

int DeviceStateController::returnPageFor(int savedPage) const
{
    if (savedPage == SettingsPage)
        return SettingsPage;
    int base = BootPage;
    if (isQorConnectionHeld())
        base = m_targetDevicePresent ? ConnectionPage : BootPage;
    else if (m_targetDevicePresent && m_protocolValidated)
        base = m_linkKnown ? ConnectionPage : BootPage;
    if (savedPage == DevicePage && isDeviceUsable())
        return DevicePage;
    return base;
}

void DeviceStateController::clearBootstrapUnlessQorHeld()
{
    if (isQorConnectionHeld() && m_targetDevicePresent)
        return;
    if (m_downlink)
        m_downlink->disarmBootstrap();
}

void DeviceStateController::switchReturnModeOffUnlessOnOwnPage()
{
    if (!m_titleBar || !m_stack.currentPage)
        return;
    const int page = currentPage();
    if (page == SettingsPage || page == ProfilePage)
        return;
    m_titleBar->setReturnMode(false, QString());
}

void DeviceStateController::resetLinkValues()
{
    m_headsetLinkConnected = false;
    m_linkKnown = false;
    m_shownBatteryLevel = -1;
    m_shownDeviceName.clear();
    m_batteryLevel = -1;
    m_deviceName.clear();
    m_renamePending = false;
    m_requestedName.clear();
    m_previousName.clear();
    m_factoryResetPending = false;
    m_receiverUnbindPending = false;
    m_toneLevel = -1;
    m_toneChangePending = false;
    m_requestedToneLevel = -1;
    m_previousToneLevel = -1;
}

void DeviceStateController::resetDeviceValues()
{
    m_protocolValidated = false;
    resetLinkValues();
    m_lastProductIdText.clear();
    emit deviceValuesReset();
}

void DeviceStateController::onPresenceLostResetPages()
{
    if (m_sidebar)
        m_sidebar->setMoreSettingsRedDotVisible(false);
    if (MoreSettingsContent *more = moreSettingsPage()) {
        more->setHeadphoneOtaAvailable(false, QString());
        more->setReceiverOtaAvailable(false, QString());
        more->setHeadphoneUpgradeButtonVisible(false);
        more->setReceiverUpgradeButtonVisible(false);
        more->setHeadphoneOtaRowVisible(false);
        more->setReceiverOtaRowVisible(false);
    }
    switchReturnModeOffUnlessOnOwnPage();
}

void DeviceStateController::onTargetDevicePresentChanged(bool present)
{
    if (quitting())
        return;
    m_targetDevicePresent = present;
    if (present) {
        if (m_downlink) {
            m_downlink->armBootstrap();
            m_downlink->startRetryForBootstrap();
        }
    } else {
        if (m_downlink)
            m_downlink->onDeviceLost();
        resetDeviceValues();
        onPresenceLostResetPages();
    }
    refreshConnectionState();
    selectMainPageForDeviceState(false);
    emit presenceHandled(present);
}

void DeviceStateController::onProtocolValidatedChanged(bool validated)
{
    if (quitting())
        return;
    m_protocolValidated = validated;
    if (!validated) {
        if (m_downlink)
            m_downlink->stopRetry();
        clearBootstrapUnlessQorHeld();
        if (isQorConnectionHeld()) {
            refreshConnectionState();
            selectMainPageForDeviceState(false);
            return;
        }
        if (m_downlink)
            m_downlink->onValidationLost();
        resetLinkValues();
        switchReturnModeOffUnlessOnOwnPage();
        m_lastProductIdText.clear();
    } else {
        pushProductIdToEqPages();
        if (m_downlink)
            m_downlink->startRetryForBootstrap();
    }
    refreshConnectionState();
    selectMainPageForDeviceState(false);
}

void DeviceStateController::onHeadsetLinkChanged(bool up)
{
    if (quitting())
        return;
    m_linkKnown = true;
    m_headsetLinkConnected = up;
    if (up) {
        if (m_downlink)
            m_downlink->startRetryForBootstrap();
    } else {
        if (m_downlink)
            m_downlink->stopRetry();
        clearBootstrapUnlessQorHeld();
        switchReturnModeOffUnlessOnOwnPage();
    }
    refreshConnectionState();
    selectMainPageForDeviceState(false);
    if (up && m_service)
        m_service->queryBasicInfo({kBasicInfoEq});
}

void DeviceStateController::recordServiceQorSession(bool active)
{
    m_serviceQorSessionActive = active;
}

void DeviceStateController::onQorConnectionLink(bool connected)
{
    if (quitting())
        return;
    // The session stands for the link: once it ends, a receiver that follows
    // starts with its link unknown rather than with the wired model's.
    m_linkKnown = connected;
    m_headsetLinkConnected = connected;
}

void DeviceStateController::onQorBypassSessionChanged()
{
    if (quitting())
        return;
    if (m_downlink) {
        m_downlink->armBootstrap();
        m_downlink->startRetryForBootstrap();
    }
    applyConnectionModeToSidebar();
}

void DeviceStateController::refreshConnectionState()
{
    if (quitting() || !m_connectionPage)
        return;
    const bool usable = isDeviceUsable();
    m_connectionPage->setConnected(usable);
    // Also schedules the device page's refresh.
    applyConnectionModeToSidebar();
    pushProductIdToEqPages();
    if (m_downlink) {
        m_downlink->bootstrapPersistedEq();
        m_downlink->startRetryForBootstrap();
    }
    if (!usable)
        return;
    if (!m_deviceName.isEmpty() && m_deviceName != m_shownDeviceName) {
        m_connectionPage->setDeviceName(m_deviceName);
        m_shownDeviceName = m_deviceName;
    }
    if (m_batteryLevel >= 0 && m_batteryLevel != m_shownBatteryLevel) {
        m_connectionPage->setBatteryLevel(m_batteryLevel);
        m_shownBatteryLevel = m_batteryLevel;
    }
}

void DeviceStateController::selectMainPageForDeviceState(bool force)
{
    if (quitting() || !m_stack.showPage || !m_stack.currentPage)
        return;
    const int page = currentPage();
    if (!force && (page == SettingsPage || page == ProfilePage))
        return;
    const bool stayOnDevicePage = page == DevicePage && m_headsetLinkConnected;
    int target = BootPage;
    if (isQorConnectionHeld()) {
        if (m_targetDevicePresent) {
            if (stayOnDevicePage)
                return;
            target = ConnectionPage;
        }
    } else if (m_targetDevicePresent && m_protocolValidated) {
        // Validated, but whether the headset answers the receiver is not known yet.
        if (!m_linkKnown) {
            refreshEqPages();
            m_stack.showPage(BootPage);
            return;
        }
        if (stayOnDevicePage)
            return;
        target = ConnectionPage;
    }
    refreshEqPages();
    m_stack.showPage(target);
}

// ---- How the connection is presented -----------------------------------------------------------

void DeviceStateController::applyConnectionModeToSidebar()
{
    if (quitting() || !m_sidebar)
        return;
    const bool qor = isQorMode();
    if (qor) {
        m_sidebar->setDeviceName(kQorSidebarName);
        m_sidebar->setBatteryVisible(false);
        m_sidebar->setWiredConnection(true);
    } else {
        m_sidebar->setBatteryVisible(true);
        m_sidebar->setWiredConnection(false);
        m_sidebar->setDeviceName(m_deviceName.trimmed());
        if (m_batteryLevel >= 0)
            m_sidebar->setBatteryLevel(m_batteryLevel);
    }
    // The custom page reloads its slots on a mode change only.
    if (EQCustomContent *custom = m_contentBar ? m_contentBar->customPage() : nullptr) {
        if (custom->isQorMode() != qor)
            custom->setQorMode(qor);
    }
    if (EQActiveProfileCoordinator *coordinator = m_contentBar ? m_contentBar->activeProfileCoordinator() : nullptr)
        coordinator->setQorMode(qor);
    m_sidebar->setMoreSettingsVisible(!qor);
    if (qor && m_contentBar && m_contentBar->currentPage() == EquipmentContentsBar::MoreSettingsPage)
        m_contentBar->setCurrentPage(EquipmentContentsBar::AudioPage);
    scheduleDevicePageRefresh();
}

void DeviceStateController::pushConnectionModeToPages()
{
    if (!m_contentBar)
        return;
    bool wired = false;
    bool wireless = false;
    QString name;
    if (m_targetDevicePresent && m_service) {
        if (isQorMode()) {
            wired = true;
        } else {
            wireless = true;
            name = m_deviceName.trimmed();
        }
    }
    m_contentBar->setConnectionMode(wired, wireless, name);
}

void DeviceStateController::scheduleDevicePageRefresh()
{
    if (quitting() || !m_contentBar)
        return;
    if (!m_devicePageRefreshTimer) {
        m_devicePageRefreshTimer = new QTimer(this);
        m_devicePageRefreshTimer->setSingleShot(true);
        connect(m_devicePageRefreshTimer, &QTimer::timeout, this, [this] {
            if (quitting() || !m_contentBar)
                return;
            pushConnectionModeToPages();
            m_contentBar->refreshAudioEndpoints();
        });
    }
    pushConnectionModeToPages();
    m_devicePageRefreshTimer->start(m_timings.devicePageRefreshMs);
}

QString DeviceStateController::currentProductIdText() const
{
    if (isQorConnectionHeld())
        return kQorProductIdText;
    if (m_service) {
        if (const quint16 pid = m_service->protocolProductId())
            return QString::number(pid);
    }
    const QString stored = QSettings().value(QStringLiteral("Device/pid"), QStringLiteral("1")).toString().trimmed();
    return stored.isEmpty() ? QStringLiteral("1") : stored;
}

void DeviceStateController::pushProductIdToEqPages()
{
    if (quitting() || !m_contentBar)
        return;
    const QString pid = currentProductIdText();
    if (pid != m_lastProductIdText)
        setEqPagesPid(pid);
}

void DeviceStateController::giveProductIdToEqPages()
{
    setEqPagesPid(currentProductIdText());
}

void DeviceStateController::setEqPagesPid(const QString &pid)
{
    if (!m_contentBar)
        return;
    m_lastProductIdText = pid;
    if (EQOfficialPresetContent *official = m_contentBar->officialPresetPage())
        official->setPid(pid);
    if (EQCloudSharingContent *cloud = m_contentBar->cloudSharingPage())
        cloud->setPid(pid);
    if (EQCustomContent *custom = m_contentBar->customPage())
        custom->setPid(pid);
}

void DeviceStateController::requestBasicInfoThrottled()
{
    if (isQorConnectionHeld() || !m_service)
        return;
    if (!(m_targetDevicePresent && m_protocolValidated && m_headsetLinkConnected && m_linkKnown))
        return;
    if (m_lastBasicInfoRequest.isValid() && m_lastBasicInfoRequest.elapsed() < m_timings.basicInfoThrottleMs)
        return;
    m_lastBasicInfoRequest.start();
    // Name, receiver firmware, headset firmware, prompt-tone volume.
    m_service->queryBasicInfo({0x02, 0x04, 0x05, 0x06});
}

void DeviceStateController::fillMoreSettingsPage()
{
    MoreSettingsContent *more = moreSettingsPage();
    if (!more)
        return;
    const QString name = m_deviceName.trimmed();
    if (!name.isEmpty())
        more->setDeviceName(name);
    if (isToneLevel(m_toneLevel))
        more->setPromptToneLevel(m_toneLevel);
}

// ---- Device commands and their results ---------------------------------------------------------

void DeviceStateController::requestDeviceRename(const QString &name)
{
    if (quitting() || !m_service)
        return;
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return;
    if (wanted == m_deviceName && !m_renamePending)
        return;
    MoreSettingsContent *more = moreSettingsPage();
    if (m_renamePending) {
        // One rename at a time: the field shows the name still on its way.
        if (more && !m_requestedName.isEmpty())
            more->setDeviceName(m_requestedName);
        return;
    }
    m_previousName = m_deviceName;
    if (m_service->setDeviceName(wanted)) {
        m_renamePending = true;
        m_requestedName = wanted;
        m_deviceName = wanted;
        refreshConnectionState();
        return;
    }
    if (more && !m_previousName.isEmpty())
        more->setDeviceName(m_previousName);
}

void DeviceStateController::requestToneLevel(int level)
{
    if (quitting() || !m_service || !isToneLevel(level))
        return;
    MoreSettingsContent *more = moreSettingsPage();
    const int current = m_toneLevel;
    if (m_toneChangePending) {
        // One change at a time: the slider shows the level still on its way.
        if (more && isToneLevel(m_requestedToneLevel) && more->promptToneLevel() != m_requestedToneLevel)
            more->setPromptToneLevel(m_requestedToneLevel);
        return;
    }
    if (level == current)
        return;
    if (m_service->setToneVolume(level)) {
        m_toneChangePending = true;
        m_requestedToneLevel = level;
        m_previousToneLevel = current;
        return;
    }
    if (more && isToneLevel(current))
        more->setPromptToneLevel(current);
}

void DeviceStateController::completeToneChange()
{
    m_toneChangePending = false;
    m_requestedToneLevel = -1;
    m_previousToneLevel = -1;
}

void DeviceStateController::onHeadsetToneVolumeChanged(int level)
{
    if (quitting() || !isToneLevel(level))
        return;
    m_toneLevel = level;
    if (m_toneChangePending && m_requestedToneLevel == level)
        completeToneChange();
    emit moreSettingsRefreshRequested();
}

void DeviceStateController::onToneVolumeSetSucceeded(int level)
{
    if (quitting())
        return;
    m_toneLevel = level;
    completeToneChange();
    emit moreSettingsRefreshRequested();
}

void DeviceStateController::onToneVolumeSetFailed()
{
    if (quitting())
        return;
    const int back = isToneLevel(m_previousToneLevel) ? m_previousToneLevel : m_toneLevel;
    completeToneChange();
    MoreSettingsContent *more = moreSettingsPage();
    if (more && isToneLevel(back))
        more->setPromptToneLevel(back);
}

void DeviceStateController::requestFactoryReset()
{
    if (quitting() || !m_service || m_factoryResetPending)
        return;
    if (m_service->sendFactoryReset())
        m_factoryResetPending = true;
}

void DeviceStateController::onFactoryResetSucceeded()
{
    if (quitting())
        return;
    m_factoryResetPending = false;
    m_toneLevel = -1;
    completeToneChange();

    // The headset is back on its default EQ: the selection follows without sending anything.
    EQOfficialPresetContent *official = m_contentBar ? m_contentBar->officialPresetPage() : nullptr;
    if (!m_downlink || !m_downlink->coordinator() || !official)
        return;
    QString id = official->firstBasicPresetId().trimmed();
    if (id.isEmpty())
        id = QStringLiteral("1");
    m_downlink->adoptDeviceSelection(EQActiveProfileCoordinator::OfficialBasic, id);
}

void DeviceStateController::onFactoryResetFailed()
{
    if (!quitting())
        m_factoryResetPending = false;
}

void DeviceStateController::requestReceiverUnbind()
{
    if (quitting() || !m_service || m_receiverUnbindPending)
        return;
    if (m_service->sendReceiverUnbind()) {
        m_receiverUnbindPending = true;
        return;
    }
    emit toastRequested(windowText("接收器解绑失败"), true);
}

void DeviceStateController::onReceiverUnbindSucceeded()
{
    if (quitting())
        return;
    m_receiverUnbindPending = false;
    emit toastRequested(windowText("接收器解绑成功"), false);
}

void DeviceStateController::onReceiverUnbindFailed()
{
    if (quitting())
        return;
    m_receiverUnbindPending = false;
    emit toastRequested(windowText("接收器解绑失败"), true);
}

void DeviceStateController::onHeadsetBatteryChanged(int percent)
{
    if (quitting())
        return;
    m_batteryLevel = percent;
    refreshConnectionState();
    if (m_sidebar && percent >= 0 && !isQorConnectionHeld())
        m_sidebar->setBatteryLevel(percent);
}

void DeviceStateController::completeRename()
{
    m_renamePending = false;
    m_requestedName.clear();
    m_previousName.clear();
}

void DeviceStateController::afterNameResult()
{
    // Also after a failure: the sidebar, the connection page and the device page showed the refused name.
    refreshConnectionState();
    emit moreSettingsRefreshRequested();
}

void DeviceStateController::onHeadsetNameChanged(const QString &name)
{
    if (quitting())
        return;
    const QString n = name.trimmed();
    if (n.isEmpty())
        return;
    m_deviceName = n;
    if (m_renamePending && n == m_requestedName)
        completeRename();
    afterNameResult();
}

void DeviceStateController::onDeviceNameSetSucceeded(const QString &name)
{
    if (quitting())
        return;
    const QString n = name.trimmed();
    if (!n.isEmpty())
        m_deviceName = n;
    completeRename();
    afterNameResult();
}

void DeviceStateController::onDeviceNameSetFailed()
{
    if (quitting())
        return;
    const QString previous = m_previousName.trimmed();
    completeRename();
    if (!previous.isEmpty())
        m_deviceName = previous;
    afterNameResult();
}
