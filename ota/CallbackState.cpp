#include "ota/CallbackState.h"

#include <stdexcept>

namespace OtaModule {

void CallbackState::recordFailure(std::int32_t failureCode, const char *text)
{
    failed.store(true);
    code.store(failureCode);
    std::lock_guard lock(mutex);
    message = text ? text : "";
}

std::string CallbackState::messageCopy()
{
    std::lock_guard lock(mutex);
    return message;
}

void reportCallbackException(CallbackState *state, const char *guardName, std::exception_ptr error) noexcept
{
    if (!state)
        return;
    try {
        std::string text = std::string(guardName) + ": callback threw exception";
        try {
            std::rethrow_exception(error);
        } catch (const std::exception &e) {
            const std::string what = e.what() ? e.what() : "";
            if (!what.empty())
                text += " - " + what;
        } catch (...) {
            text += " - unknown exception";
        }
        state->recordFailure(kCallbackThrewCode, text.c_str());
    } catch (...) {
        // Out of memory for the text: the run still counts as failed.
        state->failed.store(true);
        state->code.store(kCallbackThrewCode);
    }
}

} // namespace OtaModule
