// HidProtocolService: the Qor decoder's EQ path.
#include "hid/HidProtocolService.h"

#include "protocol/CbQaspEqEncoder.h"
#include "protocol/IHidTransport.h"

#include <QMetaObject>

namespace {

const QString kWriteFailed = QStringLiteral("eq report write failed");

} // namespace

bool HidProtocolService::isQorTargetDevice() const
{
    return transport && isQorDevicePath(transport->currentDeviceId());
}

bool HidProtocolService::isQorDevicePath(const QString &path)
{
    return HidProtocolServiceQorSession::isQorDevicePath(path);
}

bool HidProtocolService::sendQorCbQaspEqChain(const HeadsetProtocol::EQData &eq, QString *error)
{
    const auto refuse = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (!transport)
        return false;
    if (!qorSession.active)
        return refuse(QStringLiteral("not qor bypass session"));
    if (!transportConnected)
        return refuse(QStringLiteral("transport not ready"));
    const QString deviceId = transport->currentDeviceId();
    if (deviceId.isEmpty())
        return refuse(QStringLiteral("no current device"));
    if (!HeadsetProtocol::validateEQData(eq))
        return refuse(QStringLiteral("invalid eq data"));

    QString encoderError;
    int handed = 0;
    qorDelivery.beginChain(deviceId, qorRefusalDropsOldest);
    qorHandingOver = true;
    const bool built = CbQaspEqEncoder::buildChain(
        transport, deviceId, eq, &encoderError, [this](const QString &line) { emit logMessage(line); }, &handed);
    qorHandingOver = false;
    const HidProtocolServiceQorDelivery::Outcome outcome = qorDelivery.endChain(handed, !built);

    if (!built) {
        // The encoder checks the whole chain before the first write, so a
        // refused EQ sent nothing: a refusal like the guards above, reported
        // by the caller through the returned text, never as a signal.
        log(QStringLiteral("[HID][QOR][CbQasp][EQ] chain failed: %1").arg(encoderError));
        if (error)
            *error = encoderError;
        return false;
    }
    log(QStringLiteral("[HID][QOR][CbQasp][EQ] chain enqueued: 8×0x09+0x03+0x0A+0x01 (no 0x07); wire: fc int Hz "
                       "[20,20k], Q×2dp, gain dB×1dp; logical_bands=%2 device=%1")
            .arg(deviceId, QString::number(eq.bandCount)));
    if (outcome.result != HidProtocolServiceQorDelivery::Result::None) {
        // The transport answered during the hand-over (a full queue).
        QMetaObject::invokeMethod(
            this, [this, outcome] { reportQorOutcome(outcome, kWriteFailed); }, Qt::QueuedConnection);
    }
    return true;
}

void HidProtocolService::onTransportDataSent(const QString &dataId, bool success, int bytes)
{
    if (dataId != CbQaspEqEncoder::kDataId)
        return;
    // A report counts as written only in full.
    const HidProtocolServiceQorDelivery::Outcome outcome =
        qorDelivery.reportWritten(success && bytes >= CbQaspEqEncoder::kReportSize);
    if (outcome.result == HidProtocolServiceQorDelivery::Result::None)
        return;
    if (qorHandingOver) {
        // Answered inside sendQorCbQaspEqChain: told after it returns.
        QMetaObject::invokeMethod(
            this, [this, outcome] { reportQorOutcome(outcome, kWriteFailed); }, Qt::QueuedConnection);
        return;
    }
    reportQorOutcome(outcome, kWriteFailed);
}

void HidProtocolService::reportQorOutcome(const HidProtocolServiceQorDelivery::Outcome &outcome, const QString &failure)
{
    if (outcome.result == HidProtocolServiceQorDelivery::Result::Delivered) {
        log(QStringLiteral("[HID][QOR][CbQasp][EQ] chain delivered: %1 reports written device=%2")
                .arg(QString::number(CbQaspEqEncoder::kChainReportCount), outcome.deviceId));
        // The decoder is never validated and sends nothing back, so a chain
        // written in full is its pass after a reconnect. The I/O thread
        // reads once after each write, and a decoder whose reads fail is taken
        // down within a few of them, before a chain's eleventh report.
        if (qorSession.active && transportBoundTo(outcome.deviceId))
            startCommFaultHealthyPeriod(outcome.deviceId);
        emit eqSendSucceeded();
    } else if (outcome.result == HidProtocolServiceQorDelivery::Result::Failed) {
        log(QStringLiteral("[HID][QOR][CbQasp][EQ] chain not delivered: %1 device=%2").arg(failure, outcome.deviceId));
        emit eqSendFailed(failure);
    }
}

void HidProtocolService::failQorChains(const QString &reason)
{
    for (const QString &deviceId : qorDelivery.abandonAll())
        reportQorOutcome({HidProtocolServiceQorDelivery::Result::Failed, deviceId}, reason);
}

void HidProtocolService::failQorChainsOfOtherDevices(const QString &connectedDeviceId)
{
    // Moving to another device empties the transport's send queue without a
    // disconnect report for the device it left.
    for (const QString &deviceId : qorDelivery.abandonOthers(connectedDeviceId))
        reportQorOutcome({HidProtocolServiceQorDelivery::Result::Failed, deviceId},
                         QStringLiteral("transport switched device"));
}
