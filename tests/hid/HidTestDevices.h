#pragma once

#include "hid/HidManagerConfig.h"
#include "protocol/HidTypes.h"
#include "platform/hotplug/ManualDeviceChangeSource.h"
#include "tests/support/hidapidouble/HidApiDouble.h"

#include <QString>

// Virtual interfaces the HID tests plug into the hidapi double, and the
// fixture steps every HID test shares.
namespace HidTestDevices {

struct Device
{
    VirtualDevices::VirtualHidDevice hid;
    QString id; // the device id the HID stack reports for it
};

Device headset();  // 0x3654:0x5055, interface 3, /dev/hidraw1
Device receiver(); // 0x3654:0x6901, interface 3, /dev/hidraw2
Device qor();      // 0x3302:0xc20e, interface 0, Windows-style path
Device mouse();    // 0x046d:0xc52b, interface 0, /dev/hidraw4

// A filter; -1 leaves a field out of matching.
HIDTypes::TargetDeviceFilter filter(int vendorId, int productId = -1, int interfaceNumber = -1);

// Short waits, so that nothing in a test takes real seconds.
HIDTypes::HidManagerConfig fastConfig();

VirtualDevices::HidApiDouble &api();

// Resets the double and routes every hot-plug notifier made from now on to a
// manual raw-event source.
void resetDouble();

// The manual source of the notifier made last (null before one is made).
Platform::ManualDeviceChangeSource *lastHotplugSource();

} // namespace HidTestDevices
