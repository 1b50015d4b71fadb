// The active EQ on its way to the headset: the selection mapped to a device
// record and sent (framed for the wireless headsets, as a Qasp chain for the
// Qor model), its outcome, the wait for the device link, and the snapshot of
// the last successful send that is restored once per device session.
#include "app/HeadphonesDevice.h"

#include "cloud/CloudEQItem.h"
#include "cloud/EQEffect.h"
#include "devicepages/EquipmentContentsBar.h"
#include "eq/EQCustomContent.h"
#include "eq/EQOfficialPresetContent.h"
#include "eq/EqDataMapper.h"
#include "eqcloud/EQCloudSharingContent.h"
#include "hid/HidProtocolService.h"
#include "protocol/TlvParser.h"

#include <QJsonObject>
#include <QTimer>
#include <QtDebug>

#include <utility>

using Source = EQActiveProfileCoordinator::Source;

namespace {
const QByteArray kSnapshotMagic("DRQ1");
constexpr char kSnapshotVersion = 0x01;
constexpr int kSnapshotHeadBytes = 6;

void warn(const QString &line)
{
    qWarning().noquote() << line;
}
} // namespace

EQActiveProfileCoordinator *HeadphonesDevice::eqCoordinator() const
{
    return m_contentBar ? m_contentBar->activeProfileCoordinator() : nullptr;
}

QByteArray HeadphonesDevice::buildDownlinkSnapshot(const HeadsetProtocol::EQData &record)
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

std::optional<HeadsetProtocol::EQData> HeadphonesDevice::parseDownlinkSnapshot(const QByteArray &snapshot)
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

void HeadphonesDevice::onActiveEqSelectionChanged(Source source, const QString &id)
{
    if (m_quitting || m_eq.restoringSelection || m_eq.clearingSelection)
        return;
    if (source != EQActiveProfileCoordinator::None && !id.trimmed().isEmpty()) {
        // The user's pick wins over a preview still waiting for the link.
        m_eq.ephemeralPending = false;
        // One send at a time: a new selection waits for the outcome of the one on its way,
        // so that outcome is never taken for the new selection's.
        if (m_deviceService && m_deviceService->isReadyForCommands() && !m_eq.sendInFlight && !m_eq.realtimeInFlight) {
            sendActiveEq(source, id);
        } else {
            m_eq.pickWaiting = true;
            startEqDownlinkRetry();
        }
        return;
    }
    m_eq.pickWaiting = false;
    if (!m_eq.realtimePending)
        stopEqDownlinkRetry();
}

std::optional<HeadsetProtocol::EQData> HeadphonesDevice::mapSelectionToEqData(Source source, const QString &id,
                                                                              QString *error)
{
    const QString key = id.trimmed();
    if (!m_deviceService || !m_contentBar || source == EQActiveProfileCoordinator::None || key.isEmpty())
        return std::nullopt;
    switch (source) {
    case EQActiveProfileCoordinator::OfficialBasic:
    case EQActiveProfileCoordinator::OfficialGame: {
        EQOfficialPresetContent *page = m_contentBar->officialPresetPage();
        EarphoneApi::EQEffect effect;
        if (!page || !page->findEffect(source, key, effect))
            return std::nullopt;
        return EqDataMapper::fromOfficialEffect(effect, error, m_serviceQorSessionActive);
    }
    case EQActiveProfileCoordinator::CloudDownload: {
        EQCloudSharingContent *page = m_contentBar->cloudSharingPage();
        EarphoneApi::CloudEQItem item;
        if (!page || !page->findCloudItemById(key, item))
            return std::nullopt;
        return EqDataMapper::fromCloudItem(item, error, m_serviceQorSessionActive);
    }
    case EQActiveProfileCoordinator::Custom: {
        bool ok = false;
        const int index = key.toInt(&ok, 10);
        if (!ok || index < 0) {
            if (error)
                *error = QStringLiteral("custom active id is not a valid sort index");
            return std::nullopt;
        }
        EQCustomContent *page = m_contentBar->customPage();
        QJsonObject slot;
        if (!page || !page->customPresetJson(index, slot))
            return std::nullopt;
        return m_serviceQorSessionActive ? EqDataMapper::fromQorCustomJson(slot, error)
                                         : EqDataMapper::fromCustomJson(slot, error);
    }
    default:
        return std::nullopt;
    }
}

void HeadphonesDevice::sendActiveEq(Source source, const QString &id)
{
    if (!m_deviceService || !m_contentBar || source == EQActiveProfileCoordinator::None || id.trimmed().isEmpty())
        return;
    QString error;
    const std::optional<HeadsetProtocol::EQData> record = mapSelectionToEqData(source, id, &error);
    if (record) {
        sendEqData(source, id, *record, false);
        return;
    }
    if (!error.isEmpty())
        warn(QStringLiteral("[EQ][Send] map failed source=%1 id=%2 error=%3").arg(int(source)).arg(id, error));
    m_eq.bootstrapPending = false;
}

void HeadphonesDevice::sendEqData(Source source, const QString &id, const HeadsetProtocol::EQData &record,
                                  bool fromBootstrap)
{
    if (!m_deviceService)
        return;
    if (fromBootstrap)
        m_eq.bootstrapInFlight = true;
    else
        m_eq.bootstrapPending = false; // a selection of the user replaces the restore
    m_eq.pendingSnapshot = buildDownlinkSnapshot(record);
    m_eq.pendingSource = source;
    m_eq.pendingId = id.trimmed();
    m_eq.sendInFlight = true;
    m_eq.pickWaiting = false; // whatever waited is the coordinator's selection, which this send carries or replaces
    ++m_eq.sendsStarted;
    stopEqDownlinkRetry();

    if (m_serviceQorSessionActive) {
        QString error;
        if (!m_deviceService->sendQorCbQaspEqChain(record, &error)) {
            warn(QStringLiteral("[EQ][Send] qor cb-qasp chain failed source=%1 id=%2 error=%3")
                     .arg(int(source))
                     .arg(id, error));
            onEqSendFailed(error.isEmpty() ? QStringLiteral("qor eq chain failed") : error);
        }
        return;
    }
    if (!m_deviceService->sendEqSettings(record)) {
        warn(QStringLiteral("[EQ][Send] hid send failed source=%1 id=%2").arg(int(source)).arg(id));
        onEqSendFailed(QStringLiteral("transport not ready"));
    }
}

void HeadphonesDevice::onEqSendSucceeded()
{
    if (m_quitting || !m_eq.sendInFlight)
        return;
    m_eq.sendInFlight = false;
    if (m_eq.bootstrapInFlight) {
        m_eq.bootstrapInFlight = false;
        m_eq.bootstrapDone = true;
        m_eq.bootstrapPending = false;
    }
    m_eq.lastAppliedSource = m_eq.pendingSource;
    m_eq.lastAppliedId = m_eq.pendingId;
    m_eq.lastAppliedHeld = true;
    const QByteArray snapshot = std::exchange(m_eq.pendingSnapshot, {});
    if (m_eq.realtimeInFlight && !m_eq.realtimePayloadInFlight.isEmpty())
        m_eq.lastAppliedRealtimePayload = m_eq.realtimePayloadInFlight;
    m_eq.realtimePayloadInFlight.clear();
    m_eq.realtimeInFlight = false;

    // Mode switch last: it may announce a selection, which starts the next send.
    EQActiveProfileCoordinator *coordinator = eqCoordinator();
    if (!snapshot.isEmpty() && coordinator) {
        const bool qor = isQorMode();
        coordinator->setQorMode(qor);
        coordinator->saveDownlinkSnapshot(qor, snapshot, m_eq.lastAppliedSource, m_eq.lastAppliedId);
    }
    if (m_eq.realtimePending)
        QTimer::singleShot(0, this, &HeadphonesDevice::sendRealtimeEq);
}

void HeadphonesDevice::onEqSendFailed(const QString &reason)
{
    if (m_quitting || !m_eq.sendInFlight)
        return;
    const bool bootstrapFailed = m_eq.bootstrapInFlight;
    m_eq.bootstrapInFlight = false;
    m_eq.sendInFlight = false;
    m_eq.pendingSnapshot.clear();
    m_eq.realtimePayloadInFlight.clear();
    if (m_eq.realtimeInFlight) {
        m_eq.realtimeInFlight = false;
        warn(QStringLiteral("[EQ][Realtime] failed reason=%1 pending=%2").arg(reason).arg(m_eq.realtimePending ? 1 : 0));
        if (m_eq.realtimePending)
            QTimer::singleShot(0, this, &HeadphonesDevice::sendRealtimeEq);
    }
    if (bootstrapFailed && !m_eq.bootstrapDone)
        m_eq.bootstrapPending = false;
    warn(QStringLiteral("[EQ][Send] apply failed source=%1 id=%2 reason=%3")
             .arg(int(m_eq.pendingSource))
             .arg(m_eq.pendingId, reason));
    EQActiveProfileCoordinator *coordinator = eqCoordinator();
    if (coordinator && m_eq.pickWaiting) {
        // The user picked again while this send was on its way: that pick stands and goes next,
        // unless it is what the device holds already.
        startEqDownlinkRetry();
        return;
    }
    if (m_contentBar)
        m_contentBar->showTopToastFail(tr("设备下发失败，已恢复上次配置"), 1000);
    if (coordinator) {
        // The device keeps what it had; so does the selection.
        m_eq.restoringSelection = true;
        if (m_eq.lastAppliedSource != EQActiveProfileCoordinator::None && !m_eq.lastAppliedId.isEmpty())
            coordinator->setActiveSelection(m_eq.lastAppliedSource, m_eq.lastAppliedId);
        else
            coordinator->clearActiveSelection();
        m_eq.restoringSelection = false;
    }
}

void HeadphonesDevice::abandonEqSendInFlight(const QString &reason)
{
    // The device service drops the outcome of a request whose device went away.
    if (!m_eq.sendInFlight && !m_eq.realtimeInFlight)
        return;
    warn(QStringLiteral("[EQ][Send] in-flight send dropped source=%1 id=%2 reason=%3")
             .arg(int(m_eq.pendingSource))
             .arg(m_eq.pendingId, reason));
    m_eq.sendInFlight = false;
    m_eq.bootstrapInFlight = false;
    m_eq.pendingSnapshot.clear();
    m_eq.realtimeInFlight = false;
    m_eq.realtimePayloadInFlight.clear();
}

bool HeadphonesDevice::isEqDownlinkRetryRunning() const
{
    return m_eq.retryTimer && m_eq.retryTimer->isActive();
}

void HeadphonesDevice::startEqDownlinkRetry()
{
    if (m_quitting)
        return;
    if (!m_eq.retryTimer) {
        m_eq.retryTimer = new QTimer(this);
        connect(m_eq.retryTimer, &QTimer::timeout, this, &HeadphonesDevice::onEqDownlinkRetryTimeout);
    }
    if (m_eq.retryTimer->isActive())
        return;
    m_eq.retryTicksLeft = m_timings.eqRetryTicks;
    m_eq.retryTimer->start(m_timings.eqRetryIntervalMs);
}

void HeadphonesDevice::stopEqDownlinkRetry()
{
    if (m_eq.retryTimer)
        m_eq.retryTimer->stop();
    m_eq.retryTicksLeft = 0;
}

void HeadphonesDevice::onEqDownlinkRetryTimeout()
{
    if (m_quitting) {
        stopEqDownlinkRetry();
        return;
    }
    if (m_eq.sendInFlight || m_eq.realtimeInFlight)
        return;
    EQActiveProfileCoordinator *coordinator = eqCoordinator();
    if (!m_deviceService || !m_contentBar || !coordinator) {
        stopEqDownlinkRetry();
        return;
    }
    if (!m_deviceService->isReadyForCommands()) {
        if (--m_eq.retryTicksLeft <= 0) {
            warn(QStringLiteral("[EQ][DownlinkRetry] give up reason=link-not-ready-after-wait"));
            stopEqDownlinkRetry();
        }
        return;
    }
    bootstrapPersistedEq();
    if (m_eq.sendInFlight || m_eq.realtimeInFlight)
        return;
    if (m_eq.ephemeralPending) {
        applyEphemeralCloudEq(m_eq.ephemeralItem);
        if (!m_eq.sendInFlight)
            stopEqDownlinkRetry();
        return;
    }
    if (m_eq.bootstrapPending && !m_eq.bootstrapDone && !m_eq.bootstrapInFlight) {
        if (!isDeviceReadyForEq())
            return;
        if (--m_eq.retryTicksLeft <= 0) {
            warn(QStringLiteral("[EQ][PersistedBootstrap] give up reason=stale-pending-no-bootstrap-this-session"));
            stopEqDownlinkRetry();
            m_eq.bootstrapPending = false;
        }
        return;
    }
    if (!m_eq.realtimePending) {
        const Source source = coordinator->activeSource();
        const QString id = coordinator->activeId().trimmed();
        const bool deviceHoldsIt =
            m_eq.lastAppliedHeld && source == m_eq.lastAppliedSource && id == m_eq.lastAppliedId;
        if (source != EQActiveProfileCoordinator::None && !id.isEmpty() && !m_eq.restoringSelection
            && !m_eq.clearingSelection && !deviceHoldsIt) {
            sendActiveEq(source, id);
            if (m_eq.sendInFlight)
                return;
        }
        stopEqDownlinkRetry();
        return;
    }
    sendRealtimeEq();
}

void HeadphonesDevice::bootstrapPersistedEq()
{
    if (!m_eq.bootstrapPending || m_eq.bootstrapDone || m_eq.bootstrapInFlight)
        return;
    if (!isDeviceReadyForEq() || m_eq.clearingSelection || m_eq.restoringSelection || m_eq.sendInFlight
        || m_eq.realtimeInFlight)
        return;
    EQActiveProfileCoordinator *coordinator = eqCoordinator();
    if (!m_deviceService || !m_deviceService->isReadyForCommands() || !coordinator)
        return;
    const bool qor = isQorMode();
    coordinator->setQorMode(qor);
    // A mode switch announces that mode's selection, which may have been sent right away.
    if (m_eq.sendInFlight || !m_eq.bootstrapPending)
        return;
    const Source source = coordinator->activeSource();
    const QString id = coordinator->activeId().trimmed();
    if (source == EQActiveProfileCoordinator::None || id.isEmpty()) {
        m_eq.bootstrapPending = false;
        return;
    }
    QByteArray snapshot;
    if (!coordinator->loadDownlinkSnapshot(qor, source, id, &snapshot)) {
        m_eq.bootstrapPending = false;
        return;
    }
    if (const std::optional<HeadsetProtocol::EQData> record = parseDownlinkSnapshot(snapshot)) {
        // What the device got the last time, whatever the EQ pages hold now.
        sendEqData(source, id, *record, true);
        return;
    }
    coordinator->clearDownlinkSnapshotFor(qor);
    warn(QStringLiteral("[EQ][PersistedBootstrap] snapshot corrupt, cleared source=%1 id=%2").arg(int(source)).arg(id));
    m_eq.bootstrapPending = false;
}
