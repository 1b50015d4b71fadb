#pragma once

#include "tests/support/virtualdevice/IReportResponder.h"

#include <deque>
#include <mutex>

namespace VirtualDevices {

// Answers every host report with the same bytes, at once. A stand-in device
// for transport tests that do not care what the bytes mean.
class EchoResponder : public IReportResponder
{
public:
    void onHostReport(const Report &report, Clock::time_point now) override;
    std::optional<Report> takeDeviceReport(Clock::time_point now) override;
    std::optional<Clock::time_point> nextDueTime() const override;
    void setReportReadyCallback(std::function<void()> callback) override;

    // Queues an unsolicited device report (a notification) and wakes readers.
    void pushDeviceReport(const Report &report);

    std::size_t hostReportCount() const;

private:
    mutable std::mutex m_mutex;
    std::deque<Report> m_pending;
    std::size_t m_hostReports = 0;
    std::function<void()> m_readyCallback;
};

} // namespace VirtualDevices
