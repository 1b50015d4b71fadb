#pragma once

#include "ota/OtaSessionRunnerConfig.h"
#include "tests/support/virtualreceiver/TestFirmware.h"
#include "tests/support/virtualreceiver/VirtualHidBus.h"
#include "tests/support/virtualreceiver/VirtualReceiver.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A receiver with its headsets on the virtual HID bus behind the engine's C
// interface, with the engine's pauses and the session's own waits cut short.
// The engine's waits for an answer last ten seconds or more, so that a
// loaded machine cannot end one before the answer is read.
class VirtualOtaRig : public ::testing::Test
{
public:
    // The receiver answers nothing; an engine that opens it waits only briefly.
    static void silence(VirtualDevices::VirtualReceiver &silent);

protected:
    static constexpr double kTimeScale = 0.03;
    static constexpr const char *kReceiverPath = "/virtual/hidraw0#vid_3654&pid_6901&mi_03";

    void SetUp() override;
    void TearDown() override;

    static VirtualDevices::VirtualHidBus &bus() { return VirtualDevices::VirtualHidBus::instance(); }

    void addHeadset(int channel, VirtualDevices::FirmwareBehaviour behaviour, std::string name = "Velkora Headset");

    // Matches the virtual receiver, finds it again in its update mode, and
    // waits next to nothing.
    OtaSessionRunnerConfig fastConfig(std::uint32_t mode) const;

    // The session's lines, in order.
    std::function<void(const std::string &)> logger();
    bool logged(const std::string &line) const;
    bool loggedStartingWith(const std::string &prefix) const;
    std::size_t countLogged(const std::string &line) const;
    std::string logText() const;

    std::vector<std::uint8_t> headsetImage = VirtualDevices::makeTestImage(6000, 11);
    std::vector<std::uint8_t> receiverImage = VirtualDevices::makeTestImage(5000, 23);
    std::shared_ptr<VirtualDevices::VirtualReceiver> receiver;
    std::vector<std::string> lines;
};
