#pragma once

#include "cloud/PcFirmwareEntry.h"

#include <QMetaType>
#include <QString>

namespace EarphoneApi {

// The firmware the server offers for one product: firmware1 for the headset,
// firmware2 for the receiver; either may be empty.
struct PcFirmwareInfoResult
{
    QString pid;
    PcFirmwareEntry firmware1;
    PcFirmwareEntry firmware2;
};

} // namespace EarphoneApi

Q_DECLARE_METATYPE(EarphoneApi::PcFirmwareInfoResult)
