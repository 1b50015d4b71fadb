#pragma once

namespace libtavrel {

class Executor;

// An executor lock on one id (a channel), given back when the holder goes out
// of scope: on a normal end, an early return, an exception or the destruction
// of the task's frame. Empty when the lock wait timed out.
class ChannelLock
{
public:
    ChannelLock() = default;
    ChannelLock(Executor *executor, int id) noexcept;
    ChannelLock(ChannelLock &&other) noexcept;
    ChannelLock &operator=(ChannelLock &&other) noexcept;
    ChannelLock(const ChannelLock &) = delete;
    ChannelLock &operator=(const ChannelLock &) = delete;
    ~ChannelLock();

    explicit operator bool() const noexcept { return executor_ != nullptr; }
    void release() noexcept;

private:
    Executor *executor_ = nullptr;
    int id_ = -1;
};

} // namespace libtavrel
