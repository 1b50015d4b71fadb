#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>

namespace OtaModule {

// What the engine's callbacks reported during one run: the run failed when
// an error came in or one of the program's own callbacks threw.
struct CallbackState
{
    std::atomic<bool> failed{false};
    std::atomic<std::int32_t> code{0};
    std::mutex mutex; // guards message
    std::string message;

    // Marks the run failed first, so that the mark stands even when copying
    // the text runs out of memory.
    void recordFailure(std::int32_t failureCode, const char *text);
    std::string messageCopy();
};

inline constexpr std::int32_t kCallbackThrewCode = -100000;

// Turns an exception that one of the program's callbacks threw into a failed
// run: "<guard>: callback threw exception - <what>". Never throws.
void reportCallbackException(CallbackState *state, const char *guardName, std::exception_ptr error) noexcept;

} // namespace OtaModule
