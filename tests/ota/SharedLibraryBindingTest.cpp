// The bridge linked the way the program links it: against the shipped
// libtavrel.so and its hidraw backend. No receiver is plugged in here.
#include "ota/HidEnumeration.h"
#include "ota/OtaSessionRunner.h"
#include "ota/SdkExecutor.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(SharedLibraryBindingTest, ExportsAreBoundAndBehaveWithoutADevice)
{
    const auto devices = OtaModule::enumerateHidDevices();
    for (const auto &device : devices)
        EXPECT_FALSE(device.path.empty());

    OtaModule::SdkExecutor executor;
    EXPECT_FALSE(executor.open("/dev/velkora-no-such-hidraw#vid_3654&pid_6901&mi_03"));
    EXPECT_EQ(executor.runAllTasks().message, "executor handle is null");
}

TEST(SharedLibraryBindingTest, SessionWithoutReceiverEndsWithAMessage)
{
    OtaSessionRunnerConfig config;
    config.devicePathFilter = "vid_3654&pid_6901&no_such_interface";
    config.mode = 0;
    config.remoteImage = {1, 2, 3};
    std::vector<std::string> lines;
    std::vector<int> progress;
    const auto result = runOtaSession(
        config, [&](const std::string &line) { lines.push_back(line); }, [&](int p) { progress.push_back(p); });
    EXPECT_FALSE(result.success);
    EXPECT_EQ(result.message, "failed to open/read online devices");
    EXPECT_TRUE(progress.empty());
}
