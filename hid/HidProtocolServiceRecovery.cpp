// HidProtocolService: connecting again after a fatal communication error.
// Such an error takes the device down while it usually stays on the bus, so
// no change of the device list would ever bring it back. It gets a few tries
// on a fresh enumeration, further and further apart. A try has worked only
// once the device passed validation (the Qor decoder, never validated: once
// an EQ chain was written to it in full) and then kept its link for the
// healthy period; the count then starts afresh. A device that fails again
// before that, however often it passes, uses its tries up and is left alone
// until the device list changes.
#include "hid/HidProtocolService.h"

#include "protocol/IDeviceDiscovery.h"
#include "protocol/IHidTransport.h"

#include <QPointer>
#include <QTimer>

void HidProtocolService::armCommFaultReconnect(const QString &deviceId)
{
    const QList<int> &delays = m_durations.commFaultReconnectDelaysMs;
    if (commFaultTries >= delays.size()) {
        log(QStringLiteral("[HID][State] comm-fault-reconnect-giveup device=%1 tries=%2 (until the device list changes)")
                .arg(deviceId)
                .arg(commFaultTries));
        return;
    }
    const int delayMs = delays.at(commFaultTries);
    ++commFaultTries;
    const int generation = ++commFaultGeneration;
    log(QStringLiteral("[HID][State] comm-fault-reconnect-armed device=%1 try=%2/%3 delayMs=%4")
            .arg(deviceId)
            .arg(commFaultTries)
            .arg(delays.size())
            .arg(delayMs));
    if (m_durations.scheduleCommFaultTry) {
        const QPointer<HidProtocolService> self(this);
        m_durations.scheduleCommFaultTry(delayMs, [self, deviceId, generation] {
            if (self)
                self->commFaultReconnect(deviceId, generation);
        });
        return;
    }
    QTimer::singleShot(delayMs, this, [this, deviceId, generation] { commFaultReconnect(deviceId, generation); });
}

void HidProtocolService::startCommFaultHealthyPeriod(const QString &deviceId)
{
    // A device that no fault brought here has no tries to get back; a Qor
    // decoder passes with every chain, but its period starts at the first.
    if (commFaultTries == 0 || commFaultHealthyDeviceId == deviceId)
        return;
    commFaultHealthyDeviceId = deviceId;
    commFaultHealthySinceMs = nowMs();
    const int generation = ++commFaultHealthyGeneration;
    const int periodMs = m_durations.commFaultHealthyPeriodMs;
    log(QStringLiteral("[HID][State] comm-fault-reconnect-healthy-wait device=%1 tries=%2/%3 periodMs=%4")
            .arg(deviceId)
            .arg(commFaultTries)
            .arg(m_durations.commFaultReconnectDelaysMs.size())
            .arg(periodMs));
    if (m_durations.scheduleCommFaultHealthyCheck) {
        const QPointer<HidProtocolService> self(this);
        m_durations.scheduleCommFaultHealthyCheck(periodMs, [self, deviceId, generation] {
            if (self)
                self->commFaultHealthyCheck(deviceId, generation);
        });
        return;
    }
    QTimer::singleShot(periodMs, Qt::PreciseTimer, this,
                       [this, deviceId, generation] { commFaultHealthyCheck(deviceId, generation); });
}

void HidProtocolService::commFaultHealthyCheck(const QString &deviceId, int generation)
{
    if (generation != commFaultHealthyGeneration) {
        log(QStringLiteral("[HID][State] comm-fault-reconnect-healthy-skip device=%1 reason=cancelled").arg(deviceId));
        return;
    }
    commFaultHealthyDeviceId.clear();
    if (const QString blocker = delayedStepBlocker(); !blocker.isEmpty()) {
        log(QStringLiteral("[HID][State] comm-fault-reconnect-healthy-abort device=%1 reason=%2").arg(deviceId, blocker));
        return;
    }
    const QString current = transport->currentDeviceId();
    if (current != deviceId) {
        log(QStringLiteral("[HID][State] comm-fault-reconnect-healthy-abort device=%1 reason=device-switched current=%2")
                .arg(deviceId, current));
        return;
    }
    log(QStringLiteral("[HID][State] comm-fault-reconnect-recovered device=%1 tries=%2 linkHeldMs=%3")
            .arg(deviceId)
            .arg(commFaultTries)
            .arg(nowMs() - commFaultHealthySinceMs));
    commFaultTries = 0;
}

void HidProtocolService::endCommFaultHealthyPeriod(bool byFault)
{
    if (commFaultHealthyDeviceId.isEmpty())
        return;
    if (byFault) {
        log(QStringLiteral("[HID][State] comm-fault-reconnect-not-recovered device=%1 tries=%2/%3 linkHeldMs=%4 "
                           "periodMs=%5 (the try failed)")
                .arg(commFaultHealthyDeviceId)
                .arg(commFaultTries)
                .arg(m_durations.commFaultReconnectDelaysMs.size())
                .arg(nowMs() - commFaultHealthySinceMs)
                .arg(m_durations.commFaultHealthyPeriodMs));
    }
    commFaultHealthyDeviceId.clear();
    ++commFaultHealthyGeneration;
}

void HidProtocolService::cancelCommFaultReconnect()
{
    commFaultDeviceId.clear();
    ++commFaultGeneration;
    endCommFaultHealthyPeriod(false);
}

void HidProtocolService::commFaultReconnect(const QString &deviceId, int generation)
{
    const auto skip = [this, &deviceId](const QString &reason) {
        log(QStringLiteral("[HID][State] comm-fault-reconnect-skip device=%1 reason=%2").arg(deviceId, reason));
    };
    if (generation != commFaultGeneration)
        return skip(QStringLiteral("cancelled"));
    if (!discovery || !transport || !protocolProxy)
        return skip(QStringLiteral("missing-transport-or-proxy"));
    if (exclusiveOtaActive)
        return skip(QStringLiteral("exclusive-ota"));
    if (autoReconnectSuspended)
        return skip(QStringLiteral("auto-reconnect-suspended"));
    const QString current = transport->currentDeviceId();
    if (!current.isEmpty())
        return skip(QStringLiteral("already-connected current=%1").arg(current));

    const QList<HeadsetProtocol::DiscoveryDeviceInfo> devices = discovery->enumerateDevices();
    setTargetDevicePresent(!devices.isEmpty());
    if (devices.isEmpty())
        return skip(QStringLiteral("no-device")); // unplugged: its return is a change of the list
    log(QStringLiteral("[HID][State] comm-fault-reconnect device=%1 try=%2/%3 listed=%4")
            .arg(deviceId)
            .arg(commFaultTries)
            .arg(m_durations.commFaultReconnectDelaysMs.size())
            .arg(devices.size()));
    tryAutoConnect(devices, QStringLiteral("comm-fault-reconnect"));
    if (transport->currentDeviceId().isEmpty())
        armCommFaultReconnect(deviceId); // refused or throttled: the next try, if one is left
}
