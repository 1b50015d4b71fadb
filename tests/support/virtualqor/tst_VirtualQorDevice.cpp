#include "tests/support/virtualqor/VirtualQorDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

using VirtualDevices::Report;
using VirtualDevices::VirtualQorDevice;

namespace {

constexpr std::int32_t kOne = 1 << 30; // 1.0 in Q2.30

Report makeReport(std::uint8_t packetId, const std::vector<std::uint8_t> &payload)
{
    Report r(64, 0);
    r[0] = 0x4B;
    r[1] = 0x01;
    r[2] = packetId;
    r[3] = static_cast<std::uint8_t>(payload.size());
    std::copy(payload.begin(), payload.end(), r.begin() + 4);
    return r;
}

void put16(Report &r, std::size_t at, std::uint16_t v)
{
    r[at] = v & 0xFF;
    r[at + 1] = v >> 8;
}

void put32(Report &r, std::size_t at, std::int32_t v)
{
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        r[at + i] = (u >> (8 * i)) & 0xFF;
}

struct Filter
{
    std::uint8_t slot = 0;
    std::array<std::int32_t, 5> words{kOne, 0, 0, 0, 0};
    std::uint16_t fc = 1000;
    std::uint16_t qWord = 182;
    std::int16_t gainWord = 0;
    std::uint8_t kind = 2;
    std::int8_t offset = 0;
    std::uint8_t eqNumber = 0x64;
};

Report filterReport(const Filter &f)
{
    Report r = makeReport(0x09, std::vector<std::uint8_t>(33, 0));
    r[5] = f.slot;
    for (int i = 0; i < 5; ++i)
        put32(r, 8 + 4 * i, f.words[i]);
    put16(r, 28, f.fc);
    put16(r, 30, f.qWord);
    put16(r, 32, static_cast<std::uint16_t>(f.gainWord));
    r[34] = f.kind;
    r[35] = static_cast<std::uint8_t>(f.offset);
    r[36] = f.eqNumber;
    return r;
}

Report bypassReport(std::uint8_t slot, std::int8_t offset = 0)
{
    Filter f;
    f.slot = slot;
    f.words = {};
    f.kind = 0;
    f.offset = offset;
    return filterReport(f);
}

Report gainReport(std::int16_t word)
{
    return makeReport(0x03, {static_cast<std::uint8_t>(word & 0xFF), static_cast<std::uint8_t>((word >> 8) & 0xFF)});
}

void send(VirtualQorDevice &device, const Report &r)
{
    device.onHostReport(r, VirtualDevices::Clock::now());
}

void sendTail(VirtualQorDevice &device, std::int16_t gainWord = 0)
{
    send(device, gainReport(gainWord));
    send(device, makeReport(0x0A, {0x00, 0x00, 0xFF, 0xFF}));
    send(device, makeReport(0x01, {}));
}

} // namespace

TEST(VirtualQorDevice, DecodesACompleteWrite)
{
    VirtualQorDevice device;
    // Slot 0: y = 0.5 x + 0.5 y[n-1] sent as words b0 = 0.5, -a1 = +0.5 (a1 = -0.5):
    // unity at DC, so the feedback sign is what the test pins down.
    Filter f;
    f.words = {kOne / 2, 0, 0, kOne / 2, 0};
    f.offset = -3;
    send(device, filterReport(f));
    for (std::uint8_t slot = 1; slot < 8; ++slot)
        send(device, bypassReport(slot, -3));
    sendTail(device, -3 * 256);

    EXPECT_TRUE(device.errors().empty()) << device.errors().front();
    EXPECT_EQ(device.completedWrites(), 1);
    const auto slots = device.filterSlots();
    EXPECT_DOUBLE_EQ(slots[0].biquad.b0, 0.5);
    EXPECT_DOUBLE_EQ(slots[0].biquad.a1, -0.5);
    EXPECT_EQ(slots[0].eqNumber, 0x64);
    EXPECT_NEAR(slots[0].q(), 0.71, 0.002);
    EXPECT_EQ(slots[3].kind, 0);
    EXPECT_DOUBLE_EQ(device.overallGainDb(), -3.0);
    EXPECT_NEAR(device.filterResponseDb(20.0), 0.0, 1e-3);
    // At Nyquist: 0.5 / (1 + 0.5) = 1/3.
    EXPECT_NEAR(device.filterResponseDb(48000.0), 20 * std::log10(1.0 / 3.0), 1e-9);
    EXPECT_NEAR(device.responseDb(20.0), -3.0, 1e-3);
    EXPECT_EQ(device.packetLog(), (std::vector<std::uint8_t>{9, 9, 9, 9, 9, 9, 9, 9, 3, 0x0A, 1}));
}

struct LayoutFault
{
    const char *name;
    Report report;
    const char *error;
};

class VirtualQorLayout : public testing::TestWithParam<LayoutFault>
{
};

TEST_P(VirtualQorLayout, RejectsAndKeepsTheSlot)
{
    VirtualQorDevice device;
    send(device, GetParam().report);
    ASSERT_EQ(device.errors().size(), 1u);
    EXPECT_EQ(device.errors().front(), std::string("report 1: ") + GetParam().error);
    EXPECT_FALSE(device.filterSlots()[0].written);
}

LayoutFault withFilter(const char *name, const Filter &f, const char *error)
{
    return {name, filterReport(f), error};
}

LayoutFault withReportId()
{
    Report r = filterReport({});
    r.insert(r.begin(), 0x00);
    r.pop_back();
    r.push_back(0);
    return {"ReportIdInFront", r, "size 65, expected 64"};
}

LayoutFault patched(const char *name, std::size_t at, std::uint8_t value, const char *error)
{
    Report r = filterReport({});
    r[at] = value;
    return {name, r, error};
}

INSTANTIATE_TEST_SUITE_P(
    Faults, VirtualQorLayout,
    testing::Values(withReportId(), LayoutFault{"Short", Report(63, 0), "size 63, expected 64"},
                    patched("Tag", 0, 0x4C, "head 0x4c 0x1, expected 0x4b 0x1"),
                    patched("Byte1", 1, 0x02, "head 0x4b 0x2, expected 0x4b 0x1"),
                    patched("PacketId", 2, 0x07, "unknown packet id 0x7"),
                    patched("Length", 3, 32, "packet 0x9 length 32, expected 33"),
                    patched("Fill", 37, 1, "non-zero fill byte at 37"),
                    patched("EqIndex", 4, 1, "0x09 EQ_index 1"), patched("Slot", 5, 8, "0x09 Filter_index 8"),
                    patched("Reserved", 7, 1, "0x09 reserved bytes not zero"),
                    patched("Kind", 34, 6, "0x09 Filter_Type 6"), withFilter("FcLow", Filter{.fc = 19}, "0x09 Filter_fc 19"),
                    withFilter("FcHigh", Filter{.fc = 20001}, "0x09 Filter_fc 20001"),
                    patched("QZero", 30, 0, "0x09 Filter_Q 0"),
                    patched("BypassWithWords", 34, 0, "0x09 bypassed filter with coefficients")),
    [](const testing::TestParamInfo<LayoutFault> &info) { return std::string(info.param.name); });

TEST(VirtualQorDevice, RejectsControlPayloadAndGainMismatch)
{
    VirtualQorDevice device;
    for (std::uint8_t slot = 0; slot < 8; ++slot)
        send(device, bypassReport(slot, 4));
    send(device, gainReport(3 * 256));
    send(device, makeReport(0x0A, {0x00, 0x00, 0xFF, 0xFE}));
    send(device, makeReport(0x01, {}));
    EXPECT_EQ(device.completedWrites(), 0);
    EXPECT_EQ(device.errors(), (std::vector<std::string>{
                                   "report 9: 0x03 gain word 768 disagrees with Filter_Gain_Offset 4",
                                   "report 10: 0x0A payload is not 00 00 FF FF"}));
}

TEST(VirtualQorDevice, FollowsTheOrderOfAWrite)
{
    VirtualQorDevice device;
    // A write cut short after slot 3 leaves slots 0-3 and is not an error by itself.
    Filter f;
    f.gainWord = 512;
    for (std::uint8_t slot = 0; slot < 4; ++slot) {
        f.slot = slot;
        send(device, filterReport(f));
    }
    EXPECT_TRUE(device.filterSlots()[3].written);
    EXPECT_FALSE(device.filterSlots()[4].written);

    // The next write starts over at slot 0 and completes.
    for (std::uint8_t slot = 0; slot < 8; ++slot)
        send(device, bypassReport(slot));
    sendTail(device);
    EXPECT_TRUE(device.errors().empty());
    EXPECT_EQ(device.completedWrites(), 1);

    // A skipped slot and a tail out of place are faults; that write never completes.
    send(device, bypassReport(0));
    send(device, bypassReport(2));
    send(device, makeReport(0x01, {}));
    EXPECT_EQ(device.errors(), (std::vector<std::string>{"report 17: out of order: 0x09 slot 2, expected 0x09 slot 1",
                                                         "report 18: out of order: 0x01, expected 0x09 slot 3"}));
    EXPECT_EQ(device.completedWrites(), 1);
}

TEST(VirtualQorDevice, SlotsDisagreeingOnTheWriteHeader)
{
    VirtualQorDevice device;
    send(device, bypassReport(0, 2));
    send(device, bypassReport(1, 3));
    ASSERT_EQ(device.errors().size(), 1u);
    EXPECT_EQ(device.errors().front(),
              "report 2: 0x09 slot 1 disagrees with slot 0 on Filter_Gain_Offset or EQ_Number");
}

// The responder contract: the transport's I/O thread feeds reports while the
// test reads the device from its own thread (run under ThreadSanitizer too).
TEST(VirtualQorDevice, ReadsWhileReportsArrive)
{
    VirtualQorDevice device;
    constexpr int kWrites = 200;
    std::thread io([&device] {
        for (int n = 0; n < kWrites; ++n) {
            for (std::uint8_t slot = 0; slot < 8; ++slot)
                send(device, bypassReport(slot));
            sendTail(device);
        }
    });
    int oddReadings = 0;
    while (device.completedWrites() < kWrites) {
        // Bypassed slots and no gain: every reading is flat; a slot is untouched or whole.
        const std::uint16_t qWord = device.filterSlots()[7].qWord;
        if (device.responseDb(1000.0) != 0.0 || (qWord != 0 && qWord != 182))
            ++oddReadings;
        std::this_thread::yield();
    }
    io.join();
    EXPECT_EQ(oddReadings, 0);
    EXPECT_TRUE(device.errors().empty());
    EXPECT_EQ(device.packetLog().size(), std::size_t(kWrites) * 11);
}
