#pragma once

#include "tests/support/virtualheadset/HeadsetWire.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

// Flat type-length-value lists as the headset's payloads carry them: one type
// byte, one length byte, then that many value bytes; values may nest lists.
namespace VirtualDevices {

struct TlvItem
{
    std::uint8_t type = 0;
    Bytes value;
};

class TlvWriter
{
public:
    // Values longer than 255 bytes are cut to 255: the length is one byte.
    TlvWriter &add(std::uint8_t type, std::span<const std::uint8_t> value);
    TlvWriter &addByte(std::uint8_t type, std::uint8_t value);
    TlvWriter &addU16(std::uint8_t type, std::uint16_t value);
    TlvWriter &addText(std::uint8_t type, std::string_view text);

    const Bytes &bytes() const { return m_bytes; }

private:
    Bytes m_bytes;
};

// Empty when an item's header or value runs past the end.
std::optional<std::vector<TlvItem>> parseTlv(std::span<const std::uint8_t> data);

// First item of that type, or nullptr.
const TlvItem *findTlv(const std::vector<TlvItem> &items, std::uint8_t type);

} // namespace VirtualDevices
