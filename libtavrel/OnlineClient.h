#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace libtavrel {

// One entry of the receiver's client list.
struct OnlineClient
{
    int channel = 0;
    bool online = false;
    bool authenticated = false;
    std::array<std::uint8_t, 4> linkInfo{};  // carried unchanged
    std::array<std::uint8_t, 2> linkExtra{}; // carried unchanged
    std::string name;
};

// Appends the online entries of a kind-2 reply to `list`. False for an empty
// payload or an entry cut short; the entries before it stay appended.
bool parseClientList(const std::vector<std::uint8_t> &payload, std::vector<OnlineClient> &list);

} // namespace libtavrel
