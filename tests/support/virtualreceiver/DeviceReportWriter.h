#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace VirtualDevices {

// How the device lays its frames into 64-byte input reports.
struct LinkShape
{
    std::size_t bytesPerReport = 64; // report size of the link (1..64); the last report of a frame is zero padded
    bool packFrames = false;         // frames sent together share reports
    std::vector<std::uint8_t> noiseBeforeFrame; // sent ahead of every frame
};

// One frame the device sends, with the damage a test asked for.
struct DeviceFrame
{
    int channel = 0;
    int kind = 0;
    std::vector<std::uint8_t> payload;
    bool badEndByte = false;
    int lengthError = 0; // added to the announced length
};

// Encodes device frames and cuts them into input reports (no report id).
class DeviceReportWriter
{
public:
    static std::vector<std::uint8_t> encode(const DeviceFrame &frame);
    static std::vector<std::vector<std::uint8_t>> toReports(const std::vector<DeviceFrame> &frames,
                                                            const LinkShape &shape);
    // Raw stream bytes cut into reports of `bytesPerReport`, the last one zero padded.
    static std::vector<std::vector<std::uint8_t>> cut(const std::vector<std::uint8_t> &stream,
                                                      std::size_t bytesPerReport);
};

} // namespace VirtualDevices
