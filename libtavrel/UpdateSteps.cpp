#include "libtavrel/UpdateSteps.h"

#include "libtavrel/FirmwareBlockServer.h"

#include <cstdio>

namespace libtavrel {

Task openUpdate(Executor &executor, RcpSession &rcp, OtaReporter &reporter, OpeningMessages messages,
                TargetInfo *target)
{
    if (!co_await executor.child(rcp.queryTargetInfo(target))) {
        reporter.error(3, messages.targetInfo);
        co_return false;
    }
    reporter.progress(1);

    std::uint32_t fileOffset = 0;
    std::uint16_t fileLength = 0;
    if (!co_await executor.child(rcp.readFileOffset(&fileOffset, &fileLength))) {
        reporter.error(3, messages.fileOffset);
        co_return false;
    }
    reporter.progress(2);

    std::uint8_t refused = 0;
    if (!co_await executor.child(rcp.askUpdateAllowed(fileOffset, fileLength, &refused))) {
        reporter.error(3, messages.updateAllowed);
        co_return false;
    }
    if (refused != 0) {
        reporter.error(4, "not allow");
        co_return false;
    }
    reporter.progress(3);
    co_return true;
}

Task installLoader(Executor &executor, RcpSession &rcp, std::shared_ptr<OtaReporter> reporter,
                   const char *switchFailure)
{
    constexpr std::uint8_t kLoaderReady = 0x80;
    OtaReporter &report = *reporter;
    if (!co_await executor.child(firmwareBlockServer(executor, rcp.channel(), rcp.image(), reporter, 3, 39))) {
        report.error(3, "client error");
        co_return false;
    }
    std::uint8_t loaderStatus = 0;
    if (!co_await executor.child(rcp.readStatus(&loaderStatus))) {
        report.error(3, "client error");
        co_return false;
    }
    report.progress(40);
    // Only 0x80 is a loader ready to take over; 0 and 9 included, anything
    // else leaves the device without the loader it asked for.
    if (loaderStatus != kLoaderReady) {
        report.error(1, "failed to update loader");
        co_return false;
    }
    co_await executor.sleep(executor.timeouts().loaderSettle);
    if (!co_await executor.child(rcp.switchMode())) {
        report.error(3, switchFailure);
        co_return false;
    }
    co_return true;
}

std::string updateStatusMessage(std::uint8_t status)
{
    char text[512];
    std::snprintf(text, sizeof text, "update failed: status 0x%02x", unsigned(status));
    return text;
}

std::string receiverUpdateStatusMessage(std::uint8_t status)
{
    char text[512];
    std::snprintf(text, sizeof text, "update failed: status 0x%2x", unsigned(status));
    return text;
}

} // namespace libtavrel
