// The headset update task, the recovery after it failed, and the small
// helpers of the policy.
#include "ota/OtaUpgradePolicy.h"

#include "ota/SdkExecutor.h"

using OtaModule::ClientInfo;
using OtaModule::SdkExecutor;

void OtaUpgradePolicy::logSafely(const Log &log, const std::string &line)
{
    OtaModule::logSafely(log, line);
}

std::string OtaUpgradePolicy::stageStatusText(int status)
{
    switch (status) {
    case Pending: return "pending";
    case Success: return "success";
    case Failed: return "failed";
    case Degraded: return "degraded";
    default: return "unknown";
    }
}

std::uint32_t OtaUpgradePolicy::fnv1a32(const std::vector<std::uint8_t> &bytes)
{
    std::uint32_t hash = 0x811c9dc5u;
    for (std::uint8_t byte : bytes) {
        hash ^= byte;
        hash *= 16777619u;
    }
    return hash;
}

std::string OtaUpgradePolicy::hexPadded(std::uint32_t value, int width)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (int(text.size()) < width)
        text.insert(0, std::size_t(width) - text.size(), '0');
    return text;
}

bool OtaUpgradePolicy::precheckPasses(std::uint32_t mode, bool dongleOnline, int remoteCount)
{
    switch (mode) {
    case 0: return dongleOnline && remoteCount >= 1;
    case 1: return remoteCount >= 1;
    case 2: return dongleOnline;
    default: return false;
    }
}

void OtaUpgradePolicy::countOnline(const Clients &clients, bool *dongleOnline, int *remoteCount)
{
    bool dongle = false;
    int remotes = 0;
    for (const ClientInfo &client : clients) {
        if (client.channel == OtaModule::kReceiverChannel)
            dongle = true;
        else
            ++remotes;
    }
    if (dongleOnline)
        *dongleOnline = dongle;
    if (remoteCount)
        *remoteCount = remotes;
}

bool OtaUpgradePolicy::runRemoteOtaTask(SdkExecutor &executor, const ClientInfo &client,
                                        const std::vector<std::uint8_t> &image, bool auth1, bool auth2, int *code,
                                        std::string *message, const Log &log)
{
    const std::string channel = std::to_string(client.channel);
    SdkExecutor::OtaCallbackSet callbacks;
    callbacks.onStart = [log, channel] { logSafely(log, "Remote OTA started (channel " + channel + ")"); };
    callbacks.onProgress = [log, channel](int done, int total) {
        logSafely(log, "Remote OTA progress (channel " + channel + "): " + std::to_string(done) + "/"
                           + std::to_string(total));
    };
    callbacks.onFinish = [log, channel] { logSafely(log, "Remote OTA finished (channel " + channel + ")"); };
    callbacks.onError = [log, channel](int errorCode, const std::string &text) {
        logSafely(log, "Remote OTA failed (channel " + channel + ", error " + std::to_string(errorCode) + "): " + text);
    };

    if (!executor.startClientOta(client.channel, image, auth1, auth2, callbacks)) {
        logSafely(log, "Auto upgrade stopped: remote OTA task failed");
        if (code)
            *code = -1;
        if (message)
            *message = "remote ota task failed";
        return false;
    }
    const SdkExecutor::TaskRunResult run = executor.runAllTasks();
    if (code)
        *code = run.code;
    if (message)
        *message = run.message;
    if (!run.ok)
        logSafely(log, run.message.empty() ? "Auto upgrade stopped: remote OTA callback error"
                                           : "Auto upgrade stopped: remote OTA callback error: " + run.message);
    return run.ok;
}

void OtaUpgradePolicy::closeSession(RecoveryHandle &handle)
{
    if (handle.executor)
        handle.executor->close();
    if (!handle.activePath)
        return;
    if (handle.mutex) {
        std::lock_guard lock(*handle.mutex);
        handle.activePath->clear();
    } else {
        handle.activePath->clear();
    }
}

bool OtaUpgradePolicy::recoverRemoteSession(ExecuteContext &context, const std::function<void()> &rescan,
                                            const Log &log)
{
    logSafely(log, "Remote recovery: closing current session and rebuilding executor...");
    if (context.recoveryTarget)
        closeSession(*context.recoveryTarget);
    if (rescan)
        rescan();
    const Devices snapshot = context.getDeviceSnapshot();
    if (snapshot.empty()) {
        logSafely(log, "Remote recovery failed: no matched HID devices found");
        return false;
    }

    std::string lastOnline;
    if (const RecoveryHandle *handle = context.recoveryTarget; handle && handle->lastOnlinePath) {
        if (handle->mutex) {
            std::lock_guard lock(*handle->mutex);
            lastOnline = *handle->lastOnlinePath;
        } else {
            lastOnline = *handle->lastOnlinePath;
        }
    }
    int index = lastOnline.empty() ? -1 : context.findIndexByPath(lastOnline, snapshot);
    if (index < 0)
        index = context.probeWorkingPath(snapshot, log);
    if (index < 0)
        index = 0;

    if (!context.openIndex(index, log)) {
        logSafely(log, "Remote recovery failed: cannot reopen active HID path");
        return false;
    }
    bool stable = true;
    for (int round = 0; round < 2; ++round) {
        if (!context.openAndRead(index, log))
            stable = false;
        wait(timings_.recoveryReadWait);
    }
    logSafely(log, stable ? "Remote recovery completed" : "Remote recovery partial: online refresh did not fully stabilize");
    return stable;
}
