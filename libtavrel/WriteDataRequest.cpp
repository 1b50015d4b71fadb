#include "libtavrel/WriteDataRequest.h"

namespace libtavrel {

WriteDataRequest::WriteDataRequest(std::vector<std::uint8_t> bytes)
    : bytes_(std::move(bytes))
    , deadline_(std::chrono::steady_clock::time_point::max())
{
}

bool WriteDataRequest::settle(WriteState outcome)
{
    WriteState expected = WriteState::Pending;
    return state_.compare_exchange_strong(expected, outcome, std::memory_order_acq_rel);
}

} // namespace libtavrel
