#include "libtavrel/DongleOtaTask.h"

#include "libtavrel/Authentication.h"
#include "libtavrel/ClientOtaTask.h"
#include "libtavrel/FirmwareBlockServer.h"
#include "libtavrel/RcpSteps.h"
#include "libtavrel/ReceiverCommands.h"
#include "libtavrel/TransportFrame.h"

namespace libtavrel {

namespace {

constexpr std::uint8_t kLoaderReady = 0x80;

void discardStale(Executor &executor, int channel)
{
    executor.discardPackages(TransportFrame::kCommandChannel);
    executor.discardPackages(TransportFrame::kReplyChannel);
    executor.discardPackages(channel);
}

} // namespace

Task singlePostUpdateTask(Executor &executor, int channel, std::span<const std::uint8_t> image,
                          bool authenticateFirst, std::shared_ptr<OtaReporter> reporter)
{
    OtaReporter &report = *reporter;
    const auto fail = [&report](int code, const char *message) {
        report.error(code, message);
        return false;
    };
    discardStale(executor, channel);
    RcpSession rcp(executor, channel, image);
    rcp.resetSequence();

    if (authenticateFirst && !co_await executor.child(authenticateTask(executor, channel, true)))
        co_return fail(2, "auth failed");
    TargetInfo target;
    if (!co_await executor.child(rcp.queryTargetInfo(&target)))
        co_return fail(3, "query");
    report.progress(39);
    if (!co_await executor.child(rcp.enterUpdate()))
        co_return fail(3, "enter update");
    report.progress(40);
    if (!co_await executor.child(firmwareBlockServer(executor, channel, image, reporter, 40, 98)))
        co_return fail(3, "dongle read file");
    std::uint8_t updateStatus = 0;
    if (!co_await executor.child(rcp.readStatus(&updateStatus)))
        co_return fail(3, "read result");
    report.progress(99);
    if (updateStatus != 0) {
        report.error(3, updateStatusMessage(updateStatus));
        co_return false;
    }
    co_await executor.child(rcp.reboot());
    report.progress(100);
    report.finish();
    co_return true;
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
    if (!co_await executor.child(rcp.queryTargetInfo(&target)))
        co_return fail(3, "query");
    report.progress(1);
    std::uint32_t fileOffset = 0;
    std::uint16_t fileLength = 0;
    if (!co_await executor.child(rcp.readFileOffset(&fileOffset, &fileLength)))
        co_return fail(3, "query");
    report.progress(2);
    std::uint8_t refused = 0;
    if (!co_await executor.child(rcp.askUpdateAllowed(fileOffset, fileLength, &refused)))
        co_return fail(3, "client error");
    if (refused != 0)
        co_return fail(4, "not allow");
    report.progress(3);

    if (target.modeFlag || !target.loaderFlag) {
        setSwitched(false);
        if (!co_await executor.child(rcp.enterUpdate()))
            co_return fail(3, "enter update");
        if (!co_await executor.child(firmwareBlockServer(executor, channel, image, reporter, 4, 98)))
            co_return fail(3, "dongle read file");
        std::uint8_t updateStatus = 0;
        if (!co_await executor.child(rcp.readStatus(&updateStatus)))
            co_return fail(3, "read result");
        report.progress(99);
        if (updateStatus != 0) {
            report.error(3, updateStatusMessage(updateStatus));
            co_return false;
        }
        co_await executor.child(rcp.reboot());
        report.progress(100);
        report.finish();
        co_return true;
    }

    if (!co_await executor.child(firmwareBlockServer(executor, channel, image, reporter, 3, 39)))
        co_return fail(3, "client error");
    std::uint8_t loaderStatus = 0;
    if (!co_await executor.child(rcp.readStatus(&loaderStatus)))
        co_return fail(3, "client error");
    report.progress(40);
    if (loaderStatus != kLoaderReady)
        co_return fail(1, "failed to update loader");
    co_await executor.sleep(executor.timeouts().loaderSettle);
    if (!co_await executor.child(rcp.switchMode()))
        co_return fail(3, "switch mode");
    setSwitched(true);
    co_return true; // the caller goes on with the receiver's update mode
}

} // namespace libtavrel
