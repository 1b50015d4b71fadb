#include "ota/LegacyFirmwareRecoveryCoordinator.h"

#include "hid/HidProtocolService.h"
#include "ota/DevicePathTokens.h"
#include "ota/ui/LegacyRecoveryDialog.h"
#include "ota/OtaSessionRunner.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

namespace {
constexpr quint16 kLegacyHeadsetProductId = 0x5055;
// Headsets first, then the receiver.
constexpr std::uint32_t kCombinedMode = 2;
} // namespace

LegacyFirmwareRecoveryCoordinator::LegacyFirmwareRecoveryCoordinator(HidProtocolService *service, QWidget *parent)
    : QObject(parent)
    , m_service(service)
    , m_dialogParent(parent)
    , m_session(service, this)
    , m_promptTimer(new QTimer(this))
{
    m_session.setLogTag(QStringLiteral("LegacyOTA"));
    m_matchSettings.firmwareDirectory =
        (QCoreApplication::applicationDirPath() + QStringLiteral("/firmware")).toStdString();
    setDurations(OtaFlowDurations{});
    m_promptTimer->setSingleShot(true);
    if (m_service) {
        connect(m_service, &HidProtocolService::protocolValidationFailed, this,
                &LegacyFirmwareRecoveryCoordinator::onProtocolValidationFailed, Qt::DirectConnection);
    }
}

// The device service may be gone already: only the worker is waited for,
// and a prompt still up is closed so that showRecoveryPrompt comes back.
LegacyFirmwareRecoveryCoordinator::~LegacyFirmwareRecoveryCoordinator()
{
    m_session.cancelPendingPhase();
    m_worker.release();
    if (m_dialog)
        m_dialog->done(QDialog::Rejected);
}

void LegacyFirmwareRecoveryCoordinator::setDurations(const OtaFlowDurations &durations)
{
    m_durations = durations;
    m_matchSettings.postModeReopenDelayMs = durations.postModeReopenDelayMs;
    m_session.setPhaseDelays(durations.firstPhaseDelayMs, durations.laterPhaseDelayMs);
}

void LegacyFirmwareRecoveryCoordinator::setFirmwareDirectory(const QString &path)
{
    m_matchSettings.firmwareDirectory = path.toStdString();
}

quint16 LegacyFirmwareRecoveryCoordinator::productIdFromPath(const QString &path)
{
    bool ok = false;
    const qulonglong value = OtaModule::hexDigitsAfter(path, QLatin1String("PID_")).toULongLong(&ok, 16);
    return ok ? quint16(value & 0xFFFF) : 0;
}

void LegacyFirmwareRecoveryCoordinator::onProtocolValidationFailed(const QString &deviceId)
{
    if (!m_enabled || !m_service || m_state != Idle || productIdFromPath(deviceId) != kLegacyHeadsetProductId
        || deviceId.isEmpty() || m_matchSettings.devicePathFilter.empty())
        return;
    const QString filter = QString::fromStdString(m_matchSettings.devicePathFilter).toLower();
    if (!deviceId.toLower().contains(filter))
        return;
    m_session.suspendAutoReconnect();
    m_state = PromptQueued;
    // Out of the service's signal: the prompt runs its own event loop.
    QTimer::singleShot(0, this, [this, deviceId] { showRecoveryPrompt(deviceId); });
}

void LegacyFirmwareRecoveryCoordinator::showRecoveryPrompt(const QString &deviceId)
{
    if (m_state != PromptQueued)
        return;
    m_state = Prompting;
    m_deviceId = deviceId;

    auto *dialog = new LegacyRecoveryDialog(m_dialogParent.data());
    m_dialog = dialog;
    // An unanswered prompt counts as "not now".
    connect(m_promptTimer, &QTimer::timeout, dialog, &QDialog::reject);
    connect(dialog->laterButton(), &QPushButton::clicked, dialog, &QDialog::reject);
    connect(dialog->confirmButton(), &QPushButton::clicked, dialog, &QDialog::accept);
    connect(dialog->upgradeButton(), &QPushButton::clicked, this, &LegacyFirmwareRecoveryCoordinator::startRecovery);
    m_promptTimer->start(m_durations.recoveryPromptTimeoutMs);

    const QPointer<LegacyFirmwareRecoveryCoordinator> self(this);
    const QPointer<LegacyRecoveryDialog> ownDialog(dialog);
    dialog->exec();
    if (!self) {
        delete ownDialog.data();
        return;
    }

    m_promptTimer->stop();
    m_promptTimer->disconnect(dialog);
    m_session.cancelPendingPhase();
    m_worker.release();
    ++m_workerSerial; // a result still on its way belongs to this prompt only
    // Restores the HID stack, lifts the suspension, reconnects what is there.
    m_session.endOtaSession();
    delete ownDialog.data();
    m_state = Idle;
}

void LegacyFirmwareRecoveryCoordinator::startRecovery()
{
    if (!m_dialog || m_state != Prompting)
        return;
    m_promptTimer->stop();
    m_dialog->hideChoices();
    m_dialog->setBusy(true);
    if (!m_service) {
        m_dialog->setBusy(false);
        m_dialog->reject();
        return;
    }
    m_dialog->showProgress();
    m_state = Upgrading;
    if (!m_session.beginOtaPhase([this] { runPhase(); })) {
        m_dialog->setBusy(false);
        m_dialog->showResult(false, tr("无法释放 HID 设备，升级未开始。"));
    }
}

void LegacyFirmwareRecoveryCoordinator::runPhase()
{
    if (!m_dialog || m_worker.exists())
        return;

    OtaSessionRunnerConfig config;
    static_cast<OtaDeviceMatchSettings &>(config) = m_matchSettings;
    config.mode = kCombinedMode;
    config.deviceHint = m_deviceId.toStdString();
    config.authenticateFirst = true;
    config.authenticateAfterReconnect = true;
    config.timings = m_durations.session;

    const quint64 serial = ++m_workerSerial;
    const QPointer<LegacyRecoveryDialog> guard(m_dialog);
    // The worker touches no widget: progress and the result are queued back
    // to this coordinator, which waits for the thread before it goes.
    m_worker.start([this, guard, config, serial] {
        const auto progress = [this, guard](int percent) {
            QMetaObject::invokeMethod(
                this,
                [guard, percent] {
                    if (guard)
                        guard->raiseProgress(percent);
                },
                Qt::QueuedConnection);
        };
        const OtaSessionRunnerResult result = runOtaSession(config, {}, progress);
        const QString message = result.success ? QString() : QString::fromStdString(result.message).trimmed();
        QTimer::singleShot(0, this, [this, serial, success = result.success, message] {
            applyRecoveryResult(serial, success, message);
        });
    });
}

void LegacyFirmwareRecoveryCoordinator::applyRecoveryResult(quint64 worker, bool success, const QString &message)
{
    if (worker != m_workerSerial)
        return;
    m_worker.release();
    if (!m_dialog)
        return;
    m_dialog->setBusy(false);
    QString text = message;
    if (!success && text.isEmpty())
        text = tr("未找到可用固件：请将耳机（remote）与 dongle 的 .ufw 放入应用程序目录下的 firmware 文件夹。");
    m_dialog->showResult(success, text);
}
