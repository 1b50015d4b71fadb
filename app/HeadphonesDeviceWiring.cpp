// Where the main window's pages and services are tied together, and the page
// switching of the device side: the connection page into the device page, the
// sidebar's content pages and the basic-information request that goes with
// opening the device page.
#include "app/HeadphonesDevice.h"

#include "account/CustomUserProfilePage.h"
#include "app/CustomSettingsForm.h"
#include "app/CustomTitleBar.h"
#include "app/FirmwareUpdateCheck.h"
#include "app/EqDownlinkController.h"
#include "cloud/EqApi.h"
#include "cloud/FirmwareApi.h"
#include "cloud/LoginController.h"
#include "devicepages/CustomDeviceConnection.h"
#include "devicepages/EquipmentContentsBar.h"
#include "devicepages/EquipmentSettingsBar.h"
#include "devicepages/MoreSettingsContent.h"
#include "eq/EQCustomContent.h"
#include "eq/EQOfficialPresetContent.h"
#include "eqcloud/EQCloudSharingContent.h"
#include "hid/HidProtocolService.h"
#include "hid/QorDeviceConnectionUiController.h"

#include <QGuiApplication>
#include <QStackedWidget>
#include <QtDebug>

#include <array>

namespace {

// The sidebar's small picture for each picture of the connection page.
const std::array<std::pair<QLatin1String, QLatin1String>, 5> kSidebarImages{{
    {QLatin1String("#6E00FF.png"), QLatin1String(":/images/#6E00FFmin.png")},
    {QLatin1String("Group 18056.png"), QLatin1String(":/images/Group 18056min.png")},
    {QLatin1String("Group 18057.png"), QLatin1String(":/images/Group 18057min.png")},
    {QLatin1String("Group 18058.png"), QLatin1String(":/images/Group 18058min.png")},
    {QLatin1String("Group 18059.png"), QLatin1String(":/images/Group 18059min.png")},
}};

} // namespace

void HeadphonesDevice::setupConnections()
{
    connect(m_titleBar, &CustomTitleBar::minimizeClicked, this, &HeadphonesDevice::on_minimizeClicked);
    connect(m_titleBar, &CustomTitleBar::maximizeClicked, this, &HeadphonesDevice::on_maximizeClicked);
    connect(m_titleBar, &CustomTitleBar::closeClicked, this, &HeadphonesDevice::on_closeClicked);
    connect(m_titleBar, &CustomTitleBar::loginClicked, this, &HeadphonesDevice::on_loginClicked);
    connect(m_titleBar, &CustomTitleBar::settingClicked, this, &HeadphonesDevice::on_settingClicked);
    connect(m_titleBar, &CustomTitleBar::returnClicked, this, &HeadphonesDevice::on_returnClicked);

    connect(m_profilePage, &CustomUserProfilePage::logoutRequested, this, [this] {
        if (m_loginController)
            m_loginController->logout();
    });
    connect(m_profilePage, &CustomUserProfilePage::editNickNameRequested, this,
            &HeadphonesDevice::onEditNicknameRequested);
    connect(m_profilePage, &CustomUserProfilePage::editAvatarRequested, this,
            &HeadphonesDevice::onEditAvatarRequested);
    connect(m_profilePage, &CustomUserProfilePage::modifyPasswordRequested, this,
            &HeadphonesDevice::onModifyPasswordRequested);
    connect(m_profilePage, &CustomUserProfilePage::modifyEmailRequested, this,
            &HeadphonesDevice::onModifyEmailRequested);
    connect(m_profilePage, &CustomUserProfilePage::modifyPhoneRequested, this,
            &HeadphonesDevice::onModifyPhoneRequested);
    // The stack reports positions; slots that are still empty make them differ from the page numbers.
    connect(m_pageStack, &QStackedWidget::currentChanged, this, [this](int index) {
        const QWidget *widget = m_pageStack->widget(index);
        for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it) {
            if (it.value() == widget) {
                onStackPageChanged(it.key());
                return;
            }
        }
    });

    connect(m_settingsPage, &CustomSettingsForm::languageChanged, this,
            &HeadphonesDevice::onApplicationLanguageChosen);
    connect(m_settingsPage, &CustomSettingsForm::autoStartChanged, this, &HeadphonesDevice::onStartupSettingsChanged);
    connect(m_settingsPage, &CustomSettingsForm::minimizeOnStartChanged, this,
            &HeadphonesDevice::onStartupSettingsChanged);
    connect(m_settingsPage, &CustomSettingsForm::closeBehaviorPreferenceChanged, this,
            &HeadphonesDevice::onCloseBehaviorPreferenceChanged);
    connect(m_settingsPage, &CustomSettingsForm::checkForUpdates, this, &HeadphonesDevice::startUserUpdateCheck);

    if (m_connectionPage) {
        connect(m_connectionPage, &CustomDeviceConnection::backgroundClicked, this,
                &HeadphonesDevice::enterDevicePage);
        connect(m_connectionPage, &CustomDeviceConnection::receiverUnbindRequested, this,
                [this] { m_deviceState->requestReceiverUnbind(); });
        connect(m_connectionPage, &CustomDeviceConnection::themeChoiceNotSaved, this,
                [this] { reportSettingsSaved(false); });
    }

    if (m_loginController) {
        connect(m_loginController, &LoginController::loginSucceededUpdateUI, this,
                &HeadphonesDevice::onLoginSucceededUpdateUI);
        connect(m_loginController, &LoginController::loggedOut, this, &HeadphonesDevice::onLoggedOut);
        connect(m_loginController, &LoginController::needReLogin, this, &HeadphonesDevice::onNeedReLogin);
        connect(m_loginController, &LoginController::profileSyncFromServerFailed, this,
                &HeadphonesDevice::onProfileSyncFromServerFailed);
        connect(m_loginController, &LoginController::sessionExpiredToastRequested, this,
                &HeadphonesDevice::onSessionExpiredToast);
        connect(m_loginController, &LoginController::passwordResetSucceededWhileLoggedIn, this,
                [this] { showToast(tr("密码已重置"), false); });
    }

    connectDeviceService();
    wireNetworkServices();
    connectEqPages();

    // The firmware check listens to the firmware API itself.
    ensurePeriodicFirmwareCheckTimer();
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                onAutomaticFirmwareCheck();
        });
    }

    connectDevicePages();
}

void HeadphonesDevice::connectDeviceService()
{
    if (!m_deviceService)
        return;
    using Service = HidProtocolService;
    // Recorded before anyone else hears of the session, the connection controller's callbacks included.
    connect(m_deviceService, &Service::qorQaspBypassSessionChanged, this,
            [this](bool active) { m_deviceState->recordServiceQorSession(active); });
    if (!m_qorController && m_connectionPage) {
        m_qorController = new QorDeviceConnectionUiController(
            m_connectionPage, [this](bool connected) { m_deviceState->onQorConnectionLink(connected); },
            [this] { refreshConnectionState(); }, [this] { selectMainPageForDeviceState(false); }, this);
        m_qorController->bind(m_deviceService);
    }
    m_deviceState->setQorConnectionController(m_qorController);
    connect(m_deviceService, &Service::qorQaspBypassSessionChanged, this, &HeadphonesDevice::onQorBypassSessionChanged);
    connect(m_deviceService, &Service::eqSendSucceeded, this, &HeadphonesDevice::onEqSendSucceeded);
    connect(m_deviceService, &Service::eqSendFailed, this, &HeadphonesDevice::onEqSendFailed);
    connect(m_deviceService, &Service::targetDevicePresentChanged, this,
            &HeadphonesDevice::onTargetDevicePresentChanged);
    connect(m_deviceService, &Service::protocolValidatedChanged, this, &HeadphonesDevice::onProtocolValidatedChanged);
    connect(m_deviceService, &Service::headsetLinkChanged, this, &HeadphonesDevice::onHeadsetLinkChanged);

    // The window is the context, so that cutting the service off the window cuts these too.
    DeviceStateController *state = m_deviceState;
    connect(m_deviceService, &Service::headsetNameChanged, this,
            [state](const QString &name) { state->onHeadsetNameChanged(name); });
    connect(m_deviceService, &Service::deviceNameSetSucceeded, this,
            [state](const QString &name) { state->onDeviceNameSetSucceeded(name); });
    connect(m_deviceService, &Service::deviceNameSetFailed, this, [state] { state->onDeviceNameSetFailed(); });
    connect(m_deviceService, &Service::factoryResetSucceeded, this, [state] { state->onFactoryResetSucceeded(); });
    connect(m_deviceService, &Service::factoryResetFailed, this, [state] { state->onFactoryResetFailed(); });
    connect(m_deviceService, &Service::receiverUnbindSucceeded, this, [state] { state->onReceiverUnbindSucceeded(); });
    connect(m_deviceService, &Service::receiverUnbindFailed, this, [state] { state->onReceiverUnbindFailed(); });
    connect(m_deviceService, &Service::headsetBatteryChanged, this,
            [state](int percent) { state->onHeadsetBatteryChanged(percent); });
    connect(m_deviceService, &Service::headsetToneVolumeChanged, this,
            [state](int level) { state->onHeadsetToneVolumeChanged(level); });
    connect(m_deviceService, &Service::toneVolumeSetSucceeded, this,
            [state](int level) { state->onToneVolumeSetSucceeded(level); });
    connect(m_deviceService, &Service::toneVolumeSetFailed, this, [state] { state->onToneVolumeSetFailed(); });

    connect(m_deviceService, &Service::firmwareInfoChanged, this, &HeadphonesDevice::onDeviceFirmwareInfo);
}

void HeadphonesDevice::wireNetworkServices()
{
    if (!m_loginController || !m_contentBar)
        return;
    EarphoneApi::EqApi *api = m_loginController->eqApi();
    if (!api) {
        qWarning().noquote() << QStringLiteral("HeadphonesDevice::wireNetworkServices: LoginController has no EqApi");
        return;
    }
    giveProductIdToEqPages();
    if (EQOfficialPresetContent *official = m_contentBar->officialPresetPage())
        official->setEqApi(api);
    if (EQCloudSharingContent *cloud = m_contentBar->cloudSharingPage()) {
        cloud->setEqApi(api);
        cloud->setLoginController(m_loginController);
    }
    if (EQCustomContent *custom = m_contentBar->customPage()) {
        custom->setEqApi(api);
        custom->setLoginController(m_loginController);
    }
}

void HeadphonesDevice::connectEqPages()
{
    if (EQActiveProfileCoordinator *coordinator = m_contentBar ? m_contentBar->activeProfileCoordinator() : nullptr) {
        connect(coordinator, &EQActiveProfileCoordinator::activeSelectionChanged, this,
                &HeadphonesDevice::onActiveEqSelectionChanged);
        connect(coordinator, &EQActiveProfileCoordinator::selectionNotSaved, this,
                [this] { reportSettingsSaved(false); });
        m_eqDownlink->takeCurrentSelectionAsApplied();
        onActiveEqSelectionChanged(coordinator->activeSource(), coordinator->activeId());
    }
    if (!m_contentBar)
        return;
    if (EQCloudSharingContent *cloud = m_contentBar->cloudSharingPage()) {
        connect(cloud, &EQCloudSharingContent::cloudListEphemeralApplyRequested, this,
                &HeadphonesDevice::applyEphemeralCloudEq);
        // With the selection in the same click: one message.
        connect(cloud, &EQCloudSharingContent::settingsNotSaved, this, [this] { reportSettingsSaved(false); });
    }
    if (EQCustomContent *custom = m_contentBar->customPage()) {
        connect(custom, &EQCustomContent::customPresetEdited, this, [this](int sortIndex) {
            if (sortIndex >= 0)
                scheduleRealtimeEqSend(EQActiveProfileCoordinator::Custom, QString::number(sortIndex));
        });
        connect(custom, &EQCustomContent::customPresetImported, this, &HeadphonesDevice::onCustomPresetImported);
    }
}

void HeadphonesDevice::connectDevicePages()
{
    if (m_sidebar && m_contentBar) {
        connect(m_sidebar, &EquipmentSettingsBar::audioConfigClicked, this, &HeadphonesDevice::onAudioConfigClicked);
        connect(m_sidebar, &EquipmentSettingsBar::eqClicked, this, &HeadphonesDevice::onEQClicked);
        connect(m_sidebar, &EquipmentSettingsBar::eqSubItemClicked, this, &HeadphonesDevice::onEQSubItemClicked);
        connect(m_sidebar, &EquipmentSettingsBar::surroundClicked, this, &HeadphonesDevice::onSurroundClicked);
        connect(m_sidebar, &EquipmentSettingsBar::moreSettingsClicked, this,
                &HeadphonesDevice::onMoreSettingsClicked);
    }
    MoreSettingsContent *more = m_contentBar ? m_contentBar->moreSettingsPage() : nullptr;
    if (!more)
        return;
    connect(more, &MoreSettingsContent::deviceNameChanged, this, &HeadphonesDevice::requestDeviceRename);
    connect(more, &MoreSettingsContent::promptToneVolumeChanged, this,
            [this](int level) { m_deviceState->requestToneLevel(level); });
    connect(more, &MoreSettingsContent::restoreFactoryRequested, this, [this] { m_deviceState->requestFactoryReset(); });
    if (!m_manualFirmware)
        return;
    connect(more, &MoreSettingsContent::headphoneOtaUpgradeRequested, this,
            [this] { startManualUpgrade(ManualFirmwareOtaCoordinator::Headset); });
    connect(more, &MoreSettingsContent::receiverOtaUpgradeRequested, this,
            [this] { startManualUpgrade(ManualFirmwareOtaCoordinator::Receiver); });
}

void HeadphonesDevice::enterDevicePage()
{
    if (!m_titleBar || !m_pageStack)
        return;
    if (!isDeviceUsable()) {
        selectMainPageForDeviceState(false);
        return;
    }
    if (m_sidebar) {
        QString image = m_connectionPage ? m_connectionPage->themeImage() : QString();
        for (const auto &[ending, small] : kSidebarImages) {
            if (image.endsWith(ending)) {
                image = small;
                break;
            }
        }
        if (!image.isEmpty())
            m_sidebar->setDeviceImage(image);
        applyConnectionModeToSidebar();
    }
    showDevicePage();
}

void HeadphonesDevice::showDevicePage()
{
    requestBasicInfoThrottled();
    m_titleBar->setReturnMode(true, tr("我的设备"));
    showPage(DevicePage);
    pushProductIdToEqPages();
}

void HeadphonesDevice::refreshMoreSettingsPage()
{
    MoreSettingsContent *more = m_contentBar ? m_contentBar->moreSettingsPage() : nullptr;
    if (!more)
        return;
    m_deviceState->fillMoreSettingsPage();
    const QString headset = m_firmwareCheck->currentHeadsetVersion().trimmed();
    if (!headset.isEmpty())
        more->setHeadphoneFirmwareVersion(headset);
    const QString receiver = m_firmwareCheck->currentReceiverVersion().trimmed();
    if (!receiver.isEmpty())
        more->setReceiverFirmwareVersion(receiver);
    if (m_firmwareCheck->isServerInfoHeld())
        applyFirmwareCheck();
}

void HeadphonesDevice::onAudioConfigClicked()
{
    if (!m_contentBar)
        return;
    pushConnectionModeToPages();
    m_contentBar->setCurrentPage(EquipmentContentsBar::AudioPage);
}

void HeadphonesDevice::onEQClicked()
{
    if (!m_contentBar)
        return;
    giveProductIdToEqPages();
    m_contentBar->setCurrentPage(EquipmentContentsBar::EqPage);
}

void HeadphonesDevice::onEQSubItemClicked(int index)
{
    if (!m_contentBar)
        return;
    giveProductIdToEqPages();
    if (index == EquipmentContentsBar::CloudSharingPage && !isSignedIn()) {
        m_contentBar->setCurrentPage(EquipmentContentsBar::EqPage);
        m_contentBar->setCurrentEqPage(EquipmentContentsBar::CloudSharingPage);
        m_contentBar->showTopToastInfo(tr("该功能需要登录，请先登录。"), 1000);
        return;
    }
    m_contentBar->setCurrentEqPage(index);
}

void HeadphonesDevice::onSurroundClicked()
{
    if (m_contentBar)
        m_contentBar->setCurrentPage(EquipmentContentsBar::SurroundPage);
}

void HeadphonesDevice::onMoreSettingsClicked()
{
    if (!m_contentBar)
        return;
    refreshMoreSettingsPage();
    if (canCheckFirmware())
        requestFirmwareInfo();
    m_contentBar->setCurrentPage(EquipmentContentsBar::MoreSettingsPage);
}
