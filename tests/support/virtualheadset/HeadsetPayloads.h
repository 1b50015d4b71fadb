#pragma once

#include "tests/support/virtualheadset/HeadsetState.h"
#include "tests/support/virtualheadset/VirtualHeadsetConfig.h"

#include <cstdint>
#include <span>

// Payloads the device builds from its state: GetBasicInfo replies and the
// items of the 0x11 notification.
namespace VirtualDevices {

enum class NotifyItem : std::uint8_t {
    Battery = 0x01,
    EqAutoReport = 0x02,
    NameAndFirmware = 0x03,
    Link = 0x04,
    Surround = 0x07,
};

namespace HeadsetPayloads {

// A TLV list holding the one item of `infoType`; an info type the device does
// not know gives an empty list.
Bytes basicInfoReply(const HeadsetState &state, FirmwareForm receiverForm, std::uint8_t infoType);

// A TLV list with the given items, in the given order.
Bytes notifyPayload(const HeadsetState &state, std::span<const NotifyItem> items);

} // namespace HeadsetPayloads
} // namespace VirtualDevices
