#include "tests/doubles/HeadsetTestKit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace VirtualDevices;
using namespace VirtualDevices::TestKit;
using namespace std::chrono_literals;

// A transport thread writes and reads while a test thread scripts the device:
// the engine must keep every request and stay race-free (run under TSan).
TEST(VirtualHeadsetThreads, HostTrafficAndScriptingRunConcurrently)
{
    constexpr int kRequests = 300;
    VirtualHeadset headset;
    std::atomic<int> readySignals{0};
    std::atomic<int> reportsRead{0};
    std::atomic<bool> scripting{false};
    std::atomic<bool> hostDone{false};
    std::atomic<bool> scriptingDone{false};
    headset.setReportReadyCallback([&] { readySignals.fetch_add(1, std::memory_order_relaxed); });

    std::thread host([&] {
        while (!scripting)
            std::this_thread::yield();
        for (int i = 0; i < kRequests; ++i)
            headset.onHostReport(hostReport(0x23, static_cast<std::uint8_t>(i & 0x0F), Bytes{std::uint8_t(1 + i % 7)}),
                                 Clock::now());
        hostDone = true;
    });
    std::thread reader([&] {
        // Only stop once both writers are finished, or a last notification posted
        // after the host's final request would be left unread.
        while (!hostDone || !scriptingDone || headset.pendingReportCount() > 0) {
            if (headset.takeDeviceReport(Clock::now() + 1h))
                reportsRead.fetch_add(1, std::memory_order_relaxed);
            else
                std::this_thread::yield();
        }
    });
    int notifications = 0;
    scripting = true;
    for (; !hostDone && notifications < 1000; ++notifications) {
        headset.updateState([&](HeadsetState &s) { s.batteryLeft = std::uint8_t(notifications % 101); });
        headset.notify({NotifyItem::Battery, NotifyItem::Link}, Clock::now());
        headset.scriptFault({.command = 0x23}, {.delay = 1ms});
        (void)headset.state();
        (void)headset.commandCount(0x23);
    }
    scriptingDone = true;
    host.join();
    reader.join();

    EXPECT_EQ(headset.commandCount(0x23), kRequests);
    EXPECT_EQ(headset.requests().size(), std::size_t(kRequests));
    EXPECT_EQ(reportsRead.load(), kRequests + notifications);
    EXPECT_EQ(readySignals.load(), notifications);
}

TEST(VirtualHeadsetThreads, WaitForRequestsWakesWhenTheHostWrites)
{
    VirtualHeadset headset;
    EXPECT_FALSE(headset.waitForRequests(1, 10ms));
    std::thread host([&] {
        headset.onHostReport(hostReport(0x27, 1, {}), Clock::now());
        headset.onHostReport(hostReport(0x27, 2, {}), Clock::now());
    });
    EXPECT_TRUE(headset.waitForRequests(2, 10s));
    host.join();
    EXPECT_EQ(headset.commandCount(0x27), 2);
}
