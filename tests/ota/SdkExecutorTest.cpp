// The binding to the engine: executor handles, callback sets, trampolines and
// the outcome of a run, against the engine on the virtual bus.
#include "tests/ota/VirtualOtaRig.h"

#include "ota/HidEnumeration.h"
#include "ota/SdkExecutor.h"
#include "ota/SdkTrampolines.h"

#include <gmock/gmock.h>

#include <cstring>
#include <stdexcept>

using namespace OtaModule;
using namespace VirtualDevices;
using ::testing::ElementsAre;

namespace {

struct ReadResult
{
    int calls = 0;
    std::vector<ClientInfo> clients;
};

SdkExecutor::ReadCallbackSet recordingReader(ReadResult &result)
{
    SdkExecutor::ReadCallbackSet set;
    set.onRefreshClientInfo = [&result](const std::vector<ClientInfo> &clients) {
        ++result.calls;
        result.clients = clients;
    };
    return set;
}

} // namespace

class SdkExecutorTest : public VirtualOtaRig
{
protected:
    SdkExecutor executor;
};

TEST_F(SdkExecutorTest, ListsAndFiltersInterfaces)
{
    auto second = std::make_shared<VirtualReceiver>();
    bus().plug("/virtual/hidraw5", {0x1234, 0x0001, 0x0100, 0}, "Other Device", second);

    const auto all = enumerateHidDevices();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].path, kReceiverPath);
    EXPECT_EQ(all[0].hardwareId, "HID\\VID_3654&PID_6901&REV_0100&MI_03");
    EXPECT_EQ(all[0].name, "Velkora Receiver");

    const auto matched = filterDevicesByPath(all, "VID_3654&PID_6901");
    ASSERT_EQ(matched.size(), 1u);
    EXPECT_EQ(matched[0].path, kReceiverPath);
    EXPECT_EQ(filterDevicesByPath(all, "").size(), 2u);
    EXPECT_TRUE(filterDevicesByPath(all, "pid_5055").empty());

    bus().reset();
    EXPECT_TRUE(enumerateHidDevices().empty());
}

TEST_F(SdkExecutorTest, ClosedHolderQueuesNothing)
{
    bool switched = false;
    EXPECT_FALSE(executor.isOpen());
    EXPECT_FALSE(executor.startClientOta(3, headsetImage, false, false, {}));
    EXPECT_FALSE(executor.startDongleOta(receiverImage, false, false, {}, &switched));
    EXPECT_FALSE(executor.startDongleSinglePost(receiverImage, false, {}));
    EXPECT_FALSE(executor.startReadOnlineDevice({}));

    const auto run = executor.runAllTasks();
    EXPECT_FALSE(run.ok);
    EXPECT_FALSE(run.failed);
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.message, "executor handle is null");

    EXPECT_FALSE(executor.open("/virtual/hidraw9#vid_3654&pid_6901&mi_03"));
    EXPECT_FALSE(executor.isOpen());
}

TEST_F(SdkExecutorTest, RefusesTasksThatCannotRun)
{
    ASSERT_TRUE(executor.open(kReceiverPath));
    bool switched = false;
    EXPECT_FALSE(executor.startClientOta(3, {}, false, false, {}));
    EXPECT_FALSE(executor.startDongleOta({}, false, false, {}, &switched));
    EXPECT_FALSE(executor.startDongleOta(receiverImage, false, false, {}, nullptr));
    EXPECT_FALSE(executor.startDongleSinglePost({}, false, {}));
    // Nothing was queued: the run touches no device.
    const auto before = receiver->hostReportCount();
    EXPECT_TRUE(executor.runAllTasks().ok);
    EXPECT_EQ(receiver->hostReportCount(), before);
}

TEST_F(SdkExecutorTest, ReadsTheClientListIntoClientInfos)
{
    ClientEntry longName;
    longName.channel = 4;
    longName.name = std::string(255, 'N');
    longName.linkInfo = {1, 2, 3, 4};
    longName.linkExtra = {5, 6};
    receiver->addClient(longName);

    ReadResult result;
    ASSERT_TRUE(executor.open(kReceiverPath));
    ASSERT_TRUE(executor.startReadOnlineDevice(recordingReader(result)));
    const auto run = executor.runAllTasks();

    EXPECT_TRUE(run.ok);
    ASSERT_EQ(result.calls, 1);
    ASSERT_EQ(result.clients.size(), 2u);
    EXPECT_EQ(result.clients[0].channel, 2);
    EXPECT_EQ(result.clients[0].deviceName, "Velkora Receiver");
    const ClientInfo &headset = result.clients[1];
    EXPECT_EQ(headset.channel, 4);
    EXPECT_EQ(headset.supportOta, 0);
    EXPECT_EQ(headset.deviceName, std::string(248, 'N'));
    const std::uint8_t info[] = {1, 2, 3, 4};
    const std::uint8_t extra[] = {5, 6};
    EXPECT_EQ(std::memcmp(&headset.linkInfo, info, 4), 0);
    EXPECT_EQ(std::memcmp(&headset.linkExtra, extra, 2), 0);
}

TEST_F(SdkExecutorTest, RunWithoutErrorsIsOkEvenWhenNothingWasCalled)
{
    ASSERT_TRUE(executor.open(kReceiverPath));
    ASSERT_TRUE(executor.startReadOnlineDevice({})); // no functions at all
    const auto run = executor.runAllTasks();
    EXPECT_TRUE(run.ok);
    EXPECT_FALSE(run.failed);
    EXPECT_TRUE(run.message.empty());
}

TEST_F(SdkExecutorTest, UpdatesAHeadsetWithProgressToTheEnd)
{
    addHeadset(3, testFirmware(headsetImage));
    std::vector<int> progress;
    int finishes = 0;
    SdkExecutor::OtaCallbackSet set;
    set.onProgress = [&](int done, int total) { progress.push_back(total == 100 ? done : -1); };
    set.onFinish = [&] { ++finishes; };

    ASSERT_TRUE(executor.open(kReceiverPath));
    ASSERT_TRUE(executor.startClientOta(3, headsetImage, true, true, set));
    const auto run = executor.runAllTasks();

    EXPECT_TRUE(run.ok) << run.message;
    EXPECT_EQ(finishes, 1);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_TRUE(receiver->imageMatches(3));
}

TEST_F(SdkExecutorTest, ReportedErrorFailsTheRunEvenWithoutAnErrorFunction)
{
    // No headset on channel 3.
    ASSERT_TRUE(executor.open(kReceiverPath));
    ASSERT_TRUE(executor.startClientOta(3, headsetImage, false, false, {}));
    auto run = executor.runAllTasks();
    EXPECT_FALSE(run.ok);
    EXPECT_TRUE(run.failed);
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.message, "no client found");

    // The next run starts clean.
    ASSERT_TRUE(executor.startReadOnlineDevice({}));
    run = executor.runAllTasks();
    EXPECT_TRUE(run.ok);
    EXPECT_TRUE(run.message.empty());
}

TEST_F(SdkExecutorTest, ErrorFunctionHearsTheEngineAndMayThrow)
{
    std::vector<std::pair<int, std::string>> errors;
    SdkExecutor::OtaCallbackSet set;
    set.onError = [&](int code, const std::string &message) {
        errors.emplace_back(code, message);
        throw std::runtime_error("ignored");
    };
    ASSERT_TRUE(executor.open(kReceiverPath));
    ASSERT_TRUE(executor.startClientOta(3, headsetImage, false, false, set));
    const auto run = executor.runAllTasks();
    EXPECT_THAT(errors, ElementsAre(std::make_pair(1, std::string("no client found"))));
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.message, "no client found");
}

struct ThrowCase
{
    const char *name;
    std::function<void()> raise;
    const char *message;
};

class SdkExecutorThrowTest : public SdkExecutorTest, public ::testing::WithParamInterface<ThrowCase>
{};

// The exception stays on the program's side: the engine goes on with the
// update, and the run reports what was thrown.
TEST_P(SdkExecutorThrowTest, ThrowingProgressFailsTheRunButNotTheEngine)
{
    addHeadset(3, testFirmware(headsetImage));
    SdkExecutor::OtaCallbackSet set;
    bool thrown = false;
    set.onProgress = [&thrown, raise = GetParam().raise](int done, int) {
        if (done >= 50 && !std::exchange(thrown, true))
            raise();
    };
    int finishes = 0;
    set.onFinish = [&] { ++finishes; };
    ASSERT_TRUE(executor.open(kReceiverPath));
    ASSERT_TRUE(executor.startClientOta(3, headsetImage, false, false, set));
    const auto run = executor.runAllTasks();

    EXPECT_FALSE(run.ok);
    EXPECT_TRUE(run.failed);
    EXPECT_EQ(run.code, -100000);
    EXPECT_EQ(run.message, GetParam().message);
    EXPECT_EQ(finishes, 1);
    EXPECT_TRUE(receiver->imageMatches(3));
}

INSTANTIATE_TEST_SUITE_P(
    Exceptions, SdkExecutorThrowTest,
    ::testing::Values(
        ThrowCase{"standard", [] { throw std::runtime_error("x"); }, "onProgress: callback threw exception - x"},
        ThrowCase{"standard_without_text", [] { throw std::runtime_error(""); }, "onProgress: callback threw exception"},
        ThrowCase{"other", [] { throw 42; }, "onProgress: callback threw exception - unknown exception"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(SdkExecutorTest, OpenDropsTheOldHandleAndItsQueuedTasks)
{
    auto second = std::make_shared<VirtualReceiver>();
    auto secondPort = second->plugInto(bus(), "/virtual/hidraw1");
    auto firstPort = receiver->currentPort();
    const long idle = firstPort.use_count();

    ReadResult dropped;
    ASSERT_TRUE(executor.open(kReceiverPath));
    EXPECT_GT(firstPort.use_count(), idle); // the engine holds the device
    ASSERT_TRUE(executor.startReadOnlineDevice(recordingReader(dropped)));

    ASSERT_TRUE(executor.open(secondPort->devicePath()));
    EXPECT_EQ(firstPort.use_count(), idle);
    ReadResult kept;
    ASSERT_TRUE(executor.startReadOnlineDevice(recordingReader(kept)));
    EXPECT_TRUE(executor.runAllTasks().ok);
    EXPECT_EQ(dropped.calls, 0);
    EXPECT_EQ(kept.calls, 1);

    executor.close();
    EXPECT_FALSE(executor.isOpen());
    EXPECT_EQ(secondPort.use_count(), idle);
}

// The trampolines themselves, with what the engine could hand them.
TEST(SdkTrampolineTest, ClientListCallsFollowCountAndPointer)
{
    BoundReadCallbacks bound;
    bound.state = std::make_shared<CallbackState>();
    int calls = 0;
    std::vector<ClientInfo> last{ClientInfo{}};
    bound.callbacks.onRefreshClientInfo = [&](const std::vector<ClientInfo> &clients) {
        ++calls;
        last = clients;
    };
    const OnlineDeviceCallbacks block = makeReadCallbackBlock(&bound);

    block.onRefreshClientInfo(block.context, 0, nullptr);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(last.empty());

    block.onRefreshClientInfo(block.context, 2, nullptr);
    EXPECT_EQ(calls, 1);

    OnlineClientRecord records[2];
    std::memset(records, 0, sizeof records);
    records[0].channel = 2;
    records[1].channel = 3;
    records[1].reserved = 1;
    std::memset(records[1].name, 'A', sizeof records[1].name); // no NUL at all
    block.onRefreshClientInfo(block.context, 2, records);
    ASSERT_EQ(last.size(), 2u);
    EXPECT_EQ(last[1].channel, 3);
    EXPECT_EQ(last[1].supportOta, 1);
    EXPECT_EQ(last[1].deviceName, std::string(248, 'A'));

    // No context, or no function: nothing happens.
    block.onRefreshClientInfo(nullptr, 2, records);
    bound.callbacks.onRefreshClientInfo = nullptr;
    block.onRefreshClientInfo(block.context, 2, records);
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(bound.state->failed);
}

TEST(SdkTrampolineTest, ErrorsAreRecordedWithOrWithoutAFunction)
{
    BoundOtaCallbacks bound;
    bound.state = std::make_shared<CallbackState>();
    const OtaCallbacks block = makeOtaCallbackBlock(&bound);

    block.onError(block.context, 3, nullptr);
    EXPECT_TRUE(bound.state->failed);
    EXPECT_EQ(bound.state->code, 3);
    EXPECT_EQ(bound.state->messageCopy(), "");

    BoundReadCallbacks read;
    read.state = std::make_shared<CallbackState>();
    read.callbacks.onReadError = [](int, const std::string &) { throw 1; };
    const OnlineDeviceCallbacks readBlock = makeReadCallbackBlock(&read);
    EXPECT_NO_THROW(readBlock.onError(readBlock.context, 7, "read failed"));
    EXPECT_EQ(read.state->code, 7);
    EXPECT_EQ(read.state->messageCopy(), "read failed");

    // Slots the engine never calls today still reach their functions, guarded.
    bound.callbacks.onCancel = [] { throw std::logic_error("late"); };
    EXPECT_NO_THROW(block.onCancel(block.context));
    EXPECT_EQ(bound.state->code, -100000);
    EXPECT_EQ(bound.state->messageCopy(), "onCancel: callback threw exception - late");
    EXPECT_NO_THROW(block.onStart(nullptr));
}
