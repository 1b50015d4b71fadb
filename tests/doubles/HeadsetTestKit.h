#pragma once

#include "tests/support/virtualheadset/VirtualHeadset.h"

#include <string_view>
#include <vector>

namespace VirtualDevices::TestKit {

// Parses "FE 03 10" (blanks optional) into bytes.
Bytes hex(std::string_view text);

// What the host writes: 0x00 report id, the frame(s), zero padding to 65 bytes.
Report hostReport(std::uint16_t command, std::uint8_t sequence, const Bytes &payload);
std::vector<Report> hostReports(std::uint16_t command, std::uint8_t sequence, const Bytes &payload);

// Every device report due at `now`, in order.
std::vector<Report> drain(VirtualHeadset &headset, Clock::time_point now);

// The frame at the start of each report; fails the test on a report that holds none.
std::vector<HeadsetWire::Frame> framesOf(const std::vector<Report> &reports);

// Payloads of the frames joined in the order given.
Bytes joined(const std::vector<HeadsetWire::Frame> &frames);

} // namespace VirtualDevices::TestKit
