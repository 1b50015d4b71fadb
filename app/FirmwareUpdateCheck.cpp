#include "app/FirmwareUpdateCheck.h"

#include "app/dialogs/UpdateAvailableDialog.h"
#include "cloud/FirmwareApi.h"
#include "cloud/UpdateVersion.h"
#include "devicepages/EquipmentSettingsBar.h"
#include "devicepages/MoreSettingsContent.h"
#include "widgets/WindowBlurBackdrop.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <QWidget>
#include <QtDebug>

namespace {
constexpr quint8 kBasicInfoReceiverFirmware = 0x04;
constexpr quint8 kBasicInfoHeadsetFirmware = 0x05;

// The firmware texts belong to the main window's translation context.
QString windowText(const char *source)
{
    return QCoreApplication::translate("HeadphonesDevice", source);
}

QString normalized(const QString &version)
{
    return EarphoneApi::FirmwareApi::normalizeVersion(version.trimmed());
}

bool offersUpgrade(const EarphoneApi::PcFirmwareEntry &entry, const QString &current)
{
    const QString latest = normalized(entry.version);
    const QString installed = normalized(current);
    return entry.isValid() && !latest.isEmpty() && !installed.isEmpty()
        && RemoteUpdate::isNewerVersion(latest, installed);
}
} // namespace

FirmwareUpdateCheck::FirmwareUpdateCheck(QWidget *window) : QObject(window), m_window(window)
{
}

FirmwareUpdateCheck::~FirmwareUpdateCheck() = default;

void FirmwareUpdateCheck::setTimings(int periodMs, int throttleMs, const QList<int> &readbackDelaysMs)
{
    m_periodMs = periodMs;
    m_throttleMs = throttleMs;
    m_readbackDelaysMs = readbackDelaysMs;
    if (m_periodicTimer)
        m_periodicTimer->setInterval(m_periodMs);
}

void FirmwareUpdateCheck::setFirmwareApi(EarphoneApi::FirmwareApi *api)
{
    if (m_api)
        disconnect(m_api, nullptr, this, nullptr);
    m_api = api;
    if (!api)
        return;
    connect(api, &EarphoneApi::FirmwareApi::pcFirmwareInfoReceived, this, &FirmwareUpdateCheck::onInfoReceived);
    connect(api, &EarphoneApi::FirmwareApi::pcFirmwareInfoFailed, this, &FirmwareUpdateCheck::onInfoFailed);
}

void FirmwareUpdateCheck::setPages(MoreSettingsContent *moreSettings, EquipmentSettingsBar *sidebar)
{
    m_moreSettings = moreSettings;
    m_sidebar = sidebar;
}

void FirmwareUpdateCheck::setManualCoordinator(ManualFirmwareOtaCoordinator *coordinator)
{
    if (m_coordinator)
        disconnect(m_coordinator, nullptr, this, nullptr);
    m_coordinator = coordinator;
    if (!coordinator)
        return;
    connect(coordinator, &ManualFirmwareOtaCoordinator::upgradeFinished, this,
            [this](bool success, const QString &, ManualFirmwareOtaCoordinator::Target target) {
                m_manualUpgradeRunning = false;
                onManualUpgradeFinished(success, target);
            });
}

void FirmwareUpdateCheck::setProductIdSource(std::function<QString()> source)
{
    m_productId = std::move(source);
}

void FirmwareUpdateCheck::setDeviceGate(std::function<bool()> gate)
{
    m_deviceGate = std::move(gate);
}

void FirmwareUpdateCheck::setQuittingProbe(std::function<bool()> probe)
{
    m_quitting = std::move(probe);
}

void FirmwareUpdateCheck::setPromptBlocker(std::function<bool()> blocker)
{
    m_promptBlocked = std::move(blocker);
}

UpdateAvailableDialog *FirmwareUpdateCheck::promptDialog() const
{
    return m_prompt;
}

bool FirmwareUpdateCheck::isQuitting() const
{
    return m_quitting && m_quitting();
}

QString FirmwareUpdateCheck::productId() const
{
    return m_productId ? m_productId() : QString();
}

bool FirmwareUpdateCheck::canCheck() const
{
    return !isQuitting() && m_deviceGate && m_deviceGate() && !m_currentHeadsetVersion.trimmed().isEmpty()
        && !m_currentReceiverVersion.trimmed().isEmpty();
}

void FirmwareUpdateCheck::requestInfo()
{
    if (!m_api)
        return;
    m_checkInFlight = true;
    m_api->requestPcFirmwareInfo(productId());
}

bool FirmwareUpdateCheck::throttled() const
{
    return m_serverInfoHeld && m_lastCheck.isValid() && m_lastCheck.elapsed() < m_throttleMs;
}

void FirmwareUpdateCheck::onAutomaticCheck()
{
    if (!canCheck() || m_checkInFlight || !m_window->isVisible() || throttled())
        return;
    requestInfo();
}

void FirmwareUpdateCheck::checkNow()
{
    if (canCheck())
        requestInfo();
}

void FirmwareUpdateCheck::ensurePeriodicTimer()
{
    if (m_periodicTimer)
        return;
    m_periodicTimer = new QTimer(this);
    m_periodicTimer->setInterval(m_periodMs);
    connect(m_periodicTimer, &QTimer::timeout, this, &FirmwareUpdateCheck::onAutomaticCheck);
}

void FirmwareUpdateCheck::updatePeriodicTimer()
{
    ensurePeriodicTimer();
    const bool allowed = canCheck();
    if (allowed && !m_periodicTimer->isActive())
        m_periodicTimer->start();
    else if (!allowed && m_periodicTimer->isActive())
        m_periodicTimer->stop();
}

void FirmwareUpdateCheck::clearDeviceState()
{
    // The server's last answer and the upgrade under way outlive the device.
    m_currentHeadsetVersion.clear();
    m_currentReceiverVersion.clear();
    m_serverInfoHeld = false;
    m_lastCheck.invalidate();
    m_checkInFlight = false;
    m_headsetAvailable = false;
    m_receiverAvailable = false;
    m_latestHeadsetVersion.clear();
    m_latestReceiverVersion.clear();
    m_lastPromptedHeadsetVersion.clear();
    m_lastPromptedReceiverVersion.clear();
    m_promptDeferred = false;
}

void FirmwareUpdateCheck::onDeviceFirmwareInfo(const HeadsetProtocol::FirmwareInfo &info)
{
    if (isQuitting())
        return;
    if (!info.headsetVersion.trimmed().isEmpty())
        m_currentHeadsetVersion = normalized(info.headsetVersion);
    if (!info.dongleVersion.trimmed().isEmpty())
        m_currentReceiverVersion = normalized(info.dongleVersion);
    emit moreSettingsRefreshRequested();
    if (canCheck() && !m_checkInFlight && !throttled())
        requestInfo();
    updatePeriodicTimer();
}

void FirmwareUpdateCheck::onInfoReceived(const EarphoneApi::PcFirmwareInfoResult &result)
{
    m_checkInFlight = false;
    // An answer for a product that is no longer connected says nothing about this one.
    if (result.pid != productId())
        return;
    m_held = result;
    m_serverInfoHeld = true;
    m_lastCheck.start();
    apply();
}

void FirmwareUpdateCheck::onInfoFailed(int errorCode, const QString &message, const QString &requestPid)
{
    m_checkInFlight = false;
    if (requestPid != productId())
        return;
    qWarning().noquote()
        << QStringLiteral("[FirmwareCheck] failed pid=%1 code=%2 msg=%3").arg(requestPid).arg(errorCode).arg(message);
}

void FirmwareUpdateCheck::apply()
{
    MoreSettingsContent *more = m_moreSettings;
    if (!m_serverInfoHeld || !more || m_held.pid != productId())
        return;
    const QString currentHeadset = m_currentHeadsetVersion.trimmed();
    const QString currentReceiver = m_currentReceiverVersion.trimmed();
    const QString latestHeadset = normalized(m_held.firmware1.version);
    const QString latestReceiver = normalized(m_held.firmware2.version);
    if (!currentHeadset.isEmpty())
        more->setHeadphoneFirmwareVersion(currentHeadset);
    if (!currentReceiver.isEmpty())
        more->setReceiverFirmwareVersion(currentReceiver);

    const bool headset = offersUpgrade(m_held.firmware1, currentHeadset);
    const bool receiver = offersUpgrade(m_held.firmware2, currentReceiver);
    more->setHeadphoneOtaAvailable(headset, latestHeadset);
    more->setReceiverOtaAvailable(receiver, latestReceiver);
    more->setHeadphoneUpgradeButtonVisible(headset);
    more->setReceiverUpgradeButtonVisible(receiver);
    more->setHeadphoneOtaRowVisible(headset);
    more->setReceiverOtaRowVisible(receiver);
    if (m_sidebar)
        m_sidebar->setMoreSettingsRedDotVisible(headset || receiver);

    m_headsetAvailable = headset;
    m_receiverAvailable = receiver;
    m_latestHeadsetVersion = latestHeadset;
    m_latestReceiverVersion = latestReceiver;
    prompt();
}

void FirmwareUpdateCheck::prompt()
{
    if (isQuitting() || m_manualUpgradeRunning)
        return;
    if (!m_headsetAvailable && !m_receiverAvailable)
        return;
    if (!m_window->isVisible())
        return;
    if (m_prompt || QApplication::activeModalWidget() || (m_promptBlocked && m_promptBlocked())) {
        m_promptDeferred = true;
        return;
    }
    const QString headsetVersion = normalized(m_latestHeadsetVersion);
    const QString receiverVersion = normalized(m_latestReceiverVersion);
    const bool headsetNew =
        m_headsetAvailable && !headsetVersion.isEmpty() && headsetVersion != m_lastPromptedHeadsetVersion;
    const bool receiverNew =
        m_receiverAvailable && !receiverVersion.isEmpty() && receiverVersion != m_lastPromptedReceiverVersion;
    if (!headsetNew && !receiverNew)
        return;

    QString title;
    QString message;
    if (headsetNew && receiverNew) {
        title = windowText("发现固件新版本");
        message = windowText("耳机和接收器均有新版本，是否前往「更多设置」升级？");
    } else if (receiverNew) {
        title = windowText("发现接收器固件新版本");
        message = windowText("可升级至 %1，是否前往「更多设置」升级？")
                      .arg(versionDisplayText(m_latestReceiverVersion));
    } else {
        title = windowText("发现耳机固件新版本");
        message = windowText("可升级至 %1，是否前往「更多设置」升级？")
                      .arg(versionDisplayText(m_latestHeadsetVersion));
    }

    // Offered once, whatever the answer, while the device stays connected. Taken
    // down now, not at the answer: a device lost while the question is up
    // forgets it, and the next device is asked again.
    if (headsetNew)
        m_lastPromptedHeadsetVersion = headsetVersion;
    if (receiverNew)
        m_lastPromptedReceiverVersion = receiverVersion;

    auto *dialog = new UpdateAvailableDialog(m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setContent(title, message, windowText("稍后"), windowText("前往升级"));
    connect(dialog, &QDialog::finished, this, [this, dialog] { onPromptAnswered(dialog->choice()); });
    m_prompt = dialog;
    dialog->setWindowModality(Qt::ApplicationModal);
    WindowBlurBackdrop::showOver(m_window, dialog);
}

void FirmwareUpdateCheck::onPromptAnswered(int choice)
{
    m_prompt = nullptr;
    if (isQuitting())
        return;
    if (choice == UpdateAvailableDialog::Confirmed)
        emit moreSettingsRequested();
    // A newer offer that came while this question was up waited for it.
    resumeDeferredPrompt();
}

void FirmwareUpdateCheck::resumeDeferredPrompt()
{
    if (!m_promptDeferred)
        return;
    m_promptDeferred = false;
    prompt();
}

QString FirmwareUpdateCheck::versionDisplayText(const QString &version)
{
    const QString n = normalized(version);
    if (n.isEmpty())
        return QStringLiteral("-");
    if (n.startsWith(QLatin1Char('V'), Qt::CaseInsensitive))
        return n;
    return QStringLiteral("V.") + n;
}

void FirmwareUpdateCheck::startManualUpgrade(ManualFirmwareOtaCoordinator::Target target)
{
    if (isQuitting() || !m_coordinator || !m_serverInfoHeld)
        return;
    const bool headset = target == ManualFirmwareOtaCoordinator::Headset;
    const EarphoneApi::PcFirmwareEntry entry = headset ? m_held.firmware1 : m_held.firmware2;
    if (entry.version.isEmpty() || entry.url.isEmpty())
        return;
    const QString current = headset ? m_currentHeadsetVersion : m_currentReceiverVersion;
    m_manualUpgradeRunning = true;
    const QPointer<FirmwareUpdateCheck> self(this);
    const QPointer<ManualFirmwareOtaCoordinator> coordinator(m_coordinator);
    m_coordinator->startUpgrade(target, entry.url, entry.version, current, productId());
    // The update has ended when this returns; one the coordinator refused never
    // reports, and must not hold back the firmware questions for good.
    if (self && coordinator && !coordinator->isBusy())
        m_manualUpgradeRunning = false;
}

void FirmwareUpdateCheck::onManualUpgradeFinished(bool success, ManualFirmwareOtaCoordinator::Target target)
{
    if (isQuitting())
        return;
    if (success) {
        const bool headset = target == ManualFirmwareOtaCoordinator::Headset;
        (headset ? m_lastPromptedHeadsetVersion : m_lastPromptedReceiverVersion).clear();
        if (m_serverInfoHeld) {
            const EarphoneApi::PcFirmwareEntry &entry = headset ? m_held.firmware1 : m_held.firmware2;
            if (entry.isValid())
                (headset ? m_currentHeadsetVersion : m_currentReceiverVersion) = normalized(entry.version);
            emit moreSettingsRefreshRequested();
        }
        // The device reports its new versions once it has restarted. The updated
        // part is asked first: each answer carries the other part's version as
        // last known, which before then is the one from before the update and
        // would offer the update just installed once more.
        const QList<quint8> types = headset
            ? QList<quint8>{kBasicInfoHeadsetFirmware, kBasicInfoReceiverFirmware}
            : QList<quint8>{kBasicInfoReceiverFirmware, kBasicInfoHeadsetFirmware};
        for (const int delayMs : m_readbackDelaysMs) {
            QTimer::singleShot(delayMs, this, [this, types] {
                if (!isQuitting())
                    emit basicInfoRequested(types);
            });
        }
    }
    checkNow();
}
