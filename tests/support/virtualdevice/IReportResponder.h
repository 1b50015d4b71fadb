#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// A simulated device behind one HID interface: host reports in, device reports
// out. Transports (the hidapi double, direct test harnesses) host a responder;
// the responder never knows which transport carries it. Plain C++ so that the
// engines also run under ThreadSanitizer without Qt in the way.
//
// Implementations are thread-safe: a transport calls them from its I/O thread
// while a test scripts faults from its own thread.
namespace VirtualDevices {

using Clock = std::chrono::steady_clock;
using Report = std::vector<std::uint8_t>;

class IReportResponder
{
public:
    virtual ~IReportResponder() = default;

    // One output report exactly as the host wrote it (hid_write's bytes,
    // including a leading report-id byte when the host sent one).
    virtual void onHostReport(const Report &report, Clock::time_point now) = 0;

    // Removes and returns the oldest device report that is due at `now`.
    virtual std::optional<Report> takeDeviceReport(Clock::time_point now) = 0;

    // When the next delayed report becomes due, if any is waiting.
    virtual std::optional<Clock::time_point> nextDueTime() const = 0;

    // Called (from any thread, without the responder's lock held) whenever a
    // report becomes available outside onHostReport, e.g. a scripted
    // notification; transports use it to wake a blocked read.
    virtual void setReportReadyCallback(std::function<void()> callback) = 0;
};

} // namespace VirtualDevices
