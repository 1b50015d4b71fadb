#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace VirtualDevices {

// A transport frame as the device received it from the host.
struct HostFrame
{
    int channel = 0;
    int kind = 0;
    std::vector<std::uint8_t> payload;
};

// The device's own reading of the host's report stream. Written apart from
// the engine's parser so that a fault in one cannot hide in the other.
class HostFrameReader
{
public:
    // One output report as the host wrote it, report id first.
    std::vector<HostFrame> feedReport(const std::vector<std::uint8_t> &report);

    std::size_t malformed() const { return malformed_; }

private:
    std::deque<std::uint8_t> pending_;
    std::size_t malformed_ = 0;
};

} // namespace VirtualDevices
