#include "app/HeadphonesDevice.h"

#include "app/CustomSettingsForm.h"
#include "app/CustomTitleBar.h"
#include "app/FirmwareUpdateCheck.h"
#include "app/EqDownlinkController.h"
#include "app/StartupOptions.h"
#include "app/dialogs/UpdateDownloadProgressDialog.h"
#include "language/AppLanguageManager.h"
#include "app/TrayController.h"
#include "account/CustomLoginWindow.h"
#include "account/CustomUserProfilePage.h"
#include "cloud/ApiFactory.h"
#include "cloud/LoginController.h"
#include "devicepages/CustomBootScreen.h"
#include "devicepages/CustomDeviceConnection.h"
#include "devicepages/EquipmentContentsBar.h"
#include "devicepages/EquipmentSettingsBar.h"
#include "hid/HidProtocolService.h"
#include "ota/LegacyFirmwareRecoveryCoordinator.h"
#include "ota/ManualFirmwareOtaCoordinator.h"
#include "platform/windowframe/NativeWindowFrame.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QScreen>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const QColor kWindowColour(0x22, 0x22, 0x22);
const QColor kBorderColour(0x55, 0x55, 0x55);
constexpr int kBorderRadius = 4;
} // namespace

HeadphonesDevice::HeadphonesDevice(QWidget *parent)
    : HeadphonesDevice(parent, HeadphonesDeviceTimings{}, HeadphonesDeviceServiceSetup{})
{
}

HeadphonesDevice::HeadphonesDevice(QWidget *parent, const HeadphonesDeviceTimings &timings,
                                   const HeadphonesDeviceServiceSetup &deviceSetup)
    : QMainWindow(parent), m_timings(timings), m_windowFrame(createNativeWindowFrame())
{
    setWindowFlags(Qt::FramelessWindowHint);
    setAttribute(Qt::WA_Hover, true);
    // Not opaque paint: the frame's rounded corners leave pixels that only the
    // window's own background defines, on screen and in any copy of it.
    setAttribute(Qt::WA_MouseTracking, true);

    QPalette pal = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, QPalette::Window, kWindowColour);
    setPalette(pal);
    setAutoFillBackground(true);
    setObjectName(QStringLiteral("HeadphonesDeviceWindow"));
    setStyleSheet(QStringLiteral("QMainWindow#HeadphonesDeviceWindow { background-color: %1; }")
                      .arg(kWindowColour.name()));

    setMinimumSize(kMinimumWidth, kMinimumHeight);
    updateMaximumSize();
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(qApp, &QGuiApplication::screenAdded, this, &HeadphonesDevice::updateMaximumSize);
        connect(qApp, &QGuiApplication::screenRemoved, this, &HeadphonesDevice::updateMaximumSize);
    }

    setupUi();
    m_loginController = new LoginController(this);
    setupAccountFlow();
    createDeviceServices(deviceSetup);
    createDeviceCollaborators();
    setupFirmwareCheck();
    setupConnections();
    setupRemoteUpdate();
    checkLastInstallReceipt();
    setUpdateBadgesVisible(false);
    m_settingsPage->setVersionTooLow(false);
    m_settingsPage->setUpdateAvailable(false);
    m_settingsPage->setUpdateRequired(false);

    QGuiApplication::setQuitOnLastWindowClosed(false);
    setupTray();

    resize(kMinimumWidth, kMinimumHeight);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.x() + (avail.width() - width()) / 2, avail.y() + (avail.height() - height()) / 2);
    } else {
        move(0, 0);
    }
    m_normalGeometry = geometry();
}

HeadphonesDevice::~HeadphonesDevice()
{
    // The children go after this body; whatever they announce while they stop
    // (the device service ends its session) must not reach a half-destroyed window.
    m_quitting = true;
    const QList<QObject *> children = findChildren<QObject *>();
    for (QObject *child : children)
        disconnect(child, nullptr, this, nullptr);
    if (m_deviceService && m_qorController)
        disconnect(m_deviceService, nullptr, m_qorController, nullptr);
}

void HeadphonesDevice::createDeviceServices(const HeadphonesDeviceServiceSetup &deviceSetup)
{
    m_deviceService = new HidProtocolService(this, deviceSetup.durations, deviceSetup.hidConfig,
                                             deviceSetup.handlerSettings);
    m_legacyRecovery = new LegacyFirmwareRecoveryCoordinator(m_deviceService, this);
    if (m_loginController) {
        m_manualFirmware =
            new ManualFirmwareOtaCoordinator(m_deviceService, m_loginController->firmwareApi(), this, this);
    }
}

void HeadphonesDevice::setWindowFrame(std::unique_ptr<IWindowFrame> frame)
{
    m_windowFrame = frame ? std::move(frame) : createNativeWindowFrame();
}

void HeadphonesDevice::setupUi()
{
    setUpdatesEnabled(false);

    m_centralWidget = new QWidget(this);
    m_centralWidget->setObjectName(QStringLiteral("centralWidget"));
    m_centralWidget->setAttribute(Qt::WA_MouseTracking, true);
    m_centralWidget->setStyleSheet(
        QStringLiteral("QWidget#centralWidget { background-color: %1; }"
                       "QWidget#centralWidget[framelessMaximized=\"false\"] { border: %4px solid %2; border-radius: %3px; }"
                       "QWidget#centralWidget[framelessMaximized=\"true\"] { border: none; border-radius: 0px; }")
            .arg(kWindowColour.name(), kBorderColour.name())
            .arg(kBorderRadius)
            .arg(kFrameBorderWidth));
    m_centralWidget->setProperty("framelessMaximized", false);
    m_centralWidget->style()->unpolish(m_centralWidget);
    m_centralWidget->style()->polish(m_centralWidget);

    auto *column = new QVBoxLayout(m_centralWidget);
    column->setSpacing(0);
    column->setAlignment(Qt::AlignTop);

    m_titleBar = new CustomTitleBar(m_centralWidget);
    auto *bottomBorder = new QFrame(m_centralWidget);
    bottomBorder->setObjectName(QStringLiteral("bottomBorder"));
    bottomBorder->setFixedHeight(1);
    bottomBorder->setStyleSheet(
        QStringLiteral("QFrame#bottomBorder { background-color: %1; border: none; }").arg(kBorderColour.name()));
    m_pageStack = new QStackedWidget(m_centralWidget);
    m_pageStack->setMouseTracking(true);
    column->addWidget(m_titleBar);
    column->addWidget(bottomBorder);
    column->addWidget(m_pageStack, 1);

    m_bootScreen = new CustomBootScreen(m_pageStack);
    addPage(BootPage, m_bootScreen);
    m_connectionPage = new CustomDeviceConnection(m_pageStack);
    m_connectionPage->setConnected(false);
    addPage(ConnectionPage, m_connectionPage);
    m_settingsPage = new CustomSettingsForm(m_pageStack);
    addPage(SettingsPage, m_settingsPage);
    auto *devicePage = new QWidget(m_pageStack);
    devicePage->setObjectName(QStringLiteral("devicePage"));
    auto *deviceRow = new QHBoxLayout(devicePage);
    deviceRow->setContentsMargins(0, 0, 0, 0);
    deviceRow->setSpacing(0);
    m_sidebar = new EquipmentSettingsBar(devicePage);
    m_contentBar = new EquipmentContentsBar(devicePage);
    deviceRow->addWidget(m_sidebar, 0);
    deviceRow->addWidget(m_contentBar, 1);
    addPage(DevicePage, devicePage);
    m_profilePage = new CustomUserProfilePage(m_pageStack);
    addPage(ProfilePage, m_profilePage);
    setCentralWidget(m_centralWidget);
    keepPagesInsideFrame(false);
    showPage(BootPage);

    setUpdatesEnabled(true);
}

void HeadphonesDevice::addPage(int page, QWidget *widget)
{
    // Keep the stack in slot order whatever order the pages are added in.
    int position = 0;
    for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it) {
        if (it.key() < page)
            ++position;
    }
    m_pageStack->insertWidget(position, widget);
    m_pages.insert(page, widget);
}

QWidget *HeadphonesDevice::pageWidget(int page) const
{
    return m_pages.value(page, nullptr);
}

void HeadphonesDevice::showPage(int page)
{
    m_currentPage = page;
    QWidget *widget = pageWidget(page);
    if (!widget) {
        // An empty slot shows the bare window rather than another page.
        m_pageStack->hide();
        return;
    }
    m_pageStack->setCurrentWidget(widget);
    m_pageStack->show();
}

void HeadphonesDevice::setTimings(const HeadphonesDeviceTimings &timings)
{
    m_timings = timings;
    m_firmwareCheck->setTimings(m_timings.firmwareCheckPeriodMs, m_timings.firmwareCheckThrottleMs,
                                m_timings.firmwareReadbackDelaysMs);
    m_eqDownlink->setTimings({.retryIntervalMs = timings.eqRetryIntervalMs,
                              .retryTicks = timings.eqRetryTicks,
                              .realtimeDebounceMs = timings.realtimeEqDebounceMs});
    m_deviceState->setTimings(
        {.devicePageRefreshMs = timings.devicePageRefreshMs, .basicInfoThrottleMs = timings.basicInfoThrottleMs});
}

void HeadphonesDevice::refreshEqPages()
{
    if (m_contentBar)
        m_contentBar->refreshEqPages();
}

void HeadphonesDevice::on_loginClicked()
{
    if (!m_loginController)
        return;
    if (m_loginController->isLoggedIn()) {
        if (!m_pageStack || !m_profilePage || !m_titleBar)
            return;
        refreshEqPages();
        m_pageBeforeProfile = m_currentPage;
        populateProfilePage();
        m_titleBar->setUserControlsVisible(false);
        m_titleBar->setReturnMode(true, tr("个人信息"));
        showPage(ProfilePage);
        return;
    }
    if (loginWindow() && loginWindow()->isVisible())
        return;
    openLoginWindow(QString(), false);
}

void HeadphonesDevice::on_settingClicked()
{
    if (!m_titleBar || !m_pageStack)
        return;
    refreshEqPages();
    m_pageBeforeSettings = m_currentPage;
    m_titleBar->setReturnMode(true, tr("设置"));
    m_titleBar->setUserControlsVisible(false);
    showPage(SettingsPage);
}

void HeadphonesDevice::on_returnClicked()
{
    if (!m_titleBar || !m_pageStack)
        return;
    refreshEqPages();
    if (m_currentPage == ProfilePage) {
        returnFromProfilePage();
        return;
    }
    if (m_currentPage == SettingsPage) {
        returnToPage(resolveReturnPage(m_pageBeforeSettings));
        return;
    }
    m_titleBar->setUserControlsVisible(true);
    m_titleBar->setReturnMode(false, QString());
    showPage(ConnectionPage);
    applyConnectionModeToSidebar();
    pushProductIdToEqPages();
}

void HeadphonesDevice::returnFromProfilePage()
{
    returnToPage(resolveReturnPage(m_pageBeforeProfile));
}

void HeadphonesDevice::returnToPage(int page)
{
    if (!m_titleBar || !m_pageStack)
        return;
    if (page == DevicePage) {
        m_titleBar->setUserControlsVisible(true);
        m_titleBar->setReturnMode(true, tr("我的设备"));
        showPage(DevicePage);
        return;
    }
    if (page == SettingsPage) {
        m_titleBar->setUserControlsVisible(false);
        m_titleBar->setReturnMode(true, tr("设置"));
    } else {
        m_titleBar->setUserControlsVisible(true);
        m_titleBar->setReturnMode(false, QString());
    }
    refreshEqPages();
    showPage(page);
}

int HeadphonesDevice::resolveReturnPage(int savedPage) const
{
    return m_deviceState->returnPageFor(savedPage);
}

void HeadphonesDevice::refreshReturnTitle()
{
    if (!m_titleBar || !m_pageStack)
        return;
    switch (m_currentPage) {
    case SettingsPage: m_titleBar->setReturnMode(true, tr("设置")); break;
    case DevicePage: m_titleBar->setReturnMode(true, tr("我的设备")); break;
    case ProfilePage: m_titleBar->setReturnMode(true, tr("个人信息")); break;
    default: break;
    }
}

void HeadphonesDevice::onApplicationLanguageChosen(const QString &localeTag)
{
    bool saved = true;
    if (auto *factory = EarphoneApi::ApiFactory::instance(QCoreApplication::instance())) {
        factory->setLanguage(AppLanguageManager::apiLanguageCode(localeTag));
        saved = factory->saveConfig();
    }
    if (m_loginController)
        m_loginController->applyApiLanguage();
    // Both writes belong to the one change: one message at most.
    saved = AppLanguageManager::saveLanguageCode(localeTag) && saved;
    AppLanguageManager::applyLanguage(localeTag);
    if (CustomLoginWindow *login = loginWindow())
        login->retranslateUi();
    refreshReturnTitle();
    // After the switch, so the message speaks the language just chosen.
    reportSettingsSaved(saved);
}

void HeadphonesDevice::onStartupSettingsChanged()
{
    if (!m_settingsPage)
        return;
    reportSettingsSaved(
        StartupOptions::save(m_settingsPage->isAutoStartChecked(), m_settingsPage->isMinimizeOnStartChecked()));
}

void HeadphonesDevice::onCloseBehaviorPreferenceChanged()
{
    if (!m_settingsPage)
        return;
    reportSettingsSaved(m_tray->setExitOnClose(m_settingsPage->isExitOnCloseChecked()));
}

void HeadphonesDevice::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (windowOpacity() < 1.0)
        setWindowOpacity(1.0);
    if (m_firstShowPending) {
        m_firstShowPending = false;
        restoreLoginDisplay();
        syncFramelessMaximized();
        QTimer::singleShot(m_timings.autoUpdateCheckDelayMs, this, &HeadphonesDevice::startAutomaticUpdateCheck);
        QTimer::singleShot(m_timings.installReceiptDelayMs, this, &HeadphonesDevice::showInstallReceiptResult);
    }
}

void HeadphonesDevice::hideEvent(QHideEvent *event)
{
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
    m_resizing = false;
    m_dragging = false;
    m_resizeThrottle.invalidate();
    QMainWindow::hideEvent(event);
}

void HeadphonesDevice::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        refreshLoginText();
        refreshReturnTitle();
        retranslateTrayIcon();
    } else if (event->type() == QEvent::WindowStateChange) {
        stopResizing();
        m_dragging = false;
        if (!(windowState() & Qt::WindowMinimized))
            syncFramelessMaximized();
        m_hoverCursorShape = 0;
        m_hoverCursorSet = false;
        updateHoverCursor(mapFromGlobal(QCursor::pos()));
    }
    QMainWindow::changeEvent(event);
}
