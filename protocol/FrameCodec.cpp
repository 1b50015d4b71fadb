#include "protocol/FrameCodec.h"

#include <array>

namespace HeadsetProtocol::FrameCodec {

namespace {

// Slice k holds the register after byte b followed by k zero bytes; slice 0 is
// the standard table. Eight slices let eight bytes go in one step (still one
// lookup per byte) without the byte-after-byte dependency chain.
constexpr int CrcSlices = 8;
using CrcTables = std::array<std::array<quint16, 256>, CrcSlices>;

constexpr CrcTables makeCrcTables()
{
    CrcTables tables{};
    for (int i = 0; i < 256; ++i) {
        quint16 crc = static_cast<quint16>(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? static_cast<quint16>((crc << 1) ^ 0x1021) : static_cast<quint16>(crc << 1);
        tables[0][i] = crc;
    }
    for (int k = 1; k < CrcSlices; ++k) {
        for (int i = 0; i < 256; ++i) {
            const quint16 prev = tables[k - 1][i];
            tables[k][i] = static_cast<quint16>((prev << 8) ^ tables[0][prev >> 8]);
        }
    }
    return tables;
}

constexpr CrcTables CrcTable = makeCrcTables();

void writeHeader(char *out, quint16 cmd, CommandType type, quint8 seq, quint8 frameIndex, quint8 totalFrames,
                 quint16 payloadLength, bool encrypted)
{
    out[0] = static_cast<char>(SyncByte);
    out[1] = static_cast<char>((seq & 0x0F) | (encrypted ? EncryptedFlag : 0));
    out[2] = static_cast<char>(cmd & 0xFF);
    out[3] = static_cast<char>(cmd >> 8);
    out[4] = static_cast<char>(type);
    out[5] = static_cast<char>(frameIndex);
    out[6] = static_cast<char>(totalFrames);
    out[7] = static_cast<char>(payloadLength & 0xFF);
    out[8] = static_cast<char>(payloadLength >> 8);
}

void xorInPlace(char *data, qsizetype size, const QByteArray &key)
{
    const qsizetype keySize = key.size();
    for (qsizetype i = 0; i < size; ++i)
        data[i] = static_cast<char>(data[i] ^ key[i % keySize]);
}

quint16 readLe16(const QByteArray &bytes, qsizetype offset)
{
    return static_cast<quint16>(static_cast<quint8>(bytes[offset]) |
                                (static_cast<quint8>(bytes[offset + 1]) << 8));
}

} // namespace

quint16 crc16(QByteArrayView data)
{
    const auto *p = reinterpret_cast<const quint8 *>(data.data());
    qsizetype n = data.size();
    quint16 crc = 0xFFFF;
    const auto &t = CrcTable;
    for (; n >= CrcSlices; n -= CrcSlices, p += CrcSlices) {
        crc = t[7][p[0] ^ (crc >> 8)] ^ t[6][p[1] ^ (crc & 0xFF)] ^ t[5][p[2]] ^ t[4][p[3]] ^ t[3][p[4]] ^
              t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
    }
    for (; n > 0; --n, ++p)
        crc = static_cast<quint16>((crc << 8) ^ t[0][(crc >> 8) ^ *p]);
    return crc;
}

std::vector<QByteArray> splitIntoFrames(quint16 cmd, CommandType type, quint8 seq, const QByteArray &payload,
                                        bool encrypt, const QByteArray &key, const LogCallback &log)
{
    const qsizetype size = payload.size();
    const qsizetype count = size == 0 ? 1 : (size + MaxPayloadPerFrame - 1) / MaxPayloadPerFrame;
    if (count > MaxFramesPerMessage) {
        emitLog(log,
                QStringLiteral("Too many frames required: %1 (max: %2), payload size: %3 bytes")
                    .arg(count)
                    .arg(MaxFramesPerMessage)
                    .arg(size),
                LogError);
        return {};
    }

    const bool cipher = encrypt && !key.isEmpty();
    std::vector<QByteArray> frames;
    frames.reserve(static_cast<size_t>(count));
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype offset = i * MaxPayloadPerFrame;
        const qsizetype chunkSize = qMin<qsizetype>(MaxPayloadPerFrame, size - offset);
        QByteArray frame(HeaderSize + chunkSize + CrcSize, Qt::Uninitialized);
        char *out = frame.data();
        writeHeader(out, cmd, type, seq, static_cast<quint8>(i), static_cast<quint8>(count),
                    static_cast<quint16>(chunkSize), encrypt);
        if (chunkSize > 0) {
            memcpy(out + HeaderSize, payload.constData() + offset, static_cast<size_t>(chunkSize));
            if (cipher)
                xorInPlace(out + HeaderSize, chunkSize, key);
        }
        const quint16 crc = crc16(QByteArrayView(out, HeaderSize + chunkSize));
        out[HeaderSize + chunkSize] = static_cast<char>(crc >> 8);
        out[HeaderSize + chunkSize + 1] = static_cast<char>(crc & 0xFF);
        if (log) {
            log(QStringLiteral("Created frame %1/%2. Offset: %3, Size: %4 bytes, CRC: 0x%5")
                    .arg(i + 1)
                    .arg(count)
                    .arg(offset)
                    .arg(frame.size())
                    .arg(hex(crc)),
                LogWarning);
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}

QByteArray buildHeader(quint16 cmd, CommandType type, quint8 seq, quint8 frameIndex, quint8 totalFrames,
                       quint16 payloadLength, bool encrypted)
{
    QByteArray header(HeaderSize, Qt::Uninitialized);
    writeHeader(header.data(), cmd, type, seq, frameIndex, totalFrames, payloadLength, encrypted);
    return header;
}

bool verifyCrc(const QByteArray &frame, const LogCallback &log)
{
    if (frame.size() < MinFrameSize) {
        emitLog(log, QStringLiteral("Frame too small for CRC verification"), LogError);
        return false;
    }
    const qsizetype size = frame.size();
    const quint16 received = static_cast<quint16>((static_cast<quint8>(frame[size - 2]) << 8) |
                                                  static_cast<quint8>(frame[size - 1]));
    const quint16 calculated = crc16(QByteArrayView(frame.constData(), size - CrcSize));
    if (received != calculated) {
        emitLog(log, QStringLiteral("CRC mismatch. Received:0x%1 Calculated:0x%2").arg(hex(received), hex(calculated)),
                LogError);
        return false;
    }
    return true;
}

ParsedFrame parseFrame(const QByteArray &frame, bool encryptionEnabled, const QByteArray &key, const LogCallback &log)
{
    ParsedFrame result;
    if (frame.size() < MinFrameSize) {
        emitLog(log, QStringLiteral("Frame too small: %1 bytes").arg(frame.size()), LogError);
        return result;
    }
    if (!verifyCrc(frame, log))
        return result;

    const quint8 flags = static_cast<quint8>(frame[1]);
    result.seq = flags & 0x0F;
    result.encrypted = (flags & EncryptedFlag) != 0;
    result.cmd = readLe16(frame, 2);
    result.type = static_cast<CommandType>(static_cast<quint8>(frame[4]));
    result.frameIndex = static_cast<quint8>(frame[5]);
    result.totalFrames = static_cast<quint8>(frame[6]);
    result.length = readLe16(frame, 7);

    const qsizetype room = frame.size() - MinFrameSize;
    if (result.length > room) {
        emitLog(log, QStringLiteral("Frame length mismatch. Header:%1 Actual:%2").arg(result.length).arg(room),
                LogError);
        return result;
    }
    result.payload = frame.mid(HeaderSize, result.length);

    if (!result.encrypted) {
        result.valid = true;
        return result;
    }
    if (!encryptionEnabled) {
        emitLog(log, QStringLiteral("Received encrypted frame but encryption is disabled"), LogError);
        return result;
    }
    result.payload = xorPayload(result.payload, true, key);
    result.valid = true;
    return result;
}

QByteArray xorPayload(const QByteArray &data, bool enable, const QByteArray &key)
{
    if (!enable || key.isEmpty())
        return data;
    QByteArray out = data;
    xorInPlace(out.data(), out.size(), key);
    return out;
}

} // namespace HeadsetProtocol::FrameCodec
