#include "ota/SdkExecutor.h"

#include "libtavrel/tavrel.h"

#include <climits>

namespace OtaModule {

SdkExecutor::SdkExecutor()
    : state_(std::make_shared<CallbackState>())
{
}

SdkExecutor::~SdkExecutor()
{
    close();
}

void SdkExecutor::resetLocked()
{
    if (handle_) {
        DestroyExecutorHandle(handle_);
        handle_ = nullptr;
    }
    readSets_.clear();
    otaSets_.clear();
    state_ = std::make_shared<CallbackState>();
    ++generation_;
}

bool SdkExecutor::open(const std::string &path)
{
    std::lock_guard lock(mutex_);
    resetLocked();
    handle_ = CreateExecutorHandle(path.c_str());
    return handle_ != nullptr;
}

void SdkExecutor::close()
{
    std::lock_guard lock(mutex_);
    resetLocked();
}

bool SdkExecutor::isOpen() const
{
    std::lock_guard lock(mutex_);
    return handle_ != nullptr;
}

bool SdkExecutor::imageUsable(const std::vector<std::uint8_t> &image) const
{
    // The engine takes the size as a 32-bit count; a larger image would be cut.
    return !image.empty() && image.size() <= std::size_t(INT_MAX);
}

const OtaCallbacks *SdkExecutor::queueOtaLocked(const OtaCallbackSet &callbacks, OtaCallbacks &block)
{
    otaSets_.push_back(BoundOtaCallbacks{callbacks, state_});
    block = makeOtaCallbackBlock(&otaSets_.back());
    return &block;
}

bool SdkExecutor::startClientOta(int channel, const std::vector<std::uint8_t> &image, bool authenticateFirst,
                                 bool authenticateAfterReconnect, const OtaCallbackSet &callbacks)
{
    std::lock_guard lock(mutex_);
    if (!handle_ || !imageUsable(image))
        return false;
    OtaCallbacks block;
    ota_update_client(handle_, channel, image.data(), int(image.size()), authenticateFirst,
                      authenticateAfterReconnect, queueOtaLocked(callbacks, block));
    return true;
}

bool SdkExecutor::startDongleOta(const std::vector<std::uint8_t> &image, bool authenticateFirst,
                                 bool authenticateAfterReconnect, const OtaCallbackSet &callbacks,
                                 bool *switchedToPostMode)
{
    std::lock_guard lock(mutex_);
    if (!handle_ || !imageUsable(image) || !switchedToPostMode)
        return false;
    OtaCallbacks block;
    ota_update_dongle(handle_, kReceiverChannel, image.data(), int(image.size()), authenticateFirst,
                      authenticateAfterReconnect, queueOtaLocked(callbacks, block), switchedToPostMode);
    return true;
}

bool SdkExecutor::startDongleSinglePost(const std::vector<std::uint8_t> &image, bool authenticateFirst,
                                        const OtaCallbackSet &callbacks)
{
    std::lock_guard lock(mutex_);
    if (!handle_ || !imageUsable(image))
        return false;
    OtaCallbacks block;
    ota_update_dongle_single_post(handle_, kReceiverChannel, image.data(), int(image.size()), authenticateFirst,
                                  queueOtaLocked(callbacks, block));
    return true;
}

bool SdkExecutor::startReadOnlineDevice(const ReadCallbackSet &callbacks)
{
    std::lock_guard lock(mutex_);
    if (!handle_)
        return false;
    readSets_.push_back(BoundReadCallbacks{callbacks, state_});
    const OnlineDeviceCallbacks block = makeReadCallbackBlock(&readSets_.back());
    read_online_device(handle_, &block);
    return true;
}

SdkExecutor::TaskRunResult SdkExecutor::runAllTasks()
{
    TaskRunResult result;
    void *handle = nullptr;
    std::shared_ptr<CallbackState> state;
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(mutex_);
        if (!handle_) {
            result.message = "executor handle is null";
            return result;
        }
        handle = handle_;
        state = state_;
        generation = generation_;
    }

    // Every callback of every queued task runs in here, on this thread.
    runAllTask(handle);

    result.failed = state->failed.load();
    result.code = state->code.load();
    if (result.failed)
        result.message = state->messageCopy();
    result.ok = !result.failed;

    std::lock_guard lock(mutex_);
    // An open or close in between started a new generation: leave it alone.
    if (generation_ == generation && state_ == state) {
        readSets_.clear();
        otaSets_.clear();
        state_ = std::make_shared<CallbackState>();
    }
    return result;
}

} // namespace OtaModule
