#pragma once

#include <array>
#include <cstdint>

namespace libtavrel {

// The authentication cipher: SAFER+ rounds arranged as the E1 function. The
// product runs it under the device key, the address constant and the bias
// table of AuthConstants.
class E1Cipher
{
public:
    using Block = std::array<std::uint8_t, 16>;
    using Address = std::array<std::uint8_t, 6>;
    using BiasTable = std::array<std::uint8_t, 256>; // row j feeds round key j + 2, each row reversed

    static Block encrypt(const Block &input);

    // [0x01, encrypt(challenge bytes 1-16)] for a challenge of at least 17 bytes.
    static std::array<std::uint8_t, 17> makeAuthReply(const std::uint8_t *challenge17);

    // The arrangement under any key, address and bias table, so that it can
    // be checked against published data as well as against our own constants.
    static Block e1(const Block &key, const Address &address, const Block &input, const BiasTable &bias);
    static Block saferPlus(const Block &key, const Block &input, bool modified, const BiasTable &bias);
    static Block offsetKey(const Block &key);
};

} // namespace libtavrel
