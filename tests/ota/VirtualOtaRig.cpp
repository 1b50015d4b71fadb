#include "tests/ota/VirtualOtaRig.h"

#include <algorithm>

using namespace VirtualDevices;
using namespace std::chrono_literals;

void VirtualOtaRig::SetUp()
{
    bus().reset();
    bus().setWaitScales(VirtualHidBus::longAnswerWaits(kTimeScale));
    receiver = std::make_shared<VirtualReceiver>();
    receiver->plugInto(bus());
}

void VirtualOtaRig::TearDown()
{
    bus().reset();
}

void VirtualOtaRig::addHeadset(int channel, FirmwareBehaviour behaviour, std::string name)
{
    ClientEntry client;
    client.channel = channel;
    client.name = std::move(name);
    receiver->addHeadset(client, std::move(behaviour));
}

void VirtualOtaRig::silence(VirtualReceiver &silent)
{
    silent.setSilent(true);
    VirtualHidBus::setPortWaitScales(*silent.currentPort(), libtavrel::WaitScales::uniform(kTimeScale));
}

OtaSessionRunnerConfig VirtualOtaRig::fastConfig(std::uint32_t mode) const
{
    OtaSessionRunnerConfig config;
    config.devicePathFilter = "vid_3654&pid_6901";
    config.firmwareDirectory = "__no_firmware_folder_here__";
    config.postModePathFilter = "vid_3654";
    config.postModeReopenAttempts = 200;
    config.postModeReopenDelayMs = 5;
    config.mode = mode;
    config.deviceHint = kReceiverPath;
    config.timings.settleBeforeUpgrade = 1ms;
    config.timings.settleBetweenReads = 1ms;
    config.timings.precheckRetryWait = 1ms;
    config.timings.recoveryReadWait = 1ms;
    return config;
}

std::function<void(const std::string &)> VirtualOtaRig::logger()
{
    return [this](const std::string &line) { lines.push_back(line); };
}

bool VirtualOtaRig::logged(const std::string &line) const
{
    return countLogged(line) > 0;
}

bool VirtualOtaRig::loggedStartingWith(const std::string &prefix) const
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::string &l) { return l.rfind(prefix, 0) == 0; });
}

std::size_t VirtualOtaRig::countLogged(const std::string &line) const
{
    return std::size_t(std::count(lines.begin(), lines.end(), line));
}

std::string VirtualOtaRig::logText() const
{
    std::string text;
    for (const auto &line : lines)
        text += line + "\n";
    return text;
}
