// HidProtocolService: exclusive firmware-update access, the reconnect
// suspension and the manual disconnects.
#include "hid/HidProtocolService.h"

#include "hid/HidManager.h"
#include "hid/ProtocolProxy.h"
#include "protocol/IDeviceDiscovery.h"
#include "protocol/IHidTransport.h"

bool HidProtocolService::beginExclusiveOtaSession()
{
    if (exclusiveOtaActive)
        return true;
    stopValidationTimer();
    qorSession.pendingQorMatch = false;
    transportConnected = false;
    validationPending = false;
    validationDeviceId.clear();
    has0B = false;
    hasFF = false;
    heartbeatPendingDeviceId.clear();
    awaitingDongleLinkReport = false;
    dongleLinkDeviceId.clear();
    awaitingLinkUpBattery = false;
    linkUpDeviceId.clear();
    headsetLinkKnown = false;

    setProtocolValidated(false);
    setHeadsetLinkConnected(false, QStringLiteral("exclusive-ota-begin"));
    if (protocolProxy) {
        protocolProxy->setHeartbeatEnabled(false);
        protocolProxy->resetTransportState();
    }
    failOutstandingEqSends(QStringLiteral("device released for firmware update"));
    cancelCommFaultReconnect();
    // The updater opens the devices itself: hidapi goes down with both HID threads.
    if (hidManager) {
        if (!hidManager->suspendForExclusiveOta()) {
            log(QStringLiteral("[HID][State] exclusive-ota-session refused: hidapi still in use"));
            return false;
        }
    } else if (transport) {
        transport->disconnectAll();
    }
    exclusiveOtaActive = true;
    log(QStringLiteral("[HID][State] exclusive-ota-session changed=1"));
    return true;
}

void HidProtocolService::endExclusiveOtaSession()
{
    if (!exclusiveOtaActive)
        return;
    if (hidManager)
        hidManager->resumeAfterExclusiveOta();
    exclusiveOtaActive = false;
    log(QStringLiteral("[HID][State] exclusive-ota-session changed=0"));
}

void HidProtocolService::setAutoReconnectSuspended(bool suspended)
{
    if (autoReconnectSuspended == suspended)
        return;
    autoReconnectSuspended = suspended;
    log(QStringLiteral("[HID][State] auto-reconnect-suspended changed=%1").arg(suspended ? 1 : 0));
}

void HidProtocolService::resumeAfterLegacyRecovery()
{
    if (!discovery || !transport || !protocolProxy || autoReconnectSuspended)
        return;
    const QList<HeadsetProtocol::DiscoveryDeviceInfo> devices = discovery->enumerateDevices();
    setTargetDevicePresent(!devices.isEmpty());
    tryAutoConnect(devices, QStringLiteral("legacy-recovery-resume"));
}

QList<HeadsetProtocol::DiscoveryDeviceInfo> HidProtocolService::availableDevices() const
{
    return discovery ? discovery->enumerateDevices() : QList<HeadsetProtocol::DiscoveryDeviceInfo>{};
}

QString HidProtocolService::currentDeviceId() const
{
    return transport ? transport->currentDeviceId() : QString();
}

void HidProtocolService::disconnectAll()
{
    manualDisconnect(QString(), true);
}

void HidProtocolService::disconnectDevice(const QString &deviceId)
{
    manualDisconnect(deviceId, false);
}

void HidProtocolService::manualDisconnect(const QString &deviceId, bool all)
{
    qorSession.pendingQorMatch = false;
    transportConnected = false;
    // Disconnected on purpose (quitting, a failed validation): not reconnected.
    cancelCommFaultReconnect();
    resetDeviceState();
    setProtocolValidated(false);
    setHeadsetLinkConnected(false, all ? QStringLiteral("manual-disconnect-all")
                                       : QStringLiteral("manual-disconnect-device"));
    if (protocolProxy) {
        protocolProxy->setHeartbeatEnabled(false);
        protocolProxy->resetTransportState();
    }
    failOutstandingEqSends(QStringLiteral("device disconnected"));
    // The transport's disconnect report then runs the disconnect handling too.
    if (transport) {
        if (all)
            transport->disconnectAll();
        else
            transport->disconnectDevice(deviceId);
    }
}
