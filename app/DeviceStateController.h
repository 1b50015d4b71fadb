#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class CustomDeviceConnection;
class CustomTitleBar;
class EqDownlinkController;
class EquipmentContentsBar;
class EquipmentSettingsBar;
class HidProtocolService;
class MoreSettingsContent;
class QorDeviceConnectionUiController;
class QTimer;

// The headset as the main window sees it: presence, validation and link from
// the device service, the cached values and the user's pending requests, which
// main page shows, how the connection is presented (the wired Qor model or a
// wireless headset), the product id of the EQ pages, and the device commands
// of the more-settings and connection pages with what the device answers.
// Every page is optional: what is missing is skipped.
class DeviceStateController : public QObject
{
    Q_OBJECT
public:
    // The slots of the window's page stack.
    enum MainPage { BootPage = 0, ConnectionPage = 1, SettingsPage = 2, DevicePage = 3, ProfilePage = 4 };

    // The page stack of the window.
    struct PageStack
    {
        std::function<int()> currentPage;
        std::function<void(int)> showPage;
    };

    struct Timings
    {
        int devicePageRefreshMs = 400;
        int basicInfoThrottleMs = 2000;
    };

    explicit DeviceStateController(QObject *parent = nullptr);
    ~DeviceStateController() override;

    void setService(HidProtocolService *service);
    void setQorConnectionController(QorDeviceConnectionUiController *controller);
    void setEqDownlink(EqDownlinkController *downlink);
    void setPages(CustomDeviceConnection *connectionPage, EquipmentSettingsBar *sidebar,
                  EquipmentContentsBar *contentBar, CustomTitleBar *titleBar);
    void setPageStack(PageStack stack);
    void setTimings(const Timings &timings);
    Timings timings() const { return m_timings; }
    // While it answers true nothing here runs.
    void setQuittingProbe(std::function<bool()> quitting);

    bool isTargetDevicePresent() const { return m_targetDevicePresent; }
    bool isProtocolValidated() const { return m_protocolValidated; }
    bool isHeadsetLinkConnected() const { return m_headsetLinkConnected; }
    bool isLinkKnown() const { return m_linkKnown; }
    int batteryLevel() const { return m_batteryLevel; }
    QString deviceName() const { return m_deviceName; }
    int toneLevel() const { return m_toneLevel; }
    bool isRenamePending() const { return m_renamePending; }
    bool isToneChangePending() const { return m_toneChangePending; }
    bool isFactoryResetPending() const { return m_factoryResetPending; }
    bool isReceiverUnbindPending() const { return m_receiverUnbindPending; }

    // The connection controller's bypass session.
    bool isQorConnectionHeld() const;
    // The service's Qor session, or the target is the Qor model.
    bool isQorMode() const;
    bool isServiceQorSessionActive() const { return m_serviceQorSessionActive; }
    bool isDeviceUsable() const;
    bool isDeviceReadyForEq() const;
    // Where a return to `savedPage` lands with the device as it is now.
    int returnPageFor(int savedPage) const;

    void refreshConnectionState();
    void selectMainPageForDeviceState(bool force);
    void applyConnectionModeToSidebar();
    void pushConnectionModeToPages();
    void scheduleDevicePageRefresh();
    void pushProductIdToEqPages();
    // Every EQ page gets the current product id, whatever it was given before.
    void giveProductIdToEqPages();
    QString currentProductIdText() const;
    void requestBasicInfoThrottled();
    // The device's own values on the more-settings page.
    void fillMoreSettingsPage();

    void requestDeviceRename(const QString &name);
    void requestToneLevel(int level);
    void requestFactoryReset();
    void requestReceiverUnbind();

public slots:
    void onTargetDevicePresentChanged(bool present);
    void onProtocolValidatedChanged(bool validated);
    void onHeadsetLinkChanged(bool up);
    // Recorded before anyone else hears of the service's Qor session.
    void recordServiceQorSession(bool active);
    // After everyone else heard of it: the EQ of the session and the sidebar's mode.
    void onQorBypassSessionChanged();
    // The connection controller's word on the wired link (its session).
    void onQorConnectionLink(bool connected);
    void onHeadsetBatteryChanged(int percent);
    void onHeadsetNameChanged(const QString &name);
    void onDeviceNameSetSucceeded(const QString &name);
    void onDeviceNameSetFailed();
    void onHeadsetToneVolumeChanged(int level);
    void onToneVolumeSetSucceeded(int level);
    void onToneVolumeSetFailed();
    void onFactoryResetSucceeded();
    void onFactoryResetFailed();
    void onReceiverUnbindSucceeded();
    void onReceiverUnbindFailed();

signals:
    // Every cached value of the device was reset (firmware versions and the firmware check with them).
    void deviceValuesReset();
    // Presence changed and the pages follow it.
    void presenceHandled(bool present);
    // The more-settings page should show the device anew.
    void moreSettingsRefreshRequested();
    void toastRequested(const QString &text, bool failure);

private:
    bool quitting() const;
    int currentPage() const;
    MoreSettingsContent *moreSettingsPage() const;
    void setEqPagesPid(const QString &pid);
    void resetLinkValues();
    void resetDeviceValues();
    void switchReturnModeOffUnlessOnOwnPage();
    void clearBootstrapUnlessQorHeld();
    void onPresenceLostResetPages();
    void refreshEqPages();
    void completeToneChange();
    void completeRename();
    void afterNameResult();

    QPointer<HidProtocolService> m_service;
    QPointer<QorDeviceConnectionUiController> m_qorController;
    QPointer<EqDownlinkController> m_downlink;
    QPointer<CustomDeviceConnection> m_connectionPage;
    QPointer<EquipmentSettingsBar> m_sidebar;
    QPointer<EquipmentContentsBar> m_contentBar;
    QPointer<CustomTitleBar> m_titleBar;
    PageStack m_stack;
    Timings m_timings;
    std::function<bool()> m_quitting;

    bool m_serviceQorSessionActive = false; // as the service's signal last told
    bool m_targetDevicePresent = false;
    bool m_protocolValidated = false;
    bool m_headsetLinkConnected = false;
    bool m_linkKnown = false; // a link state was reported since validation was last lost
    int m_shownBatteryLevel = -1; // on the connection page
    QString m_shownDeviceName;
    int m_batteryLevel = -1;
    QString m_deviceName;
    bool m_renamePending = false;
    QString m_requestedName;
    QString m_previousName;
    bool m_factoryResetPending = false;
    bool m_receiverUnbindPending = false;
    int m_toneLevel = -1;
    bool m_toneChangePending = false;
    int m_requestedToneLevel = -1;
    int m_previousToneLevel = -1;
    QString m_lastProductIdText; // as last given to the EQ pages
    QTimer *m_devicePageRefreshTimer = nullptr;
    // Monotonic: a wall clock set back must not hold the requests off.
    QElapsedTimer m_lastBasicInfoRequest;
};
