#include "libtavrel/Executor.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace libtavrel {

namespace {

bool expired(const Task::promise_type &promise, Executor::Clock::time_point now)
{
    // A deadline equal to the current tick has not passed yet.
    return promise.deadline && now > *promise.deadline;
}

} // namespace

Executor::Executor(std::shared_ptr<IHidDevice> device, ExecutorTimeouts timeouts)
    : device_(std::move(device))
    , wake_(std::make_shared<WakeSignal>())
    , writeQueue_(std::make_shared<IOLoop::WriteQueue>())
    , readQueue_(std::make_shared<IOLoop::ReadQueue>())
    , ioLoop_(std::make_shared<IOLoop>(device_, writeQueue_, readQueue_, wake_))
    , timeouts_(timeouts)
{
    ioThread_ = std::thread([loop = ioLoop_] { loop->run(); });
}

Executor::~Executor()
{
    ioLoop_->stop();
    if (ioThread_.joinable())
        ioThread_.join();
    // Frames go without running further; their channel locks come back here.
    for (Task::Handle handle : tasks_)
        handle.destroy();
    tasks_.clear();
    received_.clear();
}

void *Executor::addTask(Task task)
{
    if (tasks_.size() >= tasks_.max_size())
        throw std::length_error("list too long");
    tasks_.emplace_back();
    tasks_.back() = task.release();
    return &tasks_.back();
}

void Executor::discardPackages(int channel)
{
    takeArrivedPackages();
    received_.remove_if([channel](const auto &package) { return package->channel == channel; });
}

void Executor::unlock(int id) noexcept
{
    busyIds_.erase(id);
}

void Executor::queueWrite(std::shared_ptr<WriteDataRequest> request)
{
    writeQueue_->push(std::move(request));
    ioLoop_->writeQueued();
}

void Executor::takeArrivedPackages()
{
    while (auto package = readQueue_->popFor())
        received_.push_back(std::move(package));
}

void Executor::runAll()
{
    if (running_)
        return; // a callback calling back in; the outer call finishes the work
    running_ = true;
    struct Reset
    {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{running_};

    while (!tasks_.empty()) {
        if (!runPass())
            sleepUntilWork();
    }
}

bool Executor::runPass()
{
    bool active = false;
    const auto now = Clock::now();
    const auto resume = [&active](Task::Handle handle) {
        handle.promise().makeReady();
        handle.resume();
        active = true;
    };

    for (Task::Handle handle : tasks_) {
        auto &promise = handle.promise();
        if (promise.ended)
            continue;
        switch (promise.waitKind) {
        case WaitKind::Ready:
            resume(handle);
            break;
        case WaitKind::Lock:
            if (!busyIds_.contains(promise.lockId)) {
                busyIds_.insert(promise.lockId);
                promise.granted = true;
                resume(handle);
            } else if (expired(promise, now)) {
                promise.granted = false;
                resume(handle);
            }
            break;
        case WaitKind::WritePending:
            if (promise.pendingWrite->state() != WriteState::Pending) {
                resume(handle);
            } else if (expired(promise, now)) {
                promise.pendingWrite->settle(WriteState::Failed);
                resume(handle);
            }
            break;
        case WaitKind::Reply:
        case WaitKind::Sleep:
            if (expired(promise, now)) {
                promise.reply.reset();
                resume(handle);
            }
            break;
        case WaitKind::Child:
            break; // the child's end resumes it
        }
    }

    for (auto it = tasks_.begin(); it != tasks_.end();) {
        auto &promise = it->promise();
        if (promise.ended && !promise.awaited) {
            it->destroy();
            it = tasks_.erase(it);
            active = true;
        } else {
            ++it;
        }
    }

    for (auto it = received_.begin(); it != received_.end();) {
        const int channel = (*it)->channel;
        const auto waiter = std::find_if(tasks_.begin(), tasks_.end(), [channel](Task::Handle handle) {
            const auto &promise = handle.promise();
            return !promise.ended && promise.waitKind == WaitKind::Reply && promise.replyChannel == channel;
        });
        if (waiter == tasks_.end()) {
            ++it;
            continue;
        }
        auto &promise = waiter->promise();
        promise.reply = std::move(*it);
        received_.erase(it);
        promise.makeReady();
        waiter->resume();
        active = true;
        // The task may have discarded packages; start over with the oldest.
        it = received_.begin();
    }

    if (!readQueue_->empty()) {
        takeArrivedPackages();
        active = true;
    }
    return active;
}

void Executor::sleepUntilWork()
{
    // Nothing can go on now: sleep until the nearest deadline, or until the
    // I/O thread delivers a frame or settles a write. The cap only bounds a
    // sleep in which no task has a deadline.
    auto until = Clock::now() + std::chrono::seconds(1);
    for (Task::Handle handle : tasks_) {
        const auto &promise = handle.promise();
        if (!promise.ended && promise.deadline)
            until = std::min(until, *promise.deadline + std::chrono::nanoseconds(1));
    }
    wake_->waitUntil(until);
}

void Executor::SleepAwaiter::await_suspend(Task::Handle handle) const noexcept
{
    auto &promise = handle.promise();
    promise.waitKind = WaitKind::Sleep;
    promise.deadline = Clock::now() + duration;
}

void Executor::WriteAwaiter::await_suspend(Task::Handle handle)
{
    const auto deadline = Clock::now() + timeout;
    request->setDeadline(deadline);
    auto &promise = handle.promise();
    promise.waitKind = WaitKind::WritePending;
    promise.pendingWrite = request;
    promise.deadline = deadline;
    executor.queueWrite(request);
}

bool Executor::WriteAwaiter::await_resume() const noexcept
{
    return request && request->state() == WriteState::Written;
}

void Executor::ReplyAwaiter::await_suspend(Task::Handle h) noexcept
{
    handle = h;
    auto &promise = h.promise();
    promise.waitKind = WaitKind::Reply;
    promise.replyChannel = channel;
    promise.reply.reset();
    promise.deadline = Clock::now() + timeout;
}

std::shared_ptr<ReadDataPackage> Executor::ReplyAwaiter::await_resume() noexcept
{
    return std::move(handle.promise().reply);
}

void Executor::LockAwaiter::await_suspend(Task::Handle h) noexcept
{
    handle = h;
    auto &promise = h.promise();
    promise.waitKind = WaitKind::Lock;
    promise.lockId = id;
    promise.granted = false;
    promise.deadline = Clock::now() + timeout;
}

ChannelLock Executor::LockAwaiter::await_resume() noexcept
{
    auto &promise = handle.promise();
    if (!std::exchange(promise.granted, false))
        return {};
    return ChannelLock(&executor, id);
}

std::coroutine_handle<> Executor::ChildAwaiter::await_suspend(Task::Handle parent)
{
    if (executor.tasks_.size() >= executor.tasks_.max_size())
        throw std::length_error("list too long");
    executor.tasks_.emplace_back(); // may throw; the child stays owned until it is linked
    childHandle = child.release();
    executor.tasks_.back() = childHandle;
    auto &promise = childHandle.promise();
    promise.awaited = true;
    promise.continuation = parent;
    auto &parentPromise = parent.promise();
    parentPromise.waitKind = WaitKind::Child;
    parentPromise.deadline.reset();
    return childHandle;
}

bool Executor::ChildAwaiter::await_resume()
{
    auto &promise = childHandle.promise();
    promise.awaited = false;
    if (std::exception_ptr exception = std::exchange(promise.exception, nullptr); exception && rethrow)
        std::rethrow_exception(exception);
    return promise.result; // false after an exception
}

} // namespace libtavrel
