#pragma once

#include <functional>
#include <string>

namespace OtaModule {

// One plain English line of the firmware path.
using OtaLogFunction = std::function<void(const std::string &)>;

// Hands `line` to `log`. An empty function does nothing and one that throws is
// ignored: a broken log must never end an update half-way.
void logSafely(const OtaLogFunction &log, const std::string &line) noexcept;

} // namespace OtaModule
