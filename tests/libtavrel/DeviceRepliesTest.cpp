// The engine's readings of device replies and its authentication cipher.
#include "libtavrel/E1Cipher.h"
#include "libtavrel/OnlineClient.h"
#include "libtavrel/TargetInfo.h"
#include "tests/support/virtualreceiver/E1Reference.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

using namespace libtavrel;
using Bytes = std::vector<std::uint8_t>;

struct TargetCase
{
    const char *name;
    Bytes payload;
    bool mode, loader, skip;
    std::uint8_t detail;
};

class TargetInfoTest : public ::testing::TestWithParam<TargetCase>
{};

TEST_P(TargetInfoTest, Walk)
{
    const auto &c = GetParam();
    // Read from an exact-size heap copy so that ASan sees any read past the end.
    const auto copy = std::make_unique<std::uint8_t[]>(c.payload.size());
    std::copy(c.payload.begin(), c.payload.end(), copy.get());
    const TargetInfo info = TargetInfo::parse(copy.get(), c.payload.size());
    EXPECT_EQ(info.modeFlag, c.mode);
    EXPECT_EQ(info.loaderFlag, c.loader);
    EXPECT_EQ(info.skipUpdateFlag, c.skip);
    EXPECT_EQ(info.modeDetail, c.detail);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, TargetInfoTest,
    ::testing::Values(TargetCase{"empty", {}, false, false, false, 0},
                      TargetCase{"no_item_8", {2, 9, 1}, false, false, false, 0},
                      TargetCase{"loader_needed", {4, 8, 0, 1, 7, 2, 9, 1}, false, true, false, 7},
                      TargetCase{"update_mode_skip", {4, 8, 1, 0, 0, 2, 9, 0}, true, false, true, 0},
                      // Length 3 has no third data byte: it must not be read.
                      TargetCase{"item_8_without_detail", {3, 8, 1, 1}, true, true, false, 0},
                      TargetCase{"item_8_too_short", {2, 8, 1, 2, 9, 0}, false, false, true, 0},
                      TargetCase{"other_types_ignored", {3, 7, 1, 1, 4, 8, 0, 1, 0}, false, true, false, 0},
                      TargetCase{"item_past_the_end", {2, 9, 0, 9, 8, 1, 1}, false, false, true, 0},
                      TargetCase{"two_bytes_left", {2, 9, 0, 1, 8}, false, false, true, 0},
                      TargetCase{"zero_length_stops", {0, 8, 1, 1, 4, 8, 1, 1, 0}, false, false, false, 0}),
    [](const auto &info) { return std::string(info.param.name); });

Bytes entry(std::uint8_t channel, std::uint8_t flags, const std::string &name)
{
    Bytes e{channel, flags, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, std::uint8_t(name.size())};
    e.insert(e.end(), name.begin(), name.end());
    return e;
}

TEST(ClientListTest, ReadsOnlineEntries)
{
    Bytes payload{3};
    for (const Bytes &e : {entry(2, 0x03, "Receiver"), entry(3, 0x02, "asleep"), entry(4, 0x01, "")})
        payload.insert(payload.end(), e.begin(), e.end());
    payload.push_back(0x99); // trailing bytes are ignored
    std::vector<OnlineClient> list;
    ASSERT_TRUE(parseClientList(payload, list));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].channel, 2);
    EXPECT_TRUE(list[0].authenticated);
    EXPECT_EQ(list[0].name, "Receiver");
    EXPECT_THAT(list[0].linkInfo, ::testing::ElementsAre(0x11, 0x22, 0x33, 0x44));
    EXPECT_THAT(list[0].linkExtra, ::testing::ElementsAre(0x55, 0x66));
    EXPECT_EQ(list[1].channel, 4);
    EXPECT_FALSE(list[1].authenticated);
}

TEST(ClientListTest, EmptyListIsFineButEmptyPayloadIsNot)
{
    std::vector<OnlineClient> list;
    EXPECT_TRUE(parseClientList({0}, list));
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(parseClientList({}, list));
}

TEST(ClientListTest, EntryCutShortFailsButKeepsEarlierEntries)
{
    Bytes payload{2};
    const Bytes first = entry(3, 0x01, "one");
    Bytes second = entry(4, 0x01, "two");
    second.pop_back();
    payload.insert(payload.end(), first.begin(), first.end());
    payload.insert(payload.end(), second.begin(), second.end());
    std::vector<OnlineClient> list;
    EXPECT_FALSE(parseClientList(payload, list));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "one");
}

// Vectors made with the separately written reference implementation.
struct KnownAnswer
{
    E1Cipher::Block input;
    E1Cipher::Block output;
};

E1Cipher::Block hex(const char *text)
{
    E1Cipher::Block b{};
    for (int i = 0; i < 16; ++i)
        b[i] = std::uint8_t(std::stoi(std::string(text + 2 * i, 2), nullptr, 16));
    return b;
}

TEST(E1CipherTest, KnownAnswers)
{
    const KnownAnswer vectors[] = {
        {hex("00000000000000000000000000000000"), hex("9fe719afdc4bf3bedf4687938c28c436")},
        {hex("000102030405060708090a0b0c0d0e0f"), hex("52edeb7aa2c490dd4742d66e58b85491")},
        {hex("ffeeddccbbaa99887766554433221100"), hex("e8570ca098ffe978f50e4ad3629d0818")},
    };
    for (const auto &v : vectors)
        EXPECT_EQ(E1Cipher::encrypt(v.input), v.output);
}

namespace {

// The bias vectors of SAFER+ itself: B_p[i] = e(e(17p + i + 1)) for round
// keys p = 2 ... 17 and bytes i = 0 ... 15, where e(x) = 45^x mod 257 (256
// read as 0), laid out as the key schedule reads them.
E1Cipher::BiasTable saferPlusBias()
{
    std::array<std::uint8_t, 256> e{};
    unsigned value = 1;
    for (unsigned x = 0; x < 256; ++x) {
        e[x] = std::uint8_t(value); // 256 wraps to 0
        value = value * 45 % 257;
    }
    E1Cipher::BiasTable table{};
    for (int p = 2; p <= 17; ++p)
        for (int i = 0; i < 16; ++i)
            table[std::size_t(16 * (p - 2) + 15 - i)] = e[e[std::size_t((17 * p + i + 1) % 256)]];
    return table;
}

template<std::size_t N>
std::array<std::uint8_t, N> hexBytes(const char *text)
{
    std::array<std::uint8_t, N> b{};
    for (std::size_t i = 0; i < N; ++i)
        b[i] = std::uint8_t(std::stoi(std::string(text + 2 * i, 2), nullptr, 16));
    return b;
}

std::string hexText(const E1Cipher::Block &b)
{
    std::string out;
    char digits[3];
    for (std::uint8_t byte : b) {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        out += digits;
    }
    return out;
}

} // namespace

// The published sample data of the E1 function with the standard SAFER+
// biases: a shared misreading of the algorithm in the engine and in the
// reference would not pass here. Output: SRES (4 bytes), then ACO (12 bytes).
TEST(E1CipherTest, PublishedSampleData)
{
    struct Sample
    {
        const char *key, *address, *rand, *sresAco;
    };
    const Sample samples[] = {
        {"00000000000000000000000000000000", "000000000000", "00000000000000000000000000000000",
         "056c0fe648afcdd4bd40fef76693b113"},
        {"159dd9f43fc3d328efba0cd8a861fa57", "7ca89b233c2d", "bc3f30689647c8d7c5a03ca80a91eceb",
         "8d5205c53ed75df4abd9af638d144e94"},
    };
    const auto bias = saferPlusBias();
    for (const Sample &s : samples) {
        const auto out = E1Cipher::e1(hexBytes<16>(s.key), hexBytes<6>(s.address), hexBytes<16>(s.rand), bias);
        EXPECT_EQ(hexText(out), s.sresAco) << "key " << s.key;
    }
}

TEST(E1CipherTest, AgreesWithTheReferenceAndAnswersWithTypeOne)
{
    std::mt19937 random(1234);
    for (int n = 0; n < 200; ++n) {
        std::array<std::uint8_t, 17> challenge{};
        for (std::size_t i = 1; i < challenge.size(); ++i)
            challenge[i] = std::uint8_t(random());
        const auto ours = E1Cipher::makeAuthReply(challenge.data());
        EXPECT_EQ(ours, VirtualDevices::E1Reference::answer(challenge.data()));
        EXPECT_EQ(ours[0], 0x01);
    }
}
