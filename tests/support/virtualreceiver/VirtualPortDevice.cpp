#include "tests/support/virtualreceiver/VirtualPortDevice.h"

#include <algorithm>
#include <sys/prctl.h>

namespace VirtualDevices {

using libtavrel::HidIoResult;

namespace {

// The link's slots are a millisecond; the kernel's default timer slack would
// add up to 50 us to each and make the simulated link slower than it is.
void preciseTimers()
{
    thread_local bool done = false;
    if (!done) {
        prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
        done = true;
    }
}

} // namespace

VirtualPortDevice::VirtualPortDevice(std::shared_ptr<VirtualPort> port, libtavrel::WaitScales waitScales)
    : port_(std::move(port))
    , waitScales_(waitScales)
{
}

HidIoResult VirtualPortDevice::writeReport(const libtavrel::HidReport &report, std::chrono::milliseconds timeout)
{
    preciseTimers();
    const auto deadline = Clock::now() + timeout;
    Clock::time_point sentAt;
    {
        std::unique_lock lock(port_->mutex);
        if (cancelled_)
            return HidIoResult::Interrupted;
        if (deliveredAt_) {
            port_->hostTurnarounds.push_back(Clock::now() - *deliveredAt_);
            deliveredAt_.reset();
        }
        if (!port_->present(Clock::now()))
            return HidIoResult::Failed;
        if (port_->failingWrites != 0) {
            if (port_->failingWrites > 0)
                --port_->failingWrites;
            return HidIoResult::Failed;
        }
        if (port_->stallWrites) {
            ++port_->stalledWrites;
            port_->changed.notify_all();
            port_->changed.wait_until(lock, deadline, [this] { return cancelled_; });
            return cancelled_ ? HidIoResult::Interrupted : HidIoResult::Timeout;
        }
        // The link carries one report per slot; a report has arrived when its slot ends.
        const auto start = std::max(Clock::now(), nextWriteSlot_);
        const auto arrival = start + port_->hostToDevice;
        if (arrival > deadline) {
            port_->changed.wait_until(lock, deadline, [this] { return cancelled_; });
            return cancelled_ ? HidIoResult::Interrupted : HidIoResult::Timeout;
        }
        if (arrival > Clock::now()
            && port_->changed.wait_until(lock, arrival, [this] { return cancelled_ || !port_->plugged; }))
            return cancelled_ ? HidIoResult::Interrupted : HidIoResult::Failed;
        nextWriteSlot_ = arrival;
        sentAt = std::max(arrival, Clock::now());
    }
    port_->responder->onHostReport(Report(report.begin(), report.end()), sentAt);
    return HidIoResult::Ok;
}

HidIoResult VirtualPortDevice::readReport(libtavrel::HidReport &report, std::size_t &length,
                                         std::chrono::milliseconds timeout)
{
    preciseTimers();
    const auto deadline = Clock::now() + timeout;
    std::unique_lock lock(port_->mutex);
    for (;;) {
        if (cancelled_)
            return HidIoResult::Interrupted;
        if (interrupted_) {
            interrupted_ = false;
            return HidIoResult::Interrupted;
        }
        const auto now = Clock::now();
        if (!port_->present(now))
            return HidIoResult::Failed;
        if (!inFlight_) {
            if (auto data = port_->responder->takeDeviceReport(now)) {
                // It travels for one slot of the link, after the one before it.
                inFlight_ = std::make_pair(std::max(now, nextReadSlot_) + port_->deviceToHost, std::move(*data));
            }
        }
        if (inFlight_ && inFlight_->first <= now) {
            const Report &data = inFlight_->second;
            report.fill(0);
            const std::size_t n = std::min(data.size(), report.size() - 1);
            std::copy_n(data.begin(), n, report.begin() + 1);
            length = n + 1;
            nextReadSlot_ = inFlight_->first;
            inFlight_.reset();
            deliveredAt_ = Clock::now();
            return HidIoResult::Ok;
        }
        if (now >= deadline)
            return HidIoResult::Timeout;
        auto wakeAt = deadline;
        if (port_->goneAt)
            wakeAt = std::min(wakeAt, *port_->goneAt);
        if (inFlight_)
            wakeAt = std::min(wakeAt, inFlight_->first);
        else if (const auto due = port_->responder->nextDueTime())
            wakeAt = std::min(wakeAt, *due);
        port_->changed.wait_until(lock, wakeAt);
    }
}

void VirtualPortDevice::interruptRead()
{
    {
        std::lock_guard lock(port_->mutex);
        interrupted_ = true;
    }
    port_->changed.notify_all();
}

void VirtualPortDevice::cancel()
{
    {
        std::lock_guard lock(port_->mutex);
        cancelled_ = true;
    }
    port_->changed.notify_all();
}

} // namespace VirtualDevices
