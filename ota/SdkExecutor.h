#pragma once

#include "ota/CallbackState.h"
#include "ota/SdkCallbackSets.h"
#include "ota/SdkTrampolines.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace OtaModule {

// The program's side of one executor handle of the OTA engine: opens and
// closes it, queues tasks with their callback sets and runs them, and reduces
// a run to one outcome judged by failure reports alone.
//
// The task functions and runAllTasks are meant for one thread at a time; the
// callbacks run on that thread inside runAllTasks.
class SdkExecutor
{
public:
    using OtaCallbackSet = OtaModule::OtaCallbackSet;
    using ReadCallbackSet = OtaModule::ReadCallbackSet;

    struct TaskRunResult
    {
        bool ok = false;
        bool failed = false;
        std::int32_t code = 0;
        std::string message;
    };

    SdkExecutor();
    ~SdkExecutor();
    SdkExecutor(const SdkExecutor &) = delete;
    SdkExecutor &operator=(const SdkExecutor &) = delete;

    // Closes any open handle first; false when the engine could not open `path`.
    bool open(const std::string &path);
    void close();
    bool isOpen() const;

    // The image is read in place by the engine: keep it alive and unchanged
    // until runAllTasks has returned. False, with nothing queued, when the
    // holder is closed or the image is empty or too large for the engine.
    bool startClientOta(int channel, const std::vector<std::uint8_t> &image, bool authenticateFirst,
                        bool authenticateAfterReconnect, const OtaCallbackSet &callbacks);
    // `switchedToPostMode` is written by the task; keep it alive until runAllTasks returns.
    bool startDongleOta(const std::vector<std::uint8_t> &image, bool authenticateFirst,
                        bool authenticateAfterReconnect, const OtaCallbackSet &callbacks, bool *switchedToPostMode);
    bool startDongleSinglePost(const std::vector<std::uint8_t> &image, bool authenticateFirst,
                               const OtaCallbackSet &callbacks);
    bool startReadOnlineDevice(const ReadCallbackSet &callbacks);

    // Runs every queued task; ok unless an error was reported or a callback threw.
    TaskRunResult runAllTasks();

private:
    // With mutex_ held: drops the handle, the callback sets and the run state.
    void resetLocked();
    bool imageUsable(const std::vector<std::uint8_t> &image) const;
    const OtaCallbacks *queueOtaLocked(const OtaCallbackSet &callbacks, OtaCallbacks &block);

    static constexpr int kReceiverChannel = 2;

    mutable std::mutex mutex_;
    void *handle_ = nullptr;
    // Deques: a stored set never moves while the engine holds its address.
    std::deque<BoundReadCallbacks> readSets_;
    std::deque<BoundOtaCallbacks> otaSets_;
    std::shared_ptr<CallbackState> state_;
    std::atomic<std::uint64_t> generation_{0};
};

} // namespace OtaModule
