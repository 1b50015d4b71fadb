#pragma once

#include "tests/support/virtualdevice/IReportResponder.h"

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

namespace VirtualDevices {

// How a simulated device behaves during authentication and update, and the
// faults a test can ask for.
struct FirmwareBehaviour
{
    std::vector<std::uint8_t> expectedImage; // the image the host was given
    bool needsLoader = false;                // a loader goes first, then a restart into update mode
    std::size_t loaderLength = 4096;         // the loader is the image's first bytes
    std::uint16_t blockSize = 512;
    std::uint32_t checkOffset = 0;           // the range 0xE1 names and 0xE2 must carry
    std::uint16_t checkLength = 16;
    std::optional<std::uint32_t> resumeOffset; // 0xE8 carries a start offset
    Clock::duration rebootDelay = std::chrono::milliseconds(20);

    // --- faults
    bool refuseUpdate = false;           // 0xE2 answers "not allowed"
    bool skipAfterLoader = false;        // after the restart, 0x03 says "skip"
    std::uint8_t loaderStatus = 0x80;    // 0xE6 after the loader
    std::optional<std::uint8_t> updateStatus; // 0xE6 after the image; by default 0 when it arrived intact
    bool wrongAuthAnswer = false;        // answers the host's challenge wrongly
    int authAnswerSizeChange = 0;        // the right answer, this many bytes longer (shorter when negative)
    std::optional<std::vector<std::uint8_t>> verdict; // said instead of the verdict on the host's answer
    bool rejectHostAnswer = false;       // says "fail" to a right answer
    int ownChallengeSizeChange = 0;      // its own challenge, this many bytes longer (shorter when negative)
    std::uint8_t ownChallengeType = 0x00; // first byte of its own challenge
    std::set<int> silentAuthSteps;       // 1: answer, 2: own challenge, 3: verdict
    std::set<std::uint8_t> silentOpcodes; // RCP commands left unanswered
    std::set<std::uint8_t> staleOpcodes;  // answered with the sequence number of the command before
    bool requestPastEnd = false;         // the first block request reaches past the image
    std::optional<std::size_t> dropAfterBlocks; // stops asking after this many blocks
    bool neverBack = false;              // a restart never comes back
};

// The firmware side of one device behind the receiver (a headset, or the
// receiver's own update logic on channel 2). Not thread-safe: the receiver
// calls it under its lock.
class VirtualFirmware
{
public:
    explicit VirtualFirmware(FirmwareBehaviour behaviour);

    struct Output
    {
        std::vector<std::vector<std::uint8_t>> frames; // kind-0 payloads back to the host
        bool restarting = false;  // the device just dropped its link
        bool enteredUpdateMode = false; // ... to come back in its update mode
    };

    Output onHostPayload(const std::vector<std::uint8_t> &payload, Clock::time_point now);

    bool online(Clock::time_point now) const;
    bool inUpdateMode() const { return updateMode_; }
    // The receiver dropped the link: the device comes back after its reboot delay.
    void dropLink(Clock::time_point now);

    FirmwareBehaviour &behaviour() { return behaviour_; }
    const std::vector<std::uint8_t> &receivedImage() const { return received_; }
    bool imageComplete() const { return imageComplete_; }
    bool imageMatches() const { return imageComplete_ && received_ == behaviour_.expectedImage; }
    int restarts() const { return restarts_; }
    // From the first block request to the end marker of the last image transfer.
    std::optional<Clock::duration> imageTransferTime() const;
    std::size_t blocksServed() const { return blocksServed_; }

private:
    enum class Transfer { None, Loader, Image };

    void onAuthBytes(const std::vector<std::uint8_t> &payload, Output &out);
    void onCommand(const std::uint8_t opcode, std::uint8_t sequence, const std::vector<std::uint8_t> &body,
                   Clock::time_point now, Output &out);
    void onResponse(std::uint8_t opcode, std::uint8_t sequence, const std::vector<std::uint8_t> &body,
                    Clock::time_point now, Output &out);
    void startTransfer(Transfer kind, Output &out);
    void requestNextBlock(Output &out);
    void restart(Clock::time_point now, bool intoUpdateMode, Output &out);
    std::vector<std::uint8_t> targetInfo() const;

    FirmwareBehaviour behaviour_;
    bool updateMode_ = false;
    bool loaderDone_ = false;
    std::optional<Clock::time_point> offlineUntil_;
    bool gone_ = false;
    int restarts_ = 0;

    // authentication
    std::optional<std::array<std::uint8_t, 17>> ownChallenge_;

    // device-driven transfer
    Transfer transfer_ = Transfer::None;
    std::uint32_t transferEnd_ = 0;
    std::uint32_t next_ = 0;
    std::uint8_t sequence_ = 0x40;
    std::optional<std::uint8_t> awaiting_; // sequence of our outstanding command
    std::size_t blocksServed_ = 0;
    std::vector<std::uint8_t> received_;
    std::vector<std::uint8_t> loaderReceived_;
    bool imageComplete_ = false;
    std::optional<Clock::time_point> transferStartedAt_;
    std::optional<Clock::time_point> transferEndedAt_;
};

} // namespace VirtualDevices
