#include "libtavrel/ExecutorTimeouts.h"

namespace libtavrel {

namespace {

ExecutorTimeouts::Duration scale(ExecutorTimeouts::Duration d, double factor)
{
    if (!(factor > 0.0) || factor == 1.0)
        return d;
    return std::chrono::duration_cast<ExecutorTimeouts::Duration>(
        std::chrono::duration<double, std::nano>(double(d.count()) * factor));
}

} // namespace

ExecutorTimeouts ExecutorTimeouts::scaled(const WaitScales &factors) const
{
    ExecutorTimeouts t;
    t.write = scale(write, factors.write);
    t.reply = scale(reply, factors.reply);
    t.receiverReply = scale(receiverReply, factors.receiverReply);
    t.lock = scale(lock, factors.lock);
    t.reconnectPoll = scale(reconnectPoll, factors.reconnectPoll);
    t.loaderSettle = scale(loaderSettle, factors.loaderSettle);
    return t;
}

} // namespace libtavrel
