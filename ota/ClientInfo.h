#pragma once

#include <cstdint>
#include <string>

namespace OtaModule {

// A device the receiver reports online. Channel 2 is the receiver itself,
// every other channel a headset.
struct ClientInfo
{
    std::uint8_t channel = 0;
    std::uint8_t supportOta = 0;
    std::uint32_t linkInfo = 0;  // carried unchanged from the receiver
    std::uint16_t linkExtra = 0; // carried unchanged from the receiver
    std::string deviceName;
};

inline constexpr std::uint8_t kReceiverChannel = 2;

} // namespace OtaModule
