// The OTA engine as the program drives it: only through the C interface, with
// the virtual receiver and its headsets on the HID bus.
#include "OtaRecorder.h"

#include "libtavrel/tavrel.h"
#include "tests/support/virtualreceiver/TestFirmware.h"
#include "tests/support/virtualreceiver/VirtualHidBus.h"
#include "tests/support/virtualreceiver/VirtualReceiver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

using namespace VirtualDevices;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::Pair;

namespace {

struct DeviceList
{
    std::vector<HidDeviceEntry> entries;
    int count = 0;
    ~DeviceList() { DestroyDeviceInfo(entries.data(), int(entries.size())); }
};

// Lists the interfaces the way the program does: count, allocate, fill.
std::vector<std::pair<std::string, std::string>> listInterfaces()
{
    DeviceList list;
    list.count = iterAllHidDevice(nullptr);
    list.entries.assign(std::size_t(std::max(list.count, 0)), HidDeviceEntry{});
    if (iterAllHidDevice(list.entries.data()) != list.count)
        return {};
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto &e : list.entries)
        out.emplace_back(e.devicePath, e.hardwareId);
    return out;
}

std::string findPath(const std::string &filter, std::chrono::milliseconds within = 0ms)
{
    const auto deadline = std::chrono::steady_clock::now() + within;
    for (;;) {
        for (const auto &[path, id] : listInterfaces())
            if (path.find(filter) != std::string::npos)
                return path;
        if (std::chrono::steady_clock::now() >= deadline)
            return {};
        std::this_thread::sleep_for(2ms); // polling the bus for a device that re-enumerates
    }
}

} // namespace

// A kind of the engine's fixed waits, as a member of libtavrel::WaitScales.
using EngineWait = double libtavrel::WaitScales::*;

class CInterfaceTest : public ::testing::Test
{
protected:
    // The engine's pauses, and the waits a test expects to run out, take this
    // fraction of their real length. Every other wait is for an answer: it
    // lasts ten seconds or more, so that a loaded machine cannot end it before
    // the answer is read, and costs nothing once the answer is in.
    static constexpr double kShortScale = 0.03;

    void SetUp() override
    {
        bus().reset();
        bus().setWaitScales(VirtualHidBus::longAnswerWaits(kShortScale));
        receiver = std::make_shared<VirtualReceiver>();
        receiver->plugInto(bus());
    }

    void TearDown() override
    {
        if (handle)
            DestroyExecutorHandle(handle);
        bus().reset();
    }

    static VirtualHidBus &bus() { return VirtualHidBus::instance(); }

    // For a test in which waits of this kind go unanswered: they run out
    // after their short length. Takes effect with the next open().
    static void shorten(EngineWait wait)
    {
        auto scales = bus().waitScales();
        scales.*wait = kShortScale;
        bus().setWaitScales(scales);
    }

    FirmwareBehaviour firmware(bool loader = false) const { return testFirmware(image, loader); }

    // Updates the headset on channel 3 through the exports, into `recorder`.
    void updateHeadset(OtaRecorder &recorder, bool authenticate, bool authenticateAfterReconnect)
    {
        const auto callbacks = recorder.callbacks();
        ota_update_client(handle, 3, image.data(), int(image.size()), authenticate, authenticateAfterReconnect,
                          &callbacks);
        runAllTask(handle);
    }

    void addHeadset(FirmwareBehaviour behaviour, int channel = 3)
    {
        ClientEntry client;
        client.channel = channel;
        receiver->addHeadset(client, std::move(behaviour));
    }

    void *open(const std::string &filter = "vid_3654&pid_6901&mi_03")
    {
        const std::string path = findPath(filter);
        EXPECT_FALSE(path.empty());
        handle = CreateExecutorHandle(path.c_str());
        EXPECT_NE(handle, nullptr);
        return handle;
    }

    std::vector<std::uint8_t> image = makeTestImage(9000, 7);
    std::shared_ptr<VirtualReceiver> receiver;
    void *handle = nullptr;
};

TEST_F(CInterfaceTest, ListsTheReceiverWithWindowsStyleNames)
{
    const auto interfaces = listInterfaces();
    ASSERT_EQ(interfaces.size(), 1u);
    EXPECT_EQ(interfaces[0].first, "/virtual/hidraw0#vid_3654&pid_6901&mi_03");
    EXPECT_EQ(interfaces[0].second, "HID\\VID_3654&PID_6901&REV_0100&MI_03");
}

TEST_F(CInterfaceTest, FillNeverWritesPastTheCountedEntries)
{
    ASSERT_EQ(iterAllHidDevice(nullptr), 1);
    auto second = std::make_shared<VirtualReceiver>();
    second->plugInto(bus(), "/virtual/hidraw1");

    HidDeviceEntry entries[3];
    std::memset(entries, 0xAB, sizeof entries);
    EXPECT_EQ(iterAllHidDevice(entries), 2); // the real count
    EXPECT_NE(entries[0].devicePath, nullptr);
    HidDeviceEntry untouched;
    std::memset(&untouched, 0xAB, sizeof untouched);
    EXPECT_EQ(std::memcmp(&entries[1], &untouched, sizeof untouched), 0);
    DestroyDeviceInfo(entries, 1);

    // Fewer now than counted: the rest of the counted entries are zeroed.
    ASSERT_EQ(iterAllHidDevice(nullptr), 2);
    bus().unplug(second->currentPort());
    std::memset(entries, 0xAB, sizeof entries);
    EXPECT_EQ(iterAllHidDevice(entries), 1);
    EXPECT_EQ(entries[1].devicePath, nullptr);
    DestroyDeviceInfo(entries, 2);
    DestroyDeviceInfo(entries, 0);
}

TEST_F(CInterfaceTest, OpenFailsForUnknownAndRefusingInterfaces)
{
    EXPECT_EQ(CreateExecutorHandle("/virtual/hidraw9#vid_3654&pid_6901&mi_03"), nullptr);
    EXPECT_EQ(CreateExecutorHandle(nullptr), nullptr);
    {
        auto port = receiver->currentPort();
        std::lock_guard lock(port->mutex);
        port->openFails = true;
    }
    EXPECT_EQ(CreateExecutorHandle(findPath("vid_3654").c_str()), nullptr);
}

TEST_F(CInterfaceTest, NullHandlesAndEmptyRunsDoNothing)
{
    DestroyExecutorHandle(nullptr);
    runAllTask(nullptr);
    EXPECT_EQ(read_online_device(nullptr, nullptr), nullptr);
    open();
    runAllTask(handle);
    EXPECT_EQ(receiver->hostReportCount(), 0u);
}

struct ListRecorder
{
    int calls = 0;
    std::vector<OnlineClientRecord> records;
    bool nullRecords = false;

    OnlineDeviceCallbacks callbacks()
    {
        OnlineDeviceCallbacks c{};
        c.context = this;
        c.onRefreshClientInfo = [](void *self, std::uint32_t count, const OnlineClientRecord *records) {
            auto *r = static_cast<ListRecorder *>(self);
            ++r->calls;
            r->nullRecords = records == nullptr;
            if (records)
                r->records.assign(records, records + count);
        };
        return c;
    }
};

TEST_F(CInterfaceTest, ReadsTheOnlineClients)
{
    ClientEntry longName;
    longName.channel = 4;
    longName.name = std::string(255, 'N');
    longName.linkInfo = {1, 2, 3, 4};
    longName.linkExtra = {5, 6};
    receiver->addClient(longName);
    ClientEntry asleep;
    asleep.channel = 5;
    asleep.online = false;
    receiver->addClient(asleep);

    ListRecorder recorder;
    open();
    auto callbacks = recorder.callbacks();
    EXPECT_NE(read_online_device(handle, &callbacks), nullptr);
    callbacks = {}; // the block was copied
    runAllTask(handle);

    ASSERT_EQ(recorder.calls, 1);
    ASSERT_EQ(recorder.records.size(), 2u);
    EXPECT_EQ(recorder.records[0].channel, 2);
    EXPECT_STREQ(recorder.records[0].name, "Velkora Receiver");
    const auto &headset = recorder.records[1];
    EXPECT_EQ(headset.channel, 4);
    EXPECT_EQ(headset.reserved, 0);
    EXPECT_THAT(headset.linkInfo, ElementsAre(1, 2, 3, 4));
    EXPECT_THAT(headset.linkExtra, ElementsAre(5, 6));
    EXPECT_EQ(std::string(headset.name, sizeof headset.name), std::string(248, 'N'));
}

TEST_F(CInterfaceTest, EmptyClientListComesWithCountZero)
{
    receiver->setListsItself(false);
    ListRecorder recorder;
    open();
    auto callbacks = recorder.callbacks();
    read_online_device(handle, &callbacks);
    OnlineDeviceCallbacks silent{};
    read_online_device(handle, &silent); // nothing to call: runs quietly
    runAllTask(handle);
    EXPECT_EQ(recorder.calls, 1);
    EXPECT_TRUE(recorder.nullRecords);
}

TEST_F(CInterfaceTest, UpdatesAHeadset)
{
    addHeadset(firmware());
    OtaRecorder recorder;
    open();
    const auto callbacks = recorder.callbacks();
    EXPECT_NE(ota_update_client(handle, 3, image.data(), int(image.size()), true, false, &callbacks), nullptr);
    runAllTask(handle);

    EXPECT_TRUE(recorder.errors.empty()) << recorder.errors.front().second;
    EXPECT_EQ(recorder.starts, 1);
    EXPECT_EQ(recorder.finishes, 1);
    EXPECT_EQ(recorder.otherCalls, 0);
    EXPECT_TRUE(recorder.progressRises());
    ASSERT_GE(recorder.progress.size(), 6u);
    EXPECT_THAT(std::vector<int>(recorder.progress.begin(), recorder.progress.begin() + 5), ElementsAre(0, 1, 2, 3, 4));
    EXPECT_EQ(recorder.progress.back(), 100);
    EXPECT_TRUE(receiver->imageMatches(3));
    // The receiver heard of the passed authentication.
    const auto frames = receiver->hostFrames();
    EXPECT_TRUE(std::any_of(frames.begin(), frames.end(), [](const HostFrame &f) {
        return f.channel == 0 && f.kind == 6 && f.payload == std::vector<std::uint8_t>{3, 1};
    }));
}

TEST_F(CInterfaceTest, HeadsetListedAsAuthenticatedIsNotChallenged)
{
    auto behaviour = firmware();
    behaviour.wrongAuthAnswer = true; // a challenge would fail
    ClientEntry client;
    client.authenticated = true;
    receiver->addHeadset(client, std::move(behaviour));
    OtaRecorder recorder;
    open();
    updateHeadset(recorder, true, false);

    EXPECT_TRUE(recorder.errors.empty()) << recorder.errors.front().second;
    EXPECT_EQ(recorder.finishes, 1);
    const auto frames = receiver->hostFrames();
    EXPECT_TRUE(std::none_of(frames.begin(), frames.end(), [](const HostFrame &f) {
        return f.channel == 3 && !f.payload.empty() && f.payload[0] == 0x00; // a challenge
    }));
}

// The device's own challenge is answered from its bytes 1-16, whatever its
// first byte and however many bytes follow them.
struct ChallengeCase
{
    const char *name;
    int sizeChange;
    std::uint8_t type;
};

class CInterfaceChallengeTest : public CInterfaceTest, public ::testing::WithParamInterface<ChallengeCase>
{};

TEST_P(CInterfaceChallengeTest, HostAnswersAndTheUpdateRuns)
{
    auto behaviour = firmware();
    behaviour.ownChallengeSizeChange = GetParam().sizeChange;
    behaviour.ownChallengeType = GetParam().type;
    addHeadset(behaviour);
    OtaRecorder recorder;
    open();
    updateHeadset(recorder, true, false);
    EXPECT_TRUE(recorder.errors.empty()) << recorder.errors.front().second;
    EXPECT_EQ(recorder.finishes, 1);
    EXPECT_TRUE(receiver->imageMatches(3));
}

INSTANTIATE_TEST_SUITE_P(Challenges, CInterfaceChallengeTest,
                         ::testing::Values(ChallengeCase{"seventeen_bytes", 0, 0x00},
                                           ChallengeCase{"eighteen_bytes", 1, 0x00},
                                           ChallengeCase{"forty_bytes", 23, 0x00},
                                           ChallengeCase{"first_byte_01", 0, 0x01},
                                           ChallengeCase{"first_byte_ff_and_longer", 3, 0xFF}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(CInterfaceTest, UpdatesAHeadsetThroughItsLoader)
{
    addHeadset(firmware(true));
    OtaRecorder recorder;
    open();
    updateHeadset(recorder, true, true);

    EXPECT_TRUE(recorder.errors.empty()) << recorder.errors.front().second;
    EXPECT_EQ(recorder.finishes, 1);
    EXPECT_TRUE(recorder.progressRises());
    for (int step : {39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 98, 99, 100})
        EXPECT_THAT(recorder.progress, ::testing::Contains(step)) << step;
    EXPECT_TRUE(receiver->imageMatches(3));
    EXPECT_EQ(receiver->restarts(3), 2); // into the loader, then into the new firmware
}

TEST_F(CInterfaceTest, UpdatesTheReceiverInPlace)
{
    receiver->setOwnFirmware(firmware());
    OtaRecorder recorder;
    bool switched = true;
    open();
    const auto callbacks = recorder.callbacks();
    EXPECT_NE(ota_update_dongle(handle, 2, image.data(), int(image.size()), false, false, &callbacks, &switched),
              nullptr);
    runAllTask(handle);

    EXPECT_TRUE(recorder.errors.empty()) << recorder.errors.front().second;
    EXPECT_FALSE(switched);
    EXPECT_EQ(recorder.starts, 1);
    EXPECT_EQ(recorder.finishes, 1);
    EXPECT_TRUE(recorder.progressRises());
    EXPECT_EQ(recorder.progress.back(), 100);
    EXPECT_TRUE(receiver->imageMatches(2));
}

TEST_F(CInterfaceTest, UpdatesTheReceiverThroughItsUpdateMode)
{
    receiver->setOwnFirmware(firmware(true));
    OtaRecorder first;
    bool switched = false;
    open();
    auto callbacks = first.callbacks();
    ota_update_dongle(handle, 2, image.data(), int(image.size()), true, true, &callbacks, &switched);
    runAllTask(handle);
    DestroyExecutorHandle(handle);
    handle = nullptr;

    EXPECT_TRUE(first.errors.empty()) << first.errors.front().second;
    EXPECT_TRUE(switched);
    EXPECT_EQ(first.finishes, 0);
    ASSERT_FALSE(first.progress.empty());
    EXPECT_EQ(first.progress.back(), 40);
    EXPECT_TRUE(first.progressRises());

    // The receiver comes back under its update-mode product id.
    const std::string path = findPath("vid_3654&pid_6902", 2s);
    ASSERT_FALSE(path.empty());
    handle = CreateExecutorHandle(path.c_str());
    ASSERT_NE(handle, nullptr);
    OtaRecorder second;
    callbacks = second.callbacks();
    EXPECT_EQ(ota_update_dongle_single_post(handle, 2, image.data(), int(image.size()), true, &callbacks), nullptr);
    runAllTask(handle);

    EXPECT_TRUE(second.errors.empty()) << second.errors.front().second;
    EXPECT_EQ(second.starts, 0);
    EXPECT_EQ(second.finishes, 1);
    EXPECT_TRUE(second.progressRises());
    EXPECT_EQ(second.progress.front(), 39);
    EXPECT_EQ(second.progress.back(), 100);
    EXPECT_TRUE(receiver->imageMatches(2));
}

TEST_F(CInterfaceTest, ReceiverAlreadyInUpdateModeGoesStraightToTheTransfer)
{
    receiver->setOwnFirmware(firmware());
    receiver->setStatusByte(1);
    OtaRecorder recorder;
    bool switched = false;
    open();
    const auto callbacks = recorder.callbacks();
    ota_update_dongle(handle, 2, image.data(), int(image.size()), false, false, &callbacks, &switched);
    runAllTask(handle);

    EXPECT_TRUE(recorder.errors.empty()) << recorder.errors.front().second;
    EXPECT_EQ(recorder.starts, 1);
    EXPECT_EQ(recorder.finishes, 1);
    ASSERT_GE(recorder.progress.size(), 3u);
    EXPECT_THAT(std::vector<int>(recorder.progress.begin(), recorder.progress.begin() + 3), ElementsAre(0, 39, 40));
    EXPECT_TRUE(recorder.progressRises());
    EXPECT_TRUE(receiver->imageMatches(2));
}

TEST_F(CInterfaceTest, ResumedTransferStartsAtTheDevicesOffset)
{
    auto behaviour = firmware();
    behaviour.resumeOffset = 4096;
    addHeadset(behaviour);
    OtaRecorder recorder;
    open();
    updateHeadset(recorder, false, false);
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_TRUE(receiver->imageMatches(3));
    EXPECT_TRUE(recorder.progressRises());
}

TEST_F(CInterfaceTest, EmptyCheckRangeSendsTheSingleByte)
{
    auto behaviour = firmware();
    behaviour.checkLength = 0; // refuses anything but the single byte 0x02
    addHeadset(behaviour);
    OtaRecorder recorder;
    open();
    updateHeadset(recorder, false, false);
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_TRUE(receiver->imageMatches(3));
}

TEST_F(CInterfaceTest, ShortStatusReplyMeansNotInUpdateMode)
{
    receiver->setOwnFirmware(firmware());
    receiver->setStatusReplyLength(10);
    OtaRecorder recorder;
    bool switched = true;
    open();
    const auto callbacks = recorder.callbacks();
    ota_update_dongle(handle, 2, image.data(), int(image.size()), false, false, &callbacks, &switched);
    runAllTask(handle);
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_FALSE(switched);
    ASSERT_GE(recorder.progress.size(), 2u);
    EXPECT_EQ(recorder.progress[1], 1); // the in-place path, not the update-mode transfer
    EXPECT_EQ(recorder.finishes, 1);
}

TEST_F(CInterfaceTest, TwoTasksRunInOneCall)
{
    addHeadset(firmware());
    ListRecorder list;
    OtaRecorder update;
    open();
    const auto listCallbacks = list.callbacks();
    const auto updateCallbacks = update.callbacks();
    read_online_device(handle, &listCallbacks);
    ota_update_client(handle, 3, image.data(), int(image.size()), false, false, &updateCallbacks);
    runAllTask(handle);
    EXPECT_EQ(list.calls, 1);
    EXPECT_EQ(update.finishes, 1);
}

TEST_F(CInterfaceTest, AllNullCallbacksRunToTheEnd)
{
    addHeadset(firmware());
    open();
    const OtaCallbacks none{};
    ota_update_client(handle, 3, image.data(), int(image.size()), false, false, &none);
    runAllTask(handle);
    EXPECT_TRUE(receiver->imageMatches(3));
    ota_update_client(handle, 3, image.data(), int(image.size()), false, false, nullptr);
    runAllTask(handle);
    EXPECT_TRUE(receiver->imageMatches(3));
}

TEST_F(CInterfaceTest, ThrowingCallbackEndsTheTaskWithOneError)
{
    addHeadset(firmware());
    OtaRecorder recorder;
    recorder.throwOnProgress = true;
    open();
    EXPECT_NO_THROW(updateHeadset(recorder, false, false));
    EXPECT_THAT(recorder.errors, ElementsAre(Pair(3, "internal error")));
    EXPECT_EQ(recorder.finishes, 0);
}

// An exception inside a step (here the progress callback, thrown while the
// image is served) fails that step: the update reports the step's own error.
TEST_F(CInterfaceTest, ExceptionInAStepReportsThatStepsError)
{
    addHeadset(firmware());
    OtaRecorder recorder;
    recorder.whenProgress = [](int done) {
        if (done > 4 && done < 98)
            throw std::runtime_error("callback gone wrong");
    };
    open();
    EXPECT_NO_THROW(updateHeadset(recorder, false, false));
    EXPECT_THAT(recorder.errors, ElementsAre(Pair(3, "update file")));
    EXPECT_EQ(recorder.finishes, 0);
}

TEST_F(CInterfaceTest, DestroyingDropsQueuedTasksSilently)
{
    addHeadset(firmware());
    OtaRecorder recorder;
    open();
    const auto callbacks = recorder.callbacks();
    ota_update_client(handle, 3, image.data(), int(image.size()), false, false, &callbacks);
    DestroyExecutorHandle(handle);
    handle = nullptr;
    EXPECT_EQ(recorder.starts, 0);
    EXPECT_TRUE(recorder.errors.empty());
}

TEST_F(CInterfaceTest, ReceiverUnpluggedMidTransferEndsWithOneError)
{
    addHeadset(firmware());
    OtaRecorder recorder;
    recorder.whenProgress = [port = receiver->currentPort()](int done) mutable {
        if (done >= 10 && port)
            VirtualHidBus::instance().unplug(std::exchange(port, nullptr));
    };
    open();
    updateHeadset(recorder, false, false);
    EXPECT_THAT(recorder.errors, ElementsAre(Pair(3, "update file")));
    const auto start = std::chrono::steady_clock::now();
    DestroyExecutorHandle(handle);
    handle = nullptr;
    // Half of a write's time-out: a destroy that sits one out on the gone device fails.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST_F(CInterfaceTest, MissingImageFailsInsteadOfReadingNothing)
{
    addHeadset(firmware());
    OtaRecorder recorder;
    open();
    const auto callbacks = recorder.callbacks();
    ota_update_client(handle, 3, nullptr, 5000, false, false, &callbacks);
    runAllTask(handle);
    EXPECT_THAT(recorder.errors, ElementsAre(Pair(3, "client error")));
}

TEST(Utf16Test, ConvertsToSixteenBitUnits)
{
    TavrelChar16 *text = getUtf16("A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::u16string(text), u"A\u00E9\u4E2D\U0001F600");
    FreeString(text);

    text = getUtf16("a\xFF" "b\xE4\xB8");
    EXPECT_EQ(std::u16string(text), u"a\uFFFDb\uFFFD");
    FreeString(text);

    text = getUtf16("");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text[0], 0);
    FreeString(text);
    EXPECT_EQ(getUtf16(nullptr), nullptr);
    FreeString(nullptr);
}

// Every fault ends the task with exactly one error, and runAllTask returns.
struct FaultCase
{
    enum class Task { Headset, Receiver, SinglePost };
    const char *name;
    Task task;
    bool loader;
    bool authenticate;
    std::function<void(VirtualReceiver &, FirmwareBehaviour &)> arrange;
    // The kind of wait the fault leaves to run out, if any. The engine has one
    // length per kind, so where earlier steps wait on that kind too (RCP
    // replies before a silent one) their waits are short as well; their
    // answers are already in when those waits begin and are taken at once.
    EngineWait unanswered;
    int code;
    const char *message;
};

class CInterfaceFaultTest : public CInterfaceTest, public ::testing::WithParamInterface<FaultCase>
{};

TEST_P(CInterfaceFaultTest, EndsWithOneError)
{
    const FaultCase &c = GetParam();
    if (c.unanswered)
        shorten(c.unanswered);
    auto behaviour = firmware(c.loader);
    c.arrange(*receiver, behaviour);
    if (c.task == FaultCase::Task::Headset) {
        if (!behaviour.expectedImage.empty()) // an empty image marks "no headset"
            addHeadset(behaviour);
    } else {
        receiver->setOwnFirmware(behaviour);
    }
    OtaRecorder recorder;
    open();
    const auto callbacks = recorder.callbacks();
    bool switched = false;
    switch (c.task) {
    case FaultCase::Task::Headset:
        ota_update_client(handle, 3, image.data(), int(image.size()), c.authenticate, c.authenticate, &callbacks);
        break;
    case FaultCase::Task::Receiver:
        ota_update_dongle(handle, 2, image.data(), int(image.size()), c.authenticate, false, &callbacks, &switched);
        break;
    case FaultCase::Task::SinglePost:
        ota_update_dongle_single_post(handle, 2, image.data(), int(image.size()), c.authenticate, &callbacks);
        break;
    }
    runAllTask(handle);
    EXPECT_THAT(recorder.errors, ElementsAre(Pair(c.code, c.message)));
    EXPECT_EQ(recorder.finishes, 0);
    EXPECT_FALSE(switched);
    EXPECT_TRUE(recorder.progressRises());
}

using T = FaultCase::Task;
using R = VirtualReceiver;
using B = FirmwareBehaviour;
constexpr EngineWait kAllAnswered = nullptr;
constexpr EngineWait kRcpReply = &libtavrel::WaitScales::reply; // and the slow receiver commands
constexpr EngineWait kReceiverReply = &libtavrel::WaitScales::receiverReply;

INSTANTIATE_TEST_SUITE_P(
    Faults, CInterfaceFaultTest,
    ::testing::Values(
        FaultCase{"no_headset", T::Headset, false, false, [](R &, B &b) { b.expectedImage.clear(); }, kAllAnswered, 1, "no client found"},
        FaultCase{"list_unanswered", T::Headset, false, false, [](R &r, B &) { r.setSilentKinds({2}); }, kReceiverReply, 1, "no_client_found"},
        FaultCase{"list_cut_short", T::Headset, false, false,
                  [](R &r, B &) { r.setListReplyOverride(std::vector<std::uint8_t>{2, 3, 1, 0, 0, 0, 0, 0, 0, 9}); },
                  kAllAnswered, 1, "no_client_found"},
        FaultCase{"wrong_auth_answer", T::Headset, false, true, [](R &, B &b) { b.wrongAuthAnswer = true; }, kAllAnswered, 2, "auth failed"},
        FaultCase{"auth_answer_16_bytes", T::Headset, false, true, [](R &, B &b) { b.authAnswerSizeChange = -1; }, kAllAnswered, 2, "auth failed"},
        FaultCase{"auth_answer_18_bytes", T::Headset, false, true, [](R &, B &b) { b.authAnswerSizeChange = 1; }, kAllAnswered, 2, "auth failed"},
        FaultCase{"auth_answer_silent", T::Headset, false, true, [](R &, B &b) { b.silentAuthSteps = {1}; }, kRcpReply, 2, "auth failed"},
        FaultCase{"auth_challenge_silent", T::Headset, false, true, [](R &, B &b) { b.silentAuthSteps = {2}; }, kRcpReply, 2, "auth failed"},
        FaultCase{"auth_verdict_silent", T::Headset, false, true, [](R &, B &b) { b.silentAuthSteps = {3}; }, kRcpReply, 2, "auth failed"},
        FaultCase{"device_challenge_16_bytes", T::Headset, false, true, [](R &, B &b) { b.ownChallengeSizeChange = -1; }, kAllAnswered, 2, "auth failed"},
        FaultCase{"host_answer_rejected", T::Headset, false, true, [](R &, B &b) { b.rejectHostAnswer = true; }, kAllAnswered, 2, "auth failed"},
        FaultCase{"verdict_without_type_byte", T::Headset, false, true,
                  [](R &, B &b) { b.verdict = std::vector<std::uint8_t>{'p', 'a', 's', 's'}; }, kAllAnswered, 2, "auth failed"},
        FaultCase{"auth_notify_silent", T::Headset, false, true, [](R &r, B &) { r.setSilentKinds({6}); }, kReceiverReply, 2, "auth failed"},
        FaultCase{"target_info_silent", T::Headset, false, false, [](R &, B &b) { b.silentOpcodes = {0x03}; }, kRcpReply, 3, "client error"},
        FaultCase{"file_offset_silent", T::Headset, false, false, [](R &, B &b) { b.silentOpcodes = {0xE1}; }, kRcpReply, 3, "client_error"},
        FaultCase{"file_offset_stale_sequence", T::Headset, false, false, [](R &, B &b) { b.staleOpcodes = {0xE1}; }, kAllAnswered, 3, "client_error"},
        FaultCase{"check_range_past_the_end", T::Headset, false, false, [](R &, B &b) { b.checkOffset = 8990; }, kAllAnswered, 3, "client error"},
        FaultCase{"update_refused", T::Headset, false, false, [](R &, B &b) { b.refuseUpdate = true; }, kAllAnswered, 4, "not allow"},
        FaultCase{"enter_update_silent", T::Headset, false, false, [](R &, B &b) { b.silentOpcodes = {0xE3}; }, kRcpReply, 3, "enter update"},
        FaultCase{"block_past_the_end", T::Headset, false, false, [](R &, B &b) { b.requestPastEnd = true; }, kAllAnswered, 3, "update file"},
        FaultCase{"drop_mid_transfer", T::Headset, false, false, [](R &, B &b) { b.dropAfterBlocks = 5; }, kRcpReply, 3, "update file"},
        FaultCase{"bad_update_status", T::Headset, false, false, [](R &, B &b) { b.updateStatus = 0x1A; }, kAllAnswered, 3, "update failed: status 0x1a"},
        FaultCase{"status_silent", T::Headset, false, false, [](R &, B &b) { b.silentOpcodes = {0xE6}; }, kRcpReply, 3, "query"},
        FaultCase{"disconnect_silent", T::Headset, false, false, [](R &r, B &) { r.setSilentKinds({5}); }, kRcpReply, 3, "failed to disconnect"},
        FaultCase{"never_back_after_reboot", T::Headset, false, false, [](R &, B &b) { b.neverBack = true; }, kAllAnswered, 1, "failed to reconnect client"},
        FaultCase{"loader_status_0", T::Headset, true, false, [](R &, B &b) { b.loaderStatus = 0; }, kAllAnswered, 1, "failed to update loader"},
        FaultCase{"loader_status_9", T::Headset, true, false, [](R &, B &b) { b.loaderStatus = 9; }, kAllAnswered, 1, "failed to update loader"},
        FaultCase{"loader_read_client_silent", T::Headset, true, false, [](R &r, B &) { r.setSilentKinds({4}); }, kRcpReply, 3, "connect"},
        FaultCase{"loader_never_back", T::Headset, true, false, [](R &, B &b) { b.neverBack = true; }, kAllAnswered, 1, "failed to reconnect client"},
        FaultCase{"skipped_after_loader", T::Headset, true, false, [](R &, B &b) { b.skipAfterLoader = true; }, kAllAnswered, 4, "update skipped"},
        FaultCase{"receiver_status_silent", T::Receiver, false, false, [](R &r, B &) { r.setSilentKinds({1}); }, kReceiverReply, 3, "command timeout"},
        FaultCase{"receiver_status_short", T::Receiver, false, false, [](R &r, B &) { r.setStatusReplyLength(9); }, kAllAnswered, 3, "invalid reply"},
        FaultCase{"receiver_auth_fails", T::Receiver, false, true, [](R &, B &b) { b.wrongAuthAnswer = true; }, kAllAnswered, 2, "auth failed"},
        FaultCase{"receiver_query_silent", T::Receiver, false, false, [](R &, B &b) { b.silentOpcodes = {0x03}; }, kRcpReply, 3, "query"},
        FaultCase{"receiver_offset_silent", T::Receiver, false, false, [](R &, B &b) { b.silentOpcodes = {0xE1}; }, kRcpReply, 3, "query"},
        FaultCase{"receiver_refuses", T::Receiver, false, false, [](R &, B &b) { b.refuseUpdate = true; }, kAllAnswered, 4, "not allow"},
        FaultCase{"receiver_block_past_the_end", T::Receiver, false, false, [](R &, B &b) { b.requestPastEnd = true; }, kAllAnswered, 3, "dongle read file"},
        FaultCase{"receiver_result_silent", T::Receiver, false, false, [](R &, B &b) { b.silentOpcodes = {0xE6}; }, kRcpReply, 3, "read result"},
        FaultCase{"receiver_bad_status", T::Receiver, false, false, [](R &, B &b) { b.updateStatus = 5; }, kAllAnswered, 3, "update failed: status 0x 5"},
        FaultCase{"receiver_loader_status_0", T::Receiver, true, false, [](R &, B &b) { b.loaderStatus = 0; }, kAllAnswered, 1, "failed to update loader"},
        FaultCase{"receiver_loader_drop", T::Receiver, true, false, [](R &, B &b) { b.dropAfterBlocks = 1; }, kRcpReply, 3, "client error"},
        FaultCase{"post_auth_fails", T::SinglePost, false, true, [](R &, B &b) { b.wrongAuthAnswer = true; }, kAllAnswered, 2, "auth failed"},
        FaultCase{"post_query_silent", T::SinglePost, false, false, [](R &, B &b) { b.silentOpcodes = {0x03}; }, kRcpReply, 3, "query"},
        FaultCase{"post_enter_silent", T::SinglePost, false, false, [](R &, B &b) { b.silentOpcodes = {0xE3}; }, kRcpReply, 3, "enter update"},
        FaultCase{"post_drop_mid_transfer", T::SinglePost, false, false, [](R &, B &b) { b.dropAfterBlocks = 2; }, kRcpReply, 3, "dongle read file"},
        FaultCase{"post_result_silent", T::SinglePost, false, false, [](R &, B &b) { b.silentOpcodes = {0xE6}; }, kRcpReply, 3, "read result"},
        FaultCase{"post_bad_status", T::SinglePost, false, false, [](R &, B &b) { b.updateStatus = 0x81; }, kAllAnswered, 3, "update failed: status 0x81"}),
    [](const auto &info) { return std::string(info.param.name); });
