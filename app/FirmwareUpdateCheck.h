#pragma once

#include "cloud/PcFirmwareInfoResult.h"
#include "ota/ManualFirmwareOtaCoordinator.h"
#include "protocol/DeviceRecords.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class EquipmentSettingsBar;
class MoreSettingsContent;
class QTimer;
class QWidget;
class UpdateAvailableDialog;

namespace EarphoneApi {
class FirmwareApi;
}

// The headset's and the receiver's firmware against what the server offers:
// the check (on device reports, periodically, when the program comes to the
// front and when More settings opens), its result on the More-settings page
// and the sidebar, the question once per new version, and the manual update
// that the page's buttons start. The window tells it about the device
// through the setters and probes, and follows its requests.
class FirmwareUpdateCheck : public QObject
{
    Q_OBJECT
public:
    // `window` parents the question and this object; the question needs it visible.
    explicit FirmwareUpdateCheck(QWidget *window);
    ~FirmwareUpdateCheck() override;

    void setTimings(int periodMs, int throttleMs, const QList<int> &readbackDelaysMs);
    int periodMs() const { return m_periodMs; }
    int throttleMs() const { return m_throttleMs; }
    QList<int> readbackDelaysMs() const { return m_readbackDelaysMs; }
    // The server's answers arrive from `api`; null makes every request a no-op.
    void setFirmwareApi(EarphoneApi::FirmwareApi *api);
    void setPages(MoreSettingsContent *moreSettings, EquipmentSettingsBar *sidebar);
    void setManualCoordinator(ManualFirmwareOtaCoordinator *coordinator);
    // The product id of every request and comparison.
    void setProductIdSource(std::function<QString()> source);
    // Whether the device side allows a check (not quitting, signed-in API, a validated headset).
    void setDeviceGate(std::function<bool()> gate);
    void setQuittingProbe(std::function<bool()> probe);
    // While this holds, the question waits (another dialog of the program holds the screen).
    void setPromptBlocker(std::function<bool()> blocker);

    bool canCheck() const;
    void requestInfo();
    void ensurePeriodicTimer();
    void updatePeriodicTimer();
    // The periodic tick and the program coming to the front.
    void onAutomaticCheck();
    // More settings opened, or an update just ended: asks without the spacing.
    void checkNow();

    void onDeviceFirmwareInfo(const HeadsetProtocol::FirmwareInfo &info);
    void onInfoReceived(const EarphoneApi::PcFirmwareInfoResult &result);
    void onInfoFailed(int errorCode, const QString &message, const QString &requestPid);
    void apply();
    void prompt();
    // A question that had to wait is asked now (also when the question before it closes).
    void resumeDeferredPrompt();
    // The device is gone: what was known about it is forgotten.
    void clearDeviceState();

    void startManualUpgrade(ManualFirmwareOtaCoordinator::Target target);
    void onManualUpgradeFinished(bool success, ManualFirmwareOtaCoordinator::Target target);

    static QString versionDisplayText(const QString &version);

    QString currentHeadsetVersion() const { return m_currentHeadsetVersion; }
    QString currentReceiverVersion() const { return m_currentReceiverVersion; }
    bool isServerInfoHeld() const { return m_serverInfoHeld; }
    bool isCheckInFlight() const { return m_checkInFlight; }
    bool isPromptDeferred() const { return m_promptDeferred; }
    bool isManualUpgradeRunning() const { return m_manualUpgradeRunning; }
    QTimer *periodicTimer() const { return m_periodicTimer; }
    UpdateAvailableDialog *promptDialog() const;

signals:
    // The question was answered with "go to update".
    void moreSettingsRequested();
    // The versions changed: the More-settings page should show them.
    void moreSettingsRefreshRequested();
    // After a successful update: the device is asked for these basic-information types.
    void basicInfoRequested(const QList<quint8> &types);

private:
    bool throttled() const;
    bool isQuitting() const;
    QString productId() const;
    void onPromptAnswered(int choice);

    QWidget *m_window;
    QPointer<EarphoneApi::FirmwareApi> m_api;
    QPointer<MoreSettingsContent> m_moreSettings;
    QPointer<EquipmentSettingsBar> m_sidebar;
    QPointer<ManualFirmwareOtaCoordinator> m_coordinator;
    std::function<QString()> m_productId;
    std::function<bool()> m_deviceGate;
    std::function<bool()> m_quitting;
    std::function<bool()> m_promptBlocked;

    int m_periodMs = 1800000;
    int m_throttleMs = 1800000;
    QList<int> m_readbackDelaysMs{800, 2500};

    QString m_currentHeadsetVersion; // normalised
    QString m_currentReceiverVersion;
    EarphoneApi::PcFirmwareInfoResult m_held; // the server's answer
    bool m_serverInfoHeld = false;
    QElapsedTimer m_lastCheck; // invalid: no answer since the device came
    bool m_checkInFlight = false;
    QTimer *m_periodicTimer = nullptr;
    bool m_headsetAvailable = false;
    bool m_receiverAvailable = false;
    QString m_latestHeadsetVersion;
    QString m_latestReceiverVersion;
    QString m_lastPromptedHeadsetVersion;
    QString m_lastPromptedReceiverVersion;
    bool m_manualUpgradeRunning = false;
    bool m_promptDeferred = false;
    QPointer<UpdateAvailableDialog> m_prompt;
};
