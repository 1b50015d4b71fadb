#include "hid/HidProtocolServiceQorSession.h"

#include <utility>

void HidProtocolServiceQorSession::setCallbacks(TextCallback log, BoolCallback sessionChanged)
{
    m_log = std::move(log);
    m_sessionChanged = std::move(sessionChanged);
}

HIDTypes::TargetDeviceFilter HidProtocolServiceQorSession::probeFilter()
{
    HIDTypes::TargetDeviceFilter filter;
    filter.vendorId = kVendorId;
    filter.productId = kProductId;
    filter.interfaceNumber = -1;
    filter.hasVendorId = true;
    filter.hasProductId = true;
    filter.hasInterfaceNumber = false;
    return filter;
}

bool HidProtocolServiceQorSession::isQorDevice(quint16 vendorId, quint16 productId)
{
    return vendorId == kVendorId && productId == kProductId;
}

bool HidProtocolServiceQorSession::isQorDevicePath(const QString &path)
{
    const QString upper = path.toUpper();
    return upper.contains(QLatin1String("VID_3302")) && upper.contains(QLatin1String("PID_C20E"));
}

bool HidProtocolServiceQorSession::handleConnectionReady(const QString &deviceId,
                                                         const QList<HeadsetProtocol::DiscoveryDeviceInfo> &devices)
{
    const bool matched = std::exchange(pendingQorMatch, false);
    bool isQor = matched;
    for (const HeadsetProtocol::DiscoveryDeviceInfo &device : devices) {
        if (isQor)
            break;
        isQor = device.deviceId == deviceId && isQorDevice(device.vendorId, device.productId);
    }
    if (!isQor) {
        if (active)
            setActive(false, QStringLiteral("legacy-device-connected"));
        return true;
    }
    setActive(true, QStringLiteral("connection-ready-qor"));
    log(QStringLiteral("[HID][QOR] skip legacy prime/validation device=%1").arg(deviceId));
    return false;
}

void HidProtocolServiceQorSession::setActive(bool value, const QString &reason)
{
    if (active == value)
        return;
    active = value;
    log(QStringLiteral("[HID][QOR] bypass-session active=%1 reason=%2").arg(value ? 1 : 0).arg(reason));
    if (m_sessionChanged)
        m_sessionChanged(value);
}

void HidProtocolServiceQorSession::log(const QString &text) const
{
    if (m_log)
        m_log(text);
}
