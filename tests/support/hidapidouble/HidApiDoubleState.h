#pragma once

// Internals shared by the two halves of the double: the test-facing control
// (HidApiDouble.cpp) and the hidapi entry points (HidApiDoubleEntryPoints.cpp).
#include "HidApiDouble.h"

#include <deque>

namespace VirtualDevices {

struct HidApiDouble::DeviceState
{
    VirtualHidDevice info;
    bool listed = false;
    bool unplugged = false;
    std::shared_ptr<IReportResponder> responder;
    std::vector<Report> writes;
    int writeAttempts = 0;
    int readCalls = 0;
    int stalledReads = 0;
    // Bumped on anything a blocked reader may be waiting for.
    std::uint64_t generation = 0;

    std::optional<std::wstring> openFailure;
    bool failNonblocking = false;
    struct QueuedWriteFault
    {
        WriteFault fault;
        std::size_t shortLength;
    };
    std::deque<QueuedWriteFault> writeFaults;
    int readFailuresLeft = 0;
    std::wstring readFailureText;
    bool stalled = false;
};

} // namespace VirtualDevices

// The opaque handle hidapi hands out.
struct hid_device_
{
    std::shared_ptr<VirtualDevices::HidApiDouble::DeviceState> device;
    bool nonblocking = false;
    std::optional<std::wstring> lastError;
};

