#pragma once

#include "libtavrel/Executor.h"
#include "libtavrel/OnlineClient.h"
#include "libtavrel/OtaReporter.h"
#include "libtavrel/tavrel.h"

#include <array>
#include <memory>

namespace libtavrel {

// The receiver's own commands: sent on channel 0 under the executor's lock 0,
// answered on channel 1 with the command's kind.
namespace ReceiverCommand {
inline constexpr int kStatus = 1;
inline constexpr int kListClients = 2;
inline constexpr int kReadClient = 4;
inline constexpr int kDisconnectClient = 5;
inline constexpr int kClientAuthenticated = 6;
inline constexpr int kLockId = 0;
} // namespace ReceiverCommand

// Kind 1. Reports its own failures: error 3 "command timeout" when no reply
// comes (or the command can't be sent), "invalid reply" for a wrong one.
Task dongleCommandTask(Executor &executor, std::shared_ptr<OtaReporter> reporter, std::uint8_t *statusByte);

// Kind 2: appends the online clients to `list`.
Task queryOnlineClientsTask(Executor &executor, std::vector<OnlineClient> *list);

// Kind 4 with eight bytes naming a client's link.
Task readClientInfoTask(Executor &executor, std::array<std::uint8_t, 8> bytes);

// Kind 5: drops the client's connection.
Task disconnectClientTask(Executor &executor, int channel);

// Kind 6: the client has passed the authentication.
Task notifyClientAuthenticatedTask(Executor &executor, int channel);

// The task behind read_online_device.
Task readOnlineDeviceTask(Executor &executor, OnlineDeviceCallbacks callbacks);

} // namespace libtavrel
