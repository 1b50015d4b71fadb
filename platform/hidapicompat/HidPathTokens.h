#pragma once

#include <cstdint>
#include <string>

namespace Platform {

// Device ids carry the USB identity the way Windows interface paths do
// ("…#vid_3654&pid_5055&mi_03…"), so code that recognises a device by its path
// works on every system. A Linux hidraw node ("/dev/hidraw3") carries none of
// it: the identity is appended when a device is listed and removed again before
// the node is opened. Paths that already name a vendor are left alone.
class HidPathTokens
{
public:
    // "/dev/hidraw3" -> "/dev/hidraw3#vid_3654&pid_5055&mi_03" (lower-case hex;
    // "&mi_NN" only for a known interface). Unchanged when `path` is empty or
    // already holds a "vid_" token.
    static std::string withIdentity(const std::string &path, std::uint16_t vendorId, std::uint16_t productId,
                                    int interfaceNumber);

    // The path to hand to hid_open_path: the suffix appended by withIdentity
    // removed, anything else returned as it is.
    static std::string openPath(const std::string &deviceId);

private:
    static bool hasVendorToken(const std::string &path);
    static std::size_t identitySuffixStart(const std::string &deviceId);
};

} // namespace Platform
