#include "ota/ManualFirmwareOtaCoordinator.h"

#include "ota/ui/FirmwareOtaProgressDialog.h"
#include "cloud/FirmwareApi.h"
#include "hid/HidProtocolService.h"
#include "ota/DevicePathTokens.h"
#include "ota/OtaSessionRunner.h"

#include <QCoreApplication>
#include <QDebug>
#include <QTimer>
#include <QUrl>

#include <utility>

namespace {

// Either target is reached through the receiver.
const QString kReceiverIdentity = QStringLiteral("vid_3654&pid_6901");
// No folder of that name: an image is never looked for on disk.
const char *const kNoDiskScanFolder = "__velkora_manual_ota_no_disk_scan__";

std::vector<std::uint8_t> toBytes(const QByteArray &data)
{
    return {reinterpret_cast<const std::uint8_t *>(data.constData()),
            reinterpret_cast<const std::uint8_t *>(data.constData()) + data.size()};
}

} // namespace

struct ManualFirmwareOtaCoordinator::WorkerOutcome
{
    bool success = false;
    QString text;
};

ManualFirmwareOtaCoordinator::ManualFirmwareOtaCoordinator(HidProtocolService *service,
                                                           EarphoneApi::FirmwareApi *firmwareApi,
                                                           QWidget *dialogParent, QObject *parent)
    : QObject(parent)
    , m_service(service)
    , m_firmwareApi(firmwareApi)
    , m_dialogParent(dialogParent)
    , m_session(service, this)
{
    m_session.setLogTag(QStringLiteral("ManualOTA"));
    setDurations(OtaFlowDurations{});
}

// The device service may be gone already (the main window made it first):
// only the worker is waited for, and a dialog still up is closed so that
// startUpgrade comes back.
ManualFirmwareOtaCoordinator::~ManualFirmwareOtaCoordinator()
{
    m_session.cancelPendingPhase();
    m_worker.release();
    if (m_dialog)
        m_dialog->done(QDialog::Rejected);
}

void ManualFirmwareOtaCoordinator::setDurations(const OtaFlowDurations &durations)
{
    m_durations = durations;
    m_session.setPhaseDelays(durations.firstPhaseDelayMs, durations.laterPhaseDelayMs);
}

QString ManualFirmwareOtaCoordinator::deviceIdentityFromId(const QString &id)
{
    const QString vid = OtaModule::hexDigitsAfter(id, QLatin1String("VID_"));
    const QString pid = OtaModule::hexDigitsAfter(id, QLatin1String("PID_"));
    if (vid.isEmpty() || pid.isEmpty())
        return {};
    return QStringLiteral("vid_%1&pid_%2").arg(vid, pid);
}

void ManualFirmwareOtaCoordinator::startUpgrade(Target target, const QString &firmwareUrl,
                                                const QString &newVersion, const QString &currentVersion,
                                                const QString &productIdText)
{
    if (m_busy || !m_service || !m_firmwareApi)
        return;
    m_busy = true;
    m_target = target;
    m_firmwareUrl = firmwareUrl.trimmed();
    m_newVersion = newVersion.trimmed();
    m_currentVersion = currentVersion.trimmed();
    m_productIdText = productIdText.trimmed();
    m_image.clear();
    m_deviceId = m_service->currentDeviceId();
    m_deviceIdentity = deviceIdentityFromId(m_deviceId);
    if (m_deviceIdentity.isEmpty())
        m_deviceIdentity = kReceiverIdentity;

    m_session.suspendAutoReconnect();

    // On the heap: the parent may take the dialog with it while it runs.
    auto *dialog = new FirmwareOtaProgressDialog(target == Receiver, m_currentVersion, m_newVersion,
                                                 m_dialogParent.data());
    m_dialog = dialog;
    m_started = false;
    m_succeeded = false;
    m_message.clear();
    connect(dialog, &FirmwareOtaProgressDialog::retryRequested, this,
            &ManualFirmwareOtaCoordinator::onRetryRequested);
    dialog->setUpgrading(true);
    dialog->resetProgress();
    dialog->show();

    // Every nested event loop below may run code that deletes this
    // coordinator; then only the dialog is cleaned up.
    const QPointer<ManualFirmwareOtaCoordinator> self(this);
    const QPointer<FirmwareOtaProgressDialog> ownDialog(dialog);
    QCoreApplication::processEvents();
    const bool downloaded = self && downloadImage();
    if (self) {
        if (downloaded)
            startPhase();
        else if (m_dialog) {
            m_dialog->showFailure(tr("升级失败"));
            m_dialog->setUpgrading(false);
        }
        if (m_dialog)
            m_dialog->exec();
    }
    if (!self) {
        delete ownDialog.data();
        return;
    }
    finishUpgrade();
}

bool ManualFirmwareOtaCoordinator::downloadImage()
{
    if (!m_firmwareApi || !m_dialog)
        return false;
    m_dialog->setProgress(0);
    const QPointer<ManualFirmwareOtaCoordinator> self(this);
    QCoreApplication::processEvents();
    if (!self || !m_firmwareApi)
        return false;

    m_downloading = true;
    const EarphoneApi::FirmwareDownloadResult result =
        m_firmwareApi->downloadFirmware(QUrl(m_firmwareUrl), m_durations.downloadTimeoutMs);
    if (!self)
        return false;
    m_downloading = false;
    if (!result.ok) {
        QString error = result.error.trimmed();
        if (error.isEmpty())
            error = tr("未知错误");
        qWarning().noquote() << QStringLiteral("[ManualOTA] download failed: %1").arg(error);
        return false;
    }
    m_image = result.data;
    return !m_image.isEmpty();
}

void ManualFirmwareOtaCoordinator::onRetryRequested()
{
    if (m_worker.exists() || !m_busy || m_downloading || !m_dialog)
        return;
    m_started = false;
    m_succeeded = false;
    m_message.clear();
    if (m_image.isEmpty()) {
        // The download failed before: fetch the image again rather than run
        // a phase that has nothing to write and would never end.
        m_dialog->setUpgrading(true);
        m_dialog->resetProgress();
        const QPointer<ManualFirmwareOtaCoordinator> self(this);
        const bool downloaded = downloadImage();
        if (!self)
            return;
        if (!downloaded) {
            if (m_dialog)
                m_dialog->showFailure(tr("升级失败"));
            return;
        }
    }
    startPhase();
}

void ManualFirmwareOtaCoordinator::startPhase()
{
    if (!m_dialog)
        return;
    m_dialog->resetProgress();
    m_dialog->setUpgrading(true);
    const QPointer<FirmwareOtaProgressDialog> dialog(m_dialog);
    const bool begun = m_session.beginOtaPhase([this, dialog] {
        if (m_busy && dialog)
            runOtaWorker(dialog);
    });
    if (!begun) {
        // The program could not let go of the devices; the update did not start.
        qWarning().noquote() << QStringLiteral("[ManualOTA] HID access not released, update not started");
        m_dialog->showFailure(tr("升级失败"));
    }
}

void ManualFirmwareOtaCoordinator::runOtaWorker(FirmwareOtaProgressDialog *dialog)
{
    if (!dialog || m_worker.exists() || m_image.isEmpty() || !m_busy)
        return;

    OtaSessionRunnerConfig config;
    config.devicePathFilter = m_deviceIdentity.toStdString();
    config.firmwareDirectory = kNoDiskScanFolder;
    config.postModeReopenDelayMs = m_durations.postModeReopenDelayMs;
    config.mode = m_target == Headset ? 0 : 1;
    if (m_target == Headset)
        config.remoteImage = toBytes(m_image);
    else
        config.dongleImage = toBytes(m_image);
    config.deviceHint = m_deviceId.toStdString();
    config.authenticateFirst = true;
    config.authenticateAfterReconnect = true;
    config.timings = m_durations.session;

    m_started = true;
    auto outcome = std::make_shared<WorkerOutcome>();
    m_outcome = outcome;
    const QPointer<FirmwareOtaProgressDialog> guard(dialog);
    const bool receiver = m_target == Receiver;
    // The worker touches no widget and no member: progress and the result go
    // back to the GUI thread as queued calls on this coordinator, which
    // outlives the thread (it waits for it before it goes). The image moves
    // along with the config rather than being copied once more.
    m_worker.start([this, guard, config = std::move(config), receiver, outcome] {
        const auto progress = [this, guard](int percent) {
            QMetaObject::invokeMethod(
                this,
                [guard, percent] {
                    if (guard)
                        guard->setProgress(percent);
                },
                Qt::QueuedConnection);
        };
        const OtaSessionRunnerResult result = runOtaSession(config, [](const std::string &) {}, progress);
        outcome->success = result.success;
        if (!result.success) {
            outcome->text = QString::fromStdString(result.message).trimmed();
            if (outcome->text.isEmpty())
                outcome->text = receiver ? QStringLiteral("接收器固件升级未完成。") : QStringLiteral("耳机固件升级未完成。");
        }
        QTimer::singleShot(0, this, [this, outcome] { applyWorkerResult(outcome); });
    });
}

void ManualFirmwareOtaCoordinator::applyWorkerResult(const std::shared_ptr<WorkerOutcome> &outcome)
{
    // A result whose flow has ended (and been settled by finishUpgrade) is old news.
    if (outcome != m_outcome)
        return;
    m_worker.release();
    m_outcome.reset();
    takeOutcome(*outcome);
    if (!m_dialog)
        return;
    if (outcome->success) {
        m_dialog->setProgress(100);
        m_dialog->showUpToDate(m_newVersion);
    } else {
        qWarning().noquote() << QStringLiteral("[ManualOTA] failed: %1").arg(outcome->text);
        m_dialog->showFailure(tr("升级失败"));
    }
}

void ManualFirmwareOtaCoordinator::takeOutcome(const WorkerOutcome &outcome)
{
    m_succeeded = outcome.success;
    m_message = outcome.text;
}

void ManualFirmwareOtaCoordinator::finishUpgrade()
{
    m_busy = false;
    m_session.cancelPendingPhase();
    m_worker.release();
    // The dialog went before the worker's result was shown: it still counts.
    if (const std::shared_ptr<WorkerOutcome> outcome = std::exchange(m_outcome, nullptr))
        takeOutcome(*outcome);

    bool success = false;
    QString detail;
    if (m_started) {
        success = m_succeeded;
        detail = m_message;
    } else if (m_image.isEmpty()) {
        detail = tr("固件下载失败");
    } else {
        detail = tr("升级未开始。");
    }
    m_image.clear();
    m_session.endOtaSession();
    delete m_dialog.data();
    emit upgradeFinished(success, detail, m_target);
}
