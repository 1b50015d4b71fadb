// Writes the seed corpora of the headset fuzz targets from the virtual headset:
// its replies to the requests a receive-path input sends (with a few of its
// scripted faults), its notifications, the single frames of those reports,
// and the TLV payloads its replies carry. The JSON corpora are kept by hand.
//
//   velkora-fuzz-seeds <tests/fuzz/corpus>
#include "protocol/ProtocolHandler.h"
#include "tests/fuzz/ReceivePathInput.h"
#include "tests/support/virtualheadset/EqRecord.h"
#include "tests/support/virtualheadset/HeadsetPayloads.h"
#include "tests/support/virtualheadset/VirtualHeadset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace VirtualDevices;
using ReceivePathInput::Head;

namespace {

// When a report is read, and when the handler gets to it, after the one before.
struct Timing
{
    qint64 readGapMs = 0;
    qint64 processingDelayMs = 0;
};

struct Seed
{
    QString name;
    Head head;
    VirtualHeadsetConfig config{};
    std::function<void(VirtualHeadset &)> faults{};
    // Unsolicited traffic, one message each, sent after the replies.
    std::vector<std::function<void(VirtualHeadset &)>> messages{};
    Timing withinMessage{}; // a report after one of the same message
    Timing betweenMessages{}; // the first report of a further message
};

QByteArray bytesOf(const std::vector<std::uint8_t> &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

bool write(const QString &folder, const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(folder);
    QFile file(QDir(folder).filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    return true;
}

// The device's reports for the head's requests, then its unsolicited
// messages, each report with the message it belongs to and its times.
std::vector<ReceivePathInput::Report> deviceReports(const Seed &seed)
{
    const auto now = Clock::now();
    VirtualHeadset device(seed.config);
    if (seed.faults)
        seed.faults(device);
    std::vector<ReceivePathInput::Report> reports;
    quint8 message = 0;
    // What the device sent since the last call is one message.
    const auto takeMessage = [&] {
        bool took = false;
        while (const std::optional<Report> report = device.takeDeviceReport(now + std::chrono::hours(1))) {
            const Timing timing = took || reports.empty() ? seed.withinMessage : seed.betweenMessages;
            reports.push_back({message, reports.empty() ? 0 : timing.readGapMs,
                               reports.empty() ? 0 : timing.processingDelayMs, bytesOf(*report)});
            took = true;
        }
        if (took)
            ++message;
    };
    HeadsetProtocol::ProtocolHandler host;
    QObject::connect(&host, &HeadsetProtocol::ProtocolHandler::frameReady, [&](const QByteArray &frame) {
        Report report{0x00};
        report.insert(report.end(), frame.cbegin(), frame.cend());
        device.onHostReport(report, now);
        takeMessage();
    });
    ReceivePathInput::sendRequests(host, seed.head);
    for (const auto &send : seed.messages) {
        send(device);
        takeMessage();
    }
    return reports;
}

QList<Seed> receivePathSeeds()
{
    using namespace ReceivePathInput;
    const auto basicInfo = [](quint8 type) {
        Head head;
        head.requests = BasicInfo;
        head.basicInfoType = type;
        return head;
    };
    Head commands;
    commands.requests = Name | ToneVolume | FactoryReset | Unbind | StatusOnly;
    Head eq;
    eq.requests = Eq;
    Head withReportId = basicInfo(0x01);
    withReportId.reportSize = 65;
    withReportId.stripReportId = true;
    Head smallReports = basicInfo(0x03);
    smallReports.reportSize = 7;
    const auto request = [](Bytes payload, ReplyFault fault = {}) {
        return [payload, fault](VirtualHeadset &d) {
            d.sendMessage(0x50, HeadsetWire::FrameType::Request, 5, payload, Clock::now(), fault);
        };
    };
    const auto notify = [](Bytes payload, ReplyFault fault = {}) {
        return [payload, fault](VirtualHeadset &d) {
            d.sendMessage(0x50, HeadsetWire::FrameType::Notify, 7, payload, Clock::now(), fault);
        };
    };
    // The headset's EQ auto-report (two frames) under one sequence number,
    // with another EQ each time.
    const auto eqReport = [](std::int16_t gain, std::int16_t q, ReplyFault fault) {
        return [gain, q, fault](VirtualHeadset &d) {
            EqRecord record = factoryEqRecord();
            record.gains.assign(10, gain);
            record.qValues.assign(10, q);
            HeadsetState state = d.state();
            state.eq = encodeEqRecord(record);
            const NotifyItem items[] = {NotifyItem::EqAutoReport};
            d.sendMessage(0x11, HeadsetWire::FrameType::Notify, 3, HeadsetPayloads::notifyPayload(state, items),
                          Clock::now(), fault);
        };
    };

    QList<Seed> seeds;
    for (const quint8 type : {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0B, 0xFF})
        seeds << Seed{QStringLiteral("basic_info_%1").arg(type, 2, 16, QLatin1Char('0')), basicInfo(type)};
    seeds << Seed{"basic_info_full_firmware", basicInfo(0x04), {.receiverFirmwareForm = FirmwareForm::Full}};
    seeds << Seed{"eq_echo", eq};
    seeds << Seed{"eq_echo_small_fragments", eq, {.framePayloadBytes = 9}};
    seeds << Seed{"commands", commands};
    seeds << Seed{"report_id", withReportId, {.reportIdPrefix = true}};
    seeds << Seed{"small_reports", smallReports};
    seeds << Seed{"refusal", commands, {}, [](VirtualHeadset &d) {
                      d.scriptFault({.command = 0x22}, ReplyFault::failureStatus({'b', 'u', 's', 'y'}));
                      d.scriptFault({.command = 0x23}, ReplyFault::failureStatus({0x2A}));
                  }};
    seeds << Seed{"fragments_out_of_order", eq, {.framePayloadBytes = 30}, [](VirtualHeadset &d) {
                      d.scriptFault({.command = 0x20}, ReplyFault{.frameOrder = {2, 0, 1}});
                  }};
    // Read back to back, taken two seconds apart.
    seeds << Seed{"fragment_lost_and_duplicated", eq, {.framePayloadBytes = 30},
                  [](VirtualHeadset &d) { d.scriptFault({.command = 0x20}, ReplyFault{.frameOrder = {0, 0, 2}}); },
                  {}, {0, 2000}, {0, 2000}};
    seeds << Seed{"damaged_frames", commands, {}, [](VirtualHeadset &d) {
                      d.scriptFault({.command = 0x21}, ReplyFault{.garbageBeforeSync = {0x01, 0xFE, 0x02}});
                      d.scriptFault({.command = 0x22}, ReplyFault{.corruptCrc = true});
                      d.scriptFault({.command = 0x23}, ReplyFault{.lengthField = 60});
                      d.scriptFault({.command = 0x24}, ReplyFault{.encryptedBit = true});
                      d.scriptFault({.command = 0x26}, ReplyFault{.sequence = 9, .splitAt = 20});
                  }};
    seeds << Seed{"notify_all_items", Head{}, {}, {}, {[](VirtualHeadset &d) {
                      d.notify({NotifyItem::Battery, NotifyItem::EqAutoReport, NotifyItem::NameAndFirmware,
                                NotifyItem::Link, NotifyItem::Surround},
                               Clock::now());
                  }}};
    seeds << Seed{"device_request", Head{}, {.framePayloadBytes = 20}, {}, {request(Bytes(70, 0x5A))}};
    // The same (type, command, sequence) again after a message that lost a fragment.
    seeds << Seed{"lost_first_fragment_then_next", Head{}, {.framePayloadBytes = 20}, {},
                  {request(Bytes(70, 0x5A), ReplyFault{.frameOrder = {1, 2, 3}}), request(Bytes(70, 0xA5))},
                  {}, {5, 0}};
    Bytes sameStart(60, 0x5A);
    std::fill(sameStart.begin() + 20, sameStart.end(), 0x3C);
    seeds << Seed{"lost_middle_fragment_then_same_start", Head{}, {.framePayloadBytes = 20}, {},
                  {notify(Bytes(60, 0x5A), ReplyFault{.frameOrder = {0, 2}}), notify(sameStart)}, {}, {5, 0}};
    // A message's tail lost, then the next one's head: far apart in time they
    // are two messages; within a second nothing tells them apart.
    seeds << Seed{"eq_auto_report_tail_then_head_8s_later", Head{}, {}, {},
                  {eqReport(300, 70, ReplyFault{.frameOrder = {0}}),
                   eqReport(-300, 400, ReplyFault{.frameOrder = {1}})},
                  {}, {8000, 0}};
    seeds << Seed{"tail_then_head_5s_later", Head{}, {.framePayloadBytes = 20}, {},
                  {notify(Bytes(60, 0x5A), ReplyFault{.frameOrder = {0}}),
                   notify(Bytes(60, 0xA5), ReplyFault{.frameOrder = {1, 2}})},
                  {5, 0}, {4900, 1100}};
    seeds << Seed{"tail_then_head_within_a_second", Head{}, {.framePayloadBytes = 20}, {},
                  {notify(Bytes(60, 0x5A), ReplyFault{.frameOrder = {0}}),
                   notify(Bytes(60, 0xA5), ReplyFault{.frameOrder = {1, 2}})},
                  {5, 0}, {900, 0}};
    // Frames read back to back that the handler gets to six seconds apart,
    // and frames read over a second apart: two messages.
    seeds << Seed{"device_request_processed_late", Head{}, {.framePayloadBytes = 20}, {}, {request(Bytes(70, 0x5A))},
                  {5, 6000}};
    seeds << Seed{"device_request_read_apart", Head{}, {.framePayloadBytes = 20}, {}, {request(Bytes(70, 0x5A))},
                  {1100, 0}};
    return seeds;
}

// The device's reports as the host reads them, `size` bytes at a time. A piece
// belongs to the message of its last byte and takes the times of the report
// it begins.
std::vector<ReceivePathInput::Report> readInPieces(const std::vector<ReceivePathInput::Report> &reports,
                                                   std::size_t size)
{
    std::vector<ReceivePathInput::Report> pieces;
    ReceivePathInput::Report piece;
    for (const ReceivePathInput::Report &report : reports) {
        for (qsizetype at = 0; at < report.bytes.size(); ++at) {
            if (piece.bytes.isEmpty() && at == 0) {
                piece.readGapMs = report.readGapMs;
                piece.processingDelayMs = report.processingDelayMs;
            }
            piece.bytes += report.bytes[at];
            piece.message = report.message;
            if (std::size_t(piece.bytes.size()) == size) {
                pieces.push_back(piece);
                piece = {};
            }
        }
    }
    if (!piece.bytes.isEmpty())
        pieces.push_back(piece);
    return pieces;
}

// One frame per file: the reports of the receive-path seeds cut at their frames.
QList<QByteArray> framesIn(const QByteArray &stream)
{
    QList<QByteArray> frames;
    for (qsizetype at = stream.indexOf(char(0xFE)); at >= 0 && at + 11 <= stream.size();
         at = stream.indexOf(char(0xFE), at + 1)) {
        const int length = quint8(stream[at + 7]) | (quint8(stream[at + 8]) << 8);
        if (length <= 53 && at + 11 + length <= stream.size())
            frames << stream.mid(at, 11 + length);
    }
    return frames;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const QDir corpus(QString::fromLocal8Bit(argv[1]));
    bool ok = true;
    int frameCount = 0;
    for (const Seed &seed : receivePathSeeds()) {
        QByteArray input = ReceivePathInput::headBytes(seed.head);
        QByteArray stream;
        for (const ReceivePathInput::Report &report : readInPieces(deviceReports(seed), seed.head.reportSize)) {
            input += ReceivePathInput::reportBytes(report);
            stream += report.bytes;
        }
        ok = write(corpus.filePath(QStringLiteral("receivepath")), seed.name, input) && ok;
        for (const QByteArray &frame : framesIn(stream)) {
            // Byte 0 of a frame-codec input: deciphering off, no key.
            if (frameCount < 24) {
                ok = write(corpus.filePath(QStringLiteral("framecodec")), QStringLiteral("frame_%1").arg(frameCount),
                           QByteArray(1, '\0') + frame)
                     && ok;
            }
            ++frameCount;
        }
    }

    const HeadsetState state;
    for (const FirmwareForm form : {FirmwareForm::Short, FirmwareForm::Full}) {
        for (const quint8 type : {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0B, 0xFF}) {
            if (form == FirmwareForm::Full && type != 0x04)
                continue;
            const QString name = QStringLiteral("basic_info_%1%2")
                                     .arg(type, 2, 16, QLatin1Char('0'))
                                     .arg(form == FirmwareForm::Full ? QStringLiteral("_full") : QString());
            ok = write(corpus.filePath(QStringLiteral("tlvrecords")), name,
                       bytesOf(HeadsetPayloads::basicInfoReply(state, form, type)))
                 && ok;
        }
    }
    const NotifyItem items[] = {NotifyItem::Battery, NotifyItem::EqAutoReport, NotifyItem::NameAndFirmware,
                                NotifyItem::Link, NotifyItem::Surround};
    ok = write(corpus.filePath(QStringLiteral("tlvrecords")), QStringLiteral("notify_all_items"),
               bytesOf(HeadsetPayloads::notifyPayload(state, items)))
         && ok;
    ok = write(corpus.filePath(QStringLiteral("tlvrecords")), QStringLiteral("eq_record"), bytesOf(state.eq)) && ok;
    return ok ? 0 : 1;
}
