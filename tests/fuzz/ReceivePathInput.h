#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace HeadsetProtocol {
class ProtocolHandler;
}

// The input of the receive-path fuzz body: a three-byte head, then the
// reports the device sends, each behind two bytes that tell the truth about it.
// Head:
//   byte 0: report size 1 + b % 65 (65: a 64-byte frame behind a report id)
//   byte 1: bit 0 strips a leading report id; bits 1-7 send requests first
//           (GetBasicInfo, EQ, name, tone volume, factory reset, unbind, status)
//   byte 2: info type of the GetBasicInfo request
// Each report:
//   byte 0: the message its bytes belong to; the frames it completes are
//           fragments of that message
//   byte 1: bits 0-3: the time between reading the report before and this one;
//           bits 4-7: how long after the report before the handler gets to it
//           (never before it is read); both index TimeSteps
//   then up to the report size of bytes (fewer only at the end of the input).
// The seed corpus is written with the same head, so its replies match the
// requests the body sends.
namespace ReceivePathInput {

inline constexpr std::size_t HeadSize = 3;
inline constexpr std::size_t ReportHeadSize = 2;
// Milliseconds, around the limits of reassembly: a second between the
// fragments of one message, five and ten seconds for a partial one.
inline constexpr qint64 TimeSteps[16] = {0,    1,    5,    50,   200,  900,  1000, 1001,
                                         1100, 2000, 4900, 5000, 5001, 6000, 8000, 10001};

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
};

struct Report
{
    quint8 message = 0;
    qint64 readGapMs = 0;
    qint64 processingDelayMs = 0;
    QByteArray bytes;
};

Head readHead(const std::uint8_t *data);
QByteArray headBytes(const Head &head);
// The reports after the head; a record without bytes ends the list.
std::vector<Report> readReports(const std::uint8_t *data, std::size_t size, const Head &head);
// A report as the input holds it; its times must be TimeSteps.
QByteArray reportBytes(const Report &report);
// Sends the head's requests in the order of their bits, lowest first.
void sendRequests(HeadsetProtocol::ProtocolHandler &handler, const Head &head);

} // namespace ReceivePathInput
