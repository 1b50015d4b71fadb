#include "app/EqDownlinkController.h"

#include "cloud/EQEffect.h"
#include "eq/EqDataMapper.h"
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
} // namespace

void EqDownlinkController::warn(const QString &line)
{
    qWarning().noquote() << line;
}

// The window's texts keep the window's translation context.
QString EqDownlinkController::windowText(const char *text)
{
    return QCoreApplication::translate("HeadphonesDevice", text);
}

int EqDownlinkController::customSlotIndex(Source source, const QString &id)
{
    if (source != EQActiveProfileCoordinator::Custom)
        return -1;
    bool ok = false;
    const int index = id.trimmed().toInt(&ok, 10);
    return ok && index >= 0 ? index : -1;
}

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
        const int index = customSlotIndex(source, key);
        if (index < 0) {
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
