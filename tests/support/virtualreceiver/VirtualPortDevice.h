#pragma once

#include "platform/tavrelhid/IHidDevice.h"
#include "tests/support/virtualreceiver/VirtualHidBus.h"

#include <optional>
#include <utility>

namespace VirtualDevices {

// An opened virtual interface: the engine's HID device over a port's responder.
class VirtualPortDevice : public libtavrel::IHidDevice
{
public:
    explicit VirtualPortDevice(std::shared_ptr<VirtualPort> port, libtavrel::WaitScales waitScales = {});

    libtavrel::HidIoResult writeReport(const libtavrel::HidReport &report, std::chrono::milliseconds timeout) override;
    libtavrel::HidIoResult readReport(libtavrel::HidReport &report, std::size_t &length,
                                      std::chrono::milliseconds timeout) override;
    void interruptRead() override;
    void cancel() override;
    libtavrel::WaitScales waitScales() const override { return waitScales_; }

private:
    std::shared_ptr<VirtualPort> port_;
    libtavrel::WaitScales waitScales_;
    // Guarded by the port's mutex.
    bool interrupted_ = false;
    bool cancelled_ = false;
    Clock::time_point nextWriteSlot_{};
    Clock::time_point nextReadSlot_{};
    std::optional<std::pair<Clock::time_point, Report>> inFlight_; // a device report on the link
    std::optional<Clock::time_point> deliveredAt_; // the host has a report it has not answered yet
};

} // namespace VirtualDevices
