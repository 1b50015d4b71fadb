#pragma once

#include "tests/support/virtualheadset/HeadsetWire.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace VirtualDevices {

// The headset's EQ record in its TLV form: 0x01 index, 0x02 band count,
// 0x03 frequencies (LE16 Hz), 0x04 gains (LE16, 0.01 dB), 0x05 Q (LE16, x100),
// 0x06 filter types (one byte each), 0x07 total gain (signed byte, 0.1 dB).
struct EqRecord
{
    std::uint8_t index = 0;
    std::uint8_t bandCount = 0;
    std::vector<std::uint16_t> frequencies{};
    std::vector<std::int16_t> gains{};
    std::vector<std::int16_t> qValues{};
    std::vector<std::uint8_t> filterTypes{};
    std::int8_t totalGain = 0;

    bool operator==(const EqRecord &) const = default;
};

// Arrays are written only when not empty, the total gain only when not 0.
Bytes encodeEqRecord(const EqRecord &record);

// Needs item 0x01 (one byte) and item 0x02; arrays whose size does not fit
// the band count are left empty. No range checks: the headset stores what it gets.
std::optional<EqRecord> decodeEqRecord(std::span<const std::uint8_t> tlv);

// A flat ten-band preset (index 0) as the headset ships with.
EqRecord factoryEqRecord();

} // namespace VirtualDevices
