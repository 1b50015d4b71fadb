#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace libtavrel {

// A HID report as the engine moves it: report id 0 in byte 0, then 64 data bytes.
inline constexpr std::size_t kHidReportSize = 65;
using HidReport = std::array<std::uint8_t, kHidReportSize>;

enum class HidIoResult {
    Ok,
    Timeout,     // nothing moved within the time-out
    Interrupted, // interruptRead() or cancel() ended the wait
    Failed,      // the device refused or is gone
};

// How long each of the engine's fixed waits lasts with a device, as a
// fraction of its real length.
struct WaitScales
{
    double write = 1.0;         // a report reaches the device
    double reply = 1.0;         // RCP replies and the slow receiver commands
    double receiverReply = 1.0; // the quick receiver commands
    double lock = 1.0;
    double reconnectPoll = 1.0; // pause between client-list polls
    double loaderSettle = 1.0;  // pause after the loader reports ready

    static WaitScales uniform(double scale) { return {scale, scale, scale, scale, scale, scale}; }
};

// One opened HID interface. readReport and writeReport are called from one I/O
// thread; interruptRead and cancel may be called from any thread. Closing is
// the destructor's job.
class IHidDevice
{
public:
    virtual ~IHidDevice() = default;

    // Writes one whole report; gives up after `timeout`.
    virtual HidIoResult writeReport(const HidReport &report, std::chrono::milliseconds timeout) = 0;

    // Blocks for one input report for at most `timeout`. On Ok, `length` is the
    // number of valid bytes in `report`, counting the report id in byte 0.
    virtual HidIoResult readReport(HidReport &report, std::size_t &length,
                                   std::chrono::milliseconds timeout) = 0;

    // Ends the current readReport wait, or the next one when none is running,
    // with Interrupted. Used to let queued writes go out at once.
    virtual void interruptRead() = 0;

    // Every blocking call, now and later, returns at once; the device is done.
    virtual void cancel() = 0;

    // Real hardware runs every wait at its real length. A simulated device may
    // run its pauses faster and still give its answers their full time.
    virtual WaitScales waitScales() const { return {}; }
};

} // namespace libtavrel
