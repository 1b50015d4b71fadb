// The receiver update: the engine's receiver task, and when the receiver
// switched into its update mode, the post step on the path it comes back on.
#include "ota/OtaSession.h"

#include "ota/HidEnumeration.h"
#include "ota/SteadySleep.h"

namespace OtaModule {

// Shared by one receiver update and its callbacks.
struct OtaSession::DongleStageFlags
{
    std::atomic<bool> cancelled{false};
    std::atomic<bool> stopped{false};
    std::atomic<std::int32_t> lastProgress{-1};

    void reset()
    {
        cancelled = false;
        stopped = false;
        lastProgress = -1;
    }
};

SdkExecutor::OtaCallbackSet OtaSession::dongleCallbacks(const std::shared_ptr<DongleStageFlags> &flags,
                                                        const OtaLogFunction &log) const
{
    SdkExecutor::OtaCallbackSet callbacks;
    callbacks.onStart = [log] { logSafely(log, "Dongle OTA started"); };
    callbacks.onFinish = [log] { logSafely(log, "Dongle OTA finished"); };
    callbacks.onNeedReconnect = [log] { logSafely(log, "Dongle OTA needs reconnect"); };
    callbacks.onProgress = [log, flags](int done, int total) {
        if (flags->lastProgress.exchange(done) != done)
            logSafely(log, "Dongle OTA progress: " + std::to_string(done) + "/" + std::to_string(total));
    };
    callbacks.onStop = [log, flags] {
        flags->stopped = true;
        logSafely(log, "Dongle OTA stopped");
    };
    callbacks.onCancel = [log, flags] {
        flags->cancelled = true;
        logSafely(log, "Dongle OTA cancelled");
    };
    callbacks.onError = [log](int code, const std::string &message) {
        logSafely(log, "Dongle OTA failed(" + std::to_string(code) + "): " + message);
    };
    return callbacks;
}

bool OtaSession::checkStageOutcome(const std::string &stage, const DongleStageFlags &flags, const OtaLogFunction &log)
{
    const char *ending = flags.cancelled ? " cancelled" : flags.stopped ? " stopped" : nullptr;
    if (!ending)
        return true;
    // An earlier failure stays the one reported.
    recordFailure(FailureCode::DongleOtaFailed, stage + ending);
    logSafely(log, stage + ending);
    return false;
}

bool OtaSession::runDongleOta(int index, bool authenticateFirst, bool authenticateAfterReconnect,
                              const OtaLogFunction &log)
{
    recordFailure(FailureCode::None);
    if (monitorRunning())
        stopMonitor();

    if (!loadDongleFirmware(log)) {
        recordFailure(FailureCode::DongleFirmwareNotFound, "dongle firmware not found");
        logSafely(log, "Dongle firmware not found in firmware directory");
        return false;
    }

    const std::string path = snapshotPath(index);
    const bool reopen = !path.empty() && path != activePath();
    if ((!executor_.isOpen() || reopen) && !openDevice(index, log)) {
        recordFailure(FailureCode::OpenReadFailed, "failed to open selected dongle");
        return false;
    }

    auto flags = std::make_shared<DongleStageFlags>();
    const SdkExecutor::OtaCallbackSet callbacks = dongleCallbacks(flags, log);
    bool switchedToPostMode = false;
    if (!executor_.startDongleOta(dongleImage_, authenticateFirst, authenticateAfterReconnect, callbacks,
                                  &switchedToPostMode)) {
        recordFailure(FailureCode::DongleOtaFailed, "dongle ota task failed");
        logSafely(log, "Dongle OTA task failed");
        return false;
    }
    SdkExecutor::TaskRunResult run = executor_.runAllTasks();
    if (!run.ok) {
        recordFailure(FailureCode::DongleOtaFailed,
                      run.message.empty() ? "dongle ota callback reported failure" : run.message);
        return false;
    }
    if (!checkStageOutcome("Dongle OTA stage-1", *flags, log))
        return false;
    if (!switchedToPostMode) {
        logSafely(log, "Dongle OTA finished (no post step)");
        recordFailure(FailureCode::None);
        return true;
    }

    logSafely(log, "Dongle OTA requires post step");
    if (!reopenPostModeDevice(log)) {
        recordFailure(FailureCode::DongleOtaFailed, "post step failed: cannot reopen post mode device");
        logSafely(log, "Post step failed: cannot reopen post mode device");
        return false;
    }
    flags->reset();
    if (!executor_.startDongleSinglePost(dongleImage_, authenticateAfterReconnect, callbacks)) {
        recordFailure(FailureCode::DongleOtaFailed, "dongle ota post task failed");
        logSafely(log, "Dongle OTA post task failed");
        return false;
    }
    run = executor_.runAllTasks();
    if (!run.ok) {
        recordFailure(FailureCode::DongleOtaFailed,
                      run.message.empty() ? "dongle ota post callback reported failure" : run.message);
        return false;
    }
    if (!checkStageOutcome("Dongle OTA post stage", *flags, log))
        return false;
    recordFailure(FailureCode::None);
    return true;
}

bool OtaSession::reopenPostModeDevice(const OtaLogFunction &log)
{
    const OtaDeviceMatchSettings current = settings();
    if (current.postModeReopenAttempts < 1)
        return false;
    // The receiver comes back under a new path; the one it left may still be
    // listed for a moment and must not be taken for it.
    const std::string leftPath = activePath();
    std::string opened;
    for (std::int32_t attempt = 0; attempt < current.postModeReopenAttempts; ++attempt) {
        for (const UsbDeviceInfo &device : filterDevicesByPath(enumerateHidDevices(), current.postModePathFilter)) {
            if (device.path == leftPath)
                continue;
            if (executor_.open(device.path))
                opened = device.path;
            break;
        }
        if (!opened.empty())
            break;
        sleepSteady(std::chrono::milliseconds(current.postModeReopenDelayMs));
    }
    if (opened.empty())
        return false;
    {
        std::lock_guard lock(pathMutex_);
        activePath_ = opened;
        lastOnlinePath_ = opened;
    }
    logSafely(log, "Reopened post mode device");
    return true;
}

} // namespace OtaModule
