#pragma once

#include "libtavrel/tavrel.h"
#include "ota/CallbackState.h"
#include "ota/SdkCallbackSets.h"

#include <memory>

namespace OtaModule {

// A callback set as the engine holds it: the C block's context points here,
// and failures land in the state that was current when the task was queued.
struct BoundOtaCallbacks
{
    OtaCallbackSet callbacks;
    std::shared_ptr<CallbackState> state;
};

struct BoundReadCallbacks
{
    ReadCallbackSet callbacks;
    std::shared_ptr<CallbackState> state;
};

// The C blocks for the engine. `bound` must stay at its address for as long
// as the engine may call the block.
OtaCallbacks makeOtaCallbackBlock(BoundOtaCallbacks *bound);
OnlineDeviceCallbacks makeReadCallbackBlock(BoundReadCallbacks *bound);

// One 256-byte record of the client list; the name stops at its first NUL or
// at the end of its 248 bytes.
ClientInfo clientInfoFromRecord(const OnlineClientRecord &record);

} // namespace OtaModule
