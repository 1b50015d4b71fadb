#include "platform/tavrelhid/LinuxHidDevice.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <unistd.h>

namespace libtavrel {

using Clock = std::chrono::steady_clock;

LinuxHidDevice::LinuxHidDevice(int fd, int wakeFd, int cancelFd)
    : fd_(fd)
    , wakeFd_(wakeFd)
    , cancelFd_(cancelFd)
{
}

LinuxHidDevice::~LinuxHidDevice()
{
    ::close(fd_);
    ::close(wakeFd_);
    ::close(cancelFd_);
}

LinuxHidDevice::Ready LinuxHidDevice::waitFor(short events, bool wakeable, Clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd fds[3] = {{fd_, events, 0}, {cancelFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        const int n = ::poll(fds, wakeable ? 3 : 2, int(left < 0 ? 0 : left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Ready::Error;
        }
        if (fds[1].revents & POLLIN)
            return Ready::Cancelled;
        if (wakeable && (fds[2].revents & POLLIN)) {
            std::uint64_t counter = 0;
            [[maybe_unused]] auto r = ::read(wakeFd_, &counter, sizeof counter);
            return Ready::Woken;
        }
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL))
            return Ready::Error;
        if (fds[0].revents & events)
            return Ready::Device;
        if (n == 0 && Clock::now() >= deadline)
            return Ready::Timeout;
    }
}

HidIoResult LinuxHidDevice::writeReport(const HidReport &report, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (cancelled_.load())
            return HidIoResult::Interrupted;
        const ssize_t n = ::write(fd_, report.data(), report.size());
        if (n == ssize_t(report.size()))
            return HidIoResult::Ok;
        if (n >= 0 || (errno != EAGAIN && errno != EINTR))
            return HidIoResult::Failed;
        switch (waitFor(POLLOUT, false, deadline)) {
        case Ready::Device:
        case Ready::Woken:
            continue;
        case Ready::Cancelled:
            return HidIoResult::Interrupted;
        case Ready::Timeout:
            return HidIoResult::Timeout;
        case Ready::Error:
            return HidIoResult::Failed;
        }
    }
}

HidIoResult LinuxHidDevice::readReport(HidReport &report, std::size_t &length, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (cancelled_.load())
            return HidIoResult::Interrupted;
        // hidraw hands out reports without the id when the device numbers none.
        const ssize_t n = ::read(fd_, report.data() + 1, report.size() - 1);
        if (n > 0) {
            report[0] = 0;
            length = std::size_t(n) + 1;
            for (std::size_t i = length; i < report.size(); ++i)
                report[i] = 0;
            return HidIoResult::Ok;
        }
        if (n == 0 || (errno != EAGAIN && errno != EINTR))
            return HidIoResult::Failed;
        switch (waitFor(POLLIN, true, deadline)) {
        case Ready::Device:
            continue;
        case Ready::Woken:
        case Ready::Cancelled:
            return HidIoResult::Interrupted;
        case Ready::Timeout:
            return HidIoResult::Timeout;
        case Ready::Error:
            return HidIoResult::Failed;
        }
    }
}

void LinuxHidDevice::interruptRead()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] auto r = ::write(wakeFd_, &one, sizeof one);
}

void LinuxHidDevice::cancel()
{
    cancelled_.store(true);
    const std::uint64_t one = 1;
    [[maybe_unused]] auto r = ::write(cancelFd_, &one, sizeof one);
}

} // namespace libtavrel
