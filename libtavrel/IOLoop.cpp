#include "libtavrel/IOLoop.h"

#include <algorithm>
#include <cstring>

namespace libtavrel {

using Clock = std::chrono::steady_clock;

IOLoop::IOLoop(std::shared_ptr<IHidDevice> device, std::shared_ptr<WriteQueue> writeQueue,
               std::shared_ptr<ReadQueue> readQueue, std::shared_ptr<WakeSignal> schedulerWake)
    : device_(std::move(device))
    , writeQueue_(std::move(writeQueue))
    , readQueue_(std::move(readQueue))
    , schedulerWake_(std::move(schedulerWake))
{
}

void IOLoop::writeQueued()
{
    idle_.notify();
    device_->interruptRead();
}

void IOLoop::stop()
{
    stopped_.store(true);
    idle_.notify();
    device_->cancel();
}

void IOLoop::run()
{
    while (!stopped_.load()) {
        writeAll();
        if (stopped_.load())
            break;
        readOnce();
    }
    // Whatever is left will never go out.
    while (auto request = writeQueue_->popFor())
        settle(*request, WriteState::Failed);
}

void IOLoop::writeAll()
{
    while (auto request = writeQueue_->popFor()) {
        if (stopped_.load())
            settle(*request, WriteState::Failed);
        else
            write(*request);
    }
}

void IOLoop::settle(WriteDataRequest &request, WriteState outcome)
{
    if (request.settle(outcome))
        schedulerWake_->notify();
}

void IOLoop::write(WriteDataRequest &request)
{
    const auto &bytes = request.bytes();
    constexpr std::size_t kPiece = kHidReportSize - 1;
    for (std::size_t offset = 0; offset < bytes.size(); offset += kPiece) {
        // The task may have given up on the request; don't send the rest.
        if (request.state() != WriteState::Pending)
            return;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(request.deadline() - Clock::now());
        if (left <= std::chrono::milliseconds::zero()) {
            settle(request, WriteState::Failed);
            return;
        }
        HidReport report{};
        const std::size_t n = std::min(kPiece, bytes.size() - offset);
        std::memcpy(report.data() + 1, bytes.data() + offset, n);
        if (device_->writeReport(report, left) != HidIoResult::Ok) {
            settle(request, WriteState::Failed);
            return;
        }
    }
    settle(request, WriteState::Written);
}

void IOLoop::readOnce()
{
    HidReport report{};
    std::size_t length = 0;
    switch (device_->readReport(report, length, kReadSlice)) {
    case HidIoResult::Ok: {
        if (length > 1)
            stream_.append(report.data() + 1, std::min(length, report.size()) - 1);
        bool delivered = false;
        for (;;) {
            auto package = std::make_shared<ReadDataPackage>();
            if (!stream_.extractFrame(*package))
                break;
            readQueue_->push(std::move(package));
            delivered = true;
        }
        if (delivered)
            schedulerWake_->notify();
        break;
    }
    case HidIoResult::Failed:
        idle_.waitUntil(Clock::now() + kReadSlice);
        break;
    case HidIoResult::Timeout:
    case HidIoResult::Interrupted:
        break;
    }
}

} // namespace libtavrel
