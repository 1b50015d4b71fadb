#pragma once

#include <chrono>
#include <coroutine>
#include <exception>
#include <memory>
#include <optional>

namespace libtavrel {

class WriteDataRequest;
struct ReadDataPackage;

// What a suspended task waits for.
enum class WaitKind : int {
    Ready = 0,
    WritePending = 1,
    Reply = 2,
    Child = 3,
    Sleep = 4,
    Lock = 5,
};

// A cooperative task: a coroutine that yields bool and suspends only on the
// executor's awaitables. The scheduler reads and writes its promise.
class [[nodiscard]] Task
{
public:
    struct promise_type;
    using Handle = std::coroutine_handle<promise_type>;

    // At its end a task hands control straight back to the parent waiting for it.
    struct FinalAwaiter
    {
        bool await_ready() const noexcept { return false; }
        std::coroutine_handle<> await_suspend(Handle handle) noexcept;
        void await_resume() const noexcept {}
    };

    struct promise_type
    {
        WaitKind waitKind = WaitKind::Ready;
        int replyChannel = -1;
        int lockId = -1;
        std::shared_ptr<WriteDataRequest> pendingWrite;
        std::shared_ptr<ReadDataPackage> reply;
        std::optional<std::chrono::steady_clock::time_point> deadline;
        Handle continuation;
        bool result = false;
        bool awaited = false;  // a parent still has to read the result
        bool ended = false;
        bool granted = false;  // outcome of the last lock wait
        std::exception_ptr exception;

        Task get_return_object() noexcept { return Task(Handle::from_promise(*this)); }
        std::suspend_always initial_suspend() const noexcept { return {}; }
        FinalAwaiter final_suspend() const noexcept { return {}; }
        void return_value(bool value) noexcept { result = value; }
        void unhandled_exception() noexcept
        {
            exception = std::current_exception();
            result = false;
        }

        // Ends the current wait so that the next resume runs the task on.
        void makeReady() noexcept
        {
            waitKind = WaitKind::Ready;
            deadline.reset();
        }
    };

    Task() = default;
    explicit Task(Handle handle) noexcept;
    Task(Task &&other) noexcept;
    Task &operator=(Task &&other) noexcept;
    ~Task();

    // Hands the frame over; the Task no longer destroys it.
    Handle release() noexcept;
    explicit operator bool() const noexcept { return bool(handle_); }

private:
    Handle handle_;
};

} // namespace libtavrel
