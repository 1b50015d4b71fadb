#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace OtaModule {

// Reads an update percentage from a session log line holding "progress" and
// a done/total pair. Mode as in OtaSessionRunnerConfig: 0 reads headset
// lines, 2 maps headset lines to 0-50 and receiver lines to 50-100, any other
// mode reads receiver lines. Nothing for any other line.
std::optional<int> progressPercentFromLine(std::string_view line, std::uint32_t mode);

} // namespace OtaModule
