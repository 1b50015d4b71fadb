#include "tests/doubles/HeadsetTestKit.h"

#include <gtest/gtest.h>

#include <span>
#include <string>

namespace VirtualDevices::TestKit {

Bytes hex(std::string_view text)
{
    Bytes out;
    std::string digits;
    for (char c : text) {
        if (c == ' ')
            continue;
        digits.push_back(c);
        if (digits.size() == 2) {
            out.push_back(static_cast<std::uint8_t>(std::stoul(digits, nullptr, 16)));
            digits.clear();
        }
    }
    return out;
}

std::vector<Report> hostReports(std::uint16_t command, std::uint8_t sequence, const Bytes &payload)
{
    std::vector<Report> reports;
    for (const Bytes &frame : HeadsetWire::encodeMessage(command, HeadsetWire::FrameType::Request, sequence, payload)) {
        Report report{0x00};
        report.insert(report.end(), frame.begin(), frame.end());
        report.resize(65, 0x00);
        reports.push_back(std::move(report));
    }
    return reports;
}

Report hostReport(std::uint16_t command, std::uint8_t sequence, const Bytes &payload)
{
    return hostReports(command, sequence, payload).at(0);
}

std::vector<Report> drain(VirtualHeadset &headset, Clock::time_point now)
{
    std::vector<Report> reports;
    while (auto report = headset.takeDeviceReport(now))
        reports.push_back(std::move(*report));
    return reports;
}

std::vector<HeadsetWire::Frame> framesOf(const std::vector<Report> &reports)
{
    std::vector<HeadsetWire::Frame> frames;
    for (const Report &report : reports) {
        const HeadsetWire::DecodedFrame decoded = HeadsetWire::decodeFrame(std::span<const std::uint8_t>(report));
        EXPECT_TRUE(decoded.frame) << decoded.error;
        if (decoded.frame)
            frames.push_back(*decoded.frame);
    }
    return frames;
}

Bytes joined(const std::vector<HeadsetWire::Frame> &frames)
{
    Bytes out;
    for (const auto &frame : frames)
        out.insert(out.end(), frame.payload.begin(), frame.payload.end());
    return out;
}

} // namespace VirtualDevices::TestKit
