#include "tests/support/virtualheadset/EqRecord.h"

#include "tests/support/virtualheadset/Tlv.h"

namespace VirtualDevices {

namespace {

template<typename T>
Bytes wordsLe(const std::vector<T> &words)
{
    Bytes out;
    out.reserve(words.size() * 2);
    for (T word : words) {
        const auto raw = static_cast<std::uint16_t>(word);
        out.push_back(static_cast<std::uint8_t>(raw & 0xFF));
        out.push_back(static_cast<std::uint8_t>(raw >> 8));
    }
    return out;
}

template<typename T>
std::vector<T> wordsFrom(const TlvItem *item, std::size_t expected)
{
    if (!item || item->value.size() != expected * 2)
        return {};
    std::vector<T> out;
    for (std::size_t i = 0; i + 1 < item->value.size(); i += 2)
        out.push_back(static_cast<T>(item->value[i] | (item->value[i + 1] << 8)));
    return out;
}

} // namespace

Bytes encodeEqRecord(const EqRecord &record)
{
    TlvWriter writer;
    writer.addByte(0x01, record.index).addByte(0x02, record.bandCount);
    if (!record.frequencies.empty())
        writer.add(0x03, wordsLe(record.frequencies));
    if (!record.gains.empty())
        writer.add(0x04, wordsLe(record.gains));
    if (!record.qValues.empty())
        writer.add(0x05, wordsLe(record.qValues));
    if (!record.filterTypes.empty())
        writer.add(0x06, record.filterTypes);
    if (record.totalGain != 0)
        writer.addByte(0x07, static_cast<std::uint8_t>(record.totalGain));
    return writer.bytes();
}

std::optional<EqRecord> decodeEqRecord(std::span<const std::uint8_t> tlv)
{
    const auto items = parseTlv(tlv);
    if (!items)
        return std::nullopt;
    const TlvItem *index = findTlv(*items, 0x01);
    const TlvItem *bands = findTlv(*items, 0x02);
    if (!index || index->value.size() != 1 || !bands)
        return std::nullopt;
    EqRecord record;
    record.index = index->value[0];
    record.bandCount = bands->value.empty() ? 0 : bands->value[0];
    record.frequencies = wordsFrom<std::uint16_t>(findTlv(*items, 0x03), record.bandCount);
    record.gains = wordsFrom<std::int16_t>(findTlv(*items, 0x04), record.bandCount);
    record.qValues = wordsFrom<std::int16_t>(findTlv(*items, 0x05), record.bandCount);
    if (const TlvItem *types = findTlv(*items, 0x06); types && types->value.size() == record.bandCount)
        record.filterTypes = types->value;
    if (const TlvItem *total = findTlv(*items, 0x07); total && total->value.size() == 1)
        record.totalGain = static_cast<std::int8_t>(total->value[0]);
    return record;
}

EqRecord factoryEqRecord()
{
    EqRecord record;
    record.index = 0;
    record.bandCount = 10;
    record.frequencies = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
    record.gains.assign(10, 0);
    record.qValues.assign(10, 141);
    record.filterTypes.assign(10, 0x01);
    return record;
}

} // namespace VirtualDevices
