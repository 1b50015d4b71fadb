#pragma once

#include <array>
#include <cstdint>

namespace libtavrel {

// The authentication cipher: SAFER+ rounds arranged as the E1 function, under
// the device key, the address constant and the bias table of AuthConstants.
class E1Cipher
{
public:
    using Block = std::array<std::uint8_t, 16>;

    static Block encrypt(const Block &input);

    // [0x01, encrypt(challenge bytes 1-16)] for a 17-byte challenge.
    static std::array<std::uint8_t, 17> makeAuthReply(const std::uint8_t *challenge17);

    // Exposed for the known-answer tests.
    static Block saferPlus(const Block &key, const Block &input, bool modified);
    static Block offsetKey(const Block &key);
};

} // namespace libtavrel
