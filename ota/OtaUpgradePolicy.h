#pragma once

#include "ota/ClientInfo.h"
#include "ota/OtaLog.h"
#include "ota/OtaSessionTimings.h"
#include "ota/UsbDeviceInfo.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace OtaModule {
class SdkExecutor;
}

// Decides for one update session whether and in which order the headsets and
// the receiver are updated: scan, open and read, precheck (with a recovery
// when the link looks unstable), every online headset, then the receiver on a
// carefully chosen interface. All device work goes through the execute
// context that the session fills.
class OtaUpgradePolicy
{
public:
    // Failure reasons reported through the context's onFailure.
    enum class ErrorCode : int {
        None = 0,
        InvalidExecuteContext = 1,
        NoMatchedHidDevices = 2,
        OpenReadFailed = 3,
        PrecheckFailed = 4,
        RemoteOtaFailed = 5,
        DongleOtaFailed = 6,
    };

    enum StageStatus : int { Pending = 0, Success = 1, Failed = 2, Degraded = 3 };

    // What the headset recovery rebuilds: the session's executor and the two
    // paths it keeps under `mutex`.
    struct RecoveryHandle
    {
        OtaModule::SdkExecutor *executor = nullptr;
        std::string *activePath = nullptr;
        std::string *lastOnlinePath = nullptr;
        std::mutex *mutex = nullptr;
    };

    using Log = OtaModule::OtaLogFunction;
    using Clients = std::vector<OtaModule::ClientInfo>;
    using Devices = std::vector<OtaModule::UsbDeviceInfo>;

    struct ExecuteContext
    {
        std::vector<std::uint8_t> remoteFirmware; // headset image (size and hash are logged)
        bool auth1 = false;
        bool auth2 = false;
        std::int32_t selectedIndex = -1; // in the session's device snapshot; negative: none
        RecoveryHandle *recoveryTarget = nullptr;

        std::function<bool(int *matched, int *total)> scan;
        std::function<Clients()> getOnlineClients;
        std::function<Devices()> getDeviceSnapshot;
        std::function<bool(const Log &)> autoOpen; // false when no online client was found
        std::function<bool(int index, const Log &)> openAndRead;
        std::function<bool(int index, const Log &)> openIndex;
        std::function<int(const Devices &, const Log &)> probeWorkingPath; // negative: none
        std::function<int(const std::string &path, const Devices &)> findIndexByPath;
        std::function<std::string()> getActivePath;
        std::function<bool(const OtaModule::ClientInfo &, bool auth1, bool auth2, int *errorCode, std::string *reason,
                           const Log &)>
            runRemoteOta;
        std::function<bool(int index, bool auth1, bool auth2, const Log &)> runDongleOta;
        std::function<void()> onOpenReadFailed;
        std::function<void(bool success, const Log &)> onFinished;
        std::function<void(int reason, const std::string &message)> onFailure;
    };

    using Sleeper = std::function<void(std::chrono::milliseconds)>;

    // `sleeper` takes the policy's waits; by default a steady-clock sleep.
    explicit OtaUpgradePolicy(OtaModule::OtaSessionTimings timings = {}, Sleeper sleeper = {});

    // Mode 0: headsets, then the receiver; 1: headsets only; 2: the receiver
    // only. True when every stage the mode asks for succeeded. Blocks.
    bool run(ExecuteContext &context, std::uint32_t mode, const Log &log);

    void resetStageStatus();

    static void logSafely(const Log &log, const std::string &line);
    static std::string stageStatusText(int status);
    static std::uint32_t fnv1a32(const std::vector<std::uint8_t> &bytes);
    static std::string hexPadded(std::uint32_t value, int width);

    // The update of one headset on `executor`, with its log lines.
    static bool runRemoteOtaTask(OtaModule::SdkExecutor &executor, const OtaModule::ClientInfo &client,
                                 const std::vector<std::uint8_t> &image, bool auth1, bool auth2, int *code,
                                 std::string *message, const Log &log);
    // Rebuilds the executor after a failed headset update.
    bool recoverRemoteSession(ExecuteContext &context, const std::function<void()> &rescan, const Log &log);
    // Closes the executor and forgets the active path.
    static void closeSession(RecoveryHandle &handle);

    static bool precheckPasses(std::uint32_t mode, bool dongleOnline, int remoteCount);
    static void countOnline(const Clients &clients, bool *dongleOnline, int *remoteCount);

private:
    static bool contextComplete(const ExecuteContext &context);
    std::string stageLine() const;
    bool precheckRecovery(ExecuteContext &context, std::uint32_t mode, bool *dongleOnline, int *remoteCount,
                          const Log &log);
    bool runHeadsetStage(ExecuteContext &context, std::uint32_t mode, int remoteCount, const Log &log);
    bool runReceiverStage(ExecuteContext &context, const Log &log);
    bool finish(ExecuteContext &context, bool success, const Log &log);
    void report(ExecuteContext &context, ErrorCode reason, const std::string &message);
    void wait(std::chrono::milliseconds duration);

    OtaModule::OtaSessionTimings timings_;
    Sleeper sleeper_;
    int scanStatus_ = Pending;
    int openReadStatus_ = Pending;
    int precheckStatus_ = Pending;
};
