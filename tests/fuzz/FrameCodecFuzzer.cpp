// libFuzzer target over the headset frame codec: the CRC check and parseFrame
// on one frame as it would be cut from the receive buffer, with and without
// the repeating-key XOR, and splitting the parsed payload again.
#include "protocol/FrameCodec.h"
#include "tests/fuzz/FuzzEnvironment.h"

#include <cstdint>

using namespace HeadsetProtocol;
using FuzzEnvironment::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzEnvironment::ensureQtCore();
    if (size == 0)
        return 0;
    // The first byte: bit 7 switches deciphering on, bits 0-2 the key length.
    const bool encryption = (data[0] & 0x80) != 0;
    const qsizetype keyLength = qMin<qsizetype>(data[0] & 0x07, qsizetype(size) - 1);
    const QByteArray key(reinterpret_cast<const char *>(data + 1), keyLength);
    const QByteArray frame(reinterpret_cast<const char *>(data + 1 + keyLength), qsizetype(size) - 1 - keyLength);

    const bool crcOk = FrameCodec::verifyCrc(frame, {});
    const ParsedFrame parsed = FrameCodec::parseFrame(frame, encryption, key, {});
    if (!parsed.valid)
        return 0;

    require(crcOk, "a frame with a bad CRC parsed as valid");
    require(parsed.length == parsed.payload.size(), "payload size differs from the length field");
    require(FrameCodec::MinFrameSize + parsed.length <= frame.size(), "payload runs past the frame");
    require(parsed.seq <= 15, "sequence number above 15");
    require(!parsed.encrypted || encryption, "an enciphered frame passed with deciphering off");

    // The payload framed again at its own index and total reads back the same.
    QByteArray again = FrameCodec::buildHeader(parsed.cmd, parsed.type, parsed.seq, parsed.frameIndex,
                                               parsed.totalFrames, parsed.length, parsed.encrypted);
    again += FrameCodec::xorPayload(parsed.payload, parsed.encrypted, key);
    const quint16 crc = FrameCodec::crc16(again);
    again.append(char(crc >> 8));
    again.append(char(crc & 0xFF));
    const ParsedFrame reparsed = FrameCodec::parseFrame(again, encryption, key, {});
    require(reparsed.valid && reparsed.payload == parsed.payload && reparsed.cmd == parsed.cmd
                && reparsed.seq == parsed.seq && reparsed.type == parsed.type
                && reparsed.frameIndex == parsed.frameIndex && reparsed.totalFrames == parsed.totalFrames,
            "a rebuilt frame parsed differently");
    // The parser leaves the sync byte to the receive buffer, which cuts frames at it.
    if (FrameCodec::MinFrameSize + parsed.length == frame.size() && quint8(frame.at(0)) == FrameCodec::SyncByte
        && (frame.at(1) & 0x70) == 0)
        require(again == frame, "a frame without slack or reserved bits was not rebuilt byte for byte");

    // A message of this payload cuts into frames that join to it again.
    const std::vector<QByteArray> frames =
        FrameCodec::splitIntoFrames(parsed.cmd, parsed.type, parsed.seq, parsed.payload, encryption, key, {});
    require(!frames.empty(), "a payload of one frame was refused");
    QByteArray joined;
    for (const QByteArray &piece : frames) {
        const ParsedFrame part = FrameCodec::parseFrame(piece, encryption, key, {});
        require(part.valid && part.totalFrames == frames.size(), "a frame of a split message did not parse");
        joined += part.payload;
    }
    require(joined == parsed.payload, "a split message did not join to its payload");
    return 0;
}
