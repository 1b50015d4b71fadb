#include "libtavrel/ChannelLock.h"

#include "libtavrel/Executor.h"

#include <utility>

namespace libtavrel {

ChannelLock::ChannelLock(Executor *executor, int id) noexcept
    : executor_(executor)
    , id_(id)
{
}

ChannelLock::ChannelLock(ChannelLock &&other) noexcept
    : executor_(std::exchange(other.executor_, nullptr))
    , id_(other.id_)
{
}

ChannelLock &ChannelLock::operator=(ChannelLock &&other) noexcept
{
    if (this != &other) {
        release();
        executor_ = std::exchange(other.executor_, nullptr);
        id_ = other.id_;
    }
    return *this;
}

ChannelLock::~ChannelLock()
{
    release();
}

void ChannelLock::release() noexcept
{
    if (executor_)
        std::exchange(executor_, nullptr)->unlock(id_);
}

} // namespace libtavrel
