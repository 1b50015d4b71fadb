#include "ota/OtaLog.h"

namespace OtaModule {

void logSafely(const OtaLogFunction &log, const std::string &line) noexcept
{
    if (!log)
        return;
    try {
        log(line);
    } catch (...) {
    }
}

} // namespace OtaModule
