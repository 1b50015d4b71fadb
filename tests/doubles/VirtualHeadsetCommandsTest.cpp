#include "tests/doubles/HeadsetTestKit.h"

#include <gtest/gtest.h>

#include <functional>

using namespace VirtualDevices;
using namespace VirtualDevices::TestKit;
using namespace std::chrono_literals;

namespace {

const Clock::time_point kT0{std::chrono::seconds(1000)};

struct ReplyMessage
{
    std::vector<HeadsetWire::Frame> frames;
    Bytes payload;
};

// Writes one host request and reads back everything it caused.
ReplyMessage exchange(VirtualHeadset &headset, std::uint16_t command, std::uint8_t sequence, const Bytes &payload)
{
    for (const Report &report : hostReports(command, sequence, payload))
        headset.onHostReport(report, kT0);
    ReplyMessage reply;
    reply.frames = framesOf(drain(headset, kT0));
    reply.payload = joined(reply.frames);
    return reply;
}

} // namespace

TEST(VirtualHeadset, DecodesAHandWrittenHostReportAndAnswersByteForByte)
{
    VirtualHeadset headset;
    Report report = hex("00 FE 03 10 00 01 00 01 02 00 FF 00 AB DB");
    report.resize(65, 0x00);
    headset.onHostReport(report, kT0);

    const auto requests = headset.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].command, 0x10);
    EXPECT_EQ(requests[0].sequence, 3);
    EXPECT_EQ(requests[0].payload, hex("FF 00"));
    EXPECT_TRUE(requests[0].reportId);
    EXPECT_EQ(requests[0].reportSize, 65u);
    EXPECT_EQ(headset.basicInfoCount(0xFF), 1);

    Report expected = hex("FE 03 10 00 02 00 01 0E 00 FF 0C 01 02 08 23 02 02 03 00 03 02 01 69 0C 32");
    expected.resize(64, 0x00);
    const auto reports = drain(headset, kT0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], expected);
}

struct BasicInfoCase
{
    const char *name;
    std::uint8_t infoType;
    FirmwareForm form;
    Bytes reply;
};

class VirtualHeadsetBasicInfo : public testing::TestWithParam<BasicInfoCase>
{
};

TEST_P(VirtualHeadsetBasicInfo, AnswersEachInfoTypeFromItsState)
{
    HeadsetState state;
    state.batteryLeft = 0xE4;
    state.batteryRight = 50;
    state.name = "AB";
    state.pid = 0x5055;
    VirtualHeadset headset(VirtualHeadsetConfig{.receiverFirmwareForm = GetParam().form}, state);

    const ReplyMessage reply = exchange(headset, 0x10, 7, Bytes{GetParam().infoType, 0x00});
    ASSERT_EQ(reply.frames.size(), 1u);
    EXPECT_EQ(reply.frames[0].type, 2);
    EXPECT_EQ(reply.frames[0].command, 0x10);
    EXPECT_EQ(reply.frames[0].sequence, 7);
    EXPECT_EQ(reply.payload, GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    InfoTypes, VirtualHeadsetBasicInfo,
    testing::Values(
        BasicInfoCase{"Battery", 0x01, FirmwareForm::Short, hex("01 02 E4 32")},
        BasicInfoCase{"Name", 0x02, FirmwareForm::Short, hex("02 02 41 42")},
        BasicInfoCase{"ReceiverFirmwareShort", 0x04, FirmwareForm::Short, hex("04 0A 00 01 00 01 05 31 2E 30 2E 38")},
        BasicInfoCase{"ReceiverFirmwareFull", 0x04, FirmwareForm::Full,
                      hex("04 17 00 01 00 01 01 00 02 01 00 03 05 31 2E 32 2E 33 04 05 31 2E 30 2E 38")},
        BasicInfoCase{"HeadsetFirmware", 0x05, FirmwareForm::Short, hex("05 0A 00 01 00 01 05 31 2E 32 2E 33")},
        BasicInfoCase{"ToneVolume", 0x06, FirmwareForm::Short, hex("06 01 04")},
        BasicInfoCase{"VolumeLock", 0x07, FirmwareForm::Short, hex("07 01 64")},
        BasicInfoCase{"Surround", 0x08, FirmwareForm::Short, hex("08 09 01 01 00 02 01 00 03 01 01")},
        BasicInfoCase{"Link", 0x09, FirmwareForm::Short, hex("09 01 00")},
        BasicInfoCase{"DeviceId", 0x0B, FirmwareForm::Short, hex("0B 07 56 4B 52 32 34 30 31")},
        BasicInfoCase{"Identity", 0xFF, FirmwareForm::Short, hex("FF 0C 01 02 08 23 02 02 03 00 03 02 55 50")},
        BasicInfoCase{"UnknownType", 0x0A, FirmwareForm::Short, Bytes{}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(VirtualHeadset, StoresAndEchoesATwoFrameEqRecord)
{
    VirtualHeadset headset;
    EqRecord record = factoryEqRecord();
    record.index = 101;
    record.gains = {300, 200, 100, 0, -100, -200, -300, 0, 50, 1200};
    record.totalGain = -30;
    const Bytes tlv = encodeEqRecord(record);
    ASSERT_EQ(tlv.size(), 87u);

    const ReplyMessage echo = exchange(headset, 0x20, 4, tlv);
    EXPECT_EQ(headset.requests().at(0).frames, 2);
    EXPECT_EQ(headset.state().eq, tlv);
    ASSERT_EQ(echo.frames.size(), 2u);
    EXPECT_EQ(echo.frames[0].payload.size(), 53u);
    EXPECT_EQ(echo.frames[1].payload.size(), 34u);
    for (const auto &frame : echo.frames) {
        EXPECT_EQ(frame.sequence, 4);
        EXPECT_EQ(frame.totalFrames, 2);
    }
    EXPECT_EQ(echo.payload, tlv);

    // The basic-info EQ item wraps the same record: 2 + 87 bytes, two frames again.
    const ReplyMessage info = exchange(headset, 0x10, 5, hex("03 00"));
    ASSERT_EQ(info.frames.size(), 2u);
    Bytes expected{0x03, 87};
    expected.insert(expected.end(), tlv.begin(), tlv.end());
    EXPECT_EQ(info.payload, expected);
}

TEST(VirtualHeadset, KeepsItsEqWhenTheRecordIsUnreadable)
{
    VirtualHeadset headset;
    const Bytes before = headset.state().eq;
    const ReplyMessage echo = exchange(headset, 0x20, 1, hex("01 05 00"));
    EXPECT_EQ(headset.state().eq, before);
    EXPECT_EQ(echo.payload, before);
}

struct SettingCase
{
    const char *name;
    std::uint16_t command;
    Bytes payload;
    Bytes reply;
    std::function<bool(const HeadsetState &)> holds;
};

class VirtualHeadsetSettings : public testing::TestWithParam<SettingCase>
{
};

TEST_P(VirtualHeadsetSettings, AppliesValidSettingsAndRefusesOthers)
{
    VirtualHeadset headset;
    const ReplyMessage reply = exchange(headset, GetParam().command, 2, GetParam().payload);
    EXPECT_EQ(reply.payload, GetParam().reply);
    EXPECT_TRUE(GetParam().holds(headset.state()));
    EXPECT_EQ(headset.commandCount(GetParam().command), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, VirtualHeadsetSettings,
    testing::Values(
        SettingCase{"Name", 0x22, Bytes{'N', 'e', 'o'}, hex("00"), [](auto &s) { return s.name == "Neo"; }},
        SettingCase{"Name31Bytes", 0x22, Bytes(31, 'x'), hex("00"), [](auto &s) { return s.name.size() == 31; }},
        SettingCase{"Name32Bytes", 0x22, Bytes(32, 'x'), hex("01"), [](auto &s) { return s.name == "Velkora H1"; }},
        SettingCase{"EmptyName", 0x22, Bytes{}, hex("01"), [](auto &s) { return s.name == "Velkora H1"; }},
        SettingCase{"Tone7", 0x23, hex("07"), hex("00"), [](auto &s) { return s.toneVolume == 7; }},
        SettingCase{"Tone0", 0x23, hex("00"), hex("01"), [](auto &s) { return s.toneVolume == 4; }},
        SettingCase{"Tone8", 0x23, hex("08"), hex("01"), [](auto &s) { return s.toneVolume == 4; }},
        SettingCase{"Unbind", 0x26, Bytes{}, hex("00 04 01 01"), [](auto &s) { return s.link == 1 && s.unbinds == 1; }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(VirtualHeadset, UnbindAnswersBeforeReportingTheLinkDown)
{
    VirtualHeadset headset;
    const ReplyMessage reply = exchange(headset, 0x26, 6, {});
    ASSERT_EQ(reply.frames.size(), 2u);
    EXPECT_EQ(reply.frames[0].type, 2);
    EXPECT_EQ(reply.frames[0].payload, hex("00"));
    EXPECT_EQ(reply.frames[1].type, 3);
    EXPECT_EQ(reply.frames[1].command, 0x11);
    EXPECT_EQ(reply.frames[1].payload, hex("04 01 01"));
}

TEST(VirtualHeadset, FactoryResetRestoresTheSettingsItWasBuiltWith)
{
    HeadsetState factory;
    factory.name = "Factory";
    VirtualHeadset headset({}, factory);
    headset.updateState([](HeadsetState &s) {
        s.name = "Mine";
        s.toneVolume = 7;
        s.eq = encodeEqRecord(EqRecord{.index = 120, .bandCount = 6});
        s.batteryLeft = 33;
    });

    EXPECT_EQ(exchange(headset, 0x21, 0, {}).payload, hex("00"));
    const HeadsetState after = headset.state();
    EXPECT_EQ(after.name, "Factory");
    EXPECT_EQ(after.toneVolume, factory.toneVolume);
    EXPECT_EQ(after.eq, factory.eq);
    EXPECT_EQ(after.batteryLeft, 33); // not a setting
    EXPECT_EQ(after.factoryResets, 1u);
}

TEST(VirtualHeadset, CountsHeartbeatsAndAnswersThemOnlyWhenAsked)
{
    VirtualHeadset headset;
    EXPECT_TRUE(exchange(headset, 0x27, 1, {}).frames.empty());
    EXPECT_TRUE(exchange(headset, 0x27, 2, {}).frames.empty());
    EXPECT_EQ(headset.commandCount(0x27), 2);

    headset.setConfig(VirtualHeadsetConfig{.answerHeartbeat = true});
    const ReplyMessage reply = exchange(headset, 0x27, 3, {});
    ASSERT_EQ(reply.frames.size(), 1u);
    EXPECT_EQ(reply.frames[0].sequence, 3);
}

TEST(VirtualHeadset, WithholdsIdentityButStillGivesTheDeviceId)
{
    VirtualHeadset headset(VirtualHeadsetConfig{.answerIdentity = false});
    EXPECT_EQ(exchange(headset, 0x10, 1, hex("0B 00")).frames.size(), 1u);
    EXPECT_TRUE(exchange(headset, 0x10, 2, hex("FF 00")).frames.empty());
    EXPECT_TRUE(exchange(headset, 0x10, 3, hex("FF 00")).frames.empty());
    EXPECT_EQ(headset.basicInfoCount(0xFF), 2);
}

TEST(VirtualHeadset, LeavesOutIdentityFieldsThatAreOverriddenAway)
{
    HeadsetState state;
    state.bid.reset();
    state.pid = 0;
    VirtualHeadset headset({}, state);
    EXPECT_EQ(exchange(headset, 0x10, 1, hex("FF 00")).payload, hex("FF 08 01 02 08 23 03 02 00 00"));
}

TEST(VirtualHeadset, NotifiesRequestedItemsInOrderWithItsOwnSequence)
{
    HeadsetState state;
    state.name = "AB";
    state.link = 1;
    VirtualHeadset headset({}, state);
    int ready = 0;
    headset.setReportReadyCallback([&] { ++ready; });

    headset.notify({NotifyItem::Battery, NotifyItem::Link}, kT0);
    headset.notify({NotifyItem::NameAndFirmware, NotifyItem::Surround}, kT0);
    const auto frames = framesOf(drain(headset, kT0));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].type, 3);
    EXPECT_EQ(frames[0].command, 0x11);
    EXPECT_EQ(frames[0].payload, hex("01 01 50 04 01 01"));
    EXPECT_EQ(frames[1].payload, hex("03 0E 02 02 41 42 00 01 00 01 05 31 2E 32 2E 33 07 09 01 01 00 02 01 00 03 01 01"));
    EXPECT_EQ(frames[1].sequence, (frames[0].sequence + 1) & 0x0F);
    EXPECT_EQ(ready, 2);

    headset.notify({NotifyItem::EqAutoReport}, kT0);
    const auto eq = framesOf(drain(headset, kT0));
    const Bytes stored = headset.state().eq;
    Bytes expected{0x02, static_cast<std::uint8_t>(stored.size())};
    expected.insert(expected.end(), stored.begin(), stored.end());
    EXPECT_EQ(joined(eq), expected);
}

TEST(VirtualHeadset, ShapesDeviceReportsAsConfigured)
{
    VirtualHeadset padded;
    padded.notify({NotifyItem::Link}, kT0);
    EXPECT_EQ(drain(padded, kT0).at(0).size(), 64u);

    VirtualHeadset prefixed(VirtualHeadsetConfig{.reportIdPrefix = true});
    prefixed.notify({NotifyItem::Link}, kT0);
    const Report report = drain(prefixed, kT0).at(0);
    EXPECT_EQ(report.size(), 65u);
    EXPECT_EQ(report[0], 0x00);
    EXPECT_EQ(report[1], 0xFE);

    VirtualHeadset bare(VirtualHeadsetConfig{.padReports = false});
    bare.notify({NotifyItem::Link}, kT0);
    EXPECT_EQ(drain(bare, kT0).at(0).size(), 14u);
}

struct RejectCase
{
    const char *name;
    Report report;
    const char *reason;
};

class VirtualHeadsetRejects : public testing::TestWithParam<RejectCase>
{
};

TEST_P(VirtualHeadsetRejects, DropsHostReportsAStrictFirmwareWouldNotTake)
{
    VirtualHeadset headset;
    headset.onHostReport(GetParam().report, kT0);
    EXPECT_TRUE(headset.requests().empty());
    EXPECT_EQ(headset.pendingReportCount(), 0u);
    const auto rejected = headset.rejectedReports();
    ASSERT_EQ(rejected.size(), 1u);
    EXPECT_NE(rejected[0].reason.find(GetParam().reason), std::string::npos) << rejected[0].reason;
}

namespace {

Report withFrameByte(std::size_t index, std::uint8_t value, bool reseal)
{
    Bytes frame = HeadsetWire::encodeFrame({.sequence = 1, .command = 0x10, .payload = hex("01 00")});
    frame[index] = value;
    if (reseal)
        HeadsetWire::resealFrame(frame);
    Report report{0x00};
    report.insert(report.end(), frame.begin(), frame.end());
    return report;
}

Report oversized()
{
    Report report = hostReport(0x10, 1, hex("01 00"));
    report.push_back(0x00);
    return report;
}

Report trailingGarbage()
{
    Report report = hostReport(0x10, 1, hex("01 00"));
    report.back() = 0x55;
    return report;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(
    Reports, VirtualHeadsetRejects,
    testing::Values(RejectCase{"Empty", Report{}, "empty"},
                    RejectCase{"Oversized", oversized(), "more than 65"},
                    RejectCase{"NoReportIdNoSync", Report{0x01, 0xFE}, "neither"},
                    RejectCase{"BadCrc", withFrameByte(12, 0x00, false), "CRC"},
                    RejectCase{"TrailingBytes", trailingGarbage(), "after the frame"},
                    RejectCase{"Enciphered", withFrameByte(1, 0x81, true), "enciphered"},
                    RejectCase{"ReservedBits", withFrameByte(1, 0x11, true), "reserved"},
                    RejectCase{"NotARequest", withFrameByte(4, 0x02, true), "not a request"},
                    RejectCase{"IndexPastTotal", withFrameByte(5, 0x01, true), "outside"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(VirtualHeadset, AcceptsBareFramesWithoutAReportId)
{
    VirtualHeadset headset;
    headset.onHostReport(HeadsetWire::encodeFrame({.sequence = 2, .command = 0x27}), kT0);
    ASSERT_EQ(headset.requests().size(), 1u);
    EXPECT_FALSE(headset.requests()[0].reportId);
    EXPECT_EQ(headset.commandCount(0x27), 1);
}
