// Whole updates through runOtaSession, the way the firmware coordinators run
// them: the engine on the virtual bus with a receiver and its headsets.
#include "tests/ota/VirtualOtaRig.h"

#include "ota/OtaSessionRunner.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

using namespace VirtualDevices;
using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::IsSupersetOf;

class RunOtaSessionTest : public VirtualOtaRig
{
public:
    void addHeadsetFor(int channel, FirmwareBehaviour behaviour) { addHeadset(channel, std::move(behaviour)); }
    FirmwareBehaviour headsetFirmware() const { return testFirmware(headsetImage); }
    FirmwareBehaviour receiverFirmware(bool loader = false) const { return testFirmware(receiverImage, loader); }

protected:
    OtaSessionRunnerResult run(const OtaSessionRunnerConfig &config)
    {
        return runOtaSession(config, logger(), [this](int percent) { progress.push_back(percent); });
    }

    bool progressRises() const { return std::is_sorted(progress.begin(), progress.end()); }

    static int opens(const std::shared_ptr<VirtualPort> &port)
    {
        std::lock_guard lock(port->mutex);
        return port->opens;
    }

    std::vector<int> progress;
};

TEST_F(RunOtaSessionTest, UpdatesAHeadset)
{
    addHeadset(3, testFirmware(headsetImage, true));
    auto config = fastConfig(0);
    config.remoteImage = headsetImage;

    const auto result = run(config);

    ASSERT_TRUE(result.success) << result.message << "\n" << logText();
    EXPECT_TRUE(result.message.empty());
    EXPECT_TRUE(receiver->imageMatches(3));
    EXPECT_EQ(receiver->restarts(3), 2); // into its loader, then into the new firmware
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(progressRises());
    EXPECT_THAT(lines, IsSupersetOf({
                           "Prefer dongle openIndex=0 hint=" + std::string(kReceiverPath),
                           std::string("Device opened (index 0)"),
                           std::string("BLE settle before upgrade ms=1"),
                           std::string("Remote firmware prepared in memory: 6000 bytes"),
                           std::string("Auto upgrade precheck passed"),
                           std::string("Remote target check: channel=3, supportOta=0, deviceName=Velkora Headset"),
                           std::string("Remote OTA started (channel 3)"),
                           std::string("Remote OTA finished (channel 3)"),
                           std::string("Remote auto-upgrade finished, total remote devices: 1"),
                       }));
    EXPECT_FALSE(loggedStartingWith("Dongle OTA"));
    EXPECT_FALSE(loggedStartingWith("Auto upgrade cooldown")); // headsets alone never arm it
}

TEST_F(RunOtaSessionTest, UpdatesTheReceiverInPlace)
{
    receiver->setOwnFirmware(testFirmware(receiverImage));
    auto config = fastConfig(1);
    config.dongleImage = receiverImage;

    const auto result = run(config);

    ASSERT_TRUE(result.success) << result.message << "\n" << logText();
    EXPECT_TRUE(receiver->imageMatches(2));
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(progressRises());
    EXPECT_TRUE(logged("Dongle precheck on selected HID => dongle=yes, remote_count=0"));
    EXPECT_TRUE(logged("Dongle OTA finished"));
    EXPECT_EQ(lines.back(), "Dongle OTA finished (no post step)");
}

// The receiver switches into its update mode, leaves the bus and comes back
// under another product id; the post step runs on the reopened receiver.
TEST_F(RunOtaSessionTest, UpdatesTheReceiverThroughItsUpdateMode)
{
    receiver->setOwnFirmware(testFirmware(receiverImage, true));
    receiver->setReenumerationDelay(60ms);
    auto config = fastConfig(1);
    config.dongleImage = receiverImage;

    const auto result = run(config);

    ASSERT_TRUE(result.success) << result.message << "\n" << logText();
    EXPECT_TRUE(receiver->imageMatches(2));
    EXPECT_EQ(receiver->currentPort()->identity.productId, VirtualReceiver::kUpdateModeProductId);
    EXPECT_EQ(opens(receiver->currentPort()), 1);
    const auto postStep = std::find(lines.begin(), lines.end(), "Dongle OTA requires post step");
    ASSERT_NE(postStep, lines.end());
    const auto reopened = std::find(postStep, lines.end(), "Reopened post mode device");
    ASSERT_NE(reopened, lines.end());
    // The post step reports from its own start again, up to the end.
    EXPECT_NE(std::find(reopened, lines.end(), "Dongle OTA progress: 39/100"), lines.end());
    EXPECT_EQ(lines.back(), "Dongle OTA finished");
    EXPECT_THAT(progress, Contains(40));
    EXPECT_EQ(progress.back(), 100);
}

// Headsets first, then the receiver, with both images from the firmware
// folder: the recovery of an old device. Progress runs 0-50, then 50-100.
TEST_F(RunOtaSessionTest, UpdatesHeadsetsThenTheReceiverFromTheFirmwareFolder)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("velkora-ota-run-" + std::to_string(std::random_device()()));
    fs::create_directories(folder);
    std::ofstream(folder / "headset_v2.ufw", std::ios::binary)
        .write(reinterpret_cast<const char *>(headsetImage.data()), std::streamsize(headsetImage.size()));
    std::ofstream(folder / "receiver_dongle_v2.ufw", std::ios::binary)
        .write(reinterpret_cast<const char *>(receiverImage.data()), std::streamsize(receiverImage.size()));

    addHeadset(3, testFirmware(headsetImage));
    addHeadset(5, testFirmware(headsetImage), "Second Headset");
    receiver->setOwnFirmware(testFirmware(receiverImage, true));
    auto config = fastConfig(2);
    config.firmwareDirectory = folder.string();

    const auto result = run(config);
    fs::remove_all(folder);

    ASSERT_TRUE(result.success) << result.message << "\n" << logText();
    EXPECT_TRUE(receiver->imageMatches(3));
    EXPECT_TRUE(receiver->imageMatches(5));
    EXPECT_TRUE(receiver->imageMatches(2));
    EXPECT_TRUE(logged("Remote firmware loaded: 6000 bytes, headset_v2.ufw"));
    EXPECT_TRUE(logged("Dongle firmware loaded: 5000 bytes, receiver_dongle_v2.ufw"));
    EXPECT_TRUE(logged("Remote auto-upgrade finished, total remote devices: 2"));
    EXPECT_TRUE(logged("Reopened post mode device"));
    EXPECT_FALSE(loggedStartingWith("Auto upgrade cooldown"));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), 0);
    EXPECT_THAT(progress, Contains(50));
    EXPECT_EQ(progress.back(), 100);
    // Each headset counts 0-50 on its own; the receiver's lines come last.
    const auto receiverStart = std::find_if(progress.begin(), progress.end(), [](int p) { return p > 50; });
    EXPECT_TRUE(std::all_of(progress.begin(), receiverStart, [](int p) { return p <= 50; }));
    EXPECT_TRUE(std::all_of(receiverStart, progress.end(), [](int p) { return p >= 50; }));
}

struct FailureCase
{
    const char *name;
    std::uint32_t mode;
    std::function<void(RunOtaSessionTest &, VirtualReceiver &, OtaSessionRunnerConfig &)> arrange;
    const char *message;
    const char *line; // logged on the way, or null
};

class RunOtaSessionFailureTest : public RunOtaSessionTest, public ::testing::WithParamInterface<FailureCase>
{};

TEST_P(RunOtaSessionFailureTest, EndsWithTheFirstFailure)
{
    const FailureCase &c = GetParam();
    auto config = fastConfig(c.mode);
    config.remoteImage = headsetImage;
    config.dongleImage = receiverImage;
    c.arrange(*this, *receiver, config);

    const auto result = run(config);

    EXPECT_FALSE(result.success);
    EXPECT_EQ(result.message, c.message) << logText();
    if (c.line) {
        EXPECT_TRUE(logged(c.line)) << logText();
    }
}

using Self = RunOtaSessionTest;
using Config = OtaSessionRunnerConfig;

INSTANTIATE_TEST_SUITE_P(
    Failures, RunOtaSessionFailureTest,
    ::testing::Values(
        FailureCase{"no_receiver", 0, [](auto &, auto &, Config &c) { c.devicePathFilter = "vid_3654&pid_5055"; },
                    "failed to open/read online devices", nullptr},
        FailureCase{"receiver_silent", 0, [](auto &, VirtualReceiver &r, auto &) { Self::silence(r); },
                    "failed to open/read online devices", "Read online devices failed: no client list received"},
        FailureCase{"receiver_cannot_be_opened", 0,
                    [](auto &, VirtualReceiver &r, auto &) {
                        auto port = r.currentPort();
                        std::lock_guard lock(port->mutex);
                        port->openFails = true;
                    },
                    "failed to open/read online devices", "Preferred path open/read failed, fallback auto-open"},
        FailureCase{"no_image", 0,
                    [](auto &, auto &, Config &c) {
                        c.remoteImage.clear();
                        c.dongleImage.clear();
                    },
                    "firmware package invalid or not found", nullptr},
        FailureCase{"no_headset_online", 0, [](auto &, auto &, auto &) {}, "precheck failed: no remote headset online",
                    "Auto upgrade blocked: remote headset must be online"},
        FailureCase{"receiver_not_listed", 1, [](auto &, VirtualReceiver &r, auto &) { r.setListsItself(false); },
                    "precheck failed: dongle not online", "Stage status => scan=success, open_read=degraded, precheck=failed"},
        FailureCase{"headset_auth_fails", 0,
                    [](Self &t, auto &, auto &) {
                        auto b = t.headsetFirmware();
                        b.wrongAuthAnswer = true;
                        t.addHeadsetFor(3, b);
                    },
                    "auth failed", "Remote OTA failed (channel 3, error 2): auth failed"},
        FailureCase{"headset_fails_before_receiver", 2,
                    [](Self &t, VirtualReceiver &r, auto &) {
                        auto b = t.headsetFirmware();
                        b.refuseUpdate = true;
                        t.addHeadsetFor(3, b);
                        r.setOwnFirmware(t.receiverFirmware());
                    },
                    "not allow", "Auto upgrade cooldown armed: 2000 ms (consecutive failures=1)"},
        FailureCase{"both_without_receiver_image", 2,
                    [](Self &t, auto &, Config &c) {
                        c.dongleImage.clear();
                        t.addHeadsetFor(3, t.headsetFirmware());
                    },
                    "dongle firmware not found", "Auto upgrade cooldown armed: 2000 ms (consecutive failures=1)"},
        FailureCase{"receiver_refuses", 1,
                    [](Self &t, VirtualReceiver &r, auto &) {
                        auto b = t.receiverFirmware();
                        b.refuseUpdate = true;
                        r.setOwnFirmware(b);
                    },
                    "not allow", "Dongle OTA failed(4): not allow"},
        FailureCase{"receiver_never_back_in_update_mode", 1,
                    [](Self &t, VirtualReceiver &r, Config &c) {
                        r.setOwnFirmware(t.receiverFirmware(true));
                        c.postModePathFilter = "pid_7777";
                        c.postModeReopenAttempts = 3;
                    },
                    "post step failed: cannot reopen post mode device", "Dongle OTA requires post step"},
        FailureCase{"receiver_post_step_fails", 1,
                    [](Self &t, VirtualReceiver &r, auto &) {
                        auto b = t.receiverFirmware(true);
                        b.updateStatus = 5;
                        r.setOwnFirmware(b);
                    },
                    "update failed: status 0x 5", "Reopened post mode device"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(RunOtaSessionTest, ThrowingCallbacksDoNotStopTheUpdate)
{
    addHeadset(3, testFirmware(headsetImage));
    auto config = fastConfig(0);
    config.remoteImage = headsetImage;
    int calls = 0;
    const auto result = runOtaSession(
        config, [&](const std::string &) { ++calls, throw std::runtime_error("log broken"); },
        [&](int) { throw 7; });
    EXPECT_TRUE(result.success) << result.message;
    EXPECT_GT(calls, 10);
    EXPECT_TRUE(receiver->imageMatches(3));
}

TEST_F(RunOtaSessionTest, WithoutHintEveryPathIsTriedAndTheAnsweringOneKept)
{
    silence(*receiver);
    auto answering = std::make_shared<VirtualReceiver>();
    ClientEntry headset;
    headset.channel = 3;
    answering->addHeadset(headset, testFirmware(headsetImage));
    answering->plugInto(bus(), "/virtual/hidraw1");
    auto config = fastConfig(0);
    config.deviceHint.clear();
    config.remoteImage = headsetImage;

    const auto result = run(config);

    ASSERT_TRUE(result.success) << result.message << "\n" << logText();
    EXPECT_TRUE(answering->imageMatches(3));
    EXPECT_FALSE(loggedStartingWith("No dongle path match"));
    EXPECT_FALSE(loggedStartingWith("Prefer dongle"));
    EXPECT_EQ(lines.front(), "Trying HID path 1 / 2 ...");
    // The settle reads stay on the path that answered.
    EXPECT_EQ(opens(receiver->currentPort()), 1 + int(countLogged("Trying HID path 1 / 2 ...")) - 1);
}

TEST_F(RunOtaSessionTest, EmptyCallbacksAreAllowed)
{
    addHeadset(3, testFirmware(headsetImage));
    auto config = fastConfig(0);
    config.remoteImage = headsetImage;
    EXPECT_TRUE(runOtaSession(config, {}, {}).success);
}
