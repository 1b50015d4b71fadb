// HidProtocolService: the Qor decoder.
#include "hid/HidProtocolService.h"

#include "protocol/IHidTransport.h"

bool HidProtocolService::isQorTargetDevice() const
{
    return transport && isQorDevicePath(transport->currentDeviceId());
}

bool HidProtocolService::isQorDevicePath(const QString &path)
{
    return HidProtocolServiceQorSession::isQorDevicePath(path);
}
