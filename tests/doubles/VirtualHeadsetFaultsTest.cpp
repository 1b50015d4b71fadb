#include "tests/doubles/HeadsetTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace VirtualDevices;
using namespace VirtualDevices::TestKit;
using namespace std::chrono_literals;

namespace {

const Clock::time_point kT0{std::chrono::seconds(1000)};

void send(VirtualHeadset &headset, std::uint16_t command, std::uint8_t sequence, const Bytes &payload,
          Clock::time_point now = kT0)
{
    for (const Report &report : hostReports(command, sequence, payload))
        headset.onHostReport(report, now);
}

// The reports of one exchange from a clean device and from one with `fault`.
struct Pair
{
    std::vector<Report> clean;
    std::vector<Report> faulted;
};

Pair compare(std::uint16_t command, const Bytes &payload, const ReplyFault &fault, VirtualHeadsetConfig config = {})
{
    VirtualHeadset clean(config);
    VirtualHeadset faulted(config);
    faulted.scriptFault({}, fault);
    send(clean, command, 2, payload);
    send(faulted, command, 2, payload);
    return {drain(clean, kT0), drain(faulted, kT0)};
}

Bytes frameBytes(const Report &report)
{
    const auto decoded = HeadsetWire::decodeFrame(report);
    const std::size_t size = decoded.size ? decoded.size : report.size();
    return Bytes(report.begin(), report.begin() + static_cast<std::ptrdiff_t>(std::min(size, report.size())));
}

} // namespace

TEST(VirtualHeadsetFaults, NoAnswerLosesTheReplyButNotTheCommand)
{
    VirtualHeadset headset;
    headset.scriptFault({.command = 0x23}, {.noAnswer = true});
    send(headset, 0x23, 1, hex("06"));
    EXPECT_TRUE(drain(headset, kT0 + 1h).empty());
    EXPECT_EQ(headset.state().toneVolume, 6);

    send(headset, 0x23, 2, hex("05")); // the rule was for one request only
    EXPECT_EQ(framesOf(drain(headset, kT0)).at(0).payload, hex("00"));
}

TEST(VirtualHeadsetFaults, LateAnswerBecomesDueOnTheInjectedClock)
{
    VirtualHeadset headset(VirtualHeadsetConfig{.replyLatency = 5ms});
    headset.scriptFault({.command = 0x10}, {.delay = 4s});
    send(headset, 0x10, 1, hex("09 00"));
    send(headset, 0x23, 2, hex("03"));

    ASSERT_EQ(headset.nextDueTime(), kT0 + 5ms);
    EXPECT_TRUE(drain(headset, kT0 + 4ms).empty());
    const auto early = framesOf(drain(headset, kT0 + 5ms)); // the undelayed reply overtakes
    ASSERT_EQ(early.size(), 1u);
    EXPECT_EQ(early[0].command, 0x23);

    EXPECT_EQ(headset.nextDueTime(), kT0 + 4s + 5ms);
    EXPECT_TRUE(drain(headset, kT0 + 4s + 4ms).empty());
    EXPECT_EQ(framesOf(drain(headset, kT0 + 4s + 5ms)).at(0).command, 0x10);
    EXPECT_FALSE(headset.nextDueTime());
}

TEST(VirtualHeadsetFaults, FailureStatusRefusesTheCommand)
{
    VirtualHeadset headset;
    headset.scriptFault({.command = 0x23}, ReplyFault::failureStatus({0x2A}));
    send(headset, 0x23, 1, hex("06"));
    const auto frames = framesOf(drain(headset, kT0));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].payload, hex("01 2A"));
    EXPECT_EQ(headset.state().toneVolume, 4);
}

TEST(VirtualHeadsetFaults, AnswersWithASequenceNumberTheHostNeverUsed)
{
    const Pair pair = compare(0x21, {}, {.sequence = 9});
    const auto frames = framesOf(pair.faulted);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].sequence, 9);
    EXPECT_EQ(frames[0].payload, framesOf(pair.clean).at(0).payload);
}

struct OrderCase
{
    const char *name;
    std::vector<std::uint8_t> order;
};

class VirtualHeadsetFrameOrder : public testing::TestWithParam<OrderCase>
{
};

TEST_P(VirtualHeadsetFrameOrder, SendsFragmentsInTheScriptedOrder)
{
    // 30 payload bytes per frame turn the 87-byte EQ echo into three fragments.
    const Pair pair = compare(0x20, encodeEqRecord(factoryEqRecord()), {.frameOrder = GetParam().order},
                              VirtualHeadsetConfig{.framePayloadBytes = 30});
    ASSERT_EQ(pair.clean.size(), 3u);
    ASSERT_EQ(pair.faulted.size(), GetParam().order.size());
    for (std::size_t i = 0; i < pair.faulted.size(); ++i)
        EXPECT_EQ(pair.faulted[i], pair.clean[GetParam().order[i]]) << "report " << i;
}

INSTANTIATE_TEST_SUITE_P(Orders, VirtualHeadsetFrameOrder,
                         testing::Values(OrderCase{"OutOfOrder", {2, 0, 1}}, OrderCase{"Duplicate", {0, 1, 1, 2}},
                                         OrderCase{"OnlyTheFirst", {0}}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(VirtualHeadsetFaults, SplitsEachFrameAcrossTwoReports)
{
    const Pair pair = compare(0x20, encodeEqRecord(factoryEqRecord()), {.splitAt = 20});
    ASSERT_EQ(pair.clean.size(), 2u);
    ASSERT_EQ(pair.faulted.size(), 4u);
    for (std::size_t i = 0; i < 2; ++i) {
        const Report &head = pair.faulted[2 * i];
        const Report &tail = pair.faulted[2 * i + 1];
        EXPECT_EQ(head.size(), 20u); // unpadded, so the host's buffer joins the parts
        EXPECT_EQ(tail.size(), 64u);
        Report rejoined = head;
        rejoined.insert(rejoined.end(), tail.begin(), tail.end());
        rejoined.resize(64);
        EXPECT_EQ(rejoined, pair.clean[i]);
    }
}

TEST(VirtualHeadsetFaults, PutsGarbageInFrontOfTheSyncByte)
{
    const Bytes garbage = hex("12 34 00");
    const Pair small = compare(0x23, hex("05"), {.garbageBeforeSync = garbage});
    ASSERT_EQ(small.faulted.size(), 1u);
    EXPECT_EQ(small.faulted[0].size(), 64u);
    EXPECT_EQ(Bytes(small.faulted[0].begin(), small.faulted[0].begin() + 4), hex("12 34 00 FE"));
    EXPECT_TRUE(std::equal(small.clean[0].begin(), small.clean[0].begin() + 12, small.faulted[0].begin() + 3));

    // A full 64-byte frame leaves no room: the garbage comes as a report of its own.
    const Pair full = compare(0x20, encodeEqRecord(factoryEqRecord()), {.garbageBeforeSync = garbage});
    ASSERT_EQ(full.faulted.size(), 3u);
    EXPECT_EQ(Bytes(full.faulted[0].begin(), full.faulted[0].begin() + 3), garbage);
    EXPECT_EQ(full.faulted[1], full.clean[0]);
}

struct DamageCase
{
    const char *name;
    ReplyFault fault;
    bool crcHolds;
    std::size_t changedByte; // the header byte the fault changes, or 0 for the CRC only
};

class VirtualHeadsetDamage : public testing::TestWithParam<DamageCase>
{
};

TEST_P(VirtualHeadsetDamage, DamagesOnlyTheChosenFrame)
{
    ReplyFault fault = GetParam().fault;
    fault.damagedFrame = 1;
    const Pair pair = compare(0x20, encodeEqRecord(factoryEqRecord()), fault);
    ASSERT_EQ(pair.faulted.size(), 2u);
    EXPECT_EQ(pair.faulted[0], pair.clean[0]);

    const Bytes clean = frameBytes(pair.clean[1]);
    const Bytes &report = pair.faulted[1];
    const Bytes sent(report.begin(), report.begin() + static_cast<std::ptrdiff_t>(clean.size()));
    const std::span<const std::uint8_t> covered(sent.data(), sent.size() - 2);
    const std::uint16_t stored = static_cast<std::uint16_t>((sent[sent.size() - 2] << 8) | sent.back());
    EXPECT_EQ(HeadsetWire::crc16(covered) == stored, GetParam().crcHolds);
    if (GetParam().changedByte) {
        EXPECT_NE(sent[GetParam().changedByte], clean[GetParam().changedByte]);
    }
    EXPECT_TRUE(std::equal(sent.begin() + 9, sent.end() - 2, clean.begin() + 9)) << "payload untouched";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, VirtualHeadsetDamage,
    testing::Values(DamageCase{"CorruptCrc", {.corruptCrc = true}, false, 0},
                    DamageCase{"EncryptedBit", {.encryptedBit = true}, true, 1},
                    DamageCase{"LengthPastFrame", {.lengthField = 50}, true, 7}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(VirtualHeadsetFaults, LengthFieldAndEncryptedBitHoldTheScriptedValues)
{
    const Pair length = compare(0x23, hex("05"), {.lengthField = 0x0036});
    EXPECT_EQ(length.faulted[0][7], 0x36);
    EXPECT_EQ(length.faulted[0][8], 0x00);
    EXPECT_FALSE(HeadsetWire::decodeFrame(length.faulted[0]).frame);

    const Pair cipher = compare(0x23, hex("05"), {.encryptedBit = true});
    const auto decoded = HeadsetWire::decodeFrame(cipher.faulted[0]);
    ASSERT_TRUE(decoded.frame) << decoded.error;
    EXPECT_TRUE(decoded.frame->encrypted);
    EXPECT_EQ(decoded.frame->sequence, 2);
}

TEST(VirtualHeadsetFaults, RulesMatchByCommandInfoTypeAndCount)
{
    VirtualHeadset headset(VirtualHeadsetConfig{}, HeadsetState{});
    headset.scriptFault({.command = 0x10, .infoType = 0xFF}, {.noAnswer = true}, -1);
    headset.scriptFault({.command = 0x23}, {.sequence = 15}, 2);

    for (int round = 0; round < 3; ++round) {
        send(headset, 0x10, 1, hex("0B 00"));
        send(headset, 0x10, 2, hex("FF 00"));
        send(headset, 0x23, 3, hex("02"));
        const auto frames = framesOf(drain(headset, kT0));
        ASSERT_EQ(frames.size(), 2u) << "round " << round;
        EXPECT_EQ(frames[0].payload.at(0), 0x0B);
        EXPECT_EQ(frames[1].sequence, round < 2 ? 15 : 3);
    }

    headset.clearFaults();
    send(headset, 0x10, 4, hex("FF 00"));
    EXPECT_EQ(drain(headset, kT0).size(), 1u);
}

TEST(VirtualHeadsetFaults, UnsolicitedMessagesTakeFaultsToo)
{
    VirtualHeadset headset;
    headset.notify({NotifyItem::Battery}, kT0, {.delay = 2s, .corruptCrc = true});
    EXPECT_TRUE(drain(headset, kT0).empty());
    const auto reports = drain(headset, kT0 + 2s);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(HeadsetWire::decodeFrame(reports[0]).error.find("CRC"), std::string::npos);

    headset.sendMessage(0x30, HeadsetWire::FrameType::Request, 5, hex("AA"), kT0);
    const auto request = framesOf(drain(headset, kT0));
    ASSERT_EQ(request.size(), 1u);
    EXPECT_EQ(request[0].type, 1);
    EXPECT_EQ(request[0].command, 0x30);

    headset.sendReport(hex("01 02 03"), kT0);
    EXPECT_EQ(drain(headset, kT0).at(0), hex("01 02 03"));
}
