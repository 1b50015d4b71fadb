#include "app/EqDownlinkController.h"

#include "cloud/EQEffect.h"
#include "eq/EqDataMapper.h"
#include "protocol/CbQaspEqChainPlan.h"
#include "protocol/TlvParser.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QtDebug>

#include <utility>

using Source = EqDownlinkController::Source;

namespace {
const QByteArray kSnapshotMagic("DRQ1");
constexpr char kSnapshotVersion = 0x01;
constexpr int kSnapshotHeadBytes = 6;
constexpr int kToastMs = 1000;
// A toast that says which band and why is a sentence to read.
constexpr int kExplainedToastMs = 3000;

void warn(const QString &line)
{
    qWarning().noquote() << line;
}

// The window's texts keep the window's translation context.
QString windowText(const char *text)
{
    return QCoreApplication::translate("HeadphonesDevice", text);
}

int customSlotIndex(Source source, const QString &id)
{
    if (source != EQActiveProfileCoordinator::Custom)
        return -1;
    bool ok = false;
    const int index = id.trimmed().toInt(&ok, 10);
    return ok && index >= 0 ? index : -1;
}
} // namespace

QString EqDownlinkController::deviceRejectedReason()
{
    return QStringLiteral("device rejected eq settings");
}

EqDownlinkController::EqDownlinkController(QObject *parent) : QObject(parent) {}

EqDownlinkController::~EqDownlinkController() = default;

void EqDownlinkController::setDeviceLink(DeviceLink link)
{
    m_link = std::move(link);
}

void EqDownlinkController::setPages(Pages pages)
{
    m_pages = std::move(pages);
}

void EqDownlinkController::setCoordinator(EQActiveProfileCoordinator *coordinator)
{
    m_coordinator = coordinator;
}

void EqDownlinkController::setTimings(const Timings &timings)
{
    m_timings = timings;
}

void EqDownlinkController::setQuittingProbe(std::function<bool()> quitting)
{
    m_quitting = std::move(quitting);
}

bool EqDownlinkController::quitting() const
{
    return m_quitting && m_quitting();
}

bool EqDownlinkController::hasDevice() const
{
    return m_link.readyForCommands && m_link.sendFramed && m_link.sendQorChain;
}

bool EqDownlinkController::deviceReadyForCommands() const
{
    return hasDevice() && m_link.readyForCommands();
}

bool EqDownlinkController::serviceQorSession() const
{
    return m_link.serviceQorSession && m_link.serviceQorSession();
}

bool EqDownlinkController::qorMode() const
{
    return m_link.qorMode && m_link.qorMode();
}

bool EqDownlinkController::deviceReadyForEq() const
{
    return m_link.readyForEq && m_link.readyForEq();
}

bool EqDownlinkController::isCoordinatorSelection(Source source, const QString &id) const
{
    return m_coordinator && m_coordinator->activeSource() == source && m_coordinator->activeId().trimmed() == id;
}

QByteArray EqDownlinkController::buildDownlinkSnapshot(const HeadsetProtocol::EQData &record)
{
    if (!HeadsetProtocol::validateEQData(record))
        return {};
    const QByteArray tlv = HeadsetProtocol::serializeEQData(record);
    if (tlv.isEmpty())
        return {};
    QByteArray snapshot = kSnapshotMagic;
    snapshot.append(kSnapshotVersion);
    snapshot.append(record.qorCustom ? char(0x01) : char(0x00));
    snapshot.append(tlv);
    return snapshot;
}

std::optional<HeadsetProtocol::EQData> EqDownlinkController::parseDownlinkSnapshot(const QByteArray &snapshot)
{
    if (snapshot.size() < kSnapshotHeadBytes || !snapshot.startsWith(kSnapshotMagic)
        || snapshot.at(4) != kSnapshotVersion)
        return std::nullopt;
    HeadsetProtocol::TlvParser parser(snapshot.mid(kSnapshotHeadBytes));
    if (!parser.parse())
        return std::nullopt;
    std::optional<HeadsetProtocol::EQData> record = HeadsetProtocol::parseEQData(parser);
    if (!record)
        return std::nullopt;
    record->qorCustom = snapshot.at(5) != 0;
    // Only valid records are ever stored: one that is not is damaged.
    if (!HeadsetProtocol::validateEQData(*record))
        return std::nullopt;
    return record;
}

// ---- A selection and its send -------------------------------------------------------------------

void EqDownlinkController::onActiveSelectionChanged(Source source, const QString &id)
{
    if (quitting() || m_restoringSelection || m_clearingSelection)
        return;
    if (source != EQActiveProfileCoordinator::None && !id.trimmed().isEmpty()) {
        // The user's pick wins over a preview still waiting for the link.
        m_ephemeralPending = false;
        // One send at a time: a new selection waits for the outcome of the one on its way,
        // so that outcome is never taken for the new selection's.
        if (deviceReadyForCommands() && !m_sendInFlight && !m_realtimeInFlight) {
            sendActiveEq(source, id);
        } else {
            m_pickWaiting = true;
            startRetry();
        }
        return;
    }
    m_pickWaiting = false;
    if (!m_realtimePending)
        stopRetry();
}

std::optional<HeadsetProtocol::EQData> EqDownlinkController::mapSelectionToEqData(Source source, const QString &id,
                                                                                  QString *error)
{
    const QString key = id.trimmed();
    if (!hasDevice() || !hasPages() || source == EQActiveProfileCoordinator::None || key.isEmpty())
        return std::nullopt;
    const bool qorSession = serviceQorSession();
    switch (source) {
    case EQActiveProfileCoordinator::OfficialBasic:
    case EQActiveProfileCoordinator::OfficialGame: {
        EarphoneApi::EQEffect effect;
        if (!m_pages.findOfficialEffect || !m_pages.findOfficialEffect(source, key, effect)) {
            // Not listed yet is no failure: the page announces its selection
            // again when its list arrives. A list without it is one.
            if (error && m_pages.officialListLoaded && m_pages.officialListLoaded())
                *error = QStringLiteral("official preset is not in the list");
            return std::nullopt;
        }
        return EqDataMapper::fromOfficialEffect(effect, error, qorSession);
    }
    case EQActiveProfileCoordinator::CloudDownload: {
        EarphoneApi::CloudEQItem item;
        if (!m_pages.findCloudItem || !m_pages.findCloudItem(key, item))
            return std::nullopt;
        return EqDataMapper::fromCloudItem(item, error, qorSession);
    }
    case EQActiveProfileCoordinator::Custom: {
        bool ok = false;
        const int index = key.toInt(&ok, 10);
        if (!ok || index < 0) {
            if (error)
                *error = QStringLiteral("custom active id is not a valid sort index");
            return std::nullopt;
        }
        QJsonObject slot;
        if (!m_pages.customSlot(index, slot))
            return std::nullopt;
        return qorSession ? EqDataMapper::fromQorCustomJson(slot, error) : EqDataMapper::fromCustomJson(slot, error);
    }
    default:
        return std::nullopt;
    }
}

void EqDownlinkController::sendActiveEq(Source source, const QString &id)
{
    if (!hasDevice() || !hasPages() || source == EQActiveProfileCoordinator::None || id.trimmed().isEmpty())
        return;
    QString error;
    const std::optional<HeadsetProtocol::EQData> record = mapSelectionToEqData(source, id, &error);
    if (record) {
        sendEqData(source, id, *record, false);
        return;
    }
    m_bootstrapPending = false;
    if (error.isEmpty())
        return; // not found on its page (yet): nothing was refused
    warn(QStringLiteral("[EQ][Send] map failed source=%1 id=%2 error=%3").arg(int(source)).arg(id, error));
    // A selection that cannot become a record fails like a refused send: the
    // user is told, and the selection goes back to what the device holds.
    beginSend(source, id, {}, false);
    failSend(error, false);
}

void EqDownlinkController::sendEqData(Source source, const QString &id, const HeadsetProtocol::EQData &record,
                                      bool fromBootstrap)
{
    if (!hasDevice())
        return;
    beginSend(source, id, buildDownlinkSnapshot(record), fromBootstrap);
    m_pendingRecord = record;

    // A send refused here wrote nothing: the device keeps what it had.
    if (serviceQorSession()) {
        QString error;
        if (!m_link.sendQorChain(record, &error)) {
            warn(QStringLiteral("[EQ][Send] qor cb-qasp chain failed source=%1 id=%2 error=%3")
                     .arg(int(source))
                     .arg(id, error));
            const QString toast = qorRefusalToast(record);
            failSend(error.isEmpty() ? QStringLiteral("qor eq chain failed") : error, false, toast,
                     toast.isEmpty() ? kToastMs : kExplainedToastMs);
        }
        return;
    }
    if (!m_link.sendFramed(record)) {
        warn(QStringLiteral("[EQ][Send] hid send failed source=%1 id=%2").arg(int(source)).arg(id));
        failSend(QStringLiteral("transport not ready"), false);
    }
}

QString EqDownlinkController::qorRefusalToast(const HeadsetProtocol::EQData &record)
{
    const CbQaspEqChainPlan plan = CbQaspEqChainPlan::of(record);
    if (plan.refusal != CbQaspEqChainPlan::Refusal::BandOutOfRange)
        return {};
    return windowText("第%1段（%2 Hz）超出耳机滤波器的范围：该频率下增益过高或 Q 值过小。已恢复上次配置")
        .arg(plan.refusedSlot + 1)
        .arg(plan.filters[plan.refusedSlot].packet.fcHz);
}

void EqDownlinkController::beginSend(Source source, const QString &id, const QByteArray &snapshot,
                                     bool fromBootstrap)
{
    if (fromBootstrap)
        m_bootstrapInFlight = true;
    else
        m_bootstrapPending = false; // a selection of the user replaces the restore
    m_pendingSnapshot = snapshot;
    m_pendingSource = source;
    m_pendingId = id.trimmed();
    m_pendingRecord.reset();
    m_pendingSlotJson = QJsonObject();
    const int slot = customSlotIndex(source, m_pendingId);
    if (slot >= 0 && hasPages())
        m_pages.customSlot(slot, m_pendingSlotJson);
    m_sendInFlight = true;
    m_pickWaiting = false; // whatever waited is the coordinator's selection, which this send carries or replaces
    ++m_sendsStarted;
    stopRetry();
}

void EqDownlinkController::onSendSucceeded()
{
    if (quitting() || !m_sendInFlight)
        return;
    m_sendInFlight = false;
    if (m_bootstrapInFlight) {
        m_bootstrapInFlight = false;
        m_bootstrapDone = true;
        m_bootstrapPending = false;
    }
    m_resendingRestore = false;
    m_lastAppliedSource = m_pendingSource;
    m_lastAppliedId = m_pendingId;
    m_lastAppliedHeld = true;
    m_lastAppliedRecord = std::exchange(m_pendingRecord, std::nullopt);
    if (const int slot = customSlotIndex(m_pendingSource, m_pendingId); slot >= 0 && !m_pendingSlotJson.isEmpty()) {
        m_appliedSlotIndex = slot;
        m_appliedSlotJson = m_pendingSlotJson;
    }
    const QByteArray snapshot = std::exchange(m_pendingSnapshot, {});
    if (m_realtimeInFlight && !m_realtimePayloadInFlight.isEmpty())
        m_lastAppliedRealtimePayload = m_realtimePayloadInFlight;
    m_realtimePayloadInFlight.clear();
    m_realtimeInFlight = false;

    // Mode switch last: it may announce a selection, which starts the next send.
    if (!snapshot.isEmpty() && m_coordinator) {
        const bool qor = qorMode();
        m_coordinator->setQorMode(qor);
        m_coordinator->saveDownlinkSnapshot(qor, snapshot, m_lastAppliedSource, m_lastAppliedId);
    }
    if (m_realtimePending)
        QTimer::singleShot(0, this, &EqDownlinkController::sendRealtimeEq);
}

void EqDownlinkController::onSendFailed(const QString &reason)
{
    failSend(reason, reason != deviceRejectedReason());
}

void EqDownlinkController::failSend(const QString &reason, bool deviceMayHoldIt, const QString &toastText,
                                    int toastMs)
{
    if (quitting() || !m_sendInFlight)
        return;
    const bool bootstrapFailed = m_bootstrapInFlight;
    const bool realtimeFailed = m_realtimeInFlight;
    const bool resendFailed = std::exchange(m_resendingRestore, false);
    m_bootstrapInFlight = false;
    m_sendInFlight = false;
    m_pendingSnapshot.clear();
    m_pendingRecord.reset();
    m_realtimePayloadInFlight.clear();
    if (m_realtimeInFlight) {
        m_realtimeInFlight = false;
        warn(QStringLiteral("[EQ][Realtime] failed reason=%1 pending=%2").arg(reason).arg(m_realtimePending ? 1 : 0));
        if (m_realtimePending)
            QTimer::singleShot(0, this, &EqDownlinkController::sendRealtimeEq);
    }
    if (bootstrapFailed && !m_bootstrapDone)
        m_bootstrapPending = false;
    warn(QStringLiteral("[EQ][Send] apply failed source=%1 id=%2 reason=%3")
             .arg(int(m_pendingSource))
             .arg(m_pendingId, reason));
    // Its answer late or lost, the send may have been stored: what the device holds is no longer known.
    if (deviceMayHoldIt)
        m_lastAppliedHeld = false;
    if (m_coordinator && m_pickWaiting) {
        // The user picked again while this send was on its way: that pick stands and goes next,
        // unless it is what the device holds already. Nothing is reverted, so no toast says so.
        startRetry();
        return;
    }
    if (resendFailed) {
        // The selection is back already and the user was told; the link is failing, so no further try.
        warn(QStringLiteral("[EQ][Send] restore resend failed source=%1 id=%2").arg(int(m_pendingSource)).arg(m_pendingId));
        return;
    }
    if (realtimeFailed)
        revertEditedSlot(m_pendingSource, m_pendingId);
    if (hasPages()) {
        emit failureToastRequested(toastText.isEmpty() ? windowText("设备下发失败，已恢复上次配置") : toastText,
                                   toastMs > 0 ? toastMs : kToastMs);
    }
    restoreLastApplied();
    // A late or lost answer: the device may hold what was reported failed.
    if (deviceMayHoldIt)
        resendRestored();
}

void EqDownlinkController::resendRestored()
{
    if (m_sendInFlight || !deviceReadyForCommands())
        return;
    const bool selection = m_lastAppliedSource != EQActiveProfileCoordinator::None && !m_lastAppliedId.isEmpty();
    if (!selection && !m_lastAppliedRecord)
        return; // nothing this session sent stands to be put back
    warn(QStringLiteral("[EQ][Send] restore resend source=%1 id=%2").arg(int(m_lastAppliedSource)).arg(m_lastAppliedId));
    m_resendingRestore = true;
    if (selection)
        sendActiveEq(m_lastAppliedSource, m_lastAppliedId);
    else
        sendEqData(EQActiveProfileCoordinator::None, QString(), *m_lastAppliedRecord, false);
    if (!m_sendInFlight)
        m_resendingRestore = false;
}

void EqDownlinkController::revertEditedSlot(Source source, const QString &id)
{
    const int slot = customSlotIndex(source, id);
    if (slot < 0)
        return;
    if (slot != m_appliedSlotIndex || m_appliedSlotJson.isEmpty() || !m_pages.restoreCustomSlot) {
        warn(QStringLiteral("[EQ][Realtime] slot %1 keeps the failed edit: no content of it reached the device").arg(slot));
        return;
    }
    // Later edits of the slot go back with it: they were made on top of the failed one.
    dropRealtimeRequest();
    m_pages.restoreCustomSlot(slot, m_appliedSlotJson);
    warn(QStringLiteral("[EQ][Realtime] slot %1 back to the content last applied").arg(slot));
}

void EqDownlinkController::restoreLastApplied()
{
    if (!m_coordinator)
        return;
    // The device keeps what it had; so does the selection.
    m_restoringSelection = true;
    if (m_lastAppliedSource != EQActiveProfileCoordinator::None && !m_lastAppliedId.isEmpty())
        m_coordinator->setActiveSelection(m_lastAppliedSource, m_lastAppliedId);
    else
        m_coordinator->clearActiveSelection();
    m_restoringSelection = false;
}

void EqDownlinkController::abandonSendInFlight(const QString &reason)
{
    // The device service drops the outcome of a request whose device went away.
    if (!m_sendInFlight && !m_realtimeInFlight)
        return;
    warn(QStringLiteral("[EQ][Send] in-flight send dropped source=%1 id=%2 reason=%3")
             .arg(int(m_pendingSource))
             .arg(m_pendingId, reason));
    m_sendInFlight = false;
    m_bootstrapInFlight = false;
    m_resendingRestore = false;
    m_pendingSnapshot.clear();
    m_pendingRecord.reset();
    m_realtimeInFlight = false;
    m_realtimePayloadInFlight.clear();
}

// ---- Waiting for the device link ---------------------------------------------------------------

bool EqDownlinkController::isRetryRunning() const
{
    return m_retryTimer && m_retryTimer->isActive();
}

void EqDownlinkController::startRetry()
{
    if (quitting())
        return;
    if (!m_retryTimer) {
        m_retryTimer = new QTimer(this);
        connect(m_retryTimer, &QTimer::timeout, this, &EqDownlinkController::onRetryTimeout);
    }
    if (m_retryTimer->isActive())
        return;
    m_retryTicksLeft = m_timings.retryTicks;
    m_retryTimer->start(m_timings.retryIntervalMs);
}

void EqDownlinkController::stopRetry()
{
    if (m_retryTimer)
        m_retryTimer->stop();
    m_retryTicksLeft = 0;
}

void EqDownlinkController::onRetryTimeout()
{
    if (quitting()) {
        stopRetry();
        return;
    }
    if (m_sendInFlight || m_realtimeInFlight)
        return;
    if (!hasDevice() || !hasPages() || !m_coordinator) {
        stopRetry();
        return;
    }
    if (!m_link.readyForCommands()) {
        if (--m_retryTicksLeft <= 0) {
            warn(QStringLiteral("[EQ][DownlinkRetry] give up reason=link-not-ready-after-wait"));
            stopRetry();
        }
        return;
    }
    bootstrapPersistedEq();
    if (m_sendInFlight || m_realtimeInFlight)
        return;
    if (m_ephemeralPending) {
        applyEphemeralCloudEq(m_ephemeralItem);
        if (!m_sendInFlight)
            stopRetry();
        return;
    }
    if (m_bootstrapPending && !m_bootstrapDone && !m_bootstrapInFlight) {
        if (!deviceReadyForEq())
            return;
        if (--m_retryTicksLeft <= 0) {
            warn(QStringLiteral("[EQ][PersistedBootstrap] give up reason=stale-pending-no-bootstrap-this-session"));
            stopRetry();
            m_bootstrapPending = false;
        }
        return;
    }
    if (!m_realtimePending) {
        const Source source = m_coordinator->activeSource();
        const QString id = m_coordinator->activeId().trimmed();
        const bool deviceHoldsIt = m_lastAppliedHeld && source == m_lastAppliedSource && id == m_lastAppliedId;
        if (source != EQActiveProfileCoordinator::None && !id.isEmpty() && !m_restoringSelection
            && !m_clearingSelection && !deviceHoldsIt) {
            sendActiveEq(source, id);
            if (m_sendInFlight)
                return;
        }
        stopRetry();
        return;
    }
    sendRealtimeEq();
}

// ---- The device session ------------------------------------------------------------------------

void EqDownlinkController::armBootstrap()
{
    if (!m_bootstrapDone)
        m_bootstrapPending = true;
}

void EqDownlinkController::startRetryForBootstrap()
{
    // A pick that waits is carried by the retry as well: the link going and
    // coming back stopped the retry, and nothing else would send it.
    if ((m_bootstrapPending && !m_bootstrapDone && !m_bootstrapInFlight) || m_pickWaiting)
        startRetry();
}

void EqDownlinkController::disarmBootstrap()
{
    m_bootstrapPending = false;
    m_bootstrapInFlight = false;
}

void EqDownlinkController::onDeviceLost()
{
    m_bootstrapPending = false;
    m_bootstrapInFlight = false;
    m_bootstrapDone = false;
    stopRetry();
    abandonSendInFlight(QStringLiteral("device-lost"));
    m_lastAppliedHeld = false; // a device that comes back holds what it holds
    m_lastAppliedRecord.reset();
    // A preview is for the moment it was asked; replayed at the next plug-in it would
    // replace the restored selection.
    m_ephemeralPending = false;
}

void EqDownlinkController::onValidationLost()
{
    // A request of the lost session is never answered: the selection it carried
    // waits for the link like a pick made meanwhile.
    if (m_sendInFlight && m_pendingSource != EQActiveProfileCoordinator::None)
        m_pickWaiting = true;
    abandonSendInFlight(QStringLiteral("validation-lost"));
    m_lastAppliedHeld = false;
}

void EqDownlinkController::bootstrapPersistedEq()
{
    if (!m_bootstrapPending || m_bootstrapDone || m_bootstrapInFlight)
        return;
    if (!deviceReadyForEq() || m_clearingSelection || m_restoringSelection || m_sendInFlight || m_realtimeInFlight)
        return;
    if (!deviceReadyForCommands() || !m_coordinator)
        return;
    const bool qor = qorMode();
    m_coordinator->setQorMode(qor);
    // A mode switch announces that mode's selection, which may have been sent right away.
    if (m_sendInFlight || !m_bootstrapPending)
        return;
    const Source source = m_coordinator->activeSource();
    const QString id = m_coordinator->activeId().trimmed();
    if (source == EQActiveProfileCoordinator::None || id.isEmpty()) {
        m_bootstrapPending = false;
        return;
    }
    QByteArray snapshot;
    if (!m_coordinator->loadDownlinkSnapshot(qor, source, id, &snapshot)) {
        m_bootstrapPending = false;
        return;
    }
    if (const std::optional<HeadsetProtocol::EQData> record = parseDownlinkSnapshot(snapshot)) {
        // What the device got the last time, whatever the EQ pages hold now.
        sendEqData(source, id, *record, true);
        return;
    }
    m_coordinator->clearDownlinkSnapshotFor(qor);
    warn(QStringLiteral("[EQ][PersistedBootstrap] snapshot corrupt, cleared source=%1 id=%2").arg(int(source)).arg(id));
    m_bootstrapPending = false;
}

void EqDownlinkController::adoptDeviceSelection(Source source, const QString &id)
{
    if (!m_coordinator)
        return;
    m_clearingSelection = true;
    m_coordinator->setActiveSelection(source, id);
    m_clearingSelection = false;
    m_lastAppliedSource = source;
    m_lastAppliedId = id;
    m_lastAppliedRecord.reset();
    m_pendingSource = source;
    m_pendingId = id;
    dropRealtimeRequest();
}

void EqDownlinkController::takeCurrentSelectionAsApplied()
{
    if (!m_coordinator)
        return;
    m_lastAppliedSource = m_coordinator->activeSource();
    m_lastAppliedId = m_coordinator->activeId();
    m_lastAppliedRecord.reset();
}

// ---- Edits of the active custom slot -----------------------------------------------------------

void EqDownlinkController::scheduleRealtimeSend(Source source, const QString &id)
{
    if (quitting())
        return;
    const QString key = id.trimmed();
    if (source == EQActiveProfileCoordinator::None || key.isEmpty() || !m_coordinator || m_restoringSelection)
        return;
    if (!isCoordinatorSelection(source, key))
        return;
    QByteArray payload;
    if (source == EQActiveProfileCoordinator::Custom) {
        bool ok = false;
        const int index = key.toInt(&ok, 10);
        QJsonObject slot;
        if (!ok || index < 0 || !hasPages() || !m_pages.customSlot(index, slot))
            return;
        payload = QJsonDocument(slot).toJson(QJsonDocument::Compact);
    }
    m_realtimeSource = source;
    m_realtimeId = key;
    m_realtimePayload = payload;
    m_realtimePending = true;
    if (!m_realtimeDebounce) {
        m_realtimeDebounce = new QTimer(this);
        m_realtimeDebounce->setSingleShot(true);
        connect(m_realtimeDebounce, &QTimer::timeout, this, &EqDownlinkController::sendRealtimeEq);
    }
    m_realtimeDebounce->start(m_timings.realtimeDebounceMs);
}

void EqDownlinkController::sendRealtimeEq()
{
    if (quitting() || !m_realtimePending)
        return;
    if (m_sendInFlight || m_realtimeInFlight) {
        if (m_realtimeDebounce)
            m_realtimeDebounce->start(m_timings.realtimeDebounceMs);
        return;
    }
    if (!hasPages() || !m_coordinator) {
        warn(QStringLiteral("[EQ][Realtime] drop reason=missing-content-bar-or-coordinator"));
        return;
    }
    if (!isCoordinatorSelection(m_realtimeSource, m_realtimeId)) {
        m_realtimePending = false;
        m_realtimePayload.clear();
        return;
    }
    if (!m_realtimePayload.isEmpty() && m_realtimePayload == m_lastAppliedRealtimePayload) {
        m_realtimePending = false; // the device holds this content already
        return;
    }
    if (!deviceReadyForCommands()) {
        startRetry();
        return;
    }
    m_realtimePending = false;
    m_realtimePayloadInFlight = std::exchange(m_realtimePayload, {});
    m_realtimeInFlight = true;
    const quint64 sendsBefore = m_sendsStarted;
    sendActiveEq(m_realtimeSource, m_realtimeId);
    if (m_sendsStarted == sendsBefore) {
        m_realtimeInFlight = false;
        warn(QStringLiteral("[EQ][Realtime] send-not-started source=%1 id=%2")
                 .arg(int(m_realtimeSource))
                 .arg(m_realtimeId));
    }
}

void EqDownlinkController::dropRealtimeRequest()
{
    m_realtimePending = false;
    m_realtimePayload.clear();
    m_realtimePayloadInFlight.clear();
    if (m_realtimeDebounce)
        m_realtimeDebounce->stop();
}

void EqDownlinkController::onCustomPresetImported(int slot)
{
    if (quitting() || slot < 0 || slot > 9 || !m_coordinator)
        return;
    const QString id = QString::number(slot);
    if (isCoordinatorSelection(EQActiveProfileCoordinator::Custom, id)) {
        // An import is always sent, even with the content the device holds.
        m_lastAppliedRealtimePayload.clear();
        scheduleRealtimeSend(EQActiveProfileCoordinator::Custom, id);
        return;
    }
    m_coordinator->setActiveSelection(EQActiveProfileCoordinator::Custom, id);
}

// ---- A cloud EQ heard without becoming the selection -------------------------------------------

void EqDownlinkController::applyEphemeralCloudEq(const EarphoneApi::CloudEQItem &item)
{
    if (quitting() || !hasPages() || !hasDevice())
        return;
    // Waits for the link, and for the outcome of a send on its way.
    if (!m_link.readyForCommands() || m_sendInFlight || m_realtimeInFlight) {
        m_ephemeralItem = item;
        m_ephemeralPending = true;
        startRetry();
        return;
    }
    m_ephemeralPending = false;
    QString error;
    const std::optional<HeadsetProtocol::EQData> record = EqDataMapper::fromCloudItem(item, &error, serviceQorSession());
    if (!record) {
        if (!error.isEmpty())
            warn(QStringLiteral("[EQ][EphemeralCloud] map failed id=%1 error=%2").arg(item.id.trimmed(), error));
        emit failureToastRequested(windowText("音效映射失败，无法下发"), kToastMs);
        return;
    }
    if (m_coordinator) {
        // The preview is no selection: what these announce is ignored.
        m_clearingSelection = true;
        m_coordinator->setQorMode(qorMode());
        m_coordinator->clearActiveSelection();
        m_clearingSelection = false;
        m_coordinator->clearDownlinkSnapshot();
    }
    m_lastAppliedSource = EQActiveProfileCoordinator::None;
    m_lastAppliedId.clear();
    m_lastAppliedRecord.reset();
    dropRealtimeRequest();
    m_lastAppliedRealtimePayload.clear();
    m_bootstrapPending = false;
    sendEqData(EQActiveProfileCoordinator::None, QString(), *record, false);
}
