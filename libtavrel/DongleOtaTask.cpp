#include "libtavrel/DongleOtaTask.h"

#include "libtavrel/Authentication.h"
#include "libtavrel/FirmwareBlockServer.h"
#include "libtavrel/RcpSteps.h"
#include "libtavrel/ReceiverCommands.h"
#include "libtavrel/TransportFrame.h"
#include "libtavrel/UpdateSteps.h"

#include <optional>

namespace libtavrel {

namespace {

void discardStale(Executor &executor, int channel)
{
    executor.discardPackages(TransportFrame::kCommandChannel);
    executor.discardPackages(TransportFrame::kReplyChannel);
    executor.discardPackages(channel);
}

// The receiver's image transfer once it has allowed the update: enter the
// update mode, serve the blocks, check the status, reboot.
Task transferImage(Executor &executor, RcpSession &rcp, std::shared_ptr<OtaReporter> reporter,
                   std::optional<int> progressOnEnter, int progressStart)
{
    OtaReporter &report = *reporter;
    const auto fail = [&report](int code, const char *message) {
        report.error(code, message);
        return false;
    };
    if (!co_await executor.child(rcp.enterUpdate()))
        co_return fail(3, "enter update");
    if (progressOnEnter)
        report.progress(*progressOnEnter);
    if (!co_await executor.child(
            firmwareBlockServer(executor, rcp.channel(), rcp.image(), reporter, progressStart, 98)))
        co_return fail(3, "dongle read file");
    std::uint8_t updateStatus = 0;
    if (!co_await executor.child(rcp.readStatus(&updateStatus)))
        co_return fail(3, "read result");
    report.progress(99);
    if (updateStatus != 0) {
        report.error(3, receiverUpdateStatusMessage(updateStatus));
        co_return false;
    }
    co_await executor.child(rcp.reboot());
    report.progress(100);
    report.finish();
    co_return true;
}

} // namespace

Task singlePostUpdateTask(Executor &executor, int channel, std::span<const std::uint8_t> image,
                          bool authenticateFirst, std::shared_ptr<OtaReporter> reporter)
{
    discardStale(executor, channel);
    RcpSession rcp(executor, channel, image);
    rcp.resetSequence();

    if (authenticateFirst && !co_await executor.child(authenticateTask(executor, channel, true))) {
        reporter->error(2, "auth failed");
        co_return false;
    }
    TargetInfo target;
    if (!co_await executor.child(rcp.queryTargetInfo(&target))) {
        reporter->error(3, "query");
        co_return false;
    }
    reporter->progress(39);
    co_return co_await executor.child(transferImage(executor, rcp, reporter, 40, 40));
}

Task dongleOtaTask(Executor &executor, int channel, std::span<const std::uint8_t> image, bool authenticateFirst,
                   bool authenticateAfterReconnect, std::shared_ptr<OtaReporter> reporter, bool *switchedToPostMode)
{
    OtaReporter &report = *reporter;
    const auto fail = [&report](int code, const char *message) {
        report.error(code, message);
        return false;
    };
    const auto setSwitched = [switchedToPostMode](bool value) {
        if (switchedToPostMode)
            *switchedToPostMode = value;
    };
    discardStale(executor, channel);
    report.start();
    report.progress(0);

    std::uint8_t postModeByte = 0;
    if (!co_await executor.child(dongleCommandTask(executor, reporter, &postModeByte)))
        co_return false; // reported by the command
    if (postModeByte != 0)
        co_return co_await executor.child(
            singlePostUpdateTask(executor, channel, image, authenticateAfterReconnect, reporter));

    if (authenticateFirst && !co_await executor.child(authenticateTask(executor, channel, false)))
        co_return fail(2, "auth failed");

    RcpSession rcp(executor, channel, image);
    rcp.resetSequence();
    TargetInfo target;
    if (!co_await executor.child(openUpdate(executor, rcp, report, {"query", "query", "client error"}, &target)))
        co_return false;

    if (target.modeFlag || !target.loaderFlag) {
        setSwitched(false);
        co_return co_await executor.child(transferImage(executor, rcp, reporter, std::nullopt, 4));
    }

    if (!co_await executor.child(installLoader(executor, rcp, reporter, "switch mode")))
        co_return false;
    setSwitched(true);
    co_return true; // the caller goes on with the receiver's update mode
}

} // namespace libtavrel
