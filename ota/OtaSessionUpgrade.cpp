// The failure record, the cooldown and the hand-over to the upgrade policy.
#include "ota/OtaSession.h"

namespace OtaModule {

void OtaSession::recordFailure(FailureCode code, const std::string &text)
{
    failure_.record(std::int32_t(code), text);
}

OtaSession::FailureCode OtaSession::lastFailureCode() const
{
    return FailureCode(failure_.code());
}

std::string OtaSession::lastFailureText() const
{
    return failure_.text();
}

bool OtaSession::cooldownAllows(const OtaLogFunction &log)
{
    return cooldown_.allows(log);
}

void OtaSession::recordUpgradeOutcome(bool success, const OtaLogFunction &log)
{
    const OtaDeviceMatchSettings current = settings();
    cooldown_.recordOutcome(success, current.cooldownBaseMs, current.cooldownMaxMs, log);
}

OtaSession::FailureCode OtaSession::failureCodeForPolicyError(int reason)
{
    switch (OtaUpgradePolicy::ErrorCode(reason)) {
    case OtaUpgradePolicy::ErrorCode::None: return FailureCode::None;
    case OtaUpgradePolicy::ErrorCode::InvalidExecuteContext: return FailureCode::InvalidExecuteContext;
    case OtaUpgradePolicy::ErrorCode::NoMatchedHidDevices: return FailureCode::NoMatchedHidDevices;
    case OtaUpgradePolicy::ErrorCode::OpenReadFailed: return FailureCode::OpenReadFailed;
    case OtaUpgradePolicy::ErrorCode::PrecheckFailed: return FailureCode::PrecheckFailed;
    case OtaUpgradePolicy::ErrorCode::RemoteOtaFailed: return FailureCode::RemoteOtaFailed;
    case OtaUpgradePolicy::ErrorCode::DongleOtaFailed: return FailureCode::DongleOtaFailed;
    }
    return FailureCode::UnknownFailure;
}

int OtaSession::selectedIndexFor(int index) const
{
    const std::vector<UsbDeviceInfo> snapshot = deviceSnapshot();
    const std::string active = activePath();
    if (const int found = findIndexByPath(active, snapshot); found >= 0)
        return found;
    if (index >= 0 && std::size_t(index) < snapshot.size())
        return index;
    if (const int found = findIndexByPath(lastOnlinePath(), snapshot); found >= 0)
        return found;
    return index;
}

OtaUpgradePolicy::ExecuteContext OtaSession::makeExecuteContext(int index, bool authenticateFirst,
                                                                bool authenticateAfterReconnect,
                                                                std::uint32_t policyMode)
{
    OtaUpgradePolicy::ExecuteContext context;
    if (policyMode == 0 || policyMode == 1)
        context.remoteFirmware = remoteImage_;
    context.auth1 = authenticateFirst;
    context.auth2 = authenticateAfterReconnect;
    context.selectedIndex = selectedIndexFor(index);
    context.recoveryTarget = &recovery_;

    context.scan = [this](int *matched, int *total) {
        const auto [all, found] = refreshDeviceSnapshot();
        if (matched)
            *matched = found;
        if (total)
            *total = all;
        return found > 0;
    };
    context.getOnlineClients = [this] { return onlineClients(); };
    context.getDeviceSnapshot = [this] { return deviceSnapshot(); };
    context.autoOpen = [this](const OtaLogFunction &log) { return openWithPathTrials(log); };
    context.openAndRead = [this](int i, const OtaLogFunction &log) { return readOnlineDevices(i, log); };
    context.openIndex = [this](int i, const OtaLogFunction &log) { return openDevice(i, log); };
    context.probeWorkingPath = [this](const std::vector<UsbDeviceInfo> &devices, const OtaLogFunction &log) {
        return probePaths(devices, log);
    };
    context.findIndexByPath = &OtaSession::findIndexByPath;
    context.getActivePath = [this] { return activePath(); };
    context.runRemoteOta = [this](const ClientInfo &client, bool auth1, bool auth2, int *code, std::string *reason,
                                  const OtaLogFunction &log) {
        return OtaUpgradePolicy::runRemoteOtaTask(executor_, client, remoteImage_, auth1, auth2, code, reason, log);
    };
    context.runDongleOta = [this](int i, bool auth1, bool auth2, const OtaLogFunction &log) {
        return runDongleOta(i, auth1, auth2, log);
    };
    context.onOpenReadFailed = [this] { setOnlineClients({}); };
    context.onFinished = [this, policyMode](bool success, const OtaLogFunction &log) {
        if (policyMode == 0)
            recordUpgradeOutcome(success, log);
    };
    context.onFailure = [this](int reason, const std::string &message) {
        recordFailure(failureCodeForPolicyError(reason), message);
    };
    return context;
}

bool OtaSession::runAutoUpgrade(int index, bool authenticateFirst, bool authenticateAfterReconnect,
                                std::uint32_t policyMode, const OtaLogFunction &log)
{
    recordFailure(FailureCode::None);
    if (policyMode == 0 && !cooldownAllows(log)) {
        recordFailure(FailureCode::CooldownBlocked, "auto upgrade blocked by cooldown");
        return false;
    }
    if (monitorRunning()) {
        stopMonitor();
        logSafely(log, "Auto-upgrade session: realtime monitor stopped");
    }
    policy_.resetStageStatus();

    const auto missing = [&](FailureCode code, const char *text, const char *line) {
        recordFailure(code, text);
        logSafely(log, line);
        if (policyMode == 0)
            recordUpgradeOutcome(false, log);
        return false;
    };
    if ((policyMode == 0 || policyMode == 1) && !loadRemoteFirmware(log))
        return missing(FailureCode::RemoteFirmwareNotFound, "remote firmware not found",
                       "Remote firmware not found in firmware directory");
    if ((policyMode == 0 || policyMode == 2) && !loadDongleFirmware(log))
        return missing(FailureCode::DongleFirmwareNotFound, "dongle firmware not found",
                       "Dongle firmware not found in firmware directory");

    OtaUpgradePolicy::ExecuteContext context =
        makeExecuteContext(index, authenticateFirst, authenticateAfterReconnect, policyMode);
    return policy_.run(context, policyMode, log);
}

} // namespace OtaModule
