// EqDownlinkController: edits and re-imports of the active custom slot, sent
// after a quiet time, and the cloud EQ heard without becoming the selection.
#include "app/EqDownlinkController.h"

#include "eq/EqDataMapper.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <utility>

using Source = EqDownlinkController::Source;

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
        const int index = customSlotIndex(source, key);
        QJsonObject slot;
        if (index < 0 || !hasPages() || !m_pages.customSlot(index, slot))
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
