// HidProtocolService: the automatic probe, automatic connection, the
// connection report and protocol validation.
#include "hid/HidProtocolService.h"

#include "hid/HidProtocolServiceFormat.h"
#include "hid/ProtocolProxy.h"
#include "protocol/IDeviceDiscovery.h"
#include "protocol/IHidTransport.h"

#include <QTimer>

namespace {

constexpr quint16 kVendorId = 0x3654;
constexpr quint16 kHeadsetProductId = 0x5055;
constexpr quint16 kReceiverProductId = 0x6901;
constexpr int kFramedInterface = 3;
constexpr quint16 kAcceptedCid = 0x2308;
constexpr quint16 kAcceptedBid = 0x0003;
constexpr int kInfoTypeDeviceId = 0x0B;
constexpr int kInfoTypeIdentity = -1; // the low eight bits ask for 0xFF

QString upperHex(quint16 value)
{
    return QString::number(value, 16).toUpper();
}

HIDTypes::TargetDeviceFilter framedFilter(quint16 productId)
{
    HIDTypes::TargetDeviceFilter filter;
    filter.vendorId = kVendorId;
    filter.productId = productId;
    filter.interfaceNumber = kFramedInterface;
    filter.hasVendorId = true;
    filter.hasProductId = true;
    filter.hasInterfaceNumber = true;
    return filter;
}

} // namespace

using HidProtocolServiceFormat::hex4;

void HidProtocolService::autoProbe()
{
    if (!discovery || !transport || !protocolProxy)
        return;
    for (const quint16 productId : {kHeadsetProductId, kReceiverProductId}) {
        discovery->addTargetDevice(framedFilter(productId));
        log(QStringLiteral("[HID] auto probe: filter VID=0x%1 PID=0x%2 interface=%3")
                .arg(upperHex(kVendorId), upperHex(productId))
                .arg(kFramedInterface));
    }
    discovery->addTargetDevice(HidProtocolServiceQorSession::probeFilter());
    log(QStringLiteral("[HID] auto probe: filter VID=0x3302 PID=0xC20E (interface any)"));

    const QList<HeadsetProtocol::DiscoveryDeviceInfo> devices = discovery->enumerateDevices();
    log(QStringLiteral("[HID] auto probe: enumerate %1 device(s)").arg(devices.size()));
    setTargetDevicePresent(!devices.isEmpty());
    tryAutoConnect(devices, QStringLiteral("auto probe"));
}

void HidProtocolService::onDeviceListUpdated(const QList<HeadsetProtocol::DiscoveryDeviceInfo> &devices)
{
    log(QStringLiteral("[HID] hotplug: device list updated count=%1").arg(devices.size()));
    commFaultTries = 0; // a device left alone after its failed tries gets them again
    endCommFaultHealthyPeriod(false);
    setTargetDevicePresent(!devices.isEmpty());
    tryAutoConnect(devices, QStringLiteral("hotplug auto-reconnect"));
}

void HidProtocolService::tryAutoConnect(const QList<HeadsetProtocol::DiscoveryDeviceInfo> &devices,
                                        const QString &reason)
{
    if (!transport || !protocolProxy || autoReconnectSuspended)
        return;
    const QString current = transport->currentDeviceId();
    if (!current.isEmpty()) {
        log(QStringLiteral("[HID] %1: skip auto-connect (transport already bound to %2)").arg(reason, current));
        return;
    }
    if (devices.isEmpty())
        return;
    if (autoConnectInProgress) {
        log(QStringLiteral("[HID] %1: skip auto-connect (auto-connect in progress)").arg(reason));
        return;
    }
    const qint64 now = nowMs();
    if (lastAutoConnectAtMs != 0 && now - lastAutoConnectAtMs < m_durations.autoConnectThrottleMs) {
        log(QStringLiteral("[HID] %1: skip auto-connect (throttle %2ms since last attempt)")
                .arg(reason)
                .arg(now - lastAutoConnectAtMs));
        return;
    }

    // The Qor decoder wins over a receiver or headset listed beside it.
    const HeadsetProtocol::DiscoveryDeviceInfo *chosen = &devices.first();
    for (const HeadsetProtocol::DiscoveryDeviceInfo &device : devices) {
        if (HidProtocolServiceQorSession::isQorDevice(device.vendorId, device.productId)) {
            chosen = &device;
            break;
        }
    }
    const QString deviceId = chosen->deviceId;
    qorSession.pendingQorMatch = HidProtocolServiceQorSession::isQorDevice(chosen->vendorId, chosen->productId);
    autoConnectInProgress = true;
    lastAutoConnectAtMs = now;

    const HIDTypes::ConnectResult result = transport->connectDevice(deviceId);
    autoConnectInProgress = false;
    if (!result.success) {
        qorSession.pendingQorMatch = false;
        log(QStringLiteral("[HID] %1: connect failed: %2")
                .arg(reason, result.message.isEmpty() ? QStringLiteral("unknown") : result.message));
        return;
    }
    log(QStringLiteral("[HID] %1: connected %2").arg(reason, deviceId));
}

void HidProtocolService::onTransportConnectionChanged(const QString &deviceId, bool connected)
{
    transportConnected = connected;
    if (connected) {
        failQorChainsOfOtherDevices(deviceId);
        const QList<HeadsetProtocol::DiscoveryDeviceInfo> devices =
            discovery ? discovery->enumerateDevices() : QList<HeadsetProtocol::DiscoveryDeviceInfo>{};
        // The listing can find the device already unplugged and run its
        // disconnect handling right here; validating it then would stay
        // pending for good and make its return look like a duplicate.
        if (!transportConnected || !transport || transport->currentDeviceId() != deviceId) {
            log(QStringLiteral("[HID] connection-ready: %1 gone during listing, skip prime").arg(deviceId));
        } else if (qorSession.handleConnectionReady(deviceId, devices)) {
            primeConnection(deviceId, QStringLiteral("connection-ready"));
        } else if (qorSession.active && protocolProxy) {
            protocolProxy->setHeartbeatEnabled(false);
            protocolProxy->resetTransportState();
            // Being ready is no pass: a decoder whose reads fail at once gets
            // this far on every try. Its pass is an EQ chain written in full.
        }
    } else {
        handleTransportDisconnected(deviceId);
    }
    log(QStringLiteral("[HID] %1 connectionChanged connected=%2").arg(deviceId).arg(connected ? 1 : 0));
}

void HidProtocolService::primeConnection(const QString &deviceId, const QString &reason)
{
    if (!transport || !protocolProxy || deviceId.isEmpty())
        return;
    if (autoReconnectSuspended) {
        log(QStringLiteral("[HID] %1: skip prime (recovery session active) for %2").arg(reason, deviceId));
        return;
    }
    const qint64 now = nowMs();
    if (deviceId == lastPrimeDeviceId && now - lastPrimeAtMs < m_durations.duplicatePrimeWindowMs) {
        log(QStringLiteral("[HID] %1: skip duplicated prime for %2").arg(reason, deviceId));
        return;
    }
    lastPrimeDeviceId = deviceId;
    lastPrimeAtMs = now;

    stopValidationTimer();
    protocolProxy->setStripReportId(true);
    protocolProxy->setHeartbeatIntervalMs(m_durations.heartbeatIntervalMs);
    protocolProxy->setHeartbeatEnabled(false);

    setProtocolValidated(false);
    headsetLinkConnected = false;
    headsetLinkKnown = false;

    validationPending = true;
    validationDeviceId = deviceId;
    validationAttempt = 1;

    clearSessionState();
    identityCid = 0;
    identityBid = 0;
    identityPid = 0;

    sendValidationQueries();
    log(QStringLiteral("[HID] %1: validating with 0x0B/0xFF before enabling heartbeat (%2)").arg(reason, deviceId));
    log(QStringLiteral("[HID][State] validation-start device=%1 attempt=%2/%3 timeoutMs=%4 heartbeatIntervalMs=%5")
            .arg(deviceId)
            .arg(validationAttempt)
            .arg(m_durations.validationAttempts)
            .arg(m_durations.validationTimeoutMs)
            .arg(m_durations.heartbeatIntervalMs));
    armValidationTimer();
}

void HidProtocolService::sendValidationQueries()
{
    if (!protocolProxy)
        return;
    // A retry asks only for what is still missing.
    if (!has0B) {
        protocolProxy->sendGetBasicInfo(kInfoTypeDeviceId);
        log(QStringLiteral("[HID][State] validation-query-sent type=0x0B"));
    }
    if (!hasFF) {
        protocolProxy->sendGetBasicInfo(kInfoTypeIdentity);
        log(QStringLiteral("[HID][State] validation-query-sent type=0xFF"));
    }
}

void HidProtocolService::armValidationTimer()
{
    if (!validationTimer || validationDeviceId.isEmpty())
        return;
    validationTimerDeviceId = validationDeviceId;
    validationTimer->start(m_durations.validationTimeoutMs);
}

void HidProtocolService::stopValidationTimer()
{
    if (validationTimer)
        validationTimer->stop();
    validationTimerDeviceId.clear();
    validationAttempt = 0;
}

bool HidProtocolService::handleValidationReply(const HeadsetProtocol::DeviceInfo &info)
{
    if (!validationPending)
        return false;
    // A reply during validation is never published, whoever it came from.
    if (!transport || !protocolProxy)
        return true;
    const QString current = transport->currentDeviceId();
    if (current.isEmpty() || current != validationDeviceId)
        return true;

    if (!info.deviceIdBytes.isEmpty()) {
        has0B = true;
        log(QStringLiteral("[HID] validation parse 0x0B: deviceId0B(hex)=%1")
                .arg(HidProtocolServiceFormat::hexDump(info.deviceIdBytes)));
    }
    if (info.deviceIdInfo) {
        hasFF = true;
        identityCid = info.deviceIdInfo->cid;
        identityBid = info.deviceIdInfo->bid;
        identityPid = info.deviceIdInfo->pid;
        log(QStringLiteral("[HID] validation parse 0xFF: CID=0x%1 BID=0x%2 PID=0x%3")
                .arg(hex4(identityCid), hex4(identityBid), hex4(identityPid)));
    }
    if (has0B && hasFF) {
        evaluateValidation(current);
    } else {
        log(QStringLiteral("[HID][State] validation-progress device=%1 has0B=%2 hasFF=%3")
                .arg(current)
                .arg(has0B ? 1 : 0)
                .arg(hasFF ? 1 : 0));
    }
    return true;
}

void HidProtocolService::evaluateValidation(const QString &deviceId)
{
    if (!validationPending || deviceId.isEmpty() || deviceId != validationDeviceId || !has0B || !hasFF)
        return;
    log(QStringLiteral("[HID] validation summary: has0B=%1 hasFF=%2 CID=0x%3 BID=0x%4 PID=0x%5")
            .arg(has0B ? 1 : 0)
            .arg(hasFF ? 1 : 0)
            .arg(hex4(identityCid), hex4(identityBid), hex4(identityPid)));

    const bool accepted = identityCid == kAcceptedCid && identityBid == kAcceptedBid && identityPid != 0;
    if (!accepted) {
        log(QStringLiteral("[HID] validation failed: 0x0B/0xFF not allowed (CID=0x%1 BID=0x%2 PID=0x%3), disconnect %4")
                .arg(hex4(identityCid), hex4(identityBid), hex4(identityPid), deviceId));
        stopValidationTimer();
        emit protocolValidationFailed(deviceId, IdentityRejected);
        disconnectDevice(deviceId);
        return;
    }

    stopValidationTimer();
    validationPending = false;
    validationDeviceId.clear();
    has0B = false;
    hasFF = false;
    backendProductId = identityPid;
    startCommFaultHealthyPeriod(deviceId);
    setProtocolValidated(true);
    log(QStringLiteral("[HID][State] protocol-product-id=%1 (backend pid)").arg(backendProductId));

    heartbeatPendingDeviceId = deviceId;
    awaitingDongleLinkReport = true;
    dongleLinkDeviceId = deviceId;
    log(QStringLiteral("[HID] validation passed, heartbeat arming (%1)").arg(deviceId));
    log(QStringLiteral("[HID][State] heartbeat-wait-first-packet device=%1 fallbackDelayMs=%2")
            .arg(deviceId)
            .arg(m_durations.heartbeatFallbackDelayMs));
    log(QStringLiteral("[HID][State] dongle-link-await-auto-report device=%1 timeoutMs=%2")
            .arg(deviceId)
            .arg(m_durations.dongleLinkQueryDelayMs));
    QTimer::singleShot(m_durations.dongleLinkQueryDelayMs, this, [this, deviceId] { queryDongleLink(deviceId); });
    QTimer::singleShot(m_durations.heartbeatFallbackDelayMs, this, [this, deviceId] { heartbeatFallback(deviceId); });
}

void HidProtocolService::onValidationTimeout()
{
    if (!transport || !validationPending || validationDeviceId.isEmpty() || validationTimerDeviceId != validationDeviceId
        || transport->currentDeviceId() != validationDeviceId) {
        return;
    }
    const QString deviceId = validationDeviceId;
    log(QStringLiteral("[HID][Diag] validation-timeout snapshot device=%1 attempt=%2/%3 has0B=%4 hasFF=%5 CID=0x%6 "
                       "BID=0x%7 PID=0x%8 hidRxDuringValidation=%9 lastSamples=%10")
            .arg(deviceId)
            .arg(validationAttempt)
            .arg(m_durations.validationAttempts)
            .arg(has0B ? 1 : 0)
            .arg(hasFF ? 1 : 0)
            .arg(hex4(identityCid), hex4(identityBid), hex4(identityPid))
            .arg(rxDuringValidation)
            .arg(lastRxSamples.isEmpty() ? QStringLiteral("(none)") : lastRxSamples.join(QStringLiteral(" ;; "))));

    if (validationAttempt >= m_durations.validationAttempts) {
        log(QStringLiteral("[HID] validation timeout, disconnect device (%1)").arg(deviceId));
        log(QStringLiteral("[HID][State] validation-timeout device=%1 action=disconnect attempts=%2")
                .arg(deviceId)
                .arg(m_durations.validationAttempts));
        stopValidationTimer();
        emit protocolValidationFailed(deviceId, ValidationTimeout);
        disconnectDevice(deviceId);
        return;
    }
    ++validationAttempt;
    log(QStringLiteral("[HID][State] validation-timeout-retry device=%1 nextAttempt=%2/%3 "
                       "action=resend-missing-queries")
            .arg(deviceId)
            .arg(validationAttempt)
            .arg(m_durations.validationAttempts));
    sendValidationQueries();
    armValidationTimer();
}

void HidProtocolService::abortValidationIfPending(const QString &deviceId, const QString &logLine)
{
    if (!validationPending || deviceId.isEmpty() || deviceId != validationDeviceId)
        return;
    log(logLine.arg(deviceId));
    emit protocolValidationFailed(deviceId, TransportLostDuringValidation);
    lastPrimeDeviceId.clear();
    lastPrimeAtMs = 0;
}
