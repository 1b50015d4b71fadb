#include "libtavrel/ReceiverCommands.h"

#include "libtavrel/TransportFrame.h"

#include <cstdlib>
#include <cstring>

namespace libtavrel {

namespace {

struct Exchange
{
    bool sent = false;
    std::shared_ptr<ReadDataPackage> reply;
};

// Sends one receiver command and waits for the next package on the reply
// channel, holding lock 0 throughout.
Task exchange(Executor &executor, int kind, std::vector<std::uint8_t> payload, Executor::Duration replyTimeout,
              Exchange *out)
{
    ChannelLock lock = co_await executor.lock(ReceiverCommand::kLockId, executor.timeouts().lock);
    if (!lock)
        co_return false;
    // A reply that came after an earlier command gave up must not answer this one.
    executor.discardPackages(TransportFrame::kReplyChannel);
    auto frame = makeTransportFrame(TransportFrame::kCommandChannel, kind, payload.data(), payload.size());
    out->sent = co_await executor.write(std::move(frame), executor.timeouts().write);
    if (!out->sent)
        co_return false;
    out->reply = co_await executor.reply(TransportFrame::kReplyChannel, replyTimeout);
    co_return bool(out->reply);
}

bool isSingleZero(const ReadDataPackage &reply, int kind)
{
    return reply.kind == kind && reply.payload.size() == 1 && reply.payload[0] == 0;
}

} // namespace

Task dongleCommandTask(Executor &executor, std::shared_ptr<OtaReporter> reporter, std::uint8_t *statusByte)
{
    Exchange result;
    co_await executor.child(exchange(executor, ReceiverCommand::kStatus, std::vector<std::uint8_t>(), executor.timeouts().receiverReply, &result));
    if (!result.reply) {
        reporter->error(3, "command timeout");
        co_return false;
    }
    const auto &payload = result.reply->payload;
    if (result.reply->kind != ReceiverCommand::kStatus || (payload.size() != 10 && payload.size() != 11)) {
        reporter->error(3, "invalid reply");
        co_return false;
    }
    *statusByte = payload.size() == 11 ? payload[10] : 0;
    co_return true;
}

Task queryOnlineClientsTask(Executor &executor, std::vector<OnlineClient> *list)
{
    Exchange result;
    co_await executor.child(exchange(executor, ReceiverCommand::kListClients, std::vector<std::uint8_t>(), executor.timeouts().receiverReply, &result));
    if (!result.reply || result.reply->kind != ReceiverCommand::kListClients)
        co_return false;
    co_return parseClientList(result.reply->payload, *list);
}

Task readClientInfoTask(Executor &executor, std::array<std::uint8_t, 8> bytes)
{
    Exchange result;
    std::vector<std::uint8_t> payload(bytes.begin(), bytes.end());
    co_await executor.child(exchange(executor, ReceiverCommand::kReadClient, std::move(payload),
                                     executor.timeouts().reply, &result));
    co_return result.reply && isSingleZero(*result.reply, ReceiverCommand::kReadClient);
}

Task disconnectClientTask(Executor &executor, int channel)
{
    Exchange result;
    std::vector<std::uint8_t> payload{std::uint8_t(channel)};
    co_await executor.child(exchange(executor, ReceiverCommand::kDisconnectClient, std::move(payload),
                                     executor.timeouts().reply, &result));
    co_return result.reply && isSingleZero(*result.reply, ReceiverCommand::kDisconnectClient);
}

Task notifyClientAuthenticatedTask(Executor &executor, int channel)
{
    Exchange result;
    std::vector<std::uint8_t> payload{std::uint8_t(channel), 0x01};
    co_await executor.child(exchange(executor, ReceiverCommand::kClientAuthenticated, std::move(payload),
                                     executor.timeouts().receiverReply, &result));
    co_return result.reply && result.reply->kind == ReceiverCommand::kClientAuthenticated;
}

Task readOnlineDeviceTask(Executor &executor, OnlineDeviceCallbacks callbacks)
{
    std::vector<OnlineClient> clients;
    if (!co_await executor.child(queryOnlineClientsTask(executor, &clients)))
        co_return false;
    if (!callbacks.onRefreshClientInfo)
        co_return true;
    if (clients.empty()) {
        callbacks.onRefreshClientInfo(callbacks.context, 0, nullptr);
        co_return true;
    }
    std::vector<OnlineClientRecord> records(clients.size());
    std::memset(records.data(), 0, records.size() * sizeof(OnlineClientRecord));
    for (std::size_t i = 0; i < clients.size(); ++i) {
        OnlineClientRecord &record = records[i];
        record.channel = std::uint8_t(clients[i].channel);
        std::memcpy(record.linkInfo, clients[i].linkInfo.data(), 4);
        std::memcpy(record.linkExtra, clients[i].linkExtra.data(), 2);
        std::memcpy(record.name, clients[i].name.data(), std::min(clients[i].name.size(), sizeof record.name));
    }
    callbacks.onRefreshClientInfo(callbacks.context, std::uint32_t(records.size()), records.data());
    co_return true;
}

static_assert(sizeof(OnlineClientRecord) == 256, "the record is 256 bytes on the wire-like interface");

} // namespace libtavrel
