#include "ExecutorRig.h"

#include "libtavrel/TransportFrame.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

using namespace libtavrel;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Waits that a test expects to be answered or granted: long enough that a
// loaded machine cannot end them first, and free once the answer is in.
constexpr auto kAnswered = 10s;
// Bound on a wait that should end by itself: far above any scheduling delay,
// so that it only fails when the wait does not end on its own.
constexpr auto kNoHang = 5s;

struct Wait
{
    std::shared_ptr<ReadDataPackage> package;
    Clock::duration waited{};
    bool done = false;
};

Task waitForReply(Executor &ex, int channel, Clock::duration delay, Clock::duration timeout, Wait *out)
{
    if (delay > Clock::duration::zero())
        co_await ex.sleep(delay);
    const auto start = Clock::now();
    out->package = co_await ex.reply(channel, timeout);
    out->waited = Clock::now() - start;
    out->done = true;
    co_return bool(out->package);
}

Task emitLater(Executor &ex, VirtualDevices::VirtualReceiver *receiver, Clock::duration delay, int channel, Bytes payload)
{
    co_await ex.sleep(delay);
    receiver->emitFrame(channel, 0, payload);
    co_return true;
}

Task sleepFor(Executor &ex, Clock::duration d, Clock::duration *slept)
{
    const auto start = Clock::now();
    co_await ex.sleep(d);
    *slept = Clock::now() - start;
    co_return true;
}

Task holdLock(Executor &ex, int id, Clock::duration hold, std::vector<std::string> *log, std::string name)
{
    ChannelLock lock = co_await ex.lock(id, kAnswered);
    log->push_back(name + (lock ? " locked" : " timed out"));
    if (!lock)
        co_return false;
    co_await ex.sleep(hold);
    log->push_back(name + " unlocks");
    co_return true;
}

Task tryLock(Executor &ex, int id, Clock::duration timeout, bool *granted, Clock::duration *waited,
            bool *done = nullptr)
{
    const auto start = Clock::now();
    ChannelLock lock = co_await ex.lock(id, timeout);
    *waited = Clock::now() - start;
    *granted = bool(lock);
    if (done)
        *done = true;
    co_return *granted;
}

// Holds the lock on `id` until `release` is set, however long that takes.
Task holdLockUntil(Executor &ex, int id, const bool *release)
{
    ChannelLock lock = co_await ex.lock(id, kAnswered);
    if (!lock)
        co_return false;
    while (!*release)
        co_await ex.sleep(1ms);
    co_return true;
}

Task lockAndThrow(Executor &ex, int id)
{
    ChannelLock lock = co_await ex.lock(id, 1s);
    co_await ex.sleep(1ms);
    throw std::runtime_error("boom");
}

Task parentOfThrower(Executor &ex, bool *childResult, bool *parentGoesOn)
{
    *childResult = co_await ex.child(lockAndThrow(ex, 0));
    *parentGoesOn = true;
    co_return true;
}

Task writeFrame(Executor &ex, std::shared_ptr<WriteDataRequest> request, Clock::duration timeout, bool *written,
                Clock::duration *waited)
{
    const auto start = Clock::now();
    *written = co_await ex.write(request, timeout);
    *waited = Clock::now() - start;
    co_return *written;
}

Task setFlag(bool *flag)
{
    *flag = true;
    co_return true;
}

Task childResult(Executor &ex, bool value, int *steps)
{
    co_await ex.sleep(1ms);
    ++*steps;
    co_return value;
}

Task parentOfChildren(Executor &ex, std::vector<bool> *results, int *steps)
{
    results->push_back(co_await ex.child(childResult(ex, true, steps)));
    results->push_back(co_await ex.child(childResult(ex, false, steps)));
    co_return true;
}

// Has every frame the receiver emitted so far taken in by the executor: a
// marker sent after them arrives after them.
void takeInEmittedFrames(ExecutorRig &rig)
{
    constexpr int kMarkerChannel = 9;
    rig.receiver->emitFrame(kMarkerChannel, 0, {0xEE});
    Wait marker;
    rig.executor->addTask(waitForReply(*rig.executor, kMarkerChannel, 0ms, kAnswered, &marker));
    rig.executor->runAll();
    ASSERT_TRUE(marker.package);
}

} // namespace

TEST(ExecutorTest, PackageWaitsForALaterWaiterOnItsChannel)
{
    ExecutorRig rig;
    rig.receiver->emitFrame(5, 0, {0x42});
    takeInEmittedFrames(rig);
    Wait wait;
    rig.executor->addTask(waitForReply(*rig.executor, 5, 100ms, kAnswered, &wait));
    rig.executor->runAll();
    // Nothing was sent since: the package it gets had waited for it.
    ASSERT_TRUE(wait.package);
    EXPECT_THAT(wait.package->payload, ElementsAre(0x42));
}

TEST(ExecutorTest, EarlierWaiterOnAChannelGetsThePackage)
{
    ExecutorRig rig;
    Wait first, second;
    auto &ex = *rig.executor;
    ex.addTask(waitForReply(ex, 5, 0ms, kAnswered, &first));
    ex.addTask(waitForReply(ex, 5, 0ms, kAnswered, &second));
    ex.addTask(emitLater(ex, rig.receiver.get(), 20ms, 5, {0x01}));
    ex.addTask(emitLater(ex, rig.receiver.get(), 20ms, 5, {0x02}));
    ex.runAll();
    ASSERT_TRUE(first.package);
    ASSERT_TRUE(second.package);
    EXPECT_THAT(first.package->payload, ElementsAre(0x01));
    EXPECT_THAT(second.package->payload, ElementsAre(0x02));
}

TEST(ExecutorTest, PackagesGoOnlyToTheirChannel)
{
    ExecutorRig rig;
    Wait onFour, onSix;
    auto &ex = *rig.executor;
    ex.addTask(waitForReply(ex, 4, 0ms, 100ms, &onFour));
    ex.addTask(waitForReply(ex, 6, 0ms, kAnswered, &onSix));
    ex.addTask(emitLater(ex, rig.receiver.get(), 5ms, 6, {0x06}));
    ex.runAll();
    EXPECT_FALSE(onFour.package);
    ASSERT_TRUE(onSix.package);
    EXPECT_EQ(onSix.package->channel, 6);
}

TEST(ExecutorTest, ReplyWaitEndsEmptyAfterItsDeadline)
{
    ExecutorRig rig;
    Wait wait;
    rig.executor->addTask(waitForReply(*rig.executor, 7, 0ms, 120ms, &wait));
    const auto start = Clock::now();
    rig.executor->runAll();
    EXPECT_TRUE(wait.done);
    EXPECT_FALSE(wait.package);
    EXPECT_GT(wait.waited, 120ms);
    EXPECT_LT(Clock::now() - start, kNoHang);
}

TEST(ExecutorTest, SleepLastsItsDuration)
{
    ExecutorRig rig;
    Clock::duration slept{};
    rig.executor->addTask(sleepFor(*rig.executor, 40ms, &slept));
    rig.executor->runAll();
    EXPECT_GT(slept, 40ms);
    EXPECT_LT(slept, kNoHang);
}

TEST(ExecutorTest, LockIsHeldUntilTheHolderLetsGo)
{
    ExecutorRig rig;
    std::vector<std::string> log;
    auto &ex = *rig.executor;
    ex.addTask(holdLock(ex, 0, 30ms, &log, "a"));
    ex.addTask(holdLock(ex, 0, 1ms, &log, "b"));
    ex.addTask(holdLock(ex, 1, 1ms, &log, "c")); // another id is free
    ex.runAll();
    ASSERT_THAT(log, ::testing::UnorderedElementsAre("a locked", "a unlocks", "b locked", "b unlocks", "c locked",
                                                     "c unlocks"));
    const auto at = [&log](const std::string &entry) { return std::find(log.begin(), log.end(), entry) - log.begin(); };
    EXPECT_EQ(at("a locked"), 0);
    EXPECT_LT(at("c locked"), at("a unlocks"));
    EXPECT_GT(at("b locked"), at("a unlocks"));
}

TEST(ExecutorTest, LockWaitHonoursItsDeadline)
{
    ExecutorRig rig;
    bool tried = false;
    bool granted = true;
    Clock::duration waited{};
    auto &ex = *rig.executor;
    ex.addTask(holdLockUntil(ex, 0, &tried)); // the lock is not given back while the other waits
    ex.addTask(tryLock(ex, 0, 50ms, &granted, &waited, &tried));
    ex.runAll();
    EXPECT_FALSE(granted);
    EXPECT_GT(waited, 50ms);
    EXPECT_LT(waited, kNoHang);
}

// The child's exception stays in the child: the parent reads false and goes on.
TEST(ExecutorTest, ExceptionInAChildReadsAsFalseAndGivesTheLockBack)
{
    ExecutorRig rig;
    bool childResult = true;
    bool parentGoesOn = false;
    bool granted = false;
    Clock::duration waited{};
    auto &ex = *rig.executor;
    ex.addTask(parentOfThrower(ex, &childResult, &parentGoesOn));
    ex.addTask(tryLock(ex, 0, kAnswered, &granted, &waited));
    ex.runAll();
    EXPECT_FALSE(childResult);
    EXPECT_TRUE(parentGoesOn);
    EXPECT_TRUE(granted);
}

TEST(ExecutorTest, UncaughtExceptionEndsOnlyThatTask)
{
    ExecutorRig rig;
    Clock::duration slept{};
    auto &ex = *rig.executor;
    ex.addTask(lockAndThrow(ex, 0));
    ex.addTask(sleepFor(ex, 10ms, &slept));
    ex.runAll();
    EXPECT_EQ(ex.taskCount(), 0u);
    EXPECT_GT(slept, 10ms);
}

TEST(ExecutorTest, ChildrenRunInOrderAndReturnTheirResults)
{
    ExecutorRig rig;
    std::vector<bool> results;
    int steps = 0;
    rig.executor->addTask(parentOfChildren(*rig.executor, &results, &steps));
    rig.executor->runAll();
    EXPECT_THAT(results, ElementsAre(true, false));
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(rig.executor->taskCount(), 0u);
}

TEST(ExecutorTest, FrameLeavesInReportsOfSixtyFourBytes)
{
    ExecutorRig rig;
    const Bytes payload(122, 0x5A);
    auto request = makeTransportFrame(3, 0, payload.data(), payload.size());
    ASSERT_EQ(request->bytes().size(), 130u);
    bool written = false;
    Clock::duration waited{};
    rig.executor->addTask(writeFrame(*rig.executor, request, kAnswered, &written, &waited));
    rig.executor->runAll();
    EXPECT_TRUE(written);
    EXPECT_EQ(rig.receiver->hostReportCount(), 3u);
    const auto frames = rig.receiver->hostFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].channel, 3);
    EXPECT_EQ(frames[0].payload, payload);
}

TEST(ExecutorTest, FailedWriteIsReported)
{
    ExecutorRig rig;
    {
        std::lock_guard lock(rig.port->mutex);
        rig.port->failingWrites = 1;
    }
    auto request = makeTransportFrame(0, 2, nullptr, 0);
    bool written = true;
    Clock::duration waited{};
    rig.executor->addTask(writeFrame(*rig.executor, request, 30s, &written, &waited));
    rig.executor->runAll();
    EXPECT_FALSE(written);
    EXPECT_EQ(request->state(), WriteState::Failed);
    EXPECT_LT(waited, kNoHang); // reported by the device, not found out at the time-out
}

TEST(ExecutorTest, StalledWriteIsCancelledAtItsTimeout)
{
    ExecutorRig rig;
    {
        std::lock_guard lock(rig.port->mutex);
        rig.port->stallWrites = true;
    }
    auto request = makeTransportFrame(0, 2, nullptr, 0);
    bool written = true;
    Clock::duration waited{};
    rig.executor->addTask(writeFrame(*rig.executor, request, 80ms, &written, &waited));
    rig.executor->runAll();
    EXPECT_FALSE(written);
    EXPECT_EQ(request->state(), WriteState::Failed);
    EXPECT_GT(waited, 80ms);
    EXPECT_LT(waited, kNoHang);
}

TEST(ExecutorTest, ReceiverCommandRoundTrip)
{
    ExecutorRig rig;
    rig.receiver->addClient({});
    Wait wait;
    bool written = false;
    Clock::duration waited{};
    auto &ex = *rig.executor;
    ex.addTask(writeFrame(ex, makeTransportFrame(0, 2, nullptr, 0), kAnswered, &written, &waited));
    ex.addTask(waitForReply(ex, 1, 0ms, kAnswered, &wait));
    ex.runAll();
    ASSERT_TRUE(wait.package);
    EXPECT_EQ(wait.package->kind, 2);
    ASSERT_FALSE(wait.package->payload.empty());
    EXPECT_EQ(wait.package->payload[0], 2); // the receiver itself and one headset
}

TEST(ExecutorTest, DiscardDropsOnlyThatChannel)
{
    ExecutorRig rig;
    rig.receiver->emitFrame(4, 0, {0x04});
    rig.receiver->emitFrame(5, 0, {0x05});
    takeInEmittedFrames(rig);
    Wait onFour, onFive;
    auto &ex = *rig.executor;
    ex.discardPackages(4);
    ex.addTask(waitForReply(ex, 4, 0ms, 50ms, &onFour));
    ex.addTask(waitForReply(ex, 5, 0ms, kAnswered, &onFive));
    ex.runAll();
    EXPECT_FALSE(onFour.package);
    EXPECT_TRUE(onFive.package);
}

TEST(ExecutorTest, DestroyingRunsNoQueuedTask)
{
    ExecutorRig rig;
    bool ran = false;
    void *reference = rig.executor->addTask(setFlag(&ran));
    EXPECT_NE(reference, nullptr);
    rig.executor.reset();
    EXPECT_FALSE(ran);
}

TEST(ExecutorTest, DestroyingWhileAReadIsPendingEndsAtOnce)
{
    ExecutorRig rig(ExecutorTimeouts{}); // real time-outs: nothing may wait them out
    Wait settle;
    rig.executor->addTask(waitForReply(*rig.executor, 9, 0ms, 20ms, &settle));
    rig.executor->runAll(); // the I/O thread now sits in a read
    const auto start = Clock::now();
    rig.executor.reset();
    EXPECT_LT(Clock::now() - start, kNoHang); // far below the reply wait it would otherwise sit out
}

TEST(ExecutorTest, RunAllWithoutTasksReturnsAtOnce)
{
    ExecutorRig rig;
    const auto start = Clock::now();
    rig.executor->runAll();
    EXPECT_LT(Clock::now() - start, kNoHang);
    EXPECT_EQ(rig.receiver->hostReportCount(), 0u);
}

TEST(IOLoopTest, StopEndsAStalledWriteAndFailsTheRest)
{
    ExecutorRig rig;
    {
        std::lock_guard lock(rig.port->mutex);
        rig.port->stallWrites = true;
    }
    auto writes = std::make_shared<IOLoop::WriteQueue>();
    auto reads = std::make_shared<IOLoop::ReadQueue>();
    auto wake = std::make_shared<WakeSignal>();
    auto device = std::make_shared<VirtualDevices::VirtualPortDevice>(rig.port);
    IOLoop loop(device, writes, reads, wake);
    auto first = makeTransportFrame(0, 1, nullptr, 0);
    auto second = makeTransportFrame(0, 2, nullptr, 0);
    first->setDeadline(Clock::now() + 30s);
    second->setDeadline(Clock::now() + 30s);
    writes->push(first);
    writes->push(second);
    std::thread thread([&loop] { loop.run(); });
    {
        std::unique_lock lock(rig.port->mutex);
        EXPECT_TRUE(rig.port->changed.wait_for(lock, kAnswered, [&rig] { return rig.port->stalledWrites > 0; }));
    }
    const auto start = Clock::now();
    loop.stop();
    thread.join();
    EXPECT_LT(Clock::now() - start, kNoHang); // far below the stalled write's own time-out
    EXPECT_EQ(first->state(), WriteState::Failed);
    EXPECT_EQ(second->state(), WriteState::Failed);
}

// Frames reach their waiter however the device lays them into reports.
struct ShapeCase
{
    const char *name;
    VirtualDevices::LinkShape shape;
    int corruptEndBytes = 0;
};

class IOLoopShapeTest : public ::testing::TestWithParam<ShapeCase>
{};

Task collect(Executor &ex, int channel, int count, std::vector<Bytes> *payloads)
{
    for (int i = 0; i < count; ++i) {
        auto package = co_await ex.reply(channel, kAnswered);
        if (!package)
            co_return false;
        payloads->push_back(package->payload);
    }
    co_return true;
}

Task emitThree(Executor &ex, VirtualDevices::VirtualReceiver *receiver)
{
    co_await ex.sleep(5ms);
    receiver->emitFrame(4, 0, Bytes(100, 0x01));
    receiver->emitFrame(4, 0, {0x02});
    receiver->emitFrame(4, 0, Bytes(20, 0x03));
    co_return true;
}

TEST_P(IOLoopShapeTest, FramesSurviveTheLink)
{
    ExecutorRig rig;
    rig.receiver->setLinkShape(GetParam().shape);
    rig.receiver->corruptEndByteOfNextFrames(GetParam().corruptEndBytes);
    std::vector<Bytes> payloads;
    auto &ex = *rig.executor;
    ex.addTask(collect(ex, 4, 3 - GetParam().corruptEndBytes, &payloads));
    ex.addTask(emitThree(ex, rig.receiver.get()));
    ex.runAll();
    std::vector<Bytes> expected{Bytes(100, 0x01), {0x02}, Bytes(20, 0x03)};
    expected.erase(expected.begin(), expected.begin() + GetParam().corruptEndBytes);
    EXPECT_EQ(payloads, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, IOLoopShapeTest,
    ::testing::Values(ShapeCase{"one_frame_per_report", {}},
                      ShapeCase{"split_every_7_bytes", {7, false, {}}},
                      ShapeCase{"packed", {64, true, {}}},
                      ShapeCase{"packed_and_split", {13, true, {}}},
                      ShapeCase{"noise_before_frames", {64, true, {0x4A, 0x00, 0x4C, 0xED, 0x4A}}},
                      ShapeCase{"first_frame_damaged", {64, true, {}}, 1}),
    [](const auto &info) { return std::string(info.param.name); });

// Long frames cross the link whole, in 64-byte reports. A receiver reply
// inside one's payload never reaches a task waiting on the reply channel:
// the first package there is the real one the receiver sends after it.
class IOLoopLongFrameTest : public ::testing::TestWithParam<std::size_t>
{};

TEST_P(IOLoopLongFrameTest, PayloadIsNeverReadAsFrames)
{
    ExecutorRig rig;
    Bytes payload(GetParam(), 0x5A);
    const Bytes fakeReply{0x4A, 0x4C, 0x10, 0x00, 0x00, 0x02, 0x06, 0x00, 0xED}; // kind 6 on channel 1
    std::copy(fakeReply.begin(), fakeReply.end(), payload.begin() + 100);
    rig.receiver->emitFrame(3, 0, payload);
    rig.receiver->emitFrame(TransportFrame::kReplyChannel, 2, {0x00});

    Wait outer, reply;
    auto &ex = *rig.executor;
    ex.addTask(waitForReply(ex, 3, 0ms, 10s, &outer));
    ex.addTask(waitForReply(ex, TransportFrame::kReplyChannel, 0ms, 10s, &reply));
    ex.runAll();
    ASSERT_TRUE(reply.package);
    EXPECT_EQ(reply.package->kind, 2);
    ASSERT_TRUE(outer.package);
    EXPECT_EQ(outer.package->payload, payload);
}

// A 5000-byte frame, and the largest payload the length field holds.
INSTANTIATE_TEST_SUITE_P(Sizes, IOLoopLongFrameTest,
                         ::testing::Values(std::size_t(4992), TransportFrame::kMaxPayload),
                         [](const auto &info) { return "payload" + std::to_string(info.param); });
