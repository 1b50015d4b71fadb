#include "tests/support/virtualheadset/Tlv.h"

#include <algorithm>

namespace VirtualDevices {

TlvWriter &TlvWriter::add(std::uint8_t type, std::span<const std::uint8_t> value)
{
    const std::size_t length = std::min<std::size_t>(value.size(), 255);
    m_bytes.push_back(type);
    m_bytes.push_back(static_cast<std::uint8_t>(length));
    m_bytes.insert(m_bytes.end(), value.begin(), value.begin() + static_cast<std::ptrdiff_t>(length));
    return *this;
}

TlvWriter &TlvWriter::addByte(std::uint8_t type, std::uint8_t value)
{
    return add(type, std::span<const std::uint8_t>(&value, 1));
}

TlvWriter &TlvWriter::addU16(std::uint8_t type, std::uint16_t value)
{
    const std::uint8_t le[2] = {static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>(value >> 8)};
    return add(type, le);
}

TlvWriter &TlvWriter::addText(std::uint8_t type, std::string_view text)
{
    const auto *begin = reinterpret_cast<const std::uint8_t *>(text.data());
    return add(type, std::span<const std::uint8_t>(begin, text.size()));
}

std::optional<std::vector<TlvItem>> parseTlv(std::span<const std::uint8_t> data)
{
    std::vector<TlvItem> items;
    std::size_t offset = 0;
    while (offset < data.size()) {
        if (offset + 2 > data.size())
            return std::nullopt;
        const std::size_t length = data[offset + 1];
        if (offset + 2 + length > data.size())
            return std::nullopt;
        const auto value = data.subspan(offset + 2, length);
        items.push_back({data[offset], Bytes(value.begin(), value.end())});
        offset += 2 + length;
    }
    return items;
}

const TlvItem *findTlv(const std::vector<TlvItem> &items, std::uint8_t type)
{
    const auto it = std::find_if(items.begin(), items.end(), [type](const TlvItem &item) { return item.type == type; });
    return it == items.end() ? nullptr : &*it;
}

} // namespace VirtualDevices
