#include "libtavrel/ClientOtaTask.h"

#include "libtavrel/Authentication.h"
#include "libtavrel/FirmwareBlockServer.h"
#include "libtavrel/RcpSteps.h"
#include "libtavrel/ReceiverCommands.h"
#include "libtavrel/TransportFrame.h"
#include "libtavrel/UpdateSteps.h"

#include <algorithm>

namespace libtavrel {

namespace {

constexpr int kLeaveQueries = 8;
constexpr int kReconnectRounds = 160;

enum class Presence { Present, Absent, QueryFailed };

// One client-list query, reduced to whether `channel` is listed.
// Until it has an answer the query counts as failed, so that an exception
// that ends it (read as a plain failure by the caller) leaves no stale value.
Task queryPresence(Executor &executor, int channel, Presence *presence, OnlineClient *entry)
{
    *presence = Presence::QueryFailed;
    std::vector<OnlineClient> clients;
    if (!co_await executor.child(queryOnlineClientsTask(executor, &clients)))
        co_return false;
    const auto it = std::find_if(clients.begin(), clients.end(), [channel](const auto &c) { return c.channel == channel; });
    *presence = it == clients.end() ? Presence::Absent : Presence::Present;
    if (it != clients.end() && entry)
        *entry = *it;
    co_return true;
}

// Polls the client list until the headset is back: error 1 when a query fails
// or the rounds run out.
Task waitForReconnect(Executor &executor, int channel, OtaReporter &reporter)
{
    for (int round = 0; round < kReconnectRounds; ++round) {
        co_await executor.sleep(executor.timeouts().reconnectPoll);
        Presence presence = Presence::QueryFailed;
        co_await executor.child(queryPresence(executor, channel, &presence, nullptr));
        if (presence == Presence::QueryFailed) {
            reporter.error(1, "failed to read client");
            co_return false;
        }
        if (presence == Presence::Present)
            co_return true;
    }
    reporter.error(1, "failed to reconnect client");
    co_return false;
}

} // namespace

Task clientOtaTask(Executor &executor, int channel, std::span<const std::uint8_t> image, bool authenticateFirst,
                   bool authenticateAfterReconnect, std::shared_ptr<OtaReporter> reporter)
{
    OtaReporter &report = *reporter;
    report.start();
    executor.discardPackages(TransportFrame::kCommandChannel);
    executor.discardPackages(TransportFrame::kReplyChannel);
    executor.discardPackages(channel);
    report.progress(0);

    const auto fail = [&report](int code, const char *message) {
        report.error(code, message);
        return false;
    };

    Presence presence = Presence::QueryFailed;
    OnlineClient client;
    co_await executor.child(queryPresence(executor, channel, &presence, &client));
    if (presence == Presence::QueryFailed)
        co_return fail(1, "no_client_found");
    if (presence == Presence::Absent)
        co_return fail(1, "no client found");

    if (authenticateFirst && !co_await executor.child(authenticateTask(executor, channel, false)))
        co_return fail(2, "auth failed");

    RcpSession rcp(executor, channel, image);
    rcp.resetSequence();
    TargetInfo target;
    if (!co_await executor.child(openUpdate(executor, rcp, report, {"client error", "client_error", "client error"}, &target)))
        co_return false;
    int imageProgressStart = 4;

    if (!target.modeFlag && target.loaderFlag) {
        if (!co_await executor.child(installLoader(executor, rcp, reporter, "switch mode error")))
            co_return false;
        report.progress(41);
        report.progress(42);

        // The headset leaves the list when it restarts into its loader.
        for (int i = 0; i < kLeaveQueries; ++i) {
            co_await executor.child(queryPresence(executor, channel, &presence, nullptr));
            if (presence == Presence::QueryFailed)
                co_return fail(1, "failed to read client");
            if (presence == Presence::Absent)
                break;
        }
        report.progress(43);

        std::array<std::uint8_t, 8> link{};
        std::copy(client.linkInfo.begin(), client.linkInfo.end(), link.begin());
        std::copy(client.linkExtra.begin(), client.linkExtra.end(), link.begin() + 4);
        if (!co_await executor.child(readClientInfoTask(executor, link)))
            co_return fail(3, "connect");
        report.progress(44);

        if (!co_await executor.child(waitForReconnect(executor, channel, report)))
            co_return false;
        report.progress(45);

        if (authenticateAfterReconnect) {
            if (!co_await executor.child(authenticateTask(executor, channel, false)))
                co_return fail(3, "auth");
            report.progress(46);
        }
        if (!co_await executor.child(rcp.queryTargetInfo(&target)))
            co_return fail(3, "query");
        report.progress(47);
        if (target.skipUpdateFlag)
            co_return fail(4, "update skipped");
        imageProgressStart = 48;
    }

    if (!co_await executor.child(rcp.enterUpdate()))
        co_return fail(3, "enter update");
    if (!co_await executor.child(firmwareBlockServer(executor, channel, image, reporter, imageProgressStart, 98)))
        co_return fail(3, "update file");

    std::uint8_t updateStatus = 0;
    if (!co_await executor.child(rcp.readStatus(&updateStatus)))
        co_return fail(3, "query");
    report.progress(99);
    if (updateStatus != 0) {
        report.error(3, updateStatusMessage(updateStatus));
        co_return false;
    }

    co_await executor.child(rcp.reboot());
    if (!co_await executor.child(disconnectClientTask(executor, channel)))
        co_return fail(3, "failed to disconnect");
    if (!co_await executor.child(waitForReconnect(executor, channel, report)))
        co_return false;

    report.progress(100);
    report.finish();
    co_return true;
}

} // namespace libtavrel
