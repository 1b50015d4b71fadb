#include "HidDeviceHandle.h"

#include "protocol/HidTypes.h"

#include <QList>

namespace HIDTypes {

HidDeviceHandle wrapHidDevice(hid_device *device)
{
    if (!device)
        return {};
    return HidDeviceHandle(device, [](hid_device *d) { hid_close(d); });
}

void registerHidMetaTypes()
{
    static const bool registered = [] {
        qRegisterMetaType<std::shared_ptr<hid_device>>("std::shared_ptr<hid_device>");
        qRegisterMetaType<HIDTypes::HidDeviceInfo>("HIDTypes::HidDeviceInfo");
        qRegisterMetaType<QList<HIDTypes::HidDeviceInfo>>("QList<HIDTypes::HidDeviceInfo>");
        qRegisterMetaType<HIDTypes::TargetDeviceFilter>("HIDTypes::TargetDeviceFilter");
        qRegisterMetaType<HIDTypes::ConnectResult>("HIDTypes::ConnectResult");
        return true;
    }();
    Q_UNUSED(registered);
}

} // namespace HIDTypes
