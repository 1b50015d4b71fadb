#pragma once

#include <hidapi/hidapi.h>

#include <QMetaType>

#include <memory>

// An open HID device. Whoever holds a copy keeps the device open; the deleter
// calls hid_close when the last copy goes. An empty handle means "no device".
using HidDeviceHandle = std::shared_ptr<hid_device>;

Q_DECLARE_METATYPE(std::shared_ptr<hid_device>)

namespace HIDTypes {

// Wraps a handle from hid_open_path at once, so that no path can leak it.
HidDeviceHandle wrapHidDevice(hid_device *device);

// Registers the HID stack's types for queued signals (idempotent).
void registerHidMetaTypes();

} // namespace HIDTypes
