#pragma once

#include "protocol/ParsedFrame.h"
#include "protocol/ProtocolTypes.h"

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

// Stateless codec of the 64-byte headset frames:
//   FE | flags+seq | cmd (LE16) | type | index | total | length (LE16) | payload | CRC (BE16)
namespace HeadsetProtocol::FrameCodec {

inline constexpr quint8 SyncByte = 0xFE;
inline constexpr quint8 EncryptedFlag = 0x80;
inline constexpr int HeaderSize = 9;
inline constexpr int CrcSize = 2;
inline constexpr int MinFrameSize = HeaderSize + CrcSize;
inline constexpr int MaxPayloadPerFrame = 53;
inline constexpr int MaxFrameSize = MinFrameSize + MaxPayloadPerFrame;
inline constexpr int MaxFramesPerMessage = 255;
inline constexpr int MaxMessagePayload = MaxFramesPerMessage * MaxPayloadPerFrame;

// CRC-16/CCITT-FALSE (poly 0x1021, init 0xFFFF, no reflection, no final XOR).
quint16 crc16(QByteArrayView data);

// Cuts one message into frames in index order; an empty list means refused.
std::vector<QByteArray> splitIntoFrames(quint16 cmd, CommandType type, quint8 seq, const QByteArray &payload,
                                        bool encrypt, const QByteArray &key, const LogCallback &log);

QByteArray buildHeader(quint16 cmd, CommandType type, quint8 seq, quint8 frameIndex, quint8 totalFrames,
                       quint16 payloadLength, bool encrypted);

// Checks the trailing big-endian CRC of exactly one frame.
bool verifyCrc(const QByteArray &frame, const LogCallback &log);

ParsedFrame parseFrame(const QByteArray &frame, bool encryptionEnabled, const QByteArray &key,
                       const LogCallback &log);

// Repeating-key XOR; the same call enciphers and deciphers. The key restarts
// at its first byte for every frame.
QByteArray xorPayload(const QByteArray &data, bool enable, const QByteArray &key);

} // namespace HeadsetProtocol::FrameCodec
