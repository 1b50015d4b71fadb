#pragma once

#include "ota/OtaSessionRunnerConfig.h"

#include <functional>
#include <string>

// Runs one firmware update from start to end and returns its outcome: opens
// the receiver (the hint first, else every matched path in turn), reads the
// online devices, lets the link settle, prepares the images and updates the
// headsets and/or the receiver as `config.mode` asks.
//
// Blocks the calling thread for the whole update; every engine callback runs
// on it. `log` gets every line of the session; `progress` gets the
// percentages read from those lines. Either may be empty, and an exception
// either throws is dropped. The session's images are handed to the engine in
// place and live until this call returns.
OtaSessionRunnerResult runOtaSession(const OtaSessionRunnerConfig &config,
                                     const std::function<void(const std::string &)> &log,
                                     const std::function<void(int)> &progress);
