#include "tests/support/virtualheadset/ReplyFault.h"

namespace VirtualDevices {

bool RequestMatch::matches(std::uint16_t requestCommand, const Bytes &payload) const
{
    if (command && *command != requestCommand)
        return false;
    if (infoType && (requestCommand != 0x10 || payload.empty() || payload[0] != *infoType))
        return false;
    return true;
}

ReplyFault ReplyFault::failureStatus(Bytes detail)
{
    Bytes payload{0x01};
    payload.insert(payload.end(), detail.begin(), detail.end());
    return ReplyFault{.payload = std::move(payload)};
}

} // namespace VirtualDevices
