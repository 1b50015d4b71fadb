#include "libtavrel/Authentication.h"

#include "libtavrel/AuthConstants.h"
#include "libtavrel/E1Cipher.h"
#include "libtavrel/ReceiverCommands.h"
#include "libtavrel/TransportFrame.h"

#include <algorithm>
#include <random>

namespace libtavrel {

namespace {

std::vector<std::uint8_t> freshChallenge()
{
    // The OS generator: a predictable challenge would let a recorded answer pass.
    std::random_device source;
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::uint8_t> challenge(AuthConstants::kChallengeSize);
    challenge[0] = AuthConstants::kChallengeType;
    for (std::size_t i = 1; i < challenge.size(); ++i)
        challenge[i] = std::uint8_t(byte(source));
    return challenge;
}

Executor::WriteAwaiter send(Executor &executor, int channel, const std::uint8_t *bytes, std::size_t n)
{
    return executor.write(makeTransportFrame(channel, 0, bytes, n), executor.timeouts().write);
}

} // namespace

Task authenticateTask(Executor &executor, int channel, bool skipNotify)
{
    std::vector<OnlineClient> clients;
    if (!co_await executor.child(queryOnlineClientsTask(executor, &clients)))
        co_return false;
    const auto entry = std::find_if(clients.begin(), clients.end(),
                                    [channel](const OnlineClient &c) { return c.channel == channel; });
    if (entry == clients.end())
        co_return false;
    if (entry->authenticated)
        co_return true;

    const auto challenge = freshChallenge();
    const auto expected = E1Cipher::makeAuthReply(challenge.data());
    if (!co_await send(executor, channel, challenge.data(), challenge.size()))
        co_return false;
    const auto answer = co_await executor.reply(channel, executor.timeouts().reply);
    if (!answer || !std::equal(answer->payload.begin(), answer->payload.end(), expected.begin(), expected.end()))
        co_return false;

    const auto &pass = AuthConstants::kPassMarker;
    if (!co_await send(executor, channel, pass.data(), pass.size()))
        co_return false;
    const auto deviceChallenge = co_await executor.reply(channel, executor.timeouts().reply);
    // Answered from its bytes 1-16, whatever its first byte and whatever
    // follows them; a shorter one has nothing to answer.
    if (!deviceChallenge || deviceChallenge->payload.size() < AuthConstants::kChallengeSize)
        co_return false;
    const auto reply = E1Cipher::makeAuthReply(deviceChallenge->payload.data());
    if (!co_await send(executor, channel, reply.data(), reply.size()))
        co_return false;
    const auto verdict = co_await executor.reply(channel, executor.timeouts().reply);
    if (!verdict || !std::equal(verdict->payload.begin(), verdict->payload.end(), pass.begin(), pass.end()))
        co_return false;

    if (skipNotify)
        co_return true;
    co_return co_await executor.child(notifyClientAuthenticatedTask(executor, channel));
}

} // namespace libtavrel
