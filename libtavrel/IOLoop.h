#pragma once

#include "libtavrel/BlockingQueue.h"
#include "libtavrel/ReadDataPackage.h"
#include "libtavrel/TransportStreamBuffer.h"
#include "libtavrel/WakeSignal.h"
#include "libtavrel/WriteDataRequest.h"
#include "platform/tavrelhid/IHidDevice.h"

#include <atomic>
#include <chrono>
#include <memory>

namespace libtavrel {

// The I/O thread's body: writes queued frames as 65-byte reports, reads
// reports into the stream buffer and hands complete frames to the scheduler.
// It blocks in the device's read with a short time-out and is woken at once
// for new writes and for stopping; it never spins.
class IOLoop
{
public:
    using WriteQueue = BlockingQueue<WriteDataRequest>;
    using ReadQueue = BlockingQueue<ReadDataPackage>;

    IOLoop(std::shared_ptr<IHidDevice> device, std::shared_ptr<WriteQueue> writeQueue,
           std::shared_ptr<ReadQueue> readQueue, std::shared_ptr<WakeSignal> schedulerWake);

    void run();

    // Thread-safe: a request was pushed into the write queue.
    void writeQueued();
    // Thread-safe: run() returns soon; pending device calls end at once.
    void stop();

    // How long one read blocks before the loop looks at its queues again.
    static constexpr std::chrono::milliseconds kReadSlice{100};

private:
    void writeAll();
    void write(WriteDataRequest &request);
    void settle(WriteDataRequest &request, WriteState outcome);
    void readOnce();

    std::shared_ptr<IHidDevice> device_;
    std::shared_ptr<WriteQueue> writeQueue_;
    std::shared_ptr<ReadQueue> readQueue_;
    std::shared_ptr<WakeSignal> schedulerWake_;
    WakeSignal idle_; // waited on after a failed read so a vanished device doesn't spin the loop
    std::atomic<bool> stopped_{false};
    TransportStreamBuffer stream_;
};

} // namespace libtavrel
