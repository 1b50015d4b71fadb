// The session's own steps: reading progress from log lines, matching the
// preferred path, opening and reading the receiver, preparing images and the
// receiver update.
#include "tests/ota/VirtualOtaRig.h"

#include "ota/OtaSession.h"
#include "ota/ProgressLine.h"

#include <gmock/gmock.h>

using namespace OtaModule;
using namespace VirtualDevices;
using namespace std::chrono_literals;
using ::testing::ElementsAre;

struct ProgressCase
{
    const char *line;
    std::uint32_t mode;
    std::optional<int> percent;
};

class ProgressLineTest : public ::testing::TestWithParam<ProgressCase>
{};

TEST_P(ProgressLineTest, ReadsThePercentage)
{
    EXPECT_EQ(progressPercentFromLine(GetParam().line, GetParam().mode), GetParam().percent) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ProgressLineTest,
    ::testing::Values(
        ProgressCase{"Dongle OTA progress: 30/60", 1, 50},
        ProgressCase{"Dongle OTA progress: 30/60", 2, 75},
        ProgressCase{"Dongle OTA progress: 30/60", 0, std::nullopt},
        ProgressCase{"Remote OTA progress (channel 3): 30/60", 0, 50},
        ProgressCase{"Remote OTA progress (channel 3): 30/60", 2, 25},
        ProgressCase{"Remote OTA progress (channel 3): 30/60", 1, std::nullopt},
        ProgressCase{"Dongle OTA progress: 7/100", 5, 7}, // other modes read receiver lines
        ProgressCase{"Remote OTA progress (channel 3): 5/0", 0, std::nullopt},
        ProgressCase{"Remote OTA progress (channel 3): 150/100", 0, 100},
        ProgressCase{"Dongle OTA progress: 100/100", 2, 100},
        ProgressCase{"Dongle OTA progress: 0/100", 2, 50},
        ProgressCase{"Dongle OTA progress 40 of 100", 1, std::nullopt},
        ProgressCase{"Dongle OTA progress: /100", 1, std::nullopt},
        ProgressCase{"Dongle OTA progress: 40/", 1, std::nullopt},
        ProgressCase{"/Dongle OTA progress: 4", 1, std::nullopt},
        ProgressCase{"Dongle OTA progress: 99999999999/100", 1, std::nullopt},
        ProgressCase{"Dongle OTA finished 3/4", 1, std::nullopt},
        ProgressCase{"progress1/2", 1, std::nullopt},
        ProgressCase{"Remote OTA started (channel 3)", 0, std::nullopt}));

TEST(DevicePathMatchTest, FirstMatchingDeviceWins)
{
    const std::vector<UsbDeviceInfo> devices{
        {"", "\\\\?\\hid#vid_3654&pid_6901&mi_00#7&1&0000#{guid}", ""},
        {"", "\\\\?\\hid#vid_3654&pid_6901&mi_01#7&2&0000#{guid}", ""},
        {"", "\\\\?\\hid#vid_3654&pid_6901&mi_03#7&3&0000#{guid}", ""},
        {"", "\\\\?\\hid#vid_3654&pid_6901&mi_01#7&4&0000#{guid}", ""},
    };
    const std::pair<std::string, int> table[] = {
        {"//?/HID#VID_3654&PID_6901&MI_03#7&3&0000#{GUID}", 2}, // same path, other spelling
        {"\\\\?\\hid#vid_3654&pid_6901&mi_01#7&4&0000#{guid}", 3}, // exact, though mi_01 comes earlier
        {"\\\\?\\hid#vid_3654&pid_6901&mi_01#8&99&0000#{guid}", 1}, // only the interface token matches
        {"\\\\?\\hid#vid_3654&pid_6901&mi_02#8&99&0000#{guid}", -1},
        {"\\\\?\\hid#vid_3654&pid_6901#8&99", -1},
        {"x&mi_0", 0}, // a cut token matches more
        {"", -1},
    };
    for (const auto &[hint, index] : table)
        EXPECT_EQ(OtaSession::matchDevicePath(devices, hint), index) << hint;
    EXPECT_EQ(OtaSession::matchDevicePath({}, "x&mi_00"), -1);
    EXPECT_EQ(OtaSession::findIndexByPath(devices[3].path, devices), 3);
    EXPECT_EQ(OtaSession::findIndexByPath("", devices), -1);
}

class OtaSessionTest : public VirtualOtaRig
{
protected:
    void SetUp() override
    {
        VirtualOtaRig::SetUp();
        config = fastConfig(1);
    }

    OtaSession &session()
    {
        if (!session_)
            session_ = std::make_unique<OtaSession>(config);
        return *session_;
    }

    // Another receiver on the bus, as interface `mi` of node `node`.
    std::shared_ptr<VirtualPort> plugReceiver(const std::string &node, std::uint8_t mi, bool silent = false)
    {
        auto other = std::make_shared<VirtualReceiver>();
        other->setSilent(silent);
        others.push_back(other);
        auto port = bus().plug(node, {0x3654, 0x6901, 0x0100, mi}, "Velkora Receiver", other);
        if (silent)
            VirtualHidBus::setPortWaitScales(*port, libtavrel::WaitScales::uniform(kTimeScale));
        return port;
    }

    static int opens(const std::shared_ptr<VirtualPort> &port)
    {
        std::lock_guard lock(port->mutex);
        return port->opens;
    }

    OtaSessionRunnerConfig config;
    std::unique_ptr<OtaSession> session_;
    std::vector<std::shared_ptr<VirtualReceiver>> others;
};

TEST_F(OtaSessionTest, ChoosesTheHintedDevice)
{
    plugReceiver("/virtual/hidraw1", 1);
    EXPECT_EQ(session().chooseDevice("\\VIRTUAL\\HIDRAW1#VID_3654&PID_6901&MI_01", logger()), 1);
    EXPECT_EQ(session().chooseDevice("nowhere", logger()), -1);
    EXPECT_EQ(session().chooseDevice("", logger()), -1);
    EXPECT_THAT(lines, ElementsAre("Prefer dongle openIndex=1 hint=\\VIRTUAL\\HIDRAW1#VID_3654&PID_6901&MI_01",
                                   "No dongle path match for hint=nowhere, fallback auto-open"));
    EXPECT_EQ(session().deviceSnapshot().size(), 2u);
}

TEST_F(OtaSessionTest, OnlyMatchingDevicesAreSnapshotted)
{
    bus().plug("/virtual/hidraw7", {0x1111, 0x2222, 0x0100, 0}, "Keyboard", std::make_shared<VirtualReceiver>());
    EXPECT_EQ(session().refreshDeviceSnapshot(), std::make_pair(2, 1));
    EXPECT_EQ(session().deviceSnapshot().front().path, kReceiverPath);
}

TEST_F(OtaSessionTest, ReadsOnlineDevicesHeadsetsFirst)
{
    addHeadset(3, testFirmware(headsetImage));
    addHeadset(4, testFirmware(headsetImage));
    session().refreshDeviceSnapshot();
    ASSERT_TRUE(session().readOnlineDevices(0, logger()));

    const auto clients = session().onlineClients();
    ASSERT_EQ(clients.size(), 3u);
    EXPECT_EQ(clients[0].channel, 2);
    EXPECT_THAT(session().onlineClientOrder(), ElementsAre(1u, 2u, 0u));
    EXPECT_EQ(session().activePath(), kReceiverPath);
    EXPECT_EQ(session().lastOnlinePath(), kReceiverPath);
    EXPECT_THAT(lines, ElementsAre("Device opened (index 0)"));
}

TEST_F(OtaSessionTest, OpenFailuresAreLogged)
{
    session().refreshDeviceSnapshot();
    EXPECT_FALSE(session().openDevice(4, logger()));
    {
        auto port = receiver->currentPort();
        std::lock_guard lock(port->mutex);
        port->openFails = true;
    }
    EXPECT_FALSE(session().readOnlineDevices(0, logger()));
    EXPECT_THAT(lines, ElementsAre("Open failed: no device selected", "Open failed: CreateExecutorHandle returned null"));
    EXPECT_TRUE(session().activePath().empty());
}

TEST_F(OtaSessionTest, FallbackTriesEveryPathInOrder)
{
    silence(*receiver);
    plugReceiver("/virtual/hidraw1", 3, true);
    auto answering = plugReceiver("/virtual/hidraw2", 3);
    session().refreshDeviceSnapshot();
    int index = -1;
    ASSERT_TRUE(session().openWithPathTrials(logger(), &index));
    EXPECT_EQ(index, 2);
    EXPECT_EQ(session().activePath(), answering->devicePath());
    EXPECT_THAT(lines, ::testing::IsSupersetOf({"Trying HID path 1 / 3 ...", "Trying HID path 2 / 3 ...",
                                                "Trying HID path 3 / 3 ...", "Switched active HID path to index 1"}));
    EXPECT_EQ(lines.front(), "Trying HID path 1 / 3 ...");
}

TEST_F(OtaSessionTest, ProbeOpensPathsTheSnapshotDoesNotList)
{
    session().refreshDeviceSnapshot();
    auto later = plugReceiver("/virtual/hidraw4", 3);
    const std::vector<UsbDeviceInfo> candidates{{"", "/virtual/hidraw9#vid_3654&pid_6901&mi_03", ""},
                                                {"", later->devicePath(), ""}};
    EXPECT_EQ(session().probePaths(candidates, logger()), 1);
    EXPECT_EQ(session().lastOnlinePath(), later->devicePath());
    EXPECT_THAT(lines, ::testing::IsSupersetOf({"Probe HID path 1 / 2 ...", "Probe HID path 2 / 2 ...",
                                                "Opened probe path directly (not in latest manager snapshot)"}));
    EXPECT_EQ(session().probePaths({}, logger()), -1);
}

TEST_F(OtaSessionTest, ImagesInMemoryNeedNoFolder)
{
    session().setPreparedRemoteImage(headsetImage);
    session().setPreparedDongleImage(receiverImage);
    ASSERT_TRUE(session().prepareFirmware(logger()));
    EXPECT_THAT(lines, ElementsAre("Using prepared remote firmware: 6000 bytes", "Using prepared dongle firmware: 5000 bytes",
                                   "Remote firmware prepared in memory: 6000 bytes",
                                   "Dongle firmware prepared in memory: 5000 bytes"));
    session().clearPreparedFirmware();
    EXPECT_FALSE(session().prepareFirmware(logger()));
}

TEST_F(OtaSessionTest, ReceiverUpdatesOnTheOpenDevice)
{
    receiver->setOwnFirmware(testFirmware(receiverImage));
    receiver->setStatusByte(1); // already in its update mode: progress 40 comes twice
    session().setPreparedDongleImage(receiverImage);
    session().refreshDeviceSnapshot();
    ASSERT_TRUE(session().openDevice(0, logger()));
    session().recordFailure(OtaSession::FailureCode::PrecheckFailed, "stale");

    ASSERT_TRUE(session().runDongleOta(-1, false, false, logger())) << logText();
    EXPECT_EQ(opens(receiver->currentPort()), 1); // no reopen for an index outside the snapshot
    EXPECT_TRUE(receiver->imageMatches(2));
    EXPECT_EQ(session().lastFailureCode(), OtaSession::FailureCode::None);
    EXPECT_EQ(countLogged("Dongle OTA progress: 40/100"), 1u);
    EXPECT_EQ(lines[2], "Dongle OTA started");
    EXPECT_EQ(lines[3], "Dongle OTA progress: 0/100");
    EXPECT_EQ(lines[lines.size() - 2], "Dongle OTA finished");
    EXPECT_EQ(lines.back(), "Dongle OTA finished (no post step)");
}

TEST_F(OtaSessionTest, ReceiverUpdateFailuresAreRecorded)
{
    session().refreshDeviceSnapshot();
    EXPECT_FALSE(session().runDongleOta(0, false, false, logger()));
    EXPECT_EQ(session().lastFailureCode(), OtaSession::FailureCode::DongleFirmwareNotFound);
    EXPECT_EQ(session().lastFailureText(), "dongle firmware not found");
    EXPECT_TRUE(logged("Dongle firmware not found in firmware directory"));

    session().setPreparedDongleImage(receiverImage);
    {
        auto port = receiver->currentPort();
        std::lock_guard lock(port->mutex);
        port->openFails = true;
    }
    EXPECT_FALSE(session().runDongleOta(0, false, false, logger()));
    EXPECT_EQ(session().lastFailureCode(), OtaSession::FailureCode::OpenReadFailed);
    EXPECT_EQ(session().lastFailureText(), "failed to open selected dongle");
}

TEST_F(OtaSessionTest, EngineErrorEndsTheReceiverUpdate)
{
    auto behaviour = testFirmware(receiverImage);
    behaviour.refuseUpdate = true;
    receiver->setOwnFirmware(behaviour);
    session().setPreparedDongleImage(receiverImage);
    session().refreshDeviceSnapshot();
    EXPECT_FALSE(session().runDongleOta(0, false, false, logger()));
    EXPECT_EQ(session().lastFailureText(), "not allow");
    EXPECT_TRUE(logged("Dongle OTA failed(4): not allow"));
}

TEST_F(OtaSessionTest, PostStepWithoutReopenAttemptsFailsAtOnce)
{
    config.postModeReopenAttempts = 0;
    config.postModeReopenDelayMs = 60000;
    receiver->setOwnFirmware(testFirmware(receiverImage, true));
    session().setPreparedDongleImage(receiverImage);
    session().refreshDeviceSnapshot();

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(session().runDongleOta(0, false, false, logger()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
    EXPECT_EQ(session().lastFailureText(), "post step failed: cannot reopen post mode device");
    EXPECT_TRUE(logged("Dongle OTA requires post step"));
    EXPECT_TRUE(logged("Post step failed: cannot reopen post mode device"));
    EXPECT_FALSE(logged("Reopened post mode device"));
}

TEST_F(OtaSessionTest, MonitorStopsCleanlyWhenNeverStarted)
{
    EXPECT_FALSE(session().monitorRunning());
    session().stopMonitor();
    EXPECT_FALSE(session().monitorRunning());
}

TEST_F(OtaSessionTest, CooldownHoldsBackOnlyTheCombinedUpgrade)
{
    receiver->setOwnFirmware(testFirmware(receiverImage));
    session().setPreparedDongleImage(receiverImage);
    session().recordUpgradeOutcome(false, logger());
    ASSERT_TRUE(logged("Auto upgrade cooldown armed: 2000 ms (consecutive failures=1)"));

    EXPECT_FALSE(session().runAutoUpgrade(0, false, false, 0, logger()));
    EXPECT_EQ(session().lastFailureCode(), OtaSession::FailureCode::CooldownBlocked);
    EXPECT_EQ(session().lastFailureText(), "auto upgrade blocked by cooldown");
    EXPECT_TRUE(loggedStartingWith("Auto upgrade blocked by cooldown: retry after "));
    EXPECT_FALSE(logged("Auto-upgrade session: scanning matched HID devices..."));

    EXPECT_TRUE(session().runAutoUpgrade(0, false, false, 2, logger())) << logText();
    EXPECT_TRUE(receiver->imageMatches(2));
    EXPECT_EQ(session().lastFailureCode(), OtaSession::FailureCode::None);
}
