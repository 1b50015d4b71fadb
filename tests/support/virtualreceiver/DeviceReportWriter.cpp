#include "tests/support/virtualreceiver/DeviceReportWriter.h"

#include <algorithm>

namespace VirtualDevices {

std::vector<std::uint8_t> DeviceReportWriter::encode(const DeviceFrame &frame)
{
    const int announced = int(frame.payload.size()) + 1 + frame.lengthError;
    std::vector<std::uint8_t> bytes(frame.payload.size() + 8);
    bytes[0] = 0x4A;
    bytes[1] = 0x4C;
    bytes[2] = std::uint8_t((frame.channel & 0x0F) << 4);
    bytes[3] = 0x00;
    bytes[4] = std::uint8_t((announced >> 8) & 0xFF);
    bytes[5] = std::uint8_t(announced & 0xFF);
    bytes[6] = std::uint8_t(frame.kind);
    std::copy(frame.payload.begin(), frame.payload.end(), bytes.begin() + 7);
    bytes.back() = frame.badEndByte ? 0xEE : 0xED;
    return bytes;
}

std::vector<std::vector<std::uint8_t>> DeviceReportWriter::cut(const std::vector<std::uint8_t> &stream,
                                                               std::size_t bytesPerReport)
{
    const std::size_t piece = std::clamp<std::size_t>(bytesPerReport, 1, 64);
    std::vector<std::vector<std::uint8_t>> reports;
    for (std::size_t offset = 0; offset < stream.size(); offset += piece) {
        std::vector<std::uint8_t> report(piece, 0);
        const std::size_t n = std::min(piece, stream.size() - offset);
        std::copy_n(stream.begin() + std::ptrdiff_t(offset), n, report.begin());
        reports.push_back(std::move(report));
    }
    return reports;
}

std::vector<std::vector<std::uint8_t>> DeviceReportWriter::toReports(const std::vector<DeviceFrame> &frames,
                                                                     const LinkShape &shape)
{
    std::vector<std::vector<std::uint8_t>> reports;
    std::vector<std::uint8_t> packed;
    for (const DeviceFrame &frame : frames) {
        std::vector<std::uint8_t> bytes = shape.noiseBeforeFrame;
        const auto encoded = encode(frame);
        bytes.insert(bytes.end(), encoded.begin(), encoded.end());
        if (shape.packFrames) {
            packed.insert(packed.end(), bytes.begin(), bytes.end());
        } else {
            auto cutFrame = cut(bytes, shape.bytesPerReport);
            reports.insert(reports.end(), cutFrame.begin(), cutFrame.end());
        }
    }
    if (shape.packFrames) {
        auto cutStream = cut(packed, shape.bytesPerReport);
        reports.insert(reports.end(), cutStream.begin(), cutStream.end());
    }
    return reports;
}

} // namespace VirtualDevices
