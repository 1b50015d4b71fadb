#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace libtavrel {

// First-in first-out hand-over of shared objects between two threads.
template<typename T>
class BlockingQueue
{
public:
    void push(std::shared_ptr<T> item)
    {
        {
            std::lock_guard lock(mutex_);
            items_.push_back(std::move(item));
        }
        ready_.notify_one();
    }

    // The oldest item, or null when none arrives within `budget` (zero: none waiting now).
    std::shared_ptr<T> popFor(std::chrono::nanoseconds budget = std::chrono::nanoseconds::zero())
    {
        std::unique_lock lock(mutex_);
        if (items_.empty() && budget > std::chrono::nanoseconds::zero())
            ready_.wait_for(lock, budget, [this] { return !items_.empty(); });
        if (items_.empty())
            return nullptr;
        auto item = std::move(items_.front());
        items_.pop_front();
        return item;
    }

    bool empty() const
    {
        std::lock_guard lock(mutex_);
        return items_.empty();
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::shared_ptr<T>> items_;
};

} // namespace libtavrel
