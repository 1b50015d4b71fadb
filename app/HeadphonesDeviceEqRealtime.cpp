// EQ sends besides a new selection: an edited or re-imported custom slot that
// is the active EQ (sent again after a short quiet time), and a cloud EQ heard
// on the device without becoming the selection.
#include "app/HeadphonesDevice.h"

#include "devicepages/EquipmentContentsBar.h"
#include "eq/EQCustomContent.h"
#include "eq/EqDataMapper.h"
#include "hid/HidProtocolService.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QtDebug>

#include <utility>

using Source = EQActiveProfileCoordinator::Source;

void HeadphonesDevice::scheduleRealtimeEqSend(Source source, const QString &id)
{
    if (m_quitting)
        return;
    const QString key = id.trimmed();
    EQActiveProfileCoordinator *coordinator = eqCoordinator();
    if (source == EQActiveProfileCoordinator::None || key.isEmpty() || !coordinator || m_eq.restoringSelection)
        return;
    if (coordinator->activeSource() != source || coordinator->activeId().trimmed() != key)
        return;
    QByteArray payload;
    if (source == EQActiveProfileCoordinator::Custom) {
        bool ok = false;
        const int index = key.toInt(&ok, 10);
        EQCustomContent *page = m_contentBar ? m_contentBar->customPage() : nullptr;
        QJsonObject slot;
        if (!ok || index < 0 || !page || !page->customPresetJson(index, slot))
            return;
        payload = QJsonDocument(slot).toJson(QJsonDocument::Compact);
    }
    m_eq.realtimeSource = source;
    m_eq.realtimeId = key;
    m_eq.realtimePayload = payload;
    m_eq.realtimePending = true;
    if (!m_eq.realtimeDebounce) {
        m_eq.realtimeDebounce = new QTimer(this);
        m_eq.realtimeDebounce->setSingleShot(true);
        connect(m_eq.realtimeDebounce, &QTimer::timeout, this, &HeadphonesDevice::sendRealtimeEq);
    }
    m_eq.realtimeDebounce->start(m_timings.realtimeEqDebounceMs);
}

void HeadphonesDevice::sendRealtimeEq()
{
    if (m_quitting || !m_eq.realtimePending)
        return;
    if (m_eq.sendInFlight || m_eq.realtimeInFlight) {
        if (m_eq.realtimeDebounce)
            m_eq.realtimeDebounce->start(m_timings.realtimeEqDebounceMs);
        return;
    }
    EQActiveProfileCoordinator *coordinator = eqCoordinator();
    if (!m_contentBar || !coordinator) {
        qWarning().noquote() << QStringLiteral("[EQ][Realtime] drop reason=missing-content-bar-or-coordinator");
        return;
    }
    if (coordinator->activeSource() != m_eq.realtimeSource || coordinator->activeId().trimmed() != m_eq.realtimeId) {
        m_eq.realtimePending = false;
        m_eq.realtimePayload.clear();
        return;
    }
    if (!m_eq.realtimePayload.isEmpty() && m_eq.realtimePayload == m_eq.lastAppliedRealtimePayload) {
        m_eq.realtimePending = false; // the device holds this content already
        return;
    }
    if (!m_deviceService || !m_deviceService->isReadyForCommands()) {
        startEqDownlinkRetry();
        return;
    }
    m_eq.realtimePending = false;
    m_eq.realtimePayloadInFlight = std::exchange(m_eq.realtimePayload, {});
    m_eq.realtimeInFlight = true;
    const quint64 sendsBefore = m_eq.sendsStarted;
    sendActiveEq(m_eq.realtimeSource, m_eq.realtimeId);
    if (m_eq.sendsStarted == sendsBefore) {
        m_eq.realtimeInFlight = false;
        qWarning().noquote() << QStringLiteral("[EQ][Realtime] send-not-started source=%1 id=%2")
                                    .arg(int(m_eq.realtimeSource))
                                    .arg(m_eq.realtimeId);
    }
}

void HeadphonesDevice::dropRealtimeRequest()
{
    m_eq.realtimePending = false;
    m_eq.realtimePayload.clear();
    m_eq.realtimePayloadInFlight.clear();
    if (m_eq.realtimeDebounce)
        m_eq.realtimeDebounce->stop();
}

void HeadphonesDevice::onCustomPresetImported(int slot)
{
    EQActiveProfileCoordinator *coordinator = eqCoordinator();
    if (m_quitting || slot < 0 || slot > 9 || !coordinator)
        return;
    const QString id = QString::number(slot);
    if (coordinator->activeSource() == EQActiveProfileCoordinator::Custom && coordinator->activeId().trimmed() == id) {
        // An import is always sent, even with the content the device holds.
        m_eq.lastAppliedRealtimePayload.clear();
        scheduleRealtimeEqSend(EQActiveProfileCoordinator::Custom, id);
        return;
    }
    coordinator->setActiveSelection(EQActiveProfileCoordinator::Custom, id);
}

void HeadphonesDevice::applyEphemeralCloudEq(const EarphoneApi::CloudEQItem &item)
{
    if (m_quitting || !m_contentBar || !m_deviceService)
        return;
    // Waits for the link, and for the outcome of a send on its way.
    if (!m_deviceService->isReadyForCommands() || m_eq.sendInFlight || m_eq.realtimeInFlight) {
        m_eq.ephemeralItem = item;
        m_eq.ephemeralPending = true;
        startEqDownlinkRetry();
        return;
    }
    m_eq.ephemeralPending = false;
    QString error;
    const std::optional<HeadsetProtocol::EQData> record =
        EqDataMapper::fromCloudItem(item, &error, m_serviceQorSessionActive);
    if (!record) {
        if (!error.isEmpty()) {
            qWarning().noquote()
                << QStringLiteral("[EQ][EphemeralCloud] map failed id=%1 error=%2").arg(item.id.trimmed(), error);
        }
        m_contentBar->showTopToastFail(tr("音效映射失败，无法下发"), 1000);
        return;
    }
    if (EQActiveProfileCoordinator *coordinator = eqCoordinator()) {
        // The preview is no selection: the window ignores what these announce.
        m_eq.clearingSelection = true;
        coordinator->setQorMode(isQorMode());
        coordinator->clearActiveSelection();
        m_eq.clearingSelection = false;
        coordinator->clearDownlinkSnapshot();
    }
    m_eq.lastAppliedSource = EQActiveProfileCoordinator::None;
    m_eq.lastAppliedId.clear();
    dropRealtimeRequest();
    m_eq.lastAppliedRealtimePayload.clear();
    m_eq.bootstrapPending = false;
    sendEqData(EQActiveProfileCoordinator::None, QString(), *record, false);
}
