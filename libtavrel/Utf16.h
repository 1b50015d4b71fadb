#pragma once

#include <string>
#include <string_view>

namespace libtavrel {

// UTF-8 to UTF-16; malformed sequences become U+FFFD, as the other platform's
// converter does without its strict flag.
std::u16string utf8ToUtf16(std::string_view text);

} // namespace libtavrel
