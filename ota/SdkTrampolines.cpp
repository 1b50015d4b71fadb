// The C functions the engine calls. Each one finds its callback set through
// the context pointer and never lets an exception reach the engine.
#include "ota/SdkTrampolines.h"

#include <cstring>

namespace OtaModule {

namespace {

template<typename Call>
void guarded(const std::shared_ptr<CallbackState> &state, const char *guardName, Call &&call) noexcept
{
    try {
        call();
    } catch (...) {
        reportCallbackException(state.get(), guardName, std::current_exception());
    }
}

// Calls the set's function `member` with `args`, guarded by `guardName`.
template<typename Bound, typename Member, typename... Args>
void forward(void *context, Member member, const char *guardName, Args... args) noexcept
{
    auto *bound = static_cast<Bound *>(context);
    if (!bound || !(bound->callbacks.*member))
        return;
    guarded(bound->state, guardName, [&] { (bound->callbacks.*member)(args...); });
}

// An error is recorded even when the program has no function for it.
template<typename Bound, typename Member>
void forwardError(void *context, Member member, int code, const char *message) noexcept
{
    auto *bound = static_cast<Bound *>(context);
    if (!bound)
        return;
    try {
        if (bound->state)
            bound->state->recordFailure(code, message);
        if (bound->callbacks.*member)
            (bound->callbacks.*member)(code, std::string(message ? message : ""));
    } catch (...) {
    }
}

void onStart(void *context) noexcept
{
    forward<BoundOtaCallbacks>(context, &OtaCallbackSet::onStart, "onStart");
}

void onFinish(void *context) noexcept
{
    forward<BoundOtaCallbacks>(context, &OtaCallbackSet::onFinish, "onFinish");
}

void onNeedReconnect(void *context) noexcept
{
    forward<BoundOtaCallbacks>(context, &OtaCallbackSet::onNeedReconnect, "onNeedReconnect");
}

void onProgress(void *context, int done, int total) noexcept
{
    forward<BoundOtaCallbacks>(context, &OtaCallbackSet::onProgress, "onProgress", done, total);
}

void onStop(void *context) noexcept
{
    forward<BoundOtaCallbacks>(context, &OtaCallbackSet::onStop, "onStop");
}

void onCancel(void *context) noexcept
{
    forward<BoundOtaCallbacks>(context, &OtaCallbackSet::onCancel, "onCancel");
}

void onError(void *context, int code, const char *message) noexcept
{
    forwardError<BoundOtaCallbacks>(context, &OtaCallbackSet::onError, code, message);
}

void onDongleInfo(void *context, std::uint32_t sdk, std::uint16_t vid, std::uint16_t pid,
                  std::uint16_t pidVersion) noexcept
{
    forward<BoundReadCallbacks>(context, &ReadCallbackSet::onDongleInfo, "onDongleInfo", sdk, vid, pid, pidVersion);
}

void onRefreshClientInfo(void *context, std::uint32_t count, const OnlineClientRecord *records) noexcept
{
    auto *bound = static_cast<BoundReadCallbacks *>(context);
    if (!bound || !bound->callbacks.onRefreshClientInfo)
        return;
    if (count > 0 && !records)
        return;
    guarded(bound->state, "onRefreshClientInfo", [&] {
        std::vector<ClientInfo> clients;
        clients.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i)
            clients.push_back(clientInfoFromRecord(records[i]));
        bound->callbacks.onRefreshClientInfo(clients);
    });
}

void onReadError(void *context, int code, const char *message) noexcept
{
    forwardError<BoundReadCallbacks>(context, &ReadCallbackSet::onReadError, code, message);
}

} // namespace

OtaCallbacks makeOtaCallbackBlock(BoundOtaCallbacks *bound)
{
    OtaCallbacks block{};
    block.context = bound;
    block.onStart = &onStart;
    block.onFinish = &onFinish;
    block.onNeedReconnect = &onNeedReconnect;
    block.onProgress = &onProgress;
    block.onStop = &onStop;
    block.onCancel = &onCancel;
    block.onError = &onError;
    return block;
}

OnlineDeviceCallbacks makeReadCallbackBlock(BoundReadCallbacks *bound)
{
    OnlineDeviceCallbacks block{};
    block.context = bound;
    block.onDongleInfo = &onDongleInfo;
    block.onRefreshClientInfo = &onRefreshClientInfo;
    block.onError = &onReadError;
    return block;
}

ClientInfo clientInfoFromRecord(const OnlineClientRecord &record)
{
    static_assert(sizeof(OnlineClientRecord) == 256);
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(&record);
    ClientInfo client;
    client.channel = bytes[0];
    client.supportOta = bytes[1];
    std::memcpy(&client.linkInfo, bytes + 2, sizeof client.linkInfo);
    std::memcpy(&client.linkExtra, bytes + 6, sizeof client.linkExtra);
    const auto *name = reinterpret_cast<const char *>(bytes + 8);
    client.deviceName.assign(name, strnlen(name, 248));
    return client;
}

} // namespace OtaModule
