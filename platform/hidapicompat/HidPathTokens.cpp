#include "HidPathTokens.h"

#include "platform/hidpath/HidIdentitySuffix.h"

#include <cctype>

namespace Platform {

namespace {

bool isLowerHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// True when `text` at `pos` is `prefix` followed by exactly `digits` lower-case hex digits.
bool hexField(const std::string &text, std::size_t pos, const char *prefix, std::size_t digits)
{
    const std::string p(prefix);
    if (text.compare(pos, p.size(), p) != 0 || pos + p.size() + digits > text.size())
        return false;
    for (std::size_t i = 0; i < digits; ++i) {
        if (!isLowerHex(text[pos + p.size() + i]))
            return false;
    }
    return true;
}

} // namespace

std::string HidPathTokens::withIdentity(const std::string &path, std::uint16_t vendorId, std::uint16_t productId,
                                        int interfaceNumber)
{
    if (path.empty() || hasVendorToken(path))
        return path;
    std::optional<std::uint8_t> usbInterface;
    if (interfaceNumber >= 0 && interfaceNumber <= 0xff)
        usbInterface = static_cast<std::uint8_t>(interfaceNumber);
    return path + hidIdentitySuffix(vendorId, productId, usbInterface);
}

std::string HidPathTokens::openPath(const std::string &deviceId)
{
    const std::size_t start = identitySuffixStart(deviceId);
    return start == std::string::npos ? deviceId : deviceId.substr(0, start);
}

bool HidPathTokens::hasVendorToken(const std::string &path)
{
    for (std::size_t i = 0; i + 4 <= path.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(path[i])) == 'v'
            && std::tolower(static_cast<unsigned char>(path[i + 1])) == 'i'
            && std::tolower(static_cast<unsigned char>(path[i + 2])) == 'd' && path[i + 3] == '_')
            return true;
    }
    return false;
}

// Only the exact shape withIdentity appends, at the very end, counts: a
// Windows path also holds "#vid_" but goes on with more fields after it.
std::size_t HidPathTokens::identitySuffixStart(const std::string &deviceId)
{
    const std::size_t start = deviceId.rfind("#vid_");
    if (start == std::string::npos || start == 0)
        return std::string::npos;
    std::size_t pos = start + 1;
    if (!hexField(deviceId, pos, "vid_", 4))
        return std::string::npos;
    pos += 8;
    if (!hexField(deviceId, pos, "&pid_", 4))
        return std::string::npos;
    pos += 9;
    if (pos == deviceId.size())
        return start;
    if (hexField(deviceId, pos, "&mi_", 2) && pos + 6 == deviceId.size())
        return start;
    return std::string::npos;
}

} // namespace Platform
