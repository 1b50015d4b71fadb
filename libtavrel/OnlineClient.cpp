#include "libtavrel/OnlineClient.h"

#include <algorithm>

namespace libtavrel {

bool parseClientList(const std::vector<std::uint8_t> &payload, std::vector<OnlineClient> &list)
{
    if (payload.empty())
        return false;
    const std::size_t count = payload[0];
    std::size_t at = 1;
    for (std::size_t i = 0; i < count; ++i) {
        if (payload.size() - at < 9)
            return false;
        const std::uint8_t *entry = payload.data() + at;
        const std::size_t nameLength = entry[8];
        if (payload.size() - at < 9 + nameLength)
            return false;
        if (entry[1] & 0x01) {
            OnlineClient client;
            client.channel = entry[0];
            client.online = true;
            client.authenticated = (entry[1] & 0x02) != 0;
            std::copy_n(entry + 2, 4, client.linkInfo.begin());
            std::copy_n(entry + 6, 2, client.linkExtra.begin());
            client.name.assign(reinterpret_cast<const char *>(entry + 9), nameLength);
            list.push_back(std::move(client));
        }
        at += 9 + nameLength;
    }
    return true;
}

} // namespace libtavrel
