#include "platform/tavrelhid/HidPathTokens.h"

#include "platform/hidpath/HidIdentitySuffix.h"

#include <cstdio>

namespace libtavrel {

namespace {

std::string hex(unsigned value, int digits, bool upper)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, upper ? "%0*X" : "%0*x", digits, value);
    return buffer;
}

// Parses exactly `digits` hex digits.
std::optional<unsigned> parseHex(std::string_view text, std::size_t digits)
{
    if (text.size() != digits)
        return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        value <<= 4;
        if (c >= '0' && c <= '9')
            value |= unsigned(c - '0');
        else if (c >= 'a' && c <= 'f')
            value |= unsigned(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            value |= unsigned(c - 'A' + 10);
        else
            return std::nullopt;
    }
    return value;
}

} // namespace

std::string formatPathTokens(const HidIdentity &identity)
{
    return Platform::hidIdentitySuffix(identity.vendorId, identity.productId, identity.interfaceNumber);
}

std::string formatHardwareId(const HidIdentity &identity)
{
    std::string id = "HID\\VID_" + hex(identity.vendorId, 4, true) + "&PID_" + hex(identity.productId, 4, true);
    if (identity.revision)
        id += "&REV_" + hex(*identity.revision, 4, true);
    if (identity.interfaceNumber)
        id += "&MI_" + hex(*identity.interfaceNumber, 2, true);
    return id;
}

std::optional<ParsedDevicePath> parseDevicePath(std::string_view path)
{
    ParsedDevicePath parsed;
    const auto hash = path.find('#');
    parsed.node = std::string(path.substr(0, hash));
    if (parsed.node.empty())
        return std::nullopt;
    if (hash == std::string_view::npos)
        return parsed;

    HidIdentity identity;
    bool haveVid = false;
    bool havePid = false;
    std::string_view rest = path.substr(hash + 1);
    while (!rest.empty()) {
        const auto amp = rest.find('&');
        const std::string_view token = rest.substr(0, amp);
        rest = amp == std::string_view::npos ? std::string_view{} : rest.substr(amp + 1);
        const auto underscore = token.find('_');
        if (underscore == std::string_view::npos)
            return std::nullopt;
        const std::string_view key = token.substr(0, underscore);
        const std::string_view value = token.substr(underscore + 1);
        if (key == "vid" || key == "pid") {
            const auto v = parseHex(value, 4);
            if (!v)
                return std::nullopt;
            (key == "vid" ? identity.vendorId : identity.productId) = std::uint16_t(*v);
            (key == "vid" ? haveVid : havePid) = true;
        } else if (key == "mi") {
            const auto v = parseHex(value, 2);
            if (!v)
                return std::nullopt;
            identity.interfaceNumber = std::uint8_t(*v);
        } else {
            return std::nullopt;
        }
    }
    if (!haveVid || !havePid)
        return std::nullopt;
    parsed.identity = identity;
    return parsed;
}

} // namespace libtavrel
