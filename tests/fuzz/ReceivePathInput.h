#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>

namespace HeadsetProtocol {
class ProtocolHandler;
}

// The input of the receive-path fuzz body: a four-byte head, then the bytes
// the device sends, cut into reports of the head's size.
//   byte 0: report size 1 + b % 65 (65: a 64-byte frame behind a report id)
//   byte 1: bit 0 strips a leading report id; bits 1-7 send requests first
//           (GetBasicInfo, EQ, name, tone volume, factory reset, unbind, status)
//   byte 2: info type of the GetBasicInfo request
//   byte 3: milliseconds / 50 that pass per 64 bytes fed; the sweep runs once a second
// The seed corpus is written with the same head, so its replies match the
// requests the body sends.
namespace ReceivePathInput {

inline constexpr std::size_t HeadSize = 4;

enum Request : quint8 {
    BasicInfo = 0x02,
    Eq = 0x04,
    Name = 0x08,
    ToneVolume = 0x10,
    FactoryReset = 0x20,
    Unbind = 0x40,
    StatusOnly = 0x80,
};

struct Head
{
    std::size_t reportSize = 64;
    bool stripReportId = false;
    quint8 requests = 0;
    quint8 basicInfoType = 0xFF;
    qint64 stepMs = 0;
};

Head readHead(const std::uint8_t *data);
QByteArray headBytes(const Head &head);
// Sends the head's requests in the order of their bits, lowest first.
void sendRequests(HeadsetProtocol::ProtocolHandler &handler, const Head &head);

} // namespace ReceivePathInput
