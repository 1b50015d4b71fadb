#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace libtavrel {

// Identity of a HID interface as it is spelled in device paths and hardware ids.
struct HidIdentity
{
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::optional<std::uint16_t> revision;     // bcdDevice of a USB device
    std::optional<std::uint8_t> interfaceNumber; // USB interface ("MI")
};

// "#vid_3654&pid_6901&mi_03" (lower-case hex), appended to a device node.
std::string formatPathTokens(const HidIdentity &identity);

// "HID\VID_3654&PID_6901&REV_0100&MI_03" (upper-case hex).
std::string formatHardwareId(const HidIdentity &identity);

// Splits "/dev/hidraw3#vid_3654&pid_6901&mi_03" into the node and the tokens.
// The identity is empty when the path carries no tokens; a malformed token
// list gives nullopt for the whole path.
struct ParsedDevicePath
{
    std::string node;
    std::optional<HidIdentity> identity;
};
std::optional<ParsedDevicePath> parseDevicePath(std::string_view path);

} // namespace libtavrel
