#include "ota/AsciiText.h"

namespace OtaModule {

std::string lowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char &c : lower)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return lower;
}

bool containsText(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

} // namespace OtaModule
