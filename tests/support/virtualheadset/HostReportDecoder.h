#pragma once

#include "tests/support/virtualdevice/IReportResponder.h"
#include "tests/support/virtualheadset/HeadsetWire.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace VirtualDevices {

// One host message as the device understood it, after reassembly.
struct HostRequest
{
    Clock::time_point receivedAt{}; // arrival of the last fragment
    std::uint16_t command = 0;
    std::uint8_t sequence = 0;
    std::uint8_t type = 0;
    Bytes payload{};
    std::uint8_t frames = 1;
    bool reportId = false;        // the last report began with a 0x00 report id
    std::size_t reportSize = 0;   // bytes of the last report, report id included
};

// A host report the device could not take, with the reason in plain words.
struct RejectedReport
{
    Clock::time_point at{};
    Report report{};
    std::string reason{};
};

// Host reports in, host messages out. A report holds one frame, optionally
// behind a 0x00 report id and followed by zero padding; anything else is
// rejected the way a strict device firmware would drop it.
class HostReportDecoder
{
public:
    struct Outcome
    {
        std::optional<HostRequest> request; // a message became complete
        std::optional<std::string> rejection;
    };

    Outcome feed(const Report &report, Clock::time_point now);
    void reset();

    // Partial multi-frame messages idle longer than this are forgotten.
    static constexpr std::chrono::seconds kReassemblyLimit{10};

private:
    struct Partial
    {
        std::vector<std::optional<Bytes>> fragments;
        Clock::time_point lastUpdate;
    };

    void dropStale(Clock::time_point now);

    std::map<std::uint32_t, Partial> m_partials; // (command << 8) | sequence
};

} // namespace VirtualDevices
