#include "tests/doubles/HeadsetTestKit.h"
#include "tests/support/virtualheadset/EqRecord.h"
#include "tests/support/virtualheadset/Tlv.h"

#include <gtest/gtest.h>

#include <string_view>

using namespace VirtualDevices;
using TestKit::hex;

TEST(HeadsetWire, CrcHasTheCcittFalseCheckValue)
{
    constexpr std::string_view text = "123456789";
    const Bytes bytes(text.begin(), text.end());
    EXPECT_EQ(HeadsetWire::crc16(bytes), 0x29B1);
}

// Bytes worked out by hand: little-endian command and length, big-endian CRC.
TEST(HeadsetWire, EncodesTheFrameLayoutByteForByte)
{
    HeadsetWire::Frame frame;
    frame.sequence = 3;
    frame.command = 0x10;
    frame.type = 2;
    frame.payload = hex("FF 0C 01 02 08 23 02 02 03 00 03 02 01 69");
    EXPECT_EQ(HeadsetWire::encodeFrame(frame),
              hex("FE 03 10 00 02 00 01 0E 00 FF 0C 01 02 08 23 02 02 03 00 03 02 01 69 0C 32"));
}

struct SplitCase
{
    std::size_t payloadSize;
    std::size_t frames;
    std::size_t lastLength;
};

class HeadsetWireSplit : public testing::TestWithParam<SplitCase>
{
};

TEST_P(HeadsetWireSplit, CutsMessagesInto53ByteFrames)
{
    const SplitCase c = GetParam();
    const Bytes payload(c.payloadSize, 0xA5);
    const auto frames = HeadsetWire::encodeMessage(0x20, HeadsetWire::FrameType::Response, 9, payload);
    ASSERT_EQ(frames.size(), c.frames);
    if (frames.empty())
        return;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const auto decoded = HeadsetWire::decodeFrame(frames[i]);
        ASSERT_TRUE(decoded.frame) << decoded.error;
        EXPECT_EQ(decoded.frame->sequence, 9);
        EXPECT_EQ(decoded.frame->frameIndex, i);
        EXPECT_EQ(decoded.frame->totalFrames, c.frames);
        EXPECT_EQ(decoded.frame->payload.size(), i + 1 == frames.size() ? c.lastLength : 53u);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, HeadsetWireSplit,
                         testing::Values(SplitCase{0, 1, 0}, SplitCase{53, 1, 53}, SplitCase{54, 2, 1},
                                         SplitCase{13515, 255, 53}, SplitCase{13516, 0, 0}));

struct DecodeCase
{
    const char *name;
    Bytes data;
    const char *error;
};

class HeadsetWireDecode : public testing::TestWithParam<DecodeCase>
{
};

TEST_P(HeadsetWireDecode, RefusesBrokenFrames)
{
    const auto decoded = HeadsetWire::decodeFrame(GetParam().data);
    EXPECT_FALSE(decoded.frame);
    EXPECT_NE(decoded.error.find(GetParam().error), std::string::npos) << decoded.error;
}

INSTANTIATE_TEST_SUITE_P(
    Frames, HeadsetWireDecode,
    testing::Values(DecodeCase{"TenBytes", hex("FE 03 10 00 01 00 01 00 00 AB"), "shorter than 11"},
                    DecodeCase{"NoSync", hex("FD 03 10 00 01 00 01 02 00 FF 00 AB DB"), "sync"},
                    DecodeCase{"SwappedCrc", hex("FE 03 10 00 01 00 01 02 00 FF 00 DB AB"), "CRC"},
                    DecodeCase{"LengthAbove53", hex("FE 03 10 00 01 00 01 36 00 FF 00 AB DB"), "above 53"},
                    DecodeCase{"LengthPastData", hex("FE 03 10 00 01 00 01 14 00 FF 00 AB DB"), "runs past"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(HeadsetWire, TlvParserRefusesItemsRunningPastTheEnd)
{
    EXPECT_FALSE(parseTlv(hex("01")));
    EXPECT_FALSE(parseTlv(hex("01 05 41 42")));
    const auto items = parseTlv(hex("02 00 03 01 07"));
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 2u);
    EXPECT_TRUE((*items)[0].value.empty());
    EXPECT_EQ((*items)[1].value, hex("07"));
}

TEST(HeadsetWire, EqRecordRoundTripsAndLeavesOutEmptyParts)
{
    EqRecord record = factoryEqRecord();
    record.gains = {-1200, 0, 0, 0, 0, 0, 0, 0, 0, 1200};
    record.totalGain = -120;
    const Bytes tlv = encodeEqRecord(record);
    EXPECT_EQ(tlv.size(), 87u); // the largest ten-band record
    EXPECT_EQ(decodeEqRecord(tlv), record);

    EqRecord sparse;
    sparse.index = 5;
    sparse.bandCount = 6;
    EXPECT_EQ(encodeEqRecord(sparse), hex("01 01 05 02 01 06"));
    EXPECT_FALSE(decodeEqRecord(hex("01 02 05 00 02 01 06"))); // index must be one byte
}
