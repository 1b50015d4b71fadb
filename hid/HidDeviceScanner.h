#pragma once

#include "protocol/HidTypes.h"

#include <QList>

// One enumeration pass over hidapi, narrowed by the target filters. Shared by
// the synchronous enumeration and the hot-plug worker so both see devices the
// same way.
class HidDeviceScanner
{
public:
    // A device matches when at least one filter accepts every field it sets.
    static bool matches(const QList<HIDTypes::TargetDeviceFilter> &filters, quint16 vendorId, quint16 productId,
                        qint32 interfaceNumber);

    // Devices matching `filters` (none without filters), in hidapi's order,
    // with identity tokens on their paths, state Disconnected.
    static QList<HIDTypes::HidDeviceInfo> scan(const QList<HIDTypes::TargetDeviceFilter> &filters);
};
