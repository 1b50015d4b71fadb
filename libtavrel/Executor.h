#pragma once

#include "libtavrel/ChannelLock.h"
#include "libtavrel/ExecutorTimeouts.h"
#include "libtavrel/IOLoop.h"
#include "libtavrel/Task.h"

#include <chrono>
#include <list>
#include <memory>
#include <set>
#include <thread>

namespace libtavrel {

// One opened interface with its I/O thread and a cooperative scheduler that
// runs tasks on the thread calling runAll(). Tasks suspend on the awaitables
// below; while none can go on, the scheduler sleeps until the nearest
// deadline or until the I/O thread brings a frame or settles a write.
class Executor
{
public:
    using Clock = std::chrono::steady_clock;
    using Duration = Clock::duration;

    Executor(std::shared_ptr<IHidDevice> device, ExecutorTimeouts timeouts = {});
    // Stops and joins the I/O thread, then destroys every task still queued.
    ~Executor();

    Executor(const Executor &) = delete;
    Executor &operator=(const Executor &) = delete;

    // Queues a task; it first runs inside runAll(). The result identifies the
    // task until it ends. Throws std::length_error("list too long") when the
    // list is full.
    void *addTask(Task task);

    // Runs every queued task to its end on the calling thread.
    void runAll();

    // Forgets every received package of `channel` that no task has taken.
    void discardPackages(int channel);

    const ExecutorTimeouts &timeouts() const { return timeouts_; }
    std::size_t taskCount() const { return tasks_.size(); }

    struct SleepAwaiter
    {
        Duration duration;
        bool await_ready() const noexcept { return false; }
        void await_suspend(Task::Handle handle) const noexcept;
        void await_resume() const noexcept {}
    };

    // Resumes true once the I/O thread has written the request; false when it
    // failed, was null, or was not written within the time-out (it is then
    // cancelled so that it doesn't go out late).
    struct WriteAwaiter
    {
        Executor &executor;
        std::shared_ptr<WriteDataRequest> request;
        Duration timeout;
        bool await_ready() const noexcept { return !request; }
        void await_suspend(Task::Handle handle);
        bool await_resume() const noexcept;
    };

    // Resumes with the next package of `channel`, or null after the time-out.
    struct ReplyAwaiter
    {
        int channel;
        Duration timeout;
        Task::Handle handle;
        bool await_ready() const noexcept { return false; }
        void await_suspend(Task::Handle h) noexcept;
        std::shared_ptr<ReadDataPackage> await_resume() noexcept;
    };

    // Resumes holding the lock on `id`, or with an empty lock after the time-out.
    struct LockAwaiter
    {
        Executor &executor;
        int id;
        Duration timeout;
        Task::Handle handle;
        bool await_ready() const noexcept { return false; }
        void await_suspend(Task::Handle h) noexcept;
        ChannelLock await_resume() noexcept;
    };

    // Runs a child task now and resumes with its result once it has ended. A
    // child ended by an exception reads as false, so its parent reports the
    // failure of that step as its own; with `rethrow` the exception goes on
    // in the parent instead (the guard at the top of an exported task).
    struct ChildAwaiter
    {
        Executor &executor;
        Task child;
        Task::Handle childHandle;
        bool rethrow = false;
        bool await_ready() const noexcept { return false; }
        std::coroutine_handle<> await_suspend(Task::Handle parent);
        bool await_resume();
    };

    SleepAwaiter sleep(Duration duration) { return {duration}; }
    WriteAwaiter write(std::shared_ptr<WriteDataRequest> request, Duration timeout)
    {
        return {*this, std::move(request), timeout};
    }
    ReplyAwaiter reply(int channel, Duration timeout) { return {channel, timeout, {}}; }
    LockAwaiter lock(int id, Duration timeout) { return {*this, id, timeout, {}}; }
    ChildAwaiter child(Task task) { return {*this, std::move(task), {}, false}; }
    ChildAwaiter childOrThrow(Task task) { return {*this, std::move(task), {}, true}; }

    // Gives a lock back; ChannelLock calls it.
    void unlock(int id) noexcept;

private:
    bool runPass();
    void sleepUntilWork();
    void takeArrivedPackages();
    void queueWrite(std::shared_ptr<WriteDataRequest> request);

    std::shared_ptr<IHidDevice> device_;
    std::shared_ptr<WakeSignal> wake_;
    std::shared_ptr<IOLoop::WriteQueue> writeQueue_;
    std::shared_ptr<IOLoop::ReadQueue> readQueue_;
    std::shared_ptr<IOLoop> ioLoop_;
    std::list<Task::Handle> tasks_;
    std::list<std::shared_ptr<ReadDataPackage>> received_;
    std::set<int> busyIds_;
    ExecutorTimeouts timeouts_;
    bool running_ = false;
    std::thread ioThread_;
};

} // namespace libtavrel
