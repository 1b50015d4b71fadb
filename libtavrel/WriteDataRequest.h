#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <vector>

namespace libtavrel {

enum class WriteState : int { Pending = 0, Written = 1, Failed = 2 };

// One complete transport frame on its way to the device. The scheduler's
// thread creates it and may cancel it; the I/O thread writes it and settles it.
class WriteDataRequest
{
public:
    explicit WriteDataRequest(std::vector<std::uint8_t> bytes);

    const std::vector<std::uint8_t> &bytes() const { return bytes_; }

    // The I/O thread gives up on the request at this point.
    std::chrono::steady_clock::time_point deadline() const { return deadline_.load(); }
    void setDeadline(std::chrono::steady_clock::time_point deadline) { deadline_.store(deadline); }

    WriteState state() const { return state_.load(std::memory_order_acquire); }
    // Settles a pending request; false when it was settled before.
    bool settle(WriteState outcome);

private:
    std::vector<std::uint8_t> bytes_;
    std::atomic<std::chrono::steady_clock::time_point> deadline_;
    std::atomic<WriteState> state_{WriteState::Pending};
};

} // namespace libtavrel
