#pragma once

#include "ota/ClientInfo.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace OtaModule {

// The program's side of the engine's update callbacks. Any function may be
// empty; all of them run on the thread that runs the engine's tasks.
struct OtaCallbackSet
{
    std::function<void()> onStart;
    std::function<void()> onFinish;
    std::function<void()> onNeedReconnect;
    std::function<void(int done, int total)> onProgress;
    std::function<void()> onStop;
    std::function<void()> onCancel;
    std::function<void(int code, const std::string &message)> onError;
};

// The program's side of the online-client query.
struct ReadCallbackSet
{
    std::function<void(std::uint32_t sdk, std::uint16_t vid, std::uint16_t pid, std::uint16_t pidVersion)> onDongleInfo;
    std::function<void(const std::vector<ClientInfo> &clients)> onRefreshClientInfo;
    std::function<void(int code, const std::string &message)> onReadError;
};

} // namespace OtaModule
