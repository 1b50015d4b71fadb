#include "protocol/MonotonicClock.h"

#include <chrono>

namespace HeadsetProtocol::MonotonicClock {

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() + 1;
}

} // namespace HeadsetProtocol::MonotonicClock
