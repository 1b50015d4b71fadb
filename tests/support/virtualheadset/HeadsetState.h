#pragma once

#include "tests/support/virtualheadset/EqRecord.h"
#include "tests/support/virtualheadset/HeadsetWire.h"

#include <cstdint>
#include <optional>
#include <string>

namespace VirtualDevices {

// What the simulated receiver and headset hold. Commands change it, replies
// and notifications are built from it; tests read it back for asserts.
struct HeadsetState
{
    // Level bytes: percentage in bits 0-6, charging in bit 7. Right and case
    // are sent only when set.
    std::uint8_t batteryLeft = 80;
    std::optional<std::uint8_t> batteryRight{};
    std::optional<std::uint8_t> batteryCase{};

    std::string name = "Velkora H1";   // UTF-8, as the last 0x22 stored it
    Bytes eq = encodeEqRecord(factoryEqRecord()); // TLV form, as the last 0x20 stored it

    std::string receiverFirmware = "1.0.8";
    std::string headsetFirmware = "1.2.3";
    bool receiverFirmwareFlag = false;
    bool headsetFirmwareFlag = false;

    std::uint8_t toneVolume = 4;        // 1-7
    std::uint8_t volumeLockPercent = 100;
    std::uint8_t surroundMode = 0;
    std::uint8_t surroundPosition = 0;
    std::uint8_t surroundRoomSize = 1;

    std::uint8_t link = 0;              // receiver-to-headset: 0 linked, 1 not linked

    Bytes deviceId = {'V', 'K', 'R', '2', '4', '0', '1'};
    // Identity sub-items; an empty one is left out of the 0xFF reply.
    std::optional<std::uint16_t> cid = 0x2308;
    std::optional<std::uint16_t> bid = 0x0003;
    std::optional<std::uint16_t> pid = 0x6901;

    std::uint32_t factoryResets = 0;
    std::uint32_t unbinds = 0;
};

} // namespace VirtualDevices
