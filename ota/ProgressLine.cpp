#include "ota/ProgressLine.h"

#include <algorithm>
#include <charconv>

namespace OtaModule {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::optional<int> parseDecimal(std::string_view digits)
{
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

} // namespace

std::optional<int> progressPercentFromLine(std::string_view line, std::uint32_t mode)
{
    if (line.size() < 10 || line.find("progress") == std::string_view::npos)
        return std::nullopt;
    const std::size_t slash = line.find('/');
    if (slash == std::string_view::npos || slash == 0 || slash + 1 >= line.size())
        return std::nullopt;

    std::size_t doneStart = slash;
    while (doneStart > 0 && isDigit(line[doneStart - 1]))
        --doneStart;
    std::size_t totalEnd = slash + 1;
    while (totalEnd < line.size() && isDigit(line[totalEnd]))
        ++totalEnd;
    const auto done = parseDecimal(line.substr(doneStart, slash - doneStart));
    const auto total = parseDecimal(line.substr(slash + 1, totalEnd - slash - 1));
    if (!done || !total || *total < 1)
        return std::nullopt;

    const std::int64_t part = std::min(*done, *total);
    const bool remote = line.find("Remote OTA") != std::string_view::npos;
    const bool dongle = line.find("Dongle OTA") != std::string_view::npos;
    std::int64_t percent = 0;
    if (mode == 0) {
        if (!remote)
            return std::nullopt;
        percent = part * 100 / *total;
    } else if (mode == 2) {
        if (dongle)
            percent = 50 + part * 50 / *total;
        else if (remote)
            percent = part * 50 / *total;
        else
            return std::nullopt;
    } else {
        if (!dongle)
            return std::nullopt;
        percent = part * 100 / *total;
    }
    return int(std::clamp<std::int64_t>(percent, 0, 100));
}

} // namespace OtaModule
