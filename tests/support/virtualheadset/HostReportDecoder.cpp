#include "tests/support/virtualheadset/HostReportDecoder.h"

#include <algorithm>
#include <span>

namespace VirtualDevices {

namespace {

constexpr std::size_t kMaxHostReport = HeadsetWire::kReportSize + 1;

HostReportDecoder::Outcome reject(std::string reason)
{
    return {std::nullopt, std::move(reason)};
}

} // namespace

HostReportDecoder::Outcome HostReportDecoder::feed(const Report &report, Clock::time_point now)
{
    dropStale(now);
    if (report.empty())
        return reject("empty report");
    if (report.size() > kMaxHostReport)
        return reject("report of " + std::to_string(report.size()) + " bytes, more than 65");

    const bool reportId = report[0] == 0x00;
    std::span<const std::uint8_t> body(report);
    if (reportId)
        body = body.subspan(1);
    else if (report[0] != HeadsetWire::kSync)
        return reject("neither a report id nor a sync byte in front");

    const HeadsetWire::DecodedFrame decoded = HeadsetWire::decodeFrame(body);
    if (!decoded.frame)
        return reject(decoded.error);
    const auto trailing = body.subspan(decoded.size);
    if (std::any_of(trailing.begin(), trailing.end(), [](std::uint8_t b) { return b != 0; }))
        return reject("non-zero bytes after the frame's CRC");
    const HeadsetWire::Frame &frame = *decoded.frame;
    if (frame.encrypted)
        return reject("enciphered bit set");
    if (body[1] & 0x70)
        return reject("reserved flag bits set");
    if (frame.type != static_cast<std::uint8_t>(HeadsetWire::FrameType::Request))
        return reject("frame type " + std::to_string(frame.type) + " is not a request");
    if (frame.frameIndex >= frame.totalFrames)
        return reject("frame index " + std::to_string(frame.frameIndex) + " outside a total of "
                      + std::to_string(frame.totalFrames));

    HostRequest request;
    request.receivedAt = now;
    request.command = frame.command;
    request.sequence = frame.sequence;
    request.type = frame.type;
    request.frames = frame.totalFrames;
    request.reportId = reportId;
    request.reportSize = report.size();

    if (frame.totalFrames == 1) {
        request.payload = frame.payload;
        return {std::move(request), std::nullopt};
    }

    const std::uint32_t key = (static_cast<std::uint32_t>(frame.command) << 8) | frame.sequence;
    Partial &partial = m_partials[key];
    if (partial.fragments.size() != frame.totalFrames)
        partial.fragments.assign(frame.totalFrames, std::nullopt);
    partial.fragments[frame.frameIndex] = frame.payload;
    partial.lastUpdate = now;
    if (std::any_of(partial.fragments.begin(), partial.fragments.end(), [](const auto &f) { return !f; }))
        return {};
    for (const auto &fragment : partial.fragments)
        request.payload.insert(request.payload.end(), fragment->begin(), fragment->end());
    m_partials.erase(key);
    return {std::move(request), std::nullopt};
}

void HostReportDecoder::reset()
{
    m_partials.clear();
}

void HostReportDecoder::dropStale(Clock::time_point now)
{
    std::erase_if(m_partials, [now](const auto &entry) { return now - entry.second.lastUpdate > kReassemblyLimit; });
}

} // namespace VirtualDevices
