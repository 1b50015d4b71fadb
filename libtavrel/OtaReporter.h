#pragma once

#include "libtavrel/tavrel.h"

#include <string>

namespace libtavrel {

// The callbacks of one update task and its single outcome: after an error
// nothing else is reported, and a finish never follows an error.
class OtaReporter
{
public:
    explicit OtaReporter(const OtaCallbacks *callbacks);

    void start();
    void progress(int done);
    void finish();
    void error(int code, const std::string &message);

    bool ended() const { return ended_; }

private:
    OtaCallbacks callbacks_{};
    bool ended_ = false;
};

} // namespace libtavrel
