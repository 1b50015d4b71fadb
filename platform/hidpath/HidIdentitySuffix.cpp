#include "platform/hidpath/HidIdentitySuffix.h"

#include <cstdio>

namespace Platform {

std::string hidIdentitySuffix(std::uint16_t vendorId, std::uint16_t productId,
                              std::optional<std::uint8_t> interfaceNumber)
{
    char suffix[32];
    if (interfaceNumber)
        std::snprintf(suffix, sizeof suffix, "#vid_%04x&pid_%04x&mi_%02x", unsigned(vendorId), unsigned(productId),
                      unsigned(*interfaceNumber));
    else
        std::snprintf(suffix, sizeof suffix, "#vid_%04x&pid_%04x", unsigned(vendorId), unsigned(productId));
    return suffix;
}

} // namespace Platform
