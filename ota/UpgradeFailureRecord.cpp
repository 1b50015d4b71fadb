#include "ota/UpgradeFailureRecord.h"

namespace OtaModule {

void UpgradeFailureRecord::record(std::int32_t code, const std::string &text)
{
    std::lock_guard lock(mutex_);
    if (code != 0 && code_ != 0)
        return;
    code_ = code;
    text_ = text.empty() ? defaultText(code) : text;
}

std::int32_t UpgradeFailureRecord::code() const
{
    std::lock_guard lock(mutex_);
    return code_;
}

std::string UpgradeFailureRecord::text() const
{
    std::lock_guard lock(mutex_);
    return text_;
}

std::string UpgradeFailureRecord::defaultText(std::int32_t code)
{
    switch (code) {
    case 0: return "";
    case 1: return "auto upgrade blocked by cooldown";
    case 2: return "remote firmware not found";
    case 3: return "dongle firmware not found";
    case 4: return "invalid selected online device";
    case 5: return "invalid execute context";
    case 6: return "no matched hid devices";
    case 7: return "failed to open/read online devices";
    case 8: return "precheck failed";
    case 9: return "remote ota failed";
    case 10: return "dongle ota failed";
    default: return "unknown failure";
    }
}

} // namespace OtaModule
