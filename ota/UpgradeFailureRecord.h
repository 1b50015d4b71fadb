#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace OtaModule {

// The first thing that went wrong in an update session, as a code and a text.
// Code 0 clears the record; any other code is kept only while the record is
// clear, so a later failure never hides the one that caused it.
class UpgradeFailureRecord
{
public:
    // An empty text takes the code's default text.
    void record(std::int32_t code, const std::string &text);
    std::int32_t code() const;
    std::string text() const;

    static std::string defaultText(std::int32_t code);

private:
    mutable std::mutex mutex_;
    std::int32_t code_ = 0;
    std::string text_;
};

} // namespace OtaModule
