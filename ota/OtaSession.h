#pragma once

#include "ota/ClientInfo.h"
#include "ota/OtaLog.h"
#include "ota/OtaSessionRunnerConfig.h"
#include "ota/OtaUpgradePolicy.h"
#include "ota/SdkExecutor.h"
#include "ota/UpgradeCooldown.h"
#include "ota/UpgradeFailureRecord.h"
#include "ota/UsbDeviceInfo.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace OtaModule {

// One firmware-update session around one executor of the engine: finds and
// opens the receiver, reads which devices are online, prepares the images,
// and runs the automatic upgrade or the receiver update. Lives for one
// runOtaSession call on the caller's thread; every engine callback runs on
// that thread. Each mutex guards one group of fields and is never held across
// an engine call.
class OtaSession
{
public:
    enum class FailureCode : std::int32_t {
        None = 0,
        CooldownBlocked = 1,
        RemoteFirmwareNotFound = 2,
        DongleFirmwareNotFound = 3,
        InvalidSelectedOnlineDevice = 4,
        InvalidExecuteContext = 5,
        NoMatchedHidDevices = 6,
        OpenReadFailed = 7,
        PrecheckFailed = 8,
        RemoteOtaFailed = 9,
        DongleOtaFailed = 10,
        UnknownFailure = 11,
    };

    // Names of images that came from memory, not from a file.
    static constexpr const char *kPreparedRemoteName = "(prepared-memory-remote)";
    static constexpr const char *kPreparedDongleName = "(prepared-memory-dongle)";

    explicit OtaSession(const OtaSessionRunnerConfig &config);
    ~OtaSession();
    OtaSession(const OtaSession &) = delete;
    OtaSession &operator=(const OtaSession &) = delete;

    // --- devices
    // Lists every HID interface and keeps the matched ones: (total, matched).
    std::pair<int, int> refreshDeviceSnapshot();
    std::vector<UsbDeviceInfo> deviceSnapshot() const;
    std::vector<ClientInfo> onlineClients() const;
    // Positions in onlineClients(): the headsets first, then the receiver.
    std::vector<std::uint32_t> onlineClientOrder() const;
    std::string activePath() const;
    std::string lastOnlinePath() const;

    // Position of `hint` in `devices`: the same path ignoring case and slash
    // direction, else the first path holding the hint's "&mi_" interface token.
    static int matchDevicePath(const std::vector<UsbDeviceInfo> &devices, const std::string &hint);
    // Exact position of `path`; -1 when absent or empty.
    static int findIndexByPath(const std::string &path, const std::vector<UsbDeviceInfo> &devices);
    int chooseDevice(const std::string &hint, const OtaLogFunction &log);
    bool openDevice(int index, const OtaLogFunction &log);
    // Reopens when `index` names another path than the open one; -1 reads the
    // open one. False when the receiver gave no list at all.
    bool readOnlineDevices(int index, const OtaLogFunction &log);
    // Tries each matched path until one lists online devices; `openedIndex`
    // receives the index that did.
    bool openWithPathTrials(const OtaLogFunction &log, int *openedIndex = nullptr);
    // Position in `devices` of the first path that lists online devices, or -1.
    int probePaths(const std::vector<UsbDeviceInfo> &devices, const OtaLogFunction &log);

    // --- firmware
    bool prepareFirmware(const OtaLogFunction &log);
    bool loadRemoteFirmware(const OtaLogFunction &log);
    bool loadDongleFirmware(const OtaLogFunction &log);
    void setPreparedRemoteImage(const std::vector<std::uint8_t> &bytes);
    void setPreparedDongleImage(const std::vector<std::uint8_t> &bytes);
    void clearPreparedFirmware();

    // --- failure record and cooldown
    void recordFailure(FailureCode code, const std::string &text = std::string());
    FailureCode lastFailureCode() const;
    std::string lastFailureText() const;
    bool cooldownAllows(const OtaLogFunction &log);
    void recordUpgradeOutcome(bool success, const OtaLogFunction &log);
    static FailureCode failureCodeForPolicyError(int reason);

    // --- updates
    void stopMonitor();
    bool monitorRunning() const;
    // Policy mode 0: headsets then receiver, 1: headsets, 2: receiver.
    bool runAutoUpgrade(int index, bool authenticateFirst, bool authenticateAfterReconnect, std::uint32_t policyMode,
                        const OtaLogFunction &log);
    bool runDongleOta(int index, bool authenticateFirst, bool authenticateAfterReconnect, const OtaLogFunction &log);
    bool reopenPostModeDevice(const OtaLogFunction &log);

private:
    struct DongleStageFlags;

    OtaDeviceMatchSettings settings() const;
    std::string snapshotPath(int index) const;
    void setActivePath(const std::string &path);
    void setOnlineClients(std::vector<ClientInfo> clients);
    int selectedIndexFor(int index) const;
    OtaUpgradePolicy::ExecuteContext makeExecuteContext(int index, bool authenticateFirst,
                                                       bool authenticateAfterReconnect, std::uint32_t policyMode);
    bool loadFirmware(bool receiver, const OtaLogFunction &log);
    SdkExecutor::OtaCallbackSet dongleCallbacks(const std::shared_ptr<DongleStageFlags> &flags,
                                                const OtaLogFunction &log) const;
    bool checkStageOutcome(const std::string &stage, const DongleStageFlags &flags, const OtaLogFunction &log);

    mutable std::mutex settingsMutex_;
    OtaDeviceMatchSettings settings_;

    SdkExecutor executor_;
    OtaUpgradePolicy policy_;
    OtaUpgradePolicy::RecoveryHandle recovery_;
    const std::filesystem::path firmwareDirectory_;

    // Images stay here, unmoved, while the engine reads them.
    std::string remoteImageName_;
    std::vector<std::uint8_t> remoteImage_;
    std::string dongleImageName_;
    std::vector<std::uint8_t> dongleImage_;
    bool remotePreparedInMemory_ = false;
    bool donglePreparedInMemory_ = false;

    mutable std::mutex snapshotMutex_;
    std::vector<UsbDeviceInfo> snapshot_;
    std::vector<ClientInfo> onlineClients_;
    std::vector<std::uint32_t> clientOrder_;

    mutable std::mutex pathMutex_;
    std::string activePath_;
    std::string lastOnlinePath_;

    // A monitor of the link; no flow starts it, so stopping it is all there is.
    std::atomic<bool> monitorRunning_{false};

    UpgradeCooldown cooldown_;
    UpgradeFailureRecord failure_;
};

} // namespace OtaModule
