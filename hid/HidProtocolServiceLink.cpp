// HidProtocolService: the headset link, what the headset reports, the
// keep-alive heartbeat and the loss of the device.
#include "hid/HidProtocolService.h"

#include "hid/HidProtocolServiceFormat.h"
#include "hid/ProtocolProxy.h"
#include "protocol/IHidTransport.h"

#include <QTimer>

namespace {

constexpr int kInfoTypeBattery = 0x01;
constexpr int kInfoTypeName = 0x02;
constexpr int kInfoTypeLink = 0x09;
constexpr quint8 kLevelMask = 0x7F;
constexpr quint8 kChargingBit = 0x80;

QString linkName(quint8 status)
{
    switch (status) {
    case 0:
        return QStringLiteral("connected");
    case 1:
        return QStringLiteral("disconnected");
    default:
        return QStringLiteral("unknown");
    }
}

} // namespace

using HidProtocolServiceFormat::hex2;

void HidProtocolService::setHeadsetLinkConnected(bool connected, const QString &reason)
{
    if (headsetLinkKnown && headsetLinkConnected == connected)
        return;
    headsetLinkKnown = true;
    headsetLinkConnected = connected;
    log(QStringLiteral("[HID][State] headset-link changed=%1 reason=%2").arg(connected ? 1 : 0).arg(reason));
    emit headsetLinkChanged(connected);

    if (!connected || !protocolProxy || !transport || qorSession.active)
        return;
    const QString current = transport->currentDeviceId();
    if (current.isEmpty())
        return;
    linkUpDeviceId = current;
    awaitingLinkUpBattery = true;
    protocolProxy->sendGetBasicInfo(kInfoTypeBattery);
    protocolProxy->sendGetBasicInfo(kInfoTypeName);
    log(QStringLiteral("[HID][State] headset-link-up query-basic-info device=%1 types=0x01,0x02").arg(current));
    if (postResetRefreshPending) {
        postResetRefreshPending = false;
        log(QStringLiteral("[HID][State] post-factory-reset tone-volume queries scheduled on link-up"));
        armFactoryResetFollowUps(m_durations.factoryResetLinkUpDelaysMs, QStringLiteral("post-factory-reset"));
    }
}

void HidProtocolService::onNotifyDongleHeadsetLink(uchar status)
{
    if (awaitingDongleLinkReport) {
        awaitingDongleLinkReport = false;
        log(QStringLiteral("[HID][State] dongle-link-notify-received source=auto-report"));
    }
    log(QStringLiteral("[HID][Notify 0x11/0x04] dongle-headset link=%1(0x%2)").arg(linkName(status), hex2(status)));
    if (transportConnected)
        setHeadsetLinkConnected(status == 0, QStringLiteral("notify-0x11-0x04"));
}

void HidProtocolService::queryDongleLink(const QString &deviceId)
{
    if (const QString blocker = delayedStepBlocker(); !blocker.isEmpty()) {
        log(QStringLiteral("[HID][State] dongle-link-query-abort device=%1 reason=%2").arg(deviceId, blocker));
        return;
    }
    if (!awaitingDongleLinkReport) {
        log(QStringLiteral("[HID][State] dongle-link-query-skip device=%1 reason=auto-report-received").arg(deviceId));
        return;
    }
    if (dongleLinkDeviceId != deviceId) {
        log(QStringLiteral("[HID][State] dongle-link-query-abort device=%1 reason=query-target-changed target=%2")
                .arg(deviceId, dongleLinkDeviceId));
        return;
    }
    const QString current = transport->currentDeviceId();
    if (current != deviceId) {
        log(QStringLiteral("[HID][State] dongle-link-query-abort device=%1 reason=device-switched current=%2")
                .arg(deviceId, current));
        return;
    }
    awaitingDongleLinkReport = false;
    protocolProxy->sendGetBasicInfo(kInfoTypeLink);
    log(QStringLiteral("[HID][State] dongle-link-query-triggered device=%1 cmd=GetBasicInfo(0x09)").arg(deviceId));
}

void HidProtocolService::heartbeatFallback(const QString &deviceId)
{
    if (const QString blocker = delayedStepBlocker(); !blocker.isEmpty()) {
        log(QStringLiteral("[HID][State] heartbeat-fallback-abort device=%1 reason=%2").arg(deviceId, blocker));
        return;
    }
    if (heartbeatPendingDeviceId != deviceId) {
        log(QStringLiteral("[HID][State] heartbeat-fallback-skip device=%1 reason=already-enabled-or-cleared").arg(deviceId));
        return;
    }
    const QString current = transport->currentDeviceId();
    if (current != deviceId) {
        log(QStringLiteral("[HID][State] heartbeat-fallback-abort device=%1 reason=device-switched current=%2")
                .arg(deviceId, current));
        return;
    }
    protocolProxy->setHeartbeatEnabled(true);
    log(QStringLiteral("[HID] heartbeat fallback enabled (%1)").arg(deviceId));
    log(QStringLiteral("[HID][State] heartbeat-enabled device=%1 trigger=fallback").arg(deviceId));
    heartbeatPendingDeviceId.clear();
}

void HidProtocolService::onDeviceInfoReceived(const HeadsetProtocol::DeviceInfo &info)
{
    if (handleValidationReply(info))
        return;
    // A reply decoded before the device went away arrives after its reset;
    // publishing it would bring back values of a device that is gone.
    if (transport && protocolProxy && transportConnected)
        publishDeviceInfo(info);
}

void HidProtocolService::publishDeviceInfo(const HeadsetProtocol::DeviceInfo &info)
{
    const QString current = transport->currentDeviceId();
    const bool matched = !current.isEmpty() && current == linkUpDeviceId;

    const QString name = info.name.trimmed();
    if (!name.isEmpty()) {
        log(QStringLiteral("[HID][State] emit-headset-name source=get-basic-info value=\"%1\"").arg(name));
        emit headsetNameChanged(name);
    }

    // A reply without a battery part says nothing about the battery, and an
    // all-zero part is a real 0 % only as the answer to the link-up query.
    if (info.hasBattery) {
        const HeadsetProtocol::BatteryInfo &b = info.battery;
        const bool nonZero = b.rightPresent || b.casePresent || b.left != 0;
        const bool linkUpAnswer = awaitingLinkUpBattery && matched;
        if (nonZero || linkUpAnswer) {
            const int level = b.left & kLevelMask;
            log(QStringLiteral("[HID][State] emit-headset-battery source=get-basic-info value=%1").arg(level));
            emit headsetBatteryChanged(level);
        }
        if (linkUpAnswer)
            awaitingLinkUpBattery = false;
    }

    if (info.hasToneVolume && info.toneVolume >= 1 && info.toneVolume <= 7 && info.toneVolume != lastToneVolume) {
        lastToneVolume = info.toneVolume;
        log(QStringLiteral("[HID][State] emit-tone-volume source=get-basic-info value=%1").arg(lastToneVolume));
        emit headsetToneVolumeChanged(lastToneVolume);
    }

    if (info.firmware) {
        const HeadsetProtocol::FirmwareInfo &reply = *info.firmware;
        if (!cachedFirmwareInfo) {
            cachedFirmwareInfo = reply;
        } else {
            HeadsetProtocol::FirmwareInfo &cache = *cachedFirmwareInfo;
            if (!reply.headsetVersion.trimmed().isEmpty())
                cache.headsetVersion = reply.headsetVersion;
            if (!reply.dongleVersion.trimmed().isEmpty())
                cache.dongleVersion = reply.dongleVersion;
            cache.headsetFlag = cache.headsetFlag || reply.headsetFlag;
            cache.dongleFlag = cache.dongleFlag || reply.dongleFlag;
            cache.anyFlag = cache.headsetFlag || cache.dongleFlag;
        }
        log(QStringLiteral("[HID][State] emit-firmware-info source=get-basic-info headset=%1 dongle=%2")
                .arg(cachedFirmwareInfo->headsetVersion, cachedFirmwareInfo->dongleVersion));
        emit firmwareInfoChanged(*cachedFirmwareInfo);
    }

    if (info.dongleHeadsetLink)
        setHeadsetLinkConnected(*info.dongleHeadsetLink == 0, QStringLiteral("get-basic-info-0x09"));
}

void HidProtocolService::onNotifyBattery(const HeadsetProtocol::BatteryInfo &battery)
{
    const auto optionalHex = [](bool present, quint8 level) {
        return present ? QStringLiteral("0x%1").arg(hex2(level)) : QStringLiteral("-");
    };
    const auto optionalLevel = [](bool present, quint8 level) {
        return present ? QString::number(level & kLevelMask) : QStringLiteral("-");
    };
    const auto charging = [](bool present, quint8 level) { return present && (level & kChargingBit) ? 1 : 0; };

    log(QStringLiteral("[HID][Notify 0x11/0x01][Raw] battery L=0x%1 R=%2 C=%3")
            .arg(hex2(battery.left), optionalHex(battery.rightPresent, battery.right),
                 optionalHex(battery.casePresent, battery.caseLevel))
            .toUpper());
    log(QStringLiteral("[HID][Notify 0x11/0x01] battery L=%1%(chg=%2) R=%3%(chg=%4) C=%5%(chg=%6)")
            .arg(QString::number(battery.left & kLevelMask), QString::number(charging(true, battery.left)),
                 optionalLevel(battery.rightPresent, battery.right),
                 QString::number(charging(battery.rightPresent, battery.right)),
                 optionalLevel(battery.casePresent, battery.caseLevel),
                 QString::number(charging(battery.casePresent, battery.caseLevel))));
    if (!transportConnected)
        return; // decoded before the device went away
    const int level = battery.left & kLevelMask;
    log(QStringLiteral("[HID][State] emit-headset-battery source=notify value=%1").arg(level));
    emit headsetBatteryChanged(level);
}

void HidProtocolService::onNotifyEqAutoReport(const HeadsetProtocol::EQData &eq)
{
    log(QStringLiteral("[HID][Notify 0x11/0x02] EQ index=%1 bandCount=%2 totalGain(raw)=%3")
            .arg(eq.index)
            .arg(eq.bandCount)
            .arg(eq.totalGain));
    log(QStringLiteral("[HID][Notify 0x11/0x02] ignored (not used by current business flow)"));
}

void HidProtocolService::onNotifyNameAndHeadsetFirmware(const HeadsetProtocol::NotifyNameAndHeadsetFirmware &data)
{
    log(QStringLiteral("[HID][Notify 0x11/0x03] name=\"%1\" headsetFw=\"%2\" ota=%3")
            .arg(data.name, data.headsetFirmware, QString::number(data.otaState ? 1 : 0)));
    log(QStringLiteral("[HID][Notify 0x11/0x03] ignored (not used by current business flow)"));
}

void HidProtocolService::handleTransportDisconnected(const QString &deviceId)
{
    transportConnected = false;
    if (protocolProxy) {
        protocolProxy->setHeartbeatEnabled(false);
        protocolProxy->resetTransportState();
    }
    qorSession.pendingQorMatch = false;
    failQorChains(QStringLiteral("transport disconnected")); // their queue went with the device
    if (qorSession.active)
        qorSession.setActive(false, QStringLiteral("transport-disconnected"));
    abortValidationIfPending(deviceId, QStringLiteral("[HID][State] validation-aborted-by-transport-disconnect device=%1"));
    if (!validationDeviceId.isEmpty() || !heartbeatPendingDeviceId.isEmpty()) {
        log(QStringLiteral("[HID][State] connection-drop-clear validationDevice=%1 heartbeatPendingDevice=%2")
                .arg(validationDeviceId, heartbeatPendingDeviceId));
    }
    resetDeviceState();
    setProtocolValidated(false);
    setHeadsetLinkConnected(false, QStringLiteral("transport-disconnected"));
    failOutstandingEqSends(QStringLiteral("transport disconnected"));
    lastAutoConnectAtMs = 0;
    // The duplicate-prime window is for repeated reports of one connection; a
    // device that comes back after a disconnect is a new connection and must
    // be validated, or commands would reach a device nobody checked.
    lastPrimeDeviceId.clear();
    lastPrimeAtMs = 0;
    endCommFaultHealthyPeriod(false);
    // A device taken down by a fatal error may well still be on the bus: the
    // device list then never changes, and only a reconnect brings it back.
    if (!commFaultDeviceId.isEmpty() && commFaultDeviceId == deviceId) {
        commFaultDeviceId.clear();
        armCommFaultReconnect(deviceId);
    }
}

void HidProtocolService::onTransportCommError(const QString &deviceId, const QString &error, bool isFatal)
{
    if (protocolProxy && isFatal) {
        log(QStringLiteral("[HID][State] comm-fatal-clear device=%1").arg(deviceId));
        transportConnected = false;
        abortValidationIfPending(deviceId, QStringLiteral("[HID][State] validation-aborted-by-comm-fatal device=%1"));
        resetDeviceState();
        protocolProxy->setHeartbeatEnabled(false);
        protocolProxy->resetTransportState();
        setProtocolValidated(false);
        setHeadsetLinkConnected(false, QStringLiteral("fatal-comm-error"));
        failOutstandingEqSends(QStringLiteral("communication error"));
        endCommFaultHealthyPeriod(true); // failed again soon after a reconnect: that try failed
        commFaultDeviceId = deviceId; // reconnected once the stack has reported the loss
    }
    log(QStringLiteral("[HID] %1 %2 fatal=%3").arg(deviceId, error, QString::number(isFatal ? 1 : 0)));
}
