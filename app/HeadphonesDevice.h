#pragma once

#include "app/DeviceStateController.h"
#include "cloud/CloudEQItem.h"
#include "cloud/PcFirmwareInfoResult.h"
#include "cloud/UpdateInfo.h"
#include "cloud/UserInfo.h"
#include "eq/EQActiveProfileCoordinator.h"
#include "hid/HidManagerConfig.h"
#include "hid/HidProtocolServiceDurations.h"
#include "ota/ManualFirmwareOtaCoordinator.h"
#include "protocol/DeviceRecords.h"
#include "protocol/EQData.h"
#include "protocol/ProtocolHandlerSettings.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>
#include <optional>

class AccountFlow;
class CustomBootScreen;
class CustomDeviceConnection;
class CustomLoginWindow;
class CustomSettingsForm;
class CustomTitleBar;
class CustomUserProfilePage;
class EqDownlinkController;
class EquipmentContentsBar;
class EquipmentSettingsBar;
class FirmwareUpdateCheck;
class HidProtocolService;
class IWindowFrame;
class LegacyFirmwareRecoveryCoordinator;
class LoginController;
class QorDeviceConnectionUiController;
class SelfUpdateFlow;
class TrayController;
class QDialog;
class QPropertyAnimation;
class QStackedWidget;
class QTimer;
class UpdateDownloadProgressDialog;

namespace RemoteUpdate {
class RemoteUpdater;
}

// Durations of the window; tests shorten them.
struct HeadphonesDeviceTimings
{
    int closeFadeMs = 130;
    int resizeThrottleMs = 16;
    // After the first show: the automatic update check and the message about the last installation.
    int autoUpdateCheckDelayMs = 5000;
    int installReceiptDelayMs = 1500;
    // The device page follows a change of the device once more after this quiet time.
    int devicePageRefreshMs = 400;
    // Least spacing of the basic-information requests made when the device page opens.
    int basicInfoThrottleMs = 2000;
    // The active EQ waits for the device link: one tick per interval, at most this many ticks.
    int eqRetryIntervalMs = 55;
    int eqRetryTicks = 140;
    // Edits of the active custom slot are sent this long after the last one.
    int realtimeEqDebounceMs = 200;
    // The firmware offer of the server: the periodic check, and the least time between automatic checks.
    int firmwareCheckPeriodMs = 1800000;
    int firmwareCheckThrottleMs = 1800000;
    // After a successful firmware update the headset is asked for its versions at these delays.
    QList<int> firmwareReadbackDelaysMs{800, 2500};
};

// What the window builds its device service with; tests shorten the waits.
struct HeadphonesDeviceServiceSetup
{
    HidProtocolServiceDurations durations;
    HIDTypes::HidManagerConfig hidConfig;
    HeadsetProtocol::ProtocolHandlerSettings handlerSettings;
};

// The program's only main window: frameless, with its own title bar, page
// stack, mouse move/resize, tray icon, and close-to-tray or quit.
class HeadphonesDevice : public QMainWindow
{
    Q_OBJECT
public:
    enum ResizeEdge {
        None = 0,
        Left = 1,
        Right = 2,
        Top = 4,
        Bottom = 8,
        TopLeft = Top | Left,
        TopRight = Top | Right,
        BottomLeft = Bottom | Left,
        BottomRight = Bottom | Right
    };
    Q_DECLARE_FLAGS(ResizeEdgeFlag, ResizeEdge)

    // Page stack slots; a page that is not built yet leaves its slot empty.
    enum Page {
        BootPage = DeviceStateController::BootPage,
        ConnectionPage = DeviceStateController::ConnectionPage,
        SettingsPage = DeviceStateController::SettingsPage,
        DevicePage = DeviceStateController::DevicePage,
        ProfilePage = DeviceStateController::ProfilePage
    };

    static constexpr int kMinimumWidth = 1280;
    static constexpr int kMinimumHeight = 720;
    static constexpr int kResizeMargin = 10;
    // The 1 px frame drawn around the window while it is not maximised.
    static constexpr int kFrameBorderWidth = 1;

    explicit HeadphonesDevice(QWidget *parent = nullptr);
    HeadphonesDevice(QWidget *parent, const HeadphonesDeviceTimings &timings,
                     const HeadphonesDeviceServiceSetup &deviceSetup);
    ~HeadphonesDevice() override;

    void minimizeToTray();
    void ensureTrayIcon();
    void retranslateTrayIcon();
    void updateMaximumSize();
    void syncFramelessMaximized();
    void applyWindowCorners();
    void prepareForQuit();
    QRect computeResizeGeometry(const QPoint &globalPos) const;
    void updateHoverCursor(const QPoint &localPos);
    QSize screenAreaSize(double factor) const;
    int execDialogWithBlur(QWidget *target, QDialog *dialog);

    // The area the screens offer, scaled by `factor`; the inputs are the
    // primary screen's available virtual geometry, the union of every screen's
    // available geometry and the primary screen's available geometry.
    static QSize scaledScreenArea(const QRect &primaryVirtual, const QRect &allScreens, const QRect &primary,
                                  bool hasPrimary, double factor);
    static ResizeEdgeFlag edgesAt(const QPoint &localPos, const QSize &windowSize);
    static Qt::CursorShape cursorForEdges(ResizeEdgeFlag edges);

    int currentPage() const { return m_currentPage; }
    void showPage(int page);
    QWidget *pageWidget(int page) const;
    CustomTitleBar *titleBar() const { return m_titleBar; }
    CustomSettingsForm *settingsPage() const { return m_settingsPage; }
    QStackedWidget *pageStack() const { return m_pageStack; }
    CustomUserProfilePage *profilePage() const { return m_profilePage; }
    LoginController *loginController() const { return m_loginController; }
    HidProtocolService *deviceService() const { return m_deviceService; }
    QorDeviceConnectionUiController *qorConnectionController() const { return m_qorController; }
    // The collaborators the device side of the window forwards to.
    DeviceStateController *deviceState() const { return m_deviceState; }
    EqDownlinkController *eqDownlink() const { return m_eqDownlink; }
    ManualFirmwareOtaCoordinator *manualFirmwareCoordinator() const { return m_manualFirmware; }
    LegacyFirmwareRecoveryCoordinator *legacyRecoveryCoordinator() const { return m_legacyRecovery; }
    CustomBootScreen *bootScreen() const { return m_bootScreen; }
    CustomDeviceConnection *connectionPage() const { return m_connectionPage; }
    EquipmentSettingsBar *sidebar() const { return m_sidebar; }
    EquipmentContentsBar *contentBar() const { return m_contentBar; }
    CustomLoginWindow *loginWindow() const;
    RemoteUpdate::RemoteUpdater *remoteUpdater() const { return m_remoteUpdater; }
    UpdateDownloadProgressDialog *updateProgressDialog() const;
    bool isUpdateBadgeShown() const;
    QSystemTrayIcon *trayIcon() const;
    QWidget *centralFrame() const { return m_centralWidget; }
    bool exitOnClose() const;
    bool isQuitting() const { return m_quitting; }
    bool isResizing() const { return m_resizing; }
    bool isDragging() const { return m_dragging; }
    QRect savedNormalGeometry() const { return m_normalGeometry; }

    // Toasts over the window: a failure look when `failure`; blank texts show nothing.
    void showToast(const QString &text, bool failure);
    void showFailureToast(const QString &text, int durationMs);

    // Account (the login window, the title bar's login display and the profile page).
    void openLoginWindow(const QString &message, bool forgotPassword);
    void populateProfilePage();
    void restoreLoginDisplay();
    void returnFromProfilePage();
    void onStackPageChanged(int page);
    // 0 unknown, 1 phone account, 2 e-mail account.
    static int accountKind(const EarphoneApi::UserInfo &user);
    // The 11-digit mainland mobile number of the user name, or empty.
    static QString mainlandMobileNumber(const EarphoneApi::UserInfo &user);

    // Self-update and the receipt of the last installation.
    void setupRemoteUpdate();
    void checkLastInstallReceipt();
    void startAutomaticUpdateCheck();
    void startUserUpdateCheck();
    void showUpdateDialog(const RemoteUpdate::UpdateInfo &info);
    void onUpdateCheckFailed(const QString &message);
    void onUpdateDownloadStarted();
    void onUpdateFailure(const QString &message);
    void showInstallReceiptResult();
    QString pendingReceiptMessage() const;

    // Device state and pages (DeviceStateController).
    bool isDeviceUsable() const;
    bool isDeviceReadyForEq() const;
    void onTargetDevicePresentChanged(bool present);
    void onProtocolValidatedChanged(bool validated);
    void onHeadsetLinkChanged(bool up);
    void onQorBypassSessionChanged();
    void refreshConnectionState();
    void selectMainPageForDeviceState(bool force);
    void applyConnectionModeToSidebar();
    void pushConnectionModeToPages();
    void scheduleDevicePageRefresh();
    void pushProductIdToEqPages();
    QString currentProductIdText() const;
    void requestDeviceRename(const QString &name);

    // Page switching of the device side (HeadphonesDeviceWiring.cpp, the state's part in DeviceStateController).
    void enterDevicePage();
    void requestBasicInfoThrottled();
    void refreshMoreSettingsPage();

    // The EQ downlink (EqDownlinkController).
    void sendActiveEq(EQActiveProfileCoordinator::Source source, const QString &id);
    std::optional<HeadsetProtocol::EQData> mapSelectionToEqData(EQActiveProfileCoordinator::Source source,
                                                                const QString &id, QString *error);
    void sendEqData(EQActiveProfileCoordinator::Source source, const QString &id,
                    const HeadsetProtocol::EQData &record, bool fromBootstrap);
    void startEqDownlinkRetry();
    void onEqDownlinkRetryTimeout();
    void stopEqDownlinkRetry();
    void bootstrapPersistedEq();
    void scheduleRealtimeEqSend(EQActiveProfileCoordinator::Source source, const QString &id);
    void sendRealtimeEq();
    void applyEphemeralCloudEq(const EarphoneApi::CloudEQItem &item);
    void onCustomPresetImported(int slot);
    bool isEqSendInFlight() const;
    bool isRealtimeEqPending() const;
    bool isEqDownlinkRetryRunning() const;
    // The "DRQ1" downlink snapshot: the record last sent, in its TLV form behind a six-byte head.
    static QByteArray buildDownlinkSnapshot(const HeadsetProtocol::EQData &record);
    static std::optional<HeadsetProtocol::EQData> parseDownlinkSnapshot(const QByteArray &snapshot);

    // The firmware update check (HeadphonesDeviceFirmwareCheck.cpp).
    bool canCheckFirmware() const;
    void requestFirmwareInfo();
    void ensurePeriodicFirmwareCheckTimer();
    void updatePeriodicFirmwareCheckTimer();
    void onDeviceFirmwareInfo(const HeadsetProtocol::FirmwareInfo &info);
    void onPcFirmwareInfoReceived(const EarphoneApi::PcFirmwareInfoResult &result);
    void onPcFirmwareInfoFailed(int errorCode, const QString &message, const QString &requestPid);
    void applyFirmwareCheck();
    // Asks once per new version whether to go and update the firmware.
    void promptFirmwareUpdate();
    static QString firmwareVersionDisplayText(const QString &version);
    void openMoreSettingsForFirmware();
    void startManualUpgrade(ManualFirmwareOtaCoordinator::Target target);
    void onManualUpgradeFinished(bool success, ManualFirmwareOtaCoordinator::Target target);
    bool isFirmwareCheckInFlight() const;
    QTimer *periodicFirmwareCheckTimer() const;

    void setTimings(const HeadphonesDeviceTimings &timings);
    void setWindowFrame(std::unique_ptr<IWindowFrame> frame);
    // Overrides the question whether the desktop has a system tray.
    void setTrayAvailabilityProbe(std::function<bool()> probe);
    bool isSystemTrayAvailable() const;

public slots:
    void toggleWindowState();
    void on_minimizeClicked();
    void on_maximizeClicked();
    void on_closeClicked();
    void on_loginClicked();
    void on_settingClicked();
    void on_returnClicked();
    void onApplicationLanguageChosen(const QString &localeTag);
    void onStartupSettingsChanged();
    void onCloseBehaviorPreferenceChanged();
    void onLoginSucceededUpdateUI(const QString &iconUrl, const QString &nickName);
    void onLoggedOut();
    void onNeedReLogin(const QString &message);
    void onProfileSyncFromServerFailed(const QString &hint);
    void onSessionExpiredToast(const QString &message);
    void onEditNicknameRequested();
    void onEditAvatarRequested();
    void onModifyPasswordRequested();
    void onModifyEmailRequested();
    void onModifyPhoneRequested();
    void raiseMainWindowFromTray();
    void quitApplicationFully();
    void onUpdateProgressFailureDismissed();
    void onAudioConfigClicked();
    void onEQClicked();
    void onEQSubItemClicked(int index);
    void onSurroundClicked();
    void onMoreSettingsClicked();
    void onActiveEqSelectionChanged(EQActiveProfileCoordinator::Source source, const QString &id);
    void onEqSendSucceeded();
    void onEqSendFailed(const QString &reason);

protected:
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void setupUi();
    // The window's collaborators, each set up in the file of its responsibility.
    void setupTray();
    void setupAccountFlow();
    void setupFirmwareCheck();
    void createDeviceServices(const HeadphonesDeviceServiceSetup &deviceSetup);
    // The device state and the EQ downlink, with what they need of the window and its pages.
    void createDeviceCollaborators();
    void setupConnections();
    void connectDeviceService();
    void wireNetworkServices();
    void connectEqPages();
    void connectDevicePages();
    // Every EQ page gets the current product id, whatever it was given before.
    void giveProductIdToEqPages();
    void addPage(int page, QWidget *widget);
    bool isOnTitleBarBackground(const QPoint &localPos) const;
    void keepPagesInsideFrame(bool maximized);
    void stopResizing();
    void applyResizeStep();
    void onCloseFadeFinished();
    void closeOtherTopLevelWindows();
    void queueQuit();
    int resolveReturnPage(int savedPage) const;
    // Shows `page` with the title bar that belongs to it (return target of the settings and profile pages).
    void returnToPage(int page);
    // The device page with its title, the basic information asked and the EQ pages' product id.
    void showDevicePage();
    void refreshReturnTitle();
    void refreshLoginText();
    // The device page's EQ pages reload here once the device page exists.
    void refreshEqPages();
    void showTooltipToast(const QString &text, int durationMs);
    // Tells the user, once per change, that a preference holds for this session only.
    void reportSettingsSaved(bool saved);

    bool isSignedIn() const;

    void setUpdateBadgesVisible(bool visible);
    void resumeDeferredFirmwarePrompt();

    // Device state.
    bool isQorConnectionHeld() const; // the connection controller's bypass session

    // Firmware check.
    bool firmwareCheckThrottled() const;
    void onAutomaticFirmwareCheck();
    void clearFirmwareCheckState();

    // Window frame state.
    bool m_resizing = false;
    bool m_dragging = false;
    bool m_closeFadeRunning = false;
    bool m_quitting = false;
    QPropertyAnimation *m_closeFade = nullptr;
    bool m_firstShowPending = true;
    QPoint m_lastDragPoint;
    QPoint m_resizePoint;
    QRect m_normalGeometry;
    ResizeEdgeFlag m_resizeEdges = None;
    int m_hoverCursorShape = 0;
    bool m_hoverCursorSet = false;
    QElapsedTimer m_resizeThrottle;
    qint64 m_lastResizeStepMs = 0;
    bool m_framelessMaximizedWritten = false;
    bool m_frameStateSynced = false;
    bool m_lastSyncedMaximized = false;
    // One change can write the store more than once (auto-run off also clears start minimised).
    bool m_settingsFailureReported = false;

    QWidget *m_centralWidget = nullptr;
    QStackedWidget *m_pageStack = nullptr;
    CustomTitleBar *m_titleBar = nullptr;
    CustomSettingsForm *m_settingsPage = nullptr;
    CustomUserProfilePage *m_profilePage = nullptr;
    QHash<int, QWidget *> m_pages;
    int m_currentPage = BootPage;
    int m_pageBeforeProfile = ConnectionPage;
    int m_pageBeforeSettings = ConnectionPage;

    CustomBootScreen *m_bootScreen = nullptr;
    CustomDeviceConnection *m_connectionPage = nullptr;
    EquipmentSettingsBar *m_sidebar = nullptr;
    EquipmentContentsBar *m_contentBar = nullptr;

    LoginController *m_loginController = nullptr;
    // The account flows (HeadphonesDeviceAccount.cpp).
    AccountFlow *m_account = nullptr;

    HidProtocolService *m_deviceService = nullptr;
    QorDeviceConnectionUiController *m_qorController = nullptr;
    LegacyFirmwareRecoveryCoordinator *m_legacyRecovery = nullptr;
    ManualFirmwareOtaCoordinator *m_manualFirmware = nullptr;
    DeviceStateController *m_deviceState = nullptr;
    EqDownlinkController *m_eqDownlink = nullptr;
    // The firmware update check (HeadphonesDeviceFirmwareCheck.cpp).
    FirmwareUpdateCheck *m_firmwareCheck = nullptr;

    // Self-update (HeadphonesDeviceUpdate.cpp).
    RemoteUpdate::RemoteUpdater *m_remoteUpdater = nullptr;
    SelfUpdateFlow *m_selfUpdate = nullptr;

    // The tray icon and the close preference (HeadphonesDeviceTray.cpp).
    TrayController *m_tray = nullptr;

    HeadphonesDeviceTimings m_timings;
    std::unique_ptr<IWindowFrame> m_windowFrame;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(HeadphonesDevice::ResizeEdgeFlag)
