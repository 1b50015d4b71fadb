#pragma once

#include "ota/OtaFlowDurations.h"
#include "ota/OtaSessionCoordinator.h"
#include "ota/OtaSessionRunnerConfig.h"
#include "ota/OtaWorker.h"

#include <QObject>
#include <QPointer>
#include <QString>

class HidProtocolService;
class LegacyRecoveryDialog;
class QTimer;
class QWidget;

// Headsets with an old firmware enumerate as 0x3654:0x5055 but fail the
// device service's protocol validation. When that happens this offers, in a
// modal prompt, to reflash the headsets and the receiver from the ".ufw"
// images in the "firmware" folder beside the program; on acceptance it runs
// the update on a worker thread with the HID stack released, shows progress
// and result in the prompt, and gives the device back when the prompt closes.
// GUI thread; one prompt at a time.
class LegacyFirmwareRecoveryCoordinator : public QObject
{
    Q_OBJECT
public:
    enum State { Idle = 0, PromptQueued = 1, Prompting = 2, Upgrading = 3 };
    Q_ENUM(State)

    // `parent` is the Qt parent and the prompt's parent.
    LegacyFirmwareRecoveryCoordinator(HidProtocolService *service, QWidget *parent);
    ~LegacyFirmwareRecoveryCoordinator() override;

    void setDurations(const OtaFlowDurations &durations);
    // Where the images are looked for; the application's "firmware" folder by default.
    void setFirmwareDirectory(const QString &path);
    State state() const { return m_state; }

    // The product id after "PID_" in a device path (hex, any case), cut to
    // 16 bits; 0 when missing or without a digit.
    static quint16 productIdFromPath(const QString &path);

public slots:
    void onProtocolValidationFailed(const QString &deviceId);
    // Runs the prompt and everything up to its close.
    void showRecoveryPrompt(const QString &deviceId);

private:
    void startRecovery();
    void runPhase();
    void applyRecoveryResult(quint64 worker, bool success, const QString &message);

    HidProtocolService *m_service;
    QPointer<QWidget> m_dialogParent;
    OtaSessionCoordinator m_session;
    OtaDeviceMatchSettings m_matchSettings;
    OtaFlowDurations m_durations;
    bool m_enabled = true;
    State m_state = Idle;
    OtaWorker m_worker;
    quint64 m_workerSerial = 0; // tells a late result of an earlier worker apart

    // The prompt on screen.
    QPointer<LegacyRecoveryDialog> m_dialog;
    QTimer *m_promptTimer = nullptr;
    QString m_deviceId;
};
