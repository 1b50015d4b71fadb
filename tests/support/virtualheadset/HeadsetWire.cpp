#include "tests/support/virtualheadset/HeadsetWire.h"

#include <algorithm>
#include <array>

namespace VirtualDevices::HeadsetWire {

namespace {

constexpr std::array<std::uint16_t, 256> makeCrcTable()
{
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t crc = static_cast<std::uint16_t>(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<std::uint16_t>(crc << 1);
        table[i] = crc;
    }
    return table;
}

constexpr auto kCrcTable = makeCrcTable();

void appendCrc(Bytes &frame)
{
    const std::uint16_t crc = crc16(frame);
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
}

} // namespace

std::uint16_t crc16(std::span<const std::uint8_t> data)
{
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t byte : data)
        crc = static_cast<std::uint16_t>((crc << 8) ^ kCrcTable[((crc >> 8) ^ byte) & 0xFF]);
    return crc;
}

Bytes encodeFrame(const Frame &frame)
{
    const auto length = static_cast<std::uint16_t>(frame.payload.size());
    Bytes out;
    out.reserve(kFrameOverhead + frame.payload.size());
    out.push_back(kSync);
    out.push_back(static_cast<std::uint8_t>((frame.sequence & 0x0F) | (frame.encrypted ? 0x80 : 0x00)));
    out.push_back(static_cast<std::uint8_t>(frame.command & 0xFF));
    out.push_back(static_cast<std::uint8_t>(frame.command >> 8));
    out.push_back(frame.type);
    out.push_back(frame.frameIndex);
    out.push_back(frame.totalFrames);
    out.push_back(static_cast<std::uint8_t>(length & 0xFF));
    out.push_back(static_cast<std::uint8_t>(length >> 8));
    out.insert(out.end(), frame.payload.begin(), frame.payload.end());
    appendCrc(out);
    return out;
}

std::vector<Bytes> encodeMessage(std::uint16_t command, FrameType type, std::uint8_t sequence,
                                 std::span<const std::uint8_t> payload, std::size_t chunk)
{
    chunk = std::clamp<std::size_t>(chunk, 1, kMaxFramePayload);
    const std::size_t count = payload.empty() ? 1 : (payload.size() + chunk - 1) / chunk;
    if (count > kMaxFrames)
        return {};
    std::vector<Bytes> frames;
    frames.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t offset = i * chunk;
        const auto part = payload.subspan(offset, std::min(chunk, payload.size() - offset));
        Frame frame;
        frame.sequence = sequence;
        frame.command = command;
        frame.type = static_cast<std::uint8_t>(type);
        frame.frameIndex = static_cast<std::uint8_t>(i);
        frame.totalFrames = static_cast<std::uint8_t>(count);
        frame.payload.assign(part.begin(), part.end());
        frames.push_back(encodeFrame(frame));
    }
    return frames;
}

DecodedFrame decodeFrame(std::span<const std::uint8_t> data)
{
    DecodedFrame result;
    if (data.size() < kFrameOverhead) {
        result.error = "frame shorter than 11 bytes";
        return result;
    }
    if (data[0] != kSync) {
        result.error = "no sync byte";
        return result;
    }
    const std::size_t length = data[7] | (static_cast<std::size_t>(data[8]) << 8);
    if (length > kMaxFramePayload) {
        result.error = "length field " + std::to_string(length) + " above 53";
        return result;
    }
    result.size = kFrameOverhead + length;
    if (data.size() < result.size) {
        result.error = "length field " + std::to_string(length) + " runs past the data";
        return result;
    }
    const std::uint16_t received =
        static_cast<std::uint16_t>((data[kHeaderSize + length] << 8) | data[kHeaderSize + length + 1]);
    if (received != crc16(data.first(kHeaderSize + length))) {
        result.error = "CRC mismatch";
        return result;
    }
    Frame frame;
    frame.sequence = data[1] & 0x0F;
    frame.encrypted = (data[1] & 0x80) != 0;
    frame.command = static_cast<std::uint16_t>(data[2] | (data[3] << 8));
    frame.type = data[4];
    frame.frameIndex = data[5];
    frame.totalFrames = data[6];
    frame.payload.assign(data.begin() + kHeaderSize, data.begin() + static_cast<std::ptrdiff_t>(kHeaderSize + length));
    result.frame = std::move(frame);
    return result;
}

void resealFrame(Bytes &frame)
{
    if (frame.size() < kFrameOverhead)
        return;
    frame.resize(frame.size() - 2);
    appendCrc(frame);
}

} // namespace VirtualDevices::HeadsetWire
