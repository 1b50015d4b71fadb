#include "ota/OtaSessionRunner.h"

#include "ota/OtaSession.h"
#include "ota/ProgressLine.h"
#include "ota/SteadySleep.h"

using OtaModule::OtaLogFunction;
using OtaModule::OtaSession;

namespace {

std::uint32_t policyModeFor(std::uint32_t mode)
{
    switch (mode) {
    case 0: return 1; // headsets only
    case 1: return 2; // receiver only
    default: return 0; // headsets, then the receiver
    }
}

OtaSessionRunnerResult runSession(const OtaSessionRunnerConfig &config, const OtaLogFunction &log)
{
    OtaSessionRunnerResult result;
    OtaSession session(config);
    session.clearPreparedFirmware();
    if (!config.remoteImage.empty())
        session.setPreparedRemoteImage(config.remoteImage);
    if (!config.dongleImage.empty())
        session.setPreparedDongleImage(config.dongleImage);

    int index = session.chooseDevice(config.deviceHint, log);
    bool ready = false;
    if (index >= 0) {
        ready = session.openDevice(index, log) && session.readOnlineDevices(index, log);
        if (!ready)
            OtaModule::logSafely(log, "Preferred path open/read failed, fallback auto-open");
    }
    if (!ready) {
        // Go on with the path that answered, not with the first one.
        if (!session.openWithPathTrials(log, &index)) {
            result.message = "failed to open/read online devices";
            return result;
        }
    }

    const OtaModule::OtaSessionTimings &timings = config.timings;
    OtaModule::logSafely(log, "BLE settle before upgrade ms=" + std::to_string(timings.settleBeforeUpgrade.count()));
    OtaModule::sleepSteady(timings.settleBeforeUpgrade);
    session.readOnlineDevices(index, log);
    OtaModule::sleepSteady(timings.settleBetweenReads);
    session.readOnlineDevices(index, log);

    if (!session.prepareFirmware(log)) {
        result.message = "firmware package invalid or not found";
        return result;
    }
    result.success = session.runAutoUpgrade(index, config.authenticateFirst, config.authenticateAfterReconnect,
                                            policyModeFor(config.mode), log);
    if (!result.success) {
        result.message = session.lastFailureText();
        if (result.message.empty())
            result.message = "ota upgrade failed";
    }
    return result;
}

} // namespace

OtaSessionRunnerResult runOtaSession(const OtaSessionRunnerConfig &config,
                                     const std::function<void(const std::string &)> &log,
                                     const std::function<void(int)> &progress)
{
    // Every line goes to the caller's log and, when it carries a done/total
    // pair of the mode's stage, to its progress bar.
    const OtaLogFunction sessionLog = [&log, &progress, mode = config.mode](const std::string &line) {
        OtaModule::logSafely(log, line);
        if (!progress)
            return;
        try {
            if (const auto percent = OtaModule::progressPercentFromLine(line, mode))
                progress(*percent);
        } catch (...) {
        }
    };
    try {
        return runSession(config, sessionLog);
    } catch (const std::exception &e) {
        // The worker thread must come back with an answer, whatever broke.
        return {false, std::string("ota session failed: ") + e.what()};
    } catch (...) {
        return {false, "ota session failed"};
    }
}
