#include "libtavrel/E1Cipher.h"

#include "libtavrel/AuthConstants.h"

namespace libtavrel {

namespace {

using Block = E1Cipher::Block;

struct Tables
{
    std::array<std::uint8_t, 256> exp{};
    std::array<std::uint8_t, 256> log{};
    Tables()
    {
        unsigned value = 1;
        for (unsigned x = 0; x < 256; ++x) {
            exp[x] = std::uint8_t(value == 256 ? 0 : value);
            log[exp[x]] = std::uint8_t(x);
            value = value * 45 % 257;
        }
    }
};

const Tables &tables()
{
    static const Tables t;
    return t;
}

// Bytes mixed by XOR where the others are mixed by addition, and the reverse.
constexpr bool kXorByte[16] = {true, false, false, true, true, false, false, true,
                               true, false, false, true, true, false, false, true};
constexpr int kShuffle[16] = {8, 11, 12, 15, 2, 1, 6, 5, 10, 9, 14, 13, 0, 7, 4, 3};

std::array<Block, 17> roundKeys(const Block &key, const E1Cipher::BiasTable &bias)
{
    std::array<std::uint8_t, 17> reg{};
    for (int i = 0; i < 16; ++i) {
        reg[i] = key[i];
        reg[16] ^= key[i];
    }
    std::array<Block, 17> keys{};
    keys[0] = key;
    for (int j = 0; j < 16; ++j) {
        for (auto &byte : reg)
            byte = std::uint8_t(byte << 3 | byte >> 5);
        for (int t = 0; t < 16; ++t)
            keys[j + 1][t] = std::uint8_t(reg[(j + 1 + t) % 17] + bias[16 * j + 15 - t]);
    }
    return keys;
}

void mix(Block &x, const Block &k, bool xorFirst)
{
    for (int i = 0; i < 16; ++i)
        x[i] = (kXorByte[i] == xorFirst) ? std::uint8_t(x[i] ^ k[i]) : std::uint8_t(x[i] + k[i]);
}

void linearLayer(Block &x)
{
    for (int level = 0; level < 4; ++level) {
        for (int j = 0; j < 16; j += 2) {
            const std::uint8_t a = x[j];
            const std::uint8_t b = x[j + 1];
            x[j] = std::uint8_t(2 * a + b);
            x[j + 1] = std::uint8_t(a + b);
        }
        if (level < 3) {
            Block shuffled{};
            for (int i = 0; i < 16; ++i)
                shuffled[i] = x[kShuffle[i]];
            x = shuffled;
        }
    }
}

} // namespace

Block E1Cipher::saferPlus(const Block &key, const Block &input, bool modified, const BiasTable &bias)
{
    const auto &t = tables();
    const auto keys = roundKeys(key, bias);
    Block x = input;
    for (int round = 0; round < 8; ++round) {
        if (modified && round == 2)
            mix(x, input, true); // the first round's input joins the third's
        mix(x, keys[2 * round], true);
        for (int i = 0; i < 16; ++i)
            x[i] = kXorByte[i] ? t.exp[x[i]] : t.log[x[i]];
        mix(x, keys[2 * round + 1], false);
        linearLayer(x);
    }
    mix(x, keys[16], true);
    return x;
}

Block E1Cipher::offsetKey(const Block &key)
{
    constexpr std::uint8_t kOffset[16] = {233, 229, 223, 193, 179, 167, 149, 131,
                                          233, 229, 223, 193, 179, 167, 149, 131};
    constexpr bool kAdd[16] = {true, false, true, false, true, false, true, false,
                               false, true, false, true, false, true, false, true};
    Block out{};
    for (int i = 0; i < 16; ++i)
        out[i] = kAdd[i] ? std::uint8_t(key[i] + kOffset[i]) : std::uint8_t(key[i] ^ kOffset[i]);
    return out;
}

Block E1Cipher::e1(const Block &key, const Address &address, const Block &input, const BiasTable &bias)
{
    Block mixed = saferPlus(key, input, false, bias);
    for (int i = 0; i < 16; ++i)
        mixed[i] = std::uint8_t((mixed[i] ^ input[i]) + address[i % 6]);
    return saferPlus(offsetKey(key), mixed, true, bias);
}

Block E1Cipher::encrypt(const Block &input)
{
    return e1(AuthConstants::kDeviceKey, AuthConstants::kAddress, input, AuthConstants::kBiasTable);
}

std::array<std::uint8_t, 17> E1Cipher::makeAuthReply(const std::uint8_t *challenge17)
{
    Block in{};
    for (int i = 0; i < 16; ++i)
        in[i] = challenge17[1 + i];
    const Block out = encrypt(in);
    std::array<std::uint8_t, 17> reply{};
    reply[0] = AuthConstants::kAnswerType;
    for (int i = 0; i < 16; ++i)
        reply[1 + i] = out[i];
    return reply;
}

} // namespace libtavrel
