#include "libtavrel/TargetInfo.h"

namespace libtavrel {

TargetInfo TargetInfo::parse(const std::uint8_t *payload, std::size_t size)
{
    TargetInfo info;
    std::size_t at = 0;
    while (size - at >= 3) {
        const std::size_t length = payload[at];
        if (length == 0 || length + 1 > size - at)
            break; // an item without a type, or one running past the end
        const std::uint8_t type = payload[at + 1];
        const std::uint8_t *data = payload + at + 2;
        const std::size_t dataLength = length - 1;
        if (type == 8 && length > 2) {
            info.modeFlag = data[0] == 1;
            info.loaderFlag = data[1] == 1;
            if (dataLength > 2)
                info.modeDetail = data[2];
        } else if (type == 9 && dataLength >= 1) {
            info.skipUpdateFlag = data[0] == 0;
        }
        at += length + 1;
    }
    return info;
}

} // namespace libtavrel
