// EqDownlinkController: what a failed send leaves behind. The user is told,
// the selection goes back to what the device holds, an edit that failed goes
// back with it, and when the device may have taken the failed EQ all the same
// the restored one is sent once more, and again once the link is back when
// that is lost too.
#include "app/EqDownlinkController.h"

#include "protocol/CbQaspEqChainPlan.h"

#include <QTimer>

#include <utility>

using Source = EqDownlinkController::Source;

QString EqDownlinkController::qorRefusalToast(const HeadsetProtocol::EQData &record)
{
    const CbQaspEqChainPlan plan = CbQaspEqChainPlan::of(record);
    if (plan.refusal != CbQaspEqChainPlan::Refusal::BandOutOfRange)
        return {};
    return windowText("第%1段（%2 Hz）超出耳机滤波器的范围：该频率下增益过高或 Q 值过小。已恢复上次配置")
        .arg(plan.refusedSlot + 1)
        .arg(plan.filters[plan.refusedSlot].packet.fcHz);
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
        warn(QStringLiteral("[EQ][Send] restore resend failed source=%1 id=%2")
                 .arg(int(m_pendingSource))
                 .arg(m_pendingId));
        if (reason != deviceRejectedReason())
            failResend();
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
    if (m_sendInFlight)
        return;
    const bool selection = m_lastAppliedSource != EQActiveProfileCoordinator::None && !m_lastAppliedId.isEmpty();
    if (!selection && !m_lastAppliedRecord)
        return; // nothing this session sent stands to be put back
    if (!deviceReadyForCommands()) {
        // The restored selection waits for the link like a pick made meanwhile.
        if (selection) {
            m_pickWaiting = true;
            startRetry();
        }
        return;
    }
    warn(QStringLiteral("[EQ][Send] restore resend source=%1 id=%2")
             .arg(int(m_lastAppliedSource))
             .arg(m_lastAppliedId));
    m_resendingRestore = true;
    if (selection)
        sendActiveEq(m_lastAppliedSource, m_lastAppliedId);
    else
        sendEqData(EQActiveProfileCoordinator::None, QString(), *m_lastAppliedRecord, false);
    if (!m_sendInFlight)
        m_resendingRestore = false;
}

void EqDownlinkController::failResend()
{
    // The headset may still hold the EQ that failed first. The link is failing, so
    // no further try now: the selection waits for the link like a pick made
    // meanwhile, and goes when the link is back or the device validates again.
    if (m_lastAppliedSource != EQActiveProfileCoordinator::None && !m_lastAppliedId.isEmpty()) {
        m_pickWaiting = true;
        if (!deviceReadyForCommands())
            startRetry();
    }
    // The toast of the first failure said the previous EQ is back; on the page it is, on the headset not yet.
    if (hasPages())
        emit failureToastRequested(windowText("设备下发失败"), kToastMs);
}

void EqDownlinkController::revertEditedSlot(Source source, const QString &id)
{
    const int slot = customSlotIndex(source, id);
    if (slot < 0)
        return;
    if (slot != m_appliedSlotIndex || m_appliedSlotJson.isEmpty() || !m_pages.restoreCustomSlot) {
        warn(QStringLiteral("[EQ][Realtime] slot %1 keeps the failed edit: no content of it reached the device")
                 .arg(slot));
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
    // The selection goes back to the EQ the device held before the failed send.
    m_restoringSelection = true;
    // The failure has been told; a store that refuses this write as well is only logged.
    const auto change = EQActiveProfileCoordinator::Change::ByProgram;
    if (m_lastAppliedSource != EQActiveProfileCoordinator::None && !m_lastAppliedId.isEmpty())
        m_coordinator->setActiveSelection(m_lastAppliedSource, m_lastAppliedId, change);
    else
        m_coordinator->clearActiveSelection(change);
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
