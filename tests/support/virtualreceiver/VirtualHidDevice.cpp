#include "tests/support/virtualreceiver/VirtualHidDevice.h"

#include <algorithm>

namespace VirtualDevices {

using libtavrel::HidIoResult;

VirtualHidDevice::VirtualHidDevice(std::shared_ptr<VirtualPort> port, double timeScale)
    : port_(std::move(port))
    , timeScale_(timeScale)
{
}

HidIoResult VirtualHidDevice::writeReport(const libtavrel::HidReport &report, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    Clock::time_point sentAt;
    {
        std::unique_lock lock(port_->mutex);
        if (cancelled_)
            return HidIoResult::Interrupted;
        if (!port_->present(Clock::now()))
            return HidIoResult::Failed;
        if (port_->failingWrites != 0) {
            if (port_->failingWrites > 0)
                --port_->failingWrites;
            return HidIoResult::Failed;
        }
        if (port_->stallWrites) {
            port_->changed.wait_until(lock, deadline, [this] { return cancelled_; });
            return cancelled_ ? HidIoResult::Interrupted : HidIoResult::Timeout;
        }
        // The link takes one report per slot.
        const auto slot = std::max(Clock::now(), nextWriteSlot_);
        if (slot > deadline) {
            port_->changed.wait_until(lock, deadline, [this] { return cancelled_; });
            return cancelled_ ? HidIoResult::Interrupted : HidIoResult::Timeout;
        }
        if (port_->changed.wait_until(lock, slot, [this] { return cancelled_ || !port_->plugged; }))
            return cancelled_ ? HidIoResult::Interrupted : HidIoResult::Failed;
        nextWriteSlot_ = slot + port_->hostToDevice;
        sentAt = std::max(slot, Clock::now());
    }
    port_->responder->onHostReport(Report(report.begin(), report.end()), sentAt);
    return HidIoResult::Ok;
}

HidIoResult VirtualHidDevice::readReport(libtavrel::HidReport &report, std::size_t &length,
                                         std::chrono::milliseconds timeout)
{
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
        if (now >= nextReadSlot_) {
            if (auto data = port_->responder->takeDeviceReport(now)) {
                report.fill(0);
                const std::size_t n = std::min(data->size(), report.size() - 1);
                std::copy_n(data->begin(), n, report.begin() + 1);
                length = n + 1;
                nextReadSlot_ = now + port_->deviceToHost;
                return HidIoResult::Ok;
            }
        }
        if (now >= deadline)
            return HidIoResult::Timeout;
        auto wakeAt = deadline;
        if (port_->goneAt)
            wakeAt = std::min(wakeAt, *port_->goneAt);
        if (const auto due = port_->responder->nextDueTime())
            wakeAt = std::min(wakeAt, std::max(*due, nextReadSlot_));
        port_->changed.wait_until(lock, wakeAt);
    }
}

void VirtualHidDevice::interruptRead()
{
    {
        std::lock_guard lock(port_->mutex);
        interrupted_ = true;
    }
    port_->changed.notify_all();
}

void VirtualHidDevice::cancel()
{
    {
        std::lock_guard lock(port_->mutex);
        cancelled_ = true;
    }
    port_->changed.notify_all();
}

} // namespace VirtualDevices
