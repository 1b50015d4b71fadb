#pragma once

#include <cstddef>
#include <cstdint>

namespace libtavrel {

// What a device says about itself in its reply to RCP 0x03.
struct TargetInfo
{
    bool modeFlag = false;   // it already runs its update mode
    bool loaderFlag = false; // a loader must go first
    bool skipUpdateFlag = false;
    std::uint8_t modeDetail = 0; // item 8's third data byte, when present

    // Walks the items [length][type][length - 1 data bytes]; flags not given stay false.
    static TargetInfo parse(const std::uint8_t *payload, std::size_t size);
};

} // namespace libtavrel
