#pragma once

#include <string>
#include <string_view>

namespace OtaModule {

// Device paths and file names are compared without regard to ASCII case.
std::string lowerAscii(std::string_view text);

bool containsText(std::string_view text, std::string_view part);

} // namespace OtaModule
