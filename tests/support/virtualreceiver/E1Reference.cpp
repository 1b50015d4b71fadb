#include "tests/support/virtualreceiver/E1Reference.h"

#include "libtavrel/AuthConstants.h"

#include <vector>

namespace VirtualDevices::E1Reference {

namespace {

namespace C = libtavrel::AuthConstants;

int power45(int x)
{
    // 45^x mod 257 by square and multiply; 256 stands for 0.
    long result = 1;
    long base = 45;
    for (int e = x; e > 0; e >>= 1) {
        if (e & 1)
            result = result * base % 257;
        base = base * base % 257;
    }
    return result == 256 ? 0 : int(result);
}

int log45(int y)
{
    static std::vector<int> inverse = [] {
        std::vector<int> t(256);
        for (int x = 0; x < 256; ++x)
            t[power45(x)] = x;
        return t;
    }();
    return inverse[y];
}

// Group of byte i: 0 for the bytes that a key joins by XOR first.
int group(int i)
{
    const int m = i % 4;
    return (m == 0 || m == 3) ? 0 : 1;
}

using Key = std::array<std::array<int, 16>, 17>;

Key schedule(const Block &k)
{
    int reg[17];
    int parity = 0;
    for (int i = 0; i < 16; ++i) {
        reg[i] = k[i];
        parity ^= k[i];
    }
    reg[16] = parity;
    Key keys{};
    for (int t = 0; t < 16; ++t)
        keys[0][t] = k[t];
    for (int p = 2; p <= 17; ++p) {
        for (int &b : reg)
            b = ((b << 3) | (b >> 5)) & 0xFF;
        const int row = p - 2;
        for (int t = 0; t < 16; ++t)
            keys[p - 1][t] = (reg[(p - 1 + t) % 17] + C::kBiasTable[row * 16 + (15 - t)]) & 0xFF;
    }
    return keys;
}

void pht(int *v)
{
    for (int j = 0; j < 8; ++j) {
        const int a = v[2 * j];
        const int b = v[2 * j + 1];
        v[2 * j] = (a + a + b) & 0xFF;
        v[2 * j + 1] = (a + b) & 0xFF;
    }
}

void armenianShuffle(int *v)
{
    static const int from[16] = {8, 11, 12, 15, 2, 1, 6, 5, 10, 9, 14, 13, 0, 7, 4, 3};
    int copy[16];
    for (int i = 0; i < 16; ++i)
        copy[i] = v[i];
    for (int i = 0; i < 16; ++i)
        v[i] = copy[from[i]];
}

// Joins b into v: XOR on group 0 and addition on group 1 (or the reverse).
void join(int *v, const int *b, bool reversed)
{
    for (int i = 0; i < 16; ++i) {
        const bool useXor = (group(i) == 0) != reversed;
        v[i] = useXor ? (v[i] ^ b[i]) : ((v[i] + b[i]) & 0xFF);
    }
}

Block safer(const Block &key, const Block &input, bool inputIntoThirdRound)
{
    const Key keys = schedule(key);
    int v[16];
    int original[16];
    for (int i = 0; i < 16; ++i)
        v[i] = original[i] = input[i];
    for (int r = 1; r <= 8; ++r) {
        if (inputIntoThirdRound && r == 3)
            join(v, original, false);
        join(v, keys[2 * r - 2].data(), false);
        for (int i = 0; i < 16; ++i)
            v[i] = group(i) == 0 ? power45(v[i]) : log45(v[i]);
        join(v, keys[2 * r - 1].data(), true);
        pht(v);
        armenianShuffle(v);
        pht(v);
        armenianShuffle(v);
        pht(v);
        armenianShuffle(v);
        pht(v);
    }
    join(v, keys[16].data(), false);
    Block out{};
    for (int i = 0; i < 16; ++i)
        out[i] = std::uint8_t(v[i]);
    return out;
}

} // namespace

Block cipher(const Block &challenge)
{
    Block key;
    for (int i = 0; i < 16; ++i)
        key[i] = C::kDeviceKey[i];
    const Block first = safer(key, challenge, false);
    Block mixed{};
    for (int i = 0; i < 16; ++i)
        mixed[i] = std::uint8_t(((first[i] ^ challenge[i]) + C::kAddress[i % 6]) & 0xFF);
    static const int offsets[16] = {233, 229, 223, 193, 179, 167, 149, 131, 233, 229, 223, 193, 179, 167, 149, 131};
    Block offsetKey{};
    for (int i = 0; i < 16; ++i) {
        // Addition at 0, 2, 4, 6, 9, 11, 13, 15; XOR at the others.
        const bool add = (i < 8) ? (i % 2 == 0) : (i % 2 == 1);
        offsetKey[i] = std::uint8_t(add ? (key[i] + offsets[i]) & 0xFF : key[i] ^ offsets[i]);
    }
    return safer(offsetKey, mixed, true);
}

std::array<std::uint8_t, 17> answer(const std::uint8_t *challenge17)
{
    Block in{};
    for (int i = 0; i < 16; ++i)
        in[i] = challenge17[i + 1];
    const Block out = cipher(in);
    std::array<std::uint8_t, 17> reply{};
    reply[0] = 0x01;
    for (int i = 0; i < 16; ++i)
        reply[i + 1] = out[i];
    return reply;
}

} // namespace VirtualDevices::E1Reference
