#pragma once

#include "platform/tavrelhid/IHidDevice.h"

#include <atomic>

namespace libtavrel {

// A hidraw node opened for report I/O. Waits go through poll() together with
// an eventfd, so interruptRead() and cancel() end a blocked call at once.
class LinuxHidDevice : public IHidDevice
{
public:
    // Takes ownership of `fd` (opened O_NONBLOCK) and of the two eventfds.
    // Anything that behaves like a hidraw node works: one read() yields one
    // report without its report id, one write() takes a report with its id.
    LinuxHidDevice(int fd, int wakeFd, int cancelFd);
    ~LinuxHidDevice() override;

    LinuxHidDevice(const LinuxHidDevice &) = delete;
    LinuxHidDevice &operator=(const LinuxHidDevice &) = delete;

    HidIoResult writeReport(const HidReport &report, std::chrono::milliseconds timeout) override;
    HidIoResult readReport(HidReport &report, std::size_t &length, std::chrono::milliseconds timeout) override;
    void interruptRead() override;
    void cancel() override;

private:
    enum class Ready { Device, Woken, Cancelled, Timeout, Error };
    // Waits for the device, the cancel fd and, when `wakeable`, the wake fd.
    Ready waitFor(short events, bool wakeable, std::chrono::steady_clock::time_point deadline);

    int fd_;
    int wakeFd_;   // read interrupts, consumed by the read they end
    int cancelFd_; // stays signalled once cancelled
    std::atomic<bool> cancelled_{false};
};

} // namespace libtavrel
