#pragma once

#include "protocol/HidTypes.h"
#include "protocol/DiscoveryDeviceInfo.h"

#include <QList>
#include <QString>

#include <functional>

// The Qor decoder's bypass session as HidProtocolService keeps it: whether it
// holds, whether the device being connected is the Qor model, and the
// recognition rules. The session speaks to the outside only through the two
// callbacks the service gives it (log lines and the session signal).
class HidProtocolServiceQorSession
{
public:
    using TextCallback = std::function<void(const QString &)>;
    using BoolCallback = std::function<void(bool)>;

    static constexpr quint16 kVendorId = 0x3302;
    static constexpr quint16 kProductId = 0xC20E;

    void setCallbacks(TextCallback log, BoolCallback sessionChanged);

    // The target filter of the automatic probe: the Qor ids on any interface.
    static HIDTypes::TargetDeviceFilter probeFilter();
    static bool isQorDevice(quint16 vendorId, quint16 productId);
    // The platform's HID path names the ids as "VID_3302" and "PID_C20E" in any case.
    static bool isQorDevicePath(const QString &path);

    // At a connection report: true when the device is to be validated as a
    // framed device (which also ends a running session), false when it is the
    // Qor model (the session starts).
    bool handleConnectionReady(const QString &deviceId, const QList<HeadsetProtocol::DiscoveryDeviceInfo> &devices);
    // Logs and signals only on a change.
    void setActive(bool value, const QString &reason);

    bool active = false;
    bool pendingQorMatch = false;

private:
    void log(const QString &text) const;

    TextCallback m_log;
    BoolCallback m_sessionChanged;
};
