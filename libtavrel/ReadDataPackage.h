#pragma once

#include <cstdint>
#include <vector>

namespace libtavrel {

// One transport frame received from the device.
struct ReadDataPackage
{
    int channel = 0;
    int kind = 0;
    std::vector<std::uint8_t> payload;
};

} // namespace libtavrel
