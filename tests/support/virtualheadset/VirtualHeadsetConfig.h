#pragma once

#include <chrono>
#include <cstddef>

namespace VirtualDevices {

enum class FirmwareForm {
    Short, // GetBasicInfo 0x04: {0x00 flag, 0x01 receiver version}
    Full,  // GetBasicInfo 0x04: {0x00 any, 0x01 headset flag, 0x02 receiver flag, 0x03 headset version, 0x04 receiver version}
};

// How the simulated device behaves, as opposed to what it holds (HeadsetState).
struct VirtualHeadsetConfig
{
    bool answerDeviceId = true;   // GetBasicInfo 0x0B
    bool answerIdentity = true;   // GetBasicInfo 0xFF; false: answers only 0x0B
    bool answerHeartbeat = false; // the host awaits no reply to 0x27
    FirmwareForm receiverFirmwareForm = FirmwareForm::Short;
    std::size_t framePayloadBytes = 53; // payload per device frame, 1-53; smaller values force more fragments
    bool padReports = true;             // device reports are 64 bytes, zero padded
    bool reportIdPrefix = false;        // put a 0x00 report id in front of each device report
    std::chrono::milliseconds replyLatency{0}; // added to every reply
};

} // namespace VirtualDevices
