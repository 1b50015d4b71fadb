#include "EchoResponder.h"

namespace VirtualDevices {

void EchoResponder::onHostReport(const Report &report, Clock::time_point)
{
    std::lock_guard lock(m_mutex);
    ++m_hostReports;
    m_pending.push_back(report);
}

std::optional<Report> EchoResponder::takeDeviceReport(Clock::time_point)
{
    std::lock_guard lock(m_mutex);
    if (m_pending.empty())
        return std::nullopt;
    Report report = std::move(m_pending.front());
    m_pending.pop_front();
    return report;
}

std::optional<Clock::time_point> EchoResponder::nextDueTime() const
{
    return std::nullopt; // nothing is ever delayed
}

void EchoResponder::setReportReadyCallback(std::function<void()> callback)
{
    std::lock_guard lock(m_mutex);
    m_readyCallback = std::move(callback);
}

void EchoResponder::pushDeviceReport(const Report &report)
{
    std::function<void()> callback;
    {
        std::lock_guard lock(m_mutex);
        m_pending.push_back(report);
        callback = m_readyCallback;
    }
    if (callback)
        callback();
}

std::size_t EchoResponder::hostReportCount() const
{
    std::lock_guard lock(m_mutex);
    return m_hostReports;
}

} // namespace VirtualDevices
