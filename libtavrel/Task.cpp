#include "libtavrel/Task.h"

#include <utility>

namespace libtavrel {

std::coroutine_handle<> Task::FinalAwaiter::await_suspend(Handle handle) noexcept
{
    auto &promise = handle.promise();
    promise.ended = true;
    promise.makeReady();
    if (promise.continuation) {
        promise.continuation.promise().makeReady();
        return promise.continuation;
    }
    return std::noop_coroutine();
}

Task::Task(Handle handle) noexcept
    : handle_(handle)
{
}

Task::Task(Task &&other) noexcept
    : handle_(std::exchange(other.handle_, {}))
{
}

Task &Task::operator=(Task &&other) noexcept
{
    if (this != &other) {
        if (handle_)
            handle_.destroy();
        handle_ = std::exchange(other.handle_, {});
    }
    return *this;
}

Task::~Task()
{
    if (handle_)
        handle_.destroy();
}

Task::Handle Task::release() noexcept
{
    return std::exchange(handle_, {});
}

} // namespace libtavrel
