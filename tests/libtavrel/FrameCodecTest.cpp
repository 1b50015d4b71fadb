#include "libtavrel/RcpFrame.h"
#include "libtavrel/TransportFrame.h"
#include "libtavrel/TransportStreamBuffer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>

using namespace libtavrel;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes frameBytes(int channel, int kind, const Bytes &payload)
{
    auto request = makeTransportFrame(channel, kind, payload.data(), payload.size());
    return request ? request->bytes() : Bytes{};
}

std::string testName(std::string name)
{
    for (char &c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

std::vector<ReadDataPackage> drain(TransportStreamBuffer &stream)
{
    std::vector<ReadDataPackage> out;
    ReadDataPackage package;
    while (stream.extractFrame(package))
        out.push_back(package);
    return out;
}

} // namespace

TEST(TransportFrameTest, ChannelThreeKindZeroTwelveBytes)
{
    Bytes payload(12);
    std::iota(payload.begin(), payload.end(), 1);
    const Bytes bytes = frameBytes(3, 0, payload);
    ASSERT_EQ(bytes.size(), 20u);
    EXPECT_THAT(Bytes(bytes.begin(), bytes.begin() + 7), ElementsAre(0x4A, 0x4C, 0x30, 0x00, 0x00, 0x0D, 0x00));
    EXPECT_THAT(Bytes(bytes.begin() + 7, bytes.end() - 1), ElementsAreArray(payload));
    EXPECT_EQ(bytes.back(), 0xED);
}

TEST(TransportFrameTest, RefusesWhatTheHeaderCannotCarry)
{
    const Bytes big(TransportFrame::kMaxPayload + 1);
    EXPECT_EQ(makeTransportFrame(3, 0, big.data(), big.size()), nullptr);
    EXPECT_NE(makeTransportFrame(3, 0, big.data(), big.size() - 1), nullptr);
    EXPECT_EQ(makeTransportFrame(16, 0, nullptr, 0), nullptr);
    EXPECT_EQ(makeTransportFrame(-1, 0, nullptr, 0), nullptr);
}

TEST(TransportStreamTest, LengthOneGivesEmptyPayload)
{
    TransportStreamBuffer stream;
    const Bytes bytes{0x4A, 0x4C, 0x50, 0x00, 0x00, 0x01, 0x06, 0xED};
    stream.append(bytes.data(), bytes.size());
    const auto frames = drain(stream);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].channel, 5);
    EXPECT_EQ(frames[0].kind, 6);
    EXPECT_TRUE(frames[0].payload.empty());
}

TEST(TransportStreamTest, ChannelIgnoresLowNibble)
{
    TransportStreamBuffer stream;
    const Bytes bytes{0x4A, 0x4C, 0x1F, 0x00, 0x00, 0x02, 0x02, 0x7E, 0xED};
    stream.append(bytes.data(), bytes.size());
    const auto frames = drain(stream);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].channel, 1);
    EXPECT_THAT(frames[0].payload, ElementsAre(0x7E));
}

// The stream as reports bring it: every case must yield exactly the frames A and B.
struct StreamCase
{
    const char *name;
    std::vector<Bytes> chunks;
};

class TransportStreamResyncTest : public ::testing::TestWithParam<StreamCase>
{};

const Bytes kFrameA = frameBytes(3, 0, {0xFE, 0xDC, 0xBA, 0x01, 0x02});
const Bytes kFrameB = frameBytes(1, 2, {0x00});

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes slice(const Bytes &b, std::size_t from, std::size_t to)
{
    return Bytes(b.begin() + std::ptrdiff_t(from), b.begin() + std::ptrdiff_t(std::min(to, b.size())));
}

TEST_P(TransportStreamResyncTest, YieldsBothFrames)
{
    TransportStreamBuffer stream;
    std::vector<ReadDataPackage> frames;
    for (const Bytes &chunk : GetParam().chunks) {
        stream.append(chunk.data(), chunk.size());
        auto got = drain(stream);
        frames.insert(frames.end(), got.begin(), got.end());
    }
    ASSERT_EQ(frames.size(), 2u) << GetParam().name;
    EXPECT_EQ(frames[0].channel, 3);
    EXPECT_THAT(frames[0].payload, ElementsAre(0xFE, 0xDC, 0xBA, 0x01, 0x02));
    EXPECT_EQ(frames[1].channel, 1);
    EXPECT_EQ(frames[1].kind, 2);
}

const Bytes kNoiseMagicBadEnd = {0x4A, 0x4C, 0x30, 0x00, 0x00, 0x05, 0x00, 0x01, 0x02, 0x03, 0x04, 0x99};

INSTANTIATE_TEST_SUITE_P(
    Streams, TransportStreamResyncTest,
    ::testing::Values(
        StreamCase{"packed", {concat({kFrameA, kFrameB})}},
        StreamCase{"zero padded reports", {concat({kFrameA, Bytes(40, 0)}), concat({kFrameB, Bytes(50, 0)})}},
        StreamCase{"split inside the header", {slice(kFrameA, 0, 3), concat({slice(kFrameA, 3, 99), kFrameB})}},
        StreamCase{"magic split across reports", {concat({Bytes{0x00, 0x17}, slice(kFrameA, 0, 1)}), concat({slice(kFrameA, 1, 99), kFrameB})}},
        StreamCase{"byte by byte", [] {
                       std::vector<Bytes> chunks;
                       for (std::uint8_t b : concat({kFrameA, kFrameB}))
                           chunks.push_back({b});
                       return chunks;
                   }()},
        StreamCase{"garbage before and between", {concat({Bytes{0x13, 0x4A, 0x00, 0x4C}, kFrameA, Bytes{0xED, 0x4A}, kFrameB})}},
        StreamCase{"bad end byte then more frames", {concat({kNoiseMagicBadEnd, kFrameA, kFrameB})}},
        StreamCase{"zero announced length", {concat({Bytes{0x4A, 0x4C, 0x30, 0x00, 0x00, 0x00, 0xED}, kFrameA, kFrameB})}}),
    [](const auto &info) { return testName(info.param.name); });

// A frame of any legal length waits for all the bytes it announces and goes
// whole: a well-formed frame inside its payload (here a receiver's kind-6
// reply on channel 1) is payload, never a frame of its own.
class TransportStreamLengthTest : public ::testing::TestWithParam<std::size_t>
{
protected:
    // A frame on channel 3 whose length field says `length`, with the inner
    // frame in its payload and `end` as its end byte.
    static Bytes outerFrame(std::size_t length, std::uint8_t end)
    {
        Bytes payload(length - 1, 0x5A);
        const Bytes inner = frameBytes(1, 6, {0x00});
        std::copy(inner.begin(), inner.end(), payload.begin() + 9);
        Bytes bytes = frameBytes(3, 0, payload);
        bytes.back() = end;
        return bytes;
    }

    // Feeds `stream` in pieces of `chunk`, draining after each as the I/O
    // thread does, and checks the buffer never holds more than its bound.
    static std::vector<ReadDataPackage> feed(const Bytes &stream, std::size_t chunk)
    {
        TransportStreamBuffer buffer;
        std::vector<ReadDataPackage> frames;
        for (std::size_t offset = 0; offset < stream.size(); offset += chunk) {
            buffer.append(stream.data() + offset, std::min(chunk, stream.size() - offset));
            const auto got = drain(buffer);
            frames.insert(frames.end(), got.begin(), got.end());
            EXPECT_LT(buffer.size(), TransportFrame::kMaxFrameSize);
            EXPECT_LE(buffer.capacity(), TransportStreamBuffer::kMaxBuffered);
        }
        EXPECT_EQ(buffer.size(), 0u);
        return frames;
    }
};

TEST_P(TransportStreamLengthTest, FrameInsideThePayloadIsPayload)
{
    const Bytes outer = outerFrame(GetParam(), TransportFrame::kEnd);
    for (const std::size_t chunk : {std::size_t(1), std::size_t(7), std::size_t(16), std::size_t(64), outer.size()}) {
        const auto frames = feed(outer, chunk);
        ASSERT_EQ(frames.size(), 1u) << "chunk " << chunk;
        EXPECT_EQ(frames[0].channel, 3);
        EXPECT_EQ(frames[0].kind, 0);
        EXPECT_TRUE(std::equal(frames[0].payload.begin(), frames[0].payload.end(), outer.begin() + 7, outer.end() - 1));
        EXPECT_EQ(frames[0].payload.size(), GetParam() - 1);
    }
}

// With a wrong end byte the frame goes whole, the frame inside with it; the
// next good frame after it is read, however the reports cut the stream.
TEST_P(TransportStreamLengthTest, DamagedFrameGoesWithTheFrameInsideIt)
{
    const Bytes stream = concat({outerFrame(GetParam(), 0x00), kFrameB});
    for (const std::size_t chunk : {std::size_t(1), std::size_t(7), std::size_t(16), std::size_t(64), stream.size()}) {
        const auto frames = feed(stream, chunk);
        ASSERT_EQ(frames.size(), 1u) << "chunk " << chunk;
        EXPECT_EQ(frames[0].channel, 1);
        EXPECT_EQ(frames[0].kind, 2);
        EXPECT_THAT(frames[0].payload, ElementsAre(0x00));
    }
}

// 0x20: a short frame; 4993: a 5000-byte frame; 0xFFFF: the largest the field holds.
INSTANTIATE_TEST_SUITE_P(Lengths, TransportStreamLengthTest,
                         ::testing::Values(std::size_t(0x20), std::size_t(4993), TransportFrame::kMaxLength),
                         [](const auto &info) { return "L" + std::to_string(info.param); });

TEST(TransportStreamTest, WaitsForAnnouncedBytes)
{
    TransportStreamBuffer stream;
    stream.append(kFrameA.data(), kFrameA.size() - 1);
    ReadDataPackage package;
    EXPECT_FALSE(stream.extractFrame(package));
    EXPECT_EQ(stream.size(), kFrameA.size() - 1);
    stream.append(&kFrameA.back(), 1);
    EXPECT_TRUE(stream.extractFrame(package));
    EXPECT_EQ(stream.size(), 0u);
}

TEST(TransportStreamTest, NoiseWithoutMagicIsDroppedButTrailing4AKept)
{
    TransportStreamBuffer stream;
    const Bytes noise{0x01, 0x02, 0x4C, 0x4A};
    stream.append(noise.data(), noise.size());
    ReadDataPackage package;
    EXPECT_FALSE(stream.extractFrame(package));
    EXPECT_EQ(stream.size(), 1u);
}

TEST(RcpFrameTest, CommandWithoutPayload)
{
    std::uint8_t counter = 5;
    const auto command = makeRcpCommand(counter, 0xE3, nullptr, 0);
    ASSERT_TRUE(command);
    EXPECT_THAT(command->bytes, ElementsAre(0xFE, 0xDC, 0xBA, 0xC0, 0xE3, 0x00, 0x01, 0x05, 0xEF));
    EXPECT_EQ(command->sequence, 5);
    EXPECT_EQ(counter, 6);
}

TEST(RcpFrameTest, SequenceWrapsAtByte)
{
    std::uint8_t counter = 255;
    EXPECT_EQ(makeRcpCommand(counter, 0x03, nullptr, 0)->sequence, 255);
    EXPECT_EQ(counter, 0);
}

TEST(RcpFrameTest, ResponseWithoutPayload)
{
    const auto response = makeRcpResponse(0xE8, 7, nullptr, 0);
    EXPECT_THAT(response->bytes, ElementsAre(0xFE, 0xDC, 0xBA, 0x00, 0xE8, 0x00, 0x02, 0x00, 0x07, 0xEF));
}

TEST(RcpFrameTest, OversizedResponseIsRefused)
{
    const Bytes block(0xFFFE);
    EXPECT_EQ(makeRcpResponse(0xE5, 1, block.data(), block.size()), nullptr);
    EXPECT_NE(makeRcpResponse(0xE5, 1, block.data(), block.size() - 1), nullptr);
}

TEST(RcpFrameTest, ParsesCommandAndResponse)
{
    const Bytes command{0xFE, 0xDC, 0xBA, 0xC0, 0xE5, 0x00, 0x07, 0x09, 0, 0, 0, 0x10, 0x02, 0x00, 0xEF};
    RcpFrame frame;
    ASSERT_TRUE(parseRcpFrame(command.data(), command.size(), frame));
    EXPECT_FALSE(frame.isResponse);
    EXPECT_TRUE(frame.responseWanted);
    EXPECT_EQ(frame.opcode, 0xE5);
    EXPECT_EQ(frame.sequence, 9);
    EXPECT_THAT(Bytes(frame.payload, frame.payload + frame.payloadLength), ElementsAre(0, 0, 0, 0x10, 0x02, 0x00));

    const Bytes response{0xFE, 0xDC, 0xBA, 0x00, 0xE6, 0x00, 0x03, 0x1A, 0x04, 0x55, 0xEF};
    ASSERT_TRUE(parseRcpFrame(response.data(), response.size(), frame));
    EXPECT_TRUE(frame.isResponse);
    EXPECT_EQ(frame.status, 0x1A);
    EXPECT_EQ(frame.sequence, 4);
    ASSERT_EQ(frame.payloadLength, 1u);
    EXPECT_EQ(frame.payload[0], 0x55);
}

// The parser's verdict: accepted frames report their payload length.
struct ParseCase
{
    const char *name;
    Bytes bytes;
    bool accepted;
    std::size_t payloadLength = 0;
};

class RcpParseTest : public ::testing::TestWithParam<ParseCase>
{};

TEST_P(RcpParseTest, Verdict)
{
    const auto &c = GetParam();
    // An exact-size heap copy, so that ASan sees any read past the end.
    const auto copy = std::make_unique<std::uint8_t[]>(c.bytes.size());
    std::copy(c.bytes.begin(), c.bytes.end(), copy.get());
    RcpFrame frame;
    ASSERT_EQ(parseRcpFrame(copy.get(), c.bytes.size(), frame), c.accepted);
    if (c.accepted) {
        EXPECT_EQ(frame.payloadLength, c.payloadLength);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Frames, RcpParseTest,
    ::testing::Values(
        ParseCase{"eight bytes", {0xFE, 0xDC, 0xBA, 0xC0, 0xE3, 0x00, 0x01, 0xEF}, false},
        ParseCase{"nine byte command", {0xFE, 0xDC, 0xBA, 0xC0, 0xE3, 0x00, 0x01, 0x05, 0xEF}, true, 0},
        ParseCase{"bad prefix", {0xFE, 0xDC, 0xBB, 0xC0, 0xE3, 0x00, 0x01, 0x05, 0xEF}, false},
        ParseCase{"bad end", {0xFE, 0xDC, 0xBA, 0xC0, 0xE3, 0x00, 0x01, 0x05, 0xEE}, false},
        ParseCase{"length past the end", {0xFE, 0xDC, 0xBA, 0xC0, 0xE3, 0x00, 0x09, 0x05, 0xEF}, false},
        ParseCase{"one byte short of the length", {0xFE, 0xDC, 0xBA, 0x00, 0xE6, 0x00, 0x03, 0x00, 0x04, 0xEF}, false},
        ParseCase{"command with length zero", {0xFE, 0xDC, 0xBA, 0xC0, 0xE3, 0x00, 0x00, 0xEF, 0xEF}, false},
        ParseCase{"response with length one", {0xFE, 0xDC, 0xBA, 0x00, 0xE3, 0x00, 0x01, 0x00, 0xEF}, false},
        // Only the buffer's last byte must be the end byte; what lies between
        // the declared payload and it is not read.
        ParseCase{"bytes before the final end byte", {0xFE, 0xDC, 0xBA, 0xC0, 0xE3, 0x00, 0x01, 0x05, 0x00, 0xEF}, true, 0},
        ParseCase{"response padded before its end byte",
                  {0xFE, 0xDC, 0xBA, 0x00, 0xE6, 0x00, 0x03, 0x00, 0x04, 0x55, 0x00, 0x00, 0xEF}, true, 1},
        ParseCase{"end byte inside, other byte last", {0xFE, 0xDC, 0xBA, 0xC0, 0xE3, 0x00, 0x01, 0x05, 0xEF, 0x00}, false}),
    [](const auto &info) { return testName(info.param.name); });
