#pragma once

#include "libtavrel/tavrel.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// Records what an update task reports through its C callback block.
struct OtaRecorder
{
    int starts = 0;
    int finishes = 0;
    std::vector<int> progress;
    std::vector<std::pair<int, std::string>> errors;
    int otherCalls = 0;
    bool throwOnProgress = false;
    std::function<void(int done)> whenProgress; // runs inside the callback

    OtaCallbacks callbacks()
    {
        OtaCallbacks c{};
        c.context = this;
        c.onStart = [](void *self) { ++static_cast<OtaRecorder *>(self)->starts; };
        c.onFinish = [](void *self) { ++static_cast<OtaRecorder *>(self)->finishes; };
        c.onNeedReconnect = [](void *self) { ++static_cast<OtaRecorder *>(self)->otherCalls; };
        c.onProgress = [](void *self, int done, int total) {
            auto *r = static_cast<OtaRecorder *>(self);
            r->progress.push_back(total == 100 ? done : -1);
            if (r->whenProgress)
                r->whenProgress(done);
            if (r->throwOnProgress)
                throw std::runtime_error("callback gone wrong");
        };
        c.onStop = [](void *self) { ++static_cast<OtaRecorder *>(self)->otherCalls; };
        c.onCancel = [](void *self) { ++static_cast<OtaRecorder *>(self)->otherCalls; };
        c.onError = [](void *self, int code, const char *message) {
            static_cast<OtaRecorder *>(self)->errors.emplace_back(code, message ? message : "(null)");
        };
        return c;
    }

    bool progressRises() const
    {
        for (std::size_t i = 1; i < progress.size(); ++i)
            if (progress[i] < progress[i - 1])
                return false;
        return true;
    }
};
