#pragma once

#include <chrono>

namespace OtaModule {

// Sleeps until now + `duration` on the steady clock, however often the
// thread wakes early. Zero or less returns at once.
void sleepSteady(std::chrono::milliseconds duration);

} // namespace OtaModule
