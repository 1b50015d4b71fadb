#pragma once

#include "ota/OtaFlowDurations.h"
#include "ota/OtaSessionCoordinator.h"
#include "ota/OtaWorker.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class FirmwareOtaProgressDialog;
class HidProtocolService;
class QWidget;

namespace EarphoneApi {
class FirmwareApi;
}

// A firmware update of the headset or the receiver that the user started:
// downloads the offered image, shows the progress dialog, takes the HID
// interface away from the device service, runs the update on a worker thread
// with the image in memory, shows the result with a retry, and gives the
// device back when the dialog closes. GUI thread; one update at a time.
class ManualFirmwareOtaCoordinator : public QObject
{
    Q_OBJECT
public:
    enum Target { Headset = 0, Receiver = 1 };
    Q_ENUM(Target)

    // `dialogParent` parents the progress dialog while it exists.
    ManualFirmwareOtaCoordinator(HidProtocolService *service, EarphoneApi::FirmwareApi *firmwareApi,
                                 QWidget *dialogParent, QObject *parent = nullptr);
    ~ManualFirmwareOtaCoordinator() override;

    void setDurations(const OtaFlowDurations &durations);

    // The whole update; returns once the dialog has closed, after
    // upgradeFinished. Ignored while an update runs or without a service or
    // firmware API.
    void startUpgrade(Target target, const QString &firmwareUrl, const QString &newVersion,
                      const QString &currentVersion, const QString &productIdText);
    bool isBusy() const { return m_busy; }

    // "vid_XXXX&pid_YYYY" from the "VID_"/"PID_" tokens of a device id (hex
    // digits upper-cased); empty when either is missing or has no digit.
    static QString deviceIdentityFromId(const QString &id);

signals:
    // Once at the end of every accepted startUpgrade; `detail` is empty on success.
    void upgradeFinished(bool success, QString detail, ManualFirmwareOtaCoordinator::Target target);

private:
    struct WorkerOutcome;

    bool downloadImage();
    void onRetryRequested();
    void startPhase();
    void runOtaWorker(FirmwareOtaProgressDialog *dialog);
    void applyWorkerResult(const std::shared_ptr<WorkerOutcome> &outcome);
    void takeOutcome(const WorkerOutcome &outcome);
    void finishUpgrade();

    HidProtocolService *m_service;
    QPointer<EarphoneApi::FirmwareApi> m_firmwareApi;
    QPointer<QWidget> m_dialogParent;
    OtaSessionCoordinator m_session;
    OtaFlowDurations m_durations;
    bool m_busy = false;
    OtaWorker m_worker;
    Target m_target = Headset;
    QString m_firmwareUrl;
    QString m_newVersion;
    QString m_currentVersion;
    QString m_productIdText;
    QString m_deviceId;
    QByteArray m_image;
    QString m_deviceIdentity;

    // The flow under way, touched on the GUI thread only.
    QPointer<FirmwareOtaProgressDialog> m_dialog;
    bool m_downloading = false;
    bool m_started = false;   // a worker was started for the latest attempt
    bool m_succeeded = false; // its outcome
    QString m_message;
    // Filled by the running worker before it ends; read after it has ended.
    std::shared_ptr<WorkerOutcome> m_outcome;
};
