#pragma once

#include "tests/support/virtualdevice/IReportResponder.h"
#include "tests/support/virtualheadset/VirtualHeadset.h"

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

namespace VirtualDevices {

// Plays the virtual headset and writes one line per host command it took,
// with what it answered or stored, so that a person running the real program
// against it can watch the device side ("[VirtualHeadset] EQ stored: ...").
// Heartbeats are counted, not written.
class HeadsetTraceResponder : public IReportResponder
{
public:
    HeadsetTraceResponder(std::shared_ptr<VirtualHeadset> headset, std::FILE *out);

    void onHostReport(const Report &report, Clock::time_point now) override;
    std::optional<Report> takeDeviceReport(Clock::time_point now) override;
    std::optional<Clock::time_point> nextDueTime() const override;
    void setReportReadyCallback(std::function<void()> callback) override;

    // The line written for one host command; empty for commands left out.
    static std::string describe(const HostRequest &request, const HeadsetState &after);

private:
    std::shared_ptr<VirtualHeadset> m_headset;
    std::FILE *m_out;
    std::mutex m_mutex; // one host report and its lines at a time
};

} // namespace VirtualDevices
