#include "libtavrel/ExecutorTimeouts.h"

namespace libtavrel {

ExecutorTimeouts ExecutorTimeouts::scaled(double factor) const
{
    if (!(factor > 0.0) || factor == 1.0)
        return *this;
    const auto scale = [factor](Duration d) {
        return std::chrono::duration_cast<Duration>(std::chrono::duration<double, std::nano>(double(d.count()) * factor));
    };
    ExecutorTimeouts t;
    t.write = scale(write);
    t.reply = scale(reply);
    t.receiverReply = scale(receiverReply);
    t.lock = scale(lock);
    t.reconnectPoll = scale(reconnectPoll);
    t.loaderSettle = scale(loaderSettle);
    return t;
}

} // namespace libtavrel
