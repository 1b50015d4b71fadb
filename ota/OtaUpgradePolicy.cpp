#include "ota/OtaUpgradePolicy.h"

#include "ota/SteadySleep.h"

using OtaModule::ClientInfo;
using OtaModule::kReceiverChannel;

namespace {

constexpr int kPrecheckAttempts = 4;
constexpr int kPrecheckPassesNeeded = 2;

std::string yesNo(bool value)
{
    return value ? "yes" : "no";
}

std::string trueFalse(bool value)
{
    return value ? "true" : "false";
}

} // namespace

OtaUpgradePolicy::OtaUpgradePolicy(OtaModule::OtaSessionTimings timings, Sleeper sleeper)
    : timings_(timings)
    , sleeper_(sleeper ? std::move(sleeper) : Sleeper(&OtaModule::sleepSteady))
{
}

void OtaUpgradePolicy::resetStageStatus()
{
    scanStatus_ = Pending;
    openReadStatus_ = Pending;
    precheckStatus_ = Pending;
}

void OtaUpgradePolicy::wait(std::chrono::milliseconds duration)
{
    sleeper_(duration);
}

std::string OtaUpgradePolicy::stageLine() const
{
    return "Stage status => scan=" + stageStatusText(scanStatus_) + ", open_read=" + stageStatusText(openReadStatus_)
           + ", precheck=" + stageStatusText(precheckStatus_);
}

bool OtaUpgradePolicy::contextComplete(const ExecuteContext &c)
{
    return c.scan && c.getOnlineClients && c.getDeviceSnapshot && c.autoOpen && c.openAndRead && c.openIndex
           && c.probeWorkingPath && c.findIndexByPath && c.getActivePath && c.runRemoteOta && c.runDongleOta
           && c.onOpenReadFailed && c.onFinished && c.recoveryTarget;
}

void OtaUpgradePolicy::report(ExecuteContext &context, ErrorCode reason, const std::string &message)
{
    if (context.onFailure)
        context.onFailure(int(reason), message);
}

bool OtaUpgradePolicy::finish(ExecuteContext &context, bool success, const Log &log)
{
    context.onFinished(success, log);
    return success;
}

bool OtaUpgradePolicy::run(ExecuteContext &context, std::uint32_t mode, const Log &log)
{
    const Log say = [&log](const std::string &line) { logSafely(log, line); };
    resetStageStatus();

    if (!contextComplete(context)) {
        report(context, ErrorCode::InvalidExecuteContext, "invalid execute context: missing callbacks");
        say("Auto upgrade policy aborted: invalid execute context");
        if (context.onFinished)
            context.onFinished(false, say);
        return false;
    }

    say("Auto-upgrade session: scanning matched HID devices...");
    int matched = 0;
    int total = 0;
    const bool scanned = context.scan(&matched, &total);
    say("Auto-upgrade session: matched devices=" + std::to_string(matched) + " / total hid=" + std::to_string(total));
    if (!scanned || matched < 1) {
        report(context, ErrorCode::NoMatchedHidDevices, "no matched hid devices");
        say("Auto upgrade blocked: no matched HID devices");
        scanStatus_ = Failed;
        say(stageLine());
        return finish(context, false, say);
    }
    scanStatus_ = Success;

    if (context.autoOpen(say)) {
        openReadStatus_ = Success;
    } else {
        bool opened = false;
        if (context.selectedIndex >= 0) {
            openReadStatus_ = Degraded;
            say("Auto-upgrade session: auto-open did not find online clients, retrying selected index...");
            opened = context.openAndRead(context.selectedIndex, say);
        }
        if (!opened) {
            openReadStatus_ = Failed;
            report(context, ErrorCode::OpenReadFailed, "failed to open/read online devices");
            context.onOpenReadFailed();
            say("Failed to open/read online devices before auto upgrade");
            say(stageLine());
            return finish(context, false, say);
        }
    }

    bool dongleOnline = false;
    int remoteCount = 0;
    countOnline(context.getOnlineClients(), &dongleOnline, &remoteCount);
    bool passed = precheckPasses(mode, dongleOnline, remoteCount);
    const bool recovered = !passed;
    if (!passed)
        passed = precheckRecovery(context, mode, &dongleOnline, &remoteCount, say);
    if (!passed) {
        precheckStatus_ = Failed;
        if (mode == 1) {
            report(context, ErrorCode::PrecheckFailed, "precheck failed: no remote headset online");
            say("Auto upgrade blocked: remote headset must be online");
        } else if (mode == 2) {
            report(context, ErrorCode::PrecheckFailed, "precheck failed: dongle not online");
            say("Auto upgrade blocked: dongle must be online");
        } else {
            report(context, ErrorCode::PrecheckFailed, "precheck failed: dongle/remote not both online");
            say("Auto upgrade blocked: single active device must have Dongle online and at least 1 remote online");
        }
        say("Current online status => dongle=" + yesNo(dongleOnline) + ", remote_count=" + std::to_string(remoteCount));
        say(stageLine());
        return finish(context, false, say);
    }
    precheckStatus_ = recovered ? Degraded : Success;
    say("Auto upgrade precheck passed");
    say(stageLine());

    if (mode == 0 || mode == 1) {
        if (!runHeadsetStage(context, mode, remoteCount, say))
            return finish(context, false, say);
        if (mode == 1) {
            report(context, ErrorCode::None, std::string());
            return finish(context, true, say);
        }
    }
    return runReceiverStage(context, say);
}

bool OtaUpgradePolicy::precheckRecovery(ExecuteContext &context, std::uint32_t mode, bool *dongleOnline,
                                        int *remoteCount, const Log &say)
{
    precheckStatus_ = Degraded;
    say("Precheck recovery: online state is unstable, rescanning and probing all matched HID paths...");
    int matched = 0;
    int total = 0;
    context.scan(&matched, &total);
    const Devices snapshot = context.getDeviceSnapshot();
    const int index = context.probeWorkingPath(snapshot, say);
    if (index < 0) {
        say("Precheck recovery failed: no working HID path found");
    } else {
        int passesInRow = 0;
        for (int attempt = 1; attempt <= kPrecheckAttempts; ++attempt) {
            bool passed = false;
            if (context.openAndRead(index, say)) {
                countOnline(context.getOnlineClients(), dongleOnline, remoteCount);
                passed = precheckPasses(mode, *dongleOnline, *remoteCount);
            }
            passesInRow = passed ? passesInRow + 1 : 0;
            if (passesInRow >= kPrecheckPassesNeeded)
                break;
            if (attempt < kPrecheckAttempts)
                wait(timings_.precheckRetryWait);
        }
    }
    return precheckPasses(mode, *dongleOnline, *remoteCount);
}

bool OtaUpgradePolicy::runHeadsetStage(ExecuteContext &context, std::uint32_t mode, int remoteCount, const Log &say)
{
    say("Remote OTA session check: firmware_size=" + std::to_string(context.remoteFirmware.size())
        + " bytes, firmware_fnv1a32=0x" + hexPadded(fnv1a32(context.remoteFirmware), 8)
        + ", auth1=" + trueFalse(context.auth1) + ", auth2=" + trueFalse(context.auth2));

    for (const ClientInfo &client : context.getOnlineClients()) {
        if (client.channel == kReceiverChannel)
            continue;
        // supportOta is only shown: the receiver does not fill it in.
        say("Remote target check: channel=" + std::to_string(client.channel)
            + ", supportOta=" + std::to_string(client.supportOta) + ", deviceName=" + client.deviceName);
        int code = 0;
        std::string reason;
        if (context.runRemoteOta(client, context.auth1, context.auth2, &code, &reason, say))
            continue;

        report(context, ErrorCode::RemoteOtaFailed, reason.empty() ? "remote ota failed" : reason);
        say(std::string("Auto upgrade stopped: remote OTA failed") + (mode == 0 ? ", Dongle OTA will not start" : "")
            + " (channel " + std::to_string(client.channel) + ", error " + std::to_string(code) + ")");
        if (!reason.empty())
            say("Remote failure reason: " + reason);
        recoverRemoteSession(
            context,
            [&context] {
                int matched = 0;
                int total = 0;
                context.scan(&matched, &total);
            },
            say);
        return false;
    }
    say("Remote auto-upgrade finished, total remote devices: " + std::to_string(remoteCount));
    return true;
}

bool OtaUpgradePolicy::runReceiverStage(ExecuteContext &context, const Log &say)
{
    int index = context.selectedIndex;
    const Devices snapshot = context.getDeviceSnapshot();
    const auto inRange = [&snapshot](int i) { return i >= 0 && std::size_t(i) < snapshot.size(); };

    // A headset update may have moved the session to another interface.
    const std::string path = context.getActivePath();
    if (!path.empty()) {
        const int found = context.findIndexByPath(path, snapshot);
        if (found >= 0) {
            index = found;
            say("Dongle index remapped by active path after remote: " + std::to_string(found));
        } else {
            say("Dongle active path not found in latest snapshot, fallback to index strategy");
        }
    }
    if (!inRange(index)) {
        say("Dongle index fallback: selected index invalid, probing working HID path...");
        index = context.probeWorkingPath(snapshot, say);
        if (!inRange(index) && !snapshot.empty())
            index = 0;
    }
    say("Dongle index selected for OTA: " + std::to_string(index));
    if (!inRange(index)) {
        report(context, ErrorCode::DongleOtaFailed, "no valid dongle index selected");
        return finish(context, false, say);
    }

    if (!context.openAndRead(index, say)) {
        report(context, ErrorCode::DongleOtaFailed, "pre-dongle read failed on selected HID");
        return finish(context, false, say);
    }
    bool dongleOnline = false;
    int remoteCount = 0;
    countOnline(context.getOnlineClients(), &dongleOnline, &remoteCount);
    say("Dongle precheck on selected HID => dongle=" + yesNo(dongleOnline)
        + ", remote_count=" + std::to_string(remoteCount));
    if (!dongleOnline) {
        report(context, ErrorCode::DongleOtaFailed, "selected HID has no dongle online before dongle ota");
        return finish(context, false, say);
    }

    // A failed receiver update is recorded by the receiver session itself.
    const bool ok = context.runDongleOta(index, context.auth1, context.auth2, say);
    if (ok)
        report(context, ErrorCode::None, std::string());
    return finish(context, ok, say);
}
